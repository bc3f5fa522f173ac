// The coverage step of the scan: each span's exact horizontal overlap with
// each pixel column, weighted 0.25 per sample line and summed in line and
// span order. Part of scan.cpp, which includes it (so the step inlines into
// the row loop); include nowhere else.
#pragma once

#include <algorithm>

#include "raster/scan_state.hpp"

namespace zd::raster::detail {

ZD_KERNEL_INLINE void Scan::accumulate() {
  std::size_t begin = 0;
  for (int s = 0; s < 4; ++s) {
    addLine(spans_.data() + begin, spans_.data() + lineEnd_[s]);
    begin = lineEnd_[s];
  }
}

// addSpan with weight 0.25 for the spans of one line, in order, leaving out
// the full columns, and widening the range of touched columns. Columns
// strictly inside a span overlap it by exactly 1 (while column numbers are
// exact floats), so they take 0.25 without the min/max.
ZD_KERNEL_INLINE void Scan::addLine(const Span *begin, const Span *end) {
  constexpr float kWeight = 0.25f;
  float *coverage = coverage_;
  const std::size_t runs = full_.size();
  const Run *full = full_.data();
  std::size_t k = 0;  // the first full run that may hold the next column
  const auto isFull = [&](std::int64_t column) {
    while (k < runs && full[k].to <= column) ++k;
    return k < runs && full[k].from <= column;
  };
  // The touched range in locals: the coverage stores would otherwise make
  // the compiler reload and store the members for every span.
  std::int64_t touchedFrom = touchedFrom_, touchedTo = touchedTo_;
  const bool exactColumns = width_ <= (std::int64_t{1} << 24);
  for (const Span *span = begin; span != end; ++span) {
    const float a = span->a, b = span->b;
    // 0 <= a < b <= width: truncation is the floor and in range.
    const auto first = static_cast<std::int64_t>(a);
    const std::int64_t last = std::min(width_ - 1, static_cast<std::int64_t>(b));
    if (first > last) continue;  // a rounded-up float(width) can exceed width
    const auto addEdgeColumn = [&](std::int64_t i) {
      const float overlap =
          std::min(static_cast<float>(i + 1), b) - std::max(a, static_cast<float>(i));
      if (overlap > 0.0f) coverage[i] += kWeight * overlap;
    };
    if (runs == 0 && exactColumns) {
      // No full runs in this row (the usual case for small shapes).
      addEdgeColumn(first);
      if (last > first) {
        kernels_.addQuarters(coverage, first + 1, last);
        addEdgeColumn(last);
      }
    } else {
      if (!isFull(first)) addEdgeColumn(first);
      if (last > first) {
        if (exactColumns) {
          addQuartersOutsideFull(first + 1, last, k);
        } else {
          for (std::int64_t i = first + 1; i < last; ++i) addEdgeColumn(i);
        }
        if (!isFull(last)) addEdgeColumn(last);
      }
    }
    touchedFrom = touchedTo < touchedFrom ? first : std::min(touchedFrom, first);
    touchedTo = std::max(touchedTo, last);
  }
  touchedFrom_ = touchedFrom;
  touchedTo_ = touchedTo;
}

// coverage += 0.25 over [from, to) except the full runs; k is the first full
// run that may reach `from` and moves on as runs are passed.
ZD_KERNEL_INLINE void Scan::addQuartersOutsideFull(std::int64_t from, std::int64_t to,
                                                   std::size_t &k) {
  const std::size_t runs = full_.size();
  while (from < to) {
    while (k < runs && full_[k].to <= from) ++k;
    if (k < runs && full_[k].from <= from) {
      from = full_[k].to;
      continue;
    }
    const std::int64_t pieceEnd = k < runs ? std::min(to, full_[k].from) : to;
    kernels_.addQuarters(coverage_, from, pieceEnd);
    from = pieceEnd;
  }
}

}  // namespace zd::raster::detail
