#include "color/space_cie.hpp"

#include <cmath>
#include <limits>

#include "color/descriptor.hpp"
#include "color/registry.hpp"
#include "color/spaces.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {

namespace {

constexpr double kDelta = 6.0 / 29.0;

double labFInverse(double t) {
  return t > kDelta ? t * t * t : 3.0 * kDelta * kDelta * (t - 4.0 / 29.0);
}

}  // namespace

Result<Vec3> xyyToXyz(const Vec3 &xyy) {
  const double x = xyy[0], y = xyy[1], luminance = xyy[2];
  if (std::fabs(y) < 1e-9) {
    return Result<Vec3>::err(
        colorError(ErrorKind::InvalidColor, "xyY with y=0 is undefined", "xyyToXYZ"));
  }
  return ok(Vec3{luminance * x / y, luminance, luminance * (1.0 - x - y) / y});
}

Result<Vec3> xyzToXyy(const Vec3 &xyz) {
  const double sum = xyz[0] + xyz[1] + xyz[2];
  if (std::fabs(sum) < 1e-9) {
    return Result<Vec3>::err(
        colorError(ErrorKind::InvalidColor, "XYZ sum=0 -> xyY undefined", "xyzToXyy"));
  }
  return ok(Vec3{xyz[0] / sum, xyz[1] / sum, xyz[1]});
}

double labF(double t) {
  return t > 0.008856451679035631 ? std::cbrt(t) : 7.787037037037036 * t + 0.13793103448275862;
}

Vec3 labToXyz(const Vec3 &lab) {
  const double fy = (lab[0] + 16.0) / 116.0;
  const double fx = fy + lab[1] / 500.0;
  const double fz = fy - lab[2] / 200.0;
  const Vec3 xyzD50 = {labFInverse(fx) * wpD50[0], labFInverse(fy), labFInverse(fz) * wpD50[2]};
  return apply3(bradfordMatrix(wpD50, wpD65), xyzD50);
}

Vec3 xyzToLab(const Vec3 &xyz) {
  const Vec3 xyzD50 = apply3(bradfordMatrix(wpD65, wpD50), xyz);
  const double fx = labF(xyzD50[0] / wpD50[0]);
  const double fy = labF(xyzD50[1]);
  const double fz = labF(xyzD50[2] / wpD50[2]);
  return Vec3{116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

void registerCieSpaces() {
  constexpr double inf = std::numeric_limits<double>::infinity();
  registerSpace(makeAnalyticDescriptor("xyz", stXyz, famXyz, {"X", "Y", "Z"}, {-inf, -inf, -inf},
                                       {inf, inf, inf}, true, 0.0, wpD65, true, ckNone, tfLinear));
  registerSpace(makeAnalyticDescriptor("xyy", stXyy, famXyy, {"x", "y", "Y"}, {0, 0, 0},
                                       {1, 1, inf}, true, 0.0, wpD65, true, ckNone, tfLinear));
  registerSpace(makeAnalyticDescriptor("lab", stLab, famLab, {"L", "a", "b"}, {0, -inf, -inf},
                                       {100, inf, inf}, true, 0.0, wpD50, true, ckOpponent,
                                       tfLinear));
  registerSpace(makeAnalyticDescriptor("lch", stLch, famLch, {"L", "C", "h"}, {0, 0, 0},
                                       {100, inf, 360}, true, 0.0, wpD50, true, ckPolar, tfLinear));
}

}  // namespace zd::color
