// SVG colour text and the one-path SVG document.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "common/errors.hpp"
#include "path/shapes.hpp"
#include "svg/svg.hpp"
#include "color/gamut.hpp"

namespace zd::svg {
namespace {

using color::Color;

Color make(color::SpaceTag space, float c1, float c2, float c3, float alpha = 1.0f) {
  return color::color(space, c1, c2, c3, alpha).value();
}

// The four bytes of "#RRGGBB[AA]" (alpha 255 when absent); fails the test on
// anything but upper-case hex.
std::array<int, 4> bytesOf(const std::string &text) {
  std::array<int, 4> bytes = {0, 0, 0, 255};
  EXPECT_TRUE(text.size() == 7 || text.size() == 9) << text;
  EXPECT_EQ(text[0], '#');
  for (std::size_t i = 1; i < text.size(); ++i) {
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(text[i])) ||
                (text[i] >= 'A' && text[i] <= 'F'))
        << text;
  }
  for (std::size_t pair = 0; 1 + pair * 2 + 1 < text.size() && pair < 4; ++pair) {
    bytes[pair] = static_cast<int>(std::strtol(text.substr(1 + pair * 2, 2).c_str(), nullptr, 16));
  }
  return bytes;
}

void expectNear(const std::string &text, std::array<int, 4> expected) {
  const auto got = bytesOf(text);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], expected[i], 1) << text << " byte " << i;
}

std::string failureOf(const auto &work) {
  try {
    work();
  } catch (const Error &e) {
    return e.what();
  }
  return "(no error)";
}

TEST(ToHex2, EveryByteRoundTripsInUpperCase) {
  for (int byte = 0; byte < 256; ++byte) {
    char expected[3];
    std::snprintf(expected, sizeof expected, "%02X", byte);
    EXPECT_EQ(toHex2(static_cast<float>(byte) / 255.0f), expected) << byte;
  }
}

TEST(ToHex2, RoundingAndClampingRules) {
  EXPECT_EQ(toHex2(0.5f), "80");  // 127.5 + 0.5 = 128: halves go up
  EXPECT_EQ(toHex2(0.2f), "33");  // 51.5 truncated to 51
  EXPECT_EQ(toHex2(1.002f), "FF");
  EXPECT_EQ(toHex2(-0.001f), "00");
  EXPECT_EQ(toHex2(-0.003f), "00");  // fma gives -0.265: truncates toward zero
  EXPECT_EQ(toHex2(-5.0f), "00");
  EXPECT_EQ(toHex2(1e30f), "FF");  // far beyond any integer type
  EXPECT_EQ(toHex2(-1e30f), "00");
  EXPECT_EQ(toHex2(std::numeric_limits<float>::infinity()), "FF");
  EXPECT_EQ(toHex2(-std::numeric_limits<float>::infinity()), "00");
  EXPECT_EQ(toHex2(std::numeric_limits<float>::quiet_NaN()), "00");
  EXPECT_EQ(toHex2(0.5f / 255.0f), "01");
}

TEST(ToSvgColor, SrgbAndTheAlphaRule) {
  EXPECT_EQ(toSvgColor(make(color::stSrgb, 1, 0, 0)), "#FF0000");
  EXPECT_EQ(toSvgColor(make(color::stSrgb, 1, 0, 0, 0.5f)), "#FF000080");
  EXPECT_EQ(toSvgColor(make(color::stSrgb, 1, 0, 0, 0.0f)), "#FF000000");
  EXPECT_EQ(toSvgColor(make(color::stSrgb, 0, 0.2f, 0.6f, 1.0f)), "#003399");
  // Just below 1 still writes a pair, which rounds to FF.
  EXPECT_EQ(toSvgColor(make(color::stSrgb, 1, 1, 1, 0.999f)), "#FFFFFFFF");
  EXPECT_EQ(toSvgColor(make(color::stSrgb, 1, 1, 1)), "#FFFFFF");
  EXPECT_EQ(toSvgColor(make(color::stSrgb, 0, 0, 0)), "#000000");
}

TEST(ToSvgColor, OklchInAndOutOfGamut) {
  // Inside sRGB: converted, not clamped; alpha carried.
  const std::string inside = toSvgColor(make(color::stOklch, 0.7f, 0.1f, 30, 0.25f));
  EXPECT_EQ(inside.size(), 9u);
  expectNear(inside, {213, 134, 121, 64});
  // Far outside: chroma is reduced until clipping is unnoticeable.
  expectNear(toSvgColor(make(color::stOklch, 0.7f, 0.4f, 150)), {0, 194, 72, 255});
  expectNear(toSvgColor(make(color::stOklch, 0.5f, 0.35f, 300)), {131, 0, 234, 255});
  // Lightness at or beyond the ends gives white or black, alpha kept.
  EXPECT_EQ(toSvgColor(make(color::stOklch, 1.2f, 0.3f, 30)), "#FFFFFF");
  EXPECT_EQ(toSvgColor(make(color::stOklch, 1.0f, 0.0f, 0, 0.25f)), "#FFFFFF40");
  EXPECT_EQ(toSvgColor(make(color::stOklch, 0.0f, 0.3f, 30)), "#000000");
  EXPECT_EQ(toSvgColor(make(color::stOklch, -0.1f, 0.1f, 0, 0.5f)), "#00000080");
}

TEST(ToSvgColor, TextMatchesTheMappedComponents) {
  // Whatever the mapping gives, the text is the byte rule applied to it.
  for (float hue = 0; hue < 360; hue += 37) {
    for (float chroma : {0.05f, 0.2f, 0.4f}) {
      const Color c = make(color::stOklch, 0.6f, chroma, hue, 0.75f);
      const Color mapped = color::gamutMap(c, color::stSrgb).value();
      std::string expected = "#";
      for (float component : mapped.comps) expected += toHex2(component);
      expected += "BF";
      EXPECT_EQ(toSvgColor(c), expected) << hue << " " << chroma;
    }
  }
}

TEST(ToSvgColor, UnconvertibleColourRaises) {
  const Color unregistered = make(999, 0.5f, 0.5f, 0.5f);
  EXPECT_EQ(failureOf([&] { toSvgColor(unregistered); }),
            "toSvgColor: color cannot be converted to sRGB");
}

TEST(ToSvgString, DocumentByteForByte) {
  path::Path p;
  path::moveTo(p, {10, 20});
  path::lineTo(p, {30.5f, 40});
  path::closePath(p);
  EXPECT_EQ(toSvgString(p, make(color::stSrgb, 1, 0, 0, 0.5f), 100, 50),
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"50\" "
            "viewBox=\"0 0 100 50\"><path d=\"M 10 20 L 30.5 40 Z\" fill=\"#FF000080\"/></svg>");
  // An empty path is no error: the d attribute is empty.
  EXPECT_EQ(toSvgString(path::Path{}, make(color::stSrgb, 0, 0, 0), 1, 2147483647),
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1\" height=\"2147483647\" "
            "viewBox=\"0 0 1 2147483647\"><path d=\"\" fill=\"#000000\"/></svg>");
}

TEST(ToSvgString, PathErrorsComeBeforeColourErrors) {
  path::Path bad;
  path::moveTo(bad, {std::numeric_limits<float>::quiet_NaN(), 0});
  const Color unregistered = make(999, 0, 0, 0);
  EXPECT_EQ(failureOf([&] { toSvgString(bad, unregistered, 10, 10); }),
            "path: cannot serialize a non-finite coordinate");
  path::Path good;
  path::moveTo(good, {1, 2});
  EXPECT_EQ(failureOf([&] { toSvgString(good, unregistered, 10, 10); }),
            "toSvgColor: color cannot be converted to sRGB");
}

}  // namespace
}  // namespace zd::svg
