// Fills one after another on a thread: the colour mapping remembered from
// the last fill and the reused segment list must never leak into the next.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "common/errors.hpp"
#include "geom/geom.hpp"
#include "path/shapes.hpp"
#include "raster/raster.hpp"
#include "color/gamut.hpp"

namespace {

using zd::raster::Image;
using zd::raster::Paint;
using zd::color::Color;

Color colorOf(zd::color::SpaceTag space, float c0, float c1, float c2, float alpha) {
  Color c;
  c.comps[0] = c0;
  c.comps[1] = c1;
  c.comps[2] = c2;
  c.alpha = alpha;
  c.space = space;
  return c;
}

// The paint straight from the mapping, as the filler must produce it.
Paint mappedDirectly(const Color &color) {
  const auto mapped = zd::color::gamutMap(color, zd::color::stSrgb);
  EXPECT_TRUE(mapped.isOk());
  const Color &c = mapped.value();
  return Paint{zd::raster::clampUnit(c.comps[0]), zd::raster::clampUnit(c.comps[1]),
               zd::raster::clampUnit(c.comps[2]), zd::raster::clampUnit(c.alpha)};
}

void expectSamePaint(const Paint &actual, const Paint &expected, int step) {
  EXPECT_EQ(std::bit_cast<std::uint32_t>(actual.red), std::bit_cast<std::uint32_t>(expected.red))
      << "step " << step;
  EXPECT_EQ(std::bit_cast<std::uint32_t>(actual.green),
            std::bit_cast<std::uint32_t>(expected.green))
      << "step " << step;
  EXPECT_EQ(std::bit_cast<std::uint32_t>(actual.blue), std::bit_cast<std::uint32_t>(expected.blue))
      << "step " << step;
  EXPECT_EQ(std::bit_cast<std::uint32_t>(actual.alpha),
            std::bit_cast<std::uint32_t>(expected.alpha))
      << "step " << step;
}

// Colours that differ from their predecessor in one float by one bit, in
// the alpha, or only in the space; each repeated once.
TEST(FillReuse, EachColourMapsAsOnItsOwn) {
  const float base = 0.3f;
  const float nextUp = std::nextafter(base, 1.0f);
  const std::vector<Color> colours = {
      colorOf(zd::color::stSrgb, base, 0.6f, 0.9f, 1.0f),
      colorOf(zd::color::stSrgb, base, 0.6f, 0.9f, 1.0f),
      colorOf(zd::color::stSrgb, nextUp, 0.6f, 0.9f, 1.0f),
      colorOf(zd::color::stSrgb, base, 0.6f, nextUp, 1.0f),
      colorOf(zd::color::stSrgb, base, 0.6f, 0.9f, 0.5f),
      colorOf(zd::color::stSrgbLinear, base, 0.6f, 0.9f, 0.5f),
      colorOf(zd::color::stSrgbLinear, base, 0.6f, 0.9f, 0.5f),
      colorOf(zd::color::stOklch, 0.7f, 0.3f, 40.0f, 0.5f),
      colorOf(zd::color::stSrgb, 0.0f, 0.6f, 0.9f, 1.0f),
      colorOf(zd::color::stSrgb, -0.0f, 0.6f, 0.9f, 1.0f),
  };
  for (std::size_t i = 0; i < colours.size(); ++i) {
    expectSamePaint(zd::raster::paintFromColor(colours[i]), mappedDirectly(colours[i]),
                    static_cast<int>(i));
  }
}

// Colours that alternate, more of them than are remembered at once (so
// they evict one another), some differing from another only in the space or
// one bit: every lookup gives the colour's own mapping.
TEST(FillReuse, AlternatingColoursEachMapAsOnTheirOwn) {
  std::vector<Color> colours;
  for (int i = 0; i < 40; ++i) {
    const float c0 = 0.02f * static_cast<float>(i);
    colours.push_back(colorOf(zd::color::stSrgb, c0, 0.5f, 0.25f, 1.0f));
    if (i % 5 == 0) colours.push_back(colorOf(zd::color::stSrgbLinear, c0, 0.5f, 0.25f, 1.0f));
    if (i % 7 == 0) {
      colours.push_back(colorOf(zd::color::stSrgb, std::nextafter(c0, 1.0f), 0.5f, 0.25f, 1.0f));
    }
  }
  std::vector<Paint> expected;
  for (const Color &c : colours) expected.push_back(mappedDirectly(c));
  std::uint32_t state = 12345;
  for (int step = 0; step < 2000; ++step) {
    // Two colours in turn for a while, then a jump anywhere.
    state = state * 1664525u + 1013904223u;
    const std::size_t pick = step % 50 < 40 ? (step % 2) * 3 : (state >> 8) % colours.size();
    expectSamePaint(zd::raster::paintFromColor(colours[pick]), expected[pick], step);
  }
}

// A colour that cannot be mapped fails even right after a colour with the
// same components mapped well, and the good one still maps afterwards.
TEST(FillReuse, FailureIsNotHiddenByTheLastColour) {
  const Color good = colorOf(zd::color::stSrgb, 0.5f, 0.5f, 0.5f, 1.0f);
  Color unknownSpace = good;
  unknownSpace.space = 999;
  const Paint first = zd::raster::paintFromColor(good);
  EXPECT_THROW(zd::raster::paintFromColor(unknownSpace), zd::Error);
  EXPECT_THROW(zd::raster::paintFromColor(unknownSpace), zd::Error);
  expectSamePaint(zd::raster::paintFromColor(good), first, 0);
}

zd::path::Path circlePath(float cx, float cy, float r, int pieces) {
  zd::path::Path path;
  zd::path::moveTo(path, {cx + r, cy});
  for (int k = 1; k <= pieces; ++k) {
    const float angle = 6.2831853f * float(k) / float(pieces);
    zd::path::lineTo(path, {cx + r * std::cos(angle), cy + r * std::sin(angle)});
  }
  zd::path::closePath(path);
  return path;
}

// Large, small and curved paths in turn, each in its own colour: fillPath
// gives the bytes of flattening and filling that path alone.
TEST(FillReuse, PathsInTurnMatchSeparateFills) {
  zd::path::Path curved;
  zd::path::moveTo(curved, {5, 30});
  zd::path::cubicTo(curved, {5, 0}, {60, 0}, {60, 30});
  zd::path::cubicTo(curved, {60, 60}, {5, 60}, {5, 30});
  zd::path::closePath(curved);
  const std::vector<zd::path::Path> paths = {
      circlePath(32, 32, 30, 40000),  // more segments than the kept buffer holds
      circlePath(20, 40, 9.5f, 7),
      curved,
      circlePath(40, 20, 25, 300),
  };
  const std::vector<Color> colours = {
      colorOf(zd::color::stSrgb, 0.9f, 0.1f, 0.2f, 1.0f),
      colorOf(zd::color::stSrgb, 0.1f, 0.8f, 0.2f, 0.5f),
      colorOf(zd::color::stSrgb, 0.1f, 0.8f, 0.2f, 0.5f),
      colorOf(zd::color::stSrgbLinear, 0.1f, 0.8f, 0.2f, 0.5f),
  };
  Image actual = zd::image::newImage(64, 64, zd::image::csRgba);
  Image expected = actual;
  for (int round = 0; round < 2; ++round) {
    for (std::size_t i = 0; i < paths.size(); ++i) {
      const bool evenOdd = (i + static_cast<std::size_t>(round)) % 2 == 1;
      zd::raster::fillPath(actual, paths[i], colours[i], evenOdd, false, 0.25f);
      const std::vector<zd::raster::Segment> segments = zd::geom::flatten(paths[i], 0.25f);
      zd::raster::paintSegments(expected, segments, mappedDirectly(colours[i]), evenOdd, false);
      ASSERT_EQ(actual.data, expected.data) << "round " << round << " path " << i;
    }
  }
}

}  // namespace
