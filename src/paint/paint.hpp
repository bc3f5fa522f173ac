// How a path is painted: the record behind a paint handle.
//
// A paint says what colour the covered pixels get (the source), which area
// is covered (the path filled by a rule, or the outline of a stroke), how the
// colour meets the pixels (blended over them or replacing them) and how
// finely curves are cut. Drawing (raster/draw.hpp) turns the path and the
// paint into a polygon in image space and fills it with the source.
#pragma once

#include "color/color.hpp"
#include "paint/gradient.hpp"
#include "stroke/stroke.hpp"

namespace zd::paint {

enum class FillRule : std::uint8_t { nonZero = 0, evenOdd = 1 };
enum class Mode : std::uint8_t { over = 0, overwrite = 1 };
enum class Coverage : std::uint8_t { fill = 0, stroke = 1 };
// How the covered part of each pixel is measured: four sample lines per row
// (the fill's own), the exact area, or the pixel centre alone (aliased).
enum class Antialias : std::uint8_t { scanlines = 0, area = 1, none = 2 };

// Where the colour of each covered pixel comes from: the solid colour, or
// the gradient when it has a kind (paint/gradient.hpp). The gradient's
// stops and settings stay while the colour is the source.
struct Source {
  zd::color::Color color = zd::color::Color{{0.0f, 0.0f, 0.0f}, 1.0f, zd::color::stSrgb};
  Gradient gradient;
  bool isGradient() const { return gradient.kind != GradientKind::none; }
};

// Replaces a tolerance of zero or below with the default.
inline constexpr float kDefaultTolerance = 0.5f;
inline float flatness(float tolerance) { return tolerance > 0.0f ? tolerance : kDefaultTolerance; }

// A new paint: solid black, fill, non-zero, over, tolerance 0.5, sample-line
// coverage.
struct Paint {
  Source source;
  Coverage coverage = Coverage::fill;
  FillRule rule = FillRule::nonZero;  // of fills; a stroke's outline is always non-zero
  zd::stroke::Style stroke;           // used when coverage is stroke
  Mode mode = Mode::over;
  float tolerance = kDefaultTolerance;  // in image pixels, positive and finite
  Antialias antialias = Antialias::scanlines;
};

}  // namespace zd::paint
