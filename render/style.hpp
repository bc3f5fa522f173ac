// Presentation properties and their cascade: presentation attributes, then
// the declarations of style="…" (which win), with SVG's inheritance: fill,
// stroke and their details, color and visibility pass to children; opacity,
// display and the stop properties do not.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "diagnostics.hpp"
#include "values.hpp"
#include "xml_tree.hpp"

namespace zdr {

// A colour in sRGB, components and alpha in [0, 1].
struct Rgba {
  float r = 0, g = 0, b = 0, a = 1;
};

enum class PaintKind { None, Color, CurrentColor, Url };

struct Paint {
  PaintKind kind = PaintKind::None;
  Rgba color;
  std::string url;  // the id a url(#id) paint refers to
  // What a url() paint falls back to when its reference is missing or unusable.
  PaintKind fallback = PaintKind::None;
  Rgba fallbackColor;
};

struct Style {
  // Inherited.
  Paint fill{PaintKind::Color, {}, {}, PaintKind::None, {}};
  Paint stroke;
  double fillOpacity = 1, strokeOpacity = 1;
  bool evenOdd = false;
  Length strokeWidth{1, Unit::Number};
  int join = 0, cap = 0;  // as ZD_JOIN_* and ZD_CAP_*
  double miterLimit = 4;
  std::vector<Length> dashes;
  Length dashOffset;
  Rgba color;
  bool visible = true;
  // Not inherited.
  double opacity = 1;
  bool displayNone = false;
  Rgba stopColor;
  bool stopColorCurrent = false;
  double stopOpacity = 1;
  Matrix transform;  // the transform attribute or property
};

// CSS colour text parsed by the library, remembered by text.
class ColorParser {
 public:
  bool parse(std::string_view text, Rgba &color);

 private:
  std::unordered_map<std::string, std::pair<bool, Rgba>> known_;
};

// The rules of <style> elements: selectors of one compound each (a type or
// *, classes, an id); rules with other selectors are skipped with a warning.
class StyleSheet {
 public:
  void add(std::string_view css, Diagnostics &diagnostics, int line);
  // Calls visit(name, value) for the declarations of the rules matching
  // `element`, by ascending specificity, then in document order.
  template <typename Visit>
  void forEachMatching(const Element &element, Visit visit) const;
  bool empty() const { return rules_.empty(); }

 private:
  struct Rule {
    std::string type;  // "" matches any
    std::string id;
    std::vector<std::string> classes;
    int specificity = 0;
    std::vector<std::pair<std::string, std::string>> declarations;
  };
  bool matches(const Rule &rule, const Element &element) const;
  std::vector<Rule> rules_;  // sorted by specificity, stable
};

template <typename Visit>
void StyleSheet::forEachMatching(const Element &element, Visit visit) const {
  for (const Rule &rule : rules_) {
    if (!matches(rule, element)) continue;
    for (const auto &[name, value] : rule.declarations) visit(name, value);
  }
}

// The style of `element`, whose parent has `parent`: presentation
// attributes, then the style sheet's matching rules, then style="…".
Style computeStyle(const Element &element, const Style &parent, ColorParser &colors,
                   Diagnostics &diagnostics, const StyleSheet *sheet = nullptr);

}  // namespace zdr
