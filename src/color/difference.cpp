#include "color/difference.hpp"

#include <cmath>
#include <numbers>

#include "color/convert.hpp"
#include "color/hub.hpp"
#include "color/matrices.hpp"

namespace zd::color {

namespace {

Vec3 widened(const Color &c) { return {c.comps[0], c.comps[1], c.comps[2]}; }

double euclidean(const Vec3 &p, const Vec3 &q) {
  const double d0 = p[0] - q[0], d1 = p[1] - q[1], d2 = p[2] - q[2];
  return std::sqrt(d0 * d0 + d1 * d1 + d2 * d2);
}

double degrees(double radians) { return radians * 180.0 / std::numbers::pi; }
double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// Hue angle in degrees in [0, 360); 0 for the origin.
double hueOf(double b, double a) {
  if (a == 0 && b == 0) return 0;
  const double h = degrees(std::atan2(b, a));
  return h < 0 ? h + 360 : h;
}

// CIEDE2000 with kL = kC = kH = 1, following the formulation of Sharma, Wu
// and Dalal (2005), including their conventions for hue at zero chroma.
double ciede2000(const Vec3 &lab1, const Vec3 &lab2) {
  const double l1 = lab1[0], a1 = lab1[1], b1 = lab1[2];
  const double l2 = lab2[0], a2 = lab2[1], b2 = lab2[2];
  constexpr double k25pow7 = 6103515625.0;  // 25^7
  const double meanC = (std::hypot(a1, b1) + std::hypot(a2, b2)) / 2;
  const double meanC7 = std::pow(meanC, 7);
  const double g = 0.5 * (1 - std::sqrt(meanC7 / (meanC7 + k25pow7)));
  const double a1p = (1 + g) * a1, a2p = (1 + g) * a2;
  const double c1p = std::hypot(a1p, b1), c2p = std::hypot(a2p, b2);
  const double h1p = hueOf(b1, a1p), h2p = hueOf(b2, a2p);
  const bool achromatic = c1p * c2p == 0;

  const double deltaL = l2 - l1;
  const double deltaC = c2p - c1p;
  double deltaHue = 0;
  if (!achromatic) {
    deltaHue = h2p - h1p;
    if (deltaHue > 180) {
      deltaHue -= 360;
    } else if (deltaHue < -180) {
      deltaHue += 360;
    }
  }
  const double deltaH = 2 * std::sqrt(c1p * c2p) * std::sin(radians(deltaHue) / 2);

  const double meanL = (l1 + l2) / 2;
  const double meanCp = (c1p + c2p) / 2;
  double meanHue = h1p + h2p;
  if (!achromatic) {
    if (std::fabs(h1p - h2p) <= 180) {
      meanHue /= 2;
    } else if (meanHue < 360) {
      meanHue = (meanHue + 360) / 2;
    } else {
      meanHue = (meanHue - 360) / 2;
    }
  }
  const double t =
      1 - 0.17 * std::cos(radians(meanHue - 30)) + 0.24 * std::cos(radians(2 * meanHue)) +
      0.32 * std::cos(radians(3 * meanHue + 6)) - 0.20 * std::cos(radians(4 * meanHue - 63));
  const double rotation = 30 * std::exp(-std::pow((meanHue - 275) / 25, 2));
  const double meanCp7 = std::pow(meanCp, 7);
  const double rc = 2 * std::sqrt(meanCp7 / (meanCp7 + k25pow7));
  const double lOffset = (meanL - 50) * (meanL - 50);
  const double sl = 1 + 0.015 * lOffset / std::sqrt(20 + lOffset);
  const double sc = 1 + 0.045 * meanCp;
  const double sh = 1 + 0.015 * meanCp * t;
  const double rt = -std::sin(radians(2 * rotation)) * rc;
  const double termL = deltaL / sl, termC = deltaC / sc, termH = deltaH / sh;
  return std::sqrt(termL * termL + termC * termC + termH * termH + rt * termC * termH);
}

}  // namespace

Result<double> deltaE(const Color &a, const Color &b, DeltaEMethod method) {
  const SpaceTag space = method == deOk ? stOklab : stLab;
  const Result<Color> p = a.space == space ? ok(a) : to(a, space);
  if (!p.isOk()) return Result<double>::err(p);
  const Result<Color> q = b.space == space ? ok(b) : to(b, space);
  if (!q.isOk()) return Result<double>::err(q);
  const Vec3 x = widened(p.value()), y = widened(q.value());
  return ok(method == de2000 ? ciede2000(x, y) : euclidean(x, y));
}

Result<double> deltaE(const CssColor &a, const CssColor &b, DeltaEMethod method) {
  const Result<Color> p = hubColor(a);
  if (!p.isOk()) return Result<double>::err(p);
  const Result<Color> q = hubColor(b);
  if (!q.isOk()) return Result<double>::err(q);
  return deltaE(p.value(), q.value(), method);
}

}  // namespace zd::color
