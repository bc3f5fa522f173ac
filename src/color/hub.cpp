#include "color/hub.hpp"

#include <array>
#include <cfloat>
#include <cstdint>
#include <cmath>
#include <optional>

#include "color/polar.hpp"
#include "color/registry.hpp"
#include "color/space_cam16.hpp"
#include "color/space_cie.hpp"
#include "color/space_cylindrical.hpp"
#include "color/space_device.hpp"
#include "color/space_hdr.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {

namespace {

constexpr std::uint32_t tagBit(SpaceTag tag) { return std::uint32_t{1} << tag; }

// Each space's short-path partners as a set of tag bits: the test every
// conversion makes is two range tests and a lookup.
constexpr std::array<std::uint32_t, stHwb + 1> kShortPathPartners = [] {
  std::array<std::uint32_t, stHwb + 1> sets{};
  const auto pair = [&](SpaceTag a, SpaceTag b) {
    sets[a] |= tagBit(b);
    sets[b] |= tagBit(a);
  };
  pair(stSrgb, stSrgbLinear);
  pair(stLab, stLch);
  pair(stOklab, stOklch);
  pair(stHsv, stHsl);
  pair(stHsv, stHwb);
  pair(stHsl, stHwb);
  return sets;
}();

// Built once at start-up, after the registry is sealed; read-only after.
struct HubDescriptors {
  std::optional<SpaceDescriptor> srgbLinear;
  std::optional<SpaceDescriptor> rec2020Linear;
};

HubDescriptors &hubDescriptors() {
  static HubDescriptors instance;
  return instance;
}

Vec3 widen(const Color &c) {
  return {static_cast<double>(c.comps[0]), static_cast<double>(c.comps[1]),
          static_cast<double>(c.comps[2])};
}

template <class T>
Result<T> notRegistered(const char *message, SpaceTag tag) {
  return Result<T>::err(colorError(ErrorKind::UnknownSpace, message, toString(tag)));
}

// The hub's copy of a linear RGB descriptor; absent before start-up.
const SpaceDescriptor *privateDescriptor(const std::optional<SpaceDescriptor> &d) {
  return d ? &*d : nullptr;
}

Vec3 rgbToXyz(const SpaceDescriptor &d, const Vec3 &linear) {
  const Vec3 xyz = apply3(d.toXyz, linear);
  return sameWhite(d.white, wpD65) ? xyz : adapt(xyz, d.white, wpD65);
}

Vec3 xyzToRgb(const SpaceDescriptor &d, const Vec3 &xyz) {
  const Vec3 own = sameWhite(d.white, wpD65) ? xyz : adapt(xyz, wpD65, d.white);
  return apply3(d.fromXyz, own);
}

// The XYZ of float64 sRGB values: they become an "srgb" colour first.
Result<Vec3> viaSrgb(const Vec3 &rgb) {
  const Result<Color> srgb = colorOf(stSrgb, rgb, 1.0f);
  if (!srgb.isOk()) return Result<Vec3>::err(srgb);
  return toXYZ(srgb.value());
}

// The float32 channels of the "srgb" colour of an XYZ, widened again.
Result<Vec3> srgbChannelsOf(const Vec3 &xyz) {
  const Result<Color> srgb = fromXYZ(xyz, stSrgb);
  if (!srgb.isOk()) return Result<Vec3>::err(srgb);
  return ok(widen(srgb.value()));
}

Result<Vec3> oklabToXyz(const Vec3 &lab) {
  const SpaceDescriptor *linear = privateDescriptor(hubDescriptors().srgbLinear);
  if (linear == nullptr) return notRegistered<Vec3>("space not registered", stSrgbLinear);
  return ok(apply3(linear->toXyz, oklabToLinearSrgb(lab)));
}

Result<Vec3> xyzToOklab(const Vec3 &xyz) {
  const SpaceDescriptor *linear = privateDescriptor(hubDescriptors().srgbLinear);
  if (linear == nullptr) return notRegistered<Vec3>("target space not registered", stSrgbLinear);
  return ok(linearSrgbToOklab(apply3(linear->fromXyz, xyz)));
}

Result<Vec3> ictcpToXyz(const Vec3 &ictcp) {
  const SpaceDescriptor *linear = privateDescriptor(hubDescriptors().rec2020Linear);
  if (linear == nullptr) return notRegistered<Vec3>("space not registered", stRec2020Linear);
  return ok(apply3(linear->toXyz, ictcpToRec2020(ictcp)));
}

Result<Vec3> xyzToIctcp(const Vec3 &xyz) {
  const SpaceDescriptor *linear = privateDescriptor(hubDescriptors().rec2020Linear);
  if (linear == nullptr) {
    return notRegistered<Vec3>("target space not registered", stRec2020Linear);
  }
  return ok(rec2020ToIctcp(apply3(linear->fromXyz, xyz)));
}

Vec3 scaled(const Vec3 &v, double factor) { return {v[0] * factor, v[1] * factor, v[2] * factor}; }

// Polar (L, C, h) to opponent with the hue first reduced by fmod 360.
Vec3 reducedPolarToOpponent(const Vec3 &lch) {
  return polarToOpponent({lch[0], lch[1], std::fmod(lch[2], 360.0)});
}

// The family-specific part of toXYZ for every family except the RGB ones.
Result<Vec3> analyticToXyz(const SpaceDescriptor &d, const Color &c) {
  const Vec3 v = widen(c);
  switch (d.family) {
    case famXyz: return ok(v);
    case famXyy: return xyyToXyz(v);
    case famLab: return ok(labToXyz(v));
    case famLch: return ok(labToXyz(reducedPolarToOpponent(v)));
    case famOklab: return oklabToXyz(v);
    case famOklch: {
      // a and b are rounded to float32 by building the "oklab" colour.
      const Result<Color> lab = colorOf(stOklab, reducedPolarToOpponent(v), 1.0f);
      if (!lab.isOk()) return Result<Vec3>::err(lab);
      return toXYZ(lab.value());
    }
    case famHsv: return viaSrgb(hsvToRgb(v));
    case famHsl: return viaSrgb(hslToRgb(v));
    case famHwb: return viaSrgb(hwbToRgb(v));
    case famYcbcr: return viaSrgb(ycbcrToRgb(v));
    case famIctcp: return ictcpToXyz(v);
    case famJzazbz: return ok(jzazbzToXyz(v));
    case famCam16:
      return ok(scaled(cam16ToXyz(v[0], v[1], v[2], defaultViewingConditions()), 0.01));
    case famCam16Ucs: {
      const ViewingConditions &vc = defaultViewingConditions();
      const Vec3 jch = ucsToJch(v, vc);
      return ok(scaled(cam16ToXyz(jch[0], jch[1], jch[2], vc), 0.01));
    }
    case famHct: {
      const Result<Color> srgb = fromXYZ(hctToXyz(v), stSrgb);
      if (!srgb.isOk()) return Result<Vec3>::err(srgb);
      return toXYZ(srgb.value());
    }
    default: break;
  }
  return Result<Vec3>::err(
      colorError(ErrorKind::InvalidOp, "toXYZ not implemented for family", toString(d.family)));
}

// The family-specific part of fromXYZ for every family except the RGB ones,
// as float64 components.
Result<Vec3> analyticFromXyz(const SpaceDescriptor &d, const Vec3 &xyz) {
  switch (d.family) {
    case famXyz: return ok(xyz);
    case famXyy: return xyzToXyy(xyz);
    case famLab: return ok(xyzToLab(xyz));
    case famLch: return ok(opponentToPolar(xyzToLab(xyz)));
    case famOklab: return xyzToOklab(xyz);
    case famOklch: {
      const Result<Vec3> lab = xyzToOklab(xyz);
      if (!lab.isOk()) return lab;
      return ok(opponentToPolar(lab.value()));
    }
    case famHsv:
    case famHsl:
    case famHwb:
    case famYcbcr: {
      const Result<Vec3> rgb = srgbChannelsOf(xyz);
      if (!rgb.isOk()) return rgb;
      if (d.family == famHsv) return ok(rgbToHsv(rgb.value()));
      if (d.family == famHsl) return ok(rgbToHsl(rgb.value()));
      if (d.family == famHwb) return ok(rgbToHwb(rgb.value()));
      return ok(rgbToYcbcr(rgb.value()));
    }
    case famIctcp: return xyzToIctcp(xyz);
    case famJzazbz: return ok(xyzToJzazbz(xyz));
    case famCam16: {
      const Cam16 cam = cam16FromXyz(scaled(xyz, 100.0), defaultViewingConditions());
      return ok(Vec3{cam.j, cam.c, cam.h});
    }
    case famCam16Ucs:
      return ok(cam16ToUcs(cam16FromXyz(scaled(xyz, 100.0), defaultViewingConditions())));
    case famHct: return ok(xyzToHct(xyz));
    default: break;
  }
  return Result<Vec3>::err(
      colorError(ErrorKind::InvalidOp, "fromXYZ not implemented for family", toString(d.family)));
}

// The sRGB values of a colour in one of the cylindrical spaces.
Vec3 cylindricalToRgb(SpaceTag space, const Vec3 &v) {
  if (space == stHsv) return hsvToRgb(v);
  if (space == stHsl) return hslToRgb(v);
  return hwbToRgb(v);
}

Vec3 rgbToCylindrical(SpaceTag space, const Vec3 &rgb) {
  if (space == stHsv) return rgbToHsv(rgb);
  if (space == stHsl) return rgbToHsl(rgb);
  return rgbToHwb(rgb);
}

bool isCylindrical(SpaceTag space) { return space == stHsv || space == stHsl || space == stHwb; }

bool isRgbFamily(const SpaceDescriptor &d) {
  return d.family == famRgbEncoded || d.family == famRgbLinear;
}

// toXYZ of a colour of the RGB space `d`.
Vec3 rgbColorToXyz(const SpaceDescriptor &d, const Color &c) {
  Vec3 rgb = widen(c);
  if (d.family == famRgbEncoded) {
    for (double &channel : rgb) channel = eotfOf(d.transfer, d.gamma, channel);
  }
  return rgbToXyz(d, rgb);
}

// toXYZ of a colour of the registered space `d`.
Result<Vec3> toXyzIn(const SpaceDescriptor &d, const Color &c) {
  if (isRgbFamily(d)) return ok(rgbColorToXyz(d, c));
  return analyticToXyz(d, c);
}

// fromXYZ into the registered space `d`.
Result<Color> fromXyzInto(const SpaceDescriptor &d, const Vec3 &xyz) {
  const bool encoded = d.family == famRgbEncoded;
  if (encoded || d.family == famRgbLinear) {
    Vec3 rgb = xyzToRgb(d, xyz);
    if (encoded) {
      for (double &channel : rgb) channel = oetfOf(d.transfer, d.gamma, channel);
    }
    return colorOf(d.tag, rgb, 1.0f);
  }
  const Result<Vec3> components = analyticFromXyz(d, xyz);
  if (!components.isOk()) return Result<Color>::err(components);
  return colorOf(d.tag, components.value(), 1.0f);
}

// A conversion's result carrying `alpha`. fromXYZ validated the
// components; only the alpha is new, and a valid one needs no second pass
// through `color`.
Result<Color> withAlpha(const Result<Color> &converted, float alpha) {
  if (!converted.isOk()) return converted;
  const Color &r = converted.value();
  if (alpha >= 0.0f && alpha <= 1.0f) {
    Color result = r;
    result.alpha = alpha;
    return ok(result);
  }
  return color(r.space, r.comps[0], r.comps[1], r.comps[2], alpha);
}

}  // namespace

const SpaceDescriptor *plainOklabRoutes() {
  const SpaceDescriptor *oklab = findSpace(stOklab);
  const SpaceDescriptor *oklch = findSpace(stOklch);
  if (oklab == nullptr || oklab->family != famOklab || oklch == nullptr ||
      oklch->family != famOklch) {
    return nullptr;
  }
  return privateDescriptor(hubDescriptors().srgbLinear);
}

float saturatedFloat32(double value) {
  // Round to nearest: halfway past FLT_MAX (2^103 above it) rounds up.
  const double overflowThreshold = static_cast<double>(FLT_MAX) + std::ldexp(1.0, 103);
  const float magnitude = std::fabs(value) >= overflowThreshold ? INFINITY : FLT_MAX;
  return value < 0 ? -magnitude : magnitude;
}

Result<Color> colorOf(SpaceTag space, const Vec3 &components, float alpha) {
  return color(space, toFloat32(components[0]), toFloat32(components[1]), toFloat32(components[2]),
               alpha);
}

bool isShortPathPair(SpaceTag source, SpaceTag target) {
  const auto from = static_cast<std::uint32_t>(source), into = static_cast<std::uint32_t>(target);
  return from < kShortPathPartners.size() && into < kShortPathPartners.size() &&
         (kShortPathPartners[from] & tagBit(target)) != 0;
}

Result<Color> shortPath(const Color &c, SpaceTag target) {
  const SpaceTag source = c.space;
  const Vec3 v = widen(c);
  if (!isShortPathPair(source, target)) {
    return Result<Color>::err(colorError(ErrorKind::InvalidOp, "not a short-path pair",
                                         toString(source) + " -> " + toString(target)));
  }
  Vec3 result{};
  if (source == stSrgb) {
    for (int i = 0; i < 3; ++i) result[i] = eotfOf(tfSrgb, 0.0, v[i]);
  } else if (source == stSrgbLinear) {
    for (int i = 0; i < 3; ++i) result[i] = oetfOf(tfSrgb, 0.0, v[i]);
  } else if (source == stLab || source == stOklab) {
    result = opponentToPolar(v);
  } else if (source == stLch || source == stOklch) {
    result = polarToOpponent(v);
  } else if (isCylindrical(source)) {
    // The intermediate sRGB values stay float64: no "srgb" colour is built.
    result = rgbToCylindrical(target, cylindricalToRgb(source, v));
  }
  return colorOf(target, result, c.alpha);
}

Result<Vec3> toXYZ(const Color &c) {
  const SpaceDescriptor *d = findSpace(c.space);
  if (d == nullptr) return notRegistered<Vec3>("space not registered", c.space);
  return toXyzIn(*d, c);
}

Result<Color> fromXYZ(const Vec3 &xyz, SpaceTag target) {
  const SpaceDescriptor *d = findSpace(target);
  if (d == nullptr) return notRegistered<Color>("target space not registered", target);
  return fromXyzInto(*d, xyz);
}

std::optional<Color> quickToOklch(const Color &c, const SpaceDescriptor &linear) {
  // `to` carries a valid alpha as it is and refuses any other.
  if (!(c.alpha >= 0.0f && c.alpha <= 1.0f)) return std::nullopt;
  const SpaceDescriptor *d = findSpace(c.space);
  if (d == nullptr) return std::nullopt;
  Vec3 polar;
  if (isShortPathPair(c.space, stOklch)) {
    polar = opponentToPolar(widen(c));  // OKLab's own short step
  } else {
    // toXYZ, then fromXYZ into OKLCH, as `to` takes them.
    Vec3 xyz;
    if (isRgbFamily(*d)) {
      xyz = rgbColorToXyz(*d, c);
    } else if (d->family == famOklch) {
      // The "oklab" colour the route builds, rounded to float32.
      const Vec3 lab = reducedPolarToOpponent(widen(c));
      Color rounded;
      for (int i = 0; i < 3; ++i) rounded.comps[i] = toFloat32(lab[i]);
      if (!std::isfinite(rounded.comps[0]) || !std::isfinite(rounded.comps[1]) ||
          !std::isfinite(rounded.comps[2])) {
        return std::nullopt;
      }
      xyz = apply3(linear.toXyz, oklabToLinearSrgb(widen(rounded)));
    } else {
      return std::nullopt;
    }
    polar = opponentToPolar(linearSrgbToOklab(apply3(linear.fromXyz, xyz)));
  }
  Color result;
  for (int i = 0; i < 3; ++i) result.comps[i] = toFloat32(polar[i]);
  if (!std::isfinite(result.comps[0]) || !std::isfinite(result.comps[1]) ||
      !std::isfinite(result.comps[2])) {
    return std::nullopt;
  }
  result.alpha = c.alpha;
  result.space = stOklch;
  return result;
}

Result<Color> to(const Color &c, SpaceTag target) {
  if (isShortPathPair(c.space, target)) return shortPath(c, target);
  const Result<Vec3> xyz = toXYZ(c);
  if (!xyz.isOk()) return Result<Color>::err(xyz);
  return withAlpha(fromXYZ(xyz.value(), target), c.alpha);
}

std::optional<Route> Route::between(SpaceTag source, SpaceTag target) {
  const SpaceDescriptor *from = findSpace(source);
  const SpaceDescriptor *into = findSpace(target);
  if (from == nullptr || into == nullptr) return std::nullopt;
  return Route(*from, *into, isShortPathPair(source, target));
}

Result<Color> Route::operator()(const Color &c) const {
  if (c.space != source_->tag) return to(c, target_->tag);
  if (shortPath_) return shortPath(c, target_->tag);
  const Result<Vec3> xyz = toXyzIn(*source_, c);
  if (!xyz.isOk()) return Result<Color>::err(xyz);
  return withAlpha(fromXyzInto(*target_, xyz.value()), c.alpha);
}

void initConversionHub() {
  HubDescriptors &hub = hubDescriptors();
  hub.srgbLinear = spaceByTag(stSrgbLinear);
  hub.rec2020Linear = spaceByTag(stRec2020Linear);
  defaultViewingConditions();  // derive the CAM16 constants now, not on first use
}

void destroyConversionHub() {
  HubDescriptors &hub = hubDescriptors();
  hub.srgbLinear.reset();
  hub.rec2020Linear.reset();
}

}  // namespace zd::color
