// Device CMYK without a profile: the naive formulas both ways, and host
// colours converting, mapping, mixing and measuring through sRGB.
#include <gtest/gtest.h>

#include <string>

#include "color/convert.hpp"
#include "color/css.hpp"
#include "color/difference.hpp"
#include "color/hub.hpp"
#include "color/mix.hpp"
#include "color/space_device.hpp"
#include "color_checks.hpp"

namespace zd::color {
namespace {

using testing::make;
using testing::near3;

CssColor css(const std::string &text) { return parseCss(text).value(); }

CssColor inks(float c, float m, float y, float k, float alpha = 1.0f) {
  return CssColor{make(stCmyk, c, m, y, alpha), k, 0};
}

void expectInks(const CssColor &got, double c, double m, double y, double k, double tolerance) {
  EXPECT_EQ(got.color.space, stCmyk);
  EXPECT_TRUE(near3(got.color, c, m, y, tolerance))
      << got.color.comps[0] << " " << got.color.comps[1] << " " << got.color.comps[2];
  EXPECT_NEAR(got.fourth, k, tolerance);
}

TEST(DeviceCmyk, NaiveFormulasBothWays) {
  // Each channel is 1 - min(1, ink·(1 - K) + K).
  const Vec3 rgb = cmykToRgb({0.2, 0.4, 0.6, 0.5});
  EXPECT_NEAR(rgb[0], 0.4, 1e-15);
  EXPECT_NEAR(rgb[1], 0.3, 1e-15);
  EXPECT_NEAR(rgb[2], 0.2, 1e-15);
  EXPECT_EQ(cmykToRgb({0, 0, 0, 0}), (Vec3{1, 1, 1}));
  // Ink beyond what the paper takes saturates at no light.
  EXPECT_EQ(cmykToRgb({2, 0, 0, 0})[0], 0.0);
  EXPECT_EQ(cmykToRgb({0.5, 0, 0, 1})[0], 0.0);

  // K = 1 - max; each ink (1 - channel - K)/(1 - K); black is K alone.
  const Cmyk brown = rgbToCmyk({0.4, 0.3, 0.2});
  EXPECT_NEAR(brown[0], 0.0, 1e-15);
  EXPECT_NEAR(brown[1], 0.25, 1e-15);
  EXPECT_NEAR(brown[2], 0.5, 1e-15);
  EXPECT_NEAR(brown[3], 0.6, 1e-15);
  EXPECT_EQ(rgbToCmyk({0, 0, 0}), (Cmyk{0, 0, 0, 1}));
  EXPECT_EQ(rgbToCmyk({1, 1, 1}), (Cmyk{0, 0, 0, 0}));

  // Every sRGB colour has inks in [0, 1] that give it back.
  constexpr int kSteps = 6;
  for (int r = 0; r < kSteps; ++r) {
    for (int g = 0; g < kSteps; ++g) {
      for (int b = 0; b < kSteps; ++b) {
        const Vec3 source = {r / double(kSteps - 1), g / double(kSteps - 1),
                             b / double(kSteps - 1)};
        const Cmyk cmyk = rgbToCmyk(source);
        for (double ink : cmyk) EXPECT_TRUE(ink >= 0 && ink <= 1) << ink;
        const Vec3 back = cmykToRgb(cmyk);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[i], source[i], 1e-15) << r << g << b;
      }
    }
  }
}

TEST(DeviceCmyk, HostColoursConvertThroughSrgb) {
  const CssColor brown = inks(0.2f, 0.4f, 0.6f, 0.5f, 0.7f);
  const CssColor srgb = convertCss(brown, stSrgb).value();
  EXPECT_TRUE(near3(srgb.color, 0.4, 0.3, 0.2, 1e-7));
  EXPECT_EQ(srgb.color.alpha, 0.7f);
  // Any other space is reached from those sRGB values.
  EXPECT_EQ(convertCss(brown, stOklch).value().color, convertCss(srgb, stOklch).value().color);

  expectInks(convertCss(css("red"), stCmyk).value(), 0, 1, 1, 0, 0);
  expectInks(convertCss(css("black"), stCmyk).value(), 0, 0, 0, 1, 0);
  expectInks(convertCss(css("lab(100 0 0 / none)"), stCmyk).value(), 0, 0, 0, 0, 1e-5);
  EXPECT_EQ(convertCss(css("rgb(255 0 0 / none)"), stCmyk).value().missing, kMissingAlpha);
  // Into CMYK and back from a wide-gamut space, for colours inside sRGB.
  for (const char *text :
       {"color(display-p3 0.3 0.6 0.2)", "oklch(0.6 0.1 250 / 0.5)", "hsl(30 50% 40%)"}) {
    const CssColor start = css(text);
    const CssColor there = convertCss(start, stCmyk).value();
    const CssColor back = convertCss(there, start.color.space).value();
    EXPECT_LT(deltaE(start, back, deOk).value(), 1e-6) << text;
    EXPECT_EQ(back.color.alpha, start.color.alpha);
  }
  // Inks whose sRGB lies beyond float32 have no conversion.
  EXPECT_FALSE(convertCss(inks(-3e38f, 0, 0, -3e38f), stSrgb).isOk());
}

TEST(DeviceCmyk, MappingKeepsInksInRange) {
  // Outside sRGB: mapped into sRGB by the method first, so the inks are a
  // real printable colour.
  const CssColor vivid = css("color(display-p3 1 0 0 / 0.5)");
  expectInks(gamutMapCss(vivid, stCmyk, gmClip).value(), 0, 1, 1, 0, 0);
  const CssColor mapped = gamutMapCss(vivid, stCmyk, gmCss).value();
  const Color viaSrgb = gamutMapCss(vivid, stSrgb, gmCss).value().color;
  EXPECT_LT(deltaE(mapped, cssColorOf(viaSrgb), deOk).value(), 1e-6);
  EXPECT_EQ(mapped.color.alpha, 0.5f);
  for (float ink :
       {mapped.color.comps[0], mapped.color.comps[1], mapped.color.comps[2], mapped.fourth}) {
    EXPECT_TRUE(ink >= 0.0f && ink <= 1.0f) << ink;
  }
  // A CMYK colour has its inks clamped where they are, by either method.
  for (GamutMethod method : {gmCss, gmClip}) {
    expectInks(gamutMapCss(inks(1.5f, -0.2f, 0.3f, 0.4f), stCmyk, method).value(), 1, 0, 0.3, 0.4,
               1e-7);
  }
  // Out of CMYK into another space: from the inks' sRGB.
  EXPECT_EQ(gamutMapCss(inks(0, 1, 1, 0), stSrgb, gmClip).value().color, css("red").color);
}

TEST(DeviceCmyk, MixesInkByInkAndMeasuresThroughSrgb) {
  // In CMYK all four inks are interpolated, premultiplied by alpha.
  const CssColor paper = inks(0, 0, 0, 0), ink = inks(1, 0.5f, 0, 1);
  expectInks(interpolate(paper, ink, 0.25, stCmyk, hmShorter).value(), 0.25, 0.125, 0, 0.25, 1e-7);
  const CssColor half = interpolate(paper, inks(0, 0, 0, 1, 0.5f), 0.5, stCmyk, hmShorter).value();
  EXPECT_NEAR(half.fourth, 1.0 / 3.0, 1e-7);
  EXPECT_NEAR(half.color.alpha, 0.75, 1e-7);
  // A missing ink takes the other colour's.
  CssColor noCyan = inks(0, 0.2f, 0.2f, 0.2f);
  noCyan.missing = kMissingFirst;
  expectInks(interpolate(noCyan, inks(0.6f, 0, 0, 0), 0.5, stCmyk, hmShorter).value(), 0.6, 0.1,
             0.1, 0.1, 1e-7);
  // Mixed in another space, CMYK colours are their sRGB.
  EXPECT_EQ(interpolate(inks(0, 1, 1, 0), inks(1, 1, 0, 0), 0.5, stOklab, hmShorter).value().color,
            interpolate(css("red"), css("blue"), 0.5, stOklab, hmShorter).value().color);
  // Colour difference: the same colour written as inks differs by nothing.
  EXPECT_EQ(deltaE(inks(0, 1, 1, 0), css("red"), de2000).value(), 0.0);
  EXPECT_NEAR(deltaE(inks(0, 0, 0, 0), inks(0, 0, 0, 1), de76).value(), 100, 1e-3);
  // The plain colour difference still has no route for a CMYK Color.
  EXPECT_FALSE(deltaE(css("red").color, inks(0, 0, 0, 1).color, deOk).isOk());
}

}  // namespace
}  // namespace zd::color
