// SVG path data: the strict parser and the canonical serializer.
//
// parsePath reads the text of a `d` attribute in one pass and keeps every
// command as written (relative commands stay relative, the arc rotation is
// converted from degrees to radians). toString writes a path back with one
// letter per command, one space after every token and no commas; parsing its
// output again gives the same command kinds. Both are independent of the
// C locale: numbers always use '.'.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "path/path.hpp"

namespace zd::path {

// Float nearest to pi/180: arc rotations are read in degrees and stored in
// radians as one 32-bit product.
inline constexpr float kDegreesToRadians = 0.017453292f;
// Float nearest to 180/pi (bit pattern 0x42652EE1), used when printing.
inline constexpr float kRadiansToDegrees = 57.29578f;

// Parses path-data text into a new path whose start and current point follow
// all of its commands. Throws zd::Error with a message naming the first
// problem ("parsePath: ...", or "invalid float: <text>" for a malformed
// number); nothing is returned on failure.
Path parsePath(std::string_view text);

// The same parse with every byte going through the scanning rules one at a
// time, without reading well-formed numbers ahead in one step. It gives the
// same result and the same failure as parsePath; tests and the fuzzer hold
// the fast path to it.
Path parsePathBytewise(std::string_view text);

// The path-data text of a path: "M 10 20 L 30.5 40 Z". An empty path gives
// "". Throws zd::Error "path: cannot serialize a non-finite coordinate" when
// any printed value is NaN or infinite; the path is never changed.
std::string toString(const Path &path);

// Appends the text of one number and a space: integral values in full
// without point or exponent ("-0.0" prints "0"), other values as the
// correctly rounded six-decimal fixed text of the value widened to double,
// with trailing zeros and a bare point removed. Throws like toString on a
// non-finite value, having appended nothing.
void writeNum(std::string &out, float x);

// The kind of a command letter ('Z' and 'z' both give pClose). Throws
// zd::Error "parsePath: unknown command '<c>'" for any other character.
PathCommandKind charToKind(char letter);

// Appends the commands of one letter's numbers to `path` without moving its
// state: groups after the first of a moveto become linetos. Throws zd::Error
// on a count that is not a whole number of groups, on a negative arc radius
// or an arc flag other than 0 or 1, and on numbers given to a close.
void flushCommands(Path &path, PathCommandKind kind, std::span<const float> parameters);

}  // namespace zd::path
