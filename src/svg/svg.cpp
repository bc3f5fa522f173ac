// SVG output: colour text under the channel byte rule and the one-path
// document.
#include "svg/svg.hpp"

#include <charconv>

#include "common/errors.hpp"
#include "color/channel_byte.hpp"
#include "color/gamut.hpp"
#include "path/pathdata.hpp"

namespace zd::svg {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Two hex digits of the channel byte (color/channel_byte.hpp, the rule the
// rasterizer's pixels follow too).
void appendHex2(std::string &out, float value) {
  const int byte = color::channelByte(value);
  out.push_back(kHexDigits[byte >> 4]);
  out.push_back(kHexDigits[byte & 15]);
}

void appendDecimal(std::string &out, std::int32_t value) {
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

}  // namespace

std::string toHex2(float value) {
  std::string pair;
  appendHex2(pair, value);
  return pair;
}

std::string toSvgColor(const color::Color &color) {
  const color::Result<color::Color> mapped = color::gamutMap(color, color::stSrgb);
  if (!mapped.isOk()) throw Error("toSvgColor: color cannot be converted to sRGB");
  const color::Color &srgb = mapped.value();
  std::string text;
  text.reserve(9);
  text.push_back('#');
  for (float component : srgb.comps) appendHex2(text, component);
  // An alpha above 1 or NaN counts as opaque: only a clamped alpha below 1
  // adds the fourth pair.
  const float alpha = color::clampUnit(srgb.alpha);
  if (alpha < 1.0f) appendHex2(text, alpha);
  return text;
}

std::string toSvgString(const path::Path &path, const color::Color &color, std::int32_t width,
                        std::int32_t height, bool evenOdd) {
  const std::string pathData = path::toString(path);
  const std::string fill = toSvgColor(color);
  std::string document;
  document.reserve(200);
  document += "<svg xmlns=\"";
  document += "http://www.w3.org/2000/svg";
  document += "\" width=\"";
  appendDecimal(document, width);
  document += "\" height=\"";
  appendDecimal(document, height);
  document += "\" viewBox=\"0 0 ";
  appendDecimal(document, width);
  document += ' ';
  appendDecimal(document, height);
  document += "\"><path d=\"";
  document += pathData;
  document += "\" fill=\"";
  document += fill;
  document += evenOdd ? "\" fill-rule=\"evenodd\"/></svg>" : "\"/></svg>";
  return document;
}

}  // namespace zd::svg
