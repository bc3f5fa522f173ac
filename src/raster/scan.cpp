// The scan: edges ordered by top, the active list carried from one sample
// line to the next, and the spans each line's crossings make under the fill
// rule.
#include "raster/scan.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "raster/coverage.hpp"
#include "raster/edge_order.hpp"
#include "raster/full_runs.hpp"
#include "raster/paint_row.hpp"
#include "raster/scan_state.hpp"

namespace zd::raster::detail {

Scan::Scan(Image &image, const Paint &paint, bool evenOdd, bool overwrite, Scratch &scratch)
    : image_(image),
      paint_(paint),
      evenOdd_(evenOdd),
      overwrite_(overwrite),
      width_(image.width),
      scratch_(scratch),
      pending_(scratch.pending),
      pendingTop_(scratch.pendingTop),
      active_(scratch.active),
      entering_(scratch.entering),
      merged_(scratch.merged),
      spans_(scratch.spans),
      full_(scratch.full) {
  std::vector<float> &coverage = scratch.coverage;
  if (!scratch.coverageClean) std::fill(coverage.begin(), coverage.end(), 0.0f);
  if (coverage.size() < static_cast<std::size_t>(width_)) {
    coverage.resize(static_cast<std::size_t>(width_), 0.0f);
  }
  // Until the fill ends normally, the row may hold sums (an index error
  // can leave a row half painted).
  scratch.coverageClean = false;
  coverage_ = coverage.data();
  pending_.clear();
  pendingTop_.clear();
  active_.clear();
  spans_.clear();
  full_.clear();
}

Scan::~Scan() {
  pending_.clear();
  active_.clear();
  scratch_.releaseLarge();
}

void Scan::prepare(std::span<const Segment> segments, RowRange rows) {
  if (segments.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw Defect("fillPath: too many segments");
  }
  const float firstLine = sampleLine(rows.first, 0);
  const float lastLine = sampleLine(rows.last, 3);
  std::vector<Edge> &edges = scratch_.edges;
  std::vector<std::uint64_t> &order = scratch_.order;
  edges.clear();
  order.clear();
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const Segment &s = segments[i];
    const float lo = s.y0 < s.y1 ? s.y0 : s.y1;
    const float hi = s.y0 < s.y1 ? s.y1 : s.y0;
    // Horizontal and NaN segments never meet a line (lo <= sy < hi fails);
    // nor do those wholly outside the visited lines.
    if (!(lo < hi) || hi <= firstLine || lo > lastLine) continue;
    order.push_back(static_cast<std::uint64_t>(floatKey(lo)) << 32 | edges.size());
    edges.push_back(Edge{s.x0, s.y0, s.x1 - s.x0, s.y1 - s.y0, hi, s.y0 < s.y1 ? 1 : -1,
                         static_cast<std::uint32_t>(i), 0.0f});
  }
  if (order.empty()) return;
  sortByKey(order, scratch_.orderScratch);
  pending_.reserve(edges.size());
  pendingTop_.reserve(edges.size());
  for (const std::uint64_t word : order) {
    const auto slot = static_cast<std::size_t>(word & 0xFFFFFFFFu);
    pending_.push_back(edges[slot]);
    pendingTop_.push_back(floatOfKey(static_cast<std::uint32_t>(word >> 32)));
  }
}

// The clamping of addSpan; spans that end up empty add nothing and are
// dropped here.
ZD_KERNEL_INLINE void Scan::pushSpan(float x0, float x1) {
  const float limit = static_cast<float>(width_);
  const float a = x0 >= 0.0f ? x0 : 0.0f;
  const float b = x1 <= limit ? x1 : limit;
  if (b <= a) return;
  spans_.push_back({a, b});
}

// The crossings of one sample line: edges that have ended leave the list,
// edges whose top has been reached join it, then the list is sorted.
ZD_KERNEL_INLINE void Scan::scanLine(float sy) {
  // Edges whose top has been reached are sorted on their own, then merged
  // into the active list in the same pass that drops the ended edges and
  // moves the others to this line's crossing.
  entering_.clear();
  const std::size_t pendingCount = pending_.size();
  const float *const tops = pendingTop_.data();
  std::size_t next = next_;
  while (next < pendingCount && tops[next] <= sy) {
    const Edge &edge = pending_[next++];
    if (sy < edge.hi) entering_.push_back(edge);
  }
  next_ = next;
  if (!entering_.empty()) {
    kernels_.crossings(entering_.data(), entering_.size(), sy);
    sortCrossings(entering_.data(), entering_.size());
  }
  // Short lists: compact in place, sort, merge by std::merge. Long lists:
  // one pass that also merges, so the list is copied once, not twice.
  constexpr std::size_t kLongList = 256;
  if (entering_.empty() || active_.size() < kLongList) {
    // The pass compacts the list in place (it writes each edge at or before
    // the place it was read from).
    active_.resize(
        kernels_.advance(active_.data(), active_.size(), nullptr, 0, active_.data(), sy));
    sortCrossings(active_.data(), active_.size());
    if (active_.empty()) {
      active_.swap(entering_);  // already with their crossings, in order
    } else if (!entering_.empty()) {
      merged_.resize(active_.size() + entering_.size());
      std::merge(active_.begin(), active_.end(), entering_.begin(), entering_.end(),
                 merged_.begin(), CrossingOrder());
      active_.swap(merged_);
    }
  } else {
    merged_.resize(active_.size() + entering_.size());
    const std::size_t kept = kernels_.advance(active_.data(), active_.size(), entering_.data(),
                                              entering_.size(), merged_.data(), sy);
    merged_.resize(kept);
    active_.swap(merged_);
    sortCrossings(active_.data(), active_.size());
  }
  if (active_.empty()) return;
  // NaN crossings sort last; one makes spans that may overlap others.
  if (std::isnan(active_.back().x)) rowHasNan_ = true;

  const Edge *const crossings = active_.data();
  const std::size_t crossingCount = active_.size();
  if (evenOdd_) {
    // Pairs in order; an unpaired last crossing is ignored.
    for (std::size_t k = 0; k + 1 < crossingCount; k += 2) {
      pushSpan(crossings[k].x, crossings[k + 1].x);
    }
    return;
  }
  // Non-zero: a span opens where the winding sum leaves 0 and closes where it
  // returns to 0; one still open at the end is dropped.
  std::int64_t winding = 0;
  float start = 0.0f;
  for (std::size_t k = 0; k < crossingCount; ++k) {
    const Edge &edge = crossings[k];
    if (winding == 0) {
      start = edge.x;
      winding = edge.winding;
    } else {
      winding += edge.winding;
      if (winding == 0) pushSpan(start, edge.x);
    }
  }
}

void Scan::run(RowRange rows) {
  // Below this, y + 0.875 is exact in float32, so a row whose last sample
  // line is above the next top can be skipped by arithmetic.
  constexpr float kExactRows = 4194304.0f;  // 2^22
  for (std::int64_t y = rows.first; y <= rows.last; ++y) {
    if (active_.empty()) {
      if (next_ == pending_.size()) break;  // nothing left to cross a line
      const float top = pendingTop_[next_];
      if (top > static_cast<float>(y) + 1.0f && top < kExactRows) {
        y = std::min(rows.last, static_cast<std::int64_t>(std::floor(top)));
      }
    }
    spans_.clear();
    rowHasNan_ = false;
    for (int s = 0; s < 4; ++s) {
      scanLine(sampleLine(y, s));
      lineEnd_[s] = spans_.size();
    }
    if (spans_.empty()) continue;
    full_.clear();
    // Past 2^24 columns, column numbers stop being exact floats.
    if (!rowHasNan_ && width_ <= (std::int64_t{1} << 24)) {
      findFullRuns();
      keepLongRuns();
    }
    accumulate();
    if (touchedTo_ >= touchedFrom_) paintRow(y);
  }
  scratch_.coverageClean = true;  // every painted row was zeroed again
}

void scanRows(Image &image, std::span<const Segment> segments, const Paint &paint, bool evenOdd,
              bool overwrite, RowRange rows) {
  Scan scan(image, paint, evenOdd, overwrite, threadScratch());
  scan.prepare(segments, rows);
  scan.run(rows);
}

}  // namespace zd::raster::detail
