// Gradient fills (internal): the parameter of each pixel, the colour ramp
// along the parameter, and the shader that joins them for a shaded fill.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "color/mix.hpp"
#include "paint/gradient.hpp"
#include "raster/area.hpp"
#include "raster/shade.hpp"

namespace zd::raster {

// Maps t through the spread: pad leaves it, repeat keeps its fraction,
// reflect folds it into [0, 1] with period 2 (1 at odd integers, 0 at even
// ones). NaN stays NaN.
inline double spreadParameter(double t, zd::paint::Spread spread) {
  switch (spread) {
    case zd::paint::Spread::pad: return t;
    case zd::paint::Spread::repeat: {
      const double r = t - std::floor(t);
      // A tiny negative t rounds up to 1; it belongs at the start.
      return r < 1.0 ? r : 0.0;
    }
    case zd::paint::Spread::reflect: {
      const double r = t - 2.0 * std::floor(t * 0.5);  // [0, 2]
      return r > 1.0 ? 2.0 - r : r;
    }
  }
  return t;
}

// The geometry of a gradient seen from the image: the parameter at a point
// of image space, through the inverse of the image-from-gradient map.
class GradientGeometry {
 public:
  // `toGradient` maps image space into gradient space.
  GradientGeometry(const zd::paint::Gradient &gradient, const zd::paint::AffineInverse &toGradient);

  // True when the gradient paints nothing at all: a linear gradient whose
  // ends coincide, a radial one whose circles are the same.
  bool paintsNothing() const { return empty_; }
  // True when every point has a parameter (linear and conic gradients).
  bool definedEverywhere() const { return kind_ != zd::paint::GradientKind::radial; }

  // The parameter at (x, y) before the spread; NaN where the gradient is
  // undefined (radial only).
  double at(double x, double y) const {
    switch (kind_) {
      case zd::paint::GradientKind::linear: return tx_ * x + ty_ * y + t0_;
      case zd::paint::GradientKind::radial: {
        const RowOrigin o = rowOrigin(y);
        return radial(m_.a * x + o.x, m_.b * x + o.y);
      }
      case zd::paint::GradientKind::conic: {
        const RowOrigin o = rowOrigin(y);
        return conic(m_.a * x + o.x, m_.b * x + o.y);
      }
      case zd::paint::GradientKind::none: break;
    }
    return std::numeric_limits<double>::quiet_NaN();
  }

  // The shader walks a row: the point of column x is (m.a x + origin.x,
  // m.b x + origin.y) relative to the start centre (radial) or the centre
  // (conic), in gradient space.
  struct RowOrigin {
    double x, y;
  };
  RowOrigin rowOrigin(double y) const {
    return {m_.c * y + m_.e - centreX_, m_.d * y + m_.f - centreY_};
  }
  double stepX() const { return m_.a; }
  double stepY() const { return m_.b; }

  // The largest w whose circle, centre c0 + w (c1 - c0) and radius r0 + w
  // (r1 - r0), passes through p (relative to c0) with a radius >= 0: a root
  // of a w^2 - 2 b w + c = 0. NaN when there is none.
  double radial(double px, double py) const {
    const double b = px * cdx_ + py * cdy_ + r0dr_;
    const double c = px * px + py * py - r0r0_;
    double w;
    if (a_ == 0.0) {
      w = c / (2.0 * b);  // b = 0 gives inf or NaN: no circle
      if (!std::isfinite(w)) return std::numeric_limits<double>::quiet_NaN();
    } else {
      const double discriminant = b * b - a_ * c;
      if (!(discriminant >= 0.0)) return std::numeric_limits<double>::quiet_NaN();
      const double root = std::sqrt(discriminant);
      // With a > 0 the larger root takes +root; with a < 0, -root.
      w = (b + rootSign_ * root) * inverseA_;
      if (r0_ + w * dr_ >= 0.0) return w;
      w = (b - rootSign_ * root) * inverseA_;
    }
    return r0_ + w * dr_ >= 0.0 ? w : std::numeric_limits<double>::quiet_NaN();
  }

  // The turn from the start angle to p (relative to the centre), in [0, 1).
  double conic(double px, double py) const {
    const double turns = std::atan2(py, px) * kInverseTurn - startTurns_;
    const double t = turns - std::floor(turns);
    return t < 1.0 ? t : 0.0;
  }

  // Linear only: t = dx * x + dy * y + offset.
  double linearDx() const { return tx_; }
  double linearDy() const { return ty_; }
  double linearOffset() const { return t0_; }
  zd::paint::GradientKind kind() const { return kind_; }

 private:
  static constexpr double kInverseTurn = 0.15915494309189535;  // 1 / (2 pi)

  zd::paint::GradientKind kind_;
  zd::paint::AffineInverse m_;
  bool empty_ = false;
  double centreX_ = 0, centreY_ = 0;
  // linear
  double tx_ = 0, ty_ = 0, t0_ = 0;
  // radial: start radius, centre and radius differences, the quadratic's
  // leading coefficient and what the roots need of it
  double r0_ = 0, r0r0_ = 0, r0dr_ = 0, cdx_ = 0, cdy_ = 0, dr_ = 0, a_ = 0, inverseA_ = 0,
         rootSign_ = 1;
  // conic: start angle in turns
  double startTurns_ = 0;
};

// One colour of the ramp, ready to blend.
using RampSample = ShadeColor;

// An array of a trivially copyable type whose elements are not set when it
// is allocated: each element starts its life when it is first written
// (set), and only written elements may be read.
template <class T>
class UnsetArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  UnsetArray() = default;
  explicit UnsetArray(std::size_t size) : data_(std::allocator<T>().allocate(size), Free{size}) {}

  void set(std::size_t i, const T &value) { std::construct_at(data_.get() + i, value); }
  const T &operator[](std::size_t i) const { return data_[i]; }

 private:
  struct Free {
    std::size_t size = 0;
    void operator()(T *data) const { std::allocator<T>().deallocate(data, size); }
  };
  std::unique_ptr<T[], Free> data_;
};

// The colours along the parameter: stops sorted by offset, interpolated
// pairwise in the gradient's space with its hue method, each result mapped
// into sRGB as a flat colour is.
//
// Exact evaluation can cost microseconds (conversions and the gamut
// mapping's search), so the ramp is approximated once per draw (and kept
// for later draws, see rampOf) by a piecewise-linear curve whose knots are
// exact colours: each of kPieces equal pieces of [0, 1] is halved until the
// chord between its ends is within kChordError of the exact colour at its
// middle and at its quarters, down to single bins of kBins over [0, 1]. A bin across which the curve changes by less
// than kFlatChange is looked up as one colour (the mean of its ends); a
// steeper one is interpolated between its ends per pixel. A bin holding a
// stop, starting at a hard edge, or not straight even on its own (where
// the gamut mapping bends sharply) is evaluated exactly per pixel. Every
// channel, alpha included, stays within one 8-bit step of the exact
// evaluation (tests/raster/gradient_test.cpp measures it on curved ramps),
// except within a bin of a jump of the exact colours themselves (the gamut
// mapping's clip to white, or its search settling a step apart for nearby
// parameters), which no table of bins follows.
class Ramp {
 public:
  static constexpr int kBins = 4096;
  static constexpr int kPieces = 64;
  static constexpr float kChordError = 0.2f / 255.0f;
  static constexpr float kFlatChange = 0.5f / 255.0f;

  // Raises zd::Error when there is no stop, or a stop colour cannot be
  // interpolated in the space or mapped into sRGB.
  explicit Ramp(const zd::paint::Gradient &gradient);

  // True when every stop has the same colour.
  bool uniform() const { return uniform_; }
  // True when every stop's alpha is 0 after mapping.
  bool invisible() const { return invisible_; }
  const RampSample &firstSample() const { return stops_.front().sample; }

  // The colour at t: the first stop's below the first offset, the last
  // one's above the last offset, and at an offset shared by several stops
  // the first of them (beyond it, the last of them).
  RampSample exact(double t) const;
  // The approximated colour at t, within half a step of exact(t); `scratch`
  // holds it when it is not a table entry.
  const RampSample &lookup(double t, RampSample &scratch) const {
    // One colour everywhere: no table is built.
    if (uniform_) return stops_.front().sample;
    if (!(t > 0.0 && t < 1.0)) return scratch = exact(t);
    const double x = t * kBins;
    const int bin = static_cast<int>(x);  // in [0, kBins)
    switch (binMode_[bin]) {
      case binTable: return bins_[bin];
      case binLinear: return scratch = between(bin, static_cast<float>(x - bin));
      default: return scratch = exact(t);
    }
  }

 private:
  struct Stop {
    double offset;
    zd::color::CssColor color;
    RampSample sample;
  };
  enum BinMode : std::uint8_t { binTable = 0, binLinear = 1, binExact = 2 };

  const Paint &exactEdge(int k);
  const Paint &exactBinMiddle(int bin);
  void approximate(int from, int to);
  bool quartersOnChord(int from, int to, const Paint &low, const Paint &high);
  void drawChord(int from, int to, const Paint &low, const Paint &high);
  bool smoothOver(int from, int to) const;
  RampSample between(int bin, float u) const;

  std::vector<Stop> stops_;
  // between_[i] interpolates stops i and i + 1; empty when their colours
  // are equal (the segment is flat) or their offsets are (a hard edge).
  std::vector<std::optional<zd::color::Interpolator>> between_;
  bool srgbSpace_ = false;
  bool uniform_ = true;
  bool invisible_ = true;

  // Empty for a uniform ramp. The build writes every edge a linear bin
  // reads and the sample of every table bin; nothing else is read, so the
  // arrays are not cleared first.
  UnsetArray<Paint> edges_;      // the curve at each bin edge, kBins + 1
  UnsetArray<RampSample> bins_;  // table bins
  std::vector<std::uint8_t> binMode_;
  // The exact colours at bin edges, while approximating: the thread's
  // memo, reused from one build to the next; nil once built.
  struct EdgeMemo;
  EdgeMemo *edgeMemo_ = nullptr;
};

// The ramp of the gradient's colours, shared with every other draw on this
// thread whose gradient has the same colour definition: stops (offsets and
// colours, bit for bit), interpolation space and hue method. Geometry,
// spread and transform do not enter the ramp, so a host painting many
// shapes with one gradient builds its ramp once. The last kCachedRamps
// ramps of each thread are kept, most recent first; a ramp stays alive while
// a caller holds it, whatever the cache does meanwhile. A failed build
// raises (as the Ramp constructor does) and leaves the cache as it was.
// While the colour-space registry is not sealed, every call builds afresh.
inline constexpr int kCachedRamps = 2;
std::shared_ptr<const Ramp> rampOf(const zd::paint::Gradient &gradient);

// Fills path or segments with a gradient paint; `toImage` maps user space
// into the image (the draw matrix; identity when nil), and `model` measures
// the coverage. Raises zd::Error "drawPath: the gradient has no stops"
// before touching the image when there is no stop.
void fillGradient(Image &image, const zd::path::Path &path, const zd::paint::Gradient &gradient,
                  const zd::paint::Affine *toImage, bool evenOdd, bool overwrite, float tolerance,
                  Antialias model = Antialias::scanlines);
void fillGradientSegments(Image &image, std::span<const Segment> segments,
                          const zd::paint::Gradient &gradient, const zd::paint::Affine *toImage,
                          bool evenOdd, bool overwrite, Antialias model = Antialias::scanlines);

}  // namespace zd::raster
