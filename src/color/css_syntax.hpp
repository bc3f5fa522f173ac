// What the CSS reader and writer share: the keyword tables, the names of the
// predefined spaces, and how a written number becomes a component.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "color/color.hpp"

namespace zd::color {

// The colour a CSS name stands for (lower-case name), as 0xRRGGBB.
bool findNamedColor(std::string_view lowerName, std::uint32_t &rgb);
std::size_t namedColorCount();

// True for the system colour keywords (lower-case name): colours of the
// user's system that have no fixed value.
bool isSystemColor(std::string_view lowerName);

// A byte of an sRGB hex colour or named colour as a component: byte/255 in
// float32, the rounding zd_color_parse also uses.
inline float byteComponent(std::uint32_t byte) { return static_cast<float>(byte) / 255.0f; }

// The space a color() keyword names (lower case): the predefined RGB spaces
// and xyz, xyz-d65, xyz-d50; with `functionSpaces` also the spaces written
// with their own function (lab, oklab, hsl, hwb, lch, oklch), as color-mix()
// names them. xyz-d50 gives the "xyz" tag with `d50` set: the registry's XYZ
// is relative to D65. stUnknown for any other name.
SpaceTag predefinedSpace(std::string_view lowerName, bool functionSpaces, bool &d50);

// The color() keyword of a registered space, or empty when the space has no
// predefined CSS name.
std::string_view predefinedName(SpaceTag tag);

// A number written in CSS text for a component whose unit is 1/divisor of
// the registry's: rgb() numbers have divisor 255, hsl() and hwb()
// percentages 100. The reader and the writer both go through here.
inline double componentOfNumber(double number, double divisor) { return number / divisor; }

}  // namespace zd::color
