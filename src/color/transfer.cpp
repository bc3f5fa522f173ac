#include "color/transfer.hpp"

#include <cmath>
#include <limits>

namespace zd::color {

namespace {

// A pure power curve, extended below zero by symmetry about the origin,
// f(-v) = -f(v): a channel of a colour just outside the gamut stays a number
// (a plain power of a negative value would be NaN). Zero and positive values
// take the plain power.
double signedPower(double v, double exponent) {
  return v < 0 ? -std::pow(-v, exponent) : std::pow(v, exponent);
}

}  // namespace

double eotfOf(TransferKind kind, double gamma, double v) {
  switch (kind) {
    case tfLinear: return v;
    case tfSrgb: return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    case tfGamma: return signedPower(v, gamma);
    case tfProPhoto: return v <= 0.03125 ? v / 16.0 : std::pow(v, 1.8);
    case tfRec2020: return v < 0.081 ? v / 4.5 : std::pow((v + 0.099) / 1.099, 1.0 / 0.45);
    case tfPq:
    case tfReserved: break;
  }
  // The PQ curve belongs to ICtCp's own route; as a plain RGB curve it has
  // no meaning, and the NaN is refused when the colour is built.
  return std::numeric_limits<double>::quiet_NaN();
}

double oetfOf(TransferKind kind, double gamma, double v) {
  switch (kind) {
    case tfLinear: return v;
    case tfSrgb:
      return v <= 0.0031308 ? 12.92 * v : std::fma(1.055, std::pow(v, 1.0 / 2.4), -0.055);
    case tfGamma: return signedPower(v, 1.0 / gamma);
    case tfProPhoto: return v <= 0.001953125 ? 16.0 * v : std::pow(v, 1.0 / 1.8);
    case tfRec2020: return v < 0.018 ? 4.5 * v : std::fma(1.099, std::pow(v, 0.45), -0.099);
    case tfPq:
    case tfReserved: break;
  }
  return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace zd::color
