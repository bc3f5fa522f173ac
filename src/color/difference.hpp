// Colour difference: how far apart two colours look.
#pragma once

#include "color/css.hpp"

namespace zd::color {

enum DeltaEMethod : int {
  deOk = 0,    // Euclidean distance in OKLab
  de2000 = 1,  // CIEDE2000 on CIE Lab (D50)
  de76 = 2,    // Euclidean distance in CIE Lab (D50)
};

// The difference between a and b (alpha plays no part). Conversion errors
// of either colour pass through (the hub has no route for a CMYK Color).
Result<double> deltaE(const Color &a, const Color &b, DeltaEMethod method);

// The same for host colours: a CMYK colour is measured by the sRGB colour
// of its inks.
Result<double> deltaE(const CssColor &a, const CssColor &b, DeltaEMethod method);

}  // namespace zd::color
