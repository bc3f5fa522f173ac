// Helpers shared by the stroke tests: outlines rendered to coverage, and
// plain geometry to hold them against.
#pragma once

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "geom/geom.hpp"
#include "image/image.hpp"
#include "path/pathdata.hpp"
#include "raster/raster.hpp"
#include "stroke/stroke.hpp"

namespace zd::stroke::testing {

// Coverage bytes of a width x height image, row by row.
struct Coverage {
  int width = 0, height = 0;
  std::vector<std::uint8_t> alpha;
  int at(int x, int y) const { return alpha[static_cast<std::size_t>(y) * width + x]; }
  double total() const {
    double sum = 0;
    for (const std::uint8_t a : alpha) sum += a;
    return sum / 255.0;
  }
};

// Fills segments with the non-zero rule in opaque white over transparent
// black: each pixel's alpha byte is its coverage.
inline Coverage render(const std::vector<zd::geom::Segment> &segments, int width, int height) {
  zd::image::Image image = zd::image::newImage(width, height, zd::image::csRgba);
  zd::raster::paintSegments(image, segments, zd::raster::Paint{1.0f, 1.0f, 1.0f, 1.0f}, false,
                            false);
  Coverage c;
  c.width = width;
  c.height = height;
  c.alpha.resize(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < c.alpha.size(); ++i) c.alpha[i] = image.data[i * 4 + 3];
  return c;
}

inline Outline outline(std::string_view pathData, const Style &style, float tolerance = 0.5f) {
  Outline out;
  strokeOutline(zd::path::parsePath(pathData), style, tolerance, out);
  return out;
}

inline Style style(float width, Join join = Join::miter, Cap cap = Cap::butt,
                   std::vector<float> dashes = {}, float offset = 0.0f) {
  Style s;
  s.width = width;
  s.join = join;
  s.cap = cap;
  s.dashes = std::move(dashes);
  s.dashOffset = offset;
  return s;
}

// Distance from (px, py) to the segment.
inline double distanceToSegment(double px, double py, const zd::geom::Segment &s) {
  const double dx = double{s.x1} - s.x0, dy = double{s.y1} - s.y0;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((px - s.x0) * dx + (py - s.y0) * dy) / length2 : 0.0;
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  const double ex = s.x0 + t * dx - px, ey = s.y0 + t * dy - py;
  return std::sqrt(ex * ex + ey * ey);
}

// For every pixel, whether its centre lies within `reach` of any segment.
inline std::vector<bool> nearSegments(const std::vector<zd::geom::Segment> &segments, int width,
                                      int height, double reach) {
  std::vector<bool> near(static_cast<std::size_t>(width) * height, false);
  for (const zd::geom::Segment &s : segments) {
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min(s.x0, s.x1) - reach)));
    const int x1 = std::min(width - 1, static_cast<int>(std::ceil(std::max(s.x0, s.x1) + reach)));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min(s.y0, s.y1) - reach)));
    const int y1 = std::min(height - 1, static_cast<int>(std::ceil(std::max(s.y0, s.y1) + reach)));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        if (distanceToSegment(x + 0.5, y + 0.5, s) <= reach)
          near[static_cast<std::size_t>(y) * width + x] = true;
      }
    }
  }
  return near;
}

}  // namespace zd::stroke::testing
