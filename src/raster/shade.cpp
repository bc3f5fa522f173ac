// The entry points of shaded fills and the per-pixel blending they share
// with the scan.
#include "raster/shade.hpp"

#include <vector>

#include "raster/pixel_ops.hpp"
#include "raster/scan.hpp"
#include "raster/scratch.hpp"

namespace zd::raster {

std::uint32_t solidBytes(const Paint &paint) { return detail::fullPixel(paint); }

void fillSegmentsShaded(Image &image, std::span<const Segment> segments, RowShader &shader,
                        bool evenOdd, bool overwrite) {
  const RowRange rows = rowsToVisit(segments, image.height);
  if (rows.empty() || image.width <= 0) return;
  detail::scanRows(image, segments, Paint{}, evenOdd, overwrite, rows, &shader);
}

void fillPathShaded(Image &image, const zd::path::Path &path, RowShader &shader, bool evenOdd,
                    bool overwrite, float tolerance) {
  thread_local std::vector<Segment> segments;
  struct ReleaseLarge {
    ~ReleaseLarge() { detail::releaseIfLarge(segments); }
  } release;
  zd::geom::flatten(path, tolerance, segments);
  fillSegmentsShaded(image, segments, shader, evenOdd, overwrite);
}

}  // namespace zd::raster
