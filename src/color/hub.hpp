// The conversion hub: any registered space to any other, through CIE XYZ
// relative to D65 (Y = 1 for the white), except for twelve pairs of closely
// related spaces that convert directly. Alpha is carried, never converted.
#pragma once

#include <cfloat>
#include <cmath>
#include <optional>

#include "color/descriptor.hpp"
#include "color/matrices.hpp"
#include "color/space_oklab.hpp"
#include "color/transfer.hpp"

namespace zd::color {

// The float32 nearest a finite value beyond the float32 range: FLT_MAX or
// an infinity, by its sign.
float saturatedFloat32(double value);

// Rounds to the nearest float32. Magnitudes beyond the float32 range
// become infinities (which `color` refuses) without an undefined cast.
// Inline: every conversion rounds each component through it.
inline float toFloat32(double value) {
  // One comparison for the common case; NaN and infinities also cast as
  // they are.
  if (std::fabs(value) <= static_cast<double>(FLT_MAX) || !std::isfinite(value)) {
    return static_cast<float>(value);
  }
  return saturatedFloat32(value);
}

// The hub's "srgb-linear", whose matrices OKLab is defined against, when
// the plain OKLab and OKLCH steps stand for `to`: the hub has started and
// "oklab" and "oklch" are registered with their own formulas. Null
// otherwise.
const SpaceDescriptor *plainOklabRoutes();

// `color` of a float64 triple, each component rounded to float32.
Result<Color> colorOf(SpaceTag space, const Vec3 &components, float alpha);

// `to(c, stOklch)` in plain numbers for the sources gamut mapping sees
// most (OKLab, OKLCH and the RGB spaces), the same bits; absent for other
// sources and wherever `to` would fail or might (it then gives the error).
// `linear` is what plainOklabRoutes gave.
std::optional<Color> quickToOklch(const Color &c, const SpaceDescriptor &linear);

// The colour `c` in space `target`, with the alpha of `c`. A colour in its
// own space also takes the full route, so the last float32 bits may move.
Result<Color> to(const Color &c, SpaceTag target);

// The colour's D65 XYZ. UnknownSpace "space not registered" (context
// SpaceTag(n)) for an unregistered space; InvalidOp for a family without a
// route; the family's own errors.
Result<Vec3> toXYZ(const Color &c);

// The XYZ in space `target` with alpha 1. UnknownSpace "target space not
// registered" (context SpaceTag(n)); InvalidOp for a family without a route.
Result<Color> fromXYZ(const Vec3 &xyz, SpaceTag target);

// A conversion between two registered spaces with both looked up once, for
// callers that convert many colours between the same pair. A colour of the
// source space comes out as `to` gives it, to the bit (any other colour
// simply takes `to`).
class Route {
 public:
  // Absent when either space is not registered.
  static std::optional<Route> between(SpaceTag source, SpaceTag target);
  Result<Color> operator()(const Color &c) const;

 private:
  Route(const SpaceDescriptor &source, const SpaceDescriptor &target, bool shortPath)
      : source_(&source), target_(&target), shortPath_(shortPath) {}
  const SpaceDescriptor *source_;
  const SpaceDescriptor *target_;
  bool shortPath_;
};

// True for the twelve directly converted (source, target) pairs.
bool isShortPathPair(SpaceTag source, SpaceTag target);

// The direct conversion of a short-path pair; InvalidOp "not a short-path
// pair" (context "SpaceTag(a) -> SpaceTag(b)") for any other pair.
Result<Color> shortPath(const Color &c, SpaceTag target);

// Copies the hub's private descriptors ("srgb-linear", "rec2020-linear")
// from the sealed registry; destroyConversionHub forgets them.
void initConversionHub();
void destroyConversionHub();

}  // namespace zd::color
