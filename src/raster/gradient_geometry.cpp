// The parameter of a gradient at a point, and the spread that maps it into
// [0, 1].
#include <cmath>
#include <numbers>

#include "raster/gradient.hpp"

namespace zd::raster {

using zd::paint::GradientKind;
using zd::paint::Spread;

double spreadParameter(double t, Spread spread) {
  switch (spread) {
    case Spread::pad: return t;
    case Spread::repeat: {
      const double r = t - std::floor(t);
      // A tiny negative t rounds up to 1; it belongs at the start.
      return r < 1.0 ? r : 0.0;
    }
    case Spread::reflect: {
      const double r = t - 2.0 * std::floor(t * 0.5);  // [0, 2]
      return r > 1.0 ? 2.0 - r : r;
    }
  }
  return t;
}

GradientGeometry::GradientGeometry(const zd::paint::Gradient &gradient,
                                   const zd::paint::AffineInverse &toGradient)
    : kind_(gradient.kind), toGradient_(toGradient) {
  const float *g = gradient.geometry;
  const zd::paint::AffineInverse &m = toGradient;
  switch (kind_) {
    case GradientKind::linear: {
      const double dx = static_cast<double>(g[2]) - g[0];
      const double dy = static_cast<double>(g[3]) - g[1];
      const double length2 = dx * dx + dy * dy;
      if (!(length2 > 0.0) || !std::isfinite(length2)) {
        empty_ = true;
        break;
      }
      // t = ((p - p0) . d) / |d|^2 with p the gradient-space point, written
      // as an affine function of the image-space point.
      tx_ = (m.a * dx + m.b * dy) / length2;
      ty_ = (m.c * dx + m.d * dy) / length2;
      t0_ = ((m.e - g[0]) * dx + (m.f - g[1]) * dy) / length2;
      break;
    }
    case GradientKind::radial:
      x0_ = g[0];
      y0_ = g[1];
      r0_ = g[2];
      cdx_ = static_cast<double>(g[3]) - g[0];
      cdy_ = static_cast<double>(g[4]) - g[1];
      dr_ = static_cast<double>(g[5]) - g[2];
      a_ = cdx_ * cdx_ + cdy_ * cdy_ - dr_ * dr_;
      empty_ = cdx_ == 0.0 && cdy_ == 0.0 && dr_ == 0.0;
      break;
    case GradientKind::conic:
      cx_ = g[0];
      cy_ = g[1];
      startTurns_ = g[2] / (2.0 * std::numbers::pi);
      break;
    case GradientKind::none: empty_ = true; break;
  }
}

std::optional<double> GradientGeometry::at(double x, double y) const {
  const zd::paint::AffineInverse &m = toGradient_;
  switch (kind_) {
    case GradientKind::linear: return tx_ * x + ty_ * y + t0_;
    case GradientKind::radial: {
      const double px = m.a * x + m.c * y + m.e - x0_;
      const double py = m.b * x + m.d * y + m.f - y0_;
      // The circle at w has centre c0 + w (c1 - c0) and radius r0 + w (r1 -
      // r0); it passes through p where a w^2 - 2 b w + c = 0.
      const double b = px * cdx_ + py * cdy_ + r0_ * dr_;
      const double c = px * px + py * py - r0_ * r0_;
      const auto radiusOk = [&](double w) { return r0_ + w * dr_ >= 0.0; };
      if (a_ == 0.0) {
        if (b == 0.0) return std::nullopt;
        const double w = c / (2.0 * b);
        if (!radiusOk(w)) return std::nullopt;
        return w;
      }
      const double discriminant = b * b - a_ * c;
      if (!(discriminant >= 0.0)) return std::nullopt;
      const double root = std::sqrt(discriminant);
      const double w1 = (b + root) / a_, w2 = (b - root) / a_;
      const double larger = w1 > w2 ? w1 : w2, smaller = w1 > w2 ? w2 : w1;
      if (radiusOk(larger)) return larger;
      if (radiusOk(smaller)) return smaller;
      return std::nullopt;
    }
    case GradientKind::conic: {
      const double px = m.a * x + m.c * y + m.e - cx_;
      const double py = m.b * x + m.d * y + m.f - cy_;
      const double turns = std::atan2(py, px) / (2.0 * std::numbers::pi) - startTurns_;
      const double t = turns - std::floor(turns);
      return t < 1.0 ? t : 0.0;
    }
    case GradientKind::none: break;
  }
  return std::nullopt;
}

}  // namespace zd::raster
