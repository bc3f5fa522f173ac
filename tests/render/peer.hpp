// Renders documents with our renderer and with rsvg-convert, and compares
// the two images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zdr::testing {

struct Rendered {
  bool ok = false;
  std::string error;
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // straight alpha, rows top to bottom
  int unsupported = 0;             // kinds of content our renderer skipped
};

bool havePeer();
std::string readText(const std::string &file);

// Our rendering of `file` at `scale` times its size.
Rendered renderOurs(const std::string &file, float scale);
// rsvg-convert's rendering at the same zoom.
Rendered renderPeer(const std::string &file, float scale);

// How two renderings of one document differ. A pixel is interior (exterior)
// when the 5 x 5 block around it is uniform and opaque (fully transparent)
// in our image: there the peer must agree to `interiorTolerance` levels.
// The mean is over the premultiplied channels of every pixel, in levels.
struct Difference {
  bool sameSize = false;
  int interiorPixels = 0;
  int interiorDiffering = 0;  // interior or exterior pixels beyond the tolerance
  double meanAbsolute = 0;
  int worstEdgeAlpha = 0;  // largest alpha difference at the edges
  double meanEdgeAlpha = 0;
  std::string firstDiffering;
};

Difference compare(const Rendered &ours, const Rendered &peer, int interiorTolerance);

}  // namespace zdr::testing
