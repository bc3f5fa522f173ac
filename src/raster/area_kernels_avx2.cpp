// The AVX2 row kernel of the cell coverage models: the running sum four
// 64-bit cells at a time (a prefix sum inside the register, then the carry
// from the columns before), the rule on eight columns, eight floats out.
#include "cpu/cpu.hpp"

#ifdef ZD_CPU_X86

#include <immintrin.h>

#include "raster/area_kernels.hpp"

namespace zd::raster::detail::avx2 {

namespace {

// The running sums of four cells after `carry` (in every lane); the new
// carry (the last sum) in every lane.
ZD_TARGET_AVX2 ZD_KERNEL_INLINE __m256i runningSum(__m256i cells, __m256i &carry) {
  const __m256i zero = _mm256_setzero_si256();
  // Lane i gets cells[i - 1] (0 for lane 0), then lanes i - 2.
  const __m256i byOne =
      _mm256_blend_epi32(_mm256_permute4x64_epi64(cells, _MM_SHUFFLE(2, 1, 0, 0)), zero, 0x03);
  const __m256i pairs = _mm256_add_epi64(cells, byOne);
  const __m256i byTwo = _mm256_permute2x128_si256(pairs, pairs, 0x08);
  const __m256i sums = _mm256_add_epi64(_mm256_add_epi64(pairs, byTwo), carry);
  carry = _mm256_permute4x64_epi64(sums, _MM_SHUFFLE(3, 3, 3, 3));
  return sums;
}

// ruleOfArea for four lanes; the results fit in 32 bits.
ZD_TARGET_AVX2 ZD_KERNEL_INLINE __m256i ruleOfAreas(__m256i area, bool evenOdd) {
  const __m256i one = _mm256_set1_epi64x(kCellOne);
  if (evenOdd) {
    const __m256i t = _mm256_and_si256(area, _mm256_set1_epi64x(2 * kCellOne - 1));
    const __m256i folded = _mm256_sub_epi64(_mm256_set1_epi64x(2 * kCellOne), t);
    return _mm256_blendv_epi8(t, folded, _mm256_cmpgt_epi64(t, one));
  }
  const __m256i zero = _mm256_setzero_si256();
  const __m256i magnitude =
      _mm256_blendv_epi8(area, _mm256_sub_epi64(zero, area), _mm256_cmpgt_epi64(zero, area));
  return _mm256_blendv_epi8(magnitude, one, _mm256_cmpgt_epi64(magnitude, one));
}

}  // namespace

ZD_TARGET_AVX2 void resolveCells(std::int64_t *cells, float *coverage, std::int64_t count,
                                 std::int64_t &area, bool evenOdd) {
  __m256i carry = _mm256_set1_epi64x(area);
  // The low halves of the eight 64-bit lanes of two registers, in order.
  const __m256i lowHalves = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
  const __m256 unit = _mm256_set1_ps(kCellUnit);
  const __m256i zero = _mm256_setzero_si256();
  std::int64_t i = 0;
  for (; i + 8 <= count; i += 8) {
    auto *at = reinterpret_cast<__m256i *>(cells + i);
    const __m256i low = runningSum(_mm256_loadu_si256(at), carry);
    const __m256i high = runningSum(_mm256_loadu_si256(at + 1), carry);
    _mm256_storeu_si256(at, zero);
    _mm256_storeu_si256(at + 1, zero);
    const __m256i lowRule = _mm256_permutevar8x32_epi32(ruleOfAreas(low, evenOdd), lowHalves);
    const __m256i highRule = _mm256_permutevar8x32_epi32(ruleOfAreas(high, evenOdd), lowHalves);
    const __m256i both = _mm256_permute2x128_si256(lowRule, highRule, 0x20);
    _mm256_storeu_ps(coverage + i, _mm256_mul_ps(_mm256_cvtepi32_ps(both), unit));
  }
  area = _mm256_extract_epi64(carry, 0);
  if (i < count) resolveCellsPortable(cells + i, coverage + i, count - i, area, evenOdd);
}

}  // namespace zd::raster::detail::avx2

#endif  // ZD_CPU_X86
