// The CIE spaces: XYZ, xyY, and CIELAB / CIELCh relative to D50. Every XYZ
// triple here is relative to D65 with Y = 1 for the white.
#pragma once

#include "color/matrices.hpp"

namespace zd::color {

// X = Y·x/y, Z = Y·(1 − x − y)/y. InvalidColor "xyY with y=0 is undefined"
// (context "xyyToXYZ") when |y| < 1e-9.
Result<Vec3> xyyToXyz(const Vec3 &xyy);

// (X/s, Y/s, Y) with s = X + Y + Z. InvalidColor "XYZ sum=0 -> xyY
// undefined" (context "xyzToXyy") when |s| < 1e-9.
Result<Vec3> xyzToXyy(const Vec3 &xyz);

// CIELAB (D50) to XYZ, adapted to D65 with Bradford.
Vec3 labToXyz(const Vec3 &lab);

// XYZ adapted to D50 with Bradford, then CIELAB.
Vec3 xyzToLab(const Vec3 &xyz);

// The CIELAB lightness function f (cube root above (6/29)³, linear below).
double labF(double t);

}  // namespace zd::color
