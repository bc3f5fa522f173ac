#include "color/space_cam16.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "color/descriptor.hpp"
#include "color/registry.hpp"
#include "color/space_cie.hpp"
#include "color/spaces.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {

namespace {

constexpr double kPi = std::numbers::pi;

// XYZ to the CAM16 cone space (M16) and back.
constexpr Mat3 kM16 = {0.401288, 0.650173,  -0.051461, -0.250268, 1.204414,
                       0.045854, -0.002079, 0.048952,  0.953127};
constexpr Mat3 kM16Inv = {1.8620678550872327,    -1.0112546305316843,  0.14918677544445172,
                          0.38752654323613717,   0.6214474419314754,   -0.008973985167612518,
                          -0.015841498849333856, -0.03412293802851556, 1.0499644368778493};

double signOf(double v) { return v < 0 ? -1.0 : (v > 0 ? 1.0 : 0.0); }

// Post-adaptation compression of one cone response (sign-symmetric; the
// model's +0.1 offset is left out here and in every sum that would cancel it).
double compress(double coneResponse, double fl) {
  const double raised = std::pow(fl * std::fabs(coneResponse) / 100.0, 0.42);
  return signOf(coneResponse) * 400.0 * raised / (raised + 27.13);
}

double decompress(double adapted, double fl) {
  const double magnitude = std::fabs(adapted);
  const double base = std::max(0.0, 27.13 * magnitude / (400.0 - magnitude));
  return signOf(adapted) * (100.0 / fl) * std::pow(base, 1.0 / 0.42);
}

// (1.64 − 0.29^n)^0.73, the chroma scale of the background.
double chromaScale(const ViewingConditions &vc) {
  return std::pow(1.64 - std::pow(0.29, vc.n), 0.73);
}

double eccentricity(double hueDegrees) {
  return 0.25 * (std::cos(hueDegrees * kPi / 180.0 + 2.0) + 3.8);
}

// CIELAB L* of Y (white = 1) and its inverse.
double toneOfY(double y) { return 116.0 * labF(y) - 16.0; }

double yOfTone(double tone) {
  const double f = (tone + 16.0) / 116.0;
  return f > 6.0 / 29.0 ? f * f * f : (f - 0.13793103448275862) / 7.787037037037036;
}

}  // namespace

ViewingConditions makeViewingConditions(const Vec3 &white, double adaptingLuminance,
                                        double backgroundY, double surround, double c, double nc,
                                        bool discountIlluminant) {
  ViewingConditions vc;
  vc.white = white;
  vc.adaptingLuminance = adaptingLuminance;
  vc.backgroundY = backgroundY;
  vc.surround = surround;
  vc.c = c;
  vc.nc = nc;

  const Vec3 rgbW = apply3(kM16, white);
  double degree =
      discountIlluminant
          ? 1.0
          : surround * (1.0 - (1.0 / 3.6) * std::exp((-adaptingLuminance - 42.0) / 92.0));
  degree = std::clamp(degree, 0.0, 1.0);
  for (int i = 0; i < 3; ++i) vc.rgbD[i] = degree * (white[1] / rgbW[i]) + 1.0 - degree;

  const double k = 1.0 / (5.0 * adaptingLuminance + 1.0);
  const double k4 = k * k * k * k;
  vc.fl = 0.2 * k4 * (5.0 * adaptingLuminance) +
          0.1 * (1.0 - k4) * (1.0 - k4) * std::cbrt(5.0 * adaptingLuminance);
  vc.flRoot = std::pow(vc.fl, 0.25);
  vc.n = backgroundY / white[1];
  vc.z = 1.48 + std::sqrt(vc.n);
  vc.nbb = 0.725 * std::pow(1.0 / vc.n, 0.2);
  vc.ncb = vc.nbb;

  Vec3 adaptedWhite{};
  for (int i = 0; i < 3; ++i) adaptedWhite[i] = compress(vc.rgbD[i] * rgbW[i], vc.fl);
  vc.aw = (2.0 * adaptedWhite[0] + adaptedWhite[1] + 0.05 * adaptedWhite[2]) * vc.nbb;
  return vc;
}

const ViewingConditions &defaultViewingConditions() {
  static const ViewingConditions conditions = [] {
    const Vec3 white = {wpD65[0] * 100.0, wpD65[1] * 100.0, wpD65[2] * 100.0};
    const double backgroundY = yOfTone(50.0) * 100.0;
    const double adaptingLuminance = (200.0 / kPi) * backgroundY / 100.0;
    return makeViewingConditions(white, adaptingLuminance, backgroundY, 1.0, 0.69, 1.0, false);
  }();
  return conditions;
}

Cam16 cam16FromXyz(const Vec3 &xyz, const ViewingConditions &vc) {
  const Vec3 cone = apply3(kM16, xyz);
  Vec3 adapted{};
  for (int i = 0; i < 3; ++i) adapted[i] = compress(vc.rgbD[i] * cone[i], vc.fl);
  const double r = adapted[0], g = adapted[1], b = adapted[2];

  const double a = r - 12.0 * g / 11.0 + b / 11.0;
  const double bb = (r + g - 2.0 * b) / 9.0;
  double hue = std::atan2(bb, a) * 180.0 / kPi;
  if (hue < 0) hue += 360.0;
  if (hue >= 360.0) hue -= 360.0;

  const double achromatic = (2.0 * r + g + 0.05 * b) * vc.nbb;
  Cam16 cam;
  cam.h = hue;
  cam.j = 100.0 * std::pow(std::max(achromatic, 0.0) / vc.aw, vc.c * vc.z);
  cam.q = (4.0 / vc.c) * std::sqrt(cam.j / 100.0) * (vc.aw + 4.0) * vc.flRoot;
  const double t = (50000.0 / 13.0 * vc.nc * vc.ncb * eccentricity(hue) * std::hypot(a, bb)) /
                   (r + g + 21.0 / 20.0 * b + 0.305);
  cam.c = std::pow(t, 0.9) * std::sqrt(cam.j / 100.0) * chromaScale(vc);
  cam.m = cam.c * vc.flRoot;
  cam.s = cam.q > 0 ? 100.0 * std::sqrt(cam.m / cam.q) : 0.0;
  return cam;
}

Vec3 cam16ToXyz(double j, double c, double h, const ViewingConditions &vc) {
  const double alpha = (c == 0.0 || j == 0.0) ? 0.0 : c / std::sqrt(j / 100.0);
  const double t = std::pow(alpha / chromaScale(vc), 1.0 / 0.9);
  const double hueRadians = h * kPi / 180.0;
  const double achromatic = vc.aw * std::pow(j / 100.0, 1.0 / (vc.c * vc.z));
  const double p1 = eccentricity(h) * (50000.0 / 13.0) * vc.nc * vc.ncb;
  const double p2 = achromatic / vc.nbb;
  const double hSin = std::sin(hueRadians), hCos = std::cos(hueRadians);
  const double gamma = 23.0 * (p2 + 0.305) * t / (23.0 * p1 + 11.0 * t * hCos + 108.0 * t * hSin);
  const double a = gamma * hCos, b = gamma * hSin;
  const Vec3 adapted = {(460.0 * p2 + 451.0 * a + 288.0 * b) / 1403.0,
                        (460.0 * p2 - 891.0 * a - 261.0 * b) / 1403.0,
                        (460.0 * p2 - 220.0 * a - 6300.0 * b) / 1403.0};
  Vec3 cone{};
  for (int i = 0; i < 3; ++i) cone[i] = decompress(adapted[i], vc.fl) / vc.rgbD[i];
  return apply3(kM16Inv, cone);
}

Vec3 cam16ToUcs(const Cam16 &cam) {
  const double jPrime = 1.7 * cam.j / (1.0 + 0.007 * cam.j);
  const double mPrime = std::log1p(0.0228 * cam.m) / 0.0228;
  const double hueRadians = cam.h * kPi / 180.0;
  return {jPrime, mPrime * std::cos(hueRadians), mPrime * std::sin(hueRadians)};
}

Vec3 ucsToJch(const Vec3 &ucs, const ViewingConditions &vc) {
  const double jPrime = ucs[0];
  const double mPrime = std::hypot(ucs[1], ucs[2]);
  double hue = std::atan2(ucs[2], ucs[1]) * 180.0 / kPi;
  if (hue < 0) hue += 360.0;
  const double m = std::expm1(0.0228 * mPrime) / 0.0228;
  const double j = jPrime / (1.7 - 0.007 * jPrime);
  return {j, m / vc.flRoot, hue};
}

Vec3 xyzToHct(const Vec3 &xyz) {
  const Cam16 cam =
      cam16FromXyz({xyz[0] * 100.0, xyz[1] * 100.0, xyz[2] * 100.0}, defaultViewingConditions());
  return {cam.h, cam.c, toneOfY(xyz[1])};
}

Vec3 hctToXyz(const Vec3 &hct) {
  const ViewingConditions &vc = defaultViewingConditions();
  const double hue = hct[0], chroma = hct[1];
  const double targetY = yOfTone(hct[2]) * 100.0;
  if (!(targetY > 0.0)) return {0.0, 0.0, 0.0};
  const auto luminanceAt = [&](double j) { return cam16ToXyz(j, chroma, hue, vc)[1]; };

  // Bracket the lightness whose luminance is the tone's, then bisect.
  double low = 0.0, high = 100.0;
  for (int i = 0; i < 64 && !(luminanceAt(high) >= targetY); ++i) high *= 2.0;
  for (int i = 0; i < 200 && high - low > 1e-13 * high; ++i) {
    const double middle = 0.5 * (low + high);
    if (luminanceAt(middle) < targetY) {
      low = middle;
    } else {
      high = middle;
    }
  }
  const Vec3 xyz = cam16ToXyz(0.5 * (low + high), chroma, hue, vc);
  return {xyz[0] / 100.0, xyz[1] / 100.0, xyz[2] / 100.0};
}

void registerCam16Spaces() {
  constexpr double inf = std::numeric_limits<double>::infinity();
  registerSpace(makeAnalyticDescriptor("cam16", stCam16, famCam16, {"J", "C", "h"}, {0, 0, 0},
                                       {100, inf, 360}, true, 0.0, wpD65, true, ckPolar, tfLinear));
  registerSpace(makeAnalyticDescriptor("cam16-ucs", stCam16Ucs, famCam16Ucs, {"J'", "a'", "b'"},
                                       {0, -inf, -inf}, {100, inf, inf}, true, 0.0, wpD65, true,
                                       ckOpponent, tfLinear));
}

void registerHctSpace() {
  constexpr double inf = std::numeric_limits<double>::infinity();
  // Its solver is not a gamut boundary, so it is not a mapping target.
  registerSpace(makeAnalyticDescriptor("hct", stHct, famHct, {"H", "C", "T"}, {0, 0, 0},
                                       {360, inf, 100}, true, 0.0, wpD65, false, ckPolar,
                                       tfLinear));
}

}  // namespace zd::color
