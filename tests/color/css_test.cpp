// The CSS colour reader and writer: the examples of the CSS colour
// specification, the named colours against their published values, the
// reader's rules and refusals, and exact round trips through the writer.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "color/convert.hpp"
#include "color/css.hpp"
#include "color/css_syntax.hpp"
#include "color/hub.hpp"
#include "color/parse_color.hpp"
#include "color/registry.hpp"
#include "color_checks.hpp"

namespace zd::color {
namespace {

using testing::near3;

CssColor parsed(const std::string &text) {
  const Result<CssColor> r = parseCss(text);
  EXPECT_TRUE(r.isOk()) << text << ": " << (r.isOk() ? "" : r.error().message);
  return r.isOk() ? r.value() : CssColor{};
}

// The colour in sRGB, as percentages of full scale.
Color srgbPercent(const std::string &text) {
  const Color c = to(parsed(text).color, stSrgb).value();
  return testing::make(stSrgb, c.comps[0] * 100, c.comps[1] * 100, c.comps[2] * 100, c.alpha);
}

TEST(CssExamples, FunctionFormsNameTheSameColours) {
  // Each row: one sRGB colour (in percent) written in lab, lch, oklab and oklch.
  struct Row {
    double r, g, b;
    const char *forms[4];
  };
  const Row rows[] = {
      {49.06,
       13.87,
       15.9,
       {"lab(29.2345% 39.3825 20.0664)", "lch(29.2345% 44.2 27)", "oklab(40.101% 0.1147 0.0453)",
        "oklch(40.101% 0.12332 21.555)"}},
      {77.61,
       36.34,
       2.45,
       {"lab(52.2345 40.1645 59.9971)", "lch(52.2345% 72.2 56.2)", "oklab(59.686% 0.1009 0.1192)",
        "oklch(59.686% 0.15619 49.7694)"}},
      {61.65,
       57.51,
       9.28,
       {"lab(60.2345 -5.3654 58.956)", "lch(60.2345 59.2 95.2)", "oklab(0.65125 -0.0320 0.1274)",
        "oklch(0.65125 0.13138 104.097)"}},
      {40.73,
       65.12,
       22.35,
       {"lab(62.2345% -34.9638 47.7721)", "lch(62.2345% 59.2 126.2)",
        "oklab(66.016% -0.1084 0.1114)", "oklch(0.66016 0.15546 134.231)"}},
      {38.29,
       67.27,
       93.85,
       {"lab(67.5345 -8.6911 -41.6019)", "lch(67.5345% 42.5 258.2)",
        "oklab(72.322% -0.0465 -0.1150)", "oklch(72.322% 0.12403 247.996)"}},
      {50.2,
       0,
       50.2,
       // The published lch() of this row reads 45.553%, a slip for 44.553%:
       // the chroma of the lab() form, 66.83, is 44.553% of 150.
       {"lab(29.69% 44.888% -29.04%)", "lch(29.69% 44.553% 327.1)", "oklab(42.1% 41% -25%)",
        "oklch(42.1% 48.25% 328.4)"}},
  };
  for (const Row &row : rows) {
    for (const char *form : row.forms) {
      // The published values are rounded to three to five digits, which
      // moves sRGB by up to 0.6 % near black.
      EXPECT_TRUE(near3(srgbPercent(form), row.r, row.g, row.b, 0.7)) << form;
    }
  }
}

TEST(CssExamples, EquivalentSpellings) {
  EXPECT_TRUE(near3(srgbPercent("hwb(150 20% 10%)"), 20, 90, 55, 1e-4));
  EXPECT_TRUE(near3(srgbPercent("hsl(150 77.78% 55%)"), 20, 90, 55, 0.01));
  // Whiteness and blackness adding up to more than 100%: a grey.
  EXPECT_TRUE(near3(srgbPercent("hwb(45 40% 80%)"), 100.0 / 3, 100.0 / 3, 100.0 / 3, 1e-4));
  for (const char *form :
       {"#7654CD", "rgb(46.27% 32.94% 80.39%)", "lab(44.36% 36.05 -58.99)",
        "color(xyz-d50 0.2005 0.14089 0.4472)", "color(xyz-d65 0.21661 0.14602 0.59452)"}) {
    EXPECT_TRUE(near3(srgbPercent(form), 46.27, 32.94, 80.39, 0.05)) << form;
  }
  for (const char *form : {"color(xyz-d50 0.9643 1 0.8251)", "color(xyz-d65 0.9505 1 1.089)"}) {
    EXPECT_TRUE(near3(srgbPercent(form), 100, 100, 100, 0.05)) << form;
  }
  EXPECT_TRUE(near3(srgbPercent("color(srgb-linear 0.435 0.017 0.055)"), 69.1, 13.9, 25.9, 0.15));
  EXPECT_TRUE(near3(srgbPercent("rgb(146.064 107.457 131.223)"), 57.28, 42.14, 51.46, 0.01));
  EXPECT_TRUE(near3(srgbPercent("hwb(740deg 20% 30% / 50%)"), 70, 36.6667, 20, 1e-3));
}

TEST(CssExamples, HuesAreNormalised) {
  EXPECT_EQ(parsed("hsl(-540 0 0)").color.comps[0], 180.0f);
  EXPECT_EQ(parsed("hsl(540 0 0)").color.comps[0], 180.0f);
  EXPECT_EQ(parsed("hsl(360 0 0)").color.comps[0], 0.0f);
  EXPECT_EQ(parsed("hwb(740deg 20% 30%)").color.comps[0], 20.0f);
  EXPECT_EQ(parsed("oklch(0.5 0.1 -30deg)").color.comps[2], 330.0f);
  // A hue just below 360 that rounds to 360 in float32 is 0.
  EXPECT_EQ(parsed("lch(50 10 359.999999999)").color.comps[2], 0.0f);
}

TEST(NamedColours, MatchTheirPublishedValues) {
  struct Named {
    const char *name;
    std::uint32_t rgb;
  };
  // A sample of the published table, from both ends and the middle.
  // clang-format off
  const Named published[] = {
      {"aliceblue", 0xf0f8ff},  {"antiquewhite", 0xfaebd7}, {"aquamarine", 0x7fffd4},
      {"blanchedalmond", 0xffebcd}, {"blueviolet", 0x8a2be2}, {"burlywood", 0xdeb887},
      {"cadetblue", 0x5f9ea0},  {"chartreuse", 0x7fff00},   {"cornflowerblue", 0x6495ed},
      {"darkgray", 0xa9a9a9},   {"darkgrey", 0xa9a9a9},     {"goldenrod", 0xdaa520},
      {"lightgoldenrodyellow", 0xfafad2}, {"mediumvioletred", 0xc71585},
      {"rebeccapurple", 0x663399}, {"yellowgreen", 0x9acd32}, {"white", 0xffffff},
      {"black", 0x000000}};
  // clang-format on
  for (const Named &n : published) {
    const Color c = parsed(n.name).color;
    EXPECT_EQ(c.space, stSrgb);
    EXPECT_EQ(c.comps[0], byteComponent(n.rgb >> 16)) << n.name;
    EXPECT_EQ(c.comps[1], byteComponent((n.rgb >> 8) & 0xFF)) << n.name;
    EXPECT_EQ(c.comps[2], byteComponent(n.rgb & 0xFF)) << n.name;
    EXPECT_EQ(c.alpha, 1.0f);
  }
  EXPECT_EQ(namedColorCount(), 148u);
  EXPECT_EQ(parsed("RebeccaPurple").color, parsed("#663399").color);
  EXPECT_EQ(parsed("TRANSPARENT").color, testing::make(stSrgb, 0, 0, 0, 0));
}

TEST(CssReader, HexAndIntegersReadLikeTheOriginalParser) {
  // #rrggbb and rgb(r g b) with whole numbers give the very floats that
  // zd_color_parse gives for the same text.
  for (int byte = 0; byte < 256; ++byte) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x0000", byte);
    const Color original = parseColor(hex).value();
    EXPECT_EQ(parsed(hex).color, original) << hex;
    EXPECT_EQ(parsed("rgb(" + std::to_string(byte) + " 0 0)").color, original) << byte;
  }
  EXPECT_EQ(parsed("#fFa").color, parseColor("#fFa").value());
  EXPECT_EQ(parsed("#ff000080").color.alpha, parseColor("#ff000080").value().alpha);
}

TEST(CssReader, KeepsTheSpaceItWasWrittenIn) {
  // clang-format off
  const std::pair<const char *, SpaceTag> forms[] = {
      {"red", stSrgb}, {"#123", stSrgb}, {"rgba(1, 2, 3, 0.5)", stSrgb}, {"hsla(1, 2%, 3%)", stHsl},
      {"hwb(1 2% 3%)", stHwb}, {"lab(1 2 3)", stLab}, {"lch(1 2 3)", stLch}, {"oklab(1 2 3)", stOklab},
      {"oklch(1 2 3)", stOklch}, {"color(srgb 1 2 3)", stSrgb}, {"color(srgb-linear 1 2 3)", stSrgbLinear},
      {"color(display-p3 1 2 3)", stP3}, {"color(display-p3-linear 1 2 3)", stP3Linear},
      {"color(a98-rgb 1 2 3)", stA98}, {"color(prophoto-rgb 1 2 3)", stProphoto},
      {"color(rec2020 1 2 3)", stRec2020}, {"color(xyz 1 2 3)", stXyz}, {"color(xyz-d65 1 2 3)", stXyz},
      {"color(xyz-d50 1 2 3)", stXyz}, {"color(--jzazbz 1 2 3)", stJzazbz},
      {"color(--cmyk 0.1 0.2 0.3 0.4)", stCmyk}, {"color-mix(in lch, red, blue)", stLch}};
  // clang-format on
  for (const auto &[text, space] : forms) EXPECT_EQ(parsed(text).color.space, space) << text;
  const CssColor cmyk = parsed("color(--cmyk 0.1 0.2 0.3 0.4 / 0.5)");
  EXPECT_EQ(cmyk.fourth, 0.4f);
  EXPECT_EQ(cmyk.color.alpha, 0.5f);
}

TEST(CssReader, NumbersFollowEachSpacesReferenceRange) {
  EXPECT_TRUE(near3(parsed("rgb(100% 50% 0%)").color, 1, 0.5, 0, 0));
  EXPECT_TRUE(near3(parsed("hsl(0.5turn 50 25)").color, 180, 0.5, 0.25, 1e-7));
  EXPECT_TRUE(near3(parsed("lab(50% 100% -100%)").color, 50, 125, -125, 0));
  EXPECT_TRUE(near3(parsed("lch(100% 100% 100grad)").color, 100, 150, 90, 1e-5));
  EXPECT_TRUE(near3(parsed("oklab(50% 100% -50%)").color, 0.5, 0.4, -0.2, 1e-7));
  EXPECT_TRUE(near3(parsed("oklch(100% 50% 3.14159265rad)").color, 1, 0.2, 180, 1e-5));
  EXPECT_TRUE(near3(parsed("color(xyz 50% 1e2% .5)").color, 0.5, 1, 0.5, 0));
  EXPECT_EQ(parsed("rgb(0 0 0 / 25%)").color.alpha, 0.25f);
  EXPECT_EQ(parsed("rgb(0 0 0 / .75)").color.alpha, 0.75f);
  // CSS clamps these when it reads them.
  EXPECT_TRUE(near3(parsed("rgb(300 -20 128)").color, 1, 0, 128.0 / 255, 1e-7));
  EXPECT_EQ(parsed("rgb(0 0 0 / 2)").color.alpha, 1.0f);
  EXPECT_EQ(parsed("rgba(0, 0, 0, -1)").color.alpha, 0.0f);
  EXPECT_TRUE(near3(parsed("lab(120 0 0)").color, 100, 0, 0, 0));
  EXPECT_TRUE(near3(parsed("lch(-5 -20 30)").color, 0, 0, 30, 0));
  EXPECT_TRUE(near3(parsed("oklch(1.5 -0.1 30)").color, 1, 0, 30, 0));
  EXPECT_TRUE(near3(parsed("hsl(0 -10% 150%)").color, 0, 0, 1.5, 0));  // only saturation clamps
  EXPECT_TRUE(
      near3(parsed("color(srgb 1.5 -0.5 0)").color, 1.5, -0.5, 0, 0));  // color() never clamps
}

TEST(CssReader, NoneIsAMissingComponent) {
  const CssColor c = parsed("oklch(none 0.1 none / none)");
  EXPECT_EQ(c.missing, kMissingFirst | kMissingThird | kMissingAlpha);
  EXPECT_TRUE(near3(c.color, 0, 0.1, 0, 1e-8));
  EXPECT_EQ(c.color.alpha, 0.0f);  // a missing alpha reads as transparent
  EXPECT_EQ(parsed("rgb(128 none none)").missing, kMissingSecond | kMissingThird);
}

TEST(CssReader, TokensFollowCss) {
  // Case-insensitive names and units; comments and any whitespace between
  // tokens; signs and exponents; components need no space where tokens part.
  EXPECT_EQ(parsed("RGB(255 0 0)").color, parsed("red").color);
  EXPECT_EQ(parsed(" \t\nrgb( /* red */ 255\f0\r0 ) /* done */").color, parsed("red").color);
  EXPECT_TRUE(near3(parsed("hsl(1E2DEG 10% 10%)").color, 100, 0.1, 0.1, 1e-7));
  EXPECT_TRUE(near3(parsed("color(srgb +.5 -0 1e-1)").color, 0.5, 0, 0.1, 1e-8));
  EXPECT_TRUE(near3(parsed("rgb(10%20%30%)").color, 0.1, 0.2, 0.3, 1e-7));
  EXPECT_TRUE(near3(parsed("color(srgb 1-2 3)").color, 1, -2, 3, 0));
  // Beyond float64 a number is infinite (rgb() clamps it), below it zero.
  EXPECT_TRUE(near3(parsed("rgb(1e999 1e-999 0)").color, 1, 0, 0, 0));
}

// The message of a refused text.
std::string refusal(const std::string &text) {
  const Result<CssColor> r = parseCss(text);
  EXPECT_FALSE(r.isOk()) << text;
  if (r.isOk()) return {};
  EXPECT_EQ(r.error().kind, ErrorKind::InvalidColor);
  EXPECT_EQ(r.error().context, "parseCss");
  return r.error().message;
}

TEST(CssReader, NumbersBeyondFloatAreRefusedWhereNothingClampsThem) {
  // A decimal too long for the short reader, beyond float32 after scaling,
  // in each slot a number is read into: the fourth component of a CMYK
  // colour, a percentage scaled past the range, a hue angle, the axes of
  // lab() and oklab(), a colour adapted from D50.
  const std::string huge(130, '9');
  for (const std::string &text : std::initializer_list<std::string>{
           "color(--cmyk 0.1 0.2 0.3 " + huge + ".4)", "color(--cmyk 0.1 0.2 0.3 1e39 / 0.5)",
           "color(--cmyk " + huge + " 0 0 0)", "color(--xyz 0 0 -" + huge + ")", "lab(50 3e38% 0)",
           "oklab(0.5 0 -1e39)", "oklch(0.5 1e39 0)", "lch(50 1 1e308turn)", "color(srgb 1 1 1e39)",
           "color(xyz-d50 3e38 3e38 3e38)", "color-mix(in srgb, red, color(--cmyk 0 0 0 1e39))"}) {
    SCOPED_TRACE(text);
    EXPECT_NE(refusal(text).find("out of range"), std::string::npos);
  }
  EXPECT_EQ(refusal("color(--cmyk 0 0 0 1e39)"),
            "parseCss: component out of range: '1e39' at offset 19");
  // Where CSS clamps, an overflowing number is clamped like any other.
  const CssColor clamped = parsed("rgb(" + huge + " 0 0 / " + huge + ")");
  EXPECT_TRUE(near3(clamped.color, 1, 0, 0, 0));
  EXPECT_EQ(clamped.color.alpha, 1.0f);
  EXPECT_EQ(parsed("color(--cmyk 0 0 0 3e38)").fourth, 3e38f);
}

TEST(CssReader, RefusesWhatHasNoFixedValueOrDoesNotParse) {
  EXPECT_EQ(refusal(""), "parseCss: empty colour string");
  EXPECT_EQ(refusal("  /* nothing */ "), "parseCss: empty colour string");
  EXPECT_EQ(refusal("bluish"), "parseCss: unknown colour name 'bluish' at offset 0");
  EXPECT_EQ(
      refusal("currentColor"),
      "parseCss: currentcolor depends on the element being styled and is not supported at offset 0");
  EXPECT_EQ(
      refusal(" Canvas"),
      "parseCss: system colour 'Canvas' depends on the user's system and is not supported at offset 1");
  EXPECT_NE(refusal("buttonface").find("system colour"), std::string::npos);
  EXPECT_EQ(refusal("rgb(from red r g b)"),
            "parseCss: relative colour syntax ('from') is not supported at offset 4");
  EXPECT_EQ(refusal("red blue"), "parseCss: unexpected 'blue' after the colour at offset 4");
  EXPECT_EQ(refusal("rgb(1 2)"), "parseCss: rgb() needs 3 components, got 2 at offset 7");
  EXPECT_EQ(refusal("rgb(1, 2, 3 4)"), "parseCss: expected ')' but found '4' at offset 12");
  EXPECT_EQ(refusal("rgb(1 2 3"), "parseCss: expected ')' but found end of text at offset 9");
  EXPECT_EQ(refusal("#12345"),
            "parseCss: hex colour '#12345' needs 3, 4, 6 or 8 digits at offset 0");
  EXPECT_EQ(refusal("#12g"), "parseCss: non-hex digit 'g' in '#12g' at offset 0");
  EXPECT_EQ(refusal("hsl(10 20% 30% / 5deg)"),
            "parseCss: an angle is no alpha: '5deg' at offset 17");
  EXPECT_EQ(refusal("color(profoto-rgb 1 1 1)"),
            "parseCss: unknown colour space 'profoto-rgb' at offset 6");
  EXPECT_EQ(refusal("color(--nope 1 1 1)"), "parseCss: unknown colour space '--nope' at offset 6");
  EXPECT_EQ(refusal("device-cmyk(0 0 0 1)"),
            "parseCss: unsupported function 'device-cmyk()' at offset 0");
  // The legacy comma syntax: no none, no mixing of numbers and percentages,
  // percentages for HSL's saturation and lightness; only rgb() and hsl().
  for (const char *text :
       {"rgb(none, 0, 0)", "rgb(1, 2%, 3)", "hsl(1, 2, 3)", "hsl(1, 2%, 3%, none)",
        "hwb(1, 2%, 3%)", "lab(1, 2, 3)", "rgb(1, 2, 3 / 0.5)", "rgb(1 2, 3)", "rgb(1, 2, 3, 4, 5)",
        "rgb(,1, 2, 3)"}) {
    refusal(text);
  }
  // Units and kinds where they do not belong.
  for (const char *text :
       {"rgb(1deg 2 3)", "hsl(10% 20% 30%)", "lch(1 2 3%)", "lab(1 2 3px)", "oklch(1 2 3 4)",
        "color(--hsv 30% 0.5 0.5)", "color(--cmyk 0 0 0 none)", "color(srgb 1 1 1e39)",
        "color(srgb 1e999 0 0)", "color(srgb)", "rgb(1 2 3)x", "rgb (1 2 3)", "5", "#", "(", "none",
        "rgb(1 2 3 /)", "oklch(0.5 0.1 infinity)"}) {
    refusal(text);
  }
}

TEST(CssReader, ColorMixReadsAsCssDefinesIt) {
  // The premultiplied example: 25% of a 0.7 red with 75% of a 0.2 green.
  const CssColor mixed =
      parsed("color-mix(in srgb, rgb(100% 0% 0% / 0.7) 25%, rgb(0% 100% 0% / 0.2))");
  EXPECT_TRUE(near3(mixed.color, 0.53846, 0.46154, 0, 1e-5));
  EXPECT_NEAR(mixed.color.alpha, 0.325, 1e-7);
  // 20% + 60% leave 20% transparent: the same mix with alpha scaled by 0.8.
  const CssColor scaled =
      parsed("color-mix(in srgb, rgb(100% 0% 0% / 0.7) 20%, rgb(0% 100% 0% / 0.2) 60%)");
  EXPECT_TRUE(near3(scaled.color, 0.53846, 0.46154, 0, 1e-5));
  EXPECT_NEAR(scaled.color.alpha, 0.26, 1e-7);
  // Percentages above 100% in sum are scaled down; the percentage may come first.
  EXPECT_EQ(parsed("color-mix(in srgb, red 80%, blue 80%)").color,
            parsed("color-mix(in srgb, 50% red, blue)").color);
  EXPECT_EQ(parsed("color-mix(in srgb, red 30%, blue)").color,
            parsed("color-mix(in srgb, red, blue 70%)").color);
  // The interpolation space defaults to Oklab; hue methods in polar spaces.
  EXPECT_EQ(parsed("color-mix(red, blue)").color, parsed("color-mix(in oklab, red, blue)").color);
  EXPECT_TRUE(near3(parsed("color-mix(in oklch, oklch(0.6 0.24 30), oklch(0.8 0.15 90))").color,
                    0.7, 0.195, 60, 1e-6));
  EXPECT_NEAR(parsed("color-mix(in oklch longer hue, oklch(0.6 0.24 30), oklch(0.8 0.15 90))")
                  .color.comps[2],
              240, 1e-4);
  // Nested mixes, within limits.
  EXPECT_EQ(parsed("color-mix(in srgb, color-mix(in srgb, red, blue), lime)").color.space, stSrgb);
  std::string deep = "red";
  for (int i = 0; i < 20; ++i) deep = "color-mix(in srgb, " + deep + ", blue)";
  EXPECT_NE(refusal(deep).find("nested too deeply"), std::string::npos);
  for (const char *text :
       {"color-mix(in srgb, red 0%, blue 0%)", "color-mix(in srgb, red -1%, blue)",
        "color-mix(in srgb, red 101%, blue)", "color-mix(in nope, red, blue)",
        "color-mix(in srgb longer hue, red, blue)", "color-mix(in lch sideways hue, red, blue)",
        "color-mix(in lch longer, red, blue)", "color-mix(in srgb, red)",
        "color-mix(in srgb red, blue)", "color-mix(in srgb, red, blue, lime)",
        "color-mix(in srgb, red 10% 20%, blue)"}) {
    refusal(text);
  }
}

TEST(CssWriter, PrintsEachSpaceInItsOwnForm) {
  const std::pair<const char *, const char *> cases[] = {
      {"red", "#ff0000"},
      {"#11223344", "#11223344"},
      {"rgb(10% 20% 30%)", "rgb(25.5, 51, 76.5)"},
      {"rgb(10% 20% 30% / 0.5)", "rgba(25.5, 51, 76.5, 0.5)"},
      {"rgb(none 0 0)", "color(srgb none 0 0)"},
      {"color(srgb 1.5 0 0)", "color(srgb 1.5 0 0)"},
      {"hsla(200, 80%, 40%, 0.25)", "hsl(200 80% 40% / 0.25)"},
      {"hwb(150 20% none)", "hwb(150 20% none)"},
      {"lab(50% 20 -30)", "lab(50 20 -30)"},
      {"lch(50 20 none / none)", "lch(50 20 none / none)"},
      {"oklab(0.5 0.1 -0.1)", "oklab(0.5 0.1 -0.1)"},
      {"oklch(70% 0.1 150)", "oklch(0.7 0.1 150)"},
      {"color(display-p3 1 0.2 0.1)", "color(display-p3 1 0.2 0.1)"},
      {"color(xyz 0.1 0.2 0.3)", "color(xyz-d65 0.1 0.2 0.3)"},
      {"color(--cmyk 0.1 0.2 0.3 0.4)", "color(--cmyk 0.1 0.2 0.3 0.4)"},
      {"color(--hct 30 40 50 / 50%)", "color(--hct 30 40 50 / 0.5)"},
      {"color(--rec2020-linear 1e-7 3e30 -0)", "color(--rec2020-linear 1e-7 3e30 -0)"},
  };
  for (const auto &[text, css] : cases) EXPECT_EQ(toCss(parsed(text)), css) << text;
  // Values a function form would clamp or normalise fall back to color(--...).
  EXPECT_EQ(toCss(cssColorOf(testing::make(stLab, 120, 0, 0))), "color(--lab 120 0 0)");
  EXPECT_EQ(toCss(cssColorOf(testing::make(stOklch, 0.5f, 0.1f, 400))),
            "color(--oklch 0.5 0.1 400)");
  EXPECT_EQ(toCss(cssColorOf(testing::make(stHsl, 10, -0.5f, 0.5f))), "color(--hsl 10 -0.5 0.5)");
}

// A float32 with a random sign, exponent within `maxExponent` and mantissa.
float randomFloat(std::mt19937 &rng, int maxExponent) {
  std::uniform_real_distribution<double> mantissa(-1, 1);
  std::uniform_int_distribution<int> exponent(-maxExponent, maxExponent);
  return toFloat32(std::ldexp(mantissa(rng), exponent(rng)));
}

TEST(CssWriter, ReadsBackToTheSameFloats) {
  std::mt19937 rng(15);
  std::uniform_int_distribution<int> space(1, stHct);
  std::uniform_int_distribution<int> bits(0, 15);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 20000; ++i) {
    const SpaceTag tag = static_cast<SpaceTag>(space(rng));
    // Mostly everyday values, sometimes any float32 magnitude.
    const int range = i % 4 == 0 ? 120 : 3;
    CssColor c;
    c.color = testing::make(tag, randomFloat(rng, range), randomFloat(rng, range),
                            randomFloat(rng, range), toFloat32(unit(rng)));
    if (i % 3 == 0) c.color.alpha = 1.0f;
    if (tag == stSrgb && i % 5 == 0) {
      for (float &v : c.color.comps) v = byteComponent(static_cast<std::uint32_t>(unit(rng) * 255));
    }
    if (tag == stCmyk) c.fourth = randomFloat(rng, range);
    if (i % 7 == 0) {
      c.missing = static_cast<std::uint8_t>(bits(rng));
      for (int k = 0; k < 3; ++k) {
        if (c.missing & (1u << k)) c.color.comps[k] = 0.0f;
      }
      if (c.missing & kMissingAlpha) c.color.alpha = 0.0f;
    }
    const std::string text = toCss(c);
    const Result<CssColor> back = parseCss(text);
    ASSERT_TRUE(back.isOk()) << text << ": " << back.error().message;
    EXPECT_EQ(back.value().color, c.color) << text;
    EXPECT_EQ(back.value().missing, c.missing) << text;
    EXPECT_EQ(back.value().fourth, c.fourth) << text;
  }
}

}  // namespace
}  // namespace zd::color
