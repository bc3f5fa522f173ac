// The AVX2 + FMA row kernels: eight pixels per step, each lane doing the
// float32 operations of the single-pixel operation in the same order, so the
// bytes equal those of the portable kernels (row_kernels.cpp).
#include "cpu/cpu.hpp"

#ifdef ZD_CPU_X86

#include <immintrin.h>

#include <algorithm>

#include "raster/kernels.hpp"
#include "raster/pixel_ops.hpp"

namespace zd::raster::detail::avx2 {

namespace {

// byte(clamp(v, 0, 1)) for eight lanes. max(v, 0) turns a NaN into 0, whose
// byte is 0 as the byte rule gives for NaN; min(., 1) finishes the clamp.
ZD_TARGET_AVX2 inline __m256i bytesOf(__m256 v) {
  const __m256 clamped = _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
  return _mm256_cvttps_epi32(
      _mm256_fmadd_ps(clamped, _mm256_set1_ps(255.0f), _mm256_set1_ps(0.5f)));
}

// byte / 255 for eight lanes without a division: q = byte * (1/255) and one
// Newton-style correction q + (byte - 255 q) / 255 with fused operations.
// For the 256 possible bytes this equals the float32 division exactly
// (checked for every byte value; the row-kernel tests cover all of them).
ZD_TARGET_AVX2 inline __m256 unitOfByte(__m256i bytes) {
  const __m256 value = _mm256_cvtepi32_ps(bytes);
  const __m256 reciprocal = _mm256_set1_ps(1.0f / 255.0f);
  const __m256 q = _mm256_mul_ps(value, reciprocal);
  const __m256 residual = _mm256_fnmadd_ps(q, _mm256_set1_ps(255.0f), value);
  return _mm256_fmadd_ps(residual, reciprocal, q);
}

// One colour channel of source-over for eight lanes: (1 / outA) *
// fma(s, a, (1 - a) * (d * dA)), as a byte.
ZD_TARGET_AVX2 inline __m256i overChannel(__m256 s, __m256 d, __m256 dA, __m256 a, __m256 oneMinusA,
                                          __m256 reciprocal) {
  const __m256 inner = _mm256_mul_ps(oneMinusA, _mm256_mul_ps(d, dA));
  return bytesOf(_mm256_mul_ps(reciprocal, _mm256_fmadd_ps(s, a, inner)));
}

// The paint's colour in eight lanes.
struct PaintLanes {
  __m256 red, green, blue;
};

// Source-over of eight pixels `px` with a = coverage * alpha in each lane
// (and 1 - a): every lane's result, with the pixel cleared where outA <= 0
// (which cannot happen for a in (0, 1], kept so each lane follows the
// single-pixel operation). Lanes that should keep their pixel are the
// caller's to restore.
ZD_TARGET_AVX2 ZD_KERNEL_INLINE __m256i overGroup(__m256i px, __m256 a, __m256 oneMinusA,
                                                  const PaintLanes &paint) {
  const __m256i lowByte = _mm256_set1_epi32(0xFF);
  const __m256 dR = unitOfByte(_mm256_and_si256(px, lowByte));
  const __m256 dG = unitOfByte(_mm256_and_si256(_mm256_srli_epi32(px, 8), lowByte));
  const __m256 dB = unitOfByte(_mm256_and_si256(_mm256_srli_epi32(px, 16), lowByte));
  const __m256 dA = unitOfByte(_mm256_srli_epi32(px, 24));
  const __m256 outA = _mm256_fmadd_ps(dA, oneMinusA, a);
  const __m256 reciprocal = _mm256_div_ps(_mm256_set1_ps(1.0f), outA);
  __m256i out = overChannel(paint.red, dR, dA, a, oneMinusA, reciprocal);
  out = _mm256_or_si256(
      out, _mm256_slli_epi32(overChannel(paint.green, dG, dA, a, oneMinusA, reciprocal), 8));
  out = _mm256_or_si256(
      out, _mm256_slli_epi32(overChannel(paint.blue, dB, dA, a, oneMinusA, reciprocal), 16));
  out = _mm256_or_si256(out, _mm256_slli_epi32(bytesOf(outA), 24));
  const __m256i cleared = _mm256_castps_si256(_mm256_cmp_ps(outA, _mm256_setzero_ps(), _CMP_LE_OQ));
  return _mm256_andnot_si256(cleared, out);
}

// The last group of eight equal pixels that were all fully covered, and
// what they became: eight pixels equal to it (the inside of an earlier
// shape) take that result without arithmetic.
struct UniformMemo {
  bool valid;
  __m256i from, to;
};

ZD_TARGET_AVX2 ZD_KERNEL_INLINE UniformMemo emptyMemo() {
  return {false, _mm256_setzero_si256(), _mm256_setzero_si256()};
}

ZD_TARGET_AVX2 ZD_KERNEL_INLINE bool recalled(const UniformMemo &memo, __m256i px) {
  return memo.valid && _mm256_movemask_epi8(_mm256_cmpeq_epi32(px, memo.from)) == -1;
}

ZD_TARGET_AVX2 ZD_KERNEL_INLINE void remember(UniformMemo &memo, __m256i px, __m256i out) {
  const __m256i first = _mm256_set1_epi32(_mm256_cvtsi256_si32(px));
  if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(px, first)) == -1) {
    memo.from = first;
    memo.to = out;
    memo.valid = true;
  }
}

// Full: every column of [from, to) has coverage exactly 1 (coverage is not
// read); otherwise coverage[x] is each column's. When `clear` is not null
// (it is then the coverage row itself), each coverage value is set to 0 once
// read, sparing the caller a second pass over the row.
template <bool Full>
ZD_TARGET_AVX2 void overRowVector(std::uint8_t *row, const float *coverage, std::int64_t from,
                                  std::int64_t to, std::int64_t reach, const Paint &paint,
                                  float *clear) {
  const __m256 zero = _mm256_setzero_ps();
  const __m256 one = _mm256_set1_ps(1.0f);
  const __m256 alpha = _mm256_set1_ps(paint.alpha);
  const PaintLanes colour{_mm256_set1_ps(paint.red), _mm256_set1_ps(paint.green),
                          _mm256_set1_ps(paint.blue)};
  const __m256i solid = _mm256_set1_epi32(static_cast<int>(fullPixel(paint)));
  const bool opaque = paint.alpha == 1.0f;
  UniformMemo memo = emptyMemo();

  std::int64_t x = from;
  for (; x < to && x + 8 <= reach; x += 8) {
    const __m256 c = Full ? one : _mm256_loadu_ps(coverage + x);
    // A group whose coverage is all 0 (gaps between spans, the hollows of
    // even-odd shapes) changes no pixel and needs no clearing.
    if (!Full && _mm256_movemask_ps(_mm256_cmp_ps(c, zero, _CMP_NEQ_UQ)) == 0) continue;
    const __m256 covered = _mm256_cmp_ps(c, zero, _CMP_GT_OQ);
    if (!Full && clear != nullptr) _mm256_storeu_ps(clear + x, zero);
    auto *where = reinterpret_cast<__m256i *>(row + x * 4);
    if (opaque && _mm256_movemask_ps(_mm256_cmp_ps(c, one, _CMP_EQ_OQ)) == 0xFF) {
      _mm256_storeu_si256(where, solid);  // a = 1: exactly the paint bytes
      continue;
    }
    const __m256 a = _mm256_mul_ps(c, alpha);
    // Lanes that change: coverage above 0 and not (a <= 0).
    const __m256 live = _mm256_and_ps(covered, _mm256_cmp_ps(a, zero, _CMP_NLE_UQ));
    const int liveBits = _mm256_movemask_ps(live);
    if (liveBits == 0) continue;

    const __m256i px = _mm256_loadu_si256(where);
    const bool fullyCovered = _mm256_movemask_ps(_mm256_cmp_ps(c, one, _CMP_EQ_OQ)) == 0xFF;
    if (fullyCovered && recalled(memo, px)) {
      _mm256_storeu_si256(where, memo.to);
      continue;
    }
    __m256i out = overGroup(px, a, _mm256_sub_ps(one, a), colour);
    out = _mm256_blendv_epi8(px, out, _mm256_castps_si256(live));
    _mm256_storeu_si256(where, out);
    if (fullyCovered) remember(memo, px, out);
  }
  if (x < to) {
    overRowScalar<Full>(row, coverage, x, to, paint);
    if (clear != nullptr) std::fill(clear + x, clear + to, 0.0f);
  }
}

}  // namespace

ZD_TARGET_AVX2 void overRow(std::uint8_t *row, const float *coverage, std::int64_t from,
                            std::int64_t to, std::int64_t reach, const Paint &paint, float *clear) {
  overRowVector<false>(row, coverage, from, to, reach, paint, clear);
}

ZD_TARGET_AVX2 void overFull(std::uint8_t *row, std::int64_t from, std::int64_t to,
                             const Paint &paint) {
  overRowVector<true>(row, nullptr, from, to, to, paint, nullptr);
}

// A translucent paint (0 < alpha < 1) on columns of coverage exactly 1:
// a = 1 * alpha = alpha in every lane and every lane changes, so only the
// pixels vary.
ZD_TARGET_AVX2 void overFullTranslucent(std::uint8_t *row, std::int64_t from, std::int64_t to,
                                        const Paint &paint) {
  const __m256 a = _mm256_set1_ps(paint.alpha);
  const __m256 oneMinusA = _mm256_sub_ps(_mm256_set1_ps(1.0f), a);
  const PaintLanes colour{_mm256_set1_ps(paint.red), _mm256_set1_ps(paint.green),
                          _mm256_set1_ps(paint.blue)};
  UniformMemo memo = emptyMemo();
  std::int64_t x = from;
  for (; x + 8 <= to; x += 8) {
    auto *where = reinterpret_cast<__m256i *>(row + x * 4);
    const __m256i px = _mm256_loadu_si256(where);
    if (recalled(memo, px)) {
      _mm256_storeu_si256(where, memo.to);
      continue;
    }
    const __m256i out = overGroup(px, a, oneMinusA, colour);
    _mm256_storeu_si256(where, out);
    remember(memo, px, out);
  }
  if (x < to) overRowScalar<true>(row, nullptr, x, to, paint);
}

ZD_TARGET_AVX2 void overwriteRow(std::uint8_t *row, const float *coverage, std::int64_t from,
                                 std::int64_t to, std::int64_t reach, const Paint &paint) {
  const __m256 zero = _mm256_setzero_ps();
  const __m256 alpha = _mm256_set1_ps(paint.alpha);
  const __m256i colour = _mm256_set1_epi32(
      static_cast<int>(packPixel(byteOf(paint.red), byteOf(paint.green), byteOf(paint.blue), 0)));
  std::int64_t x = from;
  for (; x < to && x + 8 <= reach; x += 8) {
    const __m256 c = _mm256_loadu_ps(coverage + x);
    const __m256 live = _mm256_cmp_ps(c, zero, _CMP_GT_OQ);
    const int liveBits = _mm256_movemask_ps(live);
    if (liveBits == 0) continue;
    auto *where = reinterpret_cast<__m256i *>(row + x * 4);
    const __m256i out =
        _mm256_or_si256(colour, _mm256_slli_epi32(bytesOf(_mm256_mul_ps(c, alpha)), 24));
    if (liveBits == 0xFF) {
      _mm256_storeu_si256(where, out);
    } else {
      const __m256i px = _mm256_loadu_si256(where);
      _mm256_storeu_si256(where, _mm256_blendv_epi8(px, out, _mm256_castps_si256(live)));
    }
  }
  if (x < to) overwriteRowScalar(row, coverage, x, to, paint);
}

}  // namespace zd::raster::detail::avx2

#endif  // ZD_CPU_X86
