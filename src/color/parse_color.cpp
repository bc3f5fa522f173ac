#include "color/parse_color.hpp"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace zd::color {

namespace {

constexpr const char *kContext = "parseColor";

Result<Color> fail(std::string message) {
  return Result<Color>::err(colorError(ErrorKind::InvalidColor, std::move(message), kContext));
}

// The parser's whitespace: tab, line feed, vertical tab, form feed, carriage
// return and space. Nothing else (no locale, no Unicode spaces).
bool isSpace(char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }

bool isDigit(char ch) { return ch >= '0' && ch <= '9'; }

char lower(char ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch; }

std::string lowerCase(std::string_view text) {
  std::string result(text);
  for (char &ch : result) ch = lower(ch);
  return result;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool equalsIgnoringCase(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (lower(text[i]) != word[i]) return false;
  }
  return true;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         equalsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// The parts of a split: every form needs at most four parts and the count
// of the rest (for its message), so the parts live inline and the count goes on.
struct Parts {
  static constexpr std::size_t kKept = 4;
  std::string_view items[kKept];
  std::size_t count = 0;

  void add(std::string_view part) {
    if (count < kKept) items[count] = part;
    ++count;
  }
  std::string_view operator[](std::size_t i) const { return items[i]; }
};

// Splits at every occurrence of `separator`, keeping empty parts.
Parts splitAt(std::string_view text, char separator) {
  Parts parts;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = text.find(separator, begin);
    if (end == std::string_view::npos) {
      parts.add(text.substr(begin));
      return parts;
    }
    parts.add(text.substr(begin, end - begin));
    begin = end + 1;
  }
}

// Splits at runs of whitespace, dropping empty parts.
Parts splitWhitespace(std::string_view text) {
  Parts tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isSpace(text[i])) ++i;
    const std::size_t begin = i;
    while (i < text.size() && !isSpace(text[i])) ++i;
    if (i > begin) tokens.add(text.substr(begin, i - begin));
  }
  return tokens;
}

// Rounds a float64 to the nearest float32. Values beyond the float32 range
// become infinities as IEEE rounding would give; done by hand because the
// narrowing conversion of an out-of-range value is undefined in C++.
float toFloat32(double value) {
  if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
  const double magnitude = std::fabs(value);
  if (magnitude <= static_cast<double>(FLT_MAX)) return static_cast<float>(value);
  // Halfway between FLT_MAX and the next power of two ties away from
  // FLT_MAX's odd significand, so the halfway point itself overflows.
  const double halfway = static_cast<double>(FLT_MAX) + std::ldexp(1.0, 103);
  const float rounded = magnitude < halfway ? FLT_MAX : std::numeric_limits<float>::infinity();
  return value < 0 ? -rounded : rounded;
}

// Appends a run of decimal digits at text[i...] to `digits`. In the
// mantissa a run of '_' directly after a digit is skipped (1_000 is 1000);
// the exponent's digits are plain. Returns the number of digits read.
std::size_t scanDigits(std::string_view text, std::size_t &i, std::string &digits,
                       bool skipUnderscores = true) {
  std::size_t count = 0;
  while (i < text.size() && isDigit(text[i])) {
    digits.push_back(text[i]);
    ++count;
    ++i;
    while (skipUnderscores && i < text.size() && text[i] == '_') ++i;
  }
  return count;
}

// The decimal order of magnitude of a nonzero mantissa with exponent: used to
// tell an overflow from an underflow when the reader reports a value out of
// range (the two lie hundreds of orders apart).
bool isHuge(std::string_view mantissa, std::int64_t exponent) {
  const std::size_t point = mantissa.find('.');
  const std::size_t integerDigits = point == std::string_view::npos ? mantissa.size() : point;
  std::int64_t order = 0;
  for (std::size_t i = 0; i < mantissa.size(); ++i) {
    if (mantissa[i] == '.' || mantissa[i] == '0') continue;
    order = i < integerDigits ? static_cast<std::int64_t>(integerDigits - i)
                              : -static_cast<std::int64_t>(i - integerDigits);
    break;
  }
  return order + exponent > 0;
}

}  // namespace

bool parseNumber(std::string_view token, double &value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
    negative = token[i] == '-';
    ++i;
  }
  const std::string_view rest = token.substr(i);
  // The words must stand alone: "infinity" or "nan1" are no numbers.
  if (equalsIgnoringCase(rest, "inf")) {
    value = negative ? -std::numeric_limits<double>::infinity()
                     : std::numeric_limits<double>::infinity();
    return true;
  }
  if (equalsIgnoringCase(rest, "nan")) {
    value = std::numeric_limits<double>::quiet_NaN();
    return true;
  }

  std::string mantissa;
  mantissa.reserve(token.size());
  std::size_t digitCount = scanDigits(token, i, mantissa);
  if (i < token.size() && token[i] == '.') {
    mantissa.push_back('.');
    ++i;
    digitCount += scanDigits(token, i, mantissa);
  }
  if (digitCount == 0) return false;

  std::string exponentDigits;
  bool negativeExponent = false;
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
      negativeExponent = token[i] == '-';
      ++i;
    }
    if (scanDigits(token, i, exponentDigits, false) == 0) return false;
  }
  if (i != token.size()) return false;

  std::string text = mantissa;
  if (!exponentDigits.empty()) {
    text += negativeExponent ? "e-" : "e";
    text += exponentDigits;
  }
  double magnitude = 0.0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), magnitude,
                                             std::chars_format::general);
  if (status == std::errc::result_out_of_range) {
    // The exponent saturates: past a billion the answer is the same.
    std::int64_t exponent = 0;
    for (char digit : exponentDigits) {
      exponent = std::min<std::int64_t>(exponent * 10 + (digit - '0'), 1000000000);
    }
    if (negativeExponent) exponent = -exponent;
    magnitude = isHuge(mantissa, exponent) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (status != std::errc() || end != text.data() + text.size()) {
    return false;
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

namespace {

// One component: "none" (zero), a percentage of `scale`, or a plain number.
bool parseComp(std::string_view token, float scale, float &value) {
  const std::string_view t = trim(token);
  if (t.empty()) return false;
  if (equalsIgnoringCase(t, "none")) {
    value = 0.0f;
    return true;
  }
  double number = 0.0;
  if (t.back() == '%') {
    if (t.size() < 2 || !parseNumber(t.substr(0, t.size() - 1), number)) return false;
    value = (scale * toFloat32(number)) / 100.0f;
    return true;
  }
  if (!parseNumber(t, number)) return false;
  value = toFloat32(number);
  return true;
}

struct AngleUnit {
  std::string_view name;
  double degrees;
};

// "grad" is tried before "rad" so that 100grad reads as gradians.
constexpr AngleUnit kUnits[] = {
    {"turn", 360.0}, {"grad", 0.9}, {"rad", 57.29577951308232}, {"deg", 1.0}};

// One hue in degrees: "none", a number with a unit, or a bare number.
// Hues are not reduced modulo 360.
bool parseHue(std::string_view token, float &value) {
  const std::string_view t = trim(token);
  if (t.empty()) return false;
  if (equalsIgnoringCase(t, "none")) {
    value = 0.0f;
    return true;
  }
  double number = 0.0;
  for (const AngleUnit &unit : kUnits) {
    if (t.size() > unit.name.size() && endsWithIgnoringCase(t, unit.name)) {
      // The first unit that matches decides, valid number or not.
      if (!parseNumber(t.substr(0, t.size() - unit.name.size()), number)) return false;
      value = toFloat32(unit.degrees * number);
      return true;
    }
  }
  if (!parseNumber(t, number)) return false;
  value = toFloat32(number);
  return true;
}

int hexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

Result<Color> parseHex(std::string_view digits) {
  const std::size_t n = digits.size();
  if (n != 3 && n != 4 && n != 6 && n != 8) {
    return fail("parseColor: hex must have 3, 4, 6 or 8 digits, got " + std::to_string(n));
  }
  std::string expanded;
  if (n <= 4) {
    for (char ch : digits) expanded.append(2, ch);
  } else {
    expanded = digits;
  }
  for (char ch : expanded) {
    if (hexDigit(ch) < 0)
      return fail(std::string("parseColor: non-hex digit '") + ch + "' in color");
  }
  float channels[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  for (std::size_t pair = 0; pair * 2 < expanded.size(); ++pair) {
    const int byte = hexDigit(expanded[pair * 2]) * 16 + hexDigit(expanded[pair * 2 + 1]);
    channels[pair] = static_cast<float>(byte) / 255.0f;
  }
  return color(stSrgb, channels[0], channels[1], channels[2], channels[3]);
}

// Splits off a "/ alpha" part. False when there is more than one '/'.
bool splitAlpha(std::string_view body, std::string_view &components, std::string_view &alpha,
                bool &hasAlpha) {
  hasAlpha = body.find('/') != std::string_view::npos;
  components = body;
  if (!hasAlpha) return true;
  const auto parts = splitAt(body, '/');
  if (parts.count != 2) return false;
  components = parts[0];
  alpha = parts[1];
  return true;
}

Result<Color> parseOklchBody(std::string_view body) {
  std::string_view componentText;
  std::string_view alphaText;
  bool hasAlpha = false;
  if (!splitAlpha(body, componentText, alphaText, hasAlpha)) {
    return fail("parseColor: oklch() with multiple '/'");
  }
  const auto tokens = splitWhitespace(componentText);
  if (tokens.count != 3) {
    return fail("parseColor: oklch() needs L C h, got " + std::to_string(tokens.count) +
                " components");
  }
  float lightness = 0.0f;
  float chroma = 0.0f;
  float hue = 0.0f;
  if (!parseComp(tokens[0], 1.0f, lightness)) {
    return fail("parseColor: bad oklch L '" + std::string(tokens[0]) + "'");
  }
  if (!parseComp(tokens[1], 0.4f, chroma)) {
    return fail("parseColor: bad oklch C '" + std::string(tokens[1]) + "'");
  }
  if (!parseHue(tokens[2], hue)) {
    return fail("parseColor: bad oklch h '" + std::string(tokens[2]) + "'");
  }
  float alpha = 1.0f;
  if (hasAlpha && !parseComp(trim(alphaText), 1.0f, alpha)) {
    return fail("parseColor: bad oklch alpha '" + std::string(alphaText) + "'");
  }
  return color(stOklch, lightness, chroma, hue, alpha);
}

Result<Color> parseRgbBody(std::string_view body) {
  std::string_view componentText;
  std::string_view alphaText;
  bool hasAlpha = false;
  if (!splitAlpha(body, componentText, alphaText, hasAlpha)) {
    return fail("parseColor: rgb() with multiple '/'");
  }
  Parts parts;
  if (componentText.find(',') != std::string_view::npos) {
    if (hasAlpha) return fail("parseColor: rgb() comma syntax cannot use '/' alpha");
    parts = splitAt(componentText, ',');
    if (parts.count != 3 && parts.count != 4) {
      return fail("parseColor: rgb() comma syntax needs 3 components, got " +
                  std::to_string(parts.count));
    }
    if (parts.count == 4) {
      hasAlpha = true;
      alphaText = parts[3];
    }
  } else {
    parts = splitWhitespace(componentText);
    if (parts.count != 3) {
      return fail("parseColor: rgb() whitespace syntax needs 3 components, got " +
                  std::to_string(parts.count));
    }
  }
  static constexpr const char *kChannelNames[] = {"red", "green", "blue"};
  float channels[3] = {0.0f, 0.0f, 0.0f};
  for (std::size_t i = 0; i < 3; ++i) {
    if (!parseComp(parts[i], 255.0f, channels[i])) {
      return fail(std::string("parseColor: bad rgb ") + kChannelNames[i] + " component '" +
                  std::string(parts[i]) + "'");
    }
    channels[i] /= 255.0f;
  }
  float alpha = 1.0f;
  if (hasAlpha && !parseComp(trim(alphaText), 1.0f, alpha)) {
    return fail("parseColor: bad rgb alpha '" + std::string(alphaText) + "'");
  }
  return color(stSrgb, channels[0], channels[1], channels[2], alpha);
}

}  // namespace

Result<Color> parseColor(std::string_view text) {
  const std::string_view s = trim(text);
  if (s.empty()) return fail("parseColor: empty color string");
  if (s.front() == '#') return parseHex(s.substr(1));

  // Only the prefix tests look at the lower-cased text; the bodies keep
  // their own case.
  const std::string low = lowerCase(s.substr(0, std::min<std::size_t>(s.size(), 6)));
  const bool closed = s.back() == ')';
  if (closed && low.starts_with("oklch(")) return parseOklchBody(s.substr(6, s.size() - 7));
  if (closed && (low.starts_with("rgb(") || low.starts_with("rgba("))) {
    const std::size_t open = s.find('(');
    return parseRgbBody(s.substr(open + 1, s.size() - open - 2));
  }
  return fail("parseColor: unsupported color form '" + std::string(s) + "'");
}

}  // namespace zd::color
