#include "style.hpp"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "zd.h"

namespace zdr {

namespace {

std::string lower(std::string_view text) {
  std::string result(text);
  for (char &c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

// opacity-like values: a number or a percentage, clamped to [0, 1].
bool parseAlpha(std::string_view text, double &value) {
  Length length;
  if (!parseLength(text, length)) return false;
  double parsed = length.value;
  if (length.unit == Unit::Percent) {
    parsed /= 100;
  } else if (length.unit != Unit::Number) {
    return false;
  }
  value = std::clamp(parsed, 0.0, 1.0);
  return true;
}

bool parsePaint(std::string_view text, Paint &paint, ColorParser &colors) {
  text = trim(text);
  const std::string keyword = lower(text);
  Paint parsed;
  if (keyword == "none") {
    parsed.kind = PaintKind::None;
  } else if (keyword == "currentcolor") {
    parsed.kind = PaintKind::CurrentColor;
  } else if (keyword.starts_with("url(")) {
    const std::size_t close = text.find(')');
    if (close == std::string_view::npos) return false;
    std::string_view reference = trim(text.substr(4, close - 4));
    if (reference.size() >= 2 && (reference.front() == '"' || reference.front() == '\'') &&
        reference.back() == reference.front()) {
      reference = reference.substr(1, reference.size() - 2);
    }
    if (!reference.starts_with("#")) return false;
    parsed.kind = PaintKind::Url;
    parsed.url = std::string(reference.substr(1));
    const std::string_view rest = trim(text.substr(close + 1));
    if (!rest.empty()) {
      Paint fallback;
      if (!parsePaint(rest, fallback, colors) || fallback.kind == PaintKind::Url) return false;
      parsed.fallback = fallback.kind;
      parsed.fallbackColor = fallback.color;
    }
  } else {
    parsed.kind = PaintKind::Color;
    if (!colors.parse(text, parsed.color)) return false;
  }
  paint = std::move(parsed);
  return true;
}

bool parseKeyword(std::string_view text, std::initializer_list<std::string_view> names,
                  int &value) {
  const std::string keyword = lower(trim(text));
  int index = 0;
  for (std::string_view name : names) {
    if (keyword == name) {
      value = index;
      return true;
    }
    ++index;
  }
  return false;
}

bool parseDashes(std::string_view text, std::vector<Length> &dashes) {
  if (lower(trim(text)) == "none") {
    dashes.clear();
    return true;
  }
  std::vector<Length> parsed;
  if (!parseLengthList(text, parsed)) return false;
  for (const Length &length : parsed) {
    if (length.value < 0) return false;
  }
  dashes = std::move(parsed);
  return true;
}

// Properties this renderer does not apply; the element is drawn without them.
// Values that ask for nothing ("none", "normal") are not warned about.
bool isUnsupportedProperty(std::string_view name, std::string_view value) {
  static constexpr std::string_view kNames[] = {
      "clip-path",  "mask",       "filter",        "marker",         "marker-start",
      "marker-mid", "marker-end", "vector-effect", "mix-blend-mode", "paint-order"};
  if (std::find(std::begin(kNames), std::end(kNames), name) == std::end(kNames)) return false;
  const std::string keyword = lower(value);
  return keyword != "none" && keyword != "normal" && !(name == "paint-order" && keyword == "fill");
}

// Applies one declaration to `style`; invalid values leave it unchanged.
void apply(std::string_view name, std::string_view value, Style &style, const Style &parent,
           ColorParser &colors, Diagnostics &diagnostics, int line) {
  value = trim(value);
  const bool inherit = lower(value) == "inherit";
  if (name == "fill") {
    if (inherit) style.fill = parent.fill;
    else parsePaint(value, style.fill, colors);
  } else if (name == "stroke") {
    if (inherit) style.stroke = parent.stroke;
    else parsePaint(value, style.stroke, colors);
  } else if (name == "fill-opacity") {
    if (inherit) style.fillOpacity = parent.fillOpacity;
    else parseAlpha(value, style.fillOpacity);
  } else if (name == "stroke-opacity") {
    if (inherit) style.strokeOpacity = parent.strokeOpacity;
    else parseAlpha(value, style.strokeOpacity);
  } else if (name == "opacity") {
    if (inherit) style.opacity = parent.opacity;
    else parseAlpha(value, style.opacity);
  } else if (name == "fill-rule") {
    int rule = 0;
    if (inherit) style.evenOdd = parent.evenOdd;
    else if (parseKeyword(value, {"nonzero", "evenodd"}, rule)) style.evenOdd = rule == 1;
  } else if (name == "stroke-width") {
    Length width;
    if (inherit) style.strokeWidth = parent.strokeWidth;
    else if (parseLength(value, width) && width.value >= 0) style.strokeWidth = width;
  } else if (name == "stroke-linejoin") {
    if (inherit) style.join = parent.join;
    // miter-clip and arcs are SVG 2 joins drawn as the nearest SVG 1.1 one.
    else if (!parseKeyword(value, {"miter", "round", "bevel"}, style.join) &&
             parseKeyword(value, {"miter-clip", "arcs"}, style.join)) {
      style.join = 0;
    }
  } else if (name == "stroke-linecap") {
    if (inherit) style.cap = parent.cap;
    else parseKeyword(value, {"butt", "round", "square"}, style.cap);
  } else if (name == "stroke-miterlimit") {
    double limit = 0;
    if (inherit) style.miterLimit = parent.miterLimit;
    else if (parseNumber(value, limit) && limit >= 1) style.miterLimit = limit;
  } else if (name == "stroke-dasharray") {
    if (inherit) style.dashes = parent.dashes;
    else parseDashes(value, style.dashes);
  } else if (name == "stroke-dashoffset") {
    if (inherit) style.dashOffset = parent.dashOffset;
    else parseLength(value, style.dashOffset);
  } else if (name == "color") {
    if (inherit) style.color = parent.color;
    else if (lower(value) != "currentcolor") colors.parse(value, style.color);
  } else if (name == "visibility") {
    int visibility = 0;
    if (inherit) style.visible = parent.visible;
    else if (parseKeyword(value, {"visible", "hidden", "collapse"}, visibility)) {
      style.visible = visibility == 0;
    }
  } else if (name == "display") {
    style.displayNone = inherit ? parent.displayNone : lower(value) == "none";
  } else if (name == "stop-color") {
    const std::string keyword = lower(value);
    if (inherit) {
      style.stopColor = parent.stopColor;
      style.stopColorCurrent = parent.stopColorCurrent;
    } else if (keyword == "currentcolor") {
      style.stopColorCurrent = true;
    } else if (colors.parse(value, style.stopColor)) {
      style.stopColorCurrent = false;
    }
  } else if (name == "stop-opacity") {
    if (inherit) style.stopOpacity = parent.stopOpacity;
    else parseAlpha(value, style.stopOpacity);
  } else if (name == "transform") {
    parseTransform(value, style.transform);
  } else if (isUnsupportedProperty(name, value)) {
    diagnostics.unsupported("property " + std::string(name), line);
  }
}

// The declarations of a style attribute or a rule: "name: value; name: value".
template <typename Visit>
void forEachDeclaration(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const std::size_t end = text.find(';');
    const std::string_view declaration = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::size_t colon = declaration.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view value = trim(declaration.substr(colon + 1));
    if (const std::size_t bang = value.find('!'); bang != std::string_view::npos) {
      value = trim(value.substr(0, bang));  // !important changes nothing here
    }
    visit(lower(trim(declaration.substr(0, colon))), value);
  }
}

bool isSpaceChar(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string withoutComments(std::string_view css) {
  std::string text;
  while (!css.empty()) {
    const std::size_t open = css.find("/*");
    text.append(css.substr(0, open));
    if (open == std::string_view::npos) break;
    const std::size_t close = css.find("*/", open + 2);
    if (close == std::string_view::npos) break;
    css.remove_prefix(close + 2);
  }
  return text;
}

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

void StyleSheet::add(std::string_view css, Diagnostics &diagnostics, int line) {
  const std::string text = withoutComments(css);
  std::string_view rest = text;
  while (true) {
    const std::size_t open = rest.find('{');
    if (open == std::string_view::npos) break;
    const std::string_view selectors = trim(rest.substr(0, open));
    // At-rules (@media, @font-face) are skipped with their block.
    if (selectors.starts_with("@")) {
      int depth = 0;
      std::size_t at = open;
      for (; at < rest.size(); ++at) {
        if (rest[at] == '{') ++depth;
        if (rest[at] == '}' && --depth == 0) break;
      }
      diagnostics.unsupported("CSS at-rule", line);
      rest.remove_prefix(std::min(at + 1, rest.size()));
      continue;
    }
    const std::size_t close = rest.find('}', open);
    const std::string_view body = rest.substr(
        open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
    std::vector<std::pair<std::string, std::string>> declarations;
    forEachDeclaration(body, [&](const std::string &name, std::string_view value) {
      declarations.emplace_back(name, std::string(value));
    });
    std::string_view list = selectors;
    while (!list.empty()) {
      const std::size_t comma = list.find(',');
      const std::string_view one = trim(list.substr(0, comma));
      list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
      Rule rule;
      rule.declarations = declarations;
      std::size_t at = 0;
      bool ok = !one.empty();
      if (ok && one[0] == '*') {
        at = 1;
      } else {
        while (at < one.size() && isNameChar(one[at])) ++at;
        rule.type = std::string(one.substr(0, at));
        if (!rule.type.empty()) rule.specificity += 1;
      }
      while (ok && at < one.size()) {
        const char kind = one[at];
        std::size_t end = at + 1;
        while (end < one.size() && isNameChar(one[end])) ++end;
        const std::string name(one.substr(at + 1, end - at - 1));
        if ((kind != '.' && kind != '#') || name.empty()) {
          ok = false;
          break;
        }
        if (kind == '.') {
          rule.classes.push_back(name);
          rule.specificity += 100;
        } else {
          rule.id = name;
          rule.specificity += 10000;
        }
        at = end;
      }
      if (!ok || isSpaceChar(one.back())) {
        diagnostics.unsupported("CSS selector", line);
        continue;
      }
      rules_.push_back(std::move(rule));
    }
    if (close == std::string_view::npos) break;
    rest.remove_prefix(close + 1);
  }
  std::stable_sort(rules_.begin(), rules_.end(),
                   [](const Rule &a, const Rule &b) { return a.specificity < b.specificity; });
}

bool StyleSheet::matches(const Rule &rule, const Element &element) const {
  if (!rule.type.empty() && rule.type != element.name) return false;
  if (!rule.id.empty()) {
    const std::string *id = element.attribute("id");
    if (id == nullptr || *id != rule.id) return false;
  }
  if (rule.classes.empty()) return true;
  const std::string *classes = element.attribute("class");
  if (classes == nullptr) return false;
  for (const std::string &wanted : rule.classes) {
    bool found = false;
    std::string_view rest = *classes;
    while (!rest.empty() && !found) {
      while (!rest.empty() && isSpaceChar(rest.front())) rest.remove_prefix(1);
      std::size_t end = 0;
      while (end < rest.size() && !isSpaceChar(rest[end])) ++end;
      found = rest.substr(0, end) == wanted;
      rest.remove_prefix(end);
    }
    if (!found) return false;
  }
  return true;
}

bool ColorParser::parse(std::string_view text, Rgba &color) {
  text = trim(text);
  auto found = known_.find(std::string(text));
  if (found == known_.end()) {
    Rgba parsed;
    bool ok = false;
    const std::string copy(text);
    std::unique_ptr<ZdColor, void (*)(ZdColor *)> handle(zd_color_parse_css(copy.c_str()),
                                                         zd_color_free);
    char *hex = nullptr;
    int64_t length = 0;
    // The colour's sRGB form, brought into gamut by the library.
    if (handle && zd_color_to_svg(handle.get(), &hex, &length) == ZD_OK) {
      unsigned channels[4] = {0, 0, 0, 255};
      const int count =
          std::sscanf(hex, "#%2x%2x%2x%2x", &channels[0], &channels[1], &channels[2], &channels[3]);
      ok = count >= 3;
      parsed = {channels[0] / 255.0f, channels[1] / 255.0f, channels[2] / 255.0f,
                channels[3] / 255.0f};
      zd_buffer_free(hex);
    }
    found = known_.emplace(copy, std::make_pair(ok, parsed)).first;
  }
  if (found->second.first) color = found->second.second;
  return found->second.first;
}

Style computeStyle(const Element &element, const Style &parent, ColorParser &colors,
                   Diagnostics &diagnostics, const StyleSheet *sheet) {
  Style style = parent;
  style.opacity = 1;
  style.displayNone = false;
  style.stopColor = Rgba{};
  style.stopColorCurrent = false;
  style.stopOpacity = 1;
  style.transform = Matrix{};
  const std::string *declarations = nullptr;
  for (const auto &[name, value] : element.attributes) {
    if (name == "style") {
      declarations = &value;
    } else {
      apply(name, value, style, parent, colors, diagnostics, element.line);
    }
  }
  if (sheet != nullptr && !sheet->empty()) {
    sheet->forEachMatching(element, [&](const std::string &name, const std::string &value) {
      apply(name, value, style, parent, colors, diagnostics, element.line);
    });
  }
  if (declarations != nullptr) {
    forEachDeclaration(*declarations, [&](const std::string &name, std::string_view value) {
      apply(name, value, style, parent, colors, diagnostics, element.line);
    });
  }
  return style;
}

}  // namespace zdr
