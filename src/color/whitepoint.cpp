#include "color/whitepoint.hpp"

namespace zd::color {

namespace {

Mat3 computeBradford(const Vec3 &src, const Vec3 &dst) {
  const Vec3 s = apply3(bradfordM, src);
  const Vec3 d = apply3(bradfordM, dst);
  const Mat3 scale = {d[0] / s[0], 0, 0, 0, d[1] / s[1], 0, 0, 0, d[2] / s[2]};
  return mul3(bradfordMInv, mul3(scale, bradfordM));
}

// The adaptations between the registry's two whites, which every D50 space
// takes on each conversion, computed once (the same arithmetic, so the same
// bits); nil for any other pair.
const Mat3 *knownAdaptation(const Vec3 &src, const Vec3 &dst) {
  if (sameWhite(src, wpD50) && sameWhite(dst, wpD65)) {
    static const Mat3 d50ToD65 = computeBradford(wpD50, wpD65);
    return &d50ToD65;
  }
  if (sameWhite(src, wpD65) && sameWhite(dst, wpD50)) {
    static const Mat3 d65ToD50 = computeBradford(wpD65, wpD50);
    return &d65ToD50;
  }
  return nullptr;
}

}  // namespace

bool sameWhite(const Vec3 &a, const Vec3 &b) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

Mat3 bradfordMatrix(const Vec3 &src, const Vec3 &dst) {
  const Mat3 *known = knownAdaptation(src, dst);
  return known != nullptr ? *known : computeBradford(src, dst);
}

Vec3 adapt(const Vec3 &xyz, const Vec3 &src, const Vec3 &dst) {
  const Mat3 *known = knownAdaptation(src, dst);
  return apply3(known != nullptr ? *known : computeBradford(src, dst), xyz);
}

}  // namespace zd::color
