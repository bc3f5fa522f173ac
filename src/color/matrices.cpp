#include "color/matrices.hpp"

#include <cmath>

namespace zd::color {

double det3(const Mat3 &m) {
  return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
         m[2] * (m[3] * m[7] - m[4] * m[6]);
}

Result<Mat3> inverse3(const Mat3 &m) {
  for (double entry : m) {
    if (!std::isfinite(entry)) {
      return Result<Mat3>::err(
          colorError(ErrorKind::NumericalError, "inverse3: non-finite entry", "matrices"));
    }
  }
  const double det = det3(m);
  if (std::isnan(det) || std::fabs(det) < 1e-9) {
    return Result<Mat3>::err(
        colorError(ErrorKind::NumericalError, "inverse3: singular matrix", "matrices"));
  }
  const double r = 1.0 / det;
  // Transposed cofactors, each scaled by one product with 1/det.
  return ok(Mat3{(m[4] * m[8] - m[5] * m[7]) * r, (m[2] * m[7] - m[1] * m[8]) * r,
                 (m[1] * m[5] - m[2] * m[4]) * r, (m[5] * m[6] - m[3] * m[8]) * r,
                 (m[0] * m[8] - m[2] * m[6]) * r, (m[2] * m[3] - m[0] * m[5]) * r,
                 (m[3] * m[7] - m[4] * m[6]) * r, (m[1] * m[6] - m[0] * m[7]) * r,
                 (m[0] * m[4] - m[1] * m[3]) * r});
}

Mat3 mul3(const Mat3 &a, const Mat3 &b) {
  Mat3 product{};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      product[3 * row + col] =
          (a[3 * row] * b[col] + a[3 * row + 1] * b[3 + col]) + a[3 * row + 2] * b[6 + col];
    }
  }
  return product;
}

}  // namespace zd::color
