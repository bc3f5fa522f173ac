// The painting step of the scan: the touched columns through the row
// kernels, long full runs as coverage 1, and the coverage zeroed again for
// the next row. Part of scan.cpp, which includes it; include nowhere else.
#pragma once

#include <algorithm>
#include <string>

#include "raster/kernels.hpp"
#include "raster/scan_state.hpp"

namespace zd::raster::detail {

// Blends the touched columns of row y, then zeroes them for the next row.
ZD_KERNEL_INLINE void Scan::paintRow(std::int64_t y) {
  const std::int64_t pixelCount = static_cast<std::int64_t>(image_.data.size() / 4);
  const bool rowInBuffer = width_ <= pixelCount && y < pixelCount / width_;
  if (!rowInBuffer) return paintRowChecked(y);
  std::uint8_t *row = image_.data.data() + y * width_ * 4;
  const auto paintSummed = [&](std::int64_t from, std::int64_t to) {
    if (from >= to) return;
    // Past `to` lie untouched columns (coverage 0) or a long full run
    // (coverage 0 in the row, painted after this), so a vector kernel may
    // run on over them.
    if (overwrite_) {
      blendRowOverwriteReach(row, coverage_, from, to, width_, paint_);
      std::fill(coverage_ + from, coverage_ + to, 0.0f);
    } else {
      blendRowOverReachClearing(row, coverage_, from, to, width_, paint_);
    }
  };
  std::int64_t x = touchedFrom_;
  for (const Run &run : full_) {
    paintSummed(x, run.from);
    blendRunFull(row, run.from, run.to, paint_, overwrite_);
    x = run.to;
  }
  paintSummed(x, touchedTo_ + 1);
  touchedFrom_ = 0;
  touchedTo_ = -1;
}

// A buffer shorter than the image's size: the checked operations, column by
// column, raise the index error at the first pixel beyond it.
inline void Scan::paintRowChecked(std::int64_t y) {
  std::size_t k = 0;
  for (std::int64_t x = touchedFrom_; x <= touchedTo_; ++x) {
    while (k < full_.size() && full_[k].to <= x) ++k;
    const bool full = k < full_.size() && full_[k].from <= x;
    const float c = full ? 1.0f : coverage_[x];
    if (!(c > 0.0f)) continue;
    std::int64_t offset = 0;
    if (__builtin_mul_overflow(y, width_, &offset) || __builtin_add_overflow(offset, x, &offset) ||
        __builtin_mul_overflow(offset, std::int64_t{4}, &offset)) {
      offsetOverflow(y, x);
    }
    Paint paint = paint_;
    if (shader_ != nullptr) {
      const ShadeColor *shade = *shader_->shade(y, x, x + 1);
      if (shade == nullptr) continue;
      paint = shade->paint;
    }
    if (overwrite_) {
      blendOverwrite(image_, offset, c, paint.red, paint.green, paint.blue, paint.alpha);
    } else {
      blendOver(image_, offset, c, paint.red, paint.green, paint.blue, paint.alpha);
    }
  }
  std::fill(coverage_ + touchedFrom_, coverage_ + touchedTo_ + 1, 0.0f);
  touchedFrom_ = 0;
  touchedTo_ = -1;
}

inline void Scan::offsetOverflow(std::int64_t y, std::int64_t x) {
  throw Defect("fillPath: byte offset of pixel (" + std::to_string(x) + ", " + std::to_string(y) +
               ") overflows");
}

}  // namespace zd::raster::detail
