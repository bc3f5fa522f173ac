// Opponent (L, a, b) and polar (L, C, h in degrees) forms of the same colour.
#pragma once

#include <cmath>
#include <numbers>

#include "color/matrices.hpp"

namespace zd::color {

// C = hypot(a, b); h = atan2(b, a)·180/π, moved into [0, 360) by adding 360
// when negative. L passes through.
inline Vec3 opponentToPolar(const Vec3 &lab) {
  double hue = std::atan2(lab[2], lab[1]) * 180.0 / std::numbers::pi;
  if (hue < 0) hue += 360.0;
  return Vec3{lab[0], std::hypot(lab[1], lab[2]), hue};
}

// a = C·cos(h·π/180), b = C·sin(h·π/180); the hue is used as given.
inline Vec3 polarToOpponent(const Vec3 &lch) {
  const double angle = lch[2] * std::numbers::pi / 180.0;
  return Vec3{lch[0], lch[1] * std::cos(angle), lch[1] * std::sin(angle)};
}

}  // namespace zd::color
