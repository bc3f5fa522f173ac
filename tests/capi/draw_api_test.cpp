// The stroke, transform, paint and draw exports through the C interface:
// zd_draw_path against zd_fill_path and zd_path_stroke byte for byte, the
// matrix, the paint's setters and copies, and what failures leave behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "image_bytes.hpp"
#include "zd.h"

namespace {

using zd::capi::testing::pixels;

// An image with something already in it, so that blending shows.
ZdImage *background(int size) {
  ZdImage *image = zd_image_new(size, size);
  ZdPath *path = nullptr;
  EXPECT_EQ(zd_path_parse_d("M 0 0 L 64 20 L 10 64 Z", &path), ZD_OK);
  ZdColor *color = zd_color_parse("rgba(20, 200, 90, 0.6)");
  EXPECT_EQ(zd_fill_path(image, path, color, 0, 0, 0), ZD_OK);
  zd_color_free(color);
  zd_path_free(path);
  return image;
}

ZdPath *parse(const char *d) {
  ZdPath *path = nullptr;
  EXPECT_EQ(zd_path_parse_d(d, &path), ZD_OK) << d;
  return path;
}

const char *const kPaths[] = {
    "M 5 5 L 60 10 L 30 58 Z M 20 20 L 40 20 L 30 40 Z",
    "M 10 32 C 10 0 54 0 54 32 Q 54 60 32 60 T 10 32 Z",
    "M 8 8 A 20 12 0.5 1 1 50 50 L 8 50 z m 10 -10 h 10 v 10 h -10 Z",
    "M -10 20 L 80 25 L 30 90",
};

TEST(DrawPath, FillPaintWithoutMatrixIsZdFillPath) {
  const char *const colors[] = {"#336699", "rgba(255, 0, 0, 0.5)", "oklch(70% 0.4 150 / 0.8)"};
  for (const char *d : kPaths) {
    for (const char *colorText : colors) {
      for (int32_t rule = 0; rule < 2; ++rule) {
        for (int32_t mode = 0; mode < 2; ++mode) {
          for (float tolerance : {0.0f, 0.3f}) {
            ZdPath *path = parse(d);
            ZdColor *color = zd_color_parse(colorText);
            ZdImage *expected = background(64), *drawn = background(64);
            ASSERT_EQ(zd_fill_path(expected, path, color, rule, mode, tolerance), ZD_OK);
            ZdPaint *paint = zd_paint_new();
            ASSERT_EQ(zd_paint_set_color(paint, color), ZD_OK);
            ASSERT_EQ(zd_paint_set_fill(paint, rule), ZD_OK);
            ASSERT_EQ(zd_paint_set_mode(paint, mode), ZD_OK);
            ASSERT_EQ(zd_paint_set_tolerance(paint, tolerance), ZD_OK);
            ASSERT_EQ(zd_draw_path(drawn, path, paint, nullptr), ZD_OK);
            EXPECT_EQ(pixels(drawn), pixels(expected)) << d << " " << colorText;
            // The identity matrix is no matrix.
            const float identity[6] = {1, 0, 0, 1, 0, 0};
            ASSERT_EQ(zd_draw_path(drawn, path, paint, identity), ZD_OK);
            ASSERT_EQ(zd_fill_path(expected, path, color, rule, mode, tolerance), ZD_OK);
            EXPECT_EQ(pixels(drawn), pixels(expected)) << d << " " << colorText;
            zd_paint_free(paint);
            zd_image_free(drawn);
            zd_image_free(expected);
            zd_color_free(color);
            zd_path_free(path);
          }
        }
      }
    }
  }
}

TEST(DrawPath, StrokePaintIsTheOutlineFilledNonZero) {
  std::mt19937 random(3);
  const float dashes[] = {7, 3, 0, 4, 12};
  for (const char *d : kPaths) {
    for (int k = 0; k < 6; ++k) {
      ZdStroke style{static_cast<float>(1 + random() % 12),
                     static_cast<int32_t>(random() % 3),
                     static_cast<int32_t>(random() % 3),
                     1.0f + random() % 6,
                     k % 2 ? dashes : nullptr,
                     k % 2 ? static_cast<int32_t>(2 + random() % 4) : 0,
                     static_cast<float>(random() % 20) - 10.0f};
      ZdPath *path = parse(d);
      ZdColor *color = zd_color_parse("rgba(40, 40, 200, 0.7)");
      ZdPath *outline = nullptr;
      ASSERT_EQ(zd_path_stroke(path, &style, 0.4f, &outline), ZD_OK);
      ZdImage *expected = background(64), *drawn = background(64);
      ASSERT_EQ(zd_fill_path(expected, outline, color, 0, 0, 0.4f), ZD_OK);
      ZdPaint *paint = zd_paint_new();
      ASSERT_EQ(zd_paint_set_color(paint, color), ZD_OK);
      ASSERT_EQ(zd_paint_set_fill(paint, 1), ZD_OK);  // a stroke ignores the fill rule
      ASSERT_EQ(zd_paint_set_stroke(paint, &style), ZD_OK);
      ASSERT_EQ(zd_paint_set_tolerance(paint, 0.4f), ZD_OK);
      ASSERT_EQ(zd_draw_path(drawn, path, paint, nullptr), ZD_OK);
      EXPECT_EQ(pixels(drawn), pixels(expected)) << d << " style " << k;
      zd_paint_free(paint);
      zd_image_free(drawn);
      zd_image_free(expected);
      zd_path_free(outline);
      zd_color_free(color);
      zd_path_free(path);
    }
  }
}

TEST(DrawPath, TheMatrixMapsThePathIntoTheImage) {
  ZdPath *square = parse("M 2 2 L 6 2 L 6 6 L 2 6 Z");
  ZdPaint *paint = zd_paint_new();
  ZdImage *image = zd_image_new(32, 32);
  const float shift[6] = {1, 0, 0, 1, 10, 20};
  ASSERT_EQ(zd_draw_path(image, square, paint, shift), ZD_OK);
  const auto bytes = pixels(image);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const bool inside = x >= 12 && x < 16 && y >= 22 && y < 26;
      ASSERT_EQ(bytes[(y * 32 + x) * 4 + 3], inside ? 255 : 0) << x << ", " << y;
    }
  }
  // A stroke is made in the path's units, then mapped: a horizontal line of
  // width 2 scaled three times vertically is 6 px thick.
  ZdPath *line = parse("M 10 10 L 30 10");
  ZdImage *thick = zd_image_new(40, 40);
  const ZdStroke style{2, ZD_JOIN_MITER, ZD_CAP_BUTT, 4, nullptr, 0, 0};
  ASSERT_EQ(zd_paint_set_stroke(paint, &style), ZD_OK);
  const float stretch[6] = {1, 0, 0, 3, 0, 0};
  ASSERT_EQ(zd_draw_path(thick, line, paint, stretch), ZD_OK);
  const auto thickBytes = pixels(thick);
  for (int y = 20; y < 40; ++y) {
    const int alpha = thickBytes[(y * 40 + 20) * 4 + 3];
    EXPECT_EQ(alpha, y >= 27 && y < 33 ? 255 : 0) << y;
  }
  zd_image_free(thick);
  zd_path_free(line);
  zd_image_free(image);
  zd_paint_free(paint);
  zd_path_free(square);
}

TEST(DrawPath, SettersRefuseBadValuesAndChangeNothing) {
  ZdPath *path = parse("M 10 10 L 50 40 L 20 60");
  ZdPaint *paint = zd_paint_new();
  const ZdStroke good{6, ZD_JOIN_ROUND, ZD_CAP_SQUARE, 4, nullptr, 0, 0};
  ASSERT_EQ(zd_paint_set_stroke(paint, &good), ZD_OK);
  ZdImage *reference = zd_image_new(64, 64);
  ASSERT_EQ(zd_draw_path(reference, path, paint, nullptr), ZD_OK);

  const float badDashes[] = {2, -1};
  const ZdStroke bad[] = {{-1, 0, 0, 4, nullptr, 0, 0},  {6, 3, 0, 4, nullptr, 0, 0},
                          {6, 0, -1, 4, nullptr, 0, 0},  {6, 0, 0, 0.5f, nullptr, 0, 0},
                          {6, 0, 0, 4, nullptr, 2, 0},   {6, 0, 0, 4, badDashes, 2, 0},
                          {6, 0, 0, 4, badDashes, -1, 0}};
  for (const ZdStroke &style : bad) EXPECT_EQ(zd_paint_set_stroke(paint, &style), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_paint_set_fill(paint, 2), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_paint_set_mode(paint, -1), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_paint_set_tolerance(paint, std::numeric_limits<float>::quiet_NaN()),
            ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_paint_set_color(paint, nullptr), ZD_BAD_ARGUMENT);
  ZdImage *after = zd_image_new(64, 64);
  ASSERT_EQ(zd_draw_path(after, path, paint, nullptr), ZD_OK);
  EXPECT_EQ(pixels(after), pixels(reference));

  // A copy keeps the settings and goes its own way afterwards.
  ZdPaint *copy = zd_paint_copy(paint);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(zd_paint_set_fill(paint, ZD_FILL_NONZERO), ZD_OK);
  ZdImage *fromCopy = zd_image_new(64, 64);
  ASSERT_EQ(zd_draw_path(fromCopy, path, copy, nullptr), ZD_OK);
  EXPECT_EQ(pixels(fromCopy), pixels(reference));
  ZdImage *filled = zd_image_new(64, 64);
  ASSERT_EQ(zd_draw_path(filled, path, paint, nullptr), ZD_OK);
  EXPECT_NE(pixels(filled), pixels(reference));
  zd_image_free(filled);
  zd_image_free(fromCopy);
  zd_paint_free(copy);
  zd_image_free(after);
  zd_image_free(reference);
  zd_paint_free(paint);
  zd_path_free(path);
}

TEST(DrawPath, FailuresLeaveTheImageAndPathAsTheyWere) {
  ZdImage *image = background(64);
  const auto before = pixels(image);
  ZdPath *path = parse("M 0 0 L 1000000 0");
  ZdPaint *paint = zd_paint_new();
  const float tiny[] = {0.01f, 0.01f};
  const ZdStroke dashed{1, 0, 0, 4, tiny, 2, 0};
  ASSERT_EQ(zd_paint_set_stroke(paint, &dashed), ZD_OK);
  EXPECT_EQ(zd_draw_path(image, path, paint, nullptr), ZD_BAD_ARGUMENT);
  ZdPath *outline = reinterpret_cast<ZdPath *>(0x1);
  EXPECT_EQ(zd_path_stroke(path, &dashed, 0, &outline), ZD_BAD_ARGUMENT);
  EXPECT_EQ(outline, nullptr);
  // A matrix whose images overflow.
  const float huge[6] = {1e38f, 0, 0, 1, 0, 0};
  ASSERT_EQ(zd_paint_set_fill(paint, 0), ZD_OK);
  EXPECT_EQ(zd_draw_path(image, path, paint, huge), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_transform(path, huge), ZD_BAD_ARGUMENT);
  EXPECT_EQ(pixels(image), before);
  EXPECT_EQ(zd_path_command_count(path), 2);
  ZdCommand command;
  ASSERT_EQ(zd_path_command_get(path, 1, &command), ZD_OK);
  EXPECT_EQ(command.params[0], 1000000.0f);
  zd_paint_free(paint);
  zd_path_free(path);
  zd_image_free(image);
}

TEST(StrokeAndTransform, OutlinesAndMappedPathsThroughTheInterface) {
  ZdPath *path = parse("M 10 10 h 30 v 20");
  ZdPath *outline = nullptr;
  const ZdStroke zero{0, 0, 0, 4, nullptr, 0, 0};
  ASSERT_EQ(zd_path_stroke(path, &zero, 0, &outline), ZD_OK);
  EXPECT_EQ(zd_path_command_count(outline), 0);
  zd_path_free(outline);
  const ZdStroke pen{4, ZD_JOIN_BEVEL, ZD_CAP_BUTT, 4, nullptr, 0, 0};
  ASSERT_EQ(zd_path_stroke(path, &pen, 0, &outline), ZD_OK);
  char *text = nullptr;
  int64_t length = 0;
  ASSERT_EQ(zd_path_to_d(outline, &text, &length), ZD_OK);
  // One contour: out along one side, round the bevel, back along the other.
  EXPECT_STREQ(text, "M 10 12 L 38 12 L 38 30 L 42 30 L 42 10 L 40 8 L 10 8 Z");
  zd_buffer_free(text);
  zd_path_free(outline);

  const float quarterTurn[6] = {0, 1, -1, 0, 100, 0};
  ASSERT_EQ(zd_path_transform(path, quarterTurn), ZD_OK);
  ASSERT_EQ(zd_path_to_d(path, &text, &length), ZD_OK);
  EXPECT_STREQ(text, "M 90 10 L 90 40 L 70 40");
  zd_buffer_free(text);
  float xy[2];
  ASSERT_EQ(zd_path_current(path, xy), ZD_OK);
  EXPECT_EQ(xy[0], 70.0f);
  EXPECT_EQ(xy[1], 40.0f);
  zd_path_free(path);
}

}  // namespace
