// The painting step of a shaded scan: like paint_row.hpp, but each pixel is
// blended with its own colour from the shader. The blending per pixel is
// that of the flat kernels (pixel_ops.hpp), column by column. Part of
// scan.cpp, which includes it; include nowhere else.
#pragma once

#include <algorithm>
#include <cstring>

#include "raster/pixel_ops.hpp"
#include "raster/scan_state.hpp"

namespace zd::raster::detail {

ZD_KERNEL_INLINE void Scan::paintRowShaded(std::int64_t y) {
  const std::int64_t pixelCount = static_cast<std::int64_t>(image_.data.size() / 4);
  const bool rowInBuffer = width_ <= pixelCount && y < pixelCount / width_;
  if (!rowInBuffer) return paintRowChecked(y);
  std::uint8_t *row = image_.data.data() + y * width_ * 4;
  std::int64_t x = touchedFrom_;
  for (const Run &run : full_) {
    blendShaded(row, x, run.from, false, y);
    blendShaded(row, run.from, run.to, true, y);
    x = run.to;
  }
  blendShaded(row, x, touchedTo_ + 1, false, y);
  touchedFrom_ = 0;
  touchedTo_ = -1;
}

// Columns [from, to): coverage 1 when `full`, else the summed coverage,
// which is zeroed for the next row. Source-over as overRowScalar, overwrite
// as overwriteRowScalar, with the pixel's own paint.
inline void Scan::blendShaded(std::uint8_t *row, std::int64_t from, std::int64_t to, bool full,
                              std::int64_t y) {
  if (from >= to) return;
  // Columns without coverage need no colour: shade only from the first to
  // the last covered one.
  if (!full) {
    while (from < to && !(coverage_[from] > 0.0f)) ++from;
    while (to > from && !(coverage_[to - 1] > 0.0f)) --to;
    if (from >= to) return;
  }
  const ShadeColor *const *shades = shader_->shade(y, from, to) - from;
  for (std::int64_t x = from; x < to; ++x) {
    const float c = full ? 1.0f : coverage_[x];
    if (!full) coverage_[x] = 0.0f;
    const ShadeColor *shade = shades[x];
    if (!(c > 0.0f) || shade == nullptr) continue;
    shadedPixel(row + x * 4, c, *shade, overwrite_);
  }
}

}  // namespace zd::raster::detail
