#include "color/whitepoint.hpp"

namespace zd::color {

bool sameWhite(const Vec3 &a, const Vec3 &b) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

Mat3 bradfordMatrix(const Vec3 &src, const Vec3 &dst) {
  const Vec3 s = apply3(bradfordM, src);
  const Vec3 d = apply3(bradfordM, dst);
  const Mat3 scale = {d[0] / s[0], 0, 0, 0, d[1] / s[1], 0, 0, 0, d[2] / s[2]};
  return mul3(bradfordMInv, mul3(scale, bradfordM));
}

Vec3 adapt(const Vec3 &xyz, const Vec3 &src, const Vec3 &dst) {
  return apply3(bradfordMatrix(src, dst), xyz);
}

}  // namespace zd::color
