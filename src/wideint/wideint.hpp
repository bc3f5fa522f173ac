// Word-level arithmetic: leading zeros of a word and a guarded 128-by-64-bit
// division (behind the exports numra_clz64 and numra_udiv128).
#pragma once

#include <cstdint>

namespace zd::wideint {

using Limb = std::uint64_t;

struct QuotientRemainder {
  Limb quotient;
  Limb remainder;
};

// Leading zero bits of x; 64 for 0.
std::int64_t clz64(Limb x);

// (hi * 2^64 + lo) / d with its preconditions tested first: d = 0 raises a
// Defect "udiv128: divisor is zero"; hi >= d raises an Error (the quotient
// would not fit one limb).
QuotientRemainder udiv128(Limb hi, Limb lo, Limb d);

}  // namespace zd::wideint
