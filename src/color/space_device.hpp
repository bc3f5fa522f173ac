// Device and video encodings of sRGB values: full-range YCbCr with the
// BT.709 luma weights, and the registered (but not convertible) CMYK.
#pragma once

#include "color/matrices.hpp"

namespace zd::color {

// Y = 0.2126·R + 0.7152·G + 0.0722·B, Cb = (B − Y)/1.8556, Cr = (R − Y)/1.5748.
Vec3 rgbToYcbcr(const Vec3 &rgb);
Vec3 ycbcrToRgb(const Vec3 &ycbcr);

}  // namespace zd::color
