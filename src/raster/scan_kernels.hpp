// The scan's per-line kernels (internal): crossings of newly entered edges,
// the pass that advances the active list to the next line, and the quarter
// additions of whole columns. Each has a portable build (scan_kernels.cpp)
// and an AVX2 build (scan_kernels_avx2.cpp) giving the same floats; a scan
// picks one set when it starts.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "cpu/cpu.hpp"
#include "raster/edge.hpp"

namespace zd::raster::detail {

// The spans of one sample line as the advancing pass builds them: the
// crossings turned into spans by the fill rule, clamped to [0, limit] as
// addSpan clamps them (empty ones dropped), in the order the pass writes the
// crossings. They are the line's spans only if that order is the crossing
// order, which the pass checks as it goes (inOrder); otherwise the caller
// sorts the list and builds them again.
struct LineSpans {
  Span *spans;  // room for half the crossings, rounded up
  std::size_t count;
  float limit;  // the width of the row, as a float
  bool evenOdd;
  bool inOrder;
  float lastX;  // the last crossing written (when in order, the greatest)
  // The winding of the crossings left of the row that are not in the list
  // (edges wholly left of the image): the state the pairing starts from.
  std::int64_t windingBefore = 0;
};

struct ScanKernels {
  // e.x = the crossing of each edge with line sy.
  void (*crossings)(Edge *edges, std::size_t count, float sy);
  // One pass from one sample line to the next: the edges of `active` (in
  // the previous line's order) that still reach below `sy` get their
  // crossing and go to `out`, and the `entering` edges (already sorted by
  // crossing) are merged in before the first kept edge they cross before.
  // Returns the count written; `out` may be `active` itself when no edge
  // enters. The result is a near-sorted list, usually sorted already: the
  // same pass checks that and builds the spans (see LineSpans). Since the
  // crossing order is total, sorting the result gives the same list as
  // sorting everything at once. In place, an edge that stays where it was
  // is not written back at all (the list is read, not rewritten, while no
  // edge ends), so its x is left stale: a caller that needs the crossings
  // (to sort them) computes them again.
  std::size_t (*advance)(const Edge *active, std::size_t count, const Edge *entering,
                         std::size_t enteringCount, Edge *out, float sy, LineSpans &line);
  // coverage[i] += 0.25 for i in [from, to): the columns a span covers whole.
  void (*addQuarters)(float *coverage, std::int64_t from, std::int64_t to);
};

// The kernels to use now: the AVX2 set where the cpu module allows it.
const ScanKernels &scanKernels();

// The bodies both builds compile.
//
// x = x0 + (x1 - x0) * ((sy - y0) / (y1 - y0)): the quotient first, then one
// fused multiply-add (an instruction in the AVX2 build, a correctly rounded
// library call in the portable one: the same float).
ZD_KERNEL_INLINE void crossingsBody(Edge *edges, std::size_t count, float sy) {
  for (std::size_t i = 0; i < count; ++i) {
    Edge &e = edges[i];
    e.x = std::fmaf(e.dx, (sy - e.y0) / e.dy, e.x0);
  }
}

// Spans of crossings taken in order: the fill rule's pairing, with the
// order of the crossings checked against the one before. What it writes is
// held in its own members (not read back through the LineSpans, whose
// fields the span stores could otherwise alias).
template <bool EvenOdd>
class SpanBuilder {
 public:
  // Crossings left of the row leave a span open at the row's start (its
  // start clamps to 0) when their winding is not 0, or for even-odd when
  // their count is odd (the count and the winding sum share a parity).
  explicit SpanBuilder(LineSpans &line)
      : line_(line),
        spans_(line.spans),
        limit_(line.limit),
        open_((line.windingBefore & 1) != 0),
        winding_(line.windingBefore) {}

  // Records the count, the order check and the last crossing in the
  // LineSpans.
  ZD_KERNEL_INLINE void finish() {
    line_.count = count_;
    line_.inOrder = inOrder_;
    line_.lastX = lastX_;
  }

  ZD_KERNEL_INLINE void add(const Edge &edge) { add(edge.x, edge.winding, edge.index); }

  ZD_KERNEL_INLINE void add(float x, std::int32_t winding, std::uint32_t index) {
    // The first crossing compares with -infinity and index 0, before which
    // nothing crosses.
    if (crossesBefore(x, index, lastX_, lastIndex_)) inOrder_ = false;
    lastX_ = x;
    lastIndex_ = index;
    if constexpr (EvenOdd) {
      // Pairs in order; an unpaired last crossing is ignored.
      if (!open_) {
        start_ = x;
        open_ = true;
      } else {
        push(start_, x);
        open_ = false;
      }
    } else {
      // Non-zero: a span opens where the winding sum leaves 0 and closes
      // where it returns to 0; one still open at the end is dropped.
      if (winding_ == 0) {
        start_ = x;
        winding_ = winding;
      } else {
        winding_ += winding;
        if (winding_ == 0) push(start_, x);
      }
    }
  }

 private:
  ZD_KERNEL_INLINE void push(float x0, float x1) {
    const float a = x0 >= 0.0f ? x0 : 0.0f;
    const float b = x1 <= limit_ ? x1 : limit_;
    if (b <= a) return;
    spans_[count_++] = {a, b};
  }

  LineSpans &line_;
  Span *const spans_;
  const float limit_;
  std::size_t count_ = 0;
  bool inOrder_ = true;
  bool open_;             // even-odd
  std::int64_t winding_;  // non-zero
  float start_ = -1.0f;   // of the open span; left of the row until one opens
  float lastX_ = -std::numeric_limits<float>::infinity();
  std::uint32_t lastIndex_ = 0;
};

// The spans of a list already in crossing order.
template <bool EvenOdd>
ZD_KERNEL_INLINE void spansOfSorted(const Edge *edges, std::size_t count, LineSpans &line) {
  SpanBuilder<EvenOdd> spans(line);
  for (std::size_t i = 0; i < count; ++i) spans.add(edges[i]);
  spans.finish();
}

template <bool EvenOdd>
ZD_KERNEL_INLINE std::size_t advanceRule(const Edge *active, std::size_t count,
                                         const Edge *entering, std::size_t enteringCount, Edge *out,
                                         float sy, LineSpans &line) {
  SpanBuilder<EvenOdd> spans(line);
  std::size_t written = 0, j = 0;
  if (out == active) {
    // In place (nothing enters): only edges that move are stored.
    for (std::size_t i = 0; i < count; ++i) {
      const Edge &edge = active[i];
      if (!(sy < edge.hi)) continue;
      const float x = std::fmaf(edge.dx, (sy - edge.y0) / edge.dy, edge.x0);
      spans.add(x, edge.winding, edge.index);
      if (written != i) {
        out[written] = edge;
        out[written].x = x;
      }
      ++written;
    }
    spans.finish();
    return written;
  }
  for (std::size_t i = 0; i < count; ++i) {
    Edge edge = active[i];
    if (!(sy < edge.hi)) continue;
    edge.x = std::fmaf(edge.dx, (sy - edge.y0) / edge.dy, edge.x0);
    while (j < enteringCount && crossesBefore(entering[j], edge)) {
      spans.add(entering[j]);
      out[written++] = entering[j++];
    }
    spans.add(edge);
    out[written++] = edge;
  }
  for (; j < enteringCount; ++j) {
    spans.add(entering[j]);
    out[written++] = entering[j];
  }
  spans.finish();
  return written;
}

ZD_KERNEL_INLINE std::size_t advanceBody(const Edge *active, std::size_t count,
                                         const Edge *entering, std::size_t enteringCount, Edge *out,
                                         float sy, LineSpans &line) {
  return line.evenOdd ? advanceRule<true>(active, count, entering, enteringCount, out, sy, line)
                      : advanceRule<false>(active, count, entering, enteringCount, out, sy, line);
}

#ifdef ZD_CPU_X86
namespace avx2 {
ZD_TARGET_AVX2 void crossings(Edge *edges, std::size_t count, float sy);
ZD_TARGET_AVX2 std::size_t advance(const Edge *active, std::size_t count, const Edge *entering,
                                   std::size_t enteringCount, Edge *out, float sy, LineSpans &line);
ZD_TARGET_AVX2 void addQuarters(float *coverage, std::int64_t from, std::int64_t to);
}  // namespace avx2
#endif

}  // namespace zd::raster::detail
