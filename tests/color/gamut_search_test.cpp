// The chroma search gives, to the bit, what converting each candidate along
// the plain routes gives: the reference below is that plain form, checked
// against gamutMap on many random colours from several spaces into every
// bounded target, hues at 360 included.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>

#include "color/gamut.hpp"
#include "color/hub.hpp"
#include "color/registry.hpp"

namespace zd::color {
namespace {

// The search with every candidate built as an OKLCH colour and converted by
// `to` for the range test and the clamping, and by deltaEOK for the distance.
Result<Color> plainGamutMap(const Color &c, SpaceTag target) {
  constexpr double kJnd = 0.02, kEpsilon = 0.0001;
  const SpaceDescriptor *d = findSpace(target);
  if (d == nullptr || hasNoGamut(*d)) return to(c, target);
  const float alpha = c.alpha;
  const Result<Color> polar = to(c, stOklch);
  if (!polar.isOk()) return polar;
  const Color &o = polar.value();
  const float lightness = o.comps[0], chroma = o.comps[1], hue = o.comps[2];
  if (lightness >= 1.0f) return to(color(stOklab, 1.0f, 0.0f, 0.0f, alpha).value(), target);
  if (lightness <= 0.0f) return to(color(stOklab, 0.0f, 0.0f, 0.0f, alpha).value(), target);
  if (inGamut(o, *d, target)) return to(o, target);
  Color clipped = clipColor(o, *d, target, alpha);
  if (deltaEOK(clipped, o) < kJnd || chroma <= kEpsilon) return ok(clipped);
  double low = 0.0, high = chroma;
  bool lowInGamut = true;
  do {
    const double middle = (high + low) * 0.5;
    const Color current = color(stOklch, lightness, toFloat32(middle), hue, alpha).value();
    if (lowInGamut && inGamut(current, *d, target)) {
      low = middle;
      continue;
    }
    clipped = clipColor(current, *d, target, alpha);
    const double error = deltaEOK(clipped, current);
    if (error < kJnd) {
      if (kJnd - error < kEpsilon) return ok(clipped);
      lowInGamut = false;
      low = middle;
    } else {
      high = middle;
    }
  } while (high - low > kEpsilon);
  return ok(clipped);
}

bool sameBits(const Color &a, const Color &b) {
  for (int i = 0; i < 3; ++i) {
    if (std::bit_cast<std::uint32_t>(a.comps[i]) != std::bit_cast<std::uint32_t>(b.comps[i])) {
      return false;
    }
  }
  return a.space == b.space &&
         std::bit_cast<std::uint32_t>(a.alpha) == std::bit_cast<std::uint32_t>(b.alpha);
}

void expectSameMapping(const Color &c, SpaceTag target) {
  const Result<Color> mapped = gamutMap(c, target);
  const Result<Color> plain = plainGamutMap(c, target);
  ASSERT_EQ(mapped.isOk(), plain.isOk());
  if (!mapped.isOk()) return;
  EXPECT_TRUE(sameBits(mapped.value(), plain.value()))
      << "space " << c.space << " (" << c.comps[0] << ", " << c.comps[1] << ", " << c.comps[2]
      << ") into " << target;
}

const SpaceTag kTargets[] = {stSrgb,     stSrgbLinear, stP3,  stRec2020, stA98,
                             stProphoto, stHsl,        stHsv, stHwb};

TEST(GamutSearch, MatchesThePlainRouteToTheBit) {
  std::mt19937 random(20261209);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const auto colourIn = [&](SpaceTag space) {
    const float alpha = unit(random) < 0.5f ? 1.0f : unit(random);
    switch (space) {
      case stOklch:
        return color(space, unit(random), 0.5f * unit(random), 360.0f * unit(random), alpha);
      case stOklab:
        return color(space, unit(random), unit(random) - 0.5f, unit(random) - 0.5f, alpha);
      case stLab:
        return color(space, 100.0f * unit(random), 250.0f * unit(random) - 125.0f,
                     250.0f * unit(random) - 125.0f, alpha);
      default:
        return color(space, 1.4f * unit(random) - 0.2f, 1.4f * unit(random) - 0.2f,
                     1.4f * unit(random) - 0.2f, alpha);
    }
  };
  const SpaceTag sources[] = {stOklch, stOklab, stLab, stRec2020, stProphoto};
  for (int k = 0; k < 4000; ++k) {
    const Color c = colourIn(sources[k % std::size(sources)]).value();
    expectSameMapping(c, kTargets[k % std::size(kTargets)]);
    if (HasFailure()) return;
  }
}

// A hue just below 0 in OKLab comes out of the polar step as 360 exactly,
// which the route through XYZ reduces to 0: the two routes to OKLab part.
TEST(GamutSearch, HueAtThreeSixtyTakesBothRoutes) {
  for (const float b : {-1e-30f, -1e-12f, 0.0f}) {
    const Color c = color(stOklab, 0.6f, 0.35f, b, 1.0f).value();
    ASSERT_EQ(to(c, stOklch).value().comps[2], b < 0 ? 360.0f : 0.0f);
    for (const SpaceTag target : kTargets) expectSameMapping(c, target);
  }
}

}  // namespace
}  // namespace zd::color
