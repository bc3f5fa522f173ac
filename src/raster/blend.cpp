// The two pixel operations (checked, one pixel) and their row kernels.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "raster/kernels.hpp"
#include "raster/pixel_ops.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZD_RASTER_X86 1
#endif

namespace zd::raster {

using detail::byteOf;

std::uint8_t toByte(float v) { return byteOf(v); }

namespace {

[[noreturn]] void badOffset(const Image &image, std::int64_t offset) {
  throw Defect("blend: byte offset " + std::to_string(offset) + " outside the pixel buffer of " +
               std::to_string(image.data.size()) + " bytes");
}

bool inBuffer(const Image &image, std::int64_t offset) {
  return offset >= 0 && static_cast<std::uint64_t>(offset) < image.data.size();
}

}  // namespace

void blendOver(Image &image, std::int64_t offset, float coverage, float red, float green,
               float blue, float alpha) {
  const float a = coverage * alpha;
  if (a <= 0.0f) return;
  // All four bytes are checked before anything is read or written.
  if (!inBuffer(image, offset)) badOffset(image, offset);
  if (offset > INT64_MAX - 3 || !inBuffer(image, offset + 3)) badOffset(image, offset + 3);
  detail::overPixel(image.data.data() + offset, a, Paint{red, green, blue, alpha});
}

void blendOverwrite(Image &image, std::int64_t offset, float coverage, float red, float green,
                    float blue, float alpha) {
  const float a = clampUnit(coverage * alpha);
  const std::uint8_t bytes[4] = {byteOf(red), byteOf(green), byteOf(blue), byteOf(a)};
  // Each byte is checked just before its own store, so a pixel straddling
  // the end of the buffer gets its leading bytes written.
  for (std::int64_t i = 0; i < 4; ++i) {
    if (offset > INT64_MAX - i || !inBuffer(image, offset + i)) badOffset(image, offset + i);
    image.data[static_cast<std::size_t>(offset + i)] = bytes[i];
  }
}

namespace detail {

namespace {

ZD_RASTER_INLINE std::uint32_t packPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
  const std::uint8_t bytes[4] = {r, g, b, a};
  std::uint32_t word;
  std::memcpy(&word, bytes, 4);
  return word;
}

// The bytes every fully covered pixel gets from an opaque source-over, and
// from overwrite at coverage 1: the paint bytes with byte(alpha).
ZD_RASTER_INLINE std::uint32_t fullPixel(const Paint &paint) {
  return packPixel(byteOf(paint.red), byteOf(paint.green), byteOf(paint.blue),
                   byteOf(clampUnit(paint.alpha)));
}

template <bool Full>
ZD_RASTER_INLINE void overRowScalar(std::uint8_t *row, const float *coverage, std::int64_t from,
                                    std::int64_t to, const Paint &paint) {
  const bool opaque = paint.alpha == 1.0f;
  const std::uint32_t solid = fullPixel(paint);
  for (std::int64_t x = from; x < to; ++x) {
    const float c = Full ? 1.0f : coverage[x];
    if (!(c > 0.0f)) continue;
    std::uint8_t *px = row + x * 4;
    if (opaque && c == 1.0f) {
      // a = 1: outA is exactly 1 and each channel exactly the paint value.
      std::memcpy(px, &solid, 4);
      continue;
    }
    const float a = c * paint.alpha;
    if (a <= 0.0f) continue;
    overPixel(px, a, paint);
  }
}

ZD_RASTER_INLINE void overwriteRowScalar(std::uint8_t *row, const float *coverage,
                                         std::int64_t from, std::int64_t to, const Paint &paint) {
  const std::uint8_t r = byteOf(paint.red), g = byteOf(paint.green), b = byteOf(paint.blue);
  const std::uint32_t solid = fullPixel(paint);
  for (std::int64_t x = from; x < to; ++x) {
    const float c = coverage[x];
    if (!(c > 0.0f)) continue;
    std::uint8_t *px = row + x * 4;
    if (c == 1.0f) {
      std::memcpy(px, &solid, 4);
      continue;
    }
    px[0] = r;
    px[1] = g;
    px[2] = b;
    px[3] = byteOf(clampUnit(c * paint.alpha));
  }
}

template <bool Full>
void overRowBaseline(std::uint8_t *row, const float *coverage, std::int64_t from, std::int64_t to,
                     const Paint &paint) {
  overRowScalar<Full>(row, coverage, from, to, paint);
}

// Columns of coverage 1 under an opaque source-over or under overwrite all
// become the paint bytes with byte(alpha).
void storeSolid(std::uint8_t *row, std::int64_t from, std::int64_t to, const Paint &paint) {
  const std::uint32_t solid = fullPixel(paint);
  for (std::int64_t x = from; x < to; ++x) std::memcpy(row + x * 4, &solid, 4);
}

void overwriteRowBaseline(std::uint8_t *row, const float *coverage, std::int64_t from,
                          std::int64_t to, const Paint &paint) {
  overwriteRowScalar(row, coverage, from, to, paint);
}

#ifdef ZD_RASTER_X86

#define ZD_VECTOR_TARGET __attribute__((target("avx2,fma")))

// byte(clamp(v, 0, 1)) for eight lanes. max(v, 0) turns a NaN into 0, whose
// byte is 0 as the rule gives for NaN; min(., 1) finishes the clamp.
ZD_VECTOR_TARGET inline __m256i bytesOf(__m256 v) {
  const __m256 clamped = _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
  return _mm256_cvttps_epi32(
      _mm256_fmadd_ps(clamped, _mm256_set1_ps(255.0f), _mm256_set1_ps(0.5f)));
}

// byte / 255 for eight lanes without a division: q = byte * (1/255) and one
// Newton-style correction q + (byte - 255 q) / 255 with fused operations.
// For the 256 possible bytes this equals the float32 division exactly
// (checked for every byte value; the row-kernel tests cover all of them).
ZD_VECTOR_TARGET inline __m256 unitOfByte(__m256i bytes) {
  const __m256 value = _mm256_cvtepi32_ps(bytes);
  const __m256 reciprocal = _mm256_set1_ps(1.0f / 255.0f);
  const __m256 q = _mm256_mul_ps(value, reciprocal);
  const __m256 residual = _mm256_fnmadd_ps(q, _mm256_set1_ps(255.0f), value);
  return _mm256_fmadd_ps(residual, reciprocal, q);
}

// One colour channel of source-over for eight lanes: (1 / outA) *
// fma(s, a, (1 - a) * (d * dA)), as a byte.
ZD_VECTOR_TARGET inline __m256i overChannel(__m256 s, __m256 d, __m256 dA, __m256 a,
                                            __m256 oneMinusA, __m256 reciprocal) {
  const __m256 inner = _mm256_mul_ps(oneMinusA, _mm256_mul_ps(d, dA));
  return bytesOf(_mm256_mul_ps(reciprocal, _mm256_fmadd_ps(s, a, inner)));
}

// Full: every column of [from, to) has coverage exactly 1 (coverage is not
// read); otherwise coverage[x] is each column's. When `clear` is not null
// (it is then the coverage row itself), each coverage value is set to 0 once
// read, sparing the caller a second pass over the row.
template <bool Full>
ZD_VECTOR_TARGET void overRowVector(std::uint8_t *row, const float *coverage, std::int64_t from,
                                    std::int64_t to, std::int64_t reach, const Paint &paint,
                                    float *clear = nullptr) {
  const __m256 zero = _mm256_setzero_ps();
  const __m256 one = _mm256_set1_ps(1.0f);
  const __m256 alpha = _mm256_set1_ps(paint.alpha);
  const __m256 red = _mm256_set1_ps(paint.red);
  const __m256 green = _mm256_set1_ps(paint.green);
  const __m256 blue = _mm256_set1_ps(paint.blue);
  const __m256i lowByte = _mm256_set1_epi32(0xFF);
  const __m256i solid = _mm256_set1_epi32(static_cast<int>(fullPixel(paint)));
  const bool opaque = paint.alpha == 1.0f;
  // The last run of eight fully covered, equal pixels and what they became.
  bool haveMemo = false;
  __m256i memoFrom = _mm256_setzero_si256(), memoTo = _mm256_setzero_si256();

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
    // Fully covered pixels all equal to the last uniform run's: same result.
    if (fullyCovered && haveMemo &&
        _mm256_movemask_epi8(_mm256_cmpeq_epi32(px, memoFrom)) == -1) {
      _mm256_storeu_si256(where, memoTo);
      continue;
    }
    const __m256 dR = unitOfByte(_mm256_and_si256(px, lowByte));
    const __m256 dG = unitOfByte(_mm256_and_si256(_mm256_srli_epi32(px, 8), lowByte));
    const __m256 dB = unitOfByte(_mm256_and_si256(_mm256_srli_epi32(px, 16), lowByte));
    const __m256 dA = unitOfByte(_mm256_srli_epi32(px, 24));

    const __m256 oneMinusA = _mm256_sub_ps(one, a);
    const __m256 outA = _mm256_fmadd_ps(dA, oneMinusA, a);
    const __m256 reciprocal = _mm256_div_ps(one, outA);
    __m256i out = overChannel(red, dR, dA, a, oneMinusA, reciprocal);
    out = _mm256_or_si256(out, _mm256_slli_epi32(overChannel(green, dG, dA, a, oneMinusA, reciprocal), 8));
    out = _mm256_or_si256(out, _mm256_slli_epi32(overChannel(blue, dB, dA, a, oneMinusA, reciprocal), 16));
    out = _mm256_or_si256(out, _mm256_slli_epi32(bytesOf(outA), 24));
    // outA <= 0 clears the pixel (it cannot happen for a in (0, 1], kept
    // for the rule's sake).
    const __m256i cleared = _mm256_castps_si256(_mm256_cmp_ps(outA, zero, _CMP_LE_OQ));
    out = _mm256_andnot_si256(cleared, out);
    out = _mm256_blendv_epi8(px, out, _mm256_castps_si256(live));
    _mm256_storeu_si256(where, out);
    if (fullyCovered) {
      const __m256i first = _mm256_set1_epi32(_mm256_cvtsi256_si32(px));
      if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(px, first)) == -1) {
        memoFrom = first;
        memoTo = out;
        haveMemo = true;
      }
    }
  }
  if (x < to) {
    overRowScalar<Full>(row, coverage, x, to, paint);
    if (clear != nullptr) std::fill(clear + x, clear + to, 0.0f);
  }
}

// Source-over of a translucent paint (0 < alpha < 1) on columns of coverage
// exactly 1: a = 1 * alpha = alpha in every lane and every lane changes, so
// only the pixels vary. Long stretches of one pixel value (the inside of an
// earlier shape) are common: eight pixels equal to those of the last uniform
// group take that group's result without arithmetic.
ZD_VECTOR_TARGET void overFullTranslucentVector(std::uint8_t *row, std::int64_t from,
                                                std::int64_t to, const Paint &paint) {
  const __m256 zero = _mm256_setzero_ps();
  const __m256 one = _mm256_set1_ps(1.0f);
  const __m256 a = _mm256_set1_ps(paint.alpha);
  const __m256 oneMinusA = _mm256_sub_ps(one, a);
  const __m256 red = _mm256_set1_ps(paint.red);
  const __m256 green = _mm256_set1_ps(paint.green);
  const __m256 blue = _mm256_set1_ps(paint.blue);
  const __m256i lowByte = _mm256_set1_epi32(0xFF);
  bool haveMemo = false;
  __m256i memoFrom = _mm256_setzero_si256(), memoTo = _mm256_setzero_si256();
  std::int64_t x = from;
  for (; x + 8 <= to; x += 8) {
    auto *where = reinterpret_cast<__m256i *>(row + x * 4);
    const __m256i px = _mm256_loadu_si256(where);
    if (haveMemo && _mm256_movemask_epi8(_mm256_cmpeq_epi32(px, memoFrom)) == -1) {
      _mm256_storeu_si256(where, memoTo);
      continue;
    }
    const __m256 dR = unitOfByte(_mm256_and_si256(px, lowByte));
    const __m256 dG = unitOfByte(_mm256_and_si256(_mm256_srli_epi32(px, 8), lowByte));
    const __m256 dB = unitOfByte(_mm256_and_si256(_mm256_srli_epi32(px, 16), lowByte));
    const __m256 dA = unitOfByte(_mm256_srli_epi32(px, 24));
    const __m256 outA = _mm256_fmadd_ps(dA, oneMinusA, a);
    const __m256 reciprocal = _mm256_div_ps(one, outA);
    __m256i out = overChannel(red, dR, dA, a, oneMinusA, reciprocal);
    out = _mm256_or_si256(out, _mm256_slli_epi32(overChannel(green, dG, dA, a, oneMinusA, reciprocal), 8));
    out = _mm256_or_si256(out, _mm256_slli_epi32(overChannel(blue, dB, dA, a, oneMinusA, reciprocal), 16));
    out = _mm256_or_si256(out, _mm256_slli_epi32(bytesOf(outA), 24));
    const __m256i cleared = _mm256_castps_si256(_mm256_cmp_ps(outA, zero, _CMP_LE_OQ));
    out = _mm256_andnot_si256(cleared, out);
    _mm256_storeu_si256(where, out);
    const __m256i first = _mm256_set1_epi32(_mm256_cvtsi256_si32(px));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(px, first)) == -1) {
      memoFrom = first;
      memoTo = out;
      haveMemo = true;
    }
  }
  if (x < to) overRowScalar<true>(row, nullptr, x, to, paint);
}

ZD_VECTOR_TARGET void overwriteRowVector(std::uint8_t *row, const float *coverage,
                                         std::int64_t from, std::int64_t to, std::int64_t reach,
                                         const Paint &paint) {
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

bool cpuHasVectorKernels() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

#else

bool cpuHasVectorKernels() { return false; }

#endif

bool forcedBaseline = false;
const bool vectorAvailable = cpuHasVectorKernels();

}  // namespace

bool usingVectorKernels() { return vectorAvailable && !forcedBaseline; }

void forceBaselineKernels(bool baseline) { forcedBaseline = baseline; }

void blendRowOver(std::uint8_t *row, const float *coverage, std::int64_t from, std::int64_t to,
                  const Paint &paint) {
  blendRowOverReach(row, coverage, from, to, to, paint);
}

void blendRowOverwrite(std::uint8_t *row, const float *coverage, std::int64_t from,
                       std::int64_t to, const Paint &paint) {
  blendRowOverwriteReach(row, coverage, from, to, to, paint);
}

void blendRowOverReach(std::uint8_t *row, const float *coverage, std::int64_t from,
                       std::int64_t to, std::int64_t reach, const Paint &paint) {
#ifdef ZD_RASTER_X86
  if (usingVectorKernels()) {
    return overRowVector<false>(row, coverage, from, to, std::max(to, reach), paint);
  }
#endif
  overRowBaseline<false>(row, coverage, from, to, paint);
}

void blendRowOverReachClearing(std::uint8_t *row, float *coverage, std::int64_t from,
                               std::int64_t to, std::int64_t reach, const Paint &paint) {
  if (from >= to) return;
#ifdef ZD_RASTER_X86
  if (usingVectorKernels()) {
    return overRowVector<false>(row, coverage, from, to, std::max(to, reach), paint, coverage);
  }
#endif
  overRowBaseline<false>(row, coverage, from, to, paint);
  std::fill(coverage + from, coverage + to, 0.0f);
}

void blendRunFull(std::uint8_t *row, std::int64_t from, std::int64_t to, const Paint &paint,
                  bool overwrite) {
  // Overwrite stores byte(clamp(1 * alpha)) as alpha whatever alpha is;
  // source-over of alpha 1 at coverage 1 gives outA = 1 and the paint itself.
  if (overwrite || paint.alpha == 1.0f) return storeSolid(row, from, to, paint);
#ifdef ZD_RASTER_X86
  if (usingVectorKernels()) {
    if (paint.alpha > 0.0f && paint.alpha < 1.0f) {
      return overFullTranslucentVector(row, from, to, paint);
    }
    return overRowVector<true>(row, nullptr, from, to, to, paint);
  }
#endif
  overRowBaseline<true>(row, nullptr, from, to, paint);
}

void blendRowOverwriteReach(std::uint8_t *row, const float *coverage, std::int64_t from,
                            std::int64_t to, std::int64_t reach, const Paint &paint) {
#ifdef ZD_RASTER_X86
  if (usingVectorKernels()) {
    return overwriteRowVector(row, coverage, from, to, std::max(to, reach), paint);
  }
#endif
  overwriteRowBaseline(row, coverage, from, to, paint);
}

}  // namespace detail

}  // namespace zd::raster
