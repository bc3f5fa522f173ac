// The host colour exports end to end: CSS text in and out, colours in any
// registered space, conversion, gamut mapping, mixing and colour difference,
// with the handles' ownership.
#include <gtest/gtest.h>

#include <string>

#include "zd.h"

namespace {

// The CSS text of a colour, freeing the block.
std::string cssOf(ZdColor *c) {
  char *text = nullptr;
  int64_t len = 0;
  EXPECT_EQ(zd_color_to_css(c, &text, &len), ZD_OK);
  std::string result(text == nullptr ? "" : text);
  EXPECT_EQ(static_cast<std::size_t>(len), result.size());
  zd_buffer_free(text);
  return result;
}

struct Components {
  float v[4];
  int32_t count;
  float alpha;
};
Components componentsOf(ZdColor *c) {
  Components r{};
  EXPECT_EQ(zd_color_components(c, r.v, &r.count, &r.alpha), ZD_OK);
  return r;
}

TEST(ColorCssApi, ParsesAnyCssColourIntoItsOwnSpace) {
  const std::pair<const char *, const char *> cases[] = {
      {"red", "srgb"},
      {"hsl(200 80% 40%)", "hsl"},
      {"color(display-p3 1 0.2 0.1)", "p3"},
      {"lab(50 20 30)", "lab"},
      {"color-mix(in oklch, red, blue)", "oklch"},
      {"color(--hct 1 2 3)", "hct"}};
  for (const auto &[text, space] : cases) {
    ZdColor *c = zd_color_parse_css(text);
    ASSERT_NE(c, nullptr) << text;
    EXPECT_STREQ(zd_color_space(c), space);
    zd_color_free(c);
  }
  // The original parser keeps its three forms: a name is not among them.
  EXPECT_EQ(zd_color_parse("red"), nullptr);
}

TEST(ColorCssApi, NewColoursAndTheirComponents) {
  const float lch[3] = {50, 30, 120};
  ZdColor *c = zd_color_new("lch", lch, 3, 0.5f);
  ASSERT_NE(c, nullptr);
  const Components got = componentsOf(c);
  EXPECT_EQ(got.count, 3);
  EXPECT_EQ(got.v[0], 50.0f);
  EXPECT_EQ(got.v[2], 120.0f);
  EXPECT_EQ(got.v[3], 0.0f);
  EXPECT_EQ(got.alpha, 0.5f);
  EXPECT_EQ(cssOf(c), "lch(50 30 120 / 0.5)");
  zd_color_free(c);

  const float cmyk[4] = {0.1f, 0.2f, 0.3f, 0.4f};
  ZdColor *k = zd_color_new("cmyk", cmyk, 4, 1);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(componentsOf(k).count, 4);
  EXPECT_EQ(componentsOf(k).v[3], 0.4f);
  EXPECT_EQ(cssOf(k), "color(--cmyk 0.1 0.2 0.3 0.4)");
  ZdColor *back = zd_color_parse_css(cssOf(k).c_str());
  EXPECT_EQ(componentsOf(back).v[3], 0.4f);
  zd_color_free(back);
  zd_color_free(k);
}

TEST(ColorCssApi, ConvertsAndMaps) {
  ZdColor *p3 = zd_color_parse_css("color(display-p3 1 0 0)");
  ZdColor *srgb = zd_color_convert(p3, "srgb");
  ASSERT_NE(srgb, nullptr);
  EXPECT_STREQ(zd_color_space(srgb), "srgb");
  EXPECT_GT(componentsOf(srgb).v[0], 1.0f);  // out of gamut, not mapped
  ZdColor *mapped = zd_color_gamut_map(p3, "srgb", 0);
  ZdColor *clipped = zd_color_gamut_map(p3, "srgb", 1);
  for (ZdColor *c : {mapped, clipped}) {
    ASSERT_NE(c, nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(componentsOf(c).v[i] >= 0 && componentsOf(c).v[i] <= 1);
  }
  EXPECT_EQ(cssOf(clipped), "#ff0000");
  // Gamut mapping as the filler does: the same SVG colour text.
  char *a = nullptr, *b = nullptr;
  int64_t len = 0;
  ASSERT_EQ(zd_color_to_svg(mapped, &a, &len), ZD_OK);
  ASSERT_EQ(zd_color_to_svg(p3, &b, &len), ZD_OK);
  EXPECT_STREQ(a, b);
  zd_buffer_free(a);
  zd_buffer_free(b);
  // A grey converted into a polar space has no hue.
  ZdColor *grey = zd_color_parse_css("#808080");
  ZdColor *polar = zd_color_convert(grey, "oklch");
  EXPECT_EQ(cssOf(polar).substr(cssOf(polar).size() - 6), " none)");
  for (ZdColor *c : {p3, srgb, mapped, clipped, grey, polar}) zd_color_free(c);
}

TEST(ColorCssApi, MixesAndMeasures) {
  ZdColor *red = zd_color_parse_css("red");
  ZdColor *blue = zd_color_parse_css("blue");
  ZdColor *out = nullptr;
  ASSERT_EQ(zd_color_mix(red, blue, 0.5f, "oklch", ZD_HUE_SHORTER, &out), ZD_OK);
  ZdColor *css = zd_color_parse_css("color-mix(in oklch, red, blue)");
  EXPECT_EQ(cssOf(out), cssOf(css));
  zd_color_free(out);
  zd_color_free(css);
  ASSERT_EQ(zd_color_mix(red, blue, 0.25f, "srgb", ZD_HUE_LONGER, &out), ZD_OK);
  EXPECT_EQ(cssOf(out), "rgb(191.25, 0, 63.75)");
  zd_color_free(out);

  double difference = -1;
  ASSERT_EQ(zd_color_delta_e(red, red, ZD_DELTA_E_2000, &difference), ZD_OK);
  EXPECT_EQ(difference, 0.0);
  ASSERT_EQ(zd_color_delta_e(red, blue, ZD_DELTA_E_OK, &difference), ZD_OK);
  EXPECT_NEAR(difference, 0.5374, 1e-3);
  ASSERT_EQ(zd_color_delta_e(red, blue, ZD_DELTA_E_76, &difference), ZD_OK);
  EXPECT_GT(difference, 100);
  zd_color_free(red);
  zd_color_free(blue);
}

TEST(ColorCssApi, CmykConvertsMixesAndMeasures) {
  ZdColor *red = zd_color_parse_css("red");
  ZdColor *inks = zd_color_convert(red, "cmyk");
  ASSERT_NE(inks, nullptr);
  EXPECT_STREQ(zd_color_space(inks), "cmyk");
  const Components got = componentsOf(inks);
  EXPECT_EQ(got.count, 4);
  EXPECT_EQ(got.v[0], 0.0f);
  EXPECT_EQ(got.v[1], 1.0f);
  EXPECT_EQ(got.v[2], 1.0f);
  EXPECT_EQ(got.v[3], 0.0f);
  ZdColor *back = zd_color_convert(inks, "srgb");
  EXPECT_EQ(cssOf(back), "#ff0000");
  // Mapped into CMYK from outside sRGB: printable inks.
  ZdColor *p3 = zd_color_parse_css("color(display-p3 0 1 0)");
  ZdColor *mapped = zd_color_gamut_map(p3, "cmyk", 0);
  ASSERT_NE(mapped, nullptr);
  for (float ink : componentsOf(mapped).v) EXPECT_TRUE(ink >= 0.0f && ink <= 1.0f) << ink;
  // Mixed ink by ink, and measured through sRGB.
  const float paper[4] = {0, 0, 0, 0};
  ZdColor *white = zd_color_new("cmyk", paper, 4, 1);
  ZdColor *mixed = nullptr;
  ASSERT_EQ(zd_color_mix(white, inks, 0.5f, "cmyk", ZD_HUE_SHORTER, &mixed), ZD_OK);
  EXPECT_EQ(cssOf(mixed), "color(--cmyk 0 0.5 0.5 0)");
  double difference = -1;
  ASSERT_EQ(zd_color_delta_e(inks, red, ZD_DELTA_E_2000, &difference), ZD_OK);
  EXPECT_EQ(difference, 0.0);
  // The original exports keep refusing a colour they cannot put into sRGB.
  char *svg = nullptr;
  int64_t len = 0;
  EXPECT_EQ(zd_color_to_svg(inks, &svg, &len), ZD_BAD_ARGUMENT);
  for (ZdColor *c : {red, inks, back, p3, mapped, white, mixed}) zd_color_free(c);
  // A number beyond float32 in K gives nil, not an infinite ink.
  EXPECT_EQ(
      zd_color_parse_css(("color(--cmyk 0.1 0.2 0.3 " + std::string(130, '9') + ".4)").c_str()),
      nullptr);
}

TEST(ColorCssApi, RoundTripsThroughText) {
  for (const char *text :
       {"#336699", "rgba(1.5, 2, 3, 0.25)", "hwb(10 none 30%)", "oklch(0.7 0.1 none / none)",
        "color(--jzazbz 0.01 0.002 -0.003)", "color(srgb-linear 2 -1 0.5)"}) {
    ZdColor *c = zd_color_parse_css(text);
    ASSERT_NE(c, nullptr) << text;
    EXPECT_EQ(cssOf(c), text);
    zd_color_free(c);
  }
}

}  // namespace
