// CRC-32 by carry-less multiplication: four 128-bit lanes are folded forward
// 64 bytes per step, then into one lane, then reduced to 32 bits (Barrett
// reduction). Every step is exact arithmetic on polynomials over GF(2), so
// the register is the one the tables give; fewer than 64 bytes, and the
// last bytes after the folds, go through the tables.
//
// The constants are powers of x modulo the CRC polynomial P, bit-reflected
// like the CRC itself (and shifted to line up with the reflected product):
// x^(4*128+32) and x^(4*128-32) fold four lanes ahead,
// x^(128+32) and x^(128-32) one lane, x^64 takes 64 bits to 32, and the
// last pair is P itself and floor(x^64 / P) for the Barrett step.
#include "cpu/cpu.hpp"

#ifdef ZD_CPU_X86

#include <immintrin.h>

#include "compress/checksum_kernels.hpp"

namespace zd::compress::detail {

namespace {

constexpr std::int64_t kFoldFourAhead1 = 0x154442bd4;
constexpr std::int64_t kFoldFourAhead2 = 0x1c6e41596;
constexpr std::int64_t kFoldOneAhead1 = 0x1751997d0;
constexpr std::int64_t kFoldOneAhead2 = 0x0ccaa009e;
constexpr std::int64_t kFold64To32 = 0x163cd6124;
constexpr std::int64_t kPolynomial = 0x1db710641;
constexpr std::int64_t kBarrett = 0x1f7011641;

constexpr std::size_t kLane = 16;
constexpr std::size_t kFourLanes = 4 * kLane;

ZD_TARGET_PCLMUL __m128i load(const std::uint8_t *p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

// The lane carried forward over the distance the constants stand for (its
// low half times one, its high half times the other), added to `next`.
ZD_TARGET_PCLMUL __m128i fold(__m128i lane, __m128i constants, __m128i next) {
  const __m128i low = _mm_clmulepi64_si128(lane, constants, 0x00);
  const __m128i high = _mm_clmulepi64_si128(lane, constants, 0x11);
  return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

}  // namespace

ZD_TARGET_PCLMUL std::uint32_t crc32UpdatePclmul(std::uint32_t state, const std::uint8_t *data,
                                                 std::size_t length) {
  if (length < kFourLanes) return crc32UpdatePortable(state, data, length);
  __m128i lane0 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(static_cast<int>(state)));
  __m128i lane1 = load(data + kLane);
  __m128i lane2 = load(data + 2 * kLane);
  __m128i lane3 = load(data + 3 * kLane);
  data += kFourLanes;
  length -= kFourLanes;

  const __m128i fourAhead = _mm_set_epi64x(kFoldFourAhead2, kFoldFourAhead1);
  while (length >= kFourLanes) {
    lane0 = fold(lane0, fourAhead, load(data));
    lane1 = fold(lane1, fourAhead, load(data + kLane));
    lane2 = fold(lane2, fourAhead, load(data + 2 * kLane));
    lane3 = fold(lane3, fourAhead, load(data + 3 * kLane));
    data += kFourLanes;
    length -= kFourLanes;
  }

  const __m128i oneAhead = _mm_set_epi64x(kFoldOneAhead2, kFoldOneAhead1);
  __m128i lane = fold(lane0, oneAhead, lane1);
  lane = fold(lane, oneAhead, lane2);
  lane = fold(lane, oneAhead, lane3);
  while (length >= kLane) {
    lane = fold(lane, oneAhead, load(data));
    data += kLane;
    length -= kLane;
  }

  // 128 bits to 64: the low half times x^(128-32), added to the high half.
  const __m128i mask32 = _mm_setr_epi32(-1, 0, 0, 0);
  lane = _mm_xor_si128(_mm_clmulepi64_si128(lane, oneAhead, 0x10), _mm_srli_si128(lane, 8));
  // 64 bits to 32 (above the low 32 bits).
  const __m128i to32 = _mm_set_epi64x(0, kFold64To32);
  lane = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(lane, mask32), to32, 0x00),
                       _mm_srli_si128(lane, 4));
  // Barrett reduction: the remainder modulo P lands in bits 32..63.
  const __m128i barrett = _mm_set_epi64x(kBarrett, kPolynomial);
  __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(lane, mask32), barrett, 0x10);
  quotient = _mm_clmulepi64_si128(_mm_and_si128(quotient, mask32), barrett, 0x00);
  const auto folded =
      static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(lane, quotient), 1));
  return crc32UpdatePortable(folded, data, length);
}

}  // namespace zd::compress::detail

#endif  // ZD_CPU_X86
