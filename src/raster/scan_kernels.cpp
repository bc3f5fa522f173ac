// The portable per-line kernels of the scan, and the choice of a set.
#include "raster/scan_kernels.hpp"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace zd::raster::detail {

namespace {

void crossingsPortable(Edge *edges, std::size_t count, float sy) {
  crossingsBody(edges, count, sy);
}

std::size_t advancePortable(const Edge *active, std::size_t count, const Edge *entering,
                            std::size_t enteringCount, Edge *out, float sy, LineSpans &line) {
  return advanceBody(active, count, entering, enteringCount, out, sy, line);
}

void addQuartersPortable(float *coverage, std::int64_t from, std::int64_t to) {
  std::int64_t i = from;
#ifdef __SSE2__
  const __m128 weight = _mm_set1_ps(0.25f);
  for (; i + 4 <= to; i += 4) {
    _mm_storeu_ps(coverage + i, _mm_add_ps(_mm_loadu_ps(coverage + i), weight));
  }
#endif
  for (; i < to; ++i) coverage[i] += 0.25f;
}

constexpr ScanKernels kPortable{crossingsPortable, advancePortable, addQuartersPortable};
#ifdef ZD_CPU_X86
constexpr ScanKernels kAvx2{avx2::crossings, avx2::advance, avx2::addQuarters};
#endif

}  // namespace

const ScanKernels &scanKernels() {
#ifdef ZD_CPU_X86
  if (cpu::useAvx2()) return kAvx2;
#endif
  return kPortable;
}

}  // namespace zd::raster::detail
