#include "values.hpp"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace zdr {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

void skipSpace(std::string_view &text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
}

// Skips white space and at most one comma.
void skipSeparator(std::string_view &text) {
  skipSpace(text);
  if (!text.empty() && text.front() == ',') {
    text.remove_prefix(1);
    skipSpace(text);
  }
}

// Reads one number at the start of `text` (SVG's grammar: optional sign,
// digits with an optional fraction, optional exponent) and consumes it.
bool readNumber(std::string_view &text, double &value) {
  std::string_view rest = text;
  bool negative = false;
  if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  if (rest.empty() || !((rest.front() >= '0' && rest.front() <= '9') || rest.front() == '.')) {
    return false;
  }
  double magnitude = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), magnitude,
                                            std::chars_format::general);
  if (error != std::errc() || !std::isfinite(magnitude)) return false;
  value = negative ? -magnitude : magnitude;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return true;
}

bool readUnit(std::string_view &text, Unit &unit) {
  static constexpr std::pair<std::string_view, Unit> kUnits[] = {
      {"px", Unit::Px}, {"%", Unit::Percent}, {"em", Unit::Em}, {"ex", Unit::Ex}, {"in", Unit::In},
      {"cm", Unit::Cm}, {"mm", Unit::Mm},     {"pt", Unit::Pt}, {"pc", Unit::Pc}};
  unit = Unit::Number;
  for (const auto &[name, kind] : kUnits) {
    if (text.starts_with(name)) {
      unit = kind;
      text.remove_prefix(name.size());
      return true;
    }
  }
  return true;
}

bool readLength(std::string_view &text, Length &length) {
  if (!readNumber(text, length.value)) return false;
  return readUnit(text, length.unit);
}

}  // namespace

Matrix Matrix::operator*(const Matrix &inner) const {
  return {a * inner.a + c * inner.b, b * inner.a + d * inner.b,     a * inner.c + c * inner.d,
          b * inner.c + d * inner.d, a * inner.e + c * inner.f + e, b * inner.e + d * inner.f + f};
}

bool Matrix::invertible() const {
  const double determinant = a * d - b * c;
  return std::isfinite(determinant) && determinant != 0;
}

bool Matrix::finite() const {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) &&
         std::isfinite(e) && std::isfinite(f);
}

std::array<float, 6> Matrix::floats() const {
  return {static_cast<float>(a), static_cast<float>(b), static_cast<float>(c),
          static_cast<float>(d), static_cast<float>(e), static_cast<float>(f)};
}

double resolve(const Length &length, const Viewport &viewport, Axis axis) {
  switch (length.unit) {
    case Unit::Number:
    case Unit::Px: return length.value;
    case Unit::Percent: {
      double reference = viewport.width;
      if (axis == Axis::Y) reference = viewport.height;
      if (axis == Axis::Diagonal) {
        reference =
            std::sqrt((viewport.width * viewport.width + viewport.height * viewport.height) / 2);
      }
      return length.value / 100 * reference;
    }
    // Font-relative units take the initial font size, 16 px (ex: half of it).
    case Unit::Em: return length.value * 16;
    case Unit::Ex: return length.value * 8;
    case Unit::In: return length.value * 96;
    case Unit::Cm: return length.value * 96 / 2.54;
    case Unit::Mm: return length.value * 96 / 25.4;
    case Unit::Pt: return length.value * 96 / 72;
    case Unit::Pc: return length.value * 16;
  }
  return length.value;
}

std::string_view trim(std::string_view text) {
  skipSpace(text);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool parseNumber(std::string_view text, double &value) {
  text = trim(text);
  double parsed = 0;
  if (!readNumber(text, parsed) || !text.empty()) return false;
  value = parsed;
  return true;
}

bool parseLength(std::string_view text, Length &length) {
  text = trim(text);
  Length parsed;
  if (!readLength(text, parsed) || !text.empty()) return false;
  length = parsed;
  return true;
}

bool parseNumberList(std::string_view text, std::vector<double> &values) {
  values.clear();
  skipSpace(text);
  while (!text.empty()) {
    double value = 0;
    if (!readNumber(text, value)) return false;
    values.push_back(value);
    skipSeparator(text);
  }
  return true;
}

void readNumbers(std::string_view text, std::vector<double> &values) {
  values.clear();
  skipSpace(text);
  double value = 0;
  while (!text.empty() && readNumber(text, value)) {
    values.push_back(value);
    skipSeparator(text);
  }
}

bool parseLengthList(std::string_view text, std::vector<Length> &values) {
  values.clear();
  skipSpace(text);
  while (!text.empty()) {
    Length value;
    if (!readLength(text, value)) return false;
    values.push_back(value);
    skipSeparator(text);
  }
  return true;
}

namespace {

// One transform function "name(args)", appended to `matrix`.
bool readTransformFunction(std::string_view &text, Matrix &matrix) {
  static constexpr std::string_view kNames[] = {"matrix", "translate", "scale",
                                                "rotate", "skewX",     "skewY"};
  int which = -1;
  for (int i = 0; i < 6; ++i) {
    if (text.starts_with(kNames[i])) {
      which = i;
      text.remove_prefix(kNames[i].size());
      break;
    }
  }
  if (which < 0) return false;
  skipSpace(text);
  if (text.empty() || text.front() != '(') return false;
  text.remove_prefix(1);
  skipSpace(text);
  double args[6] = {};
  int count = 0;
  while (!text.empty() && text.front() != ')') {
    if (count == 6 || !readNumber(text, args[count])) return false;
    ++count;
    skipSeparator(text);
  }
  if (text.empty()) return false;
  text.remove_prefix(1);
  constexpr double kDegrees = std::numbers::pi / 180;
  Matrix step;
  switch (which) {
    case 0:
      if (count != 6) return false;
      step = {args[0], args[1], args[2], args[3], args[4], args[5]};
      break;
    case 1:
      if (count != 1 && count != 2) return false;
      step = Matrix::translate(args[0], count == 2 ? args[1] : 0);
      break;
    case 2:
      if (count != 1 && count != 2) return false;
      step = Matrix::scale(args[0], count == 2 ? args[1] : args[0]);
      break;
    case 3: {
      if (count != 1 && count != 3) return false;
      const double angle = args[0] * kDegrees;
      const Matrix turn{std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), 0, 0};
      step = count == 3 ? Matrix::translate(args[1], args[2]) * turn *
                              Matrix::translate(-args[1], -args[2])
                        : turn;
      break;
    }
    case 4:
      if (count != 1) return false;
      step = {1, 0, std::tan(args[0] * kDegrees), 1, 0, 0};
      break;
    default:
      if (count != 1) return false;
      step = {1, std::tan(args[0] * kDegrees), 0, 1, 0, 0};
      break;
  }
  matrix = matrix * step;
  return true;
}

}  // namespace

bool parseTransform(std::string_view text, Matrix &matrix) {
  Matrix parsed;
  skipSpace(text);
  while (!text.empty()) {
    if (!readTransformFunction(text, parsed)) return false;
    skipSeparator(text);
  }
  if (!parsed.finite()) return false;
  matrix = parsed;
  return true;
}

bool parseViewBox(std::string_view text, ViewBox &box) {
  std::vector<double> values;
  if (!parseNumberList(text, values) || values.size() != 4) return false;
  // A negative size is an error; a zero one disables rendering (the caller checks).
  if (values[2] < 0 || values[3] < 0) return false;
  box = {values[0], values[1], values[2], values[3]};
  return true;
}

bool parseAspectRatio(std::string_view text, AspectRatio &ratio) {
  text = trim(text);
  AspectRatio parsed;
  if (text.starts_with("defer")) {
    text.remove_prefix(5);
    text = trim(text);
  }
  if (text.starts_with("none")) {
    parsed.alignX = parsed.alignY = -1;
    text.remove_prefix(4);
  } else {
    static constexpr std::string_view kX[] = {"xMin", "xMid", "xMax"};
    static constexpr std::string_view kY[] = {"YMin", "YMid", "YMax"};
    parsed.alignX = parsed.alignY = -2;
    for (int i = 0; i < 3; ++i) {
      if (text.starts_with(kX[i])) parsed.alignX = i;
    }
    if (parsed.alignX < 0) return false;
    text.remove_prefix(4);
    for (int i = 0; i < 3; ++i) {
      if (text.starts_with(kY[i])) parsed.alignY = i;
    }
    if (parsed.alignY < 0) return false;
    text.remove_prefix(4);
  }
  text = trim(text);
  if (text == "slice") {
    parsed.slice = true;
  } else if (!text.empty() && text != "meet") {
    return false;
  }
  ratio = parsed;
  return true;
}

Matrix viewBoxMatrix(const ViewBox &box, const AspectRatio &ratio, double width, double height) {
  double sx = width / box.width, sy = height / box.height;
  if (ratio.alignX >= 0) {
    sx = sy = ratio.slice ? std::max(sx, sy) : std::min(sx, sy);
  }
  double tx = -box.x * sx, ty = -box.y * sy;
  if (ratio.alignX >= 0) {
    tx += (width - box.width * sx) * ratio.alignX / 2;
    ty += (height - box.height * sy) * ratio.alignY / 2;
  }
  return {sx, 0, 0, sy, tx, ty};
}

}  // namespace zdr
