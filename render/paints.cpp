#include "paints.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zdr {

namespace {

// Flattening tolerance in image pixels: fine enough that curves keep the
// shape other renderers draw at icon sizes.
constexpr float kTolerance = 0.1f;

struct ColorDeleter {
  void operator()(ZdColor *color) const { zd_color_free(color); }
};
using ColorHandle = std::unique_ptr<ZdColor, ColorDeleter>;

float unit(double value) { return static_cast<float>(std::clamp(value, 0.0, 1.0)); }

ColorHandle makeColor(Rgba color, double opacity) {
  return ColorHandle(
      zd_color_rgba(unit(color.r), unit(color.g), unit(color.b), unit(color.a * opacity)));
}

// The bounding box of a path in its own coordinates (x, y, w, h).
bool pathBounds(ZdPath *path, double bounds[4]) {
  int64_t count = 0;
  if (zd_path_flatten(path, nullptr, 0, &count, kTolerance) != ZD_OK) return false;
  std::vector<float> segments(static_cast<std::size_t>(count) * 4);
  float box[4] = {};
  if (zd_path_flatten(path, segments.data(), count, &count, kTolerance) != ZD_OK ||
      zd_segments_bounds(segments.data(), count, box) != ZD_OK) {
    return false;
  }
  std::copy(box, box + 4, bounds);
  return true;
}

// Makes the paint's source the gradient: its geometry in gradient space, the
// stops (with the paint's opacity) and the spread, with the matrix mapping
// gradient space into the path's user space.
bool applyGradient(ZdPaint *paint, const Gradient &gradient, const GradientGeometry &geometry,
                   double opacity) {
  const auto f = [](double value) { return static_cast<float>(value); };
  const double *v = geometry.values;
  ZdStatus status =
      gradient.radial
          ? zd_paint_set_radial(paint, f(v[0]), f(v[1]), f(v[2]), f(v[3]), f(v[4]), f(v[5]))
          : zd_paint_set_linear(paint, f(v[0]), f(v[1]), f(v[2]), f(v[3]));
  if (status == ZD_OK) status = zd_paint_clear_stops(paint);
  for (const GradientStop &stop : gradient.stops) {
    ColorHandle color = makeColor(stop.color, opacity);
    if (status == ZD_OK)
      status = color ? zd_paint_add_stop(paint, f(stop.offset), color.get()) : ZD_OUT_OF_MEMORY;
  }
  static constexpr int32_t kSpreads[] = {ZD_SPREAD_PAD, ZD_SPREAD_REPEAT, ZD_SPREAD_REFLECT};
  if (status == ZD_OK) status = zd_paint_set_spread(paint, kSpreads[gradient.spread]);
  const auto matrix = geometry.toUser.floats();
  if (status == ZD_OK) status = zd_paint_set_gradient_transform(paint, matrix.data());
  return status == ZD_OK;
}

}  // namespace

Painter::Painter(const Document &document, ColorParser &colors, Diagnostics &diagnostics,
                 const StyleSheet &sheet)
    : document_(document),
      colors_(colors),
      diagnostics_(diagnostics),
      sheet_(sheet),
      fill_(zd_paint_new()),
      stroke_(zd_paint_new()) {
  // Coverage by the exact area, as SVG renderers measure it.
  for (ZdPaint *paint : {fill_.get(), stroke_.get()}) {
    if (paint != nullptr) {
      zd_paint_set_tolerance(paint, kTolerance);
      zd_paint_set_antialias(paint, ZD_AA_AREA);
    }
  }
}

bool Painter::solid(ZdPaint *paint, Rgba color, double opacity) {
  if (color.a * opacity <= 0) return false;
  ColorHandle handle = makeColor(color, opacity);
  return handle && zd_paint_set_color(paint, handle.get()) == ZD_OK;
}

bool Painter::gradientSource(ZdPaint *paint, const Element &gradientElement, double opacity,
                             ZdPath *path, const Viewport &viewport) {
  auto found = gradients_.find(&gradientElement);
  if (found == gradients_.end()) {
    found = gradients_
                .emplace(&gradientElement, resolveGradient(document_, gradientElement, colors_,
                                                           diagnostics_, &sheet_))
                .first;
  }
  const Gradient &gradient = found->second;
  // No stop paints nothing; one stop paints its colour.
  if (gradient.stops.empty()) return false;
  if (gradient.stops.size() == 1) return solid(paint, gradient.stops.front().color, opacity);
  double bounds[4] = {};
  if (!gradient.userSpace && !pathBounds(path, bounds)) return false;
  GradientGeometry geometry;
  if (!gradientGeometry(gradient, bounds, viewport, geometry)) return false;
  if (geometry.degenerate) return solid(paint, gradient.stops.back().color, opacity);
  return applyGradient(paint, gradient, geometry, opacity);
}

bool Painter::source(ZdPaint *paint, const Paint &what, double opacity, const Style &style,
                     ZdPath *path, const Viewport &viewport, const Element &element) {
  switch (what.kind) {
    case PaintKind::None: return false;
    case PaintKind::Color: return solid(paint, what.color, opacity);
    case PaintKind::CurrentColor: return solid(paint, style.color, opacity);
    case PaintKind::Url: break;
  }
  const auto found = document_.ids.find(what.url);
  if (found != document_.ids.end()) {
    const Element &target = *found->second;
    if (isGradient(target)) return gradientSource(paint, target, opacity, path, viewport);
    diagnostics_.unsupported("element <" + target.name + "> as a paint", element.line);
  }
  // A missing or unusable reference paints the fallback, or nothing.
  switch (what.fallback) {
    case PaintKind::Color: return solid(paint, what.fallbackColor, opacity);
    case PaintKind::CurrentColor: return solid(paint, style.color, opacity);
    default: return false;
  }
}

void Painter::draw(ZdImage *image, ZdPath *path, ZdPaint *paint, const float *matrix,
                   const Element &element) {
  if (zd_draw_path(image, path, paint, matrix) != ZD_OK) {
    diagnostics_.note("<" + element.name + "> on line " + std::to_string(element.line) +
                      " not drawn: " + zd_last_error());
  }
}

void Painter::fill(ZdImage *image, ZdPath *path, const Style &style, const float *matrix,
                   const Viewport &viewport, double alpha, const Element &element) {
  ZdPaint *paint = fill_.get();
  if (paint == nullptr) return;
  if (!source(paint, style.fill, style.fillOpacity * alpha, style, path, viewport, element)) return;
  zd_paint_set_fill(paint, style.evenOdd ? ZD_FILL_EVENODD : ZD_FILL_NONZERO);
  draw(image, path, paint, matrix, element);
}

void Painter::stroke(ZdImage *image, ZdPath *path, const Style &style, const float *matrix,
                     const Viewport &viewport, double alpha, const Element &element) {
  ZdPaint *paint = stroke_.get();
  if (paint == nullptr) return;
  if (!source(paint, style.stroke, style.strokeOpacity * alpha, style, path, viewport, element)) {
    return;
  }
  ZdStroke pen{};
  pen.width = static_cast<float>(resolve(style.strokeWidth, viewport, Axis::Diagonal));
  pen.join = style.join;
  pen.cap = style.cap;
  pen.miter_limit = static_cast<float>(style.miterLimit);
  std::vector<float> dashes;
  double total = 0;
  for (const Length &dash : style.dashes) {
    dashes.push_back(static_cast<float>(resolve(dash, viewport, Axis::Diagonal)));
    total += dashes.back();
  }
  // Dashes summing to zero (or beyond float) draw a solid line, as SVG says.
  if (total > 0 && std::isfinite(static_cast<float>(total)) && dashes.size() <= 1048576) {
    pen.dashes = dashes.data();
    pen.dash_count = static_cast<int32_t>(dashes.size());
    pen.dash_offset = static_cast<float>(resolve(style.dashOffset, viewport, Axis::Diagonal));
  }
  if (!std::isfinite(pen.width) || !std::isfinite(pen.dash_offset) ||
      zd_paint_set_stroke(paint, &pen) != ZD_OK) {
    diagnostics_.note("<" + element.name + "> on line " + std::to_string(element.line) +
                      " not stroked: the stroke is out of range");
    return;
  }
  draw(image, path, paint, matrix, element);
}

}  // namespace zdr
