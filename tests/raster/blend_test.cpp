// The pixel operations: worked values, the byte rule, the
// offset checks, and the row kernels (baseline and vector) against the
// single-pixel operations over a grid of inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "common/errors.hpp"
#include "cpu/cpu.hpp"
#include "raster/kernels.hpp"
#include "raster/raster.hpp"

namespace {

using zd::raster::blendOver;
using zd::raster::blendOverwrite;
using zd::raster::Image;
using zd::raster::Paint;

Image onePixel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
  Image image = zd::image::newImage(1, 1, zd::image::csRgba);
  image.data = {r, g, b, a};
  return image;
}

using Bytes = std::vector<std::uint8_t>;

TEST(ByteRule, RoundsHalvesUpClampsAndMapsNanToZero) {
  EXPECT_EQ(zd::raster::toByte(0.0f), 0);
  EXPECT_EQ(zd::raster::toByte(1.0f), 255);
  EXPECT_EQ(zd::raster::toByte(0.5f), 128);         // 128.0 exactly
  EXPECT_EQ(zd::raster::toByte(0.2f), 51);          // 51.5 after the fused rounding... truncated
  EXPECT_EQ(zd::raster::toByte(1.5f / 255.0f), 2);  // a half goes up
  EXPECT_EQ(zd::raster::toByte(1.002f), 255);
  EXPECT_EQ(zd::raster::toByte(-0.3f), 0);
  EXPECT_EQ(zd::raster::toByte(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(zd::raster::toByte(std::numeric_limits<float>::infinity()), 255);
  EXPECT_EQ(zd::raster::toByte(-std::numeric_limits<float>::infinity()), 0);
}

TEST(BlendOver, WorkedValues) {
  // Full coverage of an opaque paint stores exactly the paint bytes.
  Image image = onePixel(10, 20, 30, 40);
  blendOver(image, 0, 1.0f, 0.2f, 0.4f, 1.0f, 1.0f);
  EXPECT_EQ(image.data, (Bytes{51, 102, 255, 255}));

  // Red at half coverage onto transparent black keeps its full red.
  image = onePixel(0, 0, 0, 0);
  blendOver(image, 0, 0.5f, 1.0f, 0.0f, 0.0f, 1.0f);
  EXPECT_EQ(image.data, (Bytes{255, 0, 0, 128}));

  // White at half coverage onto opaque black gives mid grey.
  image = onePixel(0, 0, 0, 255);
  blendOver(image, 0, 0.5f, 1.0f, 1.0f, 1.0f, 1.0f);
  EXPECT_EQ(image.data, (Bytes{128, 128, 128, 255}));

  // Zero alpha or zero coverage leaves the pixel as it was.
  image = onePixel(1, 2, 3, 4);
  blendOver(image, 0, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f);
  blendOver(image, 0, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
  EXPECT_EQ(image.data, (Bytes{1, 2, 3, 4}));
}

TEST(BlendOverwrite, ReplacesWithReducedAlpha) {
  Image image = onePixel(9, 9, 9, 9);
  blendOverwrite(image, 0, 0.25f, 1.0f, 0.0f, 0.0f, 1.0f);
  EXPECT_EQ(image.data, (Bytes{255, 0, 0, 64}));
  // Alpha 0 still stores the colour with alpha 0: the previous pixel plays no part.
  blendOverwrite(image, 0, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f);
  EXPECT_EQ(image.data, (Bytes{0, 255, 0, 0}));
}

TEST(PixelOffsets, OutsideTheBufferRaiseIndexErrors) {
  Image image = zd::image::newImage(2, 1, zd::image::csRgba);
  // blendOver checks all four bytes first and writes nothing.
  image.data.resize(6);
  EXPECT_THROW(blendOver(image, 4, 1.0f, 1, 1, 1, 1), zd::Defect);
  EXPECT_EQ(image.data, Bytes(6, 0));
  EXPECT_THROW(blendOver(image, -4, 1.0f, 1, 1, 1, 1), zd::Defect);
  EXPECT_THROW(blendOver(image, std::numeric_limits<std::int64_t>::max(), 1.0f, 1, 1, 1, 1),
               zd::Defect);
  // blendOverwrite checks each byte before its store: the first two land.
  EXPECT_THROW(blendOverwrite(image, 4, 1.0f, 1, 1, 1, 1), zd::Defect);
  EXPECT_EQ(image.data, (Bytes{0, 0, 0, 0, 255, 255}));
  EXPECT_THROW(
      blendOverwrite(image, std::numeric_limits<std::int64_t>::max() - 1, 1.0f, 1, 1, 1, 1),
      zd::Defect);
  // A zero contribution returns before the check.
  EXPECT_NO_THROW(blendOver(image, 100, 0.0f, 1, 1, 1, 1));
}

// The row kernels must give exactly what the single-pixel operations give,
// whichever build runs: every destination alpha, many coverages (including
// exact 1 and values above 1), several paints including NaN alpha.
class RowKernels : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { zd::cpu::disableForTesting(GetParam() ? zd::cpu::kAllFeatures : 0); }
  void TearDown() override { zd::cpu::disableForTesting(0); }
};

TEST_P(RowKernels, MatchTheSinglePixelOperations) {
  std::mt19937 random(99);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Paint paints[] = {{1, 0, 0, 1},       {0.1f, 0.7f, 0.33f, 0.5f}, {0, 0, 0, 1},
                          {1, 1, 1, 0.0001f}, {0.5f, 0.5f, 0.5f, nan},   {nan, 0.2f, 1, 0.8f}};
  const std::int64_t width = 1029;  // not a multiple of the vector width
  std::vector<float> coverage(static_cast<std::size_t>(width));
  for (const Paint &paint : paints) {
    for (int round = 0; round < 40; ++round) {
      for (std::int64_t x = 0; x < width; ++x) {
        const int pick = static_cast<int>(random() % 6);
        coverage[x] = pick == 0   ? 0.0f
                      : pick == 1 ? 1.0f
                      : pick == 2 ? 0.25f * static_cast<float>(random() % 9)
                                  : std::ldexp(static_cast<float>(random() % 4096), -12);
      }
      if (round % 3 == 0) std::fill(coverage.begin() + 100, coverage.begin() + 900, 1.0f);
      Image start = zd::image::newImage(width, 1, zd::image::csRgba);
      for (auto &byte : start.data) byte = static_cast<std::uint8_t>(random());
      if (round % 2 == 0) {
        // Long runs of one pixel value, as painted areas have, some of them
        // differing only in one byte.
        for (std::int64_t x = 0; x < width; ++x) {
          const std::uint32_t run = static_cast<std::uint32_t>(x / 37 % 3);
          for (int c = 0; c < 4; ++c)
            start.data[x * 4 + c] = static_cast<std::uint8_t>(40 * c + (c == 3 ? run : 0));
        }
      }
      for (const bool overwrite : {false, true}) {
        Image expected = start, actual = start;
        for (std::int64_t x = 0; x < width; ++x) {
          if (!(coverage[x] > 0)) continue;
          (overwrite ? blendOverwrite : blendOver)(expected, x * 4, coverage[x], paint.red,
                                                   paint.green, paint.blue, paint.alpha);
        }
        const std::int64_t from = round % 5, to = width - round % 7;
        // Columns outside [from, to) must stay as they were.
        for (std::int64_t x = 0; x < width; ++x) {
          if (x >= from && x < to) continue;
          for (int c = 0; c < 4; ++c) expected.data[x * 4 + c] = start.data[x * 4 + c];
        }
        (overwrite ? zd::raster::detail::blendRowOverwrite : zd::raster::detail::blendRowOver)(
            actual.data.data(), coverage.data(), from, to, paint);
        ASSERT_EQ(actual.data, expected.data) << "overwrite " << overwrite << " round " << round;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, RowKernels, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Baseline" : "Detected"; });

}  // namespace
