// zd_fill_path: the order of its checks, what a rejected call leaves, the
// tolerance substitute, and failures raised inside the fill.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "image_bytes.hpp"
#include "zd.h"

namespace {

using zd::capi::testing::pixels;

struct Scene {
  ZdImage *image = zd_image_new(40, 40);
  ZdPath *path = zd_path_new();
  ZdColor *color = zd_color_parse("oklch(70% 0.1 150)");
  Scene() { zd_path_circle(path, 20, 20, 15); }
  ~Scene() {
    zd_color_free(color);
    zd_path_free(path);
    zd_image_free(image);
  }
};

TEST(FillPathExport, RejectsBadArgumentsBeforeTouchingTheImage) {
  Scene s;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(zd_fill_path(nullptr, s.path, s.color, 0, 0, 0), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_fill_path(s.image, nullptr, s.color, 0, 0, 0), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_fill_path(s.image, s.path, nullptr, 0, 0, 0), ZD_BAD_ARGUMENT);
  for (const float tolerance : {nan, inf, -inf}) {
    EXPECT_EQ(zd_fill_path(s.image, s.path, s.color, 0, 0, tolerance), ZD_BAD_ARGUMENT);
  }
  for (const auto &[rule, mode] : std::vector<std::pair<int32_t, int32_t>>{
           {2, 0}, {0, -1}, {-1, 0}, {0, 2}, {INT32_MIN, 0}, {1, 3}}) {
    EXPECT_EQ(zd_fill_path(s.image, s.path, s.color, rule, mode, 0.5f), ZD_BAD_ARGUMENT)
        << rule << " " << mode;
  }
  EXPECT_EQ(pixels(s.image), std::vector<std::uint8_t>(40 * 40 * 4, 0));
}

TEST(FillPathExport, PaintsWithEachRuleAndMode) {
  for (int32_t rule = 0; rule < 2; ++rule) {
    for (int32_t mode = 0; mode < 2; ++mode) {
      Scene s;
      ASSERT_EQ(zd_fill_path(s.image, s.path, s.color, rule, mode, 0.5f), ZD_OK);
      const auto bytes = pixels(s.image);
      // The centre is fully covered: the mapped colour, opaque.
      const std::uint8_t *centre = &bytes[(20 * 40 + 20) * 4];
      EXPECT_EQ(centre[3], 255);
      EXPECT_GT(centre[1], centre[0]);  // a green hue
      EXPECT_EQ(bytes[3], 0);           // a corner stays empty
    }
  }
}

TEST(FillPathExport, ToleranceZeroOrBelowMeansHalfAPixel) {
  std::vector<std::uint8_t> reference;
  {
    Scene s;
    ASSERT_EQ(zd_fill_path(s.image, s.path, s.color, 0, 0, 0.5f), ZD_OK);
    reference = pixels(s.image);
  }
  for (const float tolerance : {0.0f, -0.0f, -3.0f}) {
    Scene s;
    ASSERT_EQ(zd_fill_path(s.image, s.path, s.color, 0, 0, tolerance), ZD_OK);
    EXPECT_EQ(pixels(s.image), reference) << tolerance;
  }
  Scene coarse;  // a coarse tolerance flattens the circle visibly differently
  ASSERT_EQ(zd_fill_path(coarse.image, coarse.path, coarse.color, 0, 0, 8.0f), ZD_OK);
  EXPECT_NE(pixels(coarse.image), reference);
}

TEST(FillPathExport, FailuresInsideGiveStatusTwoAndKeepHandlesUsable) {
  Scene s;
  // Two polygons of 2^20 vertices: more segments than one flattening may make.
  ZdPath *huge = zd_path_new();
  ASSERT_EQ(zd_path_polygon(huge, 1048576, 20, 20, 10), ZD_OK);
  ASSERT_EQ(zd_path_polygon(huge, 1048576, 20, 20, 5), ZD_OK);
  EXPECT_EQ(zd_fill_path(s.image, huge, s.color, 0, 0, 0.5f), ZD_BAD_ARGUMENT);
  EXPECT_EQ(pixels(s.image), std::vector<std::uint8_t>(40 * 40 * 4, 0));
  zd_path_free(huge);
  // The same handles work afterwards, and the call held no reference.
  EXPECT_EQ(zd_fill_path(s.image, s.path, s.color, 0, 0, 0.5f), ZD_OK);
  EXPECT_EQ(zd_image_width(s.image), 40);
}

TEST(FillPathExport, SameImageFilledTwiceBlendsOver) {
  ZdImage *image = zd_image_new(4, 4);
  ZdPath *path = zd_path_new();
  ZdColor *half = zd_color_rgba(1, 0, 0, 0.5f);
  zd_path_rect(path, 1, 0, 0, 4, 4);
  ASSERT_EQ(zd_fill_path(image, path, half, 0, 0, 0), ZD_OK);
  ASSERT_EQ(zd_fill_path(image, path, half, 0, 0, 0), ZD_OK);
  const auto bytes = pixels(image);
  // Half red over itself (stored alpha 128/255): alpha 0.751 -> 192, red stays full.
  EXPECT_EQ((std::vector<int>(bytes.begin(), bytes.begin() + 4)),
            (std::vector<int>{255, 0, 0, 192}));
  // Overwrite replaces instead.
  ASSERT_EQ(zd_fill_path(image, path, half, 1, 1, 0), ZD_OK);
  EXPECT_EQ(pixels(image)[3], 128);
  zd_color_free(half);
  zd_path_free(path);
  zd_image_free(image);
}

}  // namespace
