// The entry points of filling: flatten, find the rows to visit, map the
// colour, then run the scan (scan.hpp) over those rows; and the plain
// coverage of one span.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "raster/flattened.hpp"
#include "raster/raster.hpp"
#include "raster/scan.hpp"
#include "raster/scratch.hpp"
#include "raster/shade.hpp"

namespace zd::raster {

RowRange rowsToVisit(std::span<const Segment> segments, std::int64_t height) {
  // NaN values are passed over (every comparison with one is false); the
  // extent is that of the numbers, and stays inverted when there are none.
  // Which of -0 and +0 ends up in an end does not matter below.
  float minY = std::numeric_limits<float>::infinity();
  float maxY = -minY;
  for (const Segment &s : segments) {
    minY = s.y0 < minY ? s.y0 : minY;
    maxY = s.y0 > maxY ? s.y0 : maxY;
    minY = s.y1 < minY ? s.y1 : minY;
    maxY = s.y1 > maxY ? s.y1 : maxY;
  }
  const float limit = static_cast<float>(height);
  if (maxY < 0.0f || minY > limit) return {};
  // Now 0 <= max(minY, 0) <= height and 0 <= min(maxY, height) <= height,
  // so both conversions are in range.
  RowRange rows;
  rows.first = static_cast<std::int64_t>(std::floor(std::max(minY, 0.0f)));
  rows.last = std::min(height - 1, static_cast<std::int64_t>(std::ceil(std::min(maxY, limit))));
  return rows;
}

void addSpan(float *coverage, std::int64_t width, float x0, float x1, float weight) {
  const float limit = static_cast<float>(width);
  const float a = x0 >= 0.0f ? x0 : 0.0f;
  const float b = x1 <= limit ? x1 : limit;
  if (b <= a) return;
  // a is in [0, width) and b in (a, width] here, so both floors convert.
  const std::int64_t first = std::max<std::int64_t>(static_cast<std::int64_t>(std::floor(a)), 0);
  const std::int64_t last = std::min(width - 1, static_cast<std::int64_t>(std::floor(b)));
  for (std::int64_t i = first; i <= last; ++i) {
    const float overlap =
        std::min(static_cast<float>(i + 1), b) - std::max(a, static_cast<float>(i));
    if (overlap > 0.0f) coverage[i] += weight * overlap;
  }
}

namespace {

// paintSegments with the rows to visit already known.
void paintRows(Image &image, std::span<const Segment> segments, const Paint &paint, bool evenOdd,
               bool overwrite, RowRange rows) {
  if (rows.empty() || image.width <= 0) return;
  detail::scanRows(image, segments, paint, evenOdd, overwrite, rows);
}

}  // namespace

void paintSegments(Image &image, std::span<const Segment> segments, const Paint &paint,
                   bool evenOdd, bool overwrite) {
  paintRows(image, segments, paint, evenOdd, overwrite, rowsToVisit(segments, image.height));
}

void fillSegments(Image &image, std::span<const Segment> segments, const zd::color::Color &color,
                  bool evenOdd, bool overwrite) {
  const RowRange rows = rowsToVisit(segments, image.height);
  if (rows.empty()) return;
  // The colour is mapped only once the path is known to reach the rows.
  const Paint paint = paintFromColor(color);
  if (paint.alpha <= 0.0f) return;
  paintRows(image, segments, paint, evenOdd, overwrite, rows);
}

using detail::fillFlattened;

void fillPath(Image &image, const zd::path::Path &path, const zd::color::Color &color, bool evenOdd,
              bool overwrite, float tolerance) {
  fillFlattened(path, tolerance, [&](std::span<const Segment> segments) {
    fillSegments(image, segments, color, evenOdd, overwrite);
  });
}

void fillPathShaded(Image &image, const zd::path::Path &path, RowShader &shader, bool evenOdd,
                    bool overwrite, float tolerance) {
  fillFlattened(path, tolerance, [&](std::span<const Segment> segments) {
    fillSegmentsShaded(image, segments, shader, evenOdd, overwrite);
  });
}

}  // namespace zd::raster
