// The conversion hub: routes, short paths, alpha, errors and a round trip
// of an sRGB grid through every registered space.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>
#include <random>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "color_checks.hpp"
#include "color/hub.hpp"
#include "color/registry.hpp"
#include "color/space_rgb.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {
namespace {

using testing::isError;
using testing::make;
using testing::near3;

TEST(Hub, SrgbToOklabAndOklch) {
  const Color white = to(make(stSrgb, 1, 1, 1), stOklch).value();
  EXPECT_NEAR(white.comps[0], 1.0, 1e-6);
  EXPECT_LT(white.comps[1], 1e-6);
  const Color red = to(make(stSrgb, 1, 0, 0), stOklab).value();
  EXPECT_TRUE(near3(red, 0.6279554, 0.2248631, 0.1258463, 1e-6));
  EXPECT_EQ(red.space, stOklab);
}

TEST(Hub, OwnSpaceTakesTheFullRoute) {
  const Color c = to(make(stSrgb, 0.2f, 0.4f, 0.6f), stSrgb).value();
  EXPECT_NEAR(c.comps[0], 0.2f, 2e-8);
  EXPECT_NEAR(c.comps[1], 0.4f, 4e-8);
  EXPECT_NEAR(c.comps[2], 0.6f, 6e-8);
}

TEST(Hub, OklchToOklabIsDirectAndKeepsTheHue) {
  const Color at40 = to(make(stOklch, 0.6f, 0.1f, 40), stOklab).value();
  const Color at400 = to(make(stOklch, 0.6f, 0.1f, 400), stOklab).value();
  EXPECT_EQ(at40.comps[0], 0.6f);  // lightness carried unchanged
  EXPECT_NEAR(at400.comps[1], at40.comps[1], 1e-7);
  EXPECT_NEAR(at400.comps[2], at40.comps[2], 1e-7);
  // A negative hue is used as given: −30° is below the a axis.
  const Color negative = to(make(stOklch, 0.6f, 0.1f, -30), stOklab).value();
  EXPECT_NEAR(negative.comps[1], 0.1 * std::cos(-30 * std::numbers::pi / 180), 1e-7);
  EXPECT_NEAR(negative.comps[2], 0.1 * std::sin(-30 * std::numbers::pi / 180), 1e-7);
  // Back to polar: the hue lands in [0, 360).
  const Color polar = to(negative, stOklch).value();
  EXPECT_NEAR(polar.comps[2], 330.0, 1e-4);
  EXPECT_NEAR(polar.comps[1], 0.1, 1e-7);
}

TEST(Hub, ShortPathsMatchTheirFormulas) {
  const Color linear = to(make(stSrgb, 0.5f, 0.04f, 1.2f), stSrgbLinear).value();
  EXPECT_TRUE(near3(linear, std::pow((0.5 + 0.055) / 1.055, 2.4), 0.04 / 12.92,
                    std::pow((1.2f + 0.055) / 1.055, 2.4), 1e-7));
  const Color encoded = to(make(stSrgbLinear, 0.002f, -0.5f, 1.0f), stSrgb).value();
  EXPECT_TRUE(near3(encoded, 12.92 * 0.002f, 12.92 * -0.5, 1.0, 1e-7));

  const Color lch = to(make(stLab, 50, -20, 20), stLch).value();
  EXPECT_TRUE(near3(lch, 50, std::hypot(20.0, 20.0), 135, 1e-4));

  // hsv (30°, 1, 1) is orange (1, 0.5, 0): hsl (30°, 1, 0.5), hwb (30°, 0, 0).
  const Color hsl = to(make(stHsv, 30, 1, 1), stHsl).value();
  EXPECT_TRUE(near3(hsl, 30, 1, 0.5, 1e-6));
  const Color hwb = to(make(stHsl, 30, 1, 0.5f), stHwb).value();
  EXPECT_TRUE(near3(hwb, 30, 0, 0, 1e-6));
  const Color hsv = to(make(stHwb, 210, 0.2f, 0.4f), stHsv).value();
  EXPECT_TRUE(near3(hsv, 210, 1 - 0.2 / 0.6, 0.6, 1e-6));
}

TEST(Hub, ShortPathRefusesOtherPairs) {
  EXPECT_TRUE(isError(shortPath(make(stSrgb, 0, 0, 0), stOklch), ErrorKind::InvalidOp,
                      "not a short-path pair", "SpaceTag(1) -> SpaceTag(16)"));
  EXPECT_TRUE(isError(shortPath(make(stLab, 0, 0, 0), stOklab), ErrorKind::InvalidOp,
                      "not a short-path pair", "SpaceTag(13) -> SpaceTag(15)"));
  EXPECT_TRUE(isShortPathPair(stHwb, stHsl));
  EXPECT_FALSE(isShortPathPair(stSrgb, stSrgb));
  EXPECT_FALSE(isShortPathPair(stHsv, stSrgb));
}

// Exactly the twelve directed pairs, whatever the tags (negative, user
// spaces, tags past the built-in ones).
TEST(Hub, ShortPathPairsAreExactlyTheTwelve) {
  const SpaceTag pairs[][2] = {{stSrgb, stSrgbLinear}, {stLab, stLch}, {stOklab, stOklch},
                               {stHsv, stHsl},         {stHsv, stHwb}, {stHsl, stHwb}};
  int found = 0;
  for (SpaceTag a = -40; a < 1040; ++a) {
    for (SpaceTag b = -40; b < 40; ++b) {
      bool listed = false;
      for (const auto &p : pairs)
        listed = listed || (p[0] == a && p[1] == b) || (p[0] == b && p[1] == a);
      ASSERT_EQ(isShortPathPair(a, b), listed) << a << " -> " << b;
      found += listed;
    }
  }
  EXPECT_EQ(found, 12);
}

TEST(Hub, AlphaSurvivesEveryRoute) {
  const Color source = make(stSrgb, 0.3f, 0.5f, 0.7f, 0.25f);
  for (SpaceTag target = 1; target <= 26; ++target) {
    if (target == stCmyk) continue;
    const Result<Color> there = to(source, target);
    ASSERT_TRUE(there.isOk()) << spaceName(target) << ": " << there.error().message;
    EXPECT_EQ(there.value().alpha, 0.25f) << spaceName(target);
    EXPECT_EQ(there.value().space, target);
    for (SpaceTag next = 1; next <= 26; ++next) {
      if (next == stCmyk) continue;
      const Result<Color> onward = to(there.value(), next);
      ASSERT_TRUE(onward.isOk()) << spaceName(target) << " -> " << spaceName(next);
      EXPECT_EQ(onward.value().alpha, 0.25f) << spaceName(target) << " -> " << spaceName(next);
    }
  }
}

TEST(Hub, ErrorsCarryKindMessageAndContext) {
  EXPECT_TRUE(isError(to(make(stSrgb, 0, 0, 0), 0), ErrorKind::UnknownSpace,
                      "target space not registered", "SpaceTag(0)"));
  EXPECT_TRUE(isError(to(make(stSrgb, 0, 0, 0), 1000), ErrorKind::UnknownSpace,
                      "target space not registered", "SpaceTag(1000)"));
  EXPECT_TRUE(isError(to(make(27, 0, 0, 0), stSrgb), ErrorKind::UnknownSpace,
                      "space not registered", "SpaceTag(27)"));
  EXPECT_TRUE(isError(to(make(-4, 0, 0, 0), stSrgb), ErrorKind::UnknownSpace,
                      "space not registered", "SpaceTag(-4)"));
  EXPECT_TRUE(isError(to(make(stSrgb, 0.5f, 0.5f, 0.5f), stCmyk), ErrorKind::InvalidOp,
                      "fromXYZ not implemented for family", "famCmyk"));
  EXPECT_TRUE(isError(to(make(stCmyk, 0.5f, 0.5f, 0.5f), stSrgb), ErrorKind::InvalidOp,
                      "toXYZ not implemented for family", "famCmyk"));
  EXPECT_TRUE(isError(to(make(stXyy, 0.3f, 0.0f, 0.5f), stSrgb), ErrorKind::InvalidColor,
                      "xyY with y=0 is undefined", "xyyToXYZ"));
  EXPECT_TRUE(isError(to(make(stXyy, 0.3f, 5e-10f, 0.5f), stSrgb), ErrorKind::InvalidColor,
                      "xyY with y=0 is undefined", "xyyToXYZ"));
  EXPECT_TRUE(isError(to(make(stSrgb, 0, 0, 0), stXyy), ErrorKind::InvalidColor,
                      "XYZ sum=0 -> xyY undefined", "xyzToXyy"));
  // An overflow to infinity is refused the same way, never cast blindly.
  EXPECT_TRUE(isError(to(make(stXyz, 3e38f, 0, 0), stSrgbLinear), ErrorKind::InvalidColor,
                      "component NaN/Inf at bounds", ""));
}

TEST(Hub, WhitesAreAdaptedOnlyWhenTheyDiffer) {
  // P3 shares D65: its white is the matrix row sums exactly.
  const Vec3 p3 = toXYZ(make(stP3, 1, 1, 1)).value();
  const Vec3 rows = apply3(p3ToXyz, {1, 1, 1});
  EXPECT_EQ(p3, rows);
  // ProPhoto's white is D50; adapted, it lands on D65.
  const Vec3 prophoto = toXYZ(make(stProphoto, 1, 1, 1)).value();
  // (The ProPhoto matrix's white is D50 to four places only.)
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(prophoto[i], wpD65[i], 3e-4) << i;
  const Vec3 unadapted = apply3(proPhotoToXyz, {1, 1, 1});
  EXPECT_GT(std::fabs(prophoto[2] - unadapted[2]), 0.2);
}

TEST(Hub, TransferCurves) {
  EXPECT_EQ(oetfOf(tfSrgb, 0, 0.0031308), 12.92 * 0.0031308);
  EXPECT_EQ(oetfOf(tfSrgb, 0, 0.5), std::fma(1.055, std::pow(0.5, 1.0 / 2.4), -0.055));
  EXPECT_EQ(oetfOf(tfRec2020, 0, 0.5), std::fma(1.099, std::pow(0.5, 0.45), -0.099));
  EXPECT_EQ(oetfOf(tfRec2020, 0, 0.0179), 4.5 * 0.0179);
  EXPECT_EQ(oetfOf(tfProPhoto, 0, 0.001953125), 16 * 0.001953125);
  EXPECT_EQ(oetfOf(tfGamma, 2.2, 0.25), std::pow(0.25, 1 / 2.2));
  EXPECT_EQ(eotfOf(tfProPhoto, 1.8, 0.03125), 0.03125 / 16);
  EXPECT_EQ(eotfOf(tfRec2020, 0, 0.5), std::pow((0.5 + 0.099) / 1.099, 1 / 0.45));
  EXPECT_EQ(eotfOf(tfSrgb, 0, -0.5), -0.5 / 12.92);  // nothing is clamped
  EXPECT_EQ(oetfOf(tfLinear, 0, -3.0), -3.0);
  EXPECT_TRUE(std::isnan(oetfOf(tfPq, 0, 0.5)));
  // The pure power curve is mirrored below zero in both directions; zero and
  // positive values take the plain power.
  for (double v : {0.001, 0.25, 0.8, 1.5}) {
    EXPECT_EQ(eotfOf(tfGamma, 2.2, -v), -std::pow(v, 2.2)) << v;
    EXPECT_EQ(oetfOf(tfGamma, 2.2, -v), -std::pow(v, 1 / 2.2)) << v;
    EXPECT_EQ(eotfOf(tfGamma, 2.2, v), std::pow(v, 2.2)) << v;
  }
  EXPECT_EQ(eotfOf(tfGamma, 2.2, 0.0), 0.0);
  EXPECT_TRUE(std::isnan(oetfOf(tfGamma, 2.2, NAN)));

  EXPECT_TRUE(std::isnan(eotfOf(tfReserved, 0, 0.5)));
  for (TransferKind kind : {tfSrgb, tfRec2020, tfProPhoto}) {
    for (double v : {0.0, 0.001, 0.02, 0.3, 0.9, 1.0}) {
      EXPECT_NEAR(eotfOf(kind, 0, oetfOf(kind, 0, v)), v, 1e-12) << int(kind) << " " << v;
    }
  }
}

TEST(Hub, FloatRoundingNeverCastsOutOfRange) {
  EXPECT_EQ(toFloat32(1e300), INFINITY);
  EXPECT_EQ(toFloat32(-1e300), -INFINITY);
  EXPECT_EQ(toFloat32(3.4028235e38), FLT_MAX);
  EXPECT_EQ(toFloat32(0.1), 0.1f);
  EXPECT_TRUE(std::isnan(toFloat32(NAN)));
}

// Every sRGB colour of a grid goes to each space and back; the worst
// difference per space is printed and bounded. Spaces relative to D50 carry
// the rounding of the stored Bradford inverse, a few millionths.
TEST(Hub, RoundTripThroughEverySpace) {
  constexpr int kSteps = 9;
  for (SpaceTag space = 1; space <= 26; ++space) {
    if (space == stCmyk) continue;
    double worst = 0;
    int failures = 0;
    for (int r = 0; r < kSteps; ++r) {
      for (int g = 0; g < kSteps; ++g) {
        for (int b = 0; b < kSteps; ++b) {
          const Color source =
              make(stSrgb, r / float(kSteps - 1), g / float(kSteps - 1), b / float(kSteps - 1));
          const Result<Color> there = to(source, space);
          if (!there.isOk()) {
            // Black has no chromaticity.
            EXPECT_TRUE(space == stXyy && r + g + b == 0) << spaceName(space) << " " << r << g << b;
            ++failures;
            continue;
          }
          const Result<Color> back = to(there.value(), stSrgb);
          ASSERT_TRUE(back.isOk()) << spaceName(space) << ": " << back.error().message;
          for (int i = 0; i < 3; ++i) {
            worst = std::max(worst, std::fabs(double(back.value().comps[i]) - source.comps[i]));
          }
        }
      }
    }
    std::printf("[ round trip ] %-16s worst %.3g\n", spaceName(space).c_str(), worst);
    const bool d50 =
        space == stLab || space == stLch || space == stProphoto || space == stProphotoLinear;
    // A hue in degrees held in float32 is quantised to ~3e-5°, which at
    // high chroma moves the colour by a few millionths.
    const bool degreeHue = space == stOklch || space == stCam16 || space == stHct;
    EXPECT_LT(worst, d50 ? 1e-4 : (degreeHue ? 5e-6 : 1e-6)) << spaceName(space);
    EXPECT_LE(failures, 1);
  }
}

// The plain OKLCH conversion gamut mapping starts from gives `to`'s bits
// wherever it answers, answers for every valid OKLab, OKLCH and RGB colour,
// and leaves every failure (NaN, overflow, a bad alpha) to `to`.
TEST(QuickToOklch, MatchesToBitForBit) {
  std::mt19937 random(1209);
  std::uniform_real_distribution<float> unit(-0.3f, 1.3f);
  const float huge = FLT_MAX, nan = NAN;
  const float specials[] = {0.0f, -0.0f, 1.0f, 360.0f, 1e-30f, 1e20f, huge, -huge, nan};
  for (int k = 0; k < 20000; ++k) {
    Color c;
    c.space = static_cast<SpaceTag>(1 + k % stHct);
    for (float &comp : c.comps) comp = k % 7 == 0 ? specials[random() % 9] : unit(random);
    if (c.space == stOklch || c.space == stLch) c.comps[2] *= 360.0f;
    c.alpha = k % 11 == 0 ? unit(random) : 1.0f;
    const std::optional<Color> quick = quickToOklch(c, *plainOklabRoutes());
    const Result<Color> plain = to(c, stOklch);
    const bool served =
        c.space == stOklab || c.space == stOklch || findSpace(c.space)->family <= famRgbLinear;
    if (plain.isOk() && served) {
      ASSERT_TRUE(quick.has_value()) << k;
    }
    if (!quick) continue;
    ASSERT_TRUE(plain.isOk()) << k;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(std::bit_cast<std::uint32_t>(quick->comps[i]),
                std::bit_cast<std::uint32_t>(plain.value().comps[i]))
          << "space " << c.space << " component " << i;
    }
    EXPECT_TRUE(*quick == plain.value());
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace zd::color
