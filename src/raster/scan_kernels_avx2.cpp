// The AVX2 + FMA per-line kernels of the scan.
#include "cpu/cpu.hpp"

#ifdef ZD_CPU_X86

#include <immintrin.h>

#include "raster/scan_kernels.hpp"

namespace zd::raster::detail::avx2 {

ZD_TARGET_AVX2 void crossings(Edge *edges, std::size_t count, float sy) {
  crossingsBody(edges, count, sy);
}

ZD_TARGET_AVX2 std::size_t advance(const Edge *active, std::size_t count, const Edge *entering,
                                   std::size_t enteringCount, Edge *out, float sy,
                                   LineSpans &line) {
  return advanceBody(active, count, entering, enteringCount, out, sy, line);
}

ZD_TARGET_AVX2 void addQuarters(float *coverage, std::int64_t from, std::int64_t to) {
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

}  // namespace zd::raster::detail::avx2

#endif  // ZD_CPU_X86
