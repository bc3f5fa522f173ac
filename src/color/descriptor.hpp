// The description of one colour space: what the registry stores and what
// the conversion hub and gamut mapping read.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "color/color.hpp"
#include "color/matrices.hpp"

namespace zd::color {

// Selects the conversion formulas of a space.
enum ColorFamily : std::uint8_t {
  famRgbEncoded = 0,
  famRgbLinear = 1,
  famXyz = 2,
  famXyy = 3,
  famLab = 4,
  famLch = 5,
  famOklab = 6,
  famOklch = 7,
  famHsv = 8,
  famHsl = 9,
  famHwb = 10,
  famCmyk = 11,
  famYcbcr = 12,
  famIctcp = 13,
  famJzazbz = 14,
  famCam16 = 15,
  famCam16Ucs = 16,
  famHct = 17,
};

// The encoding curve of an RGB space (Ictcp names its PQ curve too).
enum TransferKind : std::uint8_t {
  tfLinear = 0,
  tfSrgb = 1,
  tfGamma = 2,
  tfProPhoto = 3,
  tfRec2020 = 4,
  tfPq = 5,
  tfReserved = 6,
};

// Where a space keeps chroma: nowhere, in its second component, or as the
// length of its second and third components.
enum ChromaKind : std::uint8_t { ckNone = 0, ckPolar = 1, ckOpponent = 2 };

// The identifier itself ("famCmyk", ...); the hub's "not implemented"
// errors carry it as context.
std::string toString(ColorFamily family);

struct SpaceDescriptor {
  std::string name;
  SpaceTag tag = stUnknown;
  ColorFamily family = famRgbEncoded;
  std::int64_t componentCount = 3;
  std::array<std::string, 4> componentNames;
  std::array<double, 4> rangeMin{};
  std::array<double, 4> rangeMax{};
  bool unbounded = false;  // some component has an infinite bound
  Vec3 white{};            // XYZ of the reference white, Y = 1
  TransferKind transfer = tfLinear;
  double gamma = 0;           // exponent of tfGamma; informational elsewhere
  Mat3 toXyz = kIdentity3;    // linear RGB to XYZ relative to `white`
  Mat3 fromXyz = kIdentity3;  // its inverse
  bool gamutMappable = false;
  ChromaKind chromaKind = ckNone;
};

// An RGB space: three components, [0, 1] ranges when encoded and unbounded
// when linear, fromXyz the inverse of toXyz. Raises Error("RGB primaries
// matrix must be invertible") for a singular or non-finite matrix.
SpaceDescriptor makeRgbDescriptor(const std::string &name, SpaceTag tag, ColorFamily family,
                                  const Vec3 &white, TransferKind transfer, const Mat3 &toXyz,
                                  bool gamutMappable, double gamma,
                                  const std::array<std::string, 3> &componentNames);

// A space with its own formulas and three components; matrices are the identity.
SpaceDescriptor makeAnalyticDescriptor(const std::string &name, SpaceTag tag, ColorFamily family,
                                       const std::array<std::string, 3> &componentNames,
                                       const Vec3 &rangeMin, const Vec3 &rangeMax, bool unbounded,
                                       double gamma, const Vec3 &white, bool gamutMappable,
                                       ChromaKind chromaKind, TransferKind transfer);

// The same with four components (CMYK). The names must be a
// std::array of four: a braced list always picks the three-component form.
SpaceDescriptor makeFourComponentDescriptor(const std::string &name, SpaceTag tag,
                                            ColorFamily family,
                                            const std::array<std::string, 4> &componentNames,
                                            const std::array<double, 4> &rangeMin,
                                            const std::array<double, 4> &rangeMax, bool unbounded,
                                            double gamma, const Vec3 &white, bool gamutMappable,
                                            ChromaKind chromaKind, TransferKind transfer);

template <std::size_t N>
requires(N == 4) SpaceDescriptor
    makeAnalyticDescriptor(const std::string &name, SpaceTag tag, ColorFamily family,
                           const std::array<std::string, N> &componentNames,
                           const std::array<double, 4> &rangeMin,
                           const std::array<double, 4> &rangeMax, bool unbounded, double gamma,
                           const Vec3 &white, bool gamutMappable, ChromaKind chromaKind,
                           TransferKind transfer) {
  return makeFourComponentDescriptor(name, tag, family, componentNames, rangeMin, rangeMax,
                                     unbounded, gamma, white, gamutMappable, chromaKind, transfer);
}

}  // namespace zd::color
