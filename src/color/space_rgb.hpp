// The RGB spaces: primaries matrices (linear RGB to XYZ relative to the
// space's own white).
#pragma once

#include "color/matrices.hpp"

namespace zd::color {

inline constexpr Mat3 srgbToXyz = {0.4124564, 0.3575761, 0.1804375, 0.2126729, 0.7151522,
                                   0.072175,  0.0193339, 0.119192,  0.9503041};
// Display P3.
inline constexpr Mat3 p3ToXyz = {0.4865709, 0.2656677, 0.1982173, 0.2289746, 0.6917385,
                                 0.0792869, 0.0,       0.0451134, 1.0439444};
// Rec. 2020.
inline constexpr Mat3 rec2020ToXyz = {0.636958,  0.1446169, 0.168881,  0.2627002, 0.6779981,
                                      0.0593017, 0.0,       0.0280727, 1.0609253};
// Adobe RGB (1998).
inline constexpr Mat3 a98ToXyz = {0.5766691, 0.1855582, 0.1882286, 0.2973439, 0.6273539,
                                  0.0752913, 0.0270312, 0.0706872, 0.9913374};
// ProPhoto RGB, relative to D50.
inline constexpr Mat3 proPhotoToXyz = {0.7976742, 0.1351916, 0.0316382, 0.2880402, 0.7118741,
                                       0.0000922, 0.0,       0.0,       0.82521};

}  // namespace zd::color
