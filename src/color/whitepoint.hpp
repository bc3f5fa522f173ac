// Reference whites and Bradford chromatic adaptation.
#pragma once

#include "color/matrices.hpp"

namespace zd::color {

// XYZ of the reference whites, Y = 1.
inline constexpr Vec3 wpD65 = {0.95047, 1.0, 1.08883};
inline constexpr Vec3 wpD50 = {0.964296, 1.0, 0.825105};

// XYZ to cone responses, and the stored inverse (not recomputed: the
// published rounded inverse is part of every adapted result).
inline constexpr Mat3 bradfordM = {0.8951, 0.2664, -0.1614, -0.7502, 1.7135,
                                   0.0367, 0.0389, -0.0685, 1.0296};
inline constexpr Mat3 bradfordMInv = {0.9869929, -0.1470543, 0.1599627, 0.4323053, 0.5183603,
                                      0.0492922, -0.0085287, 0.0400428, 0.9684867};

// True when the two whites are the same three numbers exactly.
bool sameWhite(const Vec3 &a, const Vec3 &b);

// The Bradford matrix taking XYZ relative to `src` to XYZ relative to `dst`:
// bradfordMInv · (D · bradfordM), D the ratio of the cone responses.
Mat3 bradfordMatrix(const Vec3 &src, const Vec3 &dst);

// bradfordMatrix(src, dst) · xyz.
Vec3 adapt(const Vec3 &xyz, const Vec3 &src, const Vec3 &dst);

}  // namespace zd::color
