// The cell coverage models (exact area and pixel centres) on arbitrary small
// scenes: open and closed polylines, edges doubled in reverse, coordinates
// on the pixel grid, far outside the image, huge or not finite. The
// coverage handed to the painter must come in row and column order, inside
// the image, within [0, 1] (0 or 1 for pixel centres); the filled bytes must
// be the same with and without the vector kernels; and a scene together
// with its own reverse must cover nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "cpu/cpu.hpp"
#include "polyline_scene.hpp"
#include "raster/area.hpp"
#include "start_library.hpp"

namespace {

using zd::raster::Antialias;
using zd::raster::Image;
using zd::raster::Segment;

constexpr int kMaxSegments = 48;

[[noreturn]] void fail(const char *what) {
  std::fprintf(stderr, "area coverage: %s\n", what);
  std::abort();
}

float coordinate(FuzzedDataProvider &in, float extent) {
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: return static_cast<float>(in.ConsumeIntegralInRange<int>(-16, 8 * 40)) / 8.0f;
    case 1: return static_cast<float>(in.ConsumeIntegralInRange<int>(-4, 44)) + 0.5f;
    case 2: return in.ConsumeFloatingPointInRange<float>(-0.5f * extent, 1.5f * extent);
    case 3: return in.ConsumeFloatingPointInRange<float>(-1e4f, 1e4f);
    case 4: return in.ConsumeBool() ? std::numeric_limits<float>::max() : -3e38f;
    default:
      return in.ConsumeBool() ? std::numeric_limits<float>::quiet_NaN()
                              : std::numeric_limits<float>::infinity();
  }
}

std::vector<Segment> scene(FuzzedDataProvider &in, float width, float height) {
  return zd::fuzzing::polylineScene(in, width, height, kMaxSegments, false, coordinate);
}

// Checks each call and sums the coverage.
class Checker final : public zd::raster::RowPainter {
 public:
  Checker(std::int64_t width, std::int64_t height, bool aliased)
      : width_(width), height_(height), aliased_(aliased) {}
  void paintCoverage(std::int64_t y, float *coverage, std::int64_t from, std::int64_t to) override {
    check(y, from, to);
    for (std::int64_t x = from; x < to; ++x) {
      const float c = coverage[x];
      if (!(c >= 0.0f && c <= 1.0f)) fail("coverage outside [0, 1]");
      if (aliased_ && c != 0.0f && c != 1.0f) fail("partial coverage of a pixel centre");
      total += c;
    }
  }
  void paintFull(std::int64_t y, std::int64_t from, std::int64_t to) override {
    check(y, from, to);
    total += static_cast<double>(to - from);
  }
  double total = 0.0;

 private:
  void check(std::int64_t y, std::int64_t from, std::int64_t to) {
    if (!(0 <= y && y < height_ && 0 <= from && from < to && to <= width_)) fail("call outside");
    if (!(y > lastY_ || (y == lastY_ && from >= lastTo_))) fail("calls out of order");
    lastY_ = y;
    lastTo_ = to;
  }
  std::int64_t width_, height_;
  bool aliased_;
  std::int64_t lastY_ = -1, lastTo_ = 0;
};

}  // namespace

// The colour registry is filled once, for the colour mapping of the fills.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zd::fuzzing::startLibrary();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int width = in.ConsumeIntegralInRange<int>(1, 40);
  const int height = in.ConsumeIntegralInRange<int>(1, 24);
  const Antialias model = in.ConsumeBool() ? Antialias::area : Antialias::none;
  const bool evenOdd = in.ConsumeBool();
  const bool overwrite = in.ConsumeBool();
  const float alpha = in.ConsumeProbability<float>();
  const std::uint8_t background = in.ConsumeIntegral<std::uint8_t>();
  std::vector<Segment> segments = scene(in, float(width), float(height));

  Checker checker(width, height, model == Antialias::none);
  zd::raster::coverSegments(segments, width, height, model, evenOdd, checker);

  // Every chain followed back along itself (after a break, so that the
  // last chain does not run on into the first reversed one): each edge
  // meets its reverse and the cells cancel exactly.
  constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
  std::vector<Segment> twice = segments;
  twice.push_back({kNan, kNan, kNan, kNan});
  for (auto s = segments.rbegin(); s != segments.rend(); ++s) {
    twice.push_back({s->x1, s->y1, s->x0, s->y0});
  }
  Checker none(width, height, model == Antialias::none);
  zd::raster::coverSegments(twice, width, height, model, false, none);
  if (none.total != 0.0) fail("a scene and its reverse do not cancel");

  zd::color::Color color;
  color.comps[0] = 0.25f;
  color.comps[1] = 0.5f;
  color.comps[2] = 1.0f;
  color.alpha = alpha;
  color.space = zd::color::stSrgb;
  Image images[2];
  for (int portable = 0; portable < 2; ++portable) {
    images[portable] = zd::image::newImage(width, height, zd::image::csRgba);
    for (std::size_t k = 0; k < images[portable].data.size(); ++k) {
      images[portable].data[k] = static_cast<std::uint8_t>(background ^ (k % 13));
    }
    zd::cpu::disableForTesting(portable ? zd::cpu::kAllFeatures : 0);
    zd::raster::fillSegmentsWith(images[portable], segments, color, evenOdd, overwrite, model);
  }
  zd::cpu::disableForTesting(0);
  if (images[0].data != images[1].data) fail("vector and portable kernels differ");
  return 0;
}
