// Each step of the chroma search into an RGB-encoded target equals, to the
// bit, the public conversion it stands for: the candidate's conversion
// (`to`), the range test (`inGamut`), the clamping (`clipColor`) and the
// distance (`deltaEOK`, compared as float64 bits, so that a change of one
// ulp fails even where the search would not notice it).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include "color/gamut.hpp"
#include "color/hub.hpp"
#include "color/registry.hpp"
#include "color/rgb_chroma_line.hpp"

namespace zd::color {
namespace {

std::uint32_t bitsOf(float v) { return std::bit_cast<std::uint32_t>(v); }

void expectStepsMatch(const Color &oklch, SpaceTag target, float chroma) {
  const SpaceDescriptor &d = *findSpace(target);
  ASSERT_TRUE(RgbChromaLine::serves(d));
  ASSERT_NE(plainOklabRoutes(), nullptr);
  const RgbChromaLine line(oklch, d, *plainOklabRoutes());
  const Color candidate =
      color(stOklch, oklch.comps[0], chroma, oklch.comps[2], oklch.alpha).value();
  const RgbChromaLine::Candidate step = line.at(chroma);
  const Result<Color> converted = to(candidate, target);
  ASSERT_EQ(step.rgbOk, converted.isOk());
  if (converted.isOk()) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(bitsOf(step.rgb[i]), bitsOf(converted.value().comps[i]));
  }
  EXPECT_EQ(line.inGamut(step), inGamut(candidate, d, target));
  const RgbChromaLine::Clipped clipped = line.clip(step);
  const Color publicClip = clipColor(candidate, d, target, oklch.alpha);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(bitsOf(clipped.rgb[i]), bitsOf(publicClip.comps[i]));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(line.distance(step, clipped)),
            std::bit_cast<std::uint64_t>(deltaEOK(publicClip, candidate)))
      << "chroma " << chroma << " hue " << oklch.comps[2] << " into " << target;
  const Color result = line.result(clipped).value();
  EXPECT_TRUE(result == publicClip);
}

TEST(RgbChromaLine, EveryStepMatchesThePublicConversions) {
  std::mt19937 random(9122026);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const SpaceTag targets[] = {stSrgb, stP3, stRec2020, stA98, stProphoto};
  for (int k = 0; k < 3000; ++k) {
    const float alpha = k % 3 == 0 ? 1.0f : unit(random);
    const Color oklch =
        color(stOklch, unit(random), 0.4f * unit(random), 360.0f * unit(random), alpha).value();
    // Chromas inside and far outside every gamut, and the clamp bounds hit
    // exactly (0 and 1 decode through the memo).
    for (const float chroma : {oklch.comps[1], 0.0f, 1e-6f, 0.6f * unit(random), 2.0f}) {
      expectStepsMatch(oklch, targets[k % std::size(targets)], chroma);
    }
    if (HasFailure()) return;
  }
}

// A hue rounded up to 360 reaches the target with the hue reduced to 0 but
// keeps its own cosine and sine for the distance; an overflowing chroma
// fails the conversion and clips to black.
TEST(RgbChromaLine, HueAtThreeSixtyAndOverflowMatch) {
  for (const float hue : {360.0f, std::nextafter(360.0f, 0.0f), 0.0f}) {
    const Color oklch = color(stOklch, 0.62f, 0.3f, hue, 0.75f).value();
    for (const float chroma : {0.3f, 0.1f, 1e30f, 3e38f}) {
      for (const SpaceTag target : {stSrgb, stProphoto}) expectStepsMatch(oklch, target, chroma);
    }
  }
}

TEST(RgbChromaLine, OnlyForThreeChannelEncodedTargets) {
  EXPECT_TRUE(RgbChromaLine::serves(*findSpace(stA98)));
  for (const SpaceTag other : {stSrgbLinear, stHsl, stHwb, stYcbcr, stCmyk, stOklab}) {
    EXPECT_FALSE(RgbChromaLine::serves(*findSpace(other))) << other;
  }
}

}  // namespace
}  // namespace zd::color
