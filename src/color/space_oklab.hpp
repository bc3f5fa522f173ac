// OKLab and OKLCH: the perceptual space gamut mapping works in. Its
// matrices are stored constants, the two inverses included.
#pragma once

#include "color/matrices.hpp"

namespace zd::color {

// Linear sRGB to LMS.
inline constexpr Mat3 oklabLms = {0.4122214708, 0.5363325363, 0.0514459929,
                                  0.2119034982, 0.6806995451, 0.1073969566,
                                  0.088302461,  0.2817188376, 0.6299787005};
// Cube-rooted LMS to L, a, b.
inline constexpr Mat3 oklabM = {0.2104542553, 0.793617786,  -0.0040720468,
                                1.9779984951, -2.428592205, 0.4505937099,
                                0.0259040371, 0.7827717662, -0.808675766};
// L, a, b to cube-rooted LMS.
inline constexpr Mat3 oklabMInv = {0.9999999974505199, 0.3963377922793292,   0.21580375812461297,
                                   1.0000000078817608, -0.105561342218095,   -0.06385417470785172,
                                   1.000000053672411,  -0.08948418198940442, -1.2914855378002377};
// LMS to linear sRGB.
inline constexpr Mat3 oklabLmsInv = {
    4.076741662195438,     -3.307711591095777,  0.23096992877744024,
    -1.2684380053445001,   2.6097574016794587,  -0.34131939638117054,
    -0.004196080276483427, -0.7034186195429166, 1.7076147012859113};

// Linear sRGB to OKLab (real cube roots: negative LMS gives negative roots).
Vec3 linearSrgbToOklab(const Vec3 &rgb);

// OKLab to linear sRGB (cubes formed as x·(x·x)).
Vec3 oklabToLinearSrgb(const Vec3 &lab);

}  // namespace zd::color
