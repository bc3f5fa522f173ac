// HSV, HSL and HWB: cylindrical forms of sRGB values (hue in degrees, the
// other two components in [0, 1] for in-gamut colours). All float64.
#pragma once

#include "color/matrices.hpp"

namespace zd::color {

// Hues outside [0, 360) are wrapped into it first.
Vec3 hsvToRgb(const Vec3 &hsv);
Vec3 hslToRgb(const Vec3 &hsl);
Vec3 hwbToRgb(const Vec3 &hwb);

// A grey (max − min below 1e-9) has hue 0.
Vec3 rgbToHsv(const Vec3 &rgb);
Vec3 rgbToHsl(const Vec3 &rgb);
Vec3 rgbToHwb(const Vec3 &rgb);

}  // namespace zd::color
