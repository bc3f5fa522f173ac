// The CSS colour writer. Every number is the shortest decimal that the
// reader turns back into the same float32, so parseCss(toCss(c)) gives c.
#include <charconv>
#include <cmath>
#include <string>

#include "color/convert.hpp"
#include "color/css.hpp"
#include "color/css_syntax.hpp"
#include "color/hub.hpp"

namespace zd::color {

namespace {

// Appends the shortest decimal d with toFloat32(d / divisor) == value: the
// reader's own arithmetic, so the text reads back to exactly `value`.
void appendNumber(std::string &out, float value, double divisor = 1.0) {
  const double scaled = static_cast<double>(value) * divisor;
  char buffer[40];
  double chosen = scaled;
  // Fewest significant digits first; 17 always reads back to `scaled`.
  for (int precision = 1; precision <= 17; ++precision) {
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, scaled,
                                       std::chars_format::scientific, precision - 1);
    double readBack = 0;
    std::from_chars(buffer, written.ptr, readBack);
    if (toFloat32(componentOfNumber(readBack, divisor)) == value) {
      chosen = readBack;
      break;
    }
  }
  // The chosen decimal in its shortest spelling, fixed or with an exponent,
  // the exponent without '+' or leading zeros (1e-7, 3e38).
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, chosen);
  const std::string_view text(buffer, static_cast<std::size_t>(written.ptr - buffer));
  const std::size_t e = text.find('e');
  if (e == std::string_view::npos) {
    out.append(text);
    return;
  }
  out.append(text.substr(0, e + 1));
  std::size_t i = e + 1;
  if (text[i] == '-') out.push_back('-');
  if (text[i] == '-' || text[i] == '+') ++i;
  while (i + 1 < text.size() && text[i] == '0') ++i;
  out.append(text.substr(i));
}

bool isMissing(const CssColor &c, int slot) { return (c.missing & (1u << slot)) != 0; }

void appendComponent(std::string &out, const CssColor &c, int slot, double divisor = 1.0,
                     const char *suffix = "") {
  if (isMissing(c, slot)) {
    out += "none";
    return;
  }
  appendNumber(out, c.color.comps[slot], divisor);
  out += suffix;
}

// " / alpha" when the alpha is not 1, or is missing.
void appendAlpha(std::string &out, const CssColor &c) {
  if (c.missing & kMissingAlpha) {
    out += " / none";
  } else if (c.color.alpha != 1.0f) {
    out += " / ";
    appendNumber(out, c.color.alpha);
  }
}

bool within(float v, double low, double high) { return v >= low && v <= high; }
bool isHue(float v) { return v >= 0.0f && v < 360.0f; }

// The byte a component stands for when it is exactly byte/255, else -1.
int exactByte(float v) {
  if (!within(v, 0, 1)) return -1;
  const int byte = static_cast<int>(std::lround(static_cast<double>(v) * 255.0));
  return byteComponent(static_cast<std::uint32_t>(byte)) == v ? byte : -1;
}

std::string srgbText(const CssColor &c) {
  const Color &v = c.color;
  int bytes[4] = {exactByte(v.comps[0]), exactByte(v.comps[1]), exactByte(v.comps[2]),
                  v.alpha == 1.0f ? 255 : exactByte(v.alpha)};
  if (bytes[0] >= 0 && bytes[1] >= 0 && bytes[2] >= 0 && bytes[3] >= 0) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = "#";
    for (int i = 0; i < (bytes[3] == 255 ? 3 : 4); ++i) {
      out.push_back(kDigits[bytes[i] >> 4]);
      out.push_back(kDigits[bytes[i] & 15]);
    }
    return out;
  }
  const bool opaque = v.alpha == 1.0f;
  std::string out = opaque ? "rgb(" : "rgba(";
  for (int i = 0; i < 3; ++i) {
    appendNumber(out, v.comps[i], 255.0);
    out += ", ";
  }
  out.resize(out.size() - 2);
  if (!opaque) {
    out += ", ";
    appendNumber(out, v.alpha);
  }
  return out + ")";
}

// name(c1 c2 c3 / alpha) with each component's divisor and suffix.
std::string functionText(const char *name, const CssColor &c, const double (&divisors)[3],
                         const char *const (&suffixes)[3]) {
  std::string out = name;
  out += '(';
  for (int i = 0; i < 3; ++i) {
    if (i > 0) out += ' ';
    appendComponent(out, c, i, divisors[i], suffixes[i]);
  }
  appendAlpha(out, c);
  return out + ")";
}

// color(name c1 c2 c3 [c4] / alpha): numbers as they are, never clamped.
std::string colorFunctionText(std::string_view name, const CssColor &c, int count) {
  std::string out = "color(";
  out += name;
  for (int i = 0; i < count; ++i) {
    out += ' ';
    if (i == 3) {
      appendNumber(out, c.fourth);
    } else {
      appendComponent(out, c, i);
    }
  }
  appendAlpha(out, c);
  return out + ")";
}

constexpr double kPlain[3] = {1, 1, 1};
constexpr const char *kNoSuffix[3] = {"", "", ""};
constexpr double kHuePercents[3] = {1, 100, 100};
constexpr const char *kHuePercentSuffix[3] = {"", "%", "%"};

}  // namespace

std::string toCss(const CssColor &c) {
  const Color &v = c.color;
  const float l = v.comps[0], second = v.comps[1], third = v.comps[2];
  // Each function form, where the values are ones it reads back unclamped.
  switch (v.space) {
    case stSrgb:
      if (c.missing == 0 && within(l, 0, 1) && within(second, 0, 1) && within(third, 0, 1)) {
        return srgbText(c);
      }
      break;
    case stHsl:
      if (isHue(l) && second >= 0.0f)
        return functionText("hsl", c, kHuePercents, kHuePercentSuffix);
      break;
    case stHwb:
      if (isHue(l)) return functionText("hwb", c, kHuePercents, kHuePercentSuffix);
      break;
    case stLab:
      if (within(l, 0, 100)) return functionText("lab", c, kPlain, kNoSuffix);
      break;
    case stOklab:
      if (within(l, 0, 1)) return functionText("oklab", c, kPlain, kNoSuffix);
      break;
    case stLch:
      if (within(l, 0, 100) && second >= 0.0f && isHue(third)) {
        return functionText("lch", c, kPlain, kNoSuffix);
      }
      break;
    case stOklch:
      if (within(l, 0, 1) && second >= 0.0f && isHue(third)) {
        return functionText("oklch", c, kPlain, kNoSuffix);
      }
      break;
    default: break;
  }
  const std::string_view predefined = predefinedName(v.space);
  if (!predefined.empty()) return colorFunctionText(predefined, c, 3);
  const int count = v.space == stCmyk ? 4 : 3;
  return colorFunctionText("--" + std::string(spaceNameText(v.space)), c, count);
}

}  // namespace zd::color
