// Differential check of the filler against the plain, literal one: arbitrary
// small scenes of segments (on the eighth grid where sample lines and pixel
// borders lie, horizontal and vertical edges, edges doubled in reverse, far
// outside the image) painted over arbitrary pixels, under both rules, both
// modes and both kernel sets, must give the same bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../tests/raster/reference_fill.hpp"
#include "cpu/cpu.hpp"
#include "polyline_scene.hpp"
#include "raster/kernels.hpp"
#include "raster/raster.hpp"

namespace {

using zd::raster::Image;
using zd::raster::Paint;
using zd::raster::Segment;

constexpr int kMaxSegments = 48;

float coordinate(FuzzedDataProvider &in, float extent) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return static_cast<float>(in.ConsumeIntegralInRange<int>(-16, 8 * 40)) / 8.0f;
    case 1: return static_cast<float>(in.ConsumeIntegralInRange<int>(-4, 44));
    case 2: return in.ConsumeFloatingPointInRange<float>(-0.5f * extent, 1.5f * extent);
    default: return in.ConsumeFloatingPointInRange<float>(-1e4f, 1e4f);
  }
}

float unit(FuzzedDataProvider &in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return 1.0f;
    case 1: return 0.0f;
    default: return in.ConsumeProbability<float>();
  }
}

std::vector<Segment> scene(FuzzedDataProvider &in, float width, float height) {
  return zd::fuzzing::polylineScene(in, width, height, kMaxSegments, true, coordinate);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int width = in.ConsumeIntegralInRange<int>(1, 40);
  const int height = in.ConsumeIntegralInRange<int>(1, 24);
  const Paint paint{unit(in), unit(in), unit(in), unit(in)};
  const bool evenOdd = in.ConsumeBool();
  const bool overwrite = in.ConsumeBool();
  const bool baseline = in.ConsumeBool();
  Image start = zd::image::newImage(width, height, zd::image::csRgba);
  const uint8_t background = in.ConsumeIntegral<uint8_t>();
  const uint8_t mix = in.ConsumeIntegral<uint8_t>();
  for (std::size_t k = 0; k < start.data.size(); ++k) {
    // Uniform patches and varied bytes, so that both the kernels' reuse of
    // equal pixels and their general path are taken.
    start.data[k] = static_cast<uint8_t>(((k / 4) % 7 < 3) ? background : background ^ (k * mix));
  }
  const std::vector<Segment> segments = scene(in, float(width), float(height));

  Image expected = start;
  Image actual = start;
  zd::raster::testing::referenceFill(expected, segments, paint, evenOdd, overwrite);
  zd::cpu::disableForTesting(baseline ? zd::cpu::kAllFeatures : 0);
  zd::raster::paintSegments(actual, segments, paint, evenOdd, overwrite);
  zd::cpu::disableForTesting(0);
  if (actual.data != expected.data) {
    std::fprintf(
        stderr,
        "fill differs from the reference: %dx%d, %zu segments, rule %d, mode %d, %s kernels\n",
        width, height, segments.size(), evenOdd, overwrite, baseline ? "baseline" : "detected");
    std::abort();
  }
  return 0;
}
