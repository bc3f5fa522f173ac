#include "color/descriptor.hpp"

#include <limits>

namespace zd::color {

namespace {
const char *const kFamilyNames[] = {
    "famRgbEncoded", "famRgbLinear", "famXyz",    "famXyy",   "famLab",      "famLch",
    "famOklab",      "famOklch",     "famHsv",    "famHsl",   "famHwb",      "famCmyk",
    "famYcbcr",      "famIctcp",     "famJzazbz", "famCam16", "famCam16Ucs", "famHct"};
}  // namespace

std::string toString(ColorFamily family) {
  const auto ordinal = static_cast<std::size_t>(family);
  return ordinal < std::size(kFamilyNames) ? kFamilyNames[ordinal] : "";
}

SpaceDescriptor makeRgbDescriptor(const std::string &name, SpaceTag tag, ColorFamily family,
                                  const Vec3 &white, TransferKind transfer, const Mat3 &toXyz,
                                  bool gamutMappable, double gamma,
                                  const std::array<std::string, 3> &componentNames) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  const bool encoded = family == famRgbEncoded;
  SpaceDescriptor d;
  d.name = name;
  d.tag = tag;
  d.family = family;
  d.componentCount = 3;
  d.componentNames = {componentNames[0], componentNames[1], componentNames[2], ""};
  for (int i = 0; i < 3; ++i) {
    d.rangeMin[i] = encoded ? 0.0 : -inf;
    d.rangeMax[i] = encoded ? 1.0 : inf;
  }
  d.unbounded = !encoded;
  d.white = white;
  d.transfer = transfer;
  d.gamma = gamma;
  d.toXyz = toXyz;
  d.fromXyz = expect(inverse3(toXyz), "RGB primaries matrix must be invertible");
  d.gamutMappable = gamutMappable;
  d.chromaKind = ckNone;
  return d;
}

SpaceDescriptor makeAnalyticDescriptor(const std::string &name, SpaceTag tag, ColorFamily family,
                                       const std::array<std::string, 3> &componentNames,
                                       const Vec3 &rangeMin, const Vec3 &rangeMax, bool unbounded,
                                       double gamma, const Vec3 &white, bool gamutMappable,
                                       ChromaKind chromaKind, TransferKind transfer) {
  SpaceDescriptor d = makeFourComponentDescriptor(
      name, tag, family, {componentNames[0], componentNames[1], componentNames[2], ""},
      {rangeMin[0], rangeMin[1], rangeMin[2], 0.0}, {rangeMax[0], rangeMax[1], rangeMax[2], 0.0},
      unbounded, gamma, white, gamutMappable, chromaKind, transfer);
  d.componentCount = 3;
  return d;
}

SpaceDescriptor makeFourComponentDescriptor(const std::string &name, SpaceTag tag,
                                            ColorFamily family,
                                            const std::array<std::string, 4> &componentNames,
                                            const std::array<double, 4> &rangeMin,
                                            const std::array<double, 4> &rangeMax, bool unbounded,
                                            double gamma, const Vec3 &white, bool gamutMappable,
                                            ChromaKind chromaKind, TransferKind transfer) {
  SpaceDescriptor d;
  d.name = name;
  d.tag = tag;
  d.family = family;
  d.componentCount = 4;
  d.componentNames = componentNames;
  d.rangeMin = rangeMin;
  d.rangeMax = rangeMax;
  d.unbounded = unbounded;
  d.white = white;
  d.transfer = transfer;
  d.gamma = gamma;
  d.toXyz = kIdentity3;
  d.fromXyz = kIdentity3;
  d.gamutMappable = gamutMappable;
  d.chromaKind = chromaKind;
  return d;
}

}  // namespace zd::color
