#include <gtest/gtest.h>

#include "common/errors.hpp"
#include "wideint/wideint.hpp"
#include "zd.h"

namespace {

TEST(WideInt, CountLeadingZeros) {
  EXPECT_EQ(numra_clz64(0), 64);
  EXPECT_EQ(numra_clz64(1), 63);
  EXPECT_EQ(numra_clz64(uint64_t{1} << 63), 0);
  EXPECT_EQ(numra_clz64(0x00F0000000000000ull), 8);
}

TEST(WideInt, DivideTwoLimbs) {
  uint64_t q = 0, r = 0;
  numra_udiv128(1, 0, 2, &q, &r);
  EXPECT_EQ(q, uint64_t{1} << 63);
  EXPECT_EQ(r, 0u);
  numra_udiv128(0, 7, 2, &q, &r);
  EXPECT_EQ(q, 3u);
  EXPECT_EQ(r, 1u);
  // (2^64 - 1) * 2^64 + (2^64 - 1) divided by 2^64 - 1 + ... : near the top.
  numra_udiv128(UINT64_MAX - 1, UINT64_MAX, UINT64_MAX, &q, &r);
  EXPECT_EQ(q, UINT64_MAX);
  EXPECT_EQ(r, UINT64_MAX - 1);
}

TEST(WideInt, OutsideThePreconditionsStillReturns) {
  uint64_t q = 1, r = 1;
  numra_udiv128(5, 9, 0, &q, &r);
  EXPECT_EQ(q, UINT64_MAX);
  EXPECT_EQ(r, 9u);
  numra_udiv128(3, 0, 2, &q, &r);  // true quotient 3 * 2^63 does not fit
  EXPECT_EQ(q, uint64_t{1} << 63);
  EXPECT_EQ(r, 0u);
}

TEST(WideInt, GuardedDivisionReportsBrokenPreconditions) {
  using zd::wideint::udiv128;
  try {
    udiv128(0, 1, 0);
    FAIL();
  } catch (const zd::Defect &e) {
    EXPECT_STREQ(e.what(), "udiv128: divisor is zero");
  }
  try {
    udiv128(2, 1, 2);
    FAIL();
  } catch (const zd::Error &e) {
    EXPECT_STREQ(e.what(), "udiv128: high limb must be < divisor (quotient must fit a Limb)");
  }
  const auto result = udiv128(1, 5, 3);
  // (2^64 + 5) / 3 = 6148914691236517207 remainder 0
  EXPECT_EQ(result.quotient, 6148914691236517207ull);
  EXPECT_EQ(result.remainder, 0u);
}

}  // namespace
