// The match finder's byte comparison: the 16- and 8-byte steps against a
// byte-by-byte count, on lengths where the steps change shape.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "compress/match_finder.hpp"

namespace zd::compress::detail {
namespace {

std::int32_t countEqualBytes(const std::uint8_t *a, const std::uint8_t *b, std::int32_t limit) {
  std::int32_t k = 0;
  while (k < limit && a[k] == b[k]) ++k;
  return k;
}

// Two copies of random bytes with one difference (or none) placed at every
// offset up to 258 and limits around 8, 16 and 32 byte steps, both compared
// at the very end of their buffers so that no step may read past it.
TEST(MatchFinder, CountEqualAgreesWithBytes) {
  std::mt19937 rng(5);
  for (std::int32_t limit = 0; limit <= kMaxMatch; ++limit) {
    for (std::int32_t firstDifference = 0; firstDifference <= limit; ++firstDifference) {
      if (limit > 40 && firstDifference % 7 != 0 && firstDifference + 2 < limit) continue;
      std::vector<std::uint8_t> a(static_cast<std::size_t>(limit));
      for (auto &byte : a) byte = static_cast<std::uint8_t>(rng());
      std::vector<std::uint8_t> b = a;
      if (firstDifference < limit) {
        b[static_cast<std::size_t>(firstDifference)] ^=
            static_cast<std::uint8_t>(1u << (rng() % 8));
      }
      ASSERT_EQ(countEqual(a.data(), b.data(), limit), firstDifference)
          << "limit " << limit << ", difference at " << firstDifference;
      ASSERT_EQ(countEqualWords(a.data(), b.data(), limit),
                countEqualBytes(a.data(), b.data(), limit));
    }
  }
}

}  // namespace
}  // namespace zd::compress::detail
