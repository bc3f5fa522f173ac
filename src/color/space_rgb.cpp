#include "color/space_rgb.hpp"

#include "color/descriptor.hpp"
#include "color/registry.hpp"
#include "color/spaces.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {

namespace {

// Registers the encoded space and its linear twin, which shares the matrix.
void registerRgbPair(const char *name, SpaceTag tag, const char *linearName, SpaceTag linearTag,
                     const Vec3 &white, TransferKind transfer, double gamma, const Mat3 &toXyz) {
  registerSpace(makeRgbDescriptor(name, tag, famRgbEncoded, white, transfer, toXyz, true, gamma,
                                  {"r", "g", "b"}));
  registerSpace(makeRgbDescriptor(linearName, linearTag, famRgbLinear, white, tfLinear, toXyz, true,
                                  0.0, {"r", "g", "b"}));
}

}  // namespace

void registerSrgbSpaces() {
  registerRgbPair("srgb", stSrgb, "srgb-linear", stSrgbLinear, wpD65, tfSrgb, 0.0, srgbToXyz);
}

void registerWideRgbSpaces() {
  registerRgbPair("p3", stP3, "p3-linear", stP3Linear, wpD65, tfSrgb, 0.0, p3ToXyz);
  registerRgbPair("rec2020", stRec2020, "rec2020-linear", stRec2020Linear, wpD65, tfRec2020, 0.0,
                  rec2020ToXyz);
  registerRgbPair("a98", stA98, "a98-linear", stA98Linear, wpD65, tfGamma, 2.2, a98ToXyz);
  // The ProPhoto gamma is informational: its curve has a linear toe.
  registerRgbPair("prophoto", stProphoto, "prophoto-linear", stProphotoLinear, wpD50, tfProPhoto,
                  1.8, proPhotoToXyz);
}

}  // namespace zd::color
