// Interpolation of two colours in a chosen space, as CSS mixes colours and
// as gradients blend their stops: both colours are converted into the
// interpolation space, `none` components take the other colour's value,
// hues take the chosen arc, and components are interpolated premultiplied
// by alpha.
#pragma once

#include "color/css.hpp"

namespace zd::color {

// Which way round the hue circle polar spaces interpolate.
enum HueMethod : int {
  hmShorter = 0,
  hmLonger = 1,
  hmIncreasing = 2,
  hmDecreasing = 3,
};

// Two colours made ready for interpolation in one space: converted, their
// missing components resolved, hues fixed up and premultiplied. at(t) is
// then a few multiply-adds, so a gradient builds one Interpolator per pair
// of stops and evaluates it at every position.
class Interpolator {
 public:
  // Errors: UnknownSpace for an unregistered space, and conversion errors
  // of either colour. In CMYK all four inks are interpolated.
  static Result<Interpolator> make(const CssColor &a, const CssColor &b, SpaceTag space,
                                   HueMethod method);

  // The colour at t (0 gives a, 1 gives b) in the interpolation space, with
  // its alpha scaled by alphaScale (color-mix's leftover percentage). Hues
  // come back in [0, 360); a component missing in both colours stays
  // missing. Fails only for values beyond float32.
  Result<CssColor> at(double t, double alphaScale = 1.0) const;

 private:
  friend class Result<Interpolator>;
  Interpolator() = default;

  SpaceTag space_ = stUnknown;
  int hue_ = -1;  // component index of the hue, or -1
  // Premultiplied, except the hue; the fourth is CMYK's K (0 elsewhere).
  double start_[4] = {0, 0, 0, 0};
  double end_[4] = {0, 0, 0, 0};
  double alphaStart_ = 1, alphaEnd_ = 1;
  std::uint8_t missing_ = 0;  // components (and alpha) missing in both colours
};

// The colour between a and b at t in `space`: Interpolator::make and at(t)
// in one call.
Result<CssColor> interpolate(const CssColor &a, const CssColor &b, double t, SpaceTag space,
                             HueMethod method);

}  // namespace zd::color
