// The kernel for runs of whole columns against the single-pixel operation:
// rows made of stretches of a few pixel values (so eight equal pixels often
// follow a mixed group that starts with the same value), at every offset.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "cpu/cpu.hpp"
#include "raster/kernels.hpp"
#include "raster/raster.hpp"

namespace {

using zd::raster::Image;
using zd::raster::Paint;

std::vector<std::uint8_t> stretchyRow(std::mt19937 &random, std::int64_t width) {
  const auto draw = [&] { return static_cast<std::uint32_t>(random()); };
  const std::uint32_t palette[3] = {draw(), draw(), draw() & 0x00FFFFFFu};
  std::vector<std::uint8_t> row;
  while (static_cast<std::int64_t>(row.size()) < width * 4) {
    const std::uint32_t value = palette[random() % 3];
    const auto length = 1 + random() % 20;
    for (std::uint32_t k = 0; k < length; ++k) {
      for (int c = 0; c < 4; ++c) row.push_back(static_cast<std::uint8_t>(value >> (8 * c)));
    }
  }
  row.resize(static_cast<std::size_t>(width * 4));
  return row;
}

class RunKernel : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { zd::cpu::disableForTesting(GetParam() ? zd::cpu::kAllFeatures : 0); }
  void TearDown() override { zd::cpu::disableForTesting(0); }
};

TEST_P(RunKernel, WholeColumnRunsMatchTheSinglePixelOperation) {
  std::mt19937 random(5);
  const Paint paints[] = {{0.2f, 0.6f, 0.9f, 0.5f},
                          {0.9f, 0.1f, 0.4f, 0.8f},
                          {0.0f, 1.0f, 0.5f, 0.003f},
                          {0.7f, 0.7f, 0.2f, 1.0f}};
  for (int trial = 0; trial < 300; ++trial) {
    const std::int64_t width = 1 + static_cast<std::int64_t>(random() % 300);
    const std::int64_t from =
        static_cast<std::int64_t>(random() % static_cast<std::uint32_t>(width));
    const std::int64_t to =
        from + static_cast<std::int64_t>(random() % static_cast<std::uint32_t>(width - from + 1));
    const Paint &paint = paints[trial % 4];
    Image expected = zd::image::newImage(width, 1, zd::image::csRgba);
    const std::vector<std::uint8_t> start = stretchyRow(random, width);
    expected.data.assign(start.begin(), start.end());
    Image actual = expected;
    for (std::int64_t x = from; x < to; ++x) {
      zd::raster::blendOver(expected, x * 4, 1.0f, paint.red, paint.green, paint.blue, paint.alpha);
    }
    zd::raster::detail::blendRunFull(actual.data.data(), from, to, paint, false);
    ASSERT_EQ(actual.data, expected.data) << "trial " << trial << " [" << from << ", " << to << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, RunKernel, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Baseline" : "Detected"; });

}  // namespace
