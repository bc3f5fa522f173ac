// Transfer curves of the RGB spaces, one channel at a time, in float64.
// Nothing is clamped: values below zero and above one pass through. The
// piecewise curves are linear below their threshold, negative values
// included; a pure power curve (tfGamma) is mirrored, f(-v) = -f(v).
#pragma once

#include "color/descriptor.hpp"

namespace zd::color {

// Decoding: encoded value to linear light. `gamma` is read by tfGamma only.
double eotfOf(TransferKind kind, double gamma, double v);

// Encoding: linear light to encoded value (tfGamma raises to 1/gamma).
double oetfOf(TransferKind kind, double gamma, double v);

}  // namespace zd::color
