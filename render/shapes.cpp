#include "shapes.hpp"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zdr {

namespace {

double lengthAttribute(const Element &element, const char *name, const Viewport &viewport,
                       Axis axis, double fallback = 0) {
  const std::string *text = element.attribute(name);
  Length length;
  if (text == nullptr || !parseLength(*text, length)) return fallback;
  return resolve(length, viewport, axis);
}

bool finite(std::initializer_list<double> values) {
  for (double v : values) {
    if (!(v - v == 0) || v > 3.0e38 || v < -3.0e38) return false;
  }
  return true;
}

float f(double value) { return static_cast<float>(value); }

// Path data parses up to its first error, as SVG renders it: the library's
// parser is strict, so on failure the data is cut before the command holding
// the error and parsed again.
ShapeResult pathData(const std::string &data, PathHandle &out) {
  std::string text = data;
  for (int attempt = 0; attempt < 4; ++attempt) {
    ZdPath *path = nullptr;
    if (zd_path_parse_d(text.c_str(), &path) == ZD_OK) {
      out.reset(path);
      return zd_path_command_count(path) > 0 ? ShapeResult::Drawn : ShapeResult::Empty;
    }
    const char *where = std::strstr(zd_last_error(), "offset ");
    if (where == nullptr) return ShapeResult::Failed;
    const unsigned long offset = std::strtoul(where + 7, nullptr, 10);
    std::size_t cut = std::min<std::size_t>(offset, text.size());
    while (cut > 0) {
      const char c = text[cut - 1];
      --cut;
      if (std::strchr("MmLlHhVvCcSsQqTtAaZz", c) != nullptr) break;
    }
    if (cut == 0) return ShapeResult::Empty;
    text.resize(cut);
  }
  return ShapeResult::Failed;
}

ShapeResult rect(const Element &element, const Viewport &viewport, ZdPath *path) {
  const double x = lengthAttribute(element, "x", viewport, Axis::X);
  const double y = lengthAttribute(element, "y", viewport, Axis::Y);
  const double w = lengthAttribute(element, "width", viewport, Axis::X);
  const double h = lengthAttribute(element, "height", viewport, Axis::Y);
  if (!(w > 0 && h > 0)) return ShapeResult::Empty;
  // A missing (or negative) radius takes the other; both are limited to half
  // the side.
  double rx = lengthAttribute(element, "rx", viewport, Axis::X, -1);
  double ry = lengthAttribute(element, "ry", viewport, Axis::Y, -1);
  if (rx < 0) rx = ry;
  if (ry < 0) ry = rx;
  if (rx < 0) rx = ry = 0;
  rx = std::min(rx, w / 2);
  ry = std::min(ry, h / 2);
  if (!finite({x, y, w, h, x + w, y + h})) return ShapeResult::Failed;
  ZdStatus s = ZD_OK;
  const auto step = [&](ZdStatus status) {
    if (s == ZD_OK) s = status;
  };
  if (rx > 0 && ry > 0) {
    step(zd_path_move_to(path, f(x + rx), f(y)));
    step(zd_path_line_to(path, f(x + w - rx), f(y)));
    step(zd_path_elliptical_arc_to(path, f(rx), f(ry), 0, 0, 1, f(x + w), f(y + ry)));
    step(zd_path_line_to(path, f(x + w), f(y + h - ry)));
    step(zd_path_elliptical_arc_to(path, f(rx), f(ry), 0, 0, 1, f(x + w - rx), f(y + h)));
    step(zd_path_line_to(path, f(x + rx), f(y + h)));
    step(zd_path_elliptical_arc_to(path, f(rx), f(ry), 0, 0, 1, f(x), f(y + h - ry)));
    step(zd_path_line_to(path, f(x), f(y + ry)));
    step(zd_path_elliptical_arc_to(path, f(rx), f(ry), 0, 0, 1, f(x + rx), f(y)));
  } else {
    step(zd_path_move_to(path, f(x), f(y)));
    step(zd_path_line_to(path, f(x + w), f(y)));
    step(zd_path_line_to(path, f(x + w), f(y + h)));
    step(zd_path_line_to(path, f(x), f(y + h)));
  }
  step(zd_path_close_path(path));
  return s == ZD_OK ? ShapeResult::Drawn : ShapeResult::Failed;
}

// An ellipse as four arcs from (cx + rx, cy), clockwise on screen.
ShapeResult ellipse(double cx, double cy, double rx, double ry, ZdPath *path) {
  if (!(rx > 0 && ry > 0)) return ShapeResult::Empty;
  if (!finite({cx, cy, rx, ry, cx + rx, cy + ry, cx - rx, cy - ry})) return ShapeResult::Failed;
  ZdStatus s = zd_path_move_to(path, f(cx + rx), f(cy));
  const double points[4][2] = {{cx, cy + ry}, {cx - rx, cy}, {cx, cy - ry}, {cx + rx, cy}};
  for (const auto &point : points) {
    if (s == ZD_OK) {
      s = zd_path_elliptical_arc_to(path, f(rx), f(ry), 0, 0, 1, f(point[0]), f(point[1]));
    }
  }
  if (s == ZD_OK) s = zd_path_close_path(path);
  return s == ZD_OK ? ShapeResult::Drawn : ShapeResult::Failed;
}

ShapeResult points(const Element &element, bool closed, ZdPath *path) {
  const std::string *text = element.attribute("points");
  if (text == nullptr) return ShapeResult::Empty;
  // An error ends the list: the points before it are drawn.
  std::vector<double> values;
  readNumbers(*text, values);
  const std::size_t count = values.size() / 2;
  if (count < 2) return ShapeResult::Empty;
  ZdStatus s = zd_path_move_to(path, f(values[0]), f(values[1]));
  for (std::size_t i = 1; i < count && s == ZD_OK; ++i) {
    s = zd_path_line_to(path, f(values[2 * i]), f(values[2 * i + 1]));
  }
  if (closed && s == ZD_OK) s = zd_path_close_path(path);
  return s == ZD_OK ? ShapeResult::Drawn : ShapeResult::Failed;
}

// Rebuilds a path with absolute builders, closing each open subpath.
class Closer {
 public:
  explicit Closer(ZdPath *out) : out_(out) {}

  bool command(const ZdCommand &command) {
    const int kind = command.kind;
    const bool relative = zd_path_command_is_relative(kind) != 0;
    const int base = relative ? kind - 9 : kind;
    const float *p = command.params;
    const float ox = relative ? x_ : 0, oy = relative ? y_ : 0;
    bool ok = true;
    float cx = x_, cy = y_;  // the control point a following smooth curve reflects
    int curve = 0;           // 1 after a cubic, 2 after a quadratic
    switch (base) {
      case ZD_CLOSE:
        ok = zd_path_close_path(out_) == ZD_OK;
        x_ = startX_;
        y_ = startY_;
        drawing_ = false;
        break;
      case ZD_MOVE:
        ok = closeOpen();
        x_ = startX_ = ox + p[0];
        y_ = startY_ = oy + p[1];
        ok = ok && zd_path_move_to(out_, x_, y_) == ZD_OK;
        break;
      case ZD_LINE:
      case ZD_HLINE:
      case ZD_VLINE: {
        const float nx = base == ZD_VLINE ? x_ : ox + p[0];
        const float ny = base == ZD_HLINE ? y_ : base == ZD_VLINE ? oy + p[0] : oy + p[1];
        ok = to(nx, ny) && zd_path_line_to(out_, nx, ny) == ZD_OK;
        break;
      }
      case ZD_CUBIC:
      case ZD_SCUBIC: {
        float c1x = 0, c1y = 0;
        int at = 0;
        if (base == ZD_CUBIC) {
          c1x = ox + p[0];
          c1y = oy + p[1];
          at = 2;
        } else {
          c1x = lastCurve_ == 1 ? 2 * x_ - controlX_ : x_;
          c1y = lastCurve_ == 1 ? 2 * y_ - controlY_ : y_;
        }
        cx = ox + p[at];
        cy = oy + p[at + 1];
        const float nx = ox + p[at + 2], ny = oy + p[at + 3];
        ok = to(nx, ny) && zd_path_bezier_curve_to(out_, c1x, c1y, cx, cy, nx, ny) == ZD_OK;
        curve = 1;
        break;
      }
      case ZD_QUAD:
      case ZD_TQUAD: {
        int at = 0;
        if (base == ZD_QUAD) {
          cx = ox + p[0];
          cy = oy + p[1];
          at = 2;
        } else {
          cx = lastCurve_ == 2 ? 2 * x_ - controlX_ : x_;
          cy = lastCurve_ == 2 ? 2 * y_ - controlY_ : y_;
        }
        const float nx = ox + p[at], ny = oy + p[at + 1];
        ok = to(nx, ny) && zd_path_quadratic_curve_to(out_, cx, cy, nx, ny) == ZD_OK;
        curve = 2;
        break;
      }
      case ZD_ARC: {
        const float nx = ox + p[5], ny = oy + p[6];
        ok = to(nx, ny) && zd_path_elliptical_arc_to(out_, p[0], p[1], p[2], p[3] != 0, p[4] != 0,
                                                     nx, ny) == ZD_OK;
        break;
      }
      default: ok = false;
    }
    controlX_ = cx;
    controlY_ = cy;
    lastCurve_ = curve;
    return ok;
  }

  bool finish() { return closeOpen(); }

 private:
  // Moves to (nx, ny) within the subpath, which now draws something.
  bool to(float nx, float ny) {
    if (!std::isfinite(nx) || !std::isfinite(ny)) return false;
    x_ = nx;
    y_ = ny;
    drawing_ = true;
    return true;
  }

  bool closeOpen() {
    if (!drawing_) return true;
    drawing_ = false;
    return zd_path_close_path(out_) == ZD_OK;
  }

  ZdPath *out_;
  float x_ = 0, y_ = 0, startX_ = 0, startY_ = 0, controlX_ = 0, controlY_ = 0;
  int lastCurve_ = 0;
  bool drawing_ = false;
};

}  // namespace

PathHandle closedForFill(ZdPath *path) {
  const int64_t count = zd_path_command_count(path);
  bool open = false, drawing = false;
  ZdCommand command{};
  for (int64_t i = 0; i < count && zd_path_command_get(path, i, &command) == ZD_OK; ++i) {
    if (command.kind == ZD_CLOSE) {
      drawing = false;
    } else if (command.kind == ZD_MOVE || command.kind == ZD_RMOVE) {
      open = open || drawing;
      drawing = false;
    } else {
      drawing = true;
    }
  }
  if (!(open || drawing)) return nullptr;
  PathHandle closed(zd_path_new());
  if (!closed) return nullptr;
  Closer closer(closed.get());
  for (int64_t i = 0; i < count; ++i) {
    if (zd_path_command_get(path, i, &command) != ZD_OK || !closer.command(command)) return nullptr;
  }
  if (!closer.finish()) return nullptr;
  return closed;
}

bool isShape(const std::string &name) {
  return name == "path" || name == "rect" || name == "circle" || name == "ellipse" ||
         name == "line" || name == "polyline" || name == "polygon";
}

ShapeResult shapePath(const Element &element, const Viewport &viewport, PathHandle &out) {
  const std::string &name = element.name;
  if (name == "path") {
    const std::string *data = element.attribute("d");
    if (data == nullptr) return ShapeResult::Empty;
    return pathData(*data, out);
  }
  PathHandle path(zd_path_new());
  if (!path) return ShapeResult::Failed;
  ShapeResult result = ShapeResult::Empty;
  if (name == "rect") {
    result = rect(element, viewport, path.get());
  } else if (name == "circle") {
    const double r = lengthAttribute(element, "r", viewport, Axis::Diagonal);
    result = ellipse(lengthAttribute(element, "cx", viewport, Axis::X),
                     lengthAttribute(element, "cy", viewport, Axis::Y), r, r, path.get());
  } else if (name == "ellipse") {
    // An auto radius (SVG 2) takes the other one.
    double rx = lengthAttribute(element, "rx", viewport, Axis::X, -1);
    double ry = lengthAttribute(element, "ry", viewport, Axis::Y, -1);
    if (rx < 0 && element.attribute("rx") != nullptr && *element.attribute("rx") == "auto") rx = ry;
    if (ry < 0 && element.attribute("ry") != nullptr && *element.attribute("ry") == "auto") ry = rx;
    result = ellipse(lengthAttribute(element, "cx", viewport, Axis::X),
                     lengthAttribute(element, "cy", viewport, Axis::Y), rx, ry, path.get());
  } else if (name == "line") {
    const double x1 = lengthAttribute(element, "x1", viewport, Axis::X);
    const double y1 = lengthAttribute(element, "y1", viewport, Axis::Y);
    const double x2 = lengthAttribute(element, "x2", viewport, Axis::X);
    const double y2 = lengthAttribute(element, "y2", viewport, Axis::Y);
    if (!finite({x1, y1, x2, y2})) return ShapeResult::Failed;
    result = zd_path_move_to(path.get(), f(x1), f(y1)) == ZD_OK &&
                     zd_path_line_to(path.get(), f(x2), f(y2)) == ZD_OK
                 ? ShapeResult::Drawn
                 : ShapeResult::Failed;
  } else if (name == "polyline" || name == "polygon") {
    result = points(element, name == "polygon", path.get());
  }
  if (result == ShapeResult::Drawn) out = std::move(path);
  return result;
}

}  // namespace zdr
