// Gradient fills on arbitrary input: geometry (degenerate, huge, a focal
// point anywhere), stops (none, equal offsets, translucent, out of range),
// spreads, spaces, hue methods and transforms, painted into small images.
// Nothing may crash or read out of bounds; the ramp's approximation stays
// within one 8-bit step of exact evaluation; a gradient of one colour whose
// geometry is defined everywhere gives the flat fill's bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "color/css.hpp"
#include "common/errors.hpp"
#include "raster/gradient.hpp"
#include "require.hpp"
#include "start_library.hpp"

namespace {

using zd::paint::Gradient;
using zd::paint::GradientKind;

float number(FuzzedDataProvider &in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return static_cast<float>(in.ConsumeIntegralInRange<int>(-8, 48));
    case 1: return in.ConsumeFloatingPointInRange<float>(-64.0f, 64.0f);
    case 2: return in.ConsumeFloatingPointInRange<float>(-1e6f, 1e6f);
    default: return in.ConsumeFloatingPointInRange<float>(-0.01f, 0.01f);
  }
}

zd::color::CssColor stopColor(FuzzedDataProvider &in) {
  const float alpha = in.ConsumeBool() ? 1.0f : in.ConsumeProbability<float>();
  if (in.ConsumeBool()) {
    return zd::color::cssColorOf(zd::color::color(zd::color::stSrgb, in.ConsumeProbability<float>(),
                                                  in.ConsumeProbability<float>(),
                                                  in.ConsumeProbability<float>(), alpha)
                                     .value());
  }
  return zd::color::cssColorOf(zd::color::color(zd::color::stOklch, in.ConsumeProbability<float>(),
                                                0.4f * in.ConsumeProbability<float>(),
                                                360.0f * in.ConsumeProbability<float>(), alpha)
                                   .value());
}

const zd::color::SpaceTag kSpaces[] = {
    zd::color::stSrgb, zd::color::stSrgbLinear, zd::color::stOklab, zd::color::stOklch,
    zd::color::stLab,  zd::color::stHsl,        zd::color::stCmyk};

bool withinStep(const zd::raster::Paint &a, const zd::raster::Paint &b) {
  return std::fabs(a.red - b.red) <= 1.0f / 255 && std::fabs(a.green - b.green) <= 1.0f / 255 &&
         std::fabs(a.blue - b.blue) <= 1.0f / 255 && std::fabs(a.alpha - b.alpha) <= 1.0f / 255;
}

// True when exact evaluation jumps by more than a step somewhere within a
// bin of t: between neighbours 1/16 of a bin apart. A continuous curve
// moves far less than a step over that distance unless it holds a stop or
// a hard edge (those bins are evaluated exactly, so never get here); a
// jump is the gamut mapping itself: its clip to white where lightness
// reaches 1, or its chroma search settling a step or two apart for
// parameters a hair apart. No table of bins follows a jump inside a bin.
bool jumpNear(const zd::raster::Ramp &ramp, double t) {
  constexpr double kStep = 1.0 / (16.0 * zd::raster::Ramp::kBins);
  zd::raster::Paint before = ramp.exact(t - 16 * kStep).paint;
  for (int k = -15; k <= 16; ++k) {
    const zd::raster::Paint here = ramp.exact(t + k * kStep).paint;
    if (!withinStep(before, here)) return true;
    before = here;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zd::fuzzing::startLibrary();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Gradient g;
  g.kind = static_cast<GradientKind>(in.ConsumeIntegralInRange<int>(1, 3));
  for (float &v : g.geometry) v = number(in);
  if (g.kind == GradientKind::radial) {
    g.geometry[2] = std::fabs(g.geometry[2]);
    g.geometry[5] = std::fabs(g.geometry[5]);
  }
  const int stops = in.ConsumeIntegralInRange<int>(0, 6);
  const bool uniform = in.ConsumeBool();
  const zd::color::CssColor first = stopColor(in);
  for (int k = 0; k < stops; ++k) {
    const float offset = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(0, 4) * 0.25f
                                          : in.ConsumeFloatingPointInRange<float>(-0.5f, 1.5f);
    zd::paint::addStop(g, offset, uniform ? first : stopColor(in));
  }
  g.spread = static_cast<zd::paint::Spread>(in.ConsumeIntegralInRange<int>(0, 2));
  g.space = kSpaces[in.ConsumeIntegralInRange<int>(0, 6)];
  g.hue = static_cast<zd::color::HueMethod>(in.ConsumeIntegralInRange<int>(0, 3));
  if (in.ConsumeBool()) {
    g.transform = {number(in), number(in), number(in), number(in), number(in), number(in)};
    if (!zd::paint::invert(g.transform).ok) g.transform = {};
  }
  const int width = in.ConsumeIntegralInRange<int>(1, 40);
  const int height = in.ConsumeIntegralInRange<int>(1, 24);
  std::vector<zd::raster::Segment> segments;
  const int vertices = in.ConsumeIntegralInRange<int>(3, 8);
  std::vector<float> xs, ys;
  for (int v = 0; v < vertices; ++v) {
    xs.push_back(in.ConsumeFloatingPointInRange<float>(-10.0f, 50.0f));
    ys.push_back(in.ConsumeFloatingPointInRange<float>(-10.0f, 34.0f));
  }
  for (int v = 0; v < vertices; ++v) {
    const int w = (v + 1) % vertices;
    segments.push_back({xs[v], ys[v], xs[w], ys[w]});
  }
  const bool evenOdd = in.ConsumeBool(), overwrite = in.ConsumeBool();
  zd::image::Image image = zd::image::newImage(width, height, zd::image::csRgba);
  const std::uint8_t background = in.ConsumeIntegral<std::uint8_t>();
  for (std::size_t k = 0; k < image.data.size(); ++k) image.data[k] = background ^ (k * 37);
  const zd::image::Image start = image;

  try {
    // The ramp the fill below uses too: the thread's cache hands it over.
    const std::shared_ptr<const zd::raster::Ramp> held = zd::raster::rampOf(g);
    const zd::raster::Ramp &ramp = *held;
    for (int k = 0; k < 8; ++k) {
      const double t = in.ConsumeProbability<double>();
      zd::raster::RampSample scratch;
      const zd::raster::Paint exact = ramp.exact(t).paint;
      const zd::raster::Paint looked = ramp.lookup(t, scratch).paint;
      if (withinStep(exact, looked)) continue;
      // Anywhere but at a jump of the exact colours the approximation must
      // hold.
      REQUIRE(jumpNear(ramp, t));
    }
  } catch (const zd::Error &) {
    // No stops, or stops the space cannot interpolate: the fill must refuse
    // too, leaving the image alone.
    bool refused = false;
    try {
      zd::raster::fillGradientSegments(image, segments, g, nullptr, evenOdd, overwrite);
    } catch (const zd::Error &) {
      refused = true;
    }
    REQUIRE(refused && image.data == start.data);
    return 0;
  }
  zd::raster::fillGradientSegments(image, segments, g, nullptr, evenOdd, overwrite);
  const zd::raster::GradientGeometry geometry(g, zd::paint::invert(g.transform));
  if (uniform && geometry.definedEverywhere() && !geometry.paintsNothing()) {
    zd::image::Image flat = start;
    zd::raster::fillSegments(flat, segments, first.color, evenOdd, overwrite);
    REQUIRE(flat.data == image.data);
  }
  return 0;
}
