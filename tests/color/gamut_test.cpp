// Gamut mapping into sRGB and the other targets: the worked examples, the
// white and black paths, alpha on every path, and errors.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "color_checks.hpp"
#include "color/gamut.hpp"
#include "color/hub.hpp"
#include "color/registry.hpp"

namespace zd::color {
namespace {

using testing::isError;
using testing::make;
using testing::near3;

Color mapToSrgb(const Color &c) {
  const Result<Color> mapped = gamutMap(c, stSrgb);
  EXPECT_TRUE(mapped.isOk());
  return mapped.isOk() ? mapped.value() : Color{};
}

TEST(GamutMap, FarOutOfGamutOklchIsBisected) {
  const Color green = mapToSrgb(make(stOklch, 0.7f, 0.4f, 150));
  EXPECT_EQ(green.space, stSrgb);
  EXPECT_TRUE(near3(green, 0.000, 0.761, 0.281, 5e-4));
  const Color violet = mapToSrgb(make(stOklch, 0.5f, 0.35f, 300));
  EXPECT_TRUE(near3(violet, 0.514, 0.000, 0.917, 5e-4));
  // Clipped results are clamped exactly to the range.
  EXPECT_EQ(green.comps[0], 0.0f);
  EXPECT_EQ(violet.comps[1], 0.0f);
}

TEST(GamutMap, BisectionStopsWithinAJustNoticeableDifference) {
  const Color source = make(stOklch, 0.7f, 0.4f, 150);
  const Color mapped = mapToSrgb(source);
  const Color polar = to(mapped, stOklch).value();
  // Lightness and hue are kept within the clipping error, chroma drops.
  EXPECT_NEAR(polar.comps[0], 0.7, 0.02);
  EXPECT_NEAR(polar.comps[2], 150, 3);
  EXPECT_LT(polar.comps[1], 0.4f);
  const Color reduced = make(stOklch, polar.comps[0], polar.comps[1], polar.comps[2]);
  EXPECT_LT(deltaEOK(mapped, reduced), 0.02);
}

TEST(GamutMap, InGamutColoursComeBackConverted) {
  const Color pink = mapToSrgb(make(stOklch, 0.7f, 0.1f, 30, 0.25f));
  EXPECT_TRUE(near3(pink, 0.837, 0.527, 0.475, 5e-4));
  EXPECT_EQ(pink.alpha, 0.25f);
  const Color srgb = mapToSrgb(make(stSrgb, 0.2f, 0.4f, 0.6f));
  EXPECT_TRUE(near3(srgb, 0.2, 0.4, 0.6, 2e-7));
}

TEST(GamutMap, RangeToleranceKeepsNearlyInsideColoursUnclamped) {
  const Color nearly = mapToSrgb(make(stSrgb, 1.0000005f, 0.3f, 0.3f));
  EXPECT_GT(nearly.comps[0], 1.0f);
  EXPECT_NEAR(nearly.comps[0], 1.0000005f, 3e-7);
}

TEST(GamutMap, WhiteAndBlackPaths) {
  for (const Color &light :
       {make(stOklch, 1.2f, 0.3f, 30), make(stOklch, 1, 0, 0), make(stSrgb, 1, 1, 1)}) {
    const Color white = mapToSrgb(light);
    EXPECT_TRUE(near3(white, 1, 1, 1, 2e-7));
  }
  // Coming from the white path, not from clipping: not clamped to 1.
  EXPECT_GT(mapToSrgb(make(stSrgb, 1, 1, 1)).comps[2], 1.0f);
  EXPECT_TRUE(near3(mapToSrgb(make(stOklch, -0.1f, 0.1f, 0)), 0, 0, 0, 0));
  EXPECT_TRUE(near3(mapToSrgb(make(stOklch, 0, 0, 0)), 0, 0, 0, 0));
  // Lightness 0 with chroma comes back from OKLCH as about 3e-17, not 0,
  // so the chroma search brings it to black instead.
  EXPECT_TRUE(near3(mapToSrgb(make(stOklch, 0, 0.3f, 30)), 0, 0, 0, 1e-4));
}

TEST(GamutMap, AlphaIsCarriedOnEveryPath) {
  const float alpha = 0.25f;
  const Color inputs[] = {
      make(stOklch, 1.2f, 0.3f, 30, alpha),     // white
      make(stOklch, -0.1f, 0.3f, 30, alpha),    // black
      make(stOklch, 0.7f, 0.1f, 30, alpha),     // in gamut
      make(stSrgb, 1.004f, 0.5f, 0.5f, alpha),  // clipped at once
      make(stOklch, 0.7f, 0.4f, 150, alpha),    // bisected
      make(stOklch, 0.5f, 0.35f, 300, alpha),   // bisected
  };
  for (const Color &c : inputs) EXPECT_EQ(mapToSrgb(c).alpha, alpha);
}

TEST(GamutMap, SlightlyOutOfGamutIsClippedWithoutSearch) {
  const Color clipped = mapToSrgb(make(stSrgb, 1.004f, 0.5f, 0.5f));
  EXPECT_EQ(clipped.comps[0], 1.0f);
  EXPECT_NEAR(clipped.comps[1], 0.5, 1e-6);
}

TEST(GamutMap, EveryResultLiesInsideSrgb) {
  for (float lightness = 0.05f; lightness < 1.0f; lightness += 0.1f) {
    for (float chroma = 0.05f; chroma <= 0.5f; chroma += 0.09f) {
      for (float hue = 0; hue < 360; hue += 24) {
        const Color mapped = mapToSrgb(make(stOklch, lightness, chroma, hue));
        for (float v : mapped.comps) {
          EXPECT_GE(v, -1e-6f) << lightness << " " << chroma << " " << hue;
          EXPECT_LE(v, 1.0f + 1e-6f) << lightness << " " << chroma << " " << hue;
        }
      }
    }
  }
}

TEST(GamutMap, OtherBoundedTargetsAreMappedToo) {
  const Color source = make(stOklch, 0.7f, 0.4f, 150);
  for (SpaceTag target : {stP3, stRec2020, stA98, stProphoto, stHsv, stHsl, stHwb, stYcbcr}) {
    const Result<Color> mapped = gamutMap(source, target);
    ASSERT_TRUE(mapped.isOk()) << spaceName(target);
    EXPECT_EQ(mapped.value().space, target);
    const SpaceDescriptor d = *spaceByTag(target);
    for (int i = 0; i < 3; ++i) {
      EXPECT_GE(mapped.value().comps[i], d.rangeMin[i] - 1e-6) << spaceName(target);
      EXPECT_LE(mapped.value().comps[i], d.rangeMax[i] + 1e-6) << spaceName(target);
    }
  }
}

TEST(GamutMap, SpacesWithoutAGamutArePlainlyConverted) {
  const Color source = make(stOklch, 0.7f, 0.4f, 150, 0.5f);
  for (SpaceTag target : {stSrgbLinear, stXyz, stLab, stOklch, stJzazbz, stHct}) {
    const Result<Color> mapped = gamutMap(source, target);
    const Result<Color> converted = to(source, target);
    ASSERT_TRUE(mapped.isOk()) << spaceName(target);
    EXPECT_EQ(mapped.value(), converted.value()) << spaceName(target);
  }
  EXPECT_TRUE(isError(gamutMap(source, stCmyk), ErrorKind::InvalidOp,
                      "fromXYZ not implemented for family", "famCmyk"));
}

TEST(GamutMap, Errors) {
  const Color c = make(stSrgb, 0.5f, 0.5f, 0.5f);
  EXPECT_TRUE(isError(gamutMap(c, 0), ErrorKind::UnknownSpace, "gamutMap: target not registered",
                      "unknown"));
  EXPECT_TRUE(isError(gamutMap(c, 1000), ErrorKind::UnknownSpace, "gamutMap: target not registered",
                      "user"));
  EXPECT_TRUE(isError(gamutMap(make(99, 0.5f, 0.5f, 0.5f), stSrgb), ErrorKind::UnknownSpace,
                      "space not registered", "SpaceTag(99)"));
  EXPECT_TRUE(isError(gamutMap(make(stCmyk, 0.5f, 0.5f, 0.5f), stSrgb), ErrorKind::InvalidOp,
                      "toXYZ not implemented for family", "famCmyk"));
}

TEST(GamutHelpers, FailuresCountAsOutOfGamutBlackAndInfinitelyFar) {
  const SpaceDescriptor srgb = *spaceByTag(stSrgb);
  const Color unconvertible = make(stCmyk, 0.1f, 0.2f, 0.3f);
  EXPECT_FALSE(inGamut(unconvertible, srgb, stSrgb));
  const Color black = clipColor(unconvertible, srgb, stSrgb, 0.3f);
  EXPECT_EQ(black, make(stSrgb, 0, 0, 0, 0.3f));
  EXPECT_EQ(deltaEOK(unconvertible, black), std::numeric_limits<double>::infinity());

  const Color orange = make(stSrgb, 1, 0.5f, 0);
  EXPECT_EQ(deltaEOK(orange, orange), 0.0);
  EXPECT_TRUE(inGamut(orange, srgb, stSrgb));
  // The alpha passed in wins over the colour's own.
  const Color clipped = clipColor(make(stSrgb, 1.5f, -0.5f, 0.5f, 1.0f), srgb, stSrgb, 0.7f);
  EXPECT_TRUE(near3(clipped, 1, 0, 0.5, 1e-6));
  EXPECT_EQ(clipped.comps[0], 1.0f);
  EXPECT_EQ(clipped.comps[1], 0.0f);
  EXPECT_EQ(clipped.alpha, 0.7f);
  // deltaEOK is the OKLab distance: white to black is 1.
  EXPECT_NEAR(deltaEOK(make(stOklab, 1, 0, 0), make(stOklab, 0, 0, 0)), 1.0, 1e-6);
}

}  // namespace
}  // namespace zd::color
