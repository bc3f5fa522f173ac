// The paint's coverage model through the C interface: the default is the
// fill's own bytes; exact area and pixel centres reach fills and strokes,
// with and without a matrix.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image_bytes.hpp"
#include "zd.h"

namespace {

using zd::capi::testing::pixels;

// The alpha bytes of column x of an image `size` wide, drawn over nothing.
std::vector<int> columnAlpha(const std::vector<std::uint8_t> &bytes, int size, int x) {
  std::vector<int> alpha;
  for (int y = 0; y < size; ++y)
    alpha.push_back(bytes[static_cast<std::size_t>((y * size + x) * 4 + 3)]);
  return alpha;
}

std::vector<std::uint8_t> draw(const char *d, int32_t antialias, const ZdStroke *stroke,
                               const float *matrix, int size = 12) {
  ZdImage *image = zd_image_new(size, size);
  ZdPath *path = nullptr;
  EXPECT_EQ(zd_path_parse_d(d, &path), ZD_OK);
  ZdPaint *paint = zd_paint_new();
  if (antialias >= 0) {
    EXPECT_EQ(zd_paint_set_antialias(paint, antialias), ZD_OK);
  }
  if (stroke != nullptr) {
    EXPECT_EQ(zd_paint_set_stroke(paint, stroke), ZD_OK);
  }
  EXPECT_EQ(zd_draw_path(image, path, paint, matrix), ZD_OK);
  std::vector<std::uint8_t> bytes = pixels(image);
  zd_paint_free(paint);
  zd_path_free(path);
  zd_image_free(image);
  return bytes;
}

TEST(Antialias, ScanlinesAreTheDefaultAndTheFillsBytes) {
  const char *d = "M 1.3 2.2 L 10.7 3.9 L 5.1 11.2 Z";
  ZdImage *image = zd_image_new(12, 12);
  ZdPath *path = nullptr;
  ASSERT_EQ(zd_path_parse_d(d, &path), ZD_OK);
  ZdColor *black = zd_color_rgba(0, 0, 0, 1);
  ASSERT_EQ(zd_fill_path(image, path, black, 0, 0, 0), ZD_OK);
  EXPECT_EQ(draw(d, -1, nullptr, nullptr), pixels(image));
  EXPECT_EQ(draw(d, ZD_AA_SCANLINES, nullptr, nullptr), pixels(image));
  EXPECT_NE(draw(d, ZD_AA_AREA, nullptr, nullptr), pixels(image));
  zd_color_free(black);
  zd_path_free(path);
  zd_image_free(image);
}

TEST(Antialias, StrokesAndMatricesUseTheModel) {
  // A pen 2 wide along y = 5.375 covers 0.625 of row 4, all of row 5 and
  // 0.375 of row 6: by area 159, 255, 96; the sample lines see 3/4 and 1/4;
  // the centres, rows 4 and 5.
  const ZdStroke pen{2, ZD_JOIN_MITER, ZD_CAP_BUTT, 4, nullptr, 0, 0};
  const std::vector<int> area = {0, 0, 0, 0, 159, 255, 96, 0, 0, 0, 0, 0};
  const std::vector<int> lines = {0, 0, 0, 0, 191, 255, 64, 0, 0, 0, 0, 0};
  const std::vector<int> centres = {0, 0, 0, 0, 255, 255, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(columnAlpha(draw("M 1 5.375 L 11 5.375", ZD_AA_AREA, &pen, nullptr), 12, 6), area);
  EXPECT_EQ(columnAlpha(draw("M 1 5.375 L 11 5.375", ZD_AA_SCANLINES, &pen, nullptr), 12, 6),
            lines);
  EXPECT_EQ(columnAlpha(draw("M 1 5.375 L 11 5.375", ZD_AA_NONE, &pen, nullptr), 12, 6), centres);
  // The same line drawn at half size and scaled by 2 (the pen scales too).
  const ZdStroke halfPen{1, ZD_JOIN_MITER, ZD_CAP_BUTT, 4, nullptr, 0, 0};
  const float twice[6] = {2, 0, 0, 2, 0, 0};
  EXPECT_EQ(columnAlpha(draw("M 0.5 2.6875 L 5.5 2.6875", ZD_AA_AREA, &halfPen, twice), 12, 6),
            area);
  // Fills through a matrix: squares scaled by 2.
  const std::vector<int> half = {0, 0, 128, 128, 128, 128, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(columnAlpha(draw("M 0.625 0.625 H 2.875 V 2.875 H 0.625 Z", ZD_AA_AREA, nullptr, twice),
                        12, 3),
            (std::vector<int>{0, 191, 255, 255, 255, 191, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(columnAlpha(draw("M 1.25 1.0 H 2.75 V 3 H 1.25 Z", ZD_AA_AREA, nullptr, twice), 12, 2),
            half);
}

TEST(Antialias, ACopyKeepsTheModel) {
  ZdPaint *paint = zd_paint_new();
  ASSERT_EQ(zd_paint_set_antialias(paint, ZD_AA_NONE), ZD_OK);
  EXPECT_EQ(zd_paint_set_antialias(paint, 7), ZD_BAD_ARGUMENT);
  ZdPaint *copy = zd_paint_copy(paint);
  ZdImage *image = zd_image_new(4, 4);
  ZdPath *path = nullptr;
  ASSERT_EQ(zd_path_parse_d("M 0 0 H 1.4 V 4 H 0 Z", &path), ZD_OK);
  ASSERT_EQ(zd_draw_path(image, path, copy, nullptr), ZD_OK);
  const std::vector<std::uint8_t> bytes = pixels(image);
  EXPECT_EQ(bytes[3], 255);  // centre 0.5 inside
  EXPECT_EQ(bytes[7], 0);    // centre 1.5 outside
  zd_path_free(path);
  zd_image_free(image);
  zd_paint_free(copy);
  zd_paint_free(paint);
}

// Gradients take the model too. A radial gradient of one colour goes
// through the shaded painter, which must give the solid colour's bytes under
// every model, over translucent pixels and in both modes; a real ramp gets
// the area's alpha at the edges and the ramp's colours inside.
TEST(Antialias, GradientsUseTheModel) {
  const char *d = "M 1.5 0.3 L 10.25 2.7 L 9.6 11.1 L 2.2 8.4 Z M 4 4 L 6 7 L 7 4 Z";
  ZdPath *path = nullptr;
  ASSERT_EQ(zd_path_parse_d(d, &path), ZD_OK);
  ZdColor *teal = zd_color_rgba(0.1f, 0.6f, 0.55f, 0.7f);
  ZdColor *backdrop = zd_color_rgba(0.9f, 0.2f, 0.3f, 0.5f);
  ZdPath *all = zd_path_new();
  ASSERT_EQ(zd_path_rect(all, 1, 0, 0, 12, 12), ZD_OK);
  for (int32_t model : {ZD_AA_SCANLINES, ZD_AA_AREA, ZD_AA_NONE}) {
    for (int32_t mode : {ZD_MODE_OVER, ZD_MODE_OVERWRITE}) {
      std::vector<std::uint8_t> results[2];
      for (int shaded = 0; shaded < 2; ++shaded) {
        ZdImage *image = zd_image_new(12, 12);
        ASSERT_EQ(zd_fill_path(image, all, backdrop, 0, 0, 0), ZD_OK);
        ZdPaint *paint = zd_paint_new();
        ASSERT_EQ(zd_paint_set_antialias(paint, model), ZD_OK);
        ASSERT_EQ(zd_paint_set_mode(paint, mode), ZD_OK);
        ASSERT_EQ(zd_paint_set_fill(paint, 1), ZD_OK);
        if (shaded != 0) {
          ASSERT_EQ(zd_paint_set_radial(paint, 6, 6, 0, 6, 6, 40), ZD_OK);
          ASSERT_EQ(zd_paint_add_stop(paint, 0, teal), ZD_OK);
          ASSERT_EQ(zd_paint_add_stop(paint, 1, teal), ZD_OK);
        } else {
          ASSERT_EQ(zd_paint_set_color(paint, teal), ZD_OK);
        }
        ASSERT_EQ(zd_draw_path(image, path, paint, nullptr), ZD_OK);
        results[shaded] = pixels(image);
        zd_paint_free(paint);
        zd_image_free(image);
      }
      EXPECT_EQ(results[0], results[1]) << "model " << model << " mode " << mode;
    }
  }

  // Black to white along x over the rectangle x 1.5 .. 4.25, overwritten.
  ZdPath *rect = nullptr;
  ASSERT_EQ(zd_path_parse_d("M 1.5 0 L 4.25 0 L 4.25 4 L 1.5 4 Z", &rect), ZD_OK);
  ZdColor *black = zd_color_rgba(0, 0, 0, 1), *white = zd_color_rgba(1, 1, 1, 1);
  std::vector<std::uint8_t> rows[3];
  for (int32_t model : {ZD_AA_SCANLINES, ZD_AA_AREA, ZD_AA_NONE}) {
    ZdImage *image = zd_image_new(8, 4);
    ZdPaint *paint = zd_paint_new();
    ASSERT_EQ(zd_paint_set_antialias(paint, model), ZD_OK);
    ASSERT_EQ(zd_paint_set_mode(paint, ZD_MODE_OVERWRITE), ZD_OK);
    ASSERT_EQ(zd_paint_set_linear(paint, 0, 0, 8, 0), ZD_OK);
    ASSERT_EQ(zd_paint_add_stop(paint, 0, black), ZD_OK);
    ASSERT_EQ(zd_paint_add_stop(paint, 1, white), ZD_OK);
    ASSERT_EQ(zd_draw_path(image, rect, paint, nullptr), ZD_OK);
    rows[model] = pixels(image);
    zd_paint_free(paint);
    zd_image_free(image);
  }
  const auto alphas = [](const std::vector<std::uint8_t> &bytes) {
    std::vector<int> alpha;
    for (int x = 0; x < 8; ++x) alpha.push_back(bytes[static_cast<std::size_t>(x * 4 + 3)]);
    return alpha;
  };
  EXPECT_EQ(alphas(rows[ZD_AA_AREA]), (std::vector<int>{0, 128, 255, 255, 64, 0, 0, 0}));
  EXPECT_EQ(alphas(rows[ZD_AA_NONE]), (std::vector<int>{0, 255, 255, 255, 0, 0, 0, 0}));
  // Colour by pixel centre alike under every model: t = (x + 0.5) / 8.
  for (int x = 1; x <= 4; ++x) {
    const auto at = static_cast<std::size_t>(x * 4);
    EXPECT_EQ(rows[ZD_AA_AREA][at], rows[ZD_AA_SCANLINES][at]) << x;
    if (x < 4) {
      EXPECT_EQ(rows[ZD_AA_NONE][at], rows[ZD_AA_SCANLINES][at]) << x;
    }
  }
  EXPECT_LT(rows[ZD_AA_AREA][4], rows[ZD_AA_AREA][8]);
  zd_color_free(black);
  zd_color_free(white);
  zd_path_free(rect);
  zd_color_free(teal);
  zd_color_free(backdrop);
  zd_path_free(all);
  zd_path_free(path);
}

}  // namespace
