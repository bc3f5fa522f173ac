// A colour in sRGB from its components, for the fills under test.
#pragma once

#include "color/color.hpp"

namespace zd::raster::testing {

inline zd::color::Color srgb(float r, float g, float b, float a) {
  zd::color::Color c;
  c.comps[0] = r;
  c.comps[1] = g;
  c.comps[2] = b;
  c.alpha = a;
  c.space = zd::color::stSrgb;
  return c;
}

}  // namespace zd::raster::testing
