// The colour-string parser: "#" hex notation, rgb()/rgba() in comma and
// whitespace syntax, and oklch(). Returns a Result; never throws on bad input.
#pragma once

#include <string_view>

#include "color/color.hpp"

namespace zd::color {

// Parses `text` into an "srgb" (hex, rgb, rgba) or "oklch" colour.
// Failures are InvalidColor errors with context "parseColor", except the
// checks of `color` itself (alpha range, non-finite components), which keep
// their own messages and an empty context.
Result<Color> parseColor(std::string_view text);

// The number syntax shared by every numeric token: optional sign, then the
// words inf / nan (any case) or decimal digits with an optional fraction and
// exponent; runs of '_' right after a digit are skipped. The whole token must
// be consumed. The value is correctly rounded to float64.
bool parseNumber(std::string_view token, double &value);

}  // namespace zd::color
