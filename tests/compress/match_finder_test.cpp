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

// Links are stored in 24 bits, which holds only while no head is far older
// than the position being inserted: after 2^20 positions and more, every
// head of both tables must lie within a little over the window of the
// position the heads were last moved up at, with the hash counts (the ranks)
// untouched.
TEST(MatchFinder, HeadsStayNearTheInsertedPositions) {
  std::mt19937 rng(7);
  const std::int64_t length = (std::int64_t{1} << 21) + 5000;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
  // Most triples occur only near the start, so their heads grow old.
  for (std::int64_t k = 0; k < length; ++k) {
    data[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k < 70000 ? rng() : rng() % 4);
  }
  HashChains chains(data.data(), length);
  std::vector<std::uint16_t> counts(kHashSlots);
  const std::int64_t interval = std::int64_t{1} << 20;
  for (std::int64_t p = 0; p + kMinMatch <= length; p += 100) {
    // The heads move at the first step past each multiple of 2^20.
    const bool moving = p % interval < 100;
    for (std::uint32_t slot = 0; moving && slot < kHashSlots; ++slot) {
      counts[slot] = chains.count(slot);
    }
    chains.keepLinksShort(p);
    for (std::uint32_t slot = 0; moving && slot < kHashSlots; ++slot) {
      ASSERT_EQ(chains.count(slot), counts[slot]) << "slot " << slot << " at " << p;
    }
    chains.insertRange(data.data(), length, p, std::min(p + 100, length - kMinMatch + 1));
  }
  // The last move was at most 2^20 + 100 positions back, and left every
  // head at most 32769 before it.
  const std::int64_t oldest = length - kMinMatch - interval - 100 - kMaxDistance - 1;
  for (std::uint32_t slot = 0; slot < kHashSlots; ++slot) {
    ASSERT_GE(chains.hashHead(slot), oldest) << "hash slot " << slot;
  }
  for (std::uint32_t key = 0; key < 65536; ++key) {
    ASSERT_GE(chains.tripleHead(key), oldest) << "triple key " << key;
  }
}

}  // namespace
}  // namespace zd::compress::detail
