#include "color/space_hdr.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "color/descriptor.hpp"
#include "color/registry.hpp"
#include "color/spaces.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {

namespace {

// ST 2084 constants.
constexpr double kPqM1 = 2610.0 / 16384;
constexpr double kPqM2 = 2523.0 / 4096 * 128;
constexpr double kPqC1 = 3424.0 / 4096;
constexpr double kPqC2 = 2413.0 / 4096 * 32;
constexpr double kPqC3 = 2392.0 / 4096 * 32;

// Jzazbz constants (Safdar et al. 2017).
constexpr double kJzB = 1.15;
constexpr double kJzG = 0.66;
constexpr double kJzP = 134.034375;  // 1.7 · 2523 / 2^5
constexpr double kJzD = -0.56;
constexpr double kJzD0 = 1.6295499532821565e-11;

// The PQ curve with exponents n and p, shared by ICtCp (m1, m2) and Jzazbz (m1, 1.7·m2).
double perceptualEncode(double linear, double n, double p) {
  const double raised = std::pow(linear, n);
  return std::pow((kPqC1 + kPqC2 * raised) / (1.0 + kPqC3 * raised), p);
}

double perceptualDecode(double signal, double n, double p) {
  const double root = std::pow(signal, 1.0 / p);
  const double numerator = std::max(root - kPqC1, 0.0);
  return std::pow(numerator / (kPqC2 - kPqC3 * root), 1.0 / n);
}

Vec3 mapEach(const Vec3 &v, double (*f)(double)) { return {f(v[0]), f(v[1]), f(v[2])}; }

}  // namespace

double pqEncode(double linear) { return perceptualEncode(linear, kPqM1, kPqM2); }
double pqDecode(double signal) { return perceptualDecode(signal, kPqM1, kPqM2); }

Vec3 rec2020ToIctcp(const Vec3 &rgb) {
  const Vec3 lms = apply3(ictcpRgbToLms, rgb);
  const Vec3 scaled = {lms[0] / 10000.0, lms[1] / 10000.0, lms[2] / 10000.0};
  return apply3(ictcpLmsPToIctcp, mapEach(scaled, pqEncode));
}

Vec3 ictcpToRec2020(const Vec3 &ictcp) {
  const Vec3 lms = mapEach(apply3(ictcpLmsPToIctcpInv, ictcp), pqDecode);
  const Vec3 scaled = {lms[0] * 10000.0, lms[1] * 10000.0, lms[2] * 10000.0};
  return apply3(ictcpRgbToLmsInv, scaled);
}

Vec3 xyzToJzazbz(const Vec3 &xyz) {
  const double x = xyz[0], y = xyz[1], z = xyz[2];
  const Vec3 modified = {kJzB * x - (kJzB - 1.0) * z, kJzG * y - (kJzG - 1.0) * x, z};
  const Vec3 lms = apply3(jzXyzToLms, modified);
  const Vec3 lmsP = {perceptualEncode(lms[0], kPqM1, kJzP), perceptualEncode(lms[1], kPqM1, kJzP),
                     perceptualEncode(lms[2], kPqM1, kJzP)};
  const Vec3 izazbz = apply3(jzLmsPToIzazbz, lmsP);
  const double iz = izazbz[0];
  return {((1.0 + kJzD) * iz) / (1.0 + kJzD * iz) - kJzD0, izazbz[1], izazbz[2]};
}

Vec3 jzazbzToXyz(const Vec3 &jzazbz) {
  const double jz = jzazbz[0] + kJzD0;
  const double iz = jz / (1.0 + kJzD - kJzD * jz);
  const Vec3 lmsP = apply3(jzLmsPToIzazbzInv, Vec3{iz, jzazbz[1], jzazbz[2]});
  const Vec3 lms = {perceptualDecode(lmsP[0], kPqM1, kJzP), perceptualDecode(lmsP[1], kPqM1, kJzP),
                    perceptualDecode(lmsP[2], kPqM1, kJzP)};
  const Vec3 modified = apply3(jzXyzToLmsInv, lms);
  const double z = modified[2];
  const double x = (modified[0] + (kJzB - 1.0) * z) / kJzB;
  const double y = (modified[1] + (kJzG - 1.0) * x) / kJzG;
  return {x, y, z};
}

void registerHdrSpaces() {
  constexpr double inf = std::numeric_limits<double>::infinity();
  registerSpace(makeAnalyticDescriptor("ictcp", stIctcp, famIctcp, {"I", "Ct", "Cp"},
                                       {0, -inf, -inf}, {inf, inf, inf}, true, 0.0, wpD65, true,
                                       ckOpponent, tfPq));
  registerSpace(makeAnalyticDescriptor("jzazbz", stJzazbz, famJzazbz, {"Jz", "Az", "Bz"},
                                       {0, -inf, -inf}, {inf, inf, inf}, true, 0.0, wpD65, true,
                                       ckOpponent, tfLinear));
}

}  // namespace zd::color
