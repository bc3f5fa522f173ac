// The AVX2 build of Adler-32: 32 bytes per step. The sums are exact integers
// reduced modulo 65521 at the same points as the portable build, so the
// value is the same.
#include "cpu/cpu.hpp"

#ifdef ZD_CPU_X86

#include <immintrin.h>

#include <algorithm>

#include "compress/checksum_kernels.hpp"

namespace zd::compress::detail {

namespace {

// Over a run of kAdlerRun bytes the 32-bit lanes below stay far from
// overflow; the sums themselves are combined in 64 bits.
constexpr std::int64_t kStep = 32;

ZD_TARGET_AVX2 std::uint64_t sumLanes(__m256i lanes) {
  const __m256i wide = _mm256_add_epi64(_mm256_cvtepu32_epi64(_mm256_castsi256_si128(lanes)),
                                        _mm256_cvtepu32_epi64(_mm256_extracti128_si256(lanes, 1)));
  const __m128i half =
      _mm_add_epi64(_mm256_castsi256_si128(wide), _mm256_extracti128_si256(wide, 1));
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(half)) +
         static_cast<std::uint64_t>(_mm_extract_epi64(half, 1));
}

}  // namespace

// Over the steps of a run, with s1 and s2 the sums before it: each step adds
// its bytes to s1 (one sum of absolute differences against zero), and adds
// to s2 the byte sum before the step 32 times over plus each byte weighted by
// 32 down to 1. `before` gathers the byte sums before each step.
ZD_TARGET_AVX2 std::uint32_t adler32Avx2(const std::uint8_t *data, std::int64_t length) {
  const __m256i weights =
      _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14,
                       13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
  const __m256i ones = _mm256_set1_epi16(1);
  const __m256i zero = _mm256_setzero_si256();
  std::uint64_t s1 = 1;
  std::uint64_t s2 = 0;
  while (length > 0) {
    const std::int64_t run = std::min(length, kAdlerRun);
    const std::int64_t steps = run / kStep;
    __m256i byteSum = zero;
    __m256i before = zero;
    __m256i weighted = zero;
    for (std::int64_t k = 0; k < steps; ++k) {
      const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + k * kStep));
      before = _mm256_add_epi32(before, byteSum);
      byteSum = _mm256_add_epi32(byteSum, _mm256_sad_epu8(bytes, zero));
      weighted =
          _mm256_add_epi32(weighted, _mm256_madd_epi16(_mm256_maddubs_epi16(bytes, weights), ones));
    }
    s2 += s1 * static_cast<std::uint64_t>(steps * kStep) + kStep * sumLanes(before) +
          sumLanes(weighted);
    s1 += sumLanes(byteSum);
    for (std::int64_t k = steps * kStep; k < run; ++k) {
      s1 += data[k];
      s2 += s1;
    }
    s1 %= kAdlerModulus;
    s2 %= kAdlerModulus;
    data += run;
    length -= run;
  }
  return static_cast<std::uint32_t>((s2 << 16) | s1);
}

}  // namespace zd::compress::detail

#endif  // ZD_CPU_X86
