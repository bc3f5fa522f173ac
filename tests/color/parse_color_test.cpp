// The colour-string parser: accepted forms, exact values and every message.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "color/parse_color.hpp"

namespace zd::color {
namespace {

::testing::AssertionResult parsesTo(const std::string &text, SpaceTag space, float c1, float c2,
                                    float c3, float alpha) {
  const Result<Color> result = parseColor(text);
  if (!result.isOk()) {
    return ::testing::AssertionFailure() << text << " failed: " << result.error().message;
  }
  const Color &c = result.value();
  if (c.space != space || c.comps[0] != c1 || c.comps[1] != c2 || c.comps[2] != c3 ||
      c.alpha != alpha) {
    return ::testing::AssertionFailure()
           << text << " gave space " << c.space << " (" << c.comps[0] << ", " << c.comps[1] << ", "
           << c.comps[2] << ") alpha " << c.alpha;
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult failsWith(const std::string &text, const std::string &message,
                                     const std::string &context = "parseColor") {
  const Result<Color> result = parseColor(text);
  if (result.isOk()) return ::testing::AssertionFailure() << text << " parsed";
  const ColorError &e = result.error();
  if (e.kind != ErrorKind::InvalidColor || e.message != message || e.context != context ||
      e.severity != 2) {
    return ::testing::AssertionFailure()
           << text << " gave \"" << e.message << "\" context \"" << e.context << "\"";
  }
  return ::testing::AssertionSuccess();
}

TEST(ParseColorHex, AllLengthsAndCases) {
  EXPECT_TRUE(parsesTo(" \t#Fa4\n", stSrgb, 1.0f, 0.6666667f, 0.26666668f, 1.0f));
  // Short forms double every digit: FfA is FFffAA.
  EXPECT_TRUE(parsesTo(" #FfA ", stSrgb, 1.0f, 1.0f, 0.6666667f, 1.0f));
  EXPECT_TRUE(parsesTo("#ff000080", stSrgb, 1.0f, 0.0f, 0.0f, 0.5019608f));
  EXPECT_TRUE(parsesTo("#0000", stSrgb, 0.0f, 0.0f, 0.0f, 0.0f));
  EXPECT_TRUE(parsesTo("#00ff00", stSrgb, 0.0f, 1.0f, 0.0f, 1.0f));
  EXPECT_TRUE(
      parsesTo("#1234", stSrgb, 0x11 / 255.0f, 0x22 / 255.0f, 0x33 / 255.0f, 0x44 / 255.0f));
  // Every one of the six whitespace bytes is trimmed.
  EXPECT_TRUE(parsesTo("\v\f\r #fff \r\f\v", stSrgb, 1.0f, 1.0f, 1.0f, 1.0f));
}

TEST(ParseColorHex, Messages) {
  EXPECT_TRUE(failsWith("#", "parseColor: hex must have 3, 4, 6 or 8 digits, got 0"));
  EXPECT_TRUE(failsWith("#12345", "parseColor: hex must have 3, 4, 6 or 8 digits, got 5"));
  EXPECT_TRUE(failsWith("#123456789", "parseColor: hex must have 3, 4, 6 or 8 digits, got 9"));
  EXPECT_TRUE(failsWith("#12g", "parseColor: non-hex digit 'g' in color"));
  // The first bad digit from the left is quoted; inner spaces are not trimmed.
  EXPECT_TRUE(failsWith("#x1y2z3", "parseColor: non-hex digit 'x' in color"));
  EXPECT_TRUE(failsWith("#12 4", "parseColor: non-hex digit ' ' in color"));
  // The length counts bytes, not characters.
  EXPECT_TRUE(failsWith("#\xc3\xa9", "parseColor: hex must have 3, 4, 6 or 8 digits, got 2"));
}

TEST(ParseColorForms, UnsupportedAndEmpty) {
  EXPECT_TRUE(failsWith("", "parseColor: empty color string"));
  EXPECT_TRUE(failsWith(" \t\n\v\f\r", "parseColor: empty color string"));
  EXPECT_TRUE(failsWith("  red ", "parseColor: unsupported color form 'red'"));
  EXPECT_TRUE(failsWith("rgb (255,0,0)", "parseColor: unsupported color form 'rgb (255,0,0)'"));
  EXPECT_TRUE(
      failsWith(" oklch(0.5 0.1 30 ", "parseColor: unsupported color form 'oklch(0.5 0.1 30'"));
  EXPECT_TRUE(failsWith("hsl(0 0% 0%)", "parseColor: unsupported color form 'hsl(0 0% 0%)'"));
  EXPECT_TRUE(failsWith("rgb(1 2 3", "parseColor: unsupported color form 'rgb(1 2 3'"));
  // A NUL inside a view is an ordinary byte, not an end of text.
  const std::string withNul("re\0d", 4);
  EXPECT_TRUE(failsWith(withNul, "parseColor: unsupported color form '" + withNul + "'"));
}

TEST(ParseColorRgb, BothSyntaxesAndPrefixCase) {
  EXPECT_TRUE(parsesTo("RGB(255, 0, 0)", stSrgb, 1.0f, 0.0f, 0.0f, 1.0f));
  EXPECT_TRUE(parsesTo("rgb(255 0 0)", stSrgb, 1.0f, 0.0f, 0.0f, 1.0f));
  EXPECT_TRUE(parsesTo("rgba(255 128 0 / 50%)", stSrgb, 1.0f, 0.5019608f, 0.0f, 0.5f));
  EXPECT_TRUE(parsesTo("rgb(100%, 50%, 0%)", stSrgb, 1.0f, 0.5f, 0.0f, 1.0f));
  EXPECT_TRUE(parsesTo("rgba(0,0,0)", stSrgb, 0.0f, 0.0f, 0.0f, 1.0f));
  EXPECT_TRUE(parsesTo("rgb(0, 0, 0, 0.25)", stSrgb, 0.0f, 0.0f, 0.0f, 0.25f));
  EXPECT_TRUE(parsesTo("Rgb(\t1\n2  3\t/\t25%\t)", stSrgb, 1.0f / 255.0f, 2.0f / 255.0f,
                       3.0f / 255.0f, 0.25f));
  EXPECT_TRUE(parsesTo("rgb(none 0 NONE)", stSrgb, 0.0f, 0.0f, 0.0f, 1.0f));
  // Not clamped.
  EXPECT_TRUE(parsesTo("rgb(300 -255 0)", stSrgb, 1.1764706f, -1.0f, 0.0f, 1.0f));
}

TEST(ParseColorRgb, CountAndSlashMessages) {
  EXPECT_TRUE(failsWith("rgb(1,2,3/0.5)", "parseColor: rgb() comma syntax cannot use '/' alpha"));
  EXPECT_TRUE(
      failsWith("rgb(1 2 3 4)", "parseColor: rgb() whitespace syntax needs 3 components, got 4"));
  EXPECT_TRUE(failsWith("rgb()", "parseColor: rgb() whitespace syntax needs 3 components, got 0"));
  EXPECT_TRUE(failsWith("rgb(1,2)", "parseColor: rgb() comma syntax needs 3 components, got 2"));
  EXPECT_TRUE(
      failsWith("rgb(1,2,3,4,5)", "parseColor: rgb() comma syntax needs 3 components, got 5"));
  EXPECT_TRUE(failsWith("rgb(1 2 3 / 4 / 5)", "parseColor: rgb() with multiple '/'"));
  // The slash count is checked before the comma rule.
  EXPECT_TRUE(failsWith("rgb(1,2,3/4/5)", "parseColor: rgb() with multiple '/'"));
}

TEST(ParseColorRgb, ComponentMessagesQuoteThePartUntrimmed) {
  EXPECT_TRUE(failsWith("rgb(1,,3)", "parseColor: bad rgb green component ''"));
  EXPECT_TRUE(failsWith("rgb(1, x, 3)", "parseColor: bad rgb green component ' x'"));
  EXPECT_TRUE(failsWith("rgb(q r s)", "parseColor: bad rgb red component 'q'"));
  EXPECT_TRUE(failsWith("rgb(1 2 %)", "parseColor: bad rgb blue component '%'"));
  EXPECT_TRUE(
      failsWith("rgb(1 2 5 %)", "parseColor: rgb() whitespace syntax needs 3 components, got 4"));
  EXPECT_TRUE(failsWith("rgb(1,2,3, )", "parseColor: bad rgb alpha ' '"));
  EXPECT_TRUE(failsWith("rgb(1,2,3,)", "parseColor: bad rgb alpha ''"));
  EXPECT_TRUE(failsWith("rgb(1 2 3 /  x )", "parseColor: bad rgb alpha '  x '"));
  // Channels are parsed before the alpha: a bad blue wins over a bad alpha.
  EXPECT_TRUE(failsWith("rgb(1 2 z / y)", "parseColor: bad rgb blue component 'z'"));
}

TEST(ParseColorRgb, ColorChecksKeepTheirOwnMessages) {
  EXPECT_TRUE(failsWith("rgb(255,0,0,2)", "alpha out of [0,1]", ""));
  EXPECT_TRUE(failsWith("rgb(0 0 0 / -1%)", "alpha out of [0,1]", ""));
  EXPECT_TRUE(failsWith("rgb(inf,0,0)", "component NaN/Inf at bounds", ""));
  EXPECT_TRUE(failsWith("rgb(0 -NaN 0)", "component NaN/Inf at bounds", ""));
  EXPECT_TRUE(failsWith("rgb(0 0 0 / nan)", "alpha out of [0,1]", ""));
  // Finite in float64 but beyond float32 once narrowed.
  EXPECT_TRUE(failsWith("rgb(1e39 0 0)", "component NaN/Inf at bounds", ""));
  EXPECT_TRUE(failsWith("rgb(1e400 0 0)", "component NaN/Inf at bounds", ""));
  EXPECT_TRUE(parsesTo("rgb(1e-400 0 0)", stSrgb, 0.0f, 0.0f, 0.0f, 1.0f));
}

TEST(ParseColorOklch, UnitsPercentagesAndNoNormalising) {
  EXPECT_TRUE(parsesTo("oklch(70% 0.1 0.5turn)", stOklch, 0.7f, 0.1f, 180.0f, 1.0f));
  EXPECT_TRUE(parsesTo("oklch(0.5 50% 100grad)", stOklch, 0.5f, 0.2f, 90.0f, 1.0f));
  EXPECT_TRUE(parsesTo("oklch(0.5 100% 0)", stOklch, 0.5f, 0.4f, 0.0f, 1.0f));
  EXPECT_TRUE(parsesTo("oklch(0.5 0.1 -30deg)", stOklch, 0.5f, 0.1f, -30.0f, 1.0f));
  EXPECT_TRUE(parsesTo("oklch(2 1 720)", stOklch, 2.0f, 1.0f, 720.0f, 1.0f));
  EXPECT_TRUE(parsesTo("OKLCH(0.5 0.1 1RAD)", stOklch, 0.5f, 0.1f, 57.29578f, 1.0f));
  EXPECT_TRUE(parsesTo("oklch(0.5 0.1 3.14159265358979rad)", stOklch, 0.5f, 0.1f, 180.0f, 1.0f));
  EXPECT_TRUE(parsesTo("oklch(none none none / 40%)", stOklch, 0.0f, 0.0f, 0.0f, 0.4f));
  EXPECT_TRUE(parsesTo("oklch( 0.5 0.1 30 / 0.2 )", stOklch, 0.5f, 0.1f, 30.0f, 0.2f));
  // The hue is rounded once from its float64 product: 0.1 turn is exactly 36.
  EXPECT_TRUE(parsesTo("oklch(0.5 0.1 0.1turn)", stOklch, 0.5f, 0.1f, 36.0f, 1.0f));
}

TEST(ParseColorOklch, Messages) {
  EXPECT_TRUE(failsWith("oklch(0.5, 0.1, 30)", "parseColor: bad oklch L '0.5,'"));
  EXPECT_TRUE(failsWith("oklch(0.5 0.1x 30)", "parseColor: bad oklch C '0.1x'"));
  EXPECT_TRUE(failsWith("oklch(0.5 0.1 30%)", "parseColor: bad oklch h '30%'"));
  EXPECT_TRUE(failsWith("oklch(0.5 0.1 deg)", "parseColor: bad oklch h 'deg'"));
  // The first unit that matches decides: "5xturn" is not retried as anything else.
  EXPECT_TRUE(failsWith("oklch(0.5 0.1 5xturn)", "parseColor: bad oklch h '5xturn'"));
  EXPECT_TRUE(failsWith("oklch(0.5 0.1 30 / 0.2 / 0.3)", "parseColor: oklch() with multiple '/'"));
  EXPECT_TRUE(failsWith("oklch(0.5 0.1 30 / )", "parseColor: bad oklch alpha ' '"));
  EXPECT_TRUE(failsWith("oklch(0.5 0.1)", "parseColor: oklch() needs L C h, got 2 components"));
  EXPECT_TRUE(failsWith("oklch()", "parseColor: oklch() needs L C h, got 0 components"));
  EXPECT_TRUE(failsWith("oklch(1 2 3 4)", "parseColor: oklch() needs L C h, got 4 components"));
  EXPECT_TRUE(failsWith("oklch(0.5 0.1 30 / 2)", "alpha out of [0,1]", ""));
  EXPECT_TRUE(failsWith("oklch(0.5 0.1 infdeg)", "component NaN/Inf at bounds", ""));
}

// The number syntax, seen through parseNumber directly.
TEST(ParseNumber, AcceptedSpellings) {
  struct Case {
    const char *text;
    double value;
  };
  // clang-format off
  const Case cases[] = {
      {"1_0", 10},     {"1e3", 1000},   {"1_000", 1000}, {"1__2", 12},    {".5", 0.5},
      {"5.", 5},       {"+2", 2},       {"-0.25", -0.25}, {"1E-2", 0.01},  {"1e+2", 100},
      {"1_.5", 1.5},   {"2.5_e1", 25},  {"007", 7},      {"0.1", 0.1},    
      {"123456789012345678901234567890", 123456789012345678901234567890.0},
  };
  // clang-format on
  for (const Case &c : cases) {
    double value = -1;
    EXPECT_TRUE(parseNumber(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  double value = 0;
  ASSERT_TRUE(parseNumber("-InF", value));
  EXPECT_EQ(value, -std::numeric_limits<double>::infinity());
  ASSERT_TRUE(parseNumber("NAN", value));
  EXPECT_TRUE(std::isnan(value));
  ASSERT_TRUE(parseNumber("1e999999999999999999999", value));
  EXPECT_EQ(value, std::numeric_limits<double>::infinity());
  ASSERT_TRUE(parseNumber("-0.000001e-999999999999", value));
  EXPECT_EQ(value, 0.0);
  EXPECT_TRUE(std::signbit(value));
  // Correctly rounded, including subnormals.
  ASSERT_TRUE(parseNumber("4.9406564584124654e-324", value));
  EXPECT_EQ(value, std::numeric_limits<double>::denorm_min());
  ASSERT_TRUE(parseNumber("1.7976931348623157e308", value));
  EXPECT_EQ(value, std::numeric_limits<double>::max());
}

TEST(ParseNumber, RejectedSpellings) {
  for (const char *text :
       {"",     "+",        "-",    ".",    "e3",    "1e",   "1e+",   "1e-", "_1",
        "1._5", "infinity", "inf_", "nan1", "inF5",  "0x10", "1.2.3", "1 ",  " 1",
        "++1",  "1e3.5",    "1,5",  "1e_3", "1e1_0", "in",   "--inf"}) {
    double value = 42;
    EXPECT_FALSE(parseNumber(text, value)) << '"' << text << '"';
    EXPECT_EQ(value, 42) << text;
  }
}

}  // namespace
}  // namespace zd::color
