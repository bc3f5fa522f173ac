// Deflate, zlib framing and Adler-32: exact bytes, agreement with the plain
// bit-by-bit Deflate model (deflate_model.hpp), and inflation by zlib.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include "common/errors.hpp"
#include "compress/compress.hpp"
#include "deflate_model.hpp"

namespace zd::compress {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::ModelDeflate;

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes inflateWithZlib(const Bytes &stream, std::size_t expectedSize) {
  Bytes out(expectedSize + 1);
  uLongf outSize = static_cast<uLongf>(out.size());
  const int status =
      uncompress(out.data(), &outSize, stream.data(), static_cast<uLong>(stream.size()));
  EXPECT_EQ(status, Z_OK);
  out.resize(outSize);
  return out;
}

// Checks a stream three ways: the model's bytes, the zlib framing, inflation.
void expectExact(const Bytes &data) {
  const Bytes raw = compress(data.data(), static_cast<std::int64_t>(data.size()));
  ASSERT_EQ(raw, ModelDeflate().run(data)) << "input of " << data.size() << " bytes";
  const Bytes framed = zlibDeflate(data.data(), static_cast<std::int64_t>(data.size()));
  ASSERT_EQ(framed.size(), raw.size() + 6);
  EXPECT_EQ(framed[0], 0x78);
  EXPECT_EQ(framed[1], 0x01);
  EXPECT_TRUE(std::equal(raw.begin(), raw.end(), framed.begin() + 2));
  EXPECT_EQ(inflateWithZlib(framed, data.size()), data);
}

Bytes randomBytes(std::size_t size, std::uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> pick(0, alphabet - 1);
  Bytes data(size);
  for (auto &b : data) b = static_cast<std::uint8_t>(pick(rng));
  return data;
}

TEST(Deflate, KnownStreams) {
  EXPECT_EQ(compress(nullptr, 0), (Bytes{0x03, 0x00}));
  EXPECT_EQ(zlibDeflate(nullptr, 0), (Bytes{0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
  const Bytes abc = bytesOf("abc");
  EXPECT_EQ(zlibDeflate(abc.data(), 3),
            (Bytes{0x78, 0x01, 0x4B, 0x4C, 0x4A, 0x06, 0x00, 0x02, 0x4D, 0x01, 0x27}));
  const Bytes tenA(10, 0x61);
  EXPECT_EQ(zlibDeflate(tenA.data(), 10),
            (Bytes{0x78, 0x01, 0x4B, 0x84, 0x03, 0x00, 0x14, 0xE1, 0x03, 0xCB}));
  const Bytes nineZeros(9, 0);  // one filtered row of a 2 x 1 transparent image
  EXPECT_EQ(zlibDeflate(nineZeros.data(), 9),
            (Bytes{0x78, 0x01, 0x63, 0x80, 0x01, 0x00, 0x00, 0x09, 0x00, 0x01}));
}

TEST(Deflate, CodeTablesFollowTheFixedCodes) {
  const std::pair<int, FixedCode> codes[] = {{0, {0x30, 8}},    {143, {0xBF, 8}}, {144, {0x190, 9}},
                                             {255, {0x1FF, 9}}, {256, {0, 7}},    {279, {23, 7}},
                                             {280, {0xC0, 8}},  {287, {0xC7, 8}}};
  for (const auto &[symbol, expected] : codes) {
    const FixedCode code = fixedLitCode(symbol);
    EXPECT_EQ(code.code, expected.code) << symbol;
    EXPECT_EQ(code.bits, expected.bits) << symbol;
  }
  // Lengths and distances at the edges of their codes' ranges.
  const std::pair<int, int> lengths[] = {{3, 0},    {10, 7},   {11, 8},   {12, 8},
                                         {13, 9},   {114, 22}, {115, 23}, {130, 23},
                                         {131, 24}, {227, 27}, {257, 27}, {258, 28}};
  for (const auto &[length, index] : lengths) EXPECT_EQ(lengthCodeIndex(length), index) << length;
  const std::pair<int, int> distances[] = {{1, 0}, {4, 3}, {5, 4},      {6, 4},      {7, 5},
                                           {8, 5}, {9, 6}, {24576, 28}, {24577, 29}, {32768, 29}};
  for (const auto &[distance, index] : distances)
    EXPECT_EQ(distCodeIndex(distance), index) << distance;
  EXPECT_THROW(fixedLitCode(288), Defect);
  EXPECT_THROW(lengthCodeIndex(2), Defect);
  EXPECT_THROW(lengthCodeIndex(259), Defect);
  EXPECT_THROW(distCodeIndex(0), Defect);
  EXPECT_THROW(distCodeIndex(32769), Defect);
}

TEST(Deflate, HashUsesOnlyTheSecondAndThirdBytes) {
  const Bytes a = {0x00, 0x81, 0x42};
  const Bytes b = {0xFF, 0x01, 0x42};  // differs in byte 0 and in bit 7 of byte 1
  EXPECT_EQ(hash3(a.data(), 3, 0), 0x0142u);
  EXPECT_EQ(hash3(b.data(), 3, 0), 0x0142u);
  EXPECT_THROW(hash3(a.data(), 3, 1), Defect);
}

TEST(Deflate, AgreesWithTheModelOnVariedInput) {
  expectExact(bytesOf("a"));
  expectExact(bytesOf("ab"));
  expectExact(bytesOf("abcabcabcabcabcabcab"));
  expectExact(Bytes(1000, 0xFF));  // runs of a 9-bit literal
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    // Small alphabets give long chains and many ties; 256 gives few matches.
    for (int alphabet : {2, 3, 16, 256})
      expectExact(randomBytes(4000 + seed * 777, seed, alphabet));
  }
  // Hash collisions: bytes that differ only in bit 7 of the hashed byte.
  Bytes collide(20000);
  std::mt19937 rng(9);
  for (std::size_t k = 0; k < collide.size(); ++k) {
    collide[k] = static_cast<std::uint8_t>((k % 3 == 1 ? (rng() & 0x80u) : 0u) | (k % 5));
  }
  expectExact(collide);
}

TEST(Deflate, LongRunsAreCutAt258) {
  const Bytes run(1000, 7);
  expectExact(run);
  // A literal, then matches at distance 1 of 258, 258, 258 and the 225 left:
  // 3 + 8 + 3 * (8 + 5) + (8 + 5 + 5) + 7 = 75 bits, 10 bytes.
  EXPECT_EQ(compress(run.data(), 1000).size(), 10u);
  // A repeat of 300 bytes is at most 258 per match.
  Bytes twice = randomBytes(300, 3);
  twice.insert(twice.end(), twice.begin(), twice.end());
  expectExact(twice);
}

TEST(Deflate, LargeInputsAndTheWindowEdge) {
  // A block repeated at exactly 32768 bytes is found; at 32769 it is not.
  const Bytes block = randomBytes(4096, 21);
  std::size_t compressedSize[2] = {};
  for (std::size_t distance : {32768u, 32769u}) {
    Bytes data = block;
    const Bytes filler = randomBytes(distance - block.size(), 22);
    data.insert(data.end(), filler.begin(), filler.end());
    data.insert(data.end(), block.begin(), block.end());
    expectExact(data);
    compressedSize[distance - 32768] =
        compress(data.data(), static_cast<std::int64_t>(data.size())).size();
  }
  // Matched, the 4096 repeated bytes cost a few dozen bytes instead of ~4350.
  EXPECT_LT(compressedSize[0] + 4000, compressedSize[1]);
  // Inputs far beyond the 32 KiB ring of chain links.
  Bytes mixed;
  for (std::uint32_t part = 0; part < 40; ++part) {
    const Bytes piece = randomBytes(5000, 100 + part % 7, part % 2 == 0 ? 4 : 256);
    mixed.insert(mixed.end(), piece.begin(), piece.end());
  }
  expectExact(mixed);
}

// Inside a match the chain entries are derived from the bytes it repeats
// rather than inserted one by one; these inputs steer every branch of that
// against the model.
TEST(Deflate, AgreesWithTheModelOnRepeatsAndPeriods) {
  // Runs of every short period, long enough for many 258-byte matches, with
  // a varied head so the first period's links reach back before the match.
  for (std::size_t period = 1; period <= 9; ++period) {
    Bytes data = randomBytes(50, static_cast<std::uint32_t>(period), 4);
    const Bytes unit = randomBytes(period, static_cast<std::uint32_t>(period + 40));
    for (int k = 0; k < 700; ++k) data.insert(data.end(), unit.begin(), unit.end());
    expectExact(data);
  }
  // Rows of pixel runs under a row of the same runs (a long match from far
  // back whose bytes also repeat at a short period), with row bytes between,
  // runs that end inside a match and pixels whose bytes collide in the hash
  // (equal but for bit 7 of the middle byte).
  for (std::uint32_t seed = 1; seed <= 4; ++seed) {
    std::mt19937 rng(seed);
    const std::size_t pixelBytes = 3 + seed % 2;
    Bytes row;
    while (row.size() < 3000) {
      std::uint8_t pixel[4];
      for (auto &b : pixel) b = static_cast<std::uint8_t>(rng() % 3 * 0x40 + 0x10);
      if (rng() % 3 == 0) pixel[1] ^= 0x80;
      const std::size_t run = 1 + rng() % (seed == 1 ? 300 : 40);
      for (std::size_t k = 0; k < run; ++k) row.insert(row.end(), pixel, pixel + pixelBytes);
    }
    Bytes data;
    for (int y = 0; y < 30; ++y) {
      data.push_back(0);
      data.insert(data.end(), row.begin(), row.end());
      if (y % 7 == 3) row[rng() % row.size()] ^= 0x55;  // a row that differs in one byte
    }
    expectExact(data);
  }
  // Repeats at distances just inside and beyond the window, over runs, and
  // inputs far longer than the 64 KiB a 16-bit gap spans.
  for (std::size_t distance : {16383u, 16384u, 32767u, 32768u, 32769u}) {
    Bytes data = randomBytes(2000, 7, 3);
    data.insert(data.end(), 600, 0x20);
    const Bytes filler = randomBytes(distance - data.size(), 8, 256);
    const Bytes head = data;
    data.insert(data.end(), filler.begin(), filler.end());
    data.insert(data.end(), head.begin(), head.end());
    expectExact(data);
  }
  Bytes longRuns;
  for (std::uint32_t part = 0; part < 30; ++part) {
    const Bytes piece = randomBytes(300 + part * 50, 200 + part, part % 3 == 0 ? 256 : 2);
    longRuns.insert(longRuns.end(), piece.begin(), piece.end());
    longRuns.insert(longRuns.end(), 3000 + part * 97, static_cast<std::uint8_t>(part % 4));
  }
  expectExact(longRuns);
  // A run that starts just over 65536 bytes after the end of an earlier run
  // of the same byte: a gap kept modulo 2^16 would lead a few bytes back,
  // to a position of another chain.
  Bytes aliasing(70000);
  for (std::size_t k = 0; k < aliasing.size(); ++k)
    aliasing[k] = static_cast<std::uint8_t>(k * 131 % 251);
  for (std::size_t k = 0; k < 40; ++k) aliasing[100 + k] = aliasing[100 + 65536 + 40 + k] = 0x99;
  expectExact(aliasing);
}

// A match from far back is entered stretch by stretch: the parts that also
// repeat at a pixel's period (4 or 3 bytes, runs of 1 and 2 at 4) as
// repeats, the rest one by one. Rows whose runs start before, at and inside
// the matches that copy them, of lengths around the shortest stretch taken
// as a repeat, with a row cut short by the end of the input.
TEST(Deflate, AgreesWithTheModelOnPeriodicStretchesInFarMatches) {
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    std::mt19937 rng(seed);
    const std::size_t pixelBytes = seed % 3 == 0 ? 3 : 4;
    Bytes row;
    while (row.size() < 1500) {
      const Bytes noise = randomBytes(1 + rng() % 12, rng(), 256);
      row.insert(row.end(), noise.begin(), noise.end());
      const Bytes pixel = randomBytes(pixelBytes, rng(), seed % 2 == 0 ? 2 : 256);
      const std::size_t runBytes = 14 + rng() % 20;  // 14 .. 33 bytes of the run
      for (std::size_t k = 0; k < runBytes; ++k) row.push_back(pixel[k % pixelBytes]);
    }
    Bytes data;
    for (int y = 0; y < 12; ++y) {
      data.insert(data.end(), row.begin(), row.end());
      // Changes that end the copied rows' matches inside runs and noise.
      for (int change = 0; change < 5; ++change) row[rng() % row.size()] ^= 0x21;
    }
    data.resize(data.size() - rng() % 40);
    expectExact(data);
  }
}

// A search whose best match stops where its own bytes go on repeating at the
// candidate's period passes along the run behind that candidate at once.
// Runs of one pixel (periods 1 to 8, pixels of two or many byte values, so
// that pairs of bytes recur within a pixel) of random lengths, shorter and
// longer than the runs they follow and than 64 pixels, between bits of
// noise, over more than the 32768-byte window; some pixels recur from run to
// run, so a run may start inside an earlier one's copy.
TEST(Deflate, AgreesWithTheModelAlongRunsOfOnePixel) {
  for (std::uint32_t seed = 1; seed <= 16; ++seed) {
    std::mt19937 rng(seed);
    const std::size_t period = 1 + seed % 8;
    const int alphabet = seed % 3 == 0 ? 2 : 256;
    std::vector<Bytes> pixels;
    for (int k = 0; k < 3; ++k) pixels.push_back(randomBytes(period, rng(), alphabet));
    Bytes data;
    const std::size_t size = seed % 4 == 0 ? 40000 : 6000;
    while (data.size() < size) {
      const Bytes noise = randomBytes(rng() % 6, rng(), alphabet);
      data.insert(data.end(), noise.begin(), noise.end());
      const Bytes &pixel = pixels[rng() % pixels.size()];
      const std::size_t runBytes = rng() % 4 == 0 ? 200 + rng() % 400 : 1 + rng() % 90;
      const std::size_t offset = rng() % period;
      for (std::size_t k = 0; k < runBytes; ++k) data.push_back(pixel[(offset + k) % period]);
    }
    expectExact(data);
  }
}

// Smooth-gradient rows: pixels of 1 to 4 bytes in runs of 1 to 8, each row
// the one above with some channel stepping a pixel early (as where two
// channels ramp at different rates), so that rows copy each other in short
// far matches broken every few runs, and runs repeat in short near ones.
// Rows of odd widths, over the 32768-byte window, cut at varied ends.
TEST(Deflate, AgreesWithTheModelOnGradientRows) {
  for (std::uint32_t seed = 1; seed <= 8; ++seed) {
    std::mt19937 rng(seed);
    const std::size_t pixelBytes = 1 + seed % 4;
    const std::size_t width = 300 + rng() % 400;
    std::vector<Bytes> row(width, Bytes(pixelBytes));
    Bytes pixel = randomBytes(pixelBytes, rng());
    for (std::size_t x = 0; x < width;) {
      const std::size_t run = 1 + rng() % 8;
      for (std::size_t k = 0; k < run && x < width; ++k) row[x++] = pixel;
      pixel[rng() % pixelBytes] += static_cast<std::uint8_t>(1 + rng() % 3);
    }
    Bytes data;
    while (data.size() < 40000) {
      data.push_back(0);  // a row's leading filter byte
      for (const Bytes &p : row) data.insert(data.end(), p.begin(), p.end());
      const std::size_t channel = rng() % pixelBytes;
      for (std::size_t x = 0; x + 1 < width; ++x) row[x][channel] = row[x + 1][channel];
    }
    data.resize(data.size() - rng() % (width * pixelBytes));
    expectExact(data);
  }
}

// Heads that fall out of reach are moved up every 2^20 positions so that
// links stay short. An input past two such points: bytes of one alphabet, a
// long middle of another with runs and copies crossing the points, then the
// first bytes again (too far back to match, with heads last set before).
TEST(Deflate, AgreesWithTheModelPastTwoMegabytes) {
  Bytes data = randomBytes(40000, 31, 128);
  for (auto &b : data) b = static_cast<std::uint8_t>(b | 0x80);
  std::mt19937 rng(32);
  while (data.size() < (std::size_t{1} << 21) + 40000) {
    const Bytes noise = randomBytes(1 + rng() % 3000, rng(), 64);
    data.insert(data.end(), noise.begin(), noise.end());
    if (rng() % 2 == 0) {
      data.insert(data.end(), 1 + rng() % 600, static_cast<std::uint8_t>(rng() % 64));
    } else {
      const std::size_t length = 3 + rng() % 600;
      const std::size_t from = data.size() - 1 - rng() % 30000;
      for (std::size_t k = 0; k < length; ++k) {
        const std::uint8_t copied = data[from + k];
        data.push_back(copied);
      }
    }
  }
  const Bytes first(data.begin(), data.begin() + 40000);
  data.insert(data.end(), first.begin(), first.end());
  expectExact(data);
}

// The match tables are kept per thread between compressions and emptied by
// each one, by walking a short input's positions or refilling after a long
// one: an input on the same thread must never find a previous input's
// positions. Inputs sharing most of their triples, short and long in turn,
// on this thread and on a fresh one.
TEST(Deflate, NoInputSeesThePreviousOnesTables) {
  const Bytes base = randomBytes(50000, 17, 6);
  const std::vector<std::size_t> sizes = {40000, 3, 700, 32767, 32768, 5, 50000, 1200, 0, 90};
  const auto run = [&] {
    for (std::size_t k = 0; k < sizes.size(); ++k) {
      Bytes data(base.begin() + static_cast<std::ptrdiff_t>(k * 7), base.end());
      data.resize(sizes[k]);
      expectExact(data);
    }
  };
  run();
  std::thread other(run);
  other.join();
}

TEST(Deflate, RefusesInputsBeyondThirtyTwoBitPositions) {
  const std::uint8_t byte = 0;
  // The refusal comes before any byte is read.
  EXPECT_THROW(compress(&byte, (std::int64_t{1} << 31) + 3), Defect);
  EXPECT_THROW(zlibDeflate(&byte, (std::int64_t{1} << 31) + 3), Defect);
  EXPECT_THROW(compress(&byte, INT64_MAX - 2), Defect);
  EXPECT_THROW(compress(&byte, -1), Defect);
  Bytes out = {1, 2};
  EXPECT_THROW(appendZlib(out, &byte, (std::int64_t{1} << 31) + 3), Defect);
  EXPECT_EQ(out, (Bytes{1, 2}));
}

TEST(Adler32, MatchesZlibAcrossReductionRuns) {
  EXPECT_EQ(adler32(nullptr, 0), 1u);
  const Bytes wiki = bytesOf("Wikipedia");
  EXPECT_EQ(adler32(wiki.data(), 9), 0x11E60398u);
  // All 0xFF stresses the sums hardest; lengths straddle the 5552-byte runs.
  for (std::size_t size : {15u, 16u, 17u, 5551u, 5552u, 5553u, 100000u}) {
    for (const Bytes &data :
         {Bytes(size, 0xFF), randomBytes(size, static_cast<std::uint32_t>(size))}) {
      const auto expected =
          static_cast<std::uint32_t>(::adler32(1, data.data(), static_cast<uInt>(data.size())));
      EXPECT_EQ(adler32(data.data(), static_cast<std::int64_t>(size)), expected) << size;
    }
  }
}

TEST(Crc32, MatchesZlib) {
  EXPECT_EQ(CrcTable[0], 0u);
  EXPECT_EQ(CrcTable[1], 0x77073096u);
  EXPECT_EQ(CrcTable[255], 0x2D02EF8Du);
  std::mt19937 rng(3);
  for (std::size_t size : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 1000u, 4099u}) {
    Bytes data(size);
    for (auto &b : data) b = static_cast<std::uint8_t>(rng());
    EXPECT_EQ(crc32(data.data(), size), ::crc32(0, data.data(), static_cast<uInt>(size))) << size;
  }
}

}  // namespace
}  // namespace zd::compress
