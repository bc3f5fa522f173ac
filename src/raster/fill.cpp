// Scanline filling: rows, sub-scanlines, crossings, spans and coverage.
//
// The pixel values are those of the plain method: on every sub-scanline test
// every segment (lo <= sy < hi), collect the crossings in segment order, sort
// them stably by x, turn them into spans by the fill rule and add each span's
// exact horizontal overlap to a row of coverage. Here the same crossings come
// from an active-edge list: segments enter it in order of their top and leave
// it below their bottom, and the list is kept in the previous sub-scanline's
// sorted order, so the sort is usually a near-no-op insertion pass. Ties in x
// are broken by segment index, which is exactly the order a stable sort of a
// list in segment order keeps; so the spans, and the order in which each
// pixel's coverage is summed, are unchanged.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "raster/kernels.hpp"
#include "raster/raster.hpp"
#include "color/gamut.hpp"
#include "color/registry.hpp"

namespace zd::raster {

namespace {

// The sample line of sub-scanline s of row y: y + (s + 0.5) * 0.25 as one
// fused multiply-add. The product is exact, so a plain sum gives the same
// float; the fma is kept to read as the rule does.
inline float sampleLine(std::int64_t y, int s) {
  return std::fmaf(static_cast<float>(s) + 0.5f, 0.25f, static_cast<float>(y));
}

// A segment that can meet a sample line, with what the crossing needs.
struct Edge {
  float x0, y0;
  float dx, dy;  // x1 - x0 and y1 - y0, as the crossing formula computes them
  float hi;      // max(y0, y1): the edge meets lines strictly above it
  std::int32_t winding;
  std::uint32_t index;  // position in the segment list, the tie-break
  float x;              // the crossing on the current sample line
};

// x = x0 + (x1 - x0) * ((sy - y0) / (y1 - y0)): the quotient first, then one
// fused multiply-add. Built twice: with the FMA instruction where the CPU has
// it, and for the baseline (where std::fmaf is a library call); both give
// the correctly rounded fused result.
inline __attribute__((always_inline)) void crossingsBody(Edge *edges, std::size_t count,
                                                         float sy) {
  for (std::size_t i = 0; i < count; ++i) {
    Edge &e = edges[i];
    e.x = std::fmaf(e.dx, (sy - e.y0) / e.dy, e.x0);
  }
}

void crossingsBaseline(Edge *edges, std::size_t count, float sy) {
  crossingsBody(edges, count, sy);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2,fma"))) void crossingsVector(Edge *edges, std::size_t count,
                                                         float sy) {
  crossingsBody(edges, count, sy);
}
#endif

using CrossingsFunction = void (*)(Edge *, std::size_t, float);

CrossingsFunction pickCrossings() {
#if defined(__x86_64__) || defined(__i386__)
  if (detail::usingVectorKernels()) return crossingsVector;
#endif
  return crossingsBaseline;
}

// coverage[i] += 0.25 for i in [from, to): the columns a span covers whole.
void addQuartersBaseline(float *coverage, std::int64_t from, std::int64_t to) {
  std::int64_t i = from;
#ifdef __SSE2__
  const __m128 weight = _mm_set1_ps(0.25f);
  for (; i + 4 <= to; i += 4) {
    _mm_storeu_ps(coverage + i, _mm_add_ps(_mm_loadu_ps(coverage + i), weight));
  }
#endif
  for (; i < to; ++i) coverage[i] += 0.25f;
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2,fma"))) void addQuartersVector(float *coverage, std::int64_t from,
                                                           std::int64_t to) {
  std::int64_t i = from;
  const __m256 weight = _mm256_set1_ps(0.25f);
  for (; i + 8 <= to; i += 8) {
    _mm256_storeu_ps(coverage + i, _mm256_add_ps(_mm256_loadu_ps(coverage + i), weight));
  }
  if (i < to) {
    // The last one to seven columns in one masked step: lanes below `left`
    // are loaded, added and stored; the others touch no memory.
    const auto left = static_cast<int>(to - i);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i mask = _mm256_cmpgt_epi32(_mm256_set1_epi32(left), lanes);
    const __m256 sum = _mm256_add_ps(_mm256_maskload_ps(coverage + i, mask), weight);
    _mm256_maskstore_ps(coverage + i, mask, sum);
  }
}
#endif

using QuartersFunction = void (*)(float *, std::int64_t, std::int64_t);

QuartersFunction pickQuarters() {
#if defined(__x86_64__) || defined(__i386__)
  if (detail::usingVectorKernels()) return addQuartersVector;
#endif
  return addQuartersBaseline;
}

// The crossing order: by x, NaN after every number, equal x by segment index.
inline bool crossesBefore(const Edge &a, const Edge &b) {
  if (a.x < b.x) return true;
  if (b.x < a.x) return false;
  const bool aNan = std::isnan(a.x);
  const bool bNan = std::isnan(b.x);
  if (aNan != bNan) return bNan;
  return a.index < b.index;
}

// One pass from one sample line to the next: the edges of `active` (in the
// previous line's order) that still reach below `sy` get their crossing and
// go to `out`, and the `entering` edges (already sorted by crossing) are
// merged in before the first kept edge they cross before. Returns the count
// written. The result is a near-sorted list that the insertion sort finishes;
// since the crossing order is total (x, NaN last, then segment index), the
// sorted list is the same as sorting everything at once.
inline __attribute__((always_inline)) std::size_t advanceBody(const Edge *active,
                                                              std::size_t count,
                                                              const Edge *entering,
                                                              std::size_t enteringCount, Edge *out,
                                                              float sy) {
  std::size_t written = 0, j = 0;
  for (std::size_t i = 0; i < count; ++i) {
    Edge edge = active[i];
    if (!(sy < edge.hi)) continue;
    edge.x = std::fmaf(edge.dx, (sy - edge.y0) / edge.dy, edge.x0);
    while (j < enteringCount && crossesBefore(entering[j], edge)) out[written++] = entering[j++];
    out[written++] = edge;
  }
  while (j < enteringCount) out[written++] = entering[j++];
  return written;
}

std::size_t advanceBaseline(const Edge *active, std::size_t count, const Edge *entering,
                            std::size_t enteringCount, Edge *out, float sy) {
  return advanceBody(active, count, entering, enteringCount, out, sy);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2,fma"))) std::size_t advanceVector(const Edge *active,
                                                              std::size_t count,
                                                              const Edge *entering,
                                                              std::size_t enteringCount,
                                                              Edge *out, float sy) {
  return advanceBody(active, count, entering, enteringCount, out, sy);
}
#endif

using AdvanceFunction = std::size_t (*)(const Edge *, std::size_t, const Edge *, std::size_t,
                                        Edge *, float);

AdvanceFunction pickAdvance() {
#if defined(__x86_64__) || defined(__i386__)
  if (detail::usingVectorKernels()) return advanceVector;
#endif
  return advanceBaseline;
}

// Insertion sort, nearly free on a list already in the previous line's
// order; when too much has moved it hands over to std::sort.
void sortCrossings(Edge *edges, std::size_t count) {
  std::size_t budget = 8 * count + 64;
  for (std::size_t i = 1; i < count; ++i) {
    if (!crossesBefore(edges[i], edges[i - 1])) continue;
    const Edge moving = edges[i];
    std::size_t j = i;
    do {
      edges[j] = edges[j - 1];
      --j;
    } while (j > 0 && crossesBefore(moving, edges[j - 1]));
    edges[j] = moving;
    const std::size_t moved = i - j;
    if (moved >= budget) {
      std::sort(edges, edges + count, crossesBefore);
      return;
    }
    budget -= moved;
  }
}

// An order-preserving unsigned key of a float (no NaN here).
inline std::uint32_t floatKey(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return (bits & 0x80000000u) != 0 ? ~bits : (bits | 0x80000000u);
}

inline std::uint32_t floatKeyInverse(std::uint32_t key) {
  return (key & 0x80000000u) != 0 ? (key & 0x7FFFFFFFu) : ~key;
}

// Stable LSD radix sort of (key << 32 | slot) words by their key, 11 bits a
// pass; a pass whose digit is the same for every word is skipped.
void radixSortByKey(std::vector<std::uint64_t> &words, std::vector<std::uint64_t> &scratch) {
  scratch.resize(words.size());
  for (int shift = 32; shift < 64; shift += 11) {
    std::uint32_t counts[2048] = {};
    for (const std::uint64_t w : words) ++counts[(w >> shift) & 2047];
    if (counts[(words.front() >> shift) & 2047] == words.size()) continue;
    std::uint32_t total = 0;
    for (std::uint32_t &c : counts) {
      const std::uint32_t n = c;
      c = total;
      total += n;
    }
    for (const std::uint64_t w : words) scratch[counts[(w >> shift) & 2047]++] = w;
    words.swap(scratch);
  }
}

// A span of one sample line after clamping to the row: 0 <= a < b <= width.
struct Span {
  float a, b;
};

// Columns [from, to) of a row.
struct Run {
  std::int64_t from, to;
};

// The buffers of a fill. One set per thread is kept between fills, so that
// a small fill allocates nothing; buffers that grew large are released at
// the end of the fill, so what stays behind is small.
struct Scratch {
  std::vector<float> coverage;  // all zero between fills (see Scan)
  bool coverageClean = true;
  std::vector<Edge> pending, active, entering, merged, edges;
  std::vector<float> pendingTop, tops;
  std::vector<std::uint64_t> order, orderScratch;
  std::vector<Span> spans;
  std::vector<Run> full, fullNext, lineFull;

  void releaseLarge();
};

template <class T>
void releaseIfLarge(std::vector<T> &buffer) {
  constexpr std::size_t kKeptBytes = 256 * 1024;
  if (buffer.capacity() * sizeof(T) > kKeptBytes) std::vector<T>().swap(buffer);
}

void Scratch::releaseLarge() {
  // The coverage row is all zero here; dropping it keeps that true.
  releaseIfLarge(coverage);
  releaseIfLarge(pending);
  releaseIfLarge(active);
  releaseIfLarge(entering);
  releaseIfLarge(merged);
  releaseIfLarge(edges);
  releaseIfLarge(pendingTop);
  releaseIfLarge(tops);
  releaseIfLarge(order);
  releaseIfLarge(orderScratch);
  releaseIfLarge(spans);
  releaseIfLarge(full);
  releaseIfLarge(fullNext);
  releaseIfLarge(lineFull);
}

Scratch &threadScratch() {
  thread_local Scratch scratch;
  return scratch;
}

// Everything one fill works with; lives for one call.
//
// Each row is done in three steps. The four sample lines give their spans.
// Then the columns that a span covers whole on all four lines are found:
// such a column gets exactly 0.25 from one span on each line and nothing
// else (the spans of one line are disjoint once sorted, as long as no
// crossing is NaN), so its coverage is 0.25 + 0.25 + 0.25 + 0.25 = 1.0
// exactly, in any order. Long runs of those columns are painted as coverage
// 1 and never summed; every other column is summed as the rules say, in line
// and span order.
// Full runs at least this long are painted as runs and left out of the
// sums; shorter ones are summed (to exactly 1.0) and blended with their
// neighbours.
constexpr std::int64_t kLongRun = 64;

class Scan {
 public:
  Scan(Image &image, const Paint &paint, bool evenOdd, bool overwrite, Scratch &scratch);
  ~Scan();

  // Orders the segments that can cross any sample line of `rows` by top.
  void prepare(std::span<const Segment> segments, RowRange rows);
  void run(RowRange rows);

 private:
  void scanLine(float sy);
  void pushSpan(float x0, float x1);
  void findFullRuns();
  void keepLongRuns();
  void accumulate();
  void addLine(const Span *begin, const Span *end);
  void addQuartersOutsideFull(std::int64_t from, std::int64_t to, std::size_t &k);
  void paintRow(std::int64_t y);
  void paintRowChecked(std::int64_t y);
  [[noreturn]] void offsetOverflow(std::int64_t y, std::int64_t x);

  Image &image_;
  const Paint paint_;
  const bool evenOdd_;
  const bool overwrite_;
  const std::int64_t width_;
  const CrossingsFunction computeCrossings_ = pickCrossings();
  const AdvanceFunction advance_ = pickAdvance();
  const QuartersFunction addQuarters_ = pickQuarters();
  Scratch &scratch_;
  float *coverage_;
  std::int64_t touchedFrom_ = 0;
  std::int64_t touchedTo_ = -1;  // inclusive; empty when below touchedFrom_

  std::vector<Edge> &pending_;  // by top; pendingTop_ holds each one's top
  std::vector<float> &pendingTop_;
  std::size_t next_ = 0;
  std::vector<Edge> &active_;  // in crossing order of the last sample line
  std::vector<Edge> &entering_;
  std::vector<Edge> &merged_;

  std::vector<Span> &spans_;  // this row's, line after line
  std::size_t lineEnd_[4] = {};
  bool rowHasNan_ = false;
  std::vector<Run> &full_;  // columns of coverage 1 in this row, ascending
};

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
  // Radix passes cost a fixed 2048-bucket sweep each; few edges sort faster
  // by comparison (the slot breaks no ties that matter: only the order of
  // entry changes, and entering edges are sorted by crossing anyway).
  if (order.size() < 1024) {
    std::sort(order.begin(), order.end());
  } else {
    radixSortByKey(order, scratch_.orderScratch);
  }
  pending_.reserve(edges.size());
  pendingTop_.reserve(edges.size());
  for (const std::uint64_t word : order) {
    const auto slot = static_cast<std::size_t>(word & 0xFFFFFFFFu);
    pending_.push_back(edges[slot]);
    pendingTop_.push_back(std::bit_cast<float>(floatKeyInverse(static_cast<std::uint32_t>(word >> 32))));
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

// The crossings of one sample line: edges that have ended leave the list,
// edges whose top has been reached join it, then the list is sorted.
void Scan::scanLine(float sy) {
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
    computeCrossings_(entering_.data(), entering_.size(), sy);
    sortCrossings(entering_.data(), entering_.size());
  }
  // Short lists: compact in place, sort, merge by std::merge. Long lists:
  // one pass that also merges, so the list is copied once, not twice.
  constexpr std::size_t kLongList = 256;
  if (entering_.empty() || active_.size() < kLongList) {
    // The pass compacts the list in place (it writes each edge at or before
    // the place it was read from).
    active_.resize(advance_(active_.data(), active_.size(), nullptr, 0, active_.data(), sy));
    sortCrossings(active_.data(), active_.size());
    if (active_.empty()) {
      active_.swap(entering_);  // already with their crossings, in order
    } else if (!entering_.empty()) {
      merged_.resize(active_.size() + entering_.size());
      std::merge(active_.begin(), active_.end(), entering_.begin(), entering_.end(),
                 merged_.begin(), crossesBefore);
      active_.swap(merged_);
    }
  } else {
    merged_.resize(active_.size() + entering_.size());
    const std::size_t kept = advance_(active_.data(), active_.size(), entering_.data(),
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

// The clamping of addSpan; spans that end up empty add nothing and are
// dropped here.
inline void Scan::pushSpan(float x0, float x1) {
  const float limit = static_cast<float>(width_);
  const float a = x0 >= 0.0f ? x0 : 0.0f;
  const float b = x1 <= limit ? x1 : limit;
  if (b <= a) return;
  spans_.push_back({a, b});
}

// The columns a span covers whole on every one of the four lines: the
// intersection of each line's whole-column runs [ceil(a), floor(b)), as far
// as it can give runs of kLongRun columns or more.
void Scan::findFullRuns() {
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
void Scan::keepLongRuns() {
  std::size_t kept = 0;
  for (const Run &run : full_) {
    if (run.to - run.from >= kLongRun) full_[kept++] = run;
  }
  full_.resize(kept);
}

void Scan::accumulate() {
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
void Scan::addLine(const Span *begin, const Span *end) {
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
        addQuarters_(coverage, first + 1, last);
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
void Scan::addQuartersOutsideFull(std::int64_t from, std::int64_t to, std::size_t &k) {
  const std::size_t runs = full_.size();
  while (from < to) {
    while (k < runs && full_[k].to <= from) ++k;
    if (k < runs && full_[k].from <= from) {
      from = full_[k].to;
      continue;
    }
    const std::int64_t pieceEnd = k < runs ? std::min(to, full_[k].from) : to;
    addQuarters_(coverage_, from, pieceEnd);
    from = pieceEnd;
  }
}

// Blends the touched columns of row y, then zeroes them for the next row.
void Scan::paintRow(std::int64_t y) {
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
      detail::blendRowOverwriteReach(row, coverage_, from, to, width_, paint_);
      std::fill(coverage_ + from, coverage_ + to, 0.0f);
    } else {
      detail::blendRowOverReachClearing(row, coverage_, from, to, width_, paint_);
    }
  };
  std::int64_t x = touchedFrom_;
  for (const Run &run : full_) {
    paintSummed(x, run.from);
    detail::blendRunFull(row, run.from, run.to, paint_, overwrite_);
    x = run.to;
  }
  paintSummed(x, touchedTo_ + 1);
  touchedFrom_ = 0;
  touchedTo_ = -1;
}

// A buffer shorter than the image's size: the checked operations, column by
// column, raise the index error at the first pixel beyond it.
void Scan::paintRowChecked(std::int64_t y) {
  std::size_t k = 0;
  for (std::int64_t x = touchedFrom_; x <= touchedTo_; ++x) {
    while (k < full_.size() && full_[k].to <= x) ++k;
    const bool full = k < full_.size() && full_[k].from <= x;
    const float c = full ? 1.0f : coverage_[x];
    if (!(c > 0.0f)) continue;
    std::int64_t offset = 0;
    if (__builtin_mul_overflow(y, width_, &offset) ||
        __builtin_add_overflow(offset, x, &offset) ||
        __builtin_mul_overflow(offset, std::int64_t{4}, &offset)) {
      offsetOverflow(y, x);
    }
    if (overwrite_) {
      blendOverwrite(image_, offset, c, paint_.red, paint_.green, paint_.blue, paint_.alpha);
    } else {
      blendOver(image_, offset, c, paint_.red, paint_.green, paint_.blue, paint_.alpha);
    }
  }
  std::fill(coverage_ + touchedFrom_, coverage_ + touchedTo_ + 1, 0.0f);
  touchedFrom_ = 0;
  touchedTo_ = -1;
}

void Scan::offsetOverflow(std::int64_t y, std::int64_t x) {
  throw Defect("fillPath: byte offset of pixel (" + std::to_string(x) + ", " + std::to_string(y) +
               ") overflows");
}

}  // namespace

RowRange rowsToVisit(std::span<const Segment> segments, std::int64_t height) {
  if (segments.empty()) return {};
  // NaN values are passed over; the extent is that of the numbers.
  float minY = segments.front().y0;
  float maxY = minY;
  for (const Segment &s : segments) {
    for (const float y : {s.y0, s.y1}) {
      if (std::isnan(y)) continue;
      if (!(y >= minY)) minY = y;  // also replaces a NaN start
      if (!(y <= maxY)) maxY = y;
    }
  }
  const float limit = static_cast<float>(height);
  if (std::isnan(minY) || maxY < 0.0f || minY > limit) return {};
  // Now 0 <= max(minY, 0) <= height and 0 <= min(maxY, height) <= height,
  // so both conversions are in range.
  RowRange rows;
  rows.first = static_cast<std::int64_t>(std::floor(std::max(minY, 0.0f)));
  rows.last = std::min(height - 1, static_cast<std::int64_t>(std::ceil(std::min(maxY, limit))));
  return rows;
}

namespace {

// The last colour mapped on this thread, by the exact bits of its floats and
// its space. The mapping is a pure function of those, so a repeated colour
// (a scene painted in one colour, or the same shape filled again) is mapped
// once. Failures are not kept: they raise every time. The memo is used only
// while the colour-space registry is sealed (its tables then never change).
struct PaintMemo {
  bool valid = false;
  std::uint32_t bits[4] = {};
  zd::color::SpaceTag space{};
  Paint paint;
};

void colorBits(const zd::color::Color &color, std::uint32_t (&bits)[4]) {
  for (int i = 0; i < 3; ++i) bits[i] = std::bit_cast<std::uint32_t>(color.comps[i]);
  bits[3] = std::bit_cast<std::uint32_t>(color.alpha);
}

}  // namespace

Paint paintFromColor(const zd::color::Color &color) {
  thread_local PaintMemo memo;
  std::uint32_t bits[4];
  colorBits(color, bits);
  const bool sealed = zd::color::spacesSealed();
  if (sealed && memo.valid && memo.space == color.space &&
      std::memcmp(memo.bits, bits, sizeof bits) == 0) {
    return memo.paint;
  }
  const auto mapped = zd::color::gamutMap(color, zd::color::stSrgb);
  if (!mapped.isOk()) throw Error("fillPath: color cannot be converted to sRGB");
  const zd::color::Color &c = mapped.value();
  const Paint paint{clampUnit(c.comps[0]), clampUnit(c.comps[1]), clampUnit(c.comps[2]),
                    clampUnit(c.alpha)};
  memo.valid = sealed;
  std::memcpy(memo.bits, bits, sizeof bits);
  memo.space = color.space;
  memo.paint = paint;
  return paint;
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
  Scan scan(image, paint, evenOdd, overwrite, threadScratch());
  scan.prepare(segments, rows);
  scan.run(rows);
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

void fillPath(Image &image, const zd::path::Path &path, const zd::color::Color &color,
              bool evenOdd, bool overwrite, float tolerance) {
  // The segment list is kept per thread like the other buffers; a large one
  // is released when the fill ends, normally or not.
  thread_local std::vector<Segment> segments;
  struct ReleaseLarge {
    ~ReleaseLarge() { releaseIfLarge(segments); }
  } release;
  zd::geom::flatten(path, tolerance, segments);
  fillSegments(image, segments, color, evenOdd, overwrite);
}

}  // namespace zd::raster
