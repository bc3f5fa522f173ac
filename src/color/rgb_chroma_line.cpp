#include "color/rgb_chroma_line.hpp"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "color/gamut.hpp"
#include "color/hub.hpp"
#include "color/polar.hpp"
#include "color/space_oklab.hpp"
#include "color/transfer.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {

namespace {

// toFloat32 of each component; false when one is not finite, where `color`
// would refuse the colour.
bool roundedFinite(const Vec3 &v, float (&out)[3]) {
  // The common case in one test: when the magnitudes' sum is within the
  // float32 range, so is each of them (a sum of non-negative terms is never
  // below one), and each casts to a finite float32 as toFloat32 would.
  if (std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[2]) <= static_cast<double>(FLT_MAX)) {
    for (int i = 0; i < 3; ++i) out[i] = static_cast<float>(v[i]);
    return true;
  }
  for (int i = 0; i < 3; ++i) out[i] = toFloat32(v[i]);
  // float32 magnitudes sum in float64 without overflow, so the sum is
  // finite exactly when every term is.
  return std::isfinite(static_cast<double>(out[0]) + out[1] + out[2]);
}

Vec3 widened(const float (&v)[3]) {
  return {static_cast<double>(v[0]), static_cast<double>(v[1]), static_cast<double>(v[2])};
}

// (0, cos h, sin h): the polar-to-opponent step at chroma 1, whose products
// with 1 are exact, so C times it is the step at chroma C.
Vec3 unitOpponent(double hue) { return polarToOpponent(Vec3{0.0, 1.0, hue}); }

// A colour whose components and alpha are known to be what `color`
// accepts.
Color validColorOf(SpaceTag space, const float (&comps)[3], float alpha) {
  Color c;
  for (int i = 0; i < 3; ++i) c.comps[i] = comps[i];
  c.alpha = alpha;
  c.space = space;
  return c;
}

}  // namespace

bool RgbChromaLine::serves(const SpaceDescriptor &target) {
  return target.family == famRgbEncoded && target.componentCount == 3;
}

RgbChromaLine::RgbChromaLine(const Color &oklch, const SpaceDescriptor &target,
                             const SpaceDescriptor &linear)
    : lightness_(oklch.comps[0]),
      hue_(oklch.comps[2]),
      alpha_(oklch.alpha),
      direct_(unitOpponent(hue_)),
      // An OKLCH colour goes to XYZ with its hue reduced by fmod 360, which
      // changes only a hue rounded up to 360.
      reducedHue_(std::fmod(static_cast<double>(hue_), 360.0)),
      shared_(reducedHue_ == hue_),
      route_(shared_ ? direct_ : unitOpponent(reducedHue_)),
      ownWhite_(!sameWhite(target.white, wpD65)),
      target_(target),
      linear_(linear) {}

RgbChromaLine::Candidate RgbChromaLine::at(float chroma) const {
  Candidate candidate{};
  const double c = chroma;
  candidate.labOk = roundedFinite(Vec3{lightness_, c * direct_[1], c * direct_[2]}, candidate.lab);
  // The route into the target: OKLab (float32), XYZ, the target's linear
  // RGB, its encoding, float32.
  float reducedLab[3];
  const bool routeOk =
      shared_ ? candidate.labOk
              : roundedFinite(Vec3{lightness_, c * route_[1], c * route_[2]}, reducedLab);
  if (!routeOk) return candidate;
  const Vec3 xyz =
      apply3(linear_.toXyz, oklabToLinearSrgb(widened(shared_ ? candidate.lab : reducedLab)));
  // (A D65 target, the common case, takes no copy of the XYZ.)
  Vec3 rgb = ownWhite_ ? apply3(target_.fromXyz, adapt(xyz, wpD65, target_.white))
                       : apply3(target_.fromXyz, xyz);
  for (double &channel : rgb) channel = oetfOf(target_.transfer, target_.gamma, channel);
  candidate.rgbOk = roundedFinite(rgb, candidate.rgb);
  return candidate;
}

bool RgbChromaLine::inGamut(const Candidate &candidate) const {
  return candidate.rgbOk && withinRange(candidate.rgb[0], target_, 0) &&
         withinRange(candidate.rgb[1], target_, 1) && withinRange(candidate.rgb[2], target_, 2);
}

RgbChromaLine::Clipped RgbChromaLine::clip(const Candidate &candidate) const {
  Clipped clipped{};  // black when the conversion failed
  if (!candidate.rgbOk) return clipped;
  for (std::size_t i = 0; i < 3; ++i) clipped.rgb[i] = clampedToRange(candidate.rgb[i], target_, i);
  return clipped;
}

void RgbChromaLine::decodeBounds() const {
  for (int i = 0; i < 3; ++i) {
    const float low = toFloat32(target_.rangeMin[i]), high = toFloat32(target_.rangeMax[i]);
    bounds_[i] = {std::bit_cast<std::uint32_t>(low), eotfOf(target_.transfer, target_.gamma, low),
                  std::bit_cast<std::uint32_t>(high),
                  eotfOf(target_.transfer, target_.gamma, high)};
  }
  boundsDecoded_ = true;
}

double RgbChromaLine::decoded(int channel, float value) const {
  // Compared by bits: -0 and +0 decode to different zeros.
  const DecodedBounds &bounds = bounds_[channel];
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
  if (bits == bounds.lowBits) return bounds.low;
  if (bits == bounds.highBits) return bounds.high;
  return eotfOf(target_.transfer, target_.gamma, value);
}

double RgbChromaLine::distance(const Candidate &candidate, const Clipped &clipped) const {
  if (!boundsDecoded_) decodeBounds();
  // The clipped colour back to OKLab: decoded, XYZ, OKLab (float32).
  const Vec3 linearRgb = {decoded(0, clipped.rgb[0]), decoded(1, clipped.rgb[1]),
                          decoded(2, clipped.rgb[2])};
  Vec3 xyz = apply3(target_.toXyz, linearRgb);
  if (ownWhite_) xyz = adapt(xyz, target_.white, wpD65);
  float lab[3];
  if (!roundedFinite(linearSrgbToOklab(apply3(linear_.fromXyz, xyz)), lab) || !candidate.labOk) {
    return std::numeric_limits<double>::infinity();
  }
  const double dl = static_cast<double>(lab[0]) - candidate.lab[0];
  const double da = static_cast<double>(lab[1]) - candidate.lab[1];
  const double db = static_cast<double>(lab[2]) - candidate.lab[2];
  return std::sqrt(dl * dl + da * da + db * db);
}

Result<Color> RgbChromaLine::converted(const Candidate &candidate) const {
  return ok(validColorOf(target_.tag, candidate.rgb, alpha_));
}

Result<Color> RgbChromaLine::result(const Clipped &clipped) const {
  return ok(validColorOf(target_.tag, clipped.rgb, alpha_));
}

}  // namespace zd::color
