#include "peer.hpp"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "png_peer.hpp"
#include "zd_render.h"

namespace zdr::testing {

bool havePeer() { return std::system("rsvg-convert --version > /dev/null 2>&1") == 0; }

std::string readText(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Rendered renderOurs(const std::string &file, float scale) {
  Rendered result;
  const std::string text = readText(file);
  ZdrOptions options{};
  options.scale = scale;
  ZdrReport report{};
  ZdImage *image = zdr_render_svg(text.data(), text.size(), &options, nullptr, nullptr, &report);
  if (image == nullptr) {
    result.error = report.error;
    return result;
  }
  uint8_t *pixels = nullptr;
  int64_t length = 0;
  zd_image_pixels(image, &pixels, &length);
  result.width = zd_image_width(image);
  result.height = zd_image_height(image);
  result.rgba.assign(pixels, pixels + length);
  result.unsupported = report.unsupported;
  result.ok = true;
  zd_image_free(image);
  return result;
}

Rendered renderPeer(const std::string &file, float scale) {
  Rendered result;
  char name[] = "/tmp/zd-render-peer-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) {
    result.error = "no temporary file";
    return result;
  }
  close(fd);
  char zoom[32];
  std::snprintf(zoom, sizeof zoom, "%g", static_cast<double>(scale));
  const std::string command =
      std::string("rsvg-convert -z ") + zoom + " -o " + name + " '" + file + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) {
    result.error = "rsvg-convert failed";
  } else {
    const std::string png = readText(name);
    const auto decoded =
        zd::testing::decodeWithLibpng(std::vector<std::uint8_t>(png.begin(), png.end()));
    if (!decoded.ok || (decoded.colorType != 6 && decoded.colorType != 2)) {
      result.error = "rsvg-convert's file is no 8-bit RGB or RGBA PNG";
    } else {
      result.width = static_cast<int>(decoded.width);
      result.height = static_cast<int>(decoded.height);
      result.rgba = decoded.pixels;
      if (decoded.colorType == 2) {  // an opaque image comes without alpha
        result.rgba.clear();
        for (std::size_t i = 0; i + 2 < decoded.pixels.size(); i += 3) {
          result.rgba.insert(result.rgba.end(), decoded.pixels.begin() + i,
                             decoded.pixels.begin() + i + 3);
          result.rgba.push_back(255);
        }
      }
      result.ok = true;
    }
  }
  std::remove(name);
  return result;
}

Difference compare(const Rendered &ours, const Rendered &peer, int interiorTolerance) {
  Difference d;
  if (ours.width != peer.width || ours.height != peer.height) return d;
  d.sameSize = true;
  const int w = ours.width, h = ours.height;
  const auto at = [&](const std::vector<std::uint8_t> &p, int x, int y) {
    return &p[(static_cast<std::size_t>(y) * w + x) * 4];
  };
  const auto uniform = [&](int x, int y) {
    const std::uint8_t *centre = at(ours.rgba, x, y);
    if (centre[3] != 0 && centre[3] != 255) return false;
    for (int dy = -2; dy <= 2; ++dy) {
      for (int dx = -2; dx <= 2; ++dx) {
        const int nx = x + dx, ny = y + dy;
        // A pixel at the image's border may lie on the shape's edge.
        if (nx < 0 || ny < 0 || nx >= w || ny >= h) return false;
        const std::uint8_t *other = at(ours.rgba, nx, ny);
        if (centre[3] == 0 ? other[3] != 0 : !std::equal(centre, centre + 4, other)) {
          return false;
        }
      }
    }
    return true;
  };
  double total = 0, edgeTotal = 0;
  int edges = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t *a = at(ours.rgba, x, y), *b = at(peer.rgba, x, y);
      for (int c = 0; c < 4; ++c) {
        const int pa = c == 3 ? a[3] : (a[c] * a[3] + 127) / 255;
        const int pb = c == 3 ? b[3] : (b[c] * b[3] + 127) / 255;
        total += std::abs(pa - pb);
      }
      if (uniform(x, y)) {
        if (a[3] == 255) ++d.interiorPixels;
        int worst = std::abs(a[3] - b[3]);
        if (a[3] == 255) {
          for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a[c] - b[c]));
        }
        if (worst > interiorTolerance) {
          if (d.interiorDiffering++ == 0) {
            char text[120];
            std::snprintf(text, sizeof text, "(%d, %d): ours %d %d %d %d, peer %d %d %d %d", x, y,
                          a[0], a[1], a[2], a[3], b[0], b[1], b[2], b[3]);
            d.firstDiffering = text;
          }
        }
      } else {
        d.worstEdgeAlpha = std::max(d.worstEdgeAlpha, std::abs(a[3] - b[3]));
        edgeTotal += std::abs(a[3] - b[3]);
        ++edges;
      }
    }
  }
  d.meanAbsolute = total / (4.0 * w * h);
  d.meanEdgeAlpha = edges > 0 ? edgeTotal / edges : 0;
  return d;
}

}  // namespace zdr::testing
