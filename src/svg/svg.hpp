// SVG output: a colour as SVG hexadecimal colour text and a path with a fill
// colour as a one-element SVG document. All text is built by hand from
// digits, so nothing depends on the C locale.
#pragma once

#include <cstdint>
#include <string>

#include "path/path.hpp"
#include "color/color.hpp"

namespace zd::svg {

// Two upper-case hex digits for a value nominally in [0, 1]: the byte is
// trunc(fma(v, 255, 0.5)) in float32, clamped to 0..255; NaN gives "00".
std::string toHex2(float value);

// "#RRGGBB" for an opaque colour, "#RRGGBBAA" when the alpha clamped to
// [0, 1] is below 1. The colour is first mapped into sRGB; throws zd::Error
// "toSvgColor: color cannot be converted to sRGB" when that fails.
std::string toSvgColor(const color::Color &color);

// <svg xmlns="..." width="W" height="H" viewBox="0 0 W H"><path d="..."
// fill="..."/></svg> on one line; with `evenOdd` the path element ends
// fill="..." fill-rule="evenodd"/>. The path is serialized before the colour
// is converted, so a path error is reported even when the colour is bad too.
std::string toSvgString(const path::Path &path, const color::Color &color, std::int32_t width,
                        std::int32_t height, bool evenOdd = false);

}  // namespace zd::svg
