// CAM16 (Li et al. 2017), its uniform space CAM16-UCS, and HCT (hue and
// chroma of CAM16 with CIELAB lightness as tone).
//
// The model works on XYZ scaled so that the white has Y = 100.
#pragma once

#include "color/matrices.hpp"

namespace zd::color {

// Viewing conditions with every quantity derived from them.
struct ViewingConditions {
  Vec3 white{};                  // XYZ of the adopted white, Y = 100
  double adaptingLuminance = 0;  // L_A in cd/m²
  double backgroundY = 0;        // Y_b, relative to the white's 100
  double surround = 1;           // F
  double c = 0.69;
  double nc = 1;
  // Derived.
  double n = 0, z = 0, nbb = 0, ncb = 0, fl = 0, flRoot = 0, aw = 0;
  Vec3 rgbD{};  // degree-of-adaptation factors per cone channel
};

// Derives the model constants. discountIlluminant forces full adaptation (D = 1).
ViewingConditions makeViewingConditions(const Vec3 &white, double adaptingLuminance,
                                        double backgroundY, double surround, double c, double nc,
                                        bool discountIlluminant);

// The library's conditions: D65 white, average surround, a mid-grey
// background (L* = 50) and an adapting luminance of 200/π cd/m² times that
// background's relative luminance, without discounting the illuminant.
const ViewingConditions &defaultViewingConditions();

// CAM16 correlates.
struct Cam16 {
  double j = 0;  // lightness
  double c = 0;  // chroma
  double h = 0;  // hue angle in degrees, [0, 360)
  double m = 0;  // colourfulness
  double s = 0;  // saturation
  double q = 0;  // brightness
};

// XYZ (white Y = 100) to the correlates.
Cam16 cam16FromXyz(const Vec3 &xyz, const ViewingConditions &vc);

// Lightness, chroma and hue back to XYZ (white Y = 100). J = 0 or C = 0
// gives an achromatic colour.
Vec3 cam16ToXyz(double j, double c, double h, const ViewingConditions &vc);

// CAM16-UCS: J' = 1.7·J/(1 + 0.007·J), M' = ln(1 + 0.0228·M)/0.0228, and
// a' b' the polar form of (M', h).
Vec3 cam16ToUcs(const Cam16 &cam);
// J' a' b' back to lightness, chroma and hue.
Vec3 ucsToJch(const Vec3 &ucs, const ViewingConditions &vc);

// HCT of D65 XYZ (Y = 1): CAM16 hue and chroma under the default
// conditions, tone = CIELAB L* of Y.
Vec3 xyzToHct(const Vec3 &xyz);

// The D65 XYZ (Y = 1) of a hue, chroma and tone: the lightness J is solved
// so that the colour has exactly the tone's luminance. Chroma is not
// limited to any gamut.
Vec3 hctToXyz(const Vec3 &hct);

}  // namespace zd::color
