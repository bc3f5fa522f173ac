#include "color/convert.hpp"

#include <algorithm>
#include <cmath>

#include "color/gamut.hpp"
#include "color/hub.hpp"
#include "color/registry.hpp"
#include "color/space_device.hpp"

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

// The CMYK colour of an sRGB colour's float32 channels, with its alpha.
Result<CssColor> cmykOf(const Color &srgb) {
  const Cmyk inks = rgbToCmyk({srgb.comps[0], srgb.comps[1], srgb.comps[2]});
  const Result<Color> made = colorOf(stCmyk, {inks[0], inks[1], inks[2]}, srgb.alpha);
  const float black = toFloat32(inks[3]);
  if (!made.isOk()) return Result<CssColor>::err(made);
  if (!std::isfinite(black)) {
    return Result<CssColor>::err(
        colorError(ErrorKind::InvalidColor, "component NaN/Inf at bounds"));
  }
  return ok(CssColor{made.value(), black, 0});
}

// The hub colour `c` in `target` (itself when already there); CMYK through sRGB.
Result<CssColor> hubConvert(const Color &c, SpaceTag target) {
  const SpaceTag hubTarget = target == stCmyk ? stSrgb : target;
  const Result<Color> converted = c.space == hubTarget ? ok(c) : to(c, hubTarget);
  if (!converted.isOk()) return Result<CssColor>::err(converted);
  if (target == stCmyk) return cmykOf(converted.value());
  return ok(cssColorOf(converted.value()));
}

// The hub colour `c` converted into `target` (described by `d`) and brought
// within its ranges by the method.
Result<Color> mapInto(const Color &c, SpaceTag target, const SpaceDescriptor &d,
                      GamutMethod method) {
  if (method == gmCss) return gamutMap(c, target);
  const Result<Color> converted = c.space == target ? ok(c) : to(c, target);
  if (!converted.isOk() || hasNoGamut(d)) return converted;
  return ok(clampToRanges(converted.value(), d, c.alpha));
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

Result<Color> hubColor(const CssColor &c) {
  if (c.color.space != stCmyk) return ok(c.color);
  const Color &inks = c.color;
  return colorOf(stSrgb, cmykToRgb({inks.comps[0], inks.comps[1], inks.comps[2], c.fourth}),
                 inks.alpha);
}

Result<CssColor> convertCss(const CssColor &c, SpaceTag target) {
  if (c.color.space == target) return ok(c);
  if (findSpace(target) == nullptr) {
    return Result<CssColor>::err(colorError(
        ErrorKind::UnknownSpace, "convert: target space not registered", toString(target)));
  }
  const Result<Color> source = hubColor(c);
  if (!source.isOk()) return Result<CssColor>::err(source);
  Result<CssColor> converted = hubConvert(source.value(), target);
  if (!converted.isOk()) return converted;
  CssColor result = converted.value();
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
  CssColor result;
  const Result<Color> source = hubColor(c);
  if (target == stCmyk && c.color.space == stCmyk) {
    // Inks are limited where they are: each one clamped to [0, 1].
    result =
        CssColor{clampToRanges(c.color, *d, c.color.alpha), std::clamp(c.fourth, 0.0f, 1.0f), 0};
  } else if (!source.isOk()) {
    return Result<CssColor>::err(source);
  } else if (target == stCmyk) {
    const Result<Color> srgb = mapInto(source.value(), stSrgb, *findSpace(stSrgb), method);
    if (!srgb.isOk()) return Result<CssColor>::err(srgb);
    const Result<CssColor> inks = cmykOf(srgb.value());
    if (!inks.isOk()) return inks;
    // Mapping may leave sRGB by its tolerance of a millionth; the inks stay in range.
    result = CssColor{clampToRanges(inks.value().color, *d, c.color.alpha),
                      std::clamp(inks.value().fourth, 0.0f, 1.0f), 0};
  } else {
    const Result<Color> mapped = mapInto(source.value(), target, *d, method);
    if (!mapped.isOk()) return Result<CssColor>::err(mapped);
    result = cssColorOf(mapped.value());
  }
  markPowerlessHue(result);
  carryMissingAlpha(c, result);
  return ok(result);
}

}  // namespace zd::color
