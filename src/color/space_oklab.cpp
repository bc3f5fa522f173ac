#include "color/space_oklab.hpp"

#include <cmath>
#include <limits>

#include "color/descriptor.hpp"
#include "color/registry.hpp"
#include "color/spaces.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {

Vec3 linearSrgbToOklab(const Vec3 &rgb) {
  const Vec3 lms = apply3(oklabLms, rgb);
  return apply3(oklabM, Vec3{std::cbrt(lms[0]), std::cbrt(lms[1]), std::cbrt(lms[2])});
}

Vec3 oklabToLinearSrgb(const Vec3 &lab) {
  const Vec3 root = apply3(oklabMInv, lab);
  const Vec3 lms = {root[0] * (root[0] * root[0]), root[1] * (root[1] * root[1]),
                    root[2] * (root[2] * root[2])};
  return apply3(oklabLmsInv, lms);
}

void registerOklabSpaces() {
  constexpr double inf = std::numeric_limits<double>::infinity();
  registerSpace(makeAnalyticDescriptor("oklab", stOklab, famOklab, {"L", "a", "b"}, {0, -inf, -inf},
                                       {1, inf, inf}, true, 0.0, wpD65, true, ckOpponent,
                                       tfLinear));
  registerSpace(makeAnalyticDescriptor("oklch", stOklch, famOklch, {"L", "C", "h"}, {0, 0, 0},
                                       {1, inf, 360}, true, 0.0, wpD65, true, ckPolar, tfLinear));
}

}  // namespace zd::color
