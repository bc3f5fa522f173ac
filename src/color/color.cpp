#include "color/color.hpp"

#include <cmath>

namespace zd::color {

namespace {
// clang-format off
const char *const kSpaceNames[] = {
    "unknown",    "srgb",  "srgb-linear", "p3",    "p3-linear", "rec2020",  "rec2020-linear",
    "a98",        "a98-linear", "prophoto", "prophoto-linear", "xyz", "xyy", "lab",
    "lch",        "oklab", "oklch",       "hsv",   "hsl",       "hwb",      "cmyk",
    "ycbcr",      "ictcp", "jzazbz",      "cam16", "cam16-ucs", "hct"};
// clang-format on

const char *const kErrorKindNames[] = {
    "InvalidColor",    "UnknownSpace",     "UnknownMetric", "UnknownCvdModel", "UnknownExporter",
    "UnknownImporter", "UnknownAlgorithm", "UnknownFormat", "Unsatisfiable",   "UnresolvedRole",
    "InvalidOp",       "ImportFailed",     "InvalidImage",  "EmptySource",     "NumericalError"};
}  // namespace

std::string spaceName(SpaceTag tag) { return spaceNameText(tag); }

const char *spaceNameText(SpaceTag tag) {
  if (tag >= 0 && tag <= stHct) return kSpaceNames[tag];
  if (tag >= 1000) return "user";
  return "unknown";
}

std::string toString(SpaceTag tag) { return "SpaceTag(" + std::to_string(tag) + ")"; }

std::string toString(ErrorKind kind) {
  const auto ordinal = static_cast<std::size_t>(kind);
  return ordinal < std::size(kErrorKindNames) ? kErrorKindNames[ordinal] : "";
}

std::string toString(ResultKind kind) { return kind == rkOk ? "rkOk" : "rkErr"; }

std::uint8_t defaultSeverity(ErrorKind kind) {
  return (kind == ErrorKind::ImportFailed || kind == ErrorKind::NumericalError) ? 3 : 2;
}

ColorError colorError(ErrorKind kind, std::string message, std::string context,
                      std::uint8_t severity) {
  return ColorError{kind, std::move(message), std::move(context), severity};
}

ColorError colorError(ErrorKind kind, std::string message, std::string context) {
  return colorError(kind, std::move(message), std::move(context), defaultSeverity(kind));
}

bool operator==(const Color &a, const Color &b) {
  return a.space == b.space && a.comps[0] == b.comps[0] && a.comps[1] == b.comps[1] &&
         a.comps[2] == b.comps[2] && a.alpha == b.alpha;
}

Result<Color> color(SpaceTag space, float c1, float c2, float c3, float alpha) {
  if (space == stUnknown) {
    return Result<Color>::err(colorError(ErrorKind::InvalidColor, "color requires a known space"));
  }
  if (std::isnan(alpha) || alpha > 1.0f || alpha < 0.0f || std::isinf(alpha)) {
    return Result<Color>::err(colorError(ErrorKind::InvalidColor, "alpha out of [0,1]"));
  }
  if (!std::isfinite(c1) || !std::isfinite(c2) || !std::isfinite(c3)) {
    return Result<Color>::err(colorError(ErrorKind::InvalidColor, "component NaN/Inf at bounds"));
  }
  Color result;
  result.comps[0] = c1;
  result.comps[1] = c2;
  result.comps[2] = c3;
  result.alpha = alpha;
  result.space = space;
  return ok(result);
}

}  // namespace zd::color
