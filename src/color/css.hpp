// Colours as CSS writes them: the reader of every CSS Color 4 form (and
// color-mix()), the writer that prints a colour back in its own space, and
// the host-side colour value that carries what CSS can say beyond a Color:
// components written `none`, and the fourth component of a CMYK colour.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "color/color.hpp"

namespace zd::color {

// Bits of CssColor::missing: one per component, and one for alpha.
enum : std::uint8_t {
  kMissingFirst = 1,
  kMissingSecond = 2,
  kMissingThird = 4,
  kMissingAlpha = 8,
};

// A colour as a host holds it. A missing component (`none`) keeps the value
// 0 in `color`, so every operation that does not care about `none` (filling,
// SVG text, conversion) reads it as zero. `fourth` is the K of a CMYK colour
// and 0 in every three-component space.
struct CssColor {
  Color color;
  float fourth = 0.0f;
  std::uint8_t missing = 0;
};

// The plain colour with nothing missing.
inline CssColor cssColorOf(const Color &c) { return CssColor{c, 0.0f, 0}; }

// Reads one CSS colour: named colours and `transparent`, hex, rgb()/rgba(),
// hsl()/hsla(), hwb(), lab(), lch(), oklab(), oklch(), color() with the
// predefined spaces or `--<registry name>`, and color-mix(). The colour keeps
// the space it was written in. Refuses currentcolor, system colours and
// relative colour syntax. Errors are InvalidColor, context "parseCss", with a
// message naming what was wrong and its byte offset.
Result<CssColor> parseCss(std::string_view text);

// Prints a colour as CSS text in its own space, with the shortest numbers
// that parseCss reads back to the same float32 components. Spaces without a
// CSS function, and values a CSS function would clamp, use
// color(--<registry name> ...), which parseCss reads without clamping.
std::string toCss(const CssColor &c);

}  // namespace zd::color
