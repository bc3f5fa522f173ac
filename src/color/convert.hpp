// Conversion and gamut mapping of host colours: the hub's conversion plus
// what CSS adds around it. A colour produced by conversion has its powerless
// hue marked missing (a grey has no hue), and the alpha's `none` survives.
#pragma once

#include "color/css.hpp"

namespace zd::color {

// Where a space keeps its hue and its colourfulness (-1: nowhere).
struct PolarLayout {
  int hue = -1;
  int chroma = -1;
};
PolarLayout polarLayout(SpaceTag space);

// A hue in degrees moved into [0, 360) and rounded to float32; a hue that
// rounds up to 360 becomes 0.
float normalizedHue(double degrees);

// True when the colour's hue carries no information: saturation or chroma
// within the space's epsilon of zero, or whiteness plus blackness reaching 1.
bool hueIsPowerless(const Color &c);

// Marks a powerless hue missing (its value becomes 0) and sets a chroma or
// saturation within epsilon of zero to exactly zero, so that noise of the
// conversion is not amplified later.
void markPowerlessHue(CssColor &c);

// The colour the conversion hub takes for `c`: its Color, or for a CMYK
// colour the sRGB colour of its inks. Device CMYK has no route through the
// hub's XYZ; host colours convert it through sRGB with the naive formulas
// (rgbToCmyk, cmykToRgb). Fails only for inks whose sRGB lies beyond float32.
Result<Color> hubColor(const CssColor &c);

// The colour in `target` through the conversion hub, missing components read
// as zero; CMYK on either side goes through sRGB. A colour already in
// `target` comes back unchanged. The result has no missing component except
// a powerless hue and a missing alpha. UnknownSpace "convert: target space
// not registered" for an unknown target; the hub's errors pass through.
Result<CssColor> convertCss(const CssColor &c, SpaceTag target);

// How gamut mapping brings a colour into range.
enum GamutMethod : int { gmCss = 0, gmClip = 1 };

// The colour converted into `target` and brought within its ranges: by the
// library's chroma-reduction mapping (gmCss) or by clamping each component
// (gmClip). Spaces without bounded ranges are converted only. CMYK inks cover
// the sRGB cube: a colour is mapped into sRGB by the method, then converted,
// its inks kept within [0, 1]; a CMYK colour has its inks clamped.
Result<CssColor> gamutMapCss(const CssColor &c, SpaceTag target, GamutMethod method);

}  // namespace zd::color
