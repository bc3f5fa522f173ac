// Gradient fills: the shader that gives each pixel centre its colour, and
// the entry points that pick between it and a flat fill.
#include <cmath>
#include <memory>
#include <vector>

#include "common/errors.hpp"
#include "raster/area.hpp"
#include "raster/gradient.hpp"

namespace zd::raster {

using zd::paint::Affine;
using zd::paint::AffineInverse;
using zd::paint::GradientKind;

class GradientShader final : public RowShader {
 public:
  GradientShader(const zd::paint::Gradient &gradient, const AffineInverse &toGradient,
                 const Ramp &ramp, std::int64_t width)
      : geometry_(gradient, toGradient), ramp_(ramp), spread_(gradient.spread) {
    row_.resize(static_cast<std::size_t>(width));
    computed_.resize(static_cast<std::size_t>(width));
  }

  const GradientGeometry &geometry() const { return geometry_; }

  const ShadeColor *const *shade(std::int64_t y, std::int64_t from, std::int64_t to) override {
    const ShadeColor **out = row_.data() - from;
    const double centreY = static_cast<double>(y) + 0.5;
    const auto column = [](std::int64_t x) { return static_cast<double>(x) + 0.5; };
    switch (geometry_.kind()) {
      case GradientKind::linear: {
        // t is affine in the pixel centre: one multiply-add per pixel.
        const double rowStart = geometry_.linearDy() * centreY + geometry_.linearOffset();
        const double dx = geometry_.linearDx();
        for (std::int64_t x = from; x < to; ++x) put(out, x, dx * column(x) + rowStart);
        break;
      }
      case GradientKind::radial: {
        const GradientGeometry::RowOrigin o = geometry_.rowOrigin(centreY);
        const double sx = geometry_.stepX(), sy = geometry_.stepY();
        for (std::int64_t x = from; x < to; ++x) {
          put(out, x, geometry_.radial(sx * column(x) + o.x, sy * column(x) + o.y));
        }
        break;
      }
      case GradientKind::conic: {
        const GradientGeometry::RowOrigin o = geometry_.rowOrigin(centreY);
        const double sx = geometry_.stepX(), sy = geometry_.stepY();
        for (std::int64_t x = from; x < to; ++x) {
          put(out, x, geometry_.conic(sx * column(x) + o.x, sy * column(x) + o.y));
        }
        break;
      }
      case GradientKind::none: break;
    }
    return out + from;
  }

 private:
  // NaN marks a pixel where the gradient is undefined.
  void put(const ShadeColor **out, std::int64_t x, double t) {
    t = spreadParameter(t, spread_);
    out[x] = std::isnan(t) ? nullptr : &ramp_.lookup(t, computed_[static_cast<std::size_t>(x)]);
  }

  GradientGeometry geometry_;
  const Ramp &ramp_;
  zd::paint::Spread spread_;
  std::vector<const ShadeColor *> row_;
  std::vector<ShadeColor> computed_;  // colours not taken from the ramp's table
};

namespace {

// Image space into gradient space: the inverse of (image from user) after
// (user from gradient).
AffineInverse imageToGradient(const Affine &g, const Affine *toImage) {
  const Affine m = toImage ? *toImage : Affine{};
  // The product m * g, in double.
  const double a = static_cast<double>(m.a) * g.a + static_cast<double>(m.c) * g.b;
  const double b = static_cast<double>(m.b) * g.a + static_cast<double>(m.d) * g.b;
  const double c = static_cast<double>(m.a) * g.c + static_cast<double>(m.c) * g.d;
  const double d = static_cast<double>(m.b) * g.c + static_cast<double>(m.d) * g.d;
  const double e = static_cast<double>(m.a) * g.e + static_cast<double>(m.c) * g.f + m.e;
  const double f = static_cast<double>(m.b) * g.e + static_cast<double>(m.d) * g.f + m.f;
  return zd::paint::invert(a, b, c, d, e, f);
}

// What to do with a gradient, decided once per draw.
enum class Plan { nothing, flat, shaded };

Plan planFor(const Ramp &ramp, const GradientGeometry &geometry, const AffineInverse &inverse) {
  // A matrix that flattens the plane leaves no area to paint.
  if (!inverse.ok || geometry.paintsNothing() || ramp.invisible()) return Plan::nothing;
  // One colour everywhere the gradient is defined: the flat fill itself.
  if (ramp.uniform() && geometry.definedEverywhere()) return Plan::flat;
  return Plan::shaded;
}

template <class FlatFill, class ShadedFill>
void fillWith(Image &image, const zd::paint::Gradient &gradient, const Affine *toImage,
              FlatFill &&flat, ShadedFill &&shaded) {
  // Raises for a gradient without stops. Held for the whole draw, so the
  // ramp outlives whatever the thread's cache does meanwhile.
  const std::shared_ptr<const Ramp> held = rampOf(gradient);
  const Ramp &ramp = *held;
  const AffineInverse inverse = imageToGradient(gradient.transform, toImage);
  GradientShader shader(gradient, inverse, ramp, image.width > 0 ? image.width : 0);
  switch (planFor(ramp, shader.geometry(), inverse)) {
    case Plan::nothing: return;
    case Plan::flat: return flat(ramp.firstSample().paint);
    case Plan::shaded: return shaded(shader);
  }
}

}  // namespace

void fillGradient(Image &image, const zd::path::Path &path, const zd::paint::Gradient &gradient,
                  const Affine *toImage, bool evenOdd, bool overwrite, float tolerance,
                  Antialias model) {
  fillWith(
      image, gradient, toImage,
      [&](const Paint &) {
        const zd::color::Color &color = gradient.stops.front().color.color;
        fillPathWith(image, path, color, evenOdd, overwrite, tolerance, model);
      },
      [&](RowShader &shader) {
        fillPathShadedWith(image, path, shader, evenOdd, overwrite, tolerance, model);
      });
}

void fillGradientSegments(Image &image, std::span<const Segment> segments,
                          const zd::paint::Gradient &gradient, const Affine *toImage, bool evenOdd,
                          bool overwrite, Antialias model) {
  fillWith(
      image, gradient, toImage,
      [&](const Paint &) {
        const zd::color::Color &color = gradient.stops.front().color.color;
        fillSegmentsWith(image, segments, color, evenOdd, overwrite, model);
      },
      [&](RowShader &shader) {
        fillSegmentsShadedWith(image, segments, shader, evenOdd, overwrite, model);
      });
}

}  // namespace zd::raster
