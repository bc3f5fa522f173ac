// The parameter of a gradient at a point, and the spread that maps it into
// [0, 1].
#include <cmath>

#include "raster/gradient.hpp"

namespace zd::raster {

using zd::paint::GradientKind;
using zd::paint::Spread;

GradientGeometry::GradientGeometry(const zd::paint::Gradient &gradient,
                                   const zd::paint::AffineInverse &toGradient)
    : kind_(gradient.kind), m_(toGradient) {
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
      centreX_ = g[0];
      centreY_ = g[1];
      r0_ = g[2];
      cdx_ = static_cast<double>(g[3]) - g[0];
      cdy_ = static_cast<double>(g[4]) - g[1];
      dr_ = static_cast<double>(g[5]) - g[2];
      r0r0_ = r0_ * r0_;
      r0dr_ = r0_ * dr_;
      a_ = cdx_ * cdx_ + cdy_ * cdy_ - dr_ * dr_;
      inverseA_ = a_ != 0.0 ? 1.0 / a_ : 0.0;
      rootSign_ = a_ > 0.0 ? 1.0 : -1.0;
      empty_ = cdx_ == 0.0 && cdy_ == 0.0 && dr_ == 0.0;
      break;
    case GradientKind::conic:
      centreX_ = g[0];
      centreY_ = g[1];
      startTurns_ = g[2] * kInverseTurn;
      break;
    case GradientKind::none: empty_ = true; break;
  }
}

}  // namespace zd::raster
