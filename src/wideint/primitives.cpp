// The word-level arithmetic and its two exports.
#include <limits>

#include "common/errors.hpp"
#include "wideint/wideint.hpp"
#include "zd.h"

extern "C" {

ZD_API int64_t numra_clz64(uint64_t x) { return x == 0 ? 64 : __builtin_clzll(x); }

ZD_API void numra_udiv128(uint64_t hi, uint64_t lo, uint64_t d, uint64_t *q, uint64_t *r) {
  // Outside the preconditions the call still returns normally: a zero
  // divisor would trap, so it gives the all-ones quotient instead; a high
  // limb >= d gives the low 64 bits of the true quotient.
  uint64_t quotient;
  if (d == 0) {
    quotient = std::numeric_limits<uint64_t>::max();
  } else {
    const unsigned __int128 dividend = (static_cast<unsigned __int128>(hi) << 64) | lo;
    quotient = static_cast<uint64_t>(dividend / d);
  }
  *q = quotient;
  *r = d == 0 ? lo : lo - d * quotient;
}

}  // extern "C"

namespace zd::wideint {

std::int64_t clz64(Limb x) { return numra_clz64(x); }

QuotientRemainder udiv128(Limb hi, Limb lo, Limb d) {
  if (d == 0) throw Defect("udiv128: divisor is zero");
  if (hi >= d) throw Error("udiv128: high limb must be < divisor (quotient must fit a Limb)");
  QuotientRemainder result{};
  numra_udiv128(hi, lo, d, &result.quotient, &result.remainder);
  return result;
}

}  // namespace zd::wideint
