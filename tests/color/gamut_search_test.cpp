// The chroma search gives, to the bit, what converting each candidate along
// the plain routes gives: the reference below is that plain form, checked
// against gamutMap on many random colours from every space into every
// target (bounded RGB ones take the search in plain numbers, the others the
// general one), and on the edges of the OKLCH box: lightness at 0 and 1,
// chroma 0 and tiny, hues at 360, every kind of alpha, huge components.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

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
  ASSERT_EQ(mapped.isOk(), plain.isOk()) << "space " << c.space << " into " << target;
  if (!mapped.isOk()) {
    EXPECT_EQ(mapped.error().kind, plain.error().kind);
    EXPECT_EQ(mapped.error().message, plain.error().message);
    return;
  }
  EXPECT_TRUE(sameBits(mapped.value(), plain.value()))
      << "space " << c.space << " (" << c.comps[0] << ", " << c.comps[1] << ", " << c.comps[2]
      << ", alpha " << c.alpha << ") into " << target;
}

// Bounded targets: RGB-encoded ones first, then the others.
const SpaceTag kTargets[] = {stSrgb, stP3,  stRec2020, stA98,   stProphoto,
                             stHsl,  stHsv, stHwb,     stYcbcr, stSrgbLinear};

// Every target, with a gamut or without.
std::vector<SpaceTag> everySpace() {
  std::vector<SpaceTag> spaces;
  for (SpaceTag tag = stSrgb; tag <= stHct; ++tag) spaces.push_back(tag);
  return spaces;
}

// A colour of the space built without `color`, which gamutMap must
// handle like any other.
Color rawColor(SpaceTag space, float c1, float c2, float c3, float alpha) {
  return Color{{c1, c2, c3}, alpha, space};
}

// The spread to draw a component from: its range widened by a tenth on
// each side, or for an unbounded side a spread wide enough to leave every
// gamut.
float spreadOf(const SpaceDescriptor &d, int i, bool upper) {
  const double lo = d.rangeMin[i], hi = d.rangeMax[i];
  if (std::isfinite(lo) && std::isfinite(hi)) {
    const double margin = 0.1 * (hi - lo);
    return static_cast<float>(upper ? hi + margin : lo - margin);
  }
  double wide = 1.5;  // XYZ, linear RGB
  if (d.tag == stLab || d.tag == stLch || d.tag == stCam16 || d.tag == stCam16Ucs ||
      d.tag == stHct) {
    wide = 150.0;
  } else if (d.tag == stOklab || d.tag == stOklch || d.tag == stIctcp) {
    wide = 0.5;
  } else if (d.tag == stJzazbz) {
    wide = 0.25;
  }
  if (upper) return static_cast<float>(std::isfinite(hi) ? hi : wide);
  return static_cast<float>(std::isfinite(lo) ? lo : -wide);
}

TEST(GamutSearch, MatchesThePlainRouteToTheBit) {
  std::mt19937 random(20261209);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const std::vector<SpaceTag> spaces = everySpace();
  for (int k = 0; k < 12000; ++k) {
    const SpaceDescriptor *d = findSpace(spaces[k % spaces.size()]);
    ASSERT_NE(d, nullptr);
    float comps[3];
    for (int i = 0; i < 3; ++i) {
      const float lo = spreadOf(*d, i, false), hi = spreadOf(*d, i, true);
      comps[i] = lo + (hi - lo) * unit(random);
    }
    const float alpha = unit(random) < 0.5f ? 1.0f : unit(random);
    const Color c = color(d->tag, comps[0], comps[1], comps[2], alpha).value();
    // Half the draws go into the RGB-encoded targets, the common case.
    const SpaceTag target =
        k % 2 == 0 ? kTargets[(k / 2) % 5] : spaces[(k / 2 + k / 52) % spaces.size()];
    expectSameMapping(c, target);
    if (HasFailure()) return;
  }
}

// The edges of the search in OKLCH and OKLab: lightness at and beside 0
// and 1, chroma 0, tiny and at the bisection width, hues at and beside 360
// (and beyond it), alpha from 0 to 1.
TEST(GamutSearch, EdgesOfTheOklchBoxMatchToTheBit) {
  const float epsilon = 0.0001f;
  const float lightnesses[] = {0.0f, 1e-30f, 1e-7f, 0.5f, std::nextafter(1.0f, 0.0f), 1.0f};
  const float chromas[] = {0.0f,    1e-30f,
                           1e-6f,   std::nextafter(epsilon, 0.0f),
                           epsilon, std::nextafter(epsilon, 1.0f),
                           0.03f,   0.2f,
                           0.37f,   3.0f};
  const float hues[] = {0.0f,   1e-5f,
                        29.2f,  142.5f,
                        264.1f, std::nextafter(360.0f, 0.0f),
                        360.0f, std::nextafter(360.0f, 400.0f),
                        725.0f};
  const float alphas[] = {0.0f, 1e-38f, 0.5f, 1.0f};
  int n = 0;
  for (const float l : lightnesses) {
    for (const float c : chromas) {
      for (const float h : hues) {
        const float alpha = alphas[n++ % std::size(alphas)];
        const Color polar = color(stOklch, l, c, h, alpha).value();
        const double angle = h * std::numbers::pi / 180.0;
        const Color opponent = color(stOklab, l, static_cast<float>(c * std::cos(angle)),
                                     static_cast<float>(c * std::sin(angle)), alpha)
                                   .value();
        for (const SpaceTag target : kTargets) {
          expectSameMapping(polar, target);
          expectSameMapping(opponent, target);
          if (HasFailure()) return;
        }
      }
    }
  }
}

// Components far beyond any gamut (the conversion into the target then
// overflows float32 and clips to black), and colours `color` would refuse:
// gamutMap gives what the plain routes give, errors included.
TEST(GamutSearch, ExtremesAndInvalidColoursMatch) {
  const float huge = std::numeric_limits<float>::max();
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Color colours[] = {
      rawColor(stOklch, 0.5f, 1e12f, 40.0f, 1.0f),   rawColor(stOklch, 0.5f, 1e37f, 200.0f, 0.3f),
      rawColor(stOklch, 0.5f, huge, 359.0f, 1.0f),   rawColor(stOklab, 0.7f, 1e30f, -1e30f, 1.0f),
      rawColor(stOklab, 0.2f, -huge, huge, 0.0f),    rawColor(stLab, 50.0f, 1e35f, 1e35f, 1.0f),
      rawColor(stXyz, 1e30f, -1e30f, 1e30f, 1.0f),   rawColor(stSrgb, huge, -huge, 0.5f, 1.0f),
      rawColor(stProphoto, 1e20f, 0.0f, 0.0f, 1.0f), rawColor(stOklch, nan, 0.1f, 10.0f, 1.0f),
      rawColor(stOklab, 0.5f, inf, 0.0f, 1.0f),      rawColor(stOklch, 0.5f, 0.3f, 30.0f, 2.0f),
      rawColor(stOklab, 0.5f, 0.3f, 0.1f, nan),      rawColor(stSrgb, 1.2f, -0.1f, 0.4f, -0.5f),
  };
  for (const Color &c : colours) {
    for (const SpaceTag target : everySpace()) expectSameMapping(c, target);
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
