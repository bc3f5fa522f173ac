// Gradient fills: the shaded blend against the flat one, the ramp's stops
// and table, the geometry of each kind, and the spreads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "color/registry.hpp"
#include "cpu/cpu.hpp"
#include "raster/gradient.hpp"
#include "raster/raster.hpp"
#include "raster/shade.hpp"

namespace {

using zd::color::CssColor;
using zd::color::cssColorOf;
using zd::paint::Gradient;
using zd::paint::GradientKind;
using zd::paint::Spread;
using zd::raster::Image;
using zd::raster::Paint;
using zd::raster::Ramp;
using zd::raster::Segment;

CssColor srgb(float r, float g, float b, float a = 1.0f) {
  return cssColorOf(zd::color::color(zd::color::stSrgb, r, g, b, a).value());
}

Gradient gradientOf(GradientKind kind, std::initializer_list<float> geometry) {
  Gradient g;
  g.kind = kind;
  int i = 0;
  for (const float v : geometry) g.geometry[i++] = v;
  return g;
}

// One colour everywhere, through the shaded path.
class FlatShader final : public zd::raster::RowShader {
 public:
  explicit FlatShader(const Paint &paint) : colour_{paint, zd::raster::solidBytes(paint)} {}
  const zd::raster::ShadeColor *const *shade(std::int64_t, std::int64_t from,
                                             std::int64_t to) override {
    row_.assign(static_cast<std::size_t>(to - from), &colour_);
    return row_.data();
  }

 private:
  zd::raster::ShadeColor colour_;
  std::vector<const zd::raster::ShadeColor *> row_;
};

// Random polygons, some past the borders, some long enough for full runs.
std::vector<Segment> randomPolygons(std::mt19937 &random, float size) {
  std::uniform_real_distribution<float> any(-0.2f * size, 1.2f * size);
  std::vector<Segment> segments;
  const int polygons = 1 + static_cast<int>(random() % 3);
  for (int p = 0; p < polygons; ++p) {
    const int vertices = 3 + static_cast<int>(random() % 7);
    std::vector<float> xs, ys;
    for (int v = 0; v < vertices; ++v) {
      xs.push_back(random() % 3 == 0 ? std::round(any(random)) : any(random));
      ys.push_back(any(random));
    }
    for (int v = 0; v < vertices; ++v) {
      const int w = (v + 1) % vertices;
      segments.push_back({xs[v], ys[v], xs[w], ys[w]});
    }
  }
  return segments;
}

Image noise(std::mt19937 &random, std::int64_t size) {
  Image image = zd::image::newImage(size, size, zd::image::csRgba);
  for (auto &byte : image.data) byte = static_cast<std::uint8_t>(random() % 3 == 0 ? 0 : random());
  return image;
}

class ShadedBlend : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { zd::cpu::disableForTesting(GetParam() ? zd::cpu::kAllFeatures : 0); }
  void TearDown() override { zd::cpu::disableForTesting(0); }
};

// The flat fill may take vector kernels and long-run shortcuts; the shaded
// fill blends pixel by pixel. Every byte must agree.
TEST_P(ShadedBlend, OneColourShaderGivesTheFlatFillsBytes) {
  std::mt19937 random(1612);
  const Paint paints[] = {{1.0f, 0.0f, 0.0f, 1.0f},
                          {0.2f, 0.6f, 0.9f, 0.5f},
                          {0.0f, 1.0f, 0.5f, 0.004f},
                          {0.75f, 0.25f, 0.1f, 0.0f}};
  for (int scene = 0; scene < 30; ++scene) {
    const std::int64_t size = scene % 5 == 0 ? 200 : 67;
    const auto segments = randomPolygons(random, static_cast<float>(size));
    const Image background = noise(random, size);
    for (const Paint &paint : paints) {
      for (const bool evenOdd : {false, true}) {
        for (const bool overwrite : {false, true}) {
          Image flat = background, shaded = background;
          zd::raster::paintSegments(flat, segments, paint, evenOdd, overwrite);
          FlatShader shader(paint);
          zd::raster::fillSegmentsShaded(shaded, segments, shader, evenOdd, overwrite);
          ASSERT_EQ(flat.data, shaded.data)
              << "scene " << scene << " evenOdd " << evenOdd << " overwrite " << overwrite;
        }
      }
    }
  }
}

// A radial gradient of one colour whose circles cover the plane goes
// through the ramp and the shader, never the flat shortcut.
TEST_P(ShadedBlend, UniformRadialGradientGivesTheFlatFillsBytes) {
  std::mt19937 random(1613);
  for (int scene = 0; scene < 20; ++scene) {
    const auto segments = randomPolygons(random, 80.0f);
    const Image background = noise(random, 80);
    Gradient g = gradientOf(GradientKind::radial, {30, 40, 0, 40, 40, 50});
    const CssColor colour = srgb(0.3f, 0.7f, 0.2f, scene % 2 ? 1.0f : 0.6f);
    zd::paint::addStop(g, 0.0f, colour);
    zd::paint::addStop(g, 0.4f, colour);
    zd::paint::addStop(g, 1.0f, colour);
    g.space = zd::color::stOklch;
    for (const bool overwrite : {false, true}) {
      Image flat = background, shaded = background;
      zd::raster::fillSegments(flat, segments, colour.color, false, overwrite);
      zd::raster::fillGradientSegments(shaded, segments, g, nullptr, false, overwrite);
      ASSERT_EQ(flat.data, shaded.data) << "scene " << scene;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, ShadedBlend, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "portable" : "dispatched"; });

Gradient twoStops(const CssColor &a, const CssColor &b, zd::color::SpaceTag space) {
  Gradient g = gradientOf(GradientKind::linear, {0, 0, 1, 0});
  zd::paint::addStop(g, 0.0f, a);
  zd::paint::addStop(g, 1.0f, b);
  g.space = space;
  return g;
}

TEST(GradientRamp, StopsAreSortedStablyAndClampedAndEqualOffsetsMakeHardEdges) {
  Gradient g = gradientOf(GradientKind::linear, {0, 0, 1, 0});
  zd::paint::addStop(g, 0.5f, srgb(0, 0, 1));   // blue, then red at the same offset
  zd::paint::addStop(g, 2.0f, srgb(0, 1, 0));   // clamped to 1
  zd::paint::addStop(g, -1.0f, srgb(1, 1, 1));  // clamped to 0
  zd::paint::addStop(g, 0.5f, srgb(1, 0, 0));
  ASSERT_EQ(g.stops.size(), 4u);
  EXPECT_EQ(g.stops.front().offset, 0.0f);
  EXPECT_EQ(g.stops.back().offset, 1.0f);
  Ramp ramp(g);
  // Below the edge the ramp runs white to blue; at the edge it is blue (the
  // first stop there); just past it, red (the last one) towards green.
  EXPECT_NEAR(ramp.exact(0.5).paint.blue, 1.0f, 1e-5);
  EXPECT_NEAR(ramp.exact(0.5).paint.red, 0.0f, 1e-5);
  const Paint after = ramp.exact(0.5000001).paint;
  EXPECT_GT(after.red, 0.99f);
  EXPECT_LT(after.blue, 0.01f);
  // The table never smears the edge: looked-up colours on either side of it
  // match the exact ones within half a step.
  zd::raster::RampSample scratch;
  for (double t = 0.49; t < 0.51; t += 0.0001) {
    const Paint exact = ramp.exact(t).paint;
    const Paint looked = ramp.lookup(t, scratch).paint;
    EXPECT_NEAR(looked.red, exact.red, 0.5 / 255) << t;
    EXPECT_NEAR(looked.blue, exact.blue, 0.5 / 255) << t;
  }
  // Beyond the ends: the end stops' colours.
  EXPECT_EQ(ramp.exact(-3.0).bytes, ramp.exact(0.0).bytes);
  EXPECT_NEAR(ramp.exact(-3.0).paint.blue, 1.0f, 1e-5);
  EXPECT_NEAR(ramp.exact(7.0).paint.green, 1.0f, 1e-5);
  EXPECT_NEAR(ramp.exact(7.0).paint.red, 0.0f, 1e-5);
}

TEST(GradientRamp, OneStopPaintsItsColourAndNoStopIsRefused) {
  Gradient g = gradientOf(GradientKind::linear, {0, 0, 1, 0});
  EXPECT_THROW(Ramp{g}, zd::Error);
  zd::paint::addStop(g, 0.3f, srgb(0.25f, 0.5f, 0.75f));
  Ramp ramp(g);
  EXPECT_TRUE(ramp.uniform());
  for (const double t : {-1.0, 0.0, 0.3, 0.9, 4.0}) {
    EXPECT_EQ(ramp.exact(t).bytes, ramp.firstSample().bytes);
  }
  // Several stops of one colour: no table is built, and every lookup
  // (NaN included) gives that colour.
  zd::paint::addStop(g, 0.7f, srgb(0.25f, 0.5f, 0.75f));
  const Ramp several(g);
  ASSERT_TRUE(several.uniform());
  zd::raster::RampSample scratch;
  for (const double t : {-1.0, 0.0, 0.3, 0.5, 0.7, 0.99, 1.0, 4.0, std::nan("")}) {
    EXPECT_EQ(several.lookup(t, scratch).bytes, several.firstSample().bytes) << t;
    EXPECT_EQ(several.lookup(t, scratch).paint.alpha, 1.0f) << t;
  }
}

// Bins where the colour changes by more than half a step are interpolated
// per pixel between their edges; gentler ones are one table colour. Black
// to white over 8 bins (sRGB), and over 512 bins through linear light,
// whose sRGB curve is steep near black and gentle near white, either way
// round, so that chords hold both kinds of bin side by side. Sixteen
// points per bin over the whole ramp stay within a step of exact
// evaluation, and inside the steepest bin two points differ.
TEST(GradientRamp, SteepBinsAreInterpolatedBesideTableBins) {
  struct Case {
    zd::color::SpaceTag space;
    int bins;
    float start;  // the grey at offset 0.5; `bins` later it is 1 - start
  };
  for (const Case &c : {Case{zd::color::stSrgb, 8, 0.0f}, Case{zd::color::stSrgbLinear, 512, 0.0f},
                        Case{zd::color::stSrgbLinear, 512, 1.0f}}) {
    const std::string name = zd::color::spaceName(c.space) + " from " + std::to_string(c.start);
    Gradient g = gradientOf(GradientKind::linear, {0, 0, 1, 0});
    const float end = 1.0f - c.start;
    zd::paint::addStop(g, 0.5f, srgb(c.start, c.start, c.start));
    zd::paint::addStop(g, 0.5f + c.bins / 4096.0f, srgb(end, end, end));
    zd::paint::addStop(g, 1.0f, srgb(1, 0.9f, 0.8f));
    g.space = c.space;
    const Ramp ramp(g);
    zd::raster::RampSample scratch;
    for (int i = 0; i < 16 * Ramp::kBins; ++i) {
      const double t = (i + 0.5) / (16.0 * Ramp::kBins);
      const Paint exact = ramp.exact(t).paint;
      const Paint looked = ramp.lookup(t, scratch).paint;
      ASSERT_NEAR(looked.red, exact.red, 1.0 / 255) << name << " t " << t;
      ASSERT_NEAR(looked.blue, exact.blue, 1.0 / 255) << name << " t " << t;
    }
    // Black is the steep end.
    const double steepBin = c.start == 0.0f ? 2048.0 : 2048.0 + c.bins - 1;
    const float early = ramp.lookup((steepBin + 0.25) / Ramp::kBins, scratch).paint.red;
    const float late = ramp.lookup((steepBin + 0.75) / Ramp::kBins, scratch).paint.red;
    EXPECT_NE(early, late) << name;
  }
}

// Premultiplied interpolation: a transparent stop between two opaque ones
// fades the alpha without pulling the colour towards the transparent
// stop's (black) components.
TEST(GradientRamp, TransparentStopDoesNotDarken) {
  for (const auto space : {zd::color::stSrgb, zd::color::stOklab, zd::color::stOklch}) {
    Gradient g = gradientOf(GradientKind::linear, {0, 0, 1, 0});
    zd::paint::addStop(g, 0.0f, srgb(1, 1, 0));
    zd::paint::addStop(g, 0.5f, srgb(0, 0, 0, 0));
    zd::paint::addStop(g, 1.0f, srgb(1, 1, 0));
    g.space = space;
    Ramp ramp(g);
    for (const double t : {0.1, 0.25, 0.4, 0.6, 0.9}) {
      const Paint p = ramp.exact(t).paint;
      EXPECT_NEAR(p.red, 1.0f, 2e-3) << zd::color::spaceName(space) << " t " << t;
      EXPECT_NEAR(p.green, 1.0f, 2e-3) << zd::color::spaceName(space) << " t " << t;
      EXPECT_NEAR(p.alpha, std::fabs(1.0 - 2.0 * t), 1e-5);
    }
  }
}

// The approximation against exact evaluation at many parameters, in spaces
// where the colour bends and the gamut mapping cuts in: every looked-up
// channel within one 8-bit step.
TEST(GradientRamp, ApproximationStaysWithinOneStepOfExactEvaluation) {
  const CssColor stops[][2] = {{srgb(1, 0, 0), srgb(0, 0, 1)},
                               {srgb(0, 1, 0, 0.3f), srgb(1, 0, 1)},
                               {srgb(1, 1, 0), srgb(0.1f, 0.1f, 0.4f, 0.8f)}};
  std::mt19937 random(77);
  std::uniform_real_distribution<double> any(0.0, 1.0);
  for (const auto &pair : stops) {
    for (const auto space : {zd::color::stSrgb, zd::color::stOklch, zd::color::stLab}) {
      for (int hue = 0; hue < 4; ++hue) {
        Gradient g = twoStops(pair[0], pair[1], space);
        zd::paint::addStop(g, 0.3f, srgb(0.5f, 0.9f, 0.1f));
        g.hue = static_cast<zd::color::HueMethod>(hue);
        Ramp ramp(g);
        zd::raster::RampSample scratch;
        for (int i = 0; i < 4000; ++i) {
          const double t = any(random);
          const Paint exact = ramp.exact(t).paint;
          const Paint looked = ramp.lookup(t, scratch).paint;
          const auto where = [&] {
            return "t " + std::to_string(t) + " in " + zd::color::spaceName(space) + " hue " +
                   std::to_string(hue);
          };
          ASSERT_NEAR(looked.red, exact.red, 1.0 / 255) << where();
          ASSERT_NEAR(looked.green, exact.green, 1.0 / 255) << where();
          ASSERT_NEAR(looked.blue, exact.blue, 1.0 / 255) << where();
          ASSERT_NEAR(looked.alpha, exact.alpha, 1.0 / 255) << where();
        }
      }
    }
  }
}

CssColor oklch(float l, float c, float h, float a = 1.0f) {
  return cssColorOf(zd::color::color(zd::color::stOklch, l, c, h, a).value());
}

// Ramps whose exact curve turns a corner and then bends the other way, so
// that it crosses the chord of a 32-bin range near its middle while lying
// steps off it at a quarter: through HSL from a translucent violet into an
// OKLCH olive, green held at 0 and then let go over bins 640 .. 672 (3.6
// steps off); through OKLCH from an olive into a cyan beyond the gamut, red
// falling until the mapping cuts chroma at bin 986 over bins 960 .. 992
// (2.6 steps off); through sRGB from an OKLCH colour of lightness near 0
// and high chroma into white, red all but jumping three quarters into bin 0
// while the chord over bins 0 .. 2 meets the curve at bin 1 (2.2 steps
// off). Densely sampled over that stretch, every channel within one step.
TEST(GradientRamp, ChordThatOnlyMeetsTheCurveAtItsMiddleIsSplit) {
  Gradient viaHsl = gradientOf(GradientKind::linear, {0, 0, 1, 0});
  zd::paint::addStop(viaHsl, 0.0f, srgb(0.387454271f, 0.191901475f, 0.406939328f, 0.0564336441f));
  zd::paint::addStop(viaHsl, 0.370493233f,
                     oklch(0.321568638f, 0.128627464f, 115.764709f, 0.321568608f));
  viaHsl.space = zd::color::stHsl;
  viaHsl.hue = zd::color::hmIncreasing;
  Gradient viaOklch = gradientOf(GradientKind::linear, {0, 0, 1, 0});
  zd::paint::addStop(viaOklch, 0.0349813104f,
                     oklch(0.266666681f, 0.106666677f, 96.0000076f, 0.266666681f));
  zd::paint::addStop(viaOklch, 0.25f, srgb(0.3359375f, 1, 1));
  viaOklch.space = zd::color::stOklch;
  viaOklch.hue = zd::color::hmDecreasing;
  Gradient nearBlack = gradientOf(GradientKind::linear, {0, 0, 1, 0});
  zd::paint::addStop(nearBlack, 0.0f, oklch(1.78581104e-07f, 0.400000006f, 359.994507f));
  zd::paint::addStop(nearBlack, 0.26878202f, srgb(1, 1, 1));
  for (const auto &[g, firstBin] :
       {std::pair{viaHsl, 640}, std::pair{viaOklch, 960}, std::pair{nearBlack, 0}}) {
    Ramp ramp(g);
    zd::raster::RampSample scratch;
    for (int i = 0; i <= 512; ++i) {
      const double t = (firstBin + i / 16.0) / Ramp::kBins;
      const Paint exact = ramp.exact(t).paint;
      const Paint looked = ramp.lookup(t, scratch).paint;
      ASSERT_NEAR(looked.red, exact.red, 1.0 / 255) << "t " << t;
      ASSERT_NEAR(looked.green, exact.green, 1.0 / 255) << "t " << t;
      ASSERT_NEAR(looked.blue, exact.blue, 1.0 / 255) << "t " << t;
      ASSERT_NEAR(looked.alpha, exact.alpha, 1.0 / 255) << "t " << t;
    }
  }
}

TEST(GradientRamp, StopThatCannotBeInterpolatedIsRefused) {
  Gradient g = gradientOf(GradientKind::linear, {0, 0, 1, 0});
  zd::paint::addStop(g, 0.0f, srgb(1, 0, 0));
  zd::paint::addStop(g, 1.0f, srgb(0, 0, 1));
  g.space = zd::color::stCmyk;
  EXPECT_THROW(Ramp{g}, zd::Error);
}

// CMYK is refused as a space before any stop pair is looked at: a ramp
// that never interpolates (hard edges only) is refused too, so a fill can
// never build its ramp and then fail on its first exact evaluation.
TEST(GradientRamp, FourComponentSpaceIsRefusedWhateverTheStops) {
  Gradient g = gradientOf(GradientKind::linear, {0, 0, 1, 0});
  zd::paint::addStop(g, 0.0f, srgb(1, 0, 0));
  zd::paint::addStop(g, 0.5f, srgb(1, 0, 0));
  zd::paint::addStop(g, 0.5f, srgb(0, 0, 1));
  zd::paint::addStop(g, 1.0f, srgb(0, 0, 1));
  EXPECT_NO_THROW(Ramp{g});
  g.space = zd::color::stCmyk;
  EXPECT_THROW(Ramp{g}, zd::Error);
}

zd::paint::AffineInverse identity() { return zd::paint::invert(zd::paint::Affine{}); }

TEST(GradientGeometry, LinearParameterIsTheProjectionOntoTheAxis) {
  const zd::raster::GradientGeometry g(gradientOf(GradientKind::linear, {10, 20, 30, 20}),
                                       identity());
  EXPECT_DOUBLE_EQ(g.at(10, 0), 0.0);
  EXPECT_DOUBLE_EQ(g.at(20, 55), 0.5);
  EXPECT_DOUBLE_EQ(g.at(40, -3), 1.5);
  const zd::raster::GradientGeometry diagonal(gradientOf(GradientKind::linear, {0, 0, 4, 4}),
                                              identity());
  EXPECT_DOUBLE_EQ(diagonal.at(4, 0), 0.5);
  EXPECT_TRUE(
      zd::raster::GradientGeometry(gradientOf(GradientKind::linear, {3, 3, 3, 3}), identity())
          .paintsNothing());
}

TEST(GradientGeometry, ConicStartsAtTheStartAngleAndTurnsTowardsPositiveY) {
  const float quarter = static_cast<float>(std::numbers::pi / 2);
  const zd::raster::GradientGeometry plain(gradientOf(GradientKind::conic, {0, 0, 0}), identity());
  EXPECT_DOUBLE_EQ(plain.at(5, 0), 0.0);
  EXPECT_DOUBLE_EQ(plain.at(0, 5), 0.25);  // below the centre on screen
  EXPECT_DOUBLE_EQ(plain.at(-5, 0), 0.5);
  EXPECT_DOUBLE_EQ(plain.at(0, -5), 0.75);
  // The seam: just above the start ray is almost a full turn.
  EXPECT_GT(plain.at(5, -1e-9), 0.999999);
  EXPECT_LT(plain.at(5, -1e-9), 1.0);
  const zd::raster::GradientGeometry turned(gradientOf(GradientKind::conic, {0, 0, quarter}),
                                            identity());
  // The float start angle lies a hair past a quarter turn, so the point
  // straight below sits just before the seam.
  const double below = turned.at(0, 5);
  EXPECT_NEAR(std::min(below, 1.0 - below), 0.0, 1e-7);
  EXPECT_NEAR(turned.at(5, 0), 0.75, 1e-7);
}

TEST(GradientGeometry, RadialFollowsTheLargestCircleThroughThePoint) {
  // Concentric: t grows with the distance from r0 to r1.
  const zd::raster::GradientGeometry concentric(
      gradientOf(GradientKind::radial, {0, 0, 10, 0, 0, 20}), identity());
  EXPECT_DOUBLE_EQ(concentric.at(15, 0), 0.5);
  EXPECT_DOUBLE_EQ(concentric.at(0, 30), 2.0);
  EXPECT_DOUBLE_EQ(concentric.at(0, 0), -1.0);  // radius 0 at w = -1
  // Focal point on the end circle: the cone is a half plane; points behind
  // the focal point lie on no circle with a radius >= 0 and stay untouched.
  const zd::raster::GradientGeometry onEdge(gradientOf(GradientKind::radial, {0, 0, 0, 10, 0, 10}),
                                            identity());
  EXPECT_DOUBLE_EQ(onEdge.at(20, 0), 1.0);
  EXPECT_DOUBLE_EQ(onEdge.at(10, 0), 0.5);
  EXPECT_TRUE(std::isnan(onEdge.at(-5, 0)));
  EXPECT_TRUE(std::isnan(onEdge.at(-1, 3)));
  EXPECT_TRUE(std::isnan(onEdge.at(0, 0)));
  // Focal point outside the end circle: a cone with a tip; points outside
  // it are undefined.
  const zd::raster::GradientGeometry outside(gradientOf(GradientKind::radial, {0, 0, 0, 20, 0, 5}),
                                             identity());
  EXPECT_FALSE(std::isnan(outside.at(20, 0)));
  EXPECT_TRUE(std::isnan(outside.at(0, 10)));
  EXPECT_TRUE(std::isnan(outside.at(-5, 0)));
  EXPECT_TRUE(
      zd::raster::GradientGeometry(gradientOf(GradientKind::radial, {1, 1, 4, 1, 1, 4}), identity())
          .paintsNothing());
}

TEST(GradientGeometry, TransformMovesTheGradient) {
  // Gradient space scaled by 2 and moved by (100, 0).
  const zd::paint::Affine m{2, 0, 0, 2, 100, 0};
  const zd::raster::GradientGeometry g(gradientOf(GradientKind::linear, {0, 0, 10, 0}),
                                       zd::paint::invert(m));
  EXPECT_DOUBLE_EQ(g.at(100, 7), 0.0);
  EXPECT_DOUBLE_EQ(g.at(110, 7), 0.5);
  EXPECT_FALSE(zd::paint::invert(zd::paint::Affine{1, 2, 2, 4, 0, 0}).ok);
}

TEST(GradientSpread, ReflectAndRepeatAtIntegerBoundaries) {
  using zd::raster::spreadParameter;
  EXPECT_EQ(spreadParameter(-0.25, Spread::pad), -0.25);
  EXPECT_EQ(spreadParameter(1.25, Spread::repeat), 0.25);
  EXPECT_EQ(spreadParameter(-0.25, Spread::repeat), 0.75);
  EXPECT_EQ(spreadParameter(1.0, Spread::repeat), 0.0);
  EXPECT_EQ(spreadParameter(-1e-20, Spread::repeat), 0.0);
  for (const double whole : {-4.0, -2.0, 0.0, 2.0, 6.0}) {
    EXPECT_EQ(spreadParameter(whole, Spread::reflect), 0.0) << whole;
    EXPECT_EQ(spreadParameter(whole + 1.0, Spread::reflect), 1.0) << whole + 1;
    EXPECT_EQ(spreadParameter(whole + 1.25, Spread::reflect), 0.75) << whole;
    EXPECT_EQ(spreadParameter(whole + 0.25, Spread::reflect), 0.25) << whole;
  }
  EXPECT_TRUE(std::isnan(spreadParameter(NAN, Spread::reflect)));
}

}  // namespace
