// Colour exports: handles from text and numbers, SVG colour text and the
// one-path document, through the C interface.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "capi/handles.hpp"
#include "zd.h"

namespace {

using zd::tintra::Color;

// Frees the handle when the test leaves its scope.
struct ColorHandle {
  explicit ColorHandle(ZdColor *h) : handle(h) {}
  ~ColorHandle() { zd_color_free(handle); }
  ColorHandle(const ColorHandle &) = delete;
  ColorHandle &operator=(const ColorHandle &) = delete;
  ZdColor *handle;
};

TEST(ColorParseExport, HandlesHoldTheParsedColour) {
  ColorHandle red(zd_color_parse("  #ff000080 "));
  ASSERT_NE(red.handle, nullptr);
  EXPECT_EQ(red.handle->refs, 1u);
  EXPECT_EQ(red.handle->value.space, zd::tintra::stSrgb);
  EXPECT_EQ(red.handle->value.comps[0], 1.0f);
  EXPECT_EQ(red.handle->value.alpha, 0.5019608f);

  ColorHandle green(zd_color_parse("oklch(70% 0.1 150)"));
  ASSERT_NE(green.handle, nullptr);
  EXPECT_EQ(green.handle->value.space, zd::tintra::stOklch);
  EXPECT_EQ(green.handle->value.comps[0], 0.7f);
  EXPECT_EQ(green.handle->value.comps[2], 150.0f);

  // The text ends at its NUL: what follows is never looked at.
  const char withTail[] = "#fff\0 garbage";
  ColorHandle white(zd_color_parse(withTail));
  ASSERT_NE(white.handle, nullptr);
  EXPECT_EQ(white.handle->value.comps[2], 1.0f);
}

TEST(ColorParseExport, FailuresGiveNil) {
  EXPECT_EQ(zd_color_parse(nullptr), nullptr);
  for (const char *text : {"", "red", "#12g", "rgb(1,2)", "rgb(255,0,0,2)", "rgb(inf 0 0)",
                           "oklch(0.5 0.1 30 / 0.2 / 0.3)", "#fff\xff"}) {
    EXPECT_EQ(zd_color_parse(text), nullptr) << text;
  }
  // A failure leaves nothing behind: the next call works as usual.
  ColorHandle next(zd_color_parse("rgb(0 0 0)"));
  EXPECT_NE(next.handle, nullptr);
}

TEST(ColorRgbaExport, RangeAndFinitenessChecks) {
  EXPECT_EQ(zd_color_rgba(1, 0, 0, 1.0001f), nullptr);
  EXPECT_EQ(zd_color_rgba(-0.0001f, 0, 0, 1), nullptr);
  EXPECT_EQ(zd_color_rgba(0, 1.5f, 0, 1), nullptr);
  EXPECT_EQ(zd_color_rgba(0, 0, 2, 1), nullptr);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(zd_color_rgba(nan, 0, 0, 1), nullptr);
  EXPECT_EQ(zd_color_rgba(0, 0, 0, nan), nullptr);
  EXPECT_EQ(zd_color_rgba(0, inf, 0, 1), nullptr);
  EXPECT_EQ(zd_color_rgba(0, 0, -inf, 1), nullptr);

  const float subnormal = std::numeric_limits<float>::denorm_min();
  ColorHandle edge(zd_color_rgba(-0.0f, subnormal, 1, 0));
  ASSERT_NE(edge.handle, nullptr);
  const Color &c = edge.handle->value;
  EXPECT_EQ(c.space, zd::tintra::stSrgb);
  EXPECT_TRUE(std::signbit(c.comps[0]));
  EXPECT_EQ(c.comps[1], subnormal);
  EXPECT_EQ(c.comps[2], 1.0f);
  EXPECT_EQ(c.alpha, 0.0f);
}

}  // namespace
