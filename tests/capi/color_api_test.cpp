// Colour exports: handles from text and numbers, SVG colour text and the
// one-path document, through the C interface.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <limits>
#include <string>

#include "capi/handles.hpp"
#include "path/shapes.hpp"
#include "zd.h"

namespace {

using zd::color::Color;

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
  EXPECT_EQ(red.handle->value.space, zd::color::stSrgb);
  EXPECT_EQ(red.handle->value.comps[0], 1.0f);
  EXPECT_EQ(red.handle->value.alpha, 0.5019608f);

  ColorHandle green(zd_color_parse("oklch(70% 0.1 150)"));
  ASSERT_NE(green.handle, nullptr);
  EXPECT_EQ(green.handle->value.space, zd::color::stOklch);
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
  EXPECT_EQ(c.space, zd::color::stSrgb);
  EXPECT_TRUE(std::signbit(c.comps[0]));
  EXPECT_EQ(c.comps[1], subnormal);
  EXPECT_EQ(c.comps[2], 1.0f);
  EXPECT_EQ(c.alpha, 0.0f);
}

// Runs an export that hands out a string; the outputs start as garbage so
// that clearing them is visible.
struct StringOut {
  char *text = reinterpret_cast<char *>(0x1);
  int64_t len = -7;
  ~StringOut() {
    if (text != reinterpret_cast<char *>(0x1)) zd_buffer_free(text);
  }
  std::string str() const { return std::string(text, static_cast<size_t>(len)); }
};

TEST(ColorToSvgExport, HandsOutTheTextAndLeavesTheHandleAlone) {
  ColorHandle red(zd_color_rgba(1, 0, 0, 1));
  ASSERT_NE(red.handle, nullptr);
  StringOut out;
  ASSERT_EQ(zd_color_to_svg(red.handle, &out.text, &out.len), ZD_OK);
  EXPECT_EQ(out.str(), "#FF0000");
  EXPECT_EQ(out.len, 7);
  EXPECT_EQ(out.text[7], '\0');
  EXPECT_EQ(red.handle->refs, 1u);

  // An out-of-gamut colour: the handle keeps its own value, only the copy is mapped.
  ColorHandle vivid(zd_color_parse("oklch(0.7 0.4 150 / 50%)"));
  ASSERT_NE(vivid.handle, nullptr);
  StringOut mapped;
  ASSERT_EQ(zd_color_to_svg(vivid.handle, &mapped.text, &mapped.len), ZD_OK);
  EXPECT_EQ(mapped.len, 9);
  EXPECT_EQ(mapped.str().substr(7), "80");
  EXPECT_EQ(vivid.handle->value.space, zd::color::stOklch);
  EXPECT_EQ(vivid.handle->value.comps[1], 0.4f);
}

TEST(ColorToSvgExport, ArgumentChecksClearTheOutputs) {
  ColorHandle red(zd_color_rgba(1, 0, 0, 1));
  StringOut a;
  EXPECT_EQ(zd_color_to_svg(red.handle, nullptr, &a.len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(a.len, 0);
  StringOut b;
  EXPECT_EQ(zd_color_to_svg(red.handle, &b.text, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(b.text, nullptr);
  StringOut c;
  EXPECT_EQ(zd_color_to_svg(nullptr, &c.text, &c.len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(c.text, nullptr);
  EXPECT_EQ(c.len, 0);

  // A colour that cannot be put into sRGB (only reachable from inside).
  auto *odd = new ZdColor();
  odd->value = zd::color::color(999, 0, 0, 0, 1).value();
  StringOut d;
  EXPECT_EQ(zd_color_to_svg(odd, &d.text, &d.len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(d.text, nullptr);
  EXPECT_EQ(d.len, 0);
  EXPECT_EQ(odd->refs, 1u);
  zd_color_free(odd);
}

TEST(PathToSvgExport, DocumentAndChecks) {
  ZdPath *path = nullptr;
  ASSERT_EQ(zd_path_parse_d("M10 10 L90 10 L50 80 Z", &path), ZD_OK);
  ColorHandle blue(zd_color_parse("#0000ff"));
  {
    StringOut doc;
    ASSERT_EQ(zd_path_to_svg(path, blue.handle, 100, 80, &doc.text, &doc.len), ZD_OK);
    EXPECT_EQ(doc.str(),
              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"80\" "
              "viewBox=\"0 0 100 80\"><path d=\"M 10 10 L 90 10 L 50 80 Z\" "
              "fill=\"#0000FF\"/></svg>");
    EXPECT_EQ(static_cast<size_t>(doc.len), std::strlen(doc.text));
    EXPECT_EQ(path->refs, 1u);
    EXPECT_EQ(blue.handle->refs, 1u);
  }
  for (auto [w, h] :
       {std::pair{0, 10}, std::pair{10, 0}, std::pair{-1, 10}, std::pair{10, INT32_MIN}}) {
    StringOut doc;
    EXPECT_EQ(zd_path_to_svg(path, blue.handle, w, h, &doc.text, &doc.len), ZD_BAD_ARGUMENT);
    EXPECT_EQ(doc.text, nullptr);
    EXPECT_EQ(doc.len, 0);
  }
  StringOut noPath;
  EXPECT_EQ(zd_path_to_svg(nullptr, blue.handle, 1, 1, &noPath.text, &noPath.len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(noPath.text, nullptr);
  StringOut noColor;
  EXPECT_EQ(zd_path_to_svg(path, nullptr, 1, 1, &noColor.text, &noColor.len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(noColor.len, 0);
  StringOut noText;
  EXPECT_EQ(zd_path_to_svg(path, blue.handle, 1, 1, nullptr, &noText.len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(noText.len, 0);

  // A non-finite coordinate (only reachable from inside) fails the document.
  zd::path::lineTo(path->value, {std::numeric_limits<float>::infinity(), 0});
  StringOut broken;
  EXPECT_EQ(zd_path_to_svg(path, blue.handle, 5, 5, &broken.text, &broken.len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(broken.text, nullptr);
  EXPECT_EQ(broken.len, 0);
  EXPECT_EQ(path->refs, 1u);
  EXPECT_EQ(blue.handle->refs, 1u);
  zd_path_free(path);
}

TEST(PathToSvgRuleExport, KeepsTheRuleAndOtherwiseTheBytes) {
  ZdPath *path = nullptr;
  ASSERT_EQ(zd_path_parse_d("M0 0 L10 0 L10 10 Z M2 2 L8 2 L8 8 Z", &path), ZD_OK);
  ZdColor *color = zd_color_parse("oklch(60% 0.1 40 / 0.5)");
  char *plain = nullptr, *same = nullptr, *evenOdd = nullptr;
  int64_t plainLen = 0, sameLen = 0, evenOddLen = 0;
  ASSERT_EQ(zd_path_to_svg(path, color, 10, 10, &plain, &plainLen), ZD_OK);
  ASSERT_EQ(zd_path_to_svg_rule(path, color, 0, 10, 10, &same, &sameLen), ZD_OK);
  ASSERT_EQ(zd_path_to_svg_rule(path, color, 1, 10, 10, &evenOdd, &evenOddLen), ZD_OK);
  EXPECT_EQ(std::string(same, static_cast<size_t>(sameLen)),
            std::string(plain, static_cast<size_t>(plainLen)));
  std::string expected(plain);
  expected.insert(expected.size() - std::strlen("/></svg>"), " fill-rule=\"evenodd\"");
  EXPECT_EQ(std::string(evenOdd, static_cast<size_t>(evenOddLen)), expected);
  zd_buffer_free(plain);
  zd_buffer_free(same);
  zd_buffer_free(evenOdd);

  char *out = reinterpret_cast<char *>(0x1);
  int64_t len = 5;
  EXPECT_EQ(zd_path_to_svg_rule(path, color, 2, 10, 10, &out, &len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(std::string(zd_last_error()), "zd_path_to_svg_rule: fill_rule must be 0 or 1 (got 2)");
  // The rule is checked before the sizes.
  EXPECT_EQ(zd_path_to_svg_rule(path, color, -1, 0, 10, &out, &len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(std::string(zd_last_error()), "zd_path_to_svg_rule: fill_rule must be 0 or 1 (got -1)");
  EXPECT_EQ(zd_path_to_svg_rule(path, color, 1, 10, 0, &out, &len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(std::string(zd_last_error()), "zd_path_to_svg_rule: height must be >= 1 (got 0)");
  zd_color_free(color);
  zd_path_free(path);
}

}  // namespace
