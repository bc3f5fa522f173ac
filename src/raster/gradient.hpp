// Gradient fills (internal): the parameter of each pixel, the colour ramp
// along the parameter, and the shader that joins them for a shaded fill.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "color/mix.hpp"
#include "paint/gradient.hpp"
#include "raster/shade.hpp"

namespace zd::raster {

// Maps t through the spread: pad leaves it, repeat keeps its fraction,
// reflect folds it into [0, 1] with period 2 (1 at odd integers, 0 at even
// ones). NaN stays NaN.
double spreadParameter(double t, zd::paint::Spread spread);

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

  // The parameter at (x, y) before the spread; nothing where the gradient is
  // undefined (radial only).
  std::optional<double> at(double x, double y) const;

  // Linear only: t = dx * x + dy * y + offset.
  double linearDx() const { return tx_; }
  double linearDy() const { return ty_; }
  double linearOffset() const { return t0_; }

 private:
  zd::paint::GradientKind kind_;
  zd::paint::AffineInverse toGradient_;
  bool empty_ = false;
  // linear
  double tx_ = 0, ty_ = 0, t0_ = 0;
  // radial: start centre and radius, centre and radius differences, and
  // the quadratic's leading coefficient
  double x0_ = 0, y0_ = 0, r0_ = 0, cdx_ = 0, cdy_ = 0, dr_ = 0, a_ = 0;
  // conic: centre and start angle in turns
  double cx_ = 0, cy_ = 0, startTurns_ = 0;
};

// One colour of the ramp, ready to blend.
struct RampSample {
  Paint paint;
  std::uint32_t bytes = 0;  // solidBytes(paint)
};

// The colours along the parameter: stops sorted by offset, interpolated
// pairwise in the gradient's space with its hue method, each result mapped
// into sRGB as a flat colour is. A table of kBins bins over [0, 1] answers
// most look-ups; each bin holds the mean of the exact colours at its two
// ends, and is used only where those differ by less than 0.9/255 in every
// channel and no stop falls inside it, so a looked-up colour stays within
// half an 8-bit step of the exact one. Other bins are evaluated exactly.
// Bins are filled on first use.
class Ramp {
 public:
  static constexpr int kBins = 1024;

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
  // exact(t), or the table's colour for t where the table is accurate.
  const RampSample &lookup(double t, RampSample &scratch);

 private:
  struct Stop {
    double offset;
    zd::color::CssColor color;
    RampSample sample;
  };
  enum BinState : std::uint8_t { binUnknown = 0, binTable = 1, binExact = 2 };

  void markStopBins();
  void fillBin(int bin);
  const RampSample &edge(int k);

  std::vector<Stop> stops_;
  // between_[i] interpolates stops i and i + 1; empty when their colours
  // are equal (the segment is flat) or their offsets are (a hard edge).
  std::vector<std::optional<zd::color::Interpolator>> between_;
  bool uniform_ = true;
  bool invisible_ = true;

  std::vector<RampSample> bins_, edges_;
  std::vector<std::uint8_t> binState_, edgeKnown_;
};

// Fills path or segments with a gradient paint; `toImage` maps user space
// into the image (the draw matrix; identity when nil). Raises zd::Error
// "drawPath: the gradient has no stops" before touching the image when
// there is no stop.
void fillGradient(Image &image, const zd::path::Path &path, const zd::paint::Gradient &gradient,
                  const zd::paint::Affine *toImage, bool evenOdd, bool overwrite, float tolerance);
void fillGradientSegments(Image &image, std::span<const Segment> segments,
                          const zd::paint::Gradient &gradient, const zd::paint::Affine *toImage,
                          bool evenOdd, bool overwrite);

}  // namespace zd::raster
