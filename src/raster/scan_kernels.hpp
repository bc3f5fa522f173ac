// The scan's per-line kernels (internal): crossings of newly entered edges,
// the pass that advances the active list to the next line, and the quarter
// additions of whole columns. Each has a portable build (scan_kernels.cpp)
// and an AVX2 build (scan_kernels_avx2.cpp) giving the same floats; a scan
// picks one set when it starts.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "cpu/cpu.hpp"
#include "raster/edge.hpp"

namespace zd::raster::detail {

struct ScanKernels {
  // e.x = the crossing of each edge with line sy.
  void (*crossings)(Edge *edges, std::size_t count, float sy);
  // One pass from one sample line to the next: the edges of `active` (in
  // the previous line's order) that still reach below `sy` get their
  // crossing and go to `out`, and the `entering` edges (already sorted by
  // crossing) are merged in before the first kept edge they cross before.
  // Returns the count written; `out` may be `active` itself when no edge
  // enters. The result is a near-sorted list that sortCrossings finishes;
  // since the crossing order is total, the sorted list is the same as
  // sorting everything at once.
  std::size_t (*advance)(const Edge *active, std::size_t count, const Edge *entering,
                         std::size_t enteringCount, Edge *out, float sy);
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

ZD_KERNEL_INLINE std::size_t advanceBody(const Edge *active, std::size_t count,
                                         const Edge *entering, std::size_t enteringCount, Edge *out,
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

#ifdef ZD_CPU_X86
namespace avx2 {
ZD_TARGET_AVX2 void crossings(Edge *edges, std::size_t count, float sy);
ZD_TARGET_AVX2 std::size_t advance(const Edge *active, std::size_t count, const Edge *entering,
                                   std::size_t enteringCount, Edge *out, float sy);
ZD_TARGET_AVX2 void addQuarters(float *coverage, std::int64_t from, std::int64_t to);
}  // namespace avx2
#endif

}  // namespace zd::raster::detail
