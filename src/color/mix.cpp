#include "color/mix.hpp"

#include <cmath>

#include "color/convert.hpp"
#include "color/hub.hpp"
#include "color/registry.hpp"

namespace zd::color {

namespace {

// What a component stands for across spaces. A `none` component is carried
// into the interpolation space when the other space has a component of the
// same kind; XYZ counts as a very saturated RGB.
enum Kind : std::uint8_t {
  kNoKind,
  kRed,
  kGreen,
  kBlue,
  kLightness,
  kChroma,
  kHue,
  kOpponentA,
  kOpponentB
};

struct Kinds {
  Kind of[3];
};

Kinds kindsOf(SpaceTag space) {
  switch (space) {
    case stSrgb:
    case stSrgbLinear:
    case stP3:
    case stP3Linear:
    case stRec2020:
    case stRec2020Linear:
    case stA98:
    case stA98Linear:
    case stProphoto:
    case stProphotoLinear:
    case stXyz: return {{kRed, kGreen, kBlue}};
    case stLab:
    case stOklab:
    case stJzazbz:
    case stCam16Ucs: return {{kLightness, kOpponentA, kOpponentB}};
    case stLch:
    case stOklch:
    case stCam16: return {{kLightness, kChroma, kHue}};
    case stHsl: return {{kHue, kChroma, kLightness}};
    case stHsv: return {{kHue, kChroma, kNoKind}};
    case stHwb: return {{kHue, kNoKind, kNoKind}};
    case stHct: return {{kHue, kChroma, kLightness}};
    default: return {{kNoKind, kNoKind, kNoKind}};
  }
}

int indexOfKind(const Kinds &kinds, Kind kind) {
  if (kind == kNoKind) return -1;
  for (int i = 0; i < 3; ++i) {
    if (kinds.of[i] == kind) return i;
  }
  return -1;
}

// The components of `target` that stay missing when a colour of `source`
// with these missing components is converted for interpolation: each missing
// component with a counterpart, and the whole set of components without
// counterparts when all of that set is missing on the source side.
std::uint8_t carriedForward(SpaceTag source, std::uint8_t missing, SpaceTag target) {
  const Kinds from = kindsOf(source);
  const Kinds into = kindsOf(target);
  std::uint8_t carried = missing & kMissingAlpha;
  std::uint8_t sourceRest = 0, targetRest = 0;
  for (int i = 0; i < 3; ++i) {
    const int counterpart = indexOfKind(into, from.of[i]);
    if (counterpart < 0) {
      sourceRest |= static_cast<std::uint8_t>(1u << i);
    } else if (missing & (1u << i)) {
      carried |= static_cast<std::uint8_t>(1u << counterpart);
    }
    if (indexOfKind(from, into.of[i]) < 0) targetRest |= static_cast<std::uint8_t>(1u << i);
  }
  if (sourceRest != 0 && (missing & sourceRest) == sourceRest) carried |= targetRest;
  return carried;
}

// One colour in the interpolation space with its missing components.
Result<CssColor> prepare(const CssColor &c, SpaceTag space) {
  const std::uint8_t carried =
      c.color.space == space ? c.missing : carriedForward(c.color.space, c.missing, space);
  Result<CssColor> converted = convertCss(c, space);
  if (!converted.isOk()) return converted;
  CssColor prepared = converted.value();
  // A hue the colour was written with is powerless too when its chroma is nil.
  markPowerlessHue(prepared);
  prepared.missing |= carried;
  for (int i = 0; i < 3; ++i) {
    if (prepared.missing & (1u << i)) prepared.color.comps[i] = 0.0f;
  }
  return ok(prepared);
}

bool isMissing(const CssColor &c, int bit) { return (c.missing & (1u << bit)) != 0; }

// Moves hues onto the arc the method asks for; both are in [0, 360).
void fixHues(double &h1, double &h2, HueMethod method) {
  const double delta = h2 - h1;
  switch (method) {
    case hmShorter:
      if (delta > 180) {
        h1 += 360;
      } else if (delta < -180) {
        h2 += 360;
      }
      break;
    case hmLonger:
      if (delta > 0 && delta < 180) {
        h1 += 360;
      } else if (delta > -180 && delta <= 0) {
        h2 += 360;
      }
      break;
    case hmIncreasing:
      if (h2 < h1) h2 += 360;
      break;
    case hmDecreasing:
      if (h1 < h2) h1 += 360;
      break;
  }
}

double normalizedDegrees(double degrees) {
  double h = std::fmod(degrees, 360.0);
  return h < 0 ? h + 360.0 : h;
}

}  // namespace

Result<Interpolator> Interpolator::make(const CssColor &a, const CssColor &b, SpaceTag space,
                                        HueMethod method) {
  const SpaceDescriptor *d = findSpace(space);
  if (d == nullptr) {
    return Result<Interpolator>::err(
        colorError(ErrorKind::UnknownSpace, "interpolate: space not registered", toString(space)));
  }
  const Result<CssColor> first = prepare(a, space);
  if (!first.isOk()) return Result<Interpolator>::err(first);
  const Result<CssColor> second = prepare(b, space);
  if (!second.isOk()) return Result<Interpolator>::err(second);
  const CssColor &p = first.value();
  const CssColor &q = second.value();

  Interpolator r;
  r.space_ = space;
  r.hue_ = polarLayout(space).hue;
  // A component missing on one side takes the other side's value; missing
  // on both, it stays missing.
  for (int i = 0; i < 4; ++i) {
    const bool pMissing = isMissing(p, i), qMissing = isMissing(q, i);
    const double pv = i < 3 ? p.color.comps[i] : p.color.alpha;
    const double qv = i < 3 ? q.color.comps[i] : q.color.alpha;
    const double start = pMissing && !qMissing ? qv : pv;
    const double end = qMissing && !pMissing ? pv : qv;
    if (pMissing && qMissing) r.missing_ |= static_cast<std::uint8_t>(1u << i);
    if (i < 3) {
      r.start_[i] = start;
      r.end_[i] = end;
    } else {
      r.alphaStart_ = start;
      r.alphaEnd_ = end;
    }
  }
  // CMYK's black is never missing; it is 0 in every other space.
  r.start_[3] = p.fourth;
  r.end_[3] = q.fourth;
  if (r.hue_ >= 0 && !(r.missing_ & (1u << r.hue_))) {
    r.start_[r.hue_] = normalizedDegrees(r.start_[r.hue_]);
    r.end_[r.hue_] = normalizedDegrees(r.end_[r.hue_]);
    fixHues(r.start_[r.hue_], r.end_[r.hue_], method);
  }
  // Premultiplied: every component but the hue scaled by its colour's alpha
  // (not when alpha is missing in both, which leaves nothing to scale by).
  if (!(r.missing_ & kMissingAlpha)) {
    for (int i = 0; i < 4; ++i) {
      if (i == r.hue_) continue;
      r.start_[i] *= r.alphaStart_;
      r.end_[i] *= r.alphaEnd_;
    }
  }
  return ok(r);
}

Result<CssColor> Interpolator::at(double t, double alphaScale) const {
  const double alpha = alphaStart_ + (alphaEnd_ - alphaStart_) * t;
  const bool divide = !(missing_ & kMissingAlpha) && alpha != 0.0;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    v[i] = start_[i] + (end_[i] - start_[i]) * t;
    if (i == hue_) {
      v[i] = normalizedHue(v[i]);
    } else if (divide) {
      v[i] /= alpha;
    }
    if (i < 3 && (missing_ & (1u << i))) v[i] = 0.0;
  }
  float finalAlpha = 0.0f;
  if (!(missing_ & kMissingAlpha)) {
    finalAlpha = toFloat32(alpha * alphaScale);
    // Rounding of a convex combination cannot leave [0, 1] by more than an
    // ulp; keep the alpha exactly in range.
    if (finalAlpha > 1.0f) finalAlpha = 1.0f;
    if (finalAlpha < 0.0f) finalAlpha = 0.0f;
  }
  const Result<Color> made = colorOf(space_, Vec3{v[0], v[1], v[2]}, finalAlpha);
  if (!made.isOk()) return Result<CssColor>::err(made);
  const float black = toFloat32(v[3]);
  if (!std::isfinite(black)) {
    return Result<CssColor>::err(
        colorError(ErrorKind::InvalidColor, "component NaN/Inf at bounds"));
  }
  return ok(CssColor{made.value(), black, missing_});
}

Result<CssColor> interpolate(const CssColor &a, const CssColor &b, double t, SpaceTag space,
                             HueMethod method) {
  const Result<Interpolator> interpolator = Interpolator::make(a, b, space, method);
  if (!interpolator.isOk()) return Result<CssColor>::err(interpolator);
  return interpolator.value().at(t);
}

}  // namespace zd::color
