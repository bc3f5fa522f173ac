#include "color/space_cylindrical.hpp"

#include <algorithm>
#include <cmath>

#include "color/descriptor.hpp"
#include "color/registry.hpp"
#include "color/spaces.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {

namespace {

// The hue in [0, 360]: fmod keeps the sign, so negative hues move up a turn.
double wrapHue(double hue) {
  double wrapped = std::fmod(hue, 360.0);
  if (wrapped < 0) wrapped += 360.0;
  return wrapped;
}

// The 60° sector of a wrapped hue, 0..5 (a hue that rounded up to 360
// is sector 0 again).
int sectorOf(double wrappedHue) {
  const double sector = std::floor(wrappedHue / 60.0);
  if (!(sector >= 0.0 && sector < 6.0)) return 0;
  return static_cast<int>(sector);
}

// Places (largest, middle, smallest) channel values by hue sector.
Vec3 bySector(int sector, double largest, double middleRising, double middleFalling,
              double smallest) {
  switch (sector) {
    case 0: return {largest, middleRising, smallest};
    case 1: return {middleFalling, largest, smallest};
    case 2: return {smallest, largest, middleRising};
    case 3: return {smallest, middleFalling, largest};
    case 4: return {middleRising, smallest, largest};
    default: return {largest, smallest, middleFalling};
  }
}

// The standard hexcone hue in [0, 360); 0 for a grey.
double hexconeHue(const Vec3 &rgb, double max, double min) {
  const double spread = max - min;
  if (spread < 1e-9) return 0.0;
  double hue;
  if (max == rgb[0]) {
    hue = 60.0 * ((rgb[1] - rgb[2]) / spread);
    if (hue < 0) hue += 360.0;
  } else if (max == rgb[1]) {
    hue = 60.0 * ((rgb[2] - rgb[0]) / spread + 2.0);
  } else {
    hue = 60.0 * ((rgb[0] - rgb[1]) / spread + 4.0);
  }
  return hue;
}

}  // namespace

Vec3 hsvToRgb(const Vec3 &hsv) {
  const double hue = wrapHue(hsv[0]), s = hsv[1], v = hsv[2];
  const double position = hue / 60.0;
  const double f = position - std::floor(position);
  const double p = v * (1.0 - s);
  const double q = v * (1.0 - s * f);
  const double t = v * (1.0 - s * (1.0 - f));
  return bySector(sectorOf(hue), v, t, q, p);
}

Vec3 hslToRgb(const Vec3 &hsl) {
  const double hue = wrapHue(hsl[0]), s = hsl[1], l = hsl[2];
  const double chroma = (1.0 - std::fabs(2.0 * l - 1.0)) * s;
  const double x = chroma * (1.0 - std::fabs(std::fmod(hue / 60.0, 2.0) - 1.0));
  const double m = l - chroma / 2.0;
  const Vec3 pure = bySector(sectorOf(hue), chroma, x, x, 0.0);
  return {pure[0] + m, pure[1] + m, pure[2] + m};
}

Vec3 hwbToRgb(const Vec3 &hwb) {
  const double white = hwb[1], black = hwb[2];
  if (white + black >= 1.0) {
    const double grey = white / (white + black);
    return {grey, grey, grey};
  }
  const Vec3 pure = hsvToRgb({hwb[0], 1.0, 1.0});
  const double scale = 1.0 - white - black;
  return {pure[0] * scale + white, pure[1] * scale + white, pure[2] * scale + white};
}

Vec3 rgbToHsv(const Vec3 &rgb) {
  const double max = std::max({rgb[0], rgb[1], rgb[2]});
  const double min = std::min({rgb[0], rgb[1], rgb[2]});
  const double saturation = max <= 1e-9 ? 0.0 : (max - min) / max;
  return {hexconeHue(rgb, max, min), saturation, max};
}

Vec3 rgbToHsl(const Vec3 &rgb) {
  const double max = std::max({rgb[0], rgb[1], rgb[2]});
  const double min = std::min({rgb[0], rgb[1], rgb[2]});
  const double lightness = (max + min) / 2.0;
  if (max - min < 1e-9) return {0.0, 0.0, lightness};
  const double saturation = (lightness > 0.0 && lightness < 1.0)
                                ? (max - min) / (1.0 - std::fabs(2.0 * lightness - 1.0))
                                : 0.0;
  return {hexconeHue(rgb, max, min), saturation, lightness};
}

Vec3 rgbToHwb(const Vec3 &rgb) {
  const double max = std::max({rgb[0], rgb[1], rgb[2]});
  const double min = std::min({rgb[0], rgb[1], rgb[2]});
  return {hexconeHue(rgb, max, min), min, 1.0 - max};
}

void registerCylindricalSpaces() {
  registerSpace(makeAnalyticDescriptor("hsv", stHsv, famHsv, {"H", "S", "V"}, {0, 0, 0},
                                       {360, 1, 1}, false, 0.0, wpD65, true, ckPolar, tfLinear));
  registerSpace(makeAnalyticDescriptor("hsl", stHsl, famHsl, {"H", "S", "L"}, {0, 0, 0},
                                       {360, 1, 1}, false, 0.0, wpD65, true, ckPolar, tfLinear));
  registerSpace(makeAnalyticDescriptor("hwb", stHwb, famHwb, {"H", "W", "B"}, {0, 0, 0},
                                       {360, 1, 1}, false, 0.0, wpD65, true, ckNone, tfLinear));
}

}  // namespace zd::color
