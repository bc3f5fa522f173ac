// Gradient paints through the C interface: a gradient of one colour against
// the solid paint byte for byte (random paths, both rules, both modes, fill
// and stroke, with and without a matrix), the matrix moving the gradient
// with the path, what the radial cone leaves untouched, stops and hard
// edges, and the source switching between colour and gradient.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "image_bytes.hpp"
#include "zd.h"

namespace {

constexpr int kSize = 64;

using zd::capi::testing::pixels;

// An image whose every pixel is already something, so that blending shows.
ZdImage *background(std::mt19937 &random) {
  ZdImage *image = zd_image_new(kSize, kSize);
  std::uint8_t *data = nullptr;
  int64_t length = 0;
  EXPECT_EQ(zd_image_pixels(image, &data, &length), ZD_OK);
  for (int64_t i = 0; i < length; ++i) data[i] = static_cast<std::uint8_t>(random());
  return image;
}

ZdImage *copyOf(ZdImage *image) {
  ZdImage *copy = zd_image_new(kSize, kSize);
  std::uint8_t *from = nullptr, *to = nullptr;
  int64_t length = 0;
  EXPECT_EQ(zd_image_pixels(image, &from, &length), ZD_OK);
  EXPECT_EQ(zd_image_pixels(copy, &to, &length), ZD_OK);
  std::copy(from, from + length, to);
  return copy;
}

// A random closed polygon with a curve, partly outside the image.
ZdPath *randomPath(std::mt19937 &random) {
  std::uniform_real_distribution<float> any(-10.0f, kSize + 10.0f);
  ZdPath *path = zd_path_new();
  EXPECT_EQ(zd_path_move_to(path, any(random), any(random)), ZD_OK);
  const int vertices = 3 + static_cast<int>(random() % 6);
  for (int v = 0; v < vertices; ++v) {
    EXPECT_EQ(zd_path_line_to(path, any(random), any(random)), ZD_OK);
  }
  EXPECT_EQ(zd_path_bezier_curve_to(path, any(random), any(random), any(random), any(random),
                                    any(random), any(random)),
            ZD_OK);
  EXPECT_EQ(zd_path_close_path(path), ZD_OK);
  return path;
}

// Each gradient kind, set on `paint`.
void setGeometry(ZdPaint *paint, int kind) {
  switch (kind) {
    case 0: ASSERT_EQ(zd_paint_set_linear(paint, 3, 5, 50, 40), ZD_OK); break;
    // The start circle inside the end circle: defined everywhere.
    case 1: ASSERT_EQ(zd_paint_set_radial(paint, 30, 28, 2, 32, 32, 20), ZD_OK); break;
    default: ASSERT_EQ(zd_paint_set_conic(paint, 31.5f, 30, 0.7f), ZD_OK); break;
  }
}

TEST(GradientPaint, OneColourGradientIsTheSolidPaintByteForByte) {
  std::mt19937 random(16);
  const char *const colours[] = {"#336699", "rgba(255, 0, 0, 0.5)", "oklch(70% 0.4 150 / 0.8)"};
  const float dashes[2] = {7, 3};
  const ZdStroke stroke{3.5f, ZD_JOIN_ROUND, ZD_CAP_SQUARE, 4, dashes, 2, 1};
  const float matrix[6] = {0.9f, 0.3f, -0.2f, 1.1f, 4, -3};
  for (int round = 0; round < 6; ++round) {
    ZdPath *path = randomPath(random);
    ZdColor *colour = zd_color_parse_css(colours[round % 3]);
    ASSERT_NE(colour, nullptr);
    for (int kind = 0; kind < 3; ++kind) {
      for (int coverage = 0; coverage < 3; ++coverage) {  // non-zero, even-odd, stroke
        for (int32_t mode = 0; mode < 2; ++mode) {
          for (const float *m : {static_cast<const float *>(nullptr), matrix}) {
            ZdPaint *solid = zd_paint_new();
            ASSERT_EQ(zd_paint_set_color(solid, colour), ZD_OK);
            if (coverage == 2) {
              ASSERT_EQ(zd_paint_set_stroke(solid, &stroke), ZD_OK);
            } else {
              ASSERT_EQ(zd_paint_set_fill(solid, coverage), ZD_OK);
            }
            ASSERT_EQ(zd_paint_set_mode(solid, mode), ZD_OK);
            ZdPaint *gradient = zd_paint_copy(solid);
            for (const float offset : {0.0f, 0.3f, 0.3f, 1.0f}) {
              ASSERT_EQ(zd_paint_add_stop(gradient, offset, colour), ZD_OK);
            }
            ASSERT_EQ(zd_paint_set_interpolation(gradient, "oklch", ZD_HUE_LONGER), ZD_OK);
            setGeometry(gradient, kind);
            ZdImage *expected = background(random);
            ZdImage *drawn = copyOf(expected);
            ASSERT_EQ(zd_draw_path(expected, path, solid, m), ZD_OK);
            ASSERT_EQ(zd_draw_path(drawn, path, gradient, m), ZD_OK);
            EXPECT_EQ(pixels(drawn), pixels(expected))
                << "round " << round << " kind " << kind << " coverage " << coverage << " mode "
                << mode << (m ? " with matrix" : "");
            zd_image_free(drawn);
            zd_image_free(expected);
            zd_paint_free(gradient);
            zd_paint_free(solid);
          }
        }
      }
    }
    zd_color_free(colour);
    zd_path_free(path);
  }
}

ZdPaint *twoStops(const char *from, const char *to) {
  ZdPaint *paint = zd_paint_new();
  ZdColor *a = zd_color_parse_css(from), *b = zd_color_parse_css(to);
  EXPECT_EQ(zd_paint_add_stop(paint, 0.0f, a), ZD_OK);
  EXPECT_EQ(zd_paint_add_stop(paint, 1.0f, b), ZD_OK);
  zd_color_free(a);
  zd_color_free(b);
  return paint;
}

ZdPath *square() {
  ZdPath *path = zd_path_new();
  EXPECT_EQ(zd_path_rect(path, 1, 0, 0, kSize, kSize), ZD_OK);
  return path;
}

// Drawing with a matrix samples through its inverse: the same as drawing
// the path moved by the matrix with the gradient moved by it too.
TEST(GradientPaint, GradientMovesWithThePathUnderTheMatrix) {
  const float matrix[6] = {0.8f, 0.4f, -0.3f, 0.9f, 12, -2};
  for (int kind = 0; kind < 3; ++kind) {
    ZdPath *path = nullptr;
    ASSERT_EQ(zd_path_parse_d("M 2 3 L 60 8 L 50 55 L 5 40 Z", &path), ZD_OK);
    ZdPaint *paint = twoStops("#ff8000", "oklch(50% 0.2 260)");
    ASSERT_EQ(zd_paint_set_spread(paint, ZD_SPREAD_REFLECT), ZD_OK);
    setGeometry(paint, kind);
    ZdImage *drawn = zd_image_new(kSize, kSize), *moved = zd_image_new(kSize, kSize);
    ASSERT_EQ(zd_draw_path(drawn, path, paint, matrix), ZD_OK);
    ASSERT_EQ(zd_path_transform(path, matrix), ZD_OK);
    ASSERT_EQ(zd_paint_set_gradient_transform(paint, matrix), ZD_OK);
    ASSERT_EQ(zd_draw_path(moved, path, paint, nullptr), ZD_OK);
    EXPECT_EQ(pixels(drawn), pixels(moved)) << "kind " << kind;
    // And the gradient really did move: without its transform it differs.
    const float identity[6] = {1, 0, 0, 1, 0, 0};
    ASSERT_EQ(zd_paint_set_gradient_transform(paint, identity), ZD_OK);
    ZdImage *unmoved = zd_image_new(kSize, kSize);
    ASSERT_EQ(zd_draw_path(unmoved, path, paint, nullptr), ZD_OK);
    EXPECT_NE(pixels(unmoved), pixels(moved)) << "kind " << kind;
    zd_image_free(unmoved);
    zd_image_free(moved);
    zd_image_free(drawn);
    zd_paint_free(paint);
    zd_path_free(path);
  }
}

// The focal point outside the end circle: a cone; outside it the pixels
// keep their bytes. With the focal point on the end circle, the half plane
// behind it stays untouched.
TEST(GradientPaint, RadialLeavesPixelsOutsideTheConeUntouched) {
  std::mt19937 random(3);
  struct Case {
    float circles[6];
    float insideX, insideY, outsideX, outsideY;
  };
  const Case cases[] = {{{8, 32, 0, 40, 32, 10}, 40.5f, 32.5f, 8.5f, 50.5f},
                        {{20, 32, 0, 40, 32, 20}, 40.5f, 32.5f, 10.5f, 32.5f}};
  for (const Case &c : cases) {
    ZdPaint *paint = twoStops("red", "blue");
    const float *v = c.circles;
    ASSERT_EQ(zd_paint_set_radial(paint, v[0], v[1], v[2], v[3], v[4], v[5]), ZD_OK);
    ZdImage *image = background(random);
    const std::vector<std::uint8_t> before = pixels(image);
    ZdPath *path = square();
    ASSERT_EQ(zd_draw_path(image, path, paint, nullptr), ZD_OK);
    const std::vector<std::uint8_t> after = pixels(image);
    const auto at = [](float x, float y) {
      return (static_cast<int>(y) * kSize + static_cast<int>(x)) * 4;
    };
    const int inside = at(c.insideX, c.insideY), outside = at(c.outsideX, c.outsideY);
    EXPECT_NE(std::vector<std::uint8_t>(after.begin() + inside, after.begin() + inside + 4),
              std::vector<std::uint8_t>(before.begin() + inside, before.begin() + inside + 4));
    EXPECT_EQ(std::vector<std::uint8_t>(after.begin() + outside, after.begin() + outside + 4),
              std::vector<std::uint8_t>(before.begin() + outside, before.begin() + outside + 4));
    zd_path_free(path);
    zd_image_free(image);
    zd_paint_free(paint);
  }
}

// Equal offsets make a hard edge; one stop paints its colour; no stop
// fails; zd_paint_set_color makes the paint solid again; copies keep the
// gradient.
TEST(GradientPaint, StopsAndTheSourceSwitch) {
  ZdPath *path = square();
  ZdColor *red = zd_color_parse_css("red"), *blue = zd_color_parse_css("blue");
  ZdPaint *paint = zd_paint_new();
  ASSERT_EQ(zd_paint_set_linear(paint, 0, 0, kSize, 0), ZD_OK);
  ZdImage *image = zd_image_new(kSize, kSize);
  EXPECT_EQ(zd_draw_path(image, path, paint, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_NE(std::string(zd_last_error()).find("no stops"), std::string::npos) << zd_last_error();
  const std::vector<std::uint8_t> untouched = pixels(image);
  EXPECT_EQ(untouched, std::vector<std::uint8_t>(untouched.size(), 0));

  ASSERT_EQ(zd_paint_add_stop(paint, 0.5f, blue), ZD_OK);
  ASSERT_EQ(zd_paint_add_stop(paint, 0.5f, red), ZD_OK);    // after blue: red beyond the edge
  ASSERT_EQ(zd_paint_add_stop(paint, -3.0f, blue), ZD_OK);  // clamped to 0
  ASSERT_EQ(zd_paint_add_stop(paint, 9.0f, red), ZD_OK);    // clamped to 1
  ASSERT_EQ(zd_draw_path(image, path, paint, nullptr), ZD_OK);
  const std::vector<std::uint8_t> edge = pixels(image);
  for (int x = 0; x < kSize; ++x) {
    const std::uint8_t *px = &edge[(10 * kSize + x) * 4];
    // Columns left of the middle are blue, right of it red.
    EXPECT_EQ(px[0], x < kSize / 2 ? 0 : 255) << x;
    EXPECT_EQ(px[2], x < kSize / 2 ? 255 : 0) << x;
  }

  ZdPaint *copy = zd_paint_copy(paint);
  ASSERT_EQ(zd_paint_set_color(paint, blue), ZD_OK);
  ZdImage *solid = zd_image_new(kSize, kSize), *copied = zd_image_new(kSize, kSize);
  ASSERT_EQ(zd_draw_path(solid, path, paint, nullptr), ZD_OK);
  ASSERT_EQ(zd_draw_path(copied, path, copy, nullptr), ZD_OK);
  EXPECT_EQ(pixels(copied), edge);
  const std::vector<std::uint8_t> allBlue = pixels(solid);
  for (int i = 0; i < kSize * kSize; ++i) EXPECT_EQ(allBlue[i * 4 + 2], 255);
  // The stops stayed with the paint: a geometry makes it a gradient again.
  ASSERT_EQ(zd_paint_set_linear(paint, 0, 0, kSize, 0), ZD_OK);
  ASSERT_EQ(zd_draw_path(solid, path, paint, nullptr), ZD_OK);
  EXPECT_EQ(pixels(solid), edge);

  // One stop paints its colour wherever the gradient is defined.
  ZdPaint *one = zd_paint_new();
  ASSERT_EQ(zd_paint_add_stop(one, 0.7f, red), ZD_OK);
  ASSERT_EQ(zd_paint_set_conic(one, 10, 10, 1), ZD_OK);
  ZdPaint *flat = zd_paint_new();
  ASSERT_EQ(zd_paint_set_color(flat, red), ZD_OK);
  ZdImage *a = zd_image_new(kSize, kSize), *b = zd_image_new(kSize, kSize);
  ASSERT_EQ(zd_draw_path(a, path, one, nullptr), ZD_OK);
  ASSERT_EQ(zd_draw_path(b, path, flat, nullptr), ZD_OK);
  EXPECT_EQ(pixels(a), pixels(b));

  for (ZdImage *i : {a, b, solid, copied, image}) zd_image_free(i);
  for (ZdPaint *p : {one, flat, copy, paint}) zd_paint_free(p);
  zd_color_free(red);
  zd_color_free(blue);
  zd_path_free(path);
}

// The conic gradient starts on its start ray and turns towards +y; its
// seam lies on that ray.
TEST(GradientPaint, ConicStartsOnTheStartRay) {
  ZdPath *path = square();
  ZdPaint *paint = zd_paint_new();
  ZdColor *colours[4] = {zd_color_parse_css("red"), zd_color_parse_css("lime"),
                         zd_color_parse_css("blue"), zd_color_parse_css("yellow")};
  // Four quarter-turn bands with hard edges.
  for (int q = 0; q < 4; ++q) {
    ASSERT_EQ(zd_paint_add_stop(paint, q * 0.25f, colours[q]), ZD_OK);
    ASSERT_EQ(zd_paint_add_stop(paint, (q + 1) * 0.25f, colours[q]), ZD_OK);
  }
  ASSERT_EQ(zd_paint_set_conic(paint, 32, 32, 0), ZD_OK);
  ZdImage *image = zd_image_new(kSize, kSize);
  ASSERT_EQ(zd_draw_path(image, path, paint, nullptr), ZD_OK);
  const std::vector<std::uint8_t> p = pixels(image);
  const auto rgb = [&](int x, int y) {
    const std::uint8_t *px = &p[(y * kSize + x) * 4];
    return std::to_string(px[0]) + "," + std::to_string(px[1]) + "," + std::to_string(px[2]);
  };
  EXPECT_EQ(rgb(50, 36), "255,0,0");    // just below the start ray: first quarter
  EXPECT_EQ(rgb(28, 50), "0,255,0");    // below the centre: second quarter
  EXPECT_EQ(rgb(10, 28), "0,0,255");    // left: third
  EXPECT_EQ(rgb(36, 10), "255,255,0");  // above: fourth
  EXPECT_EQ(rgb(50, 30), "255,255,0");  // just above the start ray: still the fourth
  zd_image_free(image);
  for (ZdColor *c : colours) zd_color_free(c);
  zd_paint_free(paint);
  zd_path_free(path);
}

}  // namespace
