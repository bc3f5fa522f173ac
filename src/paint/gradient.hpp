// A gradient source: the colour of a point follows a parameter t given by
// the gradient's geometry, through a ramp of colour stops.
//
// Geometry lives in gradient space, which the gradient transform maps into
// the user space of the path; the draw matrix then maps user space into the
// image. A point's parameter is found by mapping the pixel centre back
// through both.
//   linear  t is the projection of the point onto the line from (x0, y0) to
//           (x1, y1): 0 at the start, 1 at the end.
//   radial  two circles; t is the largest w for which the circle
//           interpolated between them at w has a radius >= 0 and passes
//           through the point. Points on no such circle are left alone.
//   conic   t is the angle of the point around the centre, from the start
//           angle in the direction of increasing angle (clockwise on screen,
//           where y grows downwards), as a fraction of a full turn.
// Stops are kept sorted by offset, stably: a stop added at an offset already
// present goes after the stops there, so equal offsets make hard edges.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "color/css.hpp"
#include "color/mix.hpp"

namespace zd::paint {

enum class GradientKind : std::uint8_t { none = 0, linear = 1, radial = 2, conic = 3 };

// What t outside [0, 1] becomes: clamped, wrapped, or mirrored every unit.
enum class Spread : std::uint8_t { pad = 0, repeat = 1, reflect = 2 };

struct GradientStop {
  float offset = 0.0f;  // within [0, 1]
  zd::color::CssColor color;
};

// An affine map in the order a b c d e f: (x, y) goes to
// (a*x + c*y + e, b*x + d*y + f).
struct Affine {
  float a = 1.0f, b = 0.0f, c = 0.0f, d = 1.0f, e = 0.0f, f = 0.0f;
};

struct Gradient {
  GradientKind kind = GradientKind::none;
  // linear: x0 y0 x1 y1; radial: x0 y0 r0 x1 y1 r1; conic: cx cy angle.
  float geometry[6] = {0, 0, 0, 0, 0, 0};
  std::vector<GradientStop> stops;  // sorted by offset, stable
  Spread spread = Spread::pad;
  zd::color::SpaceTag space = zd::color::stSrgb;
  zd::color::HueMethod hue = zd::color::hmShorter;
  Affine transform;  // gradient space to user space
};

// Offsets outside [0, 1] are clamped; the stop goes after every stop with an
// offset at or below its own. The offset must not be NaN.
inline void addStop(Gradient &g, float offset, const zd::color::CssColor &color) {
  const float clamped = std::clamp(offset, 0.0f, 1.0f);
  const auto at =
      std::upper_bound(g.stops.begin(), g.stops.end(), clamped,
                       [](float value, const GradientStop &stop) { return value < stop.offset; });
  g.stops.insert(at, GradientStop{clamped, color});
}

// The inverse of m in double precision, when m is invertible and the
// inverse is finite.
struct AffineInverse {
  bool ok = false;
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

inline AffineInverse invert(double a, double b, double c, double d, double e, double f) {
  AffineInverse r;
  const double det = a * d - b * c;
  if (!(det != 0.0) || !std::isfinite(det)) return r;
  r.a = d / det;
  r.b = -b / det;
  r.c = -c / det;
  r.d = a / det;
  r.e = -(r.a * e + r.c * f);
  r.f = -(r.b * e + r.d * f);
  r.ok = std::isfinite(r.a) && std::isfinite(r.b) && std::isfinite(r.c) && std::isfinite(r.d) &&
         std::isfinite(r.e) && std::isfinite(r.f);
  return r;
}

inline AffineInverse invert(const Affine &m) { return invert(m.a, m.b, m.c, m.d, m.e, m.f); }

}  // namespace zd::paint
