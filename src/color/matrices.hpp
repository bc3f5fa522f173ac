// 3×3 matrix helpers of the colour module: row-major float64 matrices and
// column vectors. The summation order is fixed so that every conversion
// gives the same bits on every platform.
#pragma once

#include <array>

#include "color/color.hpp"

namespace zd::color {

// Row-major: entry (row, column) is m[3 * row + column].
using Mat3 = std::array<double, 9>;
using Vec3 = std::array<double, 3>;

inline constexpr Mat3 kIdentity3 = {1, 0, 0, 0, 1, 0, 0, 0, 1};

// Determinant by expansion along the first row:
// m00·(m11·m22 − m12·m21) − m01·(m10·m22 − m12·m20) + m02·(m10·m21 − m11·m20).
double det3(const Mat3 &m);

// The inverse as adjugate times 1/det. NumericalError (context "matrices")
// for a non-finite entry or a determinant that is NaN or below 1e-9 in size.
Result<Mat3> inverse3(const Mat3 &m);

// m · v, each row summed as (m0·x + m1·y) + m2·z. Inline: every conversion
// step is one or more of these.
[[gnu::always_inline]] inline Vec3 apply3(const Mat3 &m, const Vec3 &v) {
  return Vec3{(m[0] * v[0] + m[1] * v[1]) + m[2] * v[2], (m[3] * v[0] + m[4] * v[1]) + m[5] * v[2],
              (m[6] * v[0] + m[7] * v[1]) + m[8] * v[2]};
}

// a · b, each entry summed in the same order as apply3.
Mat3 mul3(const Mat3 &a, const Mat3 &b);

}  // namespace zd::color
