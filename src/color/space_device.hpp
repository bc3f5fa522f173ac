// Device and video encodings of sRGB values: full-range YCbCr with the
// BT.709 luma weights, and device CMYK without a profile.
#pragma once

#include <array>

#include "color/matrices.hpp"

namespace zd::color {

// Y = 0.2126·R + 0.7152·G + 0.0722·B, Cb = (B − Y)/1.8556, Cr = (R − Y)/1.5748.
Vec3 rgbToYcbcr(const Vec3 &rgb);
Vec3 ycbcrToRgb(const Vec3 &ycbcr);

// Cyan, magenta, yellow and black ink amounts.
using Cmyk = std::array<double, 4>;

// The naive device CMYK of an uncalibrated printer: each channel is
// 1 − min(1, ink·(1 − K) + K). Nothing else is clamped.
Vec3 cmykToRgb(const Cmyk &cmyk);

// The inverse: K = 1 − max(R, G, B), each ink (1 − channel − K)/(1 − K),
// and no ink but black when K is exactly 1. sRGB values inside [0, 1] give
// inks inside [0, 1]; the conversion hub has no route through CMYK, so the
// host-colour conversions go through sRGB with these formulas.
Cmyk rgbToCmyk(const Vec3 &rgb);

}  // namespace zd::color
