// The full-run step of the scan: the columns of a row that a span covers
// whole on all four sample lines have coverage exactly 1.0, so long runs of
// them are painted directly and left out of the sums. Part of scan.cpp,
// which includes it; include nowhere else.
#pragma once

#include <algorithm>

#include "raster/scan_state.hpp"

namespace zd::raster::detail {

// The columns a span covers whole on every one of the four lines: the
// intersection of each line's whole-column runs [ceil(a), floor(b)), as far
// as it can give runs of kLongRun columns or more.
ZD_KERNEL_INLINE void Scan::findFullRuns() {
  std::vector<Run> &line = scratch_.lineFull;
  std::vector<Run> &next = scratch_.fullNext;
  std::size_t begin = 0;
  for (int s = 0; s < 4; ++s) {
    line.clear();
    const Span *const spans = spans_.data();
    const std::size_t end = lineEnd_[s];
    for (std::size_t k = begin; k < end; ++k) {
      const Span &span = spans[k];
      // 0 <= a < b <= width <= 2^24: truncation is the floor, and exact.
      auto from = static_cast<std::int64_t>(span.a);
      if (static_cast<float>(from) < span.a) ++from;
      const auto to = static_cast<std::int64_t>(span.b);
      // Only long runs are kept in the end, and a long piece of the
      // intersection lies in a long run of every line: short ones can go now.
      if (to - from >= kLongRun) line.push_back({from, to});
    }
    begin = lineEnd_[s];
    if (line.empty()) {
      full_.clear();
      return;
    }
    if (s == 0) {
      full_.swap(line);
      continue;
    }
    next.clear();
    const Run *const have = full_.data();
    const Run *const add = line.data();
    const std::size_t haveCount = full_.size(), addCount = line.size();
    std::size_t i = 0, j = 0;
    while (i < haveCount && j < addCount) {
      const std::int64_t from = std::max(have[i].from, add[j].from);
      const std::int64_t to = std::min(have[i].to, add[j].to);
      if (from < to) next.push_back({from, to});
      if (have[i].to < add[j].to) {
        ++i;
      } else {
        ++j;
      }
    }
    full_.swap(next);
    if (full_.empty()) return;
  }
}

// Short full runs are summed like any other column: their sum is exactly
// 1.0 anyway, and adding a few quarters costs less than stepping around
// them in every span. Only runs long enough to pay for that stay apart.
ZD_KERNEL_INLINE void Scan::keepLongRuns() {
  std::size_t kept = 0;
  for (const Run &run : full_) {
    if (run.to - run.from >= kLongRun) full_[kept++] = run;
  }
  full_.resize(kept);
}

}  // namespace zd::raster::detail
