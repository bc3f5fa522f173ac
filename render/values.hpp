// The small value types of SVG attributes and properties: numbers, lengths,
// number lists, transforms, view boxes and preserveAspectRatio. Parsers
// return false for text that does not parse; the caller then keeps the
// default, as SVG does for invalid values.
#pragma once

#include <array>
#include <string_view>
#include <vector>

namespace zdr {

// x' = a x + c y + e, y' = b x + d y + f.
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

  static Matrix translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static Matrix scale(double x, double y) { return {x, 0, 0, y, 0, 0}; }
  // This matrix applied after `inner`: (this * inner)(p) = this(inner(p)).
  Matrix operator*(const Matrix &inner) const;
  bool invertible() const;
  bool finite() const;
  std::array<float, 6> floats() const;
};

enum class Unit { Number, Px, Percent, Em, Ex, In, Cm, Mm, Pt, Pc };

struct Length {
  double value = 0;
  Unit unit = Unit::Number;
};

// The axis a percentage refers to: the viewport's width, height, or its
// normalised diagonal sqrt((w² + h²) / 2).
enum class Axis { X, Y, Diagonal };

struct Viewport {
  double width = 100, height = 100;
};

double resolve(const Length &length, const Viewport &viewport, Axis axis);

bool parseNumber(std::string_view text, double &value);
bool parseLength(std::string_view text, Length &length);
// Comma and/or space separated numbers ("points", "viewBox").
bool parseNumberList(std::string_view text, std::vector<double> &values);
// The numbers of such a list up to its first error.
void readNumbers(std::string_view text, std::vector<double> &values);
// Comma and/or space separated lengths ("stroke-dasharray").
bool parseLengthList(std::string_view text, std::vector<Length> &values);
// A transform list: matrix, translate, scale, rotate, skewX, skewY.
bool parseTransform(std::string_view text, Matrix &matrix);

struct ViewBox {
  double x = 0, y = 0, width = 0, height = 0;
};
bool parseViewBox(std::string_view text, ViewBox &box);

struct AspectRatio {
  int alignX = 1, alignY = 1;  // 0 min, 1 mid, 2 max; -1 for none (stretch)
  bool slice = false;
};
bool parseAspectRatio(std::string_view text, AspectRatio &ratio);

// The mapping of `box` onto a viewport of width x height at the origin.
Matrix viewBoxMatrix(const ViewBox &box, const AspectRatio &ratio, double width, double height);

std::string_view trim(std::string_view text);

}  // namespace zdr
