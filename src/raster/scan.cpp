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
#include "raster/paint_row_shaded.hpp"
#include "raster/scan_state.hpp"

namespace zd::raster::detail {

Scan::Scan(Image &image, const Paint &paint, bool evenOdd, bool overwrite, Scratch &scratch,
           RowShader *shader)
    : image_(image),
      paint_(paint),
      shader_(shader),
      evenOdd_(evenOdd),
      overwrite_(overwrite),
      width_(image.width),
      scratch_(scratch),
      pending_(scratch.pending),
      pendingTop_(scratch.pendingTop),
      active_(scratch.active),
      merged_(scratch.merged),
      leftEvents_(scratch.leftEvents),
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
  leftEvents_.clear();
  full_.clear();
}

Scan::~Scan() {
  pending_.clear();
  active_.clear();
  leftEvents_.clear();
  scratch_.releaseLarge();
}

namespace {

// True when every crossing of the segment lies left of the row: both ends
// at x <= -1 and less than 2^22 apart. The crossing x0 + dx * t (t in
// [0, 1], dx within a float step of x1 - x0) is then at most
// -1 + 2^22 * 2^-24 = -0.75 however it rounds.
bool whollyLeft(const Segment &s) {
  constexpr float kLeft = -1.0f, kSpread = 4194304.0f;  // 2^22
  return s.x0 <= kLeft && s.x1 <= kLeft && std::fabs(s.x1 - s.x0) < kSpread;
}

// An event of an edge left of the image: at y (as its key) the winding of
// the lines from there down changes by +1 (low bit 1) or -1.
std::uint64_t leftEvent(float y, bool raises) {
  return static_cast<std::uint64_t>(floatKey(y)) << 32 | (raises ? 1u : 0u);
}

// The segment's extent in y when it may cross a visited line. Horizontal
// and NaN segments never meet a line (lo <= sy < hi fails), nor do those
// wholly outside the visited lines.
bool mayCross(const Segment &s, float firstLine, float lastLine, float &lo, float &hi) {
  lo = s.y0 < s.y1 ? s.y0 : s.y1;
  hi = s.y0 < s.y1 ? s.y1 : s.y0;
  return lo < hi && hi > firstLine && lo <= lastLine;
}

Edge edgeOf(const Segment &s, std::uint32_t index) {
  const bool down = s.y0 < s.y1;
  return Edge{s.x0, s.y0, s.x1 - s.x0, s.y1 - s.y0, down ? s.y1 : s.y0, down ? 1 : -1, index, 0.0f};
}

// Below this many rows, sample lines are exact floats, 1/8 apart from
// their neighbours' eighths.
constexpr std::int64_t kExactLineRows = std::int64_t{1} << 20;

}  // namespace

void Scan::prepare(std::span<const Segment> segments, RowRange rows) {
  if (segments.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw Defect("fillPath: too many segments");
  }
  // Edges go in the pending list by the first line they cross. With as
  // many segments as lines or more, they are counted into buckets of lines
  // (the buckets stay proportional to the segments); otherwise sorted.
  const std::int64_t lineCount = 4 * (rows.last - rows.first + 1);
  if (rows.first >= 0 && rows.last < kExactLineRows &&
      static_cast<std::uint64_t>(lineCount) <= 4 * static_cast<std::uint64_t>(segments.size())) {
    prepareByLine(segments, rows);
  } else {
    prepareByTop(segments, rows);
  }
  if (!leftEvents_.empty()) {
    sortByKey(leftEvents_, scratch_.orderScratch);
    nextLeftY_ = floatOfKey(static_cast<std::uint32_t>(leftEvents_.front() >> 32));
  }
  // The words are not needed any more; large ones go now, not after the scan.
  releaseIfLarge(scratch_.order);
  releaseIfLarge(scratch_.orderScratch);
  releaseIfLarge(scratch_.firstLineOf);
  releaseIfLarge(scratch_.lineStarts);
}

// True when the segment may cross a visited line and goes in the active
// list; one wholly left of the image becomes two events instead (it is
// crossed on the lines lo <= sy < hi with its winding).
bool Scan::joinsTheList(const Segment &s, float firstLine, float lastLine, float &lo, float &hi) {
  if (!mayCross(s, firstLine, lastLine, lo, hi)) return false;
  if (!whollyLeft(s)) return true;
  const bool down = s.y0 < s.y1;
  leftEvents_.push_back(leftEvent(lo, down));
  leftEvents_.push_back(leftEvent(hi, !down));
  return false;
}

void Scan::prepareByTop(std::span<const Segment> segments, RowRange rows) {
  const float firstLine = sampleLine(rows.first, 0);
  const float lastLine = sampleLine(rows.last, 3);
  // Each segment that can cross a line as one word: its top's key, then its
  // index; sorted by top, the pending list is made from them.
  std::vector<std::uint64_t> &order = scratch_.order;
  order.clear();
  for (std::size_t i = 0; i < segments.size(); ++i) {
    float lo, hi;
    if (!joinsTheList(segments[i], firstLine, lastLine, lo, hi)) continue;
    order.push_back(static_cast<std::uint64_t>(floatKey(lo)) << 32 | i);
  }
  if (order.empty()) return;
  sortByKey(order, scratch_.orderScratch);
  pending_.reserve(order.size());
  pendingTop_.reserve(order.size());
  for (const std::uint64_t word : order) {
    const auto index = static_cast<std::uint32_t>(word & 0xFFFFFFFFu);
    pending_.push_back(edgeOf(segments[index], index));
    pendingTop_.push_back(floatOfKey(static_cast<std::uint32_t>(word >> 32)));
  }
}

// The pending list by a count of edges per line: each edge goes in once,
// with its first line as its top (an edge joins the active list on that
// line all the same, and the order among those joining on one line is
// settled by their crossings). Edges that fall between two lines cross
// none and stay out. Needs rows within [0, kExactLineRows): there line j
// lies at firstLine + j/4, exactly.
void Scan::prepareByLine(std::span<const Segment> segments, RowRange rows) {
  const float firstLine = sampleLine(rows.first, 0);
  const float lastLine = sampleLine(rows.last, 3);
  const auto lineCount = static_cast<std::size_t>(4 * (rows.last - rows.first + 1));
  const double firstEighths = 8.0 * static_cast<double>(firstLine);
  const auto lineAt = [&](std::size_t line) {
    return firstLine + 0.25f * static_cast<float>(line);
  };
  std::vector<std::uint32_t> &firstLineOf = scratch_.firstLineOf;  // 1 + the line; 0: none
  std::vector<std::uint32_t> &starts = scratch_.lineStarts;
  firstLineOf.assign(segments.size(), 0);
  starts.assign(lineCount + 1, 0);
  for (std::size_t i = 0; i < segments.size(); ++i) {
    float lo, hi;
    if (!joinsTheList(segments[i], firstLine, lastLine, lo, hi)) continue;
    // The first line at or below lo: lines are the odd eighths, so the
    // index is ceil((8 lo - 8 firstLine) / 2), exact in double; it is at
    // most lineCount - 1 since lo <= lastLine.
    std::size_t line = 0;
    if (lo > firstLine) {
      const double steps = (8.0 * static_cast<double>(lo) - firstEighths) * 0.5;
      auto whole = static_cast<std::size_t>(steps);  // 0 < steps < lineCount
      if (static_cast<double>(whole) < steps) ++whole;
      line = whole;
    }
    if (!(lineAt(line) < hi)) continue;
    firstLineOf[i] = static_cast<std::uint32_t>(line + 1);
    ++starts[line + 1];
  }
  for (std::size_t line = 1; line <= lineCount; ++line) starts[line] += starts[line - 1];
  const std::size_t total = starts[lineCount];
  if (total == 0) return;
  pending_.resize(total);
  pendingTop_.resize(total);
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (firstLineOf[i] == 0) continue;
    const std::size_t line = firstLineOf[i] - 1;
    const std::size_t slot = starts[line]++;
    pending_[slot] = edgeOf(segments[i], static_cast<std::uint32_t>(i));
    pendingTop_[slot] = lineAt(line);
  }
}

// The events of edges left of the image up to line sy, into the winding of
// those that cross it. Out of line: most fills have none.
void Scan::passLeftEvents(float sy) {
  const std::size_t count = leftEvents_.size();
  std::size_t next = nextLeft_;
  for (; next < count; ++next) {
    const std::uint64_t event = leftEvents_[next];
    const float y = floatOfKey(static_cast<std::uint32_t>(event >> 32));
    if (!(y <= sy)) {
      nextLeftY_ = y;
      break;
    }
    windingBefore_ += (event & 1u) != 0 ? 1 : -1;
  }
  if (next == count) nextLeftY_ = std::numeric_limits<float>::infinity();
  nextLeft_ = next;
}

// Room for the spans of a line of `crossings` crossings after those of the
// row so far. The buffer's size is its room; spanCount_ says how much is used.
ZD_KERNEL_INLINE LineSpans Scan::lineSpans(std::size_t crossings) {
  const std::size_t needed = spanCount_ + crossings / 2 + 1;
  if (spans_.size() < needed) spans_.resize(std::max(needed, 2 * spans_.size()));
  return LineSpans{spans_.data() + spanCount_,
                   0,
                   static_cast<float>(width_),
                   evenOdd_,
                   true,
                   0.0f,
                   windingBefore_};
}

// The crossings of one sample line: edges that have ended leave the list,
// edges whose top has been reached join it, and the spans are made.
ZD_KERNEL_INLINE void Scan::scanLine(float sy) {
  if (nextLeftY_ <= sy) passLeftEvents(sy);
  // Edges whose top has been reached are taken from the pending list, in
  // place (nothing before next_ is read again), given their crossing and
  // sorted on their own.
  const std::size_t first = next_;
  const std::size_t pendingCount = pending_.size();
  const float *const tops = pendingTop_.data();
  Edge *const pending = pending_.data();
  std::size_t next = next_, entered = first;
  while (next < pendingCount && tops[next] <= sy) {
    const Edge edge = pending[next++];
    if (sy < edge.hi) pending[entered++] = edge;
  }
  next_ = next;
  const Edge *entering = pending + first;
  const std::size_t enteringCount = entered - first;
  if (enteringCount > 0) {
    kernels_.crossings(pending + first, enteringCount, sy);
    entering = sortScattered(pending + first, enteringCount, scratch_.enteringSlots,
                             scratch_.enteringSorted);
  }
  const std::size_t total = active_.size() + enteringCount;
  if (total == 0) return;
  // One pass drops the ended edges, moves the others to this line's
  // crossing, merges the entering ones in and makes the spans, as long as
  // the list comes out in order (the usual case).
  LineSpans line = lineSpans(total);
  std::size_t kept = 0;
  if (enteringCount == 0) {
    // In place: the pass writes each edge at or before where it was read.
    kept = kernels_.advance(active_.data(), active_.size(), nullptr, 0, active_.data(), sy, line);
    active_.resize(kept);
  } else {
    if (merged_.size() < total) merged_.resize(total);
    kept = kernels_.advance(active_.data(), active_.size(), entering, enteringCount, merged_.data(),
                            sy, line);
    merged_.resize(kept);
    active_.swap(merged_);
  }
  if (!line.inOrder) {
    // Some crossings passed each other: sort, then make the spans again.
    if (enteringCount == 0) kernels_.crossings(active_.data(), kept, sy);  // left stale in place
    sortCrossings(active_.data(), kept);
    if (evenOdd_) {
      spansOfSorted<true>(active_.data(), kept, line);
    } else {
      spansOfSorted<false>(active_.data(), kept, line);
    }
  }
  // NaN crossings sort last; one makes spans that may overlap others.
  if (kept > 0 && std::isnan(line.lastX)) rowHasNan_ = true;
  spanCount_ += line.count;
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
    spanCount_ = 0;
    rowHasNan_ = false;
    for (int s = 0; s < 4; ++s) {
      scanLine(sampleLine(y, s));
      lineEnd_[s] = spanCount_;
    }
    if (spanCount_ == 0) continue;
    full_.clear();
    // Past 2^24 columns, column numbers stop being exact floats.
    if (!rowHasNan_ && width_ <= (std::int64_t{1} << 24)) {
      findFullRuns();
      keepLongRuns();
    }
    accumulate();
    if (touchedTo_ < touchedFrom_) continue;
    if (shader_ != nullptr) {
      paintRowShaded(y);
    } else {
      paintRow(y);
    }
  }
  scratch_.coverageClean = true;  // every painted row was zeroed again
}

void scanRows(Image &image, std::span<const Segment> segments, const Paint &paint, bool evenOdd,
              bool overwrite, RowRange rows, RowShader *shader) {
  Scan scan(image, paint, evenOdd, overwrite, threadScratch(), shader);
  scan.prepare(segments, rows);
  scan.run(rows);
}

}  // namespace zd::raster::detail
