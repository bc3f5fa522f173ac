#include "color/convert.hpp"

#include <cmath>

#include "color/gamut.hpp"
#include "color/hub.hpp"
#include "color/registry.hpp"

namespace zd::color {

namespace {

// A hue is powerless when the colour is a grey within the conversion hub's
// accuracy. The published RGB matrices put an exact grey of a wide-gamut
// space up to about 1e-4 of OKLCH chroma (0.04 of CIE LCh chroma, 4e-4 of
// sRGB chroma) off the grey axis, so these thresholds sit above that, and
// still far below what the eye can tell (a just-noticeable difference is an
// OKLab distance of 0.02).
constexpr double kOklchChromaEpsilon = 0.0002;
constexpr double kLchChromaEpsilon = 0.05;  // also CAM16 and HCT chroma
// HSL and HSV test the sRGB chroma (max - min of the channels), which stays
// small near black and white where saturation swings.
constexpr double kRgbChromaEpsilon = 0.0005;

// The sRGB chroma of an HSL or HSV colour: S(1 - |2L - 1|) and S·V.
double rgbChroma(const Color &c) {
  const double s = c.comps[1], third = c.comps[2];
  return c.space == stHsl ? s * (1 - std::fabs(2 * third - 1)) : s * third;
}

void carryMissingAlpha(const CssColor &from, CssColor &to) {
  if (from.missing & kMissingAlpha) to.missing |= kMissingAlpha;
}

}  // namespace

PolarLayout polarLayout(SpaceTag space) {
  switch (space) {
    case stHsl:
    case stHsv:
    case stHct: return {0, 1};
    case stHwb: return {0, -1};
    case stLch:
    case stOklch:
    case stCam16: return {2, 1};
    default: return {};
  }
}

float normalizedHue(double degrees) {
  double h = std::fmod(degrees, 360.0);
  if (h < 0) h += 360.0;
  const float rounded = toFloat32(h);
  return rounded >= 360.0f ? 0.0f : rounded;
}

bool hueIsPowerless(const Color &c) {
  const PolarLayout layout = polarLayout(c.space);
  if (layout.hue < 0) return false;
  switch (c.space) {
    case stHwb: return static_cast<double>(c.comps[1]) + c.comps[2] >= 1 - kRgbChromaEpsilon;
    case stHsl:
    case stHsv: return std::fabs(rgbChroma(c)) <= kRgbChromaEpsilon;
    case stOklch: return std::fabs(c.comps[layout.chroma]) <= kOklchChromaEpsilon;
    default: return std::fabs(c.comps[layout.chroma]) <= kLchChromaEpsilon;
  }
}

void markPowerlessHue(CssColor &c) {
  if (!hueIsPowerless(c.color)) return;
  const PolarLayout layout = polarLayout(c.color.space);
  c.color.comps[layout.hue] = 0.0f;
  c.missing |= static_cast<std::uint8_t>(1u << layout.hue);
  // Whiteness and blackness are the colour of a grey; only a chroma or
  // saturation this small is noise.
  if (layout.chroma >= 0) c.color.comps[layout.chroma] = 0.0f;
}

Result<CssColor> convertCss(const CssColor &c, SpaceTag target) {
  if (c.color.space == target) return ok(c);
  if (findSpace(target) == nullptr) {
    return Result<CssColor>::err(colorError(
        ErrorKind::UnknownSpace, "convert: target space not registered", toString(target)));
  }
  const Result<Color> converted = to(c.color, target);
  if (!converted.isOk()) return Result<CssColor>::err(converted);
  CssColor result = cssColorOf(converted.value());
  markPowerlessHue(result);
  carryMissingAlpha(c, result);
  return ok(result);
}

Result<CssColor> gamutMapCss(const CssColor &c, SpaceTag target, GamutMethod method) {
  const SpaceDescriptor *d = findSpace(target);
  if (d == nullptr) {
    return Result<CssColor>::err(
        colorError(ErrorKind::UnknownSpace, "gamutMap: target not registered", spaceName(target)));
  }
  Result<Color> mapped = Result<Color>::err(ColorError{});
  if (method == gmCss) {
    mapped = gamutMap(c.color, target);
  } else {
    mapped = c.color.space == target ? ok(c.color) : to(c.color, target);
    if (mapped.isOk() && !hasNoGamut(*d)) {
      mapped = ok(clampToRanges(mapped.value(), *d, c.color.alpha));
    }
  }
  if (!mapped.isOk()) return Result<CssColor>::err(mapped);
  CssColor result = cssColorOf(mapped.value());
  markPowerlessHue(result);
  carryMissingAlpha(c, result);
  return ok(result);
}

}  // namespace zd::color
