// The space registry, its descriptors, the matrix helpers and Bradford
// adaptation.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "color_checks.hpp"
#include "color/hub.hpp"
#include "color/matrices.hpp"
#include "color/registry.hpp"
#include "color/space_rgb.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {
namespace {

using testing::isError;
using testing::make;

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Registry, HoldsTheTwentySixBuiltInSpaces) {
  for (SpaceTag tag = 1; tag <= 26; ++tag) {
    const std::optional<SpaceDescriptor> d = spaceByTag(tag);
    ASSERT_TRUE(d.has_value()) << tag;
    EXPECT_EQ(d->tag, tag);
    EXPECT_EQ(d->name, spaceName(tag));
  }
  for (SpaceTag tag : {0, 27, 1000, -1}) EXPECT_FALSE(spaceByTag(tag).has_value()) << tag;
  EXPECT_TRUE(spacesSealed());
}

TEST(Registry, DescriptorsCarryTheirFamiliesRangesAndSettings) {
  const SpaceDescriptor srgb = *spaceByTag(stSrgb);
  EXPECT_EQ(srgb.family, famRgbEncoded);
  EXPECT_EQ(srgb.transfer, tfSrgb);
  EXPECT_FALSE(srgb.unbounded);
  EXPECT_EQ(srgb.rangeMax[2], 1.0);
  EXPECT_EQ(srgb.rangeMax[3], 0.0);
  EXPECT_EQ(srgb.componentNames[3], "");
  EXPECT_EQ(srgb.toXyz, srgbToXyz);
  EXPECT_EQ(srgb.fromXyz, inverse3(srgbToXyz).value());

  const SpaceDescriptor linear = *spaceByTag(stSrgbLinear);
  EXPECT_EQ(linear.family, famRgbLinear);
  EXPECT_EQ(linear.transfer, tfLinear);
  EXPECT_EQ(linear.gamma, 0.0);
  EXPECT_EQ(linear.toXyz, srgbToXyz);
  EXPECT_TRUE(linear.unbounded);
  EXPECT_EQ(linear.rangeMin[0], -kInf);

  const SpaceDescriptor prophoto = *spaceByTag(stProphoto);
  EXPECT_EQ(prophoto.white, wpD50);
  EXPECT_EQ(prophoto.transfer, tfProPhoto);
  EXPECT_EQ(prophoto.gamma, 1.8);
  EXPECT_EQ(spaceByTag(stA98)->gamma, 2.2);
  EXPECT_EQ(spaceByTag(stA98)->transfer, tfGamma);
  EXPECT_EQ(spaceByTag(stRec2020)->transfer, tfRec2020);

  const SpaceDescriptor cmyk = *spaceByTag(stCmyk);
  EXPECT_EQ(cmyk.componentCount, 4);
  EXPECT_EQ(cmyk.componentNames[3], "K");
  EXPECT_EQ(cmyk.rangeMax[3], 1.0);
  EXPECT_FALSE(cmyk.gamutMappable);
  EXPECT_EQ(cmyk.toXyz, kIdentity3);

  const SpaceDescriptor lch = *spaceByTag(stLch);
  EXPECT_EQ(lch.white, wpD50);
  EXPECT_EQ(lch.chromaKind, ckPolar);
  EXPECT_EQ(lch.rangeMax[1], kInf);
  EXPECT_EQ(lch.rangeMax[2], 360.0);
  EXPECT_TRUE(lch.unbounded);

  const SpaceDescriptor ucs = *spaceByTag(stCam16Ucs);
  EXPECT_EQ(ucs.componentNames[0], "J'");
  EXPECT_EQ(ucs.chromaKind, ckOpponent);
  EXPECT_EQ(spaceByTag(stIctcp)->transfer, tfPq);
  EXPECT_EQ(spaceByTag(stIctcp)->componentNames[1], "Ct");
  EXPECT_FALSE(spaceByTag(stHct)->gamutMappable);
  EXPECT_EQ(spaceByTag(stYcbcr)->rangeMin[1], -0.5);
  EXPECT_FALSE(spaceByTag(stYcbcr)->unbounded);
  EXPECT_FALSE(spaceByTag(stHwb)->unbounded);
  EXPECT_EQ(spaceByTag(stHwb)->chromaKind, ckNone);
  EXPECT_EQ(toString(famCam16Ucs), "famCam16Ucs");
}

TEST(Registry, CopiesAreIndependentOfTheTables) {
  std::optional<SpaceDescriptor> d = spaceByTag(stOklch);
  d->name = "changed";
  d->rangeMax[0] = 7;
  EXPECT_EQ(spaceByTag(stOklch)->name, "oklch");
  EXPECT_EQ(spaceByTag(stOklch)->rangeMax[0], 1.0);
}

TEST(Registry, RefusesEverythingOnceSealed) {
  SpaceDescriptor user = *spaceByTag(stSrgb);
  user.name = "my-space";
  user.tag = 1000;
  EXPECT_FALSE(registerSpace(user));
  EXPECT_FALSE(spaceByTag(1000).has_value());
}

// Runs `check` on an emptied, unsealed registry and restores the built-in
// spaces afterwards.
template <class Check>
void withFreshRegistry(Check check) {
  destroyConversionHub();
  destroyColorSpaces();
  check();
  destroyConversionHub();
  destroyColorSpaces();
  initColorSpaces();
  initConversionHub();
}

TEST(Registry, FirstRegistrationOfANameOrTagWins) {
  withFreshRegistry([] {
    SpaceDescriptor first = makeRgbDescriptor("first", 1000, famRgbLinear, wpD65, tfLinear,
                                              srgbToXyz, true, 0.0, {"r", "g", "b"});
    EXPECT_TRUE(registerSpace(first));
    SpaceDescriptor sameName = first;
    sameName.tag = 1001;
    EXPECT_FALSE(registerSpace(sameName));
    SpaceDescriptor sameTag = first;
    sameTag.name = "second";
    EXPECT_FALSE(registerSpace(sameTag));
    SpaceDescriptor unnamed = first;
    unnamed.name = "";
    unnamed.tag = 1002;
    EXPECT_FALSE(registerSpace(unnamed));
    EXPECT_FALSE(spaceByTag(1001).has_value());
    EXPECT_FALSE(spaceByTag(1002).has_value());
    EXPECT_EQ(spaceByTag(1000)->name, "first");

    // A user space converts like any other once registered.
    sealSpaces();
    EXPECT_FALSE(registerSpace(sameTag));
    const Result<Vec3> xyz = toXYZ(make(1000, 1, 1, 1));
    ASSERT_TRUE(xyz.isOk());
    EXPECT_NEAR(xyz.value()[1], 1.0, 1e-6);
  });
  EXPECT_EQ(spaceByTag(stSrgb)->name, "srgb");
  EXPECT_FALSE(spaceByTag(1000).has_value());
}

TEST(Registry, RgbDescriptorNeedsAnInvertibleMatrix) {
  const Mat3 singular = {1, 2, 3, 2, 4, 6, 0, 0, 1};
  try {
    makeRgbDescriptor("bad", 1000, famRgbLinear, wpD65, tfLinear, singular, true, 0.0,
                      {"r", "g", "b"});
    FAIL() << "a singular matrix was accepted";
  } catch (const Error &e) {
    EXPECT_STREQ(e.what(), "RGB primaries matrix must be invertible");
  }
}

TEST(Registry, AchromaticTestUsesTheChromaOfTheSpace) {
  EXPECT_TRUE(isAchromatic(make(stOklch, 0.5f, 0.019f, 120)));
  EXPECT_FALSE(isAchromatic(make(stOklch, 0.5f, 0.02f, 120)));
  EXPECT_TRUE(isAchromatic(make(stOklch, 0.5f, -0.019f, 120)));
  EXPECT_TRUE(isAchromatic(make(stOklab, 0.5f, 0.012f, 0.015f)));    // length 0.0192
  EXPECT_FALSE(isAchromatic(make(stOklab, 0.5f, 0.012f, 0.0165f)));  // length 0.0204
  EXPECT_FALSE(isAchromatic(make(stOklab, 0.5f, 0.0f, -0.02f)));
  EXPECT_TRUE(isAchromatic(make(stCam16, 50, 0.01f, 0)));
  EXPECT_FALSE(isAchromatic(make(stHct, 0.01f, 5, 50)));  // hue first, chroma second
  EXPECT_FALSE(isAchromatic(make(stSrgb, 0.5f, 0.5f, 0.5f)));
  EXPECT_FALSE(isAchromatic(make(stHwb, 0, 0.5f, 0.5f)));
  EXPECT_FALSE(isAchromatic(make(500, 0, 0, 0)));
}

TEST(Matrices, InverseOfTheIdentityAndFailures) {
  EXPECT_EQ(inverse3(kIdentity3).value(), kIdentity3);
  // Determinant 1e-10: singular by the 1e-9 rule.
  EXPECT_TRUE(isError(inverse3(Mat3{1e-10, 0, 0, 0, 1, 0, 0, 0, 1}), ErrorKind::NumericalError,
                      "inverse3: singular matrix", "matrices"));
  EXPECT_TRUE(inverse3(Mat3{1e-8, 0, 0, 0, 1, 0, 0, 0, 1}).isOk());
  EXPECT_TRUE(isError(inverse3(Mat3{1, 0, 0, 0, kInf, 0, 0, 0, 1}), ErrorKind::NumericalError,
                      "inverse3: non-finite entry", "matrices"));
  EXPECT_TRUE(isError(inverse3(Mat3{1, 0, 0, 0, 1, 0, 0, 0, std::nan("")}),
                      ErrorKind::NumericalError, "inverse3: non-finite entry", "matrices"));
  EXPECT_EQ(inverse3(Mat3{}).error().severity, 3);
}

TEST(Matrices, InverseTimesMatrixIsTheIdentity) {
  for (const Mat3 &m : {srgbToXyz, p3ToXyz, rec2020ToXyz, a98ToXyz, proPhotoToXyz}) {
    const Mat3 product = mul3(m, inverse3(m).value());
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(product[i], kIdentity3[i], 1e-12) << i;
  }
  EXPECT_DOUBLE_EQ(det3(Mat3{2, 0, 0, 0, 3, 0, 0, 0, 4}), 24.0);
  EXPECT_DOUBLE_EQ(det3(Mat3{0, 1, 0, 1, 0, 0, 0, 0, 1}), -1.0);
}

TEST(Matrices, RowsAreSummedLeftToRight) {
  // (1 + 1e16) − 1e16 is 0 in float64; any other order gives 1 or 2.
  const Mat3 m = {1, 1e16, -1e16, 1e16, 1, -1e16, 0, 0, 1};
  const Vec3 v = apply3(m, {1, 1, 1});
  EXPECT_EQ(v[0], 0.0);
  EXPECT_EQ(v[1], 0.0);
  const Mat3 product = mul3(m, kIdentity3);
  EXPECT_EQ(product, m);
  const Mat3 columns =
      mul3(Mat3{1, 1e16, -1e16, 0, 1, 0, 0, 0, 1}, Mat3{1, 0, 0, 1, 0, 0, 1, 0, 0});
  EXPECT_EQ(columns[0], 0.0);
}

TEST(WhitePoints, BradfordAdaptation) {
  const Mat3 same = bradfordMatrix(wpD65, wpD65);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(same[i], kIdentity3[i], 1e-6) << i;
  // The white itself moves to the other white.
  const Vec3 toD50 = adapt(wpD65, wpD65, wpD50);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(toD50[i], wpD50[i], 1e-6) << i;
  // The stored inverse is rounded to seven places: a few millionths off.
  const Vec3 toD65 = adapt(wpD50, wpD50, wpD65);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(toD65[i], wpD65[i], 3e-6) << i;
  // Published D65 to D50 Bradford matrix (first row 1.0478, 0.0229, −0.0501).
  const Mat3 published = bradfordMatrix(wpD65, wpD50);
  EXPECT_NEAR(published[0], 1.0478, 2e-4);
  EXPECT_NEAR(published[1], 0.0229, 2e-4);
  EXPECT_NEAR(published[2], -0.0501, 2e-4);
  EXPECT_NEAR(published[8], 0.7521, 2e-4);
}

}  // namespace
}  // namespace zd::color
