// linearGradient and radialGradient elements resolved into one description:
// attributes and stops inherited along href chains, stop colours with their
// opacity, lengths still in the gradient's units.
#pragma once

#include <vector>

#include "style.hpp"
#include "values.hpp"
#include "xml_tree.hpp"

namespace zdr {

struct GradientStop {
  double offset = 0;  // in [0, 1], never below the previous stop's
  Rgba color;         // stop-opacity included
};

struct Gradient {
  bool radial = false;
  bool userSpace = false;  // gradientUnits="userSpaceOnUse"; else objectBoundingBox
  Matrix transform;        // gradientTransform
  int spread = 0;          // 0 pad, 1 repeat, 2 reflect
  // Linear: x1 y1 x2 y2. Radial: cx cy r fx fy fr.
  Length x1{0, Unit::Percent}, y1{0, Unit::Percent}, x2{100, Unit::Percent}, y2{0, Unit::Percent};
  Length cx{50, Unit::Percent}, cy{50, Unit::Percent}, r{50, Unit::Percent};
  Length fx, fy, fr{0, Unit::Percent};
  bool hasFx = false, hasFy = false;
  std::vector<GradientStop> stops;
};

bool isGradient(const Element &element);

// The gradient `element` describes, following its href chain (a cycle or a
// chain longer than 32 links ends it).
Gradient resolveGradient(const Document &document, const Element &element, ColorParser &colors,
                         Diagnostics &diagnostics, const StyleSheet *sheet = nullptr);

// The gradient's geometry in user space for a shape with bounding box
// (x, y, w, h): the coordinates for the paint (x0 y0 x1 y1, or x0 y0 r0 x1 y1
// r1 with the focal circle first) and the matrix mapping gradient space into
// user space. False when the gradient paints nothing (a zero-size box in
// bounding-box units, a non-invertible transform).
struct GradientGeometry {
  double values[6] = {};
  Matrix toUser;
  // No extent (a linear gradient from a point to itself, a radius of zero):
  // the area takes the last stop's colour.
  bool degenerate = false;
};
bool gradientGeometry(const Gradient &gradient, const double bounds[4], const Viewport &viewport,
                      GradientGeometry &geometry);

}  // namespace zdr
