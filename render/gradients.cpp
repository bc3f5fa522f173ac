#include "gradients.hpp"

#include <algorithm>
#include <cmath>
#include <set>

namespace zdr {

namespace {

constexpr int kMaxChain = 32;

const std::string *reference(const Element &element) {
  const std::string *href = element.attribute("href");
  if (href == nullptr) href = element.attribute("xlink:href");
  return href;
}

// Attributes are taken from the first element of the chain that has them;
// geometry only from gradients of the same kind.
void takeAttributes(const Element &element, bool sameKind, Gradient &gradient,
                    std::set<std::string> &taken) {
  for (const auto &[name, value] : element.attributes) {
    if (taken.count(name) != 0) continue;
    bool used = true;
    if (name == "gradientUnits") {
      gradient.userSpace = trim(value) == "userSpaceOnUse";
      used = gradient.userSpace || trim(value) == "objectBoundingBox";
    } else if (name == "gradientTransform") {
      used = parseTransform(value, gradient.transform);
    } else if (name == "spreadMethod") {
      const std::string_view method = trim(value);
      if (method == "pad") gradient.spread = 0;
      else if (method == "repeat") gradient.spread = 1;
      else if (method == "reflect") gradient.spread = 2;
      else used = false;
    } else if (sameKind) {
      Length *target = nullptr;
      if (!gradient.radial) {
        if (name == "x1") target = &gradient.x1;
        if (name == "y1") target = &gradient.y1;
        if (name == "x2") target = &gradient.x2;
        if (name == "y2") target = &gradient.y2;
      } else {
        if (name == "cx") target = &gradient.cx;
        if (name == "cy") target = &gradient.cy;
        if (name == "r") target = &gradient.r;
        if (name == "fx") target = &gradient.fx;
        if (name == "fy") target = &gradient.fy;
        if (name == "fr") target = &gradient.fr;
      }
      used = target != nullptr && parseLength(value, *target);
      if (used && name == "fx") gradient.hasFx = true;
      if (used && name == "fy") gradient.hasFy = true;
      if (used && (name == "r" || name == "fr") && target->value < 0) used = false;
    } else {
      used = false;
    }
    if (used) taken.insert(name);
  }
}

void takeStops(const Element &element, Gradient &gradient, ColorParser &colors,
               Diagnostics &diagnostics, const StyleSheet *sheet) {
  const Style base = computeStyle(element, Style{}, colors, diagnostics, sheet);
  double previous = 0;
  for (const auto &child : element.children) {
    if (child->name != "stop") continue;
    const Style style = computeStyle(*child, base, colors, diagnostics, sheet);
    double offset = 0;
    if (const std::string *text = child->attribute("offset")) {
      Length length;
      if (parseLength(*text, length)) {
        offset = length.unit == Unit::Percent ? length.value / 100 : length.value;
      }
    }
    offset = std::max(std::clamp(offset, 0.0, 1.0), previous);
    previous = offset;
    Rgba color = style.stopColorCurrent ? style.color : style.stopColor;
    color.a = static_cast<float>(color.a * style.stopOpacity);
    gradient.stops.push_back({offset, color});
  }
}

}  // namespace

bool isGradient(const Element &element) {
  return element.name == "linearGradient" || element.name == "radialGradient";
}

Gradient resolveGradient(const Document &document, const Element &element, ColorParser &colors,
                         Diagnostics &diagnostics, const StyleSheet *sheet) {
  Gradient gradient;
  gradient.radial = element.name == "radialGradient";
  std::set<std::string> taken;
  std::set<const Element *> seen;
  bool haveStops = false;
  const Element *link = &element;
  for (int depth = 0; link != nullptr && depth < kMaxChain && seen.insert(link).second; ++depth) {
    takeAttributes(*link, link->name == element.name, gradient, taken);
    if (!haveStops) {
      for (const auto &child : link->children) haveStops = haveStops || child->name == "stop";
      if (haveStops) takeStops(*link, gradient, colors, diagnostics, sheet);
    }
    const std::string *href = reference(*link);
    link = nullptr;
    if (href != nullptr && href->starts_with("#")) {
      const auto found = document.ids.find(href->substr(1));
      if (found != document.ids.end() && isGradient(*found->second)) link = found->second;
    }
  }
  return gradient;
}

bool gradientGeometry(const Gradient &gradient, const double bounds[4], const Viewport &viewport,
                      GradientGeometry &geometry) {
  // In bounding-box units a number (or a percentage, over 100) is a fraction
  // of the box, which the box matrix then maps into user space.
  const Viewport unitBox{1, 1};
  const Viewport &reference = gradient.userSpace ? viewport : unitBox;
  const auto value = [&](const Length &length, Axis axis) {
    if (!gradient.userSpace && length.unit == Unit::Percent) return length.value / 100;
    return resolve(length, reference, axis);
  };
  Matrix box;
  if (!gradient.userSpace) {
    if (!(bounds[2] > 0 && bounds[3] > 0)) return false;
    box = {bounds[2], 0, 0, bounds[3], bounds[0], bounds[1]};
  }
  geometry.toUser = box * gradient.transform;
  if (!geometry.toUser.invertible() || !geometry.toUser.finite()) return false;
  if (!gradient.radial) {
    geometry.values[0] = value(gradient.x1, Axis::X);
    geometry.values[1] = value(gradient.y1, Axis::Y);
    geometry.values[2] = value(gradient.x2, Axis::X);
    geometry.values[3] = value(gradient.y2, Axis::Y);
  } else {
    const double cx = value(gradient.cx, Axis::X), cy = value(gradient.cy, Axis::Y);
    const double r = value(gradient.r, Axis::Diagonal);
    double fx = gradient.hasFx ? value(gradient.fx, Axis::X) : cx;
    double fy = gradient.hasFy ? value(gradient.fy, Axis::Y) : cy;
    const double fr = value(gradient.fr, Axis::Diagonal);
    // A focal point outside the end circle is moved onto it, as SVG 1.1
    // renderers do (just inside, so the gradient stays defined everywhere).
    const double dx = fx - cx, dy = fy - cy, distance = std::hypot(dx, dy);
    if (distance > r * 0.999) {
      const double scale = distance > 0 ? r * 0.999 / distance : 0;
      fx = cx + dx * scale;
      fy = cy + dy * scale;
    }
    const double values[6] = {fx, fy, fr, cx, cy, r};
    std::copy(values, values + 6, geometry.values);
  }
  for (double v : geometry.values) {
    if (!std::isfinite(v) || std::fabs(v) > 1e30) return false;
  }
  const double *v = geometry.values;
  geometry.degenerate = gradient.radial ? !(v[5] > 0) : v[0] == v[2] && v[1] == v[3];
  return true;
}

}  // namespace zdr
