// The vector checksum kernels against the portable ones: the same values on
// every length where the vector loops change shape (0 .. 70, around the
// 16-, 32- and 64-byte steps and the 5552-byte runs), at every alignment,
// on random bytes and on all-0xFF bytes (the largest sums).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "compress/checksum_kernels.hpp"
#include "compress/compress.hpp"
#include "cpu/cpu.hpp"

namespace zd::compress::detail {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::size_t> lengthsToTry() {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 70; ++n) lengths.push_back(n);
  for (std::size_t step : {16u, 32u, 64u, 128u, 5552u}) {
    for (std::size_t times : {2u, 3u, 5u}) {
      for (std::size_t n = step * times - 1; n <= step * times + 1; ++n) lengths.push_back(n);
    }
  }
  lengths.push_back(100003);
  return lengths;
}

// Random bytes with 8 spare bytes in front, so each length is also tried
// from every alignment.
Bytes bytesFor(std::size_t length, std::uint32_t seed, bool allOnes) {
  Bytes data(length + 8, 0xFF);
  if (!allOnes) {
    std::mt19937 rng(seed);
    for (auto &b : data) b = static_cast<std::uint8_t>(rng());
  }
  return data;
}

#ifdef ZD_CPU_X86

TEST(ChecksumKernels, Adler32Avx2MatchesThePortableBuild) {
  if (!cpu::useAvx2()) GTEST_SKIP() << "no AVX2 here (or disabled)";
  for (const std::size_t length : lengthsToTry()) {
    for (const bool allOnes : {false, true}) {
      const Bytes data = bytesFor(length, static_cast<std::uint32_t>(length), allOnes);
      for (std::size_t offset = 0; offset < 8; ++offset) {
        const auto n = static_cast<std::int64_t>(length);
        ASSERT_EQ(adler32Avx2(data.data() + offset, n), adler32Portable(data.data() + offset, n))
            << length << " bytes from offset " << offset << (allOnes ? ", all 0xFF" : "");
      }
    }
  }
}

TEST(ChecksumKernels, Crc32PclmulMatchesThePortableBuild) {
  if (!cpu::usePclmul()) GTEST_SKIP() << "no carry-less multiplication here (or disabled)";
  std::mt19937 rng(7);
  for (const std::size_t length : lengthsToTry()) {
    for (const bool allOnes : {false, true}) {
      const Bytes data = bytesFor(length, static_cast<std::uint32_t>(length) + 1, allOnes);
      for (std::size_t offset = 0; offset < 8; ++offset) {
        // Any register state, not only the initial all ones: chunks are
        // checksummed in pieces too.
        const std::uint32_t state = offset == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(rng());
        ASSERT_EQ(crc32UpdatePclmul(state, data.data() + offset, length),
                  crc32UpdatePortable(state, data.data() + offset, length))
            << length << " bytes from offset " << offset << (allOnes ? ", all 0xFF" : "");
      }
    }
  }
}

#endif  // ZD_CPU_X86

// The entry points give the same values whichever kernel they pick.
TEST(ChecksumKernels, EntryPointsAgreeWithAndWithoutVectorKernels) {
  const Bytes data = bytesFor(70000, 11, false);
  const std::uint32_t adler = adler32(data.data(), 70000);
  const std::uint32_t crc = crc32(data.data(), 70000);
  cpu::disableForTesting(cpu::kAllFeatures);
  EXPECT_EQ(adler32(data.data(), 70000), adler);
  EXPECT_EQ(crc32(data.data(), 70000), crc);
  cpu::disableForTesting(0);
}

}  // namespace
}  // namespace zd::compress::detail
