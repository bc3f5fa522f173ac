// The per-thread ramp cache: a ramp taken from it paints the bytes a ramp
// built afresh paints, whatever was drawn before on the thread. A new thread
// starts with an empty cache, so it gives the fresh bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "raster/gradient.hpp"
#include "raster/raster.hpp"

namespace {

using zd::color::CssColor;
using zd::paint::Gradient;
using zd::paint::GradientKind;
using zd::raster::Ramp;
using zd::raster::rampOf;
using zd::raster::Segment;

CssColor colour(zd::color::SpaceTag space, float a, float b, float c, float alpha = 1.0f) {
  return zd::color::cssColorOf(zd::color::color(space, a, b, c, alpha).value());
}

Gradient linear(zd::color::SpaceTag space) {
  Gradient g;
  g.kind = GradientKind::linear;
  const float axis[4] = {2, 3, 60, 41};
  std::copy(axis, axis + 4, g.geometry);
  g.space = space;
  return g;
}

// Three ramps curved enough to be approximated piecewise, one of them
// through the gamut mapping's search.
std::vector<Gradient> threeGradients() {
  Gradient a = linear(zd::color::stOklch);
  zd::paint::addStop(a, 0.0f, colour(zd::color::stSrgb, 0.9f, 0.1f, 0.2f));
  zd::paint::addStop(a, 0.4f, colour(zd::color::stOklch, 0.7f, 0.35f, 150.0f));
  zd::paint::addStop(a, 1.0f, colour(zd::color::stSrgb, 0.1f, 0.2f, 0.9f, 0.5f));
  Gradient b = linear(zd::color::stSrgb);
  zd::paint::addStop(b, 0.0f, colour(zd::color::stSrgb, 0.0f, 0.0f, 0.0f));
  zd::paint::addStop(b, 1.0f, colour(zd::color::stSrgb, 1.0f, 0.8f, 0.0f));
  Gradient c = linear(zd::color::stHsl);
  c.kind = GradientKind::conic;
  c.geometry[0] = 30;
  c.geometry[1] = 20;
  zd::paint::addStop(c, 0.0f, colour(zd::color::stSrgb, 0.2f, 0.9f, 0.3f));
  zd::paint::addStop(c, 1.0f, colour(zd::color::stSrgb, 0.8f, 0.1f, 0.7f));
  return {a, b, c};
}

std::vector<std::uint8_t> paint(const Gradient &g) {
  const std::vector<Segment> square = {
      {1, 1, 59, 2}, {59, 2, 58, 39}, {58, 39, 2, 38}, {2, 38, 1, 1}};
  zd::image::Image image = zd::image::newImage(60, 40, zd::image::csRgba);
  zd::raster::fillGradientSegments(image, square, g, nullptr, false, false);
  return std::vector<std::uint8_t>(image.data.begin(), image.data.end());
}

// The bytes of g painted on a thread of its own: a cache that holds nothing.
std::vector<std::uint8_t> paintFresh(const Gradient &g) {
  std::vector<std::uint8_t> bytes;
  std::thread([&] { bytes = paint(g); }).join();
  return bytes;
}

TEST(GradientRampCache, SameColoursShareOneRampAndAnyChangeBuildsAnother) {
  const Gradient g = threeGradients()[0];
  const std::shared_ptr<const Ramp> first = rampOf(g);
  // Another gradient object with the same colours, placed and spread
  // differently: the same ramp.
  Gradient moved = g;
  moved.kind = GradientKind::radial;
  moved.spread = zd::paint::Spread::reflect;
  moved.transform = {2, 0, 0, 2, 5, 5};
  EXPECT_EQ(rampOf(moved), first);

  Gradient offset = g, stopColour = g, space = g, hue = g, negativeZero = g;
  offset.stops[1].offset = 0.5f;
  stopColour.stops[2].color.color.alpha = 0.25f;
  space.space = zd::color::stOklab;
  hue.hue = zd::color::hmLonger;
  negativeZero.stops[0].offset = -0.0f;  // equal to 0, but not the same bits
  for (const Gradient *changed : {&offset, &stopColour, &space, &hue, &negativeZero}) {
    EXPECT_NE(rampOf(*changed), first);
    EXPECT_EQ(paint(*changed), paintFresh(*changed));
  }
}

TEST(GradientRampCache, AlternatingAndEvictedGradientsPaintTheFreshBytes) {
  const std::vector<Gradient> gradients = threeGradients();
  std::vector<std::vector<std::uint8_t>> fresh;
  for (const Gradient &g : gradients) fresh.push_back(paintFresh(g));
  // A, B, A hits; C then evicts the oldest; A, B, C, A cycles through
  // more gradients than the cache holds.
  for (const int which : {0, 1, 0, 2, 1, 0, 1, 2, 0, 0}) {
    EXPECT_EQ(paint(gradients[which]), fresh[which]) << "gradient " << which;
  }
  // Stops changed in place between draws of the same gradient object.
  Gradient g = gradients[0];
  EXPECT_EQ(paint(g), fresh[0]);
  g.stops[1].color = colour(zd::color::stSrgb, 0.1f, 0.9f, 0.1f);
  EXPECT_EQ(paint(g), paintFresh(g));
  g.stops[1].color = gradients[0].stops[1].color;
  EXPECT_EQ(paint(g), fresh[0]);
}

TEST(GradientRampCache, HeldRampSurvivesEvictionAndFailedBuildsLeaveTheCache) {
  const std::vector<Gradient> gradients = threeGradients();
  const std::shared_ptr<const Ramp> held = rampOf(gradients[0]);
  zd::raster::RampSample before, after;
  const zd::raster::Paint atQuarter = held->lookup(0.25, before).paint;
  for (const Gradient &g : gradients) rampOf(g);
  rampOf(gradients[2]);
  const zd::raster::Paint later = held->lookup(0.25, after).paint;
  EXPECT_EQ(later.red, atQuarter.red);
  EXPECT_EQ(later.green, atQuarter.green);
  EXPECT_EQ(later.blue, atQuarter.blue);
  EXPECT_EQ(later.alpha, atQuarter.alpha);

  // sRGB stops cannot be interpolated in CMYK: the build raises, and the
  // ramps kept before stay where they were.
  const std::shared_ptr<const Ramp> kept = rampOf(gradients[1]);
  Gradient refused = gradients[1];
  refused.space = zd::color::stCmyk;
  EXPECT_THROW(rampOf(refused), zd::Error);
  EXPECT_EQ(rampOf(gradients[1]), kept);
  Gradient empty = gradients[1];
  empty.stops.clear();
  EXPECT_THROW(rampOf(empty), zd::Error);
  EXPECT_EQ(rampOf(gradients[1]), kept);
}

TEST(GradientRampCache, ThreadsDrawingTheSameGradientsPaintTheFreshBytes) {
  const std::vector<Gradient> gradients = threeGradients();
  std::vector<std::vector<std::uint8_t>> fresh;
  for (const Gradient &g : gradients) fresh.push_back(paintFresh(g));
  std::vector<int> mismatches(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 12; ++i) {
        const int which = (t + i * (t % 3 + 1)) % 3;
        if (paint(gradients[which]) != fresh[which]) ++mismatches[t];
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
