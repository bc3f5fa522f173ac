// Gamut mapping: a colour converted into a target space and, when it lies
// outside what the target can hold, brought inside by reducing OKLCH chroma
// at constant lightness and hue until clipping changes it by less than a
// just-noticeable difference in OKLab.
#pragma once

#include <cstddef>

#include "color/descriptor.hpp"
#include "color/hub.hpp"

namespace zd::color {

// The range test and the clamping of one component `v` against the i-th
// range of `d`, shared by both chroma searches. The test widens the range by
// 0.000001 on each side; the clamp rounds the result to float32.
inline bool withinRange(double v, const SpaceDescriptor &d, std::size_t i) {
  constexpr double kRangeTolerance = 0.000001;
  return d.rangeMin[i] - kRangeTolerance <= v && v <= d.rangeMax[i] + kRangeTolerance;
}
inline float clampedToRange(double v, const SpaceDescriptor &d, std::size_t i) {
  if (v < d.rangeMin[i]) v = d.rangeMin[i];
  if (v > d.rangeMax[i]) v = d.rangeMax[i];
  return toFloat32(v);
}

// The colour in `target`, mapped into its ranges when the target is
// mappable and bounded; a plain conversion otherwise. The alpha is that of
// `c`. UnknownSpace "gamutMap: target not registered" (context: the
// target's short name) for an unregistered target; conversion errors pass
// through unchanged.
Result<Color> gamutMap(const Color &c, SpaceTag target);

// True when the conversion of `c` into `target` succeeds and each of the
// first (at most three) components lies within the descriptor's range
// widened by 0.000001 on each side.
bool inGamut(const Color &c, const SpaceDescriptor &d, SpaceTag target);

// The conversion of `c` into `target` with each component clamped to its
// range, carrying `alpha`; black (0, 0, 0) when the conversion fails.
Color clipColor(const Color &c, const SpaceDescriptor &d, SpaceTag target, float alpha);

// True for spaces gamut mapping leaves alone: not mappable, or with some
// component unbounded.
bool hasNoGamut(const SpaceDescriptor &d);

// A colour of d's space with each of its first (at most three) components
// clamped to the descriptor's range and rounded to float32; components
// beyond the count become 0. The alpha is the one given.
Color clampToRanges(const Color &c, const SpaceDescriptor &d, float alpha);

// Euclidean distance in OKLab of the float32 components; +inf when either
// colour cannot be converted.
double deltaEOK(const Color &a, const Color &b);

}  // namespace zd::color
