// The reference fill: the plain method of anti-aliased filling, written as
// directly as it can be. The scan in src/raster is held to it byte for byte
// (reference_fill_test.cpp compares the two on random scenes, under both
// fill rules, both modes and both kernel builds).
//
// Every sub-scanline tests every segment (lo <= sy < hi); the crossings, in
// segment order, are sorted stably by x; spans come from the fill rule;
// each span adds 0.25 times its exact overlap with every column; then the
// checked single-pixel operations paint every column with coverage.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "raster/raster.hpp"

namespace zd::raster::testing {

inline void referenceFill(Image &image, const std::vector<Segment> &segments, const Paint &paint,
                          bool evenOdd, bool overwrite) {
  if (segments.empty()) return;
  float minY = segments[0].y0, maxY = segments[0].y0;
  for (const Segment &s : segments) {
    minY = std::min({minY, s.y0, s.y1});
    maxY = std::max({maxY, s.y0, s.y1});
  }
  const std::int64_t width = image.width, height = image.height;
  if (maxY < 0 || minY > static_cast<float>(height)) return;
  const auto yStart = static_cast<std::int64_t>(std::floor(std::max(minY, 0.0f)));
  const std::int64_t yEnd =
      std::min(height - 1, static_cast<std::int64_t>(std::ceil(std::min(maxY, float(height)))));

  struct Crossing {
    float x;
    std::int64_t winding;
  };
  std::vector<float> coverage(static_cast<std::size_t>(width));
  std::vector<Crossing> crossings;
  const auto addSpan = [&](float x0, float x1) {
    const float a = x0 >= 0 ? x0 : 0;
    const float b = x1 <= float(width) ? x1 : float(width);
    if (b <= a) return;
    for (auto i = std::max<std::int64_t>(std::int64_t(std::floor(a)), 0);
         i <= std::min(width - 1, std::int64_t(std::floor(b))); ++i) {
      const float overlap = std::min(float(i + 1), b) - std::max(a, float(i));
      if (overlap > 0) coverage[i] += 0.25f * overlap;
    }
  };
  for (std::int64_t y = yStart; y <= yEnd; ++y) {
    std::fill(coverage.begin(), coverage.end(), 0.0f);
    for (int s = 0; s < 4; ++s) {
      const float sy = std::fmaf(float(s) + 0.5f, 0.25f, float(y));
      crossings.clear();
      for (const Segment &g : segments) {
        const float lo = std::min(g.y0, g.y1), hi = std::max(g.y0, g.y1);
        if (!(lo <= sy && sy < hi)) continue;
        const float t = (sy - g.y0) / (g.y1 - g.y0);
        crossings.push_back({std::fmaf(g.x1 - g.x0, t, g.x0), g.y0 < g.y1 ? 1 : -1});
      }
      if (crossings.empty()) continue;
      std::stable_sort(crossings.begin(), crossings.end(),
                       [](const Crossing &a, const Crossing &b) { return a.x < b.x; });
      if (evenOdd) {
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
          addSpan(crossings[k].x, crossings[k + 1].x);
        }
      } else {
        std::int64_t w = 0;
        float start = 0;
        for (const Crossing &c : crossings) {
          if (w == 0) {
            start = c.x;
            w = c.winding;
          } else if ((w += c.winding) == 0) {
            addSpan(start, c.x);
          }
        }
      }
    }
    for (std::int64_t x = 0; x < width; ++x) {
      if (coverage[x] <= 0) continue;
      const std::int64_t offset = (y * width + x) * 4;
      if (overwrite) {
        zd::raster::blendOverwrite(image, offset, coverage[x], paint.red, paint.green, paint.blue,
                                   paint.alpha);
      } else {
        zd::raster::blendOver(image, offset, coverage[x], paint.red, paint.green, paint.blue,
                              paint.alpha);
      }
    }
  }
}

}  // namespace zd::raster::testing
