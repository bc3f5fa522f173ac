#include "color/space_device.hpp"

#include <algorithm>

#include "color/descriptor.hpp"
#include "color/registry.hpp"
#include "color/spaces.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {

Vec3 rgbToYcbcr(const Vec3 &rgb) {
  const double luma = 0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2];
  return {luma, (rgb[2] - luma) / 1.8556, (rgb[0] - luma) / 1.5748};
}

Vec3 ycbcrToRgb(const Vec3 &ycbcr) {
  const double luma = ycbcr[0];
  const double red = luma + 1.5748 * ycbcr[2];
  const double blue = luma + 1.8556 * ycbcr[1];
  const double green = (luma - 0.2126 * red - 0.0722 * blue) / 0.7152;
  return {red, green, blue};
}

Vec3 cmykToRgb(const Cmyk &cmyk) {
  const double black = cmyk[3];
  Vec3 rgb{};
  for (int i = 0; i < 3; ++i) rgb[i] = 1.0 - std::min(1.0, cmyk[i] * (1.0 - black) + black);
  return rgb;
}

Cmyk rgbToCmyk(const Vec3 &rgb) {
  const double black = 1.0 - std::max({rgb[0], rgb[1], rgb[2]});
  if (black == 1.0) return {0.0, 0.0, 0.0, 1.0};
  Cmyk cmyk{0.0, 0.0, 0.0, black};
  for (int i = 0; i < 3; ++i) cmyk[i] = (1.0 - rgb[i] - black) / (1.0 - black);
  return cmyk;
}

void registerCmykSpace() {
  // Four components. The hub has no route through it (the host colours
  // convert it through sRGB), so it is not a mapping target of the hub.
  registerSpace(makeAnalyticDescriptor(
      "cmyk", stCmyk, famCmyk, std::array<std::string, 4>{"C", "M", "Y", "K"},
      std::array<double, 4>{0, 0, 0, 0}, std::array<double, 4>{1, 1, 1, 1}, false, 0.0, wpD65,
      false, ckNone, tfLinear));
}

void registerYcbcrSpace() {
  registerSpace(makeAnalyticDescriptor("ycbcr", stYcbcr, famYcbcr, {"Y", "Cb", "Cr"},
                                       {0, -0.5, -0.5}, {1, 0.5, 0.5}, false, 0.0, wpD65, true,
                                       ckOpponent, tfLinear));
}

}  // namespace zd::color
