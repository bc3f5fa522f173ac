// Scenes for the fill fuzz targets: a few polylines, each closed or left
// open, with some edges horizontal or vertical (a vertex repeating the x or
// y before it) and, when asked, some doubled in reverse.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <vector>

#include "geom/geom.hpp"

namespace zd::fuzzing {

// `coordinate(in, extent)` reads one coordinate for an image `extent` wide
// or high.
template <class Coordinate>
std::vector<zd::geom::Segment> polylineScene(FuzzedDataProvider &in, float width, float height,
                                             std::size_t maxSegments, bool twins,
                                             Coordinate &&coordinate) {
  std::vector<zd::geom::Segment> segments;
  while (segments.size() < maxSegments && in.remaining_bytes() > 0) {
    const int vertices = in.ConsumeIntegralInRange<int>(2, 8);
    std::vector<float> xs, ys;
    for (int v = 0; v < vertices; ++v) {
      const int shape = in.ConsumeIntegralInRange<int>(0, 5);
      xs.push_back(v > 0 && shape == 0 ? xs.back() : coordinate(in, width));
      ys.push_back(v > 0 && shape == 1 ? ys.back() : coordinate(in, height));
    }
    const bool closed = in.ConsumeBool();
    const bool twin = twins && in.ConsumeIntegralInRange<int>(0, 3) == 0;
    const int edges = closed ? vertices : vertices - 1;
    for (int v = 0; v < edges; ++v) {
      const int w = (v + 1) % vertices;
      segments.push_back({xs[v], ys[v], xs[w], ys[w]});
      if (twin) segments.push_back({xs[w], ys[w], xs[v], ys[v]});
    }
  }
  return segments;
}

}  // namespace zd::fuzzing
