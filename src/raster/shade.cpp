// The entry point of shaded fills after flattening, and the bytes of a
// fully covered pixel.
#include "raster/shade.hpp"

#include "raster/pixel_ops.hpp"
#include "raster/scan.hpp"

namespace zd::raster {

std::uint32_t solidBytes(const Paint &paint) { return detail::fullPixel(paint); }

void fillSegmentsShaded(Image &image, std::span<const Segment> segments, RowShader &shader,
                        bool evenOdd, bool overwrite) {
  const RowRange rows = rowsToVisit(segments, image.height);
  if (rows.empty() || image.width <= 0) return;
  detail::scanRows(image, segments, Paint{}, evenOdd, overwrite, rows, &shader);
}

}  // namespace zd::raster
