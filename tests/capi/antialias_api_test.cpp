// The paint's coverage model through the C interface: the default is the
// fill's own bytes; exact area and pixel centres reach fills and strokes,
// with and without a matrix.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "zd.h"

namespace {

std::vector<std::uint8_t> pixels(ZdImage *image) {
  std::uint8_t *data = nullptr;
  int64_t length = 0;
  EXPECT_EQ(zd_image_pixels(image, &data, &length), ZD_OK);
  return std::vector<std::uint8_t>(data, data + length);
}

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

}  // namespace
