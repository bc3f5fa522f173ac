// The colour record: the validating constructor's order of checks, tag
// names, equality, and the Result container.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "color_checks.hpp"
#include "color/color.hpp"

namespace zd::color {
namespace {

using testing::isError;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(ColorRecord, IsTwentyBytes) { EXPECT_EQ(sizeof(Color), 20u); }

TEST(ColorConstructor, ChecksSpaceThenAlphaThenComponentsInOrder) {
  EXPECT_TRUE(isError(color(stUnknown, 0.5f, 0.5f, 0.5f, 2.0f), ErrorKind::InvalidColor,
                      "color requires a known space", ""));
  // Alpha wins over a bad component.
  EXPECT_TRUE(isError(color(stSrgb, kNaN, 0.5f, 0.5f, 1.5f), ErrorKind::InvalidColor,
                      "alpha out of [0,1]", ""));
  EXPECT_TRUE(isError(color(stSrgb, 0.5f, kInf, 0.5f, 1.0f), ErrorKind::InvalidColor,
                      "component NaN/Inf at bounds", ""));
  EXPECT_TRUE(isError(color(stSrgb, 0.5f, 0.5f, -kInf, 1.0f), ErrorKind::InvalidColor,
                      "component NaN/Inf at bounds", ""));
  EXPECT_TRUE(isError(color(stSrgb, kNaN, 0.5f, 0.5f, 1.0f), ErrorKind::InvalidColor,
                      "component NaN/Inf at bounds", ""));
}

TEST(ColorConstructor, AlphaBoundsAreInclusiveAndExact) {
  for (float alpha : {0.0f, 1.0f, -0.0f, 0.5f}) {
    EXPECT_TRUE(color(stSrgb, 0, 0, 0, alpha).isOk()) << alpha;
  }
  for (float alpha : {1.0000001f, -0.0000001f, kNaN, kInf, -kInf}) {
    EXPECT_TRUE(
        isError(color(stSrgb, 0, 0, 0, alpha), ErrorKind::InvalidColor, "alpha out of [0,1]", ""))
        << alpha;
  }
}

TEST(ColorConstructor, ComponentsHaveNoRangeAndAnyTagIsAccepted) {
  const Result<Color> c = color(stSrgb, -5.0f, 300.0f, 1.2f, 0.25f);
  ASSERT_TRUE(c.isOk());
  EXPECT_EQ(c.value().comps[0], -5.0f);
  EXPECT_EQ(c.value().comps[1], 300.0f);
  EXPECT_EQ(c.value().comps[2], 1.2f);
  EXPECT_EQ(c.value().alpha, 0.25f);
  EXPECT_EQ(c.value().space, stSrgb);
  // Registration is the conversion's concern, not the constructor's.
  EXPECT_TRUE(color(-7, 0, 0, 0, 1).isOk());
  EXPECT_TRUE(color(5000, 0, 0, 0, 1).isOk());
}

TEST(SpaceTags, NamesAndDebugText) {
  EXPECT_EQ(spaceName(0), "unknown");
  EXPECT_EQ(spaceName(1), "srgb");
  EXPECT_EQ(spaceName(10), "prophoto-linear");
  EXPECT_EQ(spaceName(16), "oklch");
  EXPECT_EQ(spaceName(25), "cam16-ucs");
  EXPECT_EQ(spaceName(26), "hct");
  EXPECT_EQ(spaceName(27), "unknown");
  EXPECT_EQ(spaceName(999), "unknown");
  EXPECT_EQ(spaceName(1000), "user");
  EXPECT_EQ(spaceName(std::numeric_limits<SpaceTag>::max()), "user");
  EXPECT_EQ(spaceName(-1), "unknown");
  EXPECT_EQ(spaceName(std::numeric_limits<SpaceTag>::min()), "unknown");
  EXPECT_EQ(toString(SpaceTag{16}), "SpaceTag(16)");
  EXPECT_EQ(toString(SpaceTag{-3}), "SpaceTag(-3)");
}

TEST(ColorEquality, ComparesTagAndFloats) {
  EXPECT_EQ(testing::make(stSrgb, 0.1f, 0.2f, 0.3f), testing::make(stSrgb, 0.1f, 0.2f, 0.3f));
  EXPECT_FALSE(testing::make(stSrgb, 0.1f, 0.2f, 0.3f) ==
               testing::make(stSrgbLinear, 0.1f, 0.2f, 0.3f));
  EXPECT_FALSE(testing::make(stSrgb, 0.1f, 0.2f, 0.3f, 0.5f) ==
               testing::make(stSrgb, 0.1f, 0.2f, 0.3f, 1.0f));
  EXPECT_EQ(testing::make(stSrgb, 0.0f, 0.2f, 0.3f), testing::make(stSrgb, -0.0f, 0.2f, 0.3f));
  // A NaN component cannot be built, but a record holding one is unequal to itself.
  Color odd = testing::make(stSrgb, 0, 0, 0);
  odd.comps[1] = kNaN;
  EXPECT_FALSE(odd == odd);
}

TEST(ColorErrors, KindsNamesAndSeverities) {
  EXPECT_EQ(static_cast<int>(ErrorKind::InvalidOp), 10);
  EXPECT_EQ(static_cast<int>(ErrorKind::NumericalError), 14);
  EXPECT_EQ(toString(ErrorKind::UnknownSpace), "UnknownSpace");
  EXPECT_EQ(toString(ErrorKind::NumericalError), "NumericalError");
  EXPECT_EQ(defaultSeverity(ErrorKind::NumericalError), 3);
  EXPECT_EQ(defaultSeverity(ErrorKind::ImportFailed), 3);
  EXPECT_EQ(defaultSeverity(ErrorKind::InvalidColor), 2);
  EXPECT_EQ(defaultSeverity(ErrorKind::EmptySource), 2);
  EXPECT_EQ(colorError(ErrorKind::NumericalError, "m", "c").severity, 3);
  EXPECT_EQ(color(stUnknown, 0, 0, 0, 1).error().severity, 2);
}

TEST(ResultContainer, KindsAndMisuse) {
  const Result<Color> good = color(stSrgb, 0, 0, 0, 1);
  const Result<Color> bad = color(stUnknown, 0, 0, 0, 1);
  EXPECT_EQ(good.kind(), rkOk);
  EXPECT_EQ(bad.kind(), rkErr);
  EXPECT_EQ(toString(good.kind()), "rkOk");
  EXPECT_EQ(toString(bad.kind()), "rkErr");
  EXPECT_THROW(bad.value(), Defect);
  EXPECT_THROW(good.error(), Defect);
  EXPECT_EQ(expect(good, "unused").space, stSrgb);
  try {
    expect(bad, "start-up failed");
    FAIL() << "expect returned for an error result";
  } catch (const Error &e) {
    EXPECT_STREQ(e.what(), "start-up failed");
  }
}

}  // namespace
}  // namespace zd::color
