// Gamut mapping speed: colours per second mapped into sRGB, for oklch
// colours inside sRGB (a conversion there and back) and far outside it
// (a chroma bisection of about a dozen steps), with the plain conversions
// the mapping is built from timed alone for comparison.
#include <benchmark/benchmark.h>

#include <stdexcept>
#include <vector>

#include "color/gamut.hpp"
#include "color/hub.hpp"
#include "zd.h"

namespace {

using zd::color::Color;

void initOnce() {
  static const bool started = [] {
    zd_init();
    return true;
  }();
  (void)started;
}

Color oklch(float l, float c, float h) {
  return zd::color::color(zd::color::stOklch, l, c, h, 1.0f).value();
}

// A spread of hues at moderate chroma: every one lies inside sRGB.
std::vector<Color> inGamutColours() {
  std::vector<Color> colours;
  for (int i = 0; i < 64; ++i) colours.push_back(oklch(0.55f + 0.004f * i, 0.06f, 5.625f * i));
  return colours;
}

// The same hues at chroma 0.35 to 0.4: far outside sRGB.
std::vector<Color> outOfGamutColours() {
  std::vector<Color> colours;
  for (int i = 0; i < 64; ++i) {
    colours.push_back(oklch(0.45f + 0.006f * i, 0.35f + 0.0008f * i, 5.625f * i));
  }
  return colours;
}

void mapAll(benchmark::State &state, const std::vector<Color> &colours) {
  initOnce();
  for (auto _ : state) {
    for (const Color &c : colours) {
      const auto mapped = zd::color::gamutMap(c, zd::color::stSrgb);
      if (!mapped.isOk()) throw std::runtime_error(mapped.error().message);
      benchmark::DoNotOptimize(mapped.value().comps[0]);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * colours.size()));
}

void BM_GamutMap_InGamut(benchmark::State &state) { mapAll(state, inGamutColours()); }
void BM_GamutMap_FarOutOfGamut(benchmark::State &state) { mapAll(state, outOfGamutColours()); }

// One conversion through XYZ, the unit of work gamut mapping repeats.
void BM_Convert_OklchToSrgb(benchmark::State &state) {
  initOnce();
  const std::vector<Color> colours = inGamutColours();
  for (auto _ : state) {
    for (const Color &c : colours) {
      const auto converted = zd::color::to(c, zd::color::stSrgb);
      benchmark::DoNotOptimize(converted.value().comps[0]);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * colours.size()));
}

}  // namespace

BENCHMARK(BM_GamutMap_InGamut)->Name("color/gamut_map_in_gamut/zd");
BENCHMARK(BM_GamutMap_FarOutOfGamut)->Name("color/gamut_map_far_out_of_gamut/zd");
BENCHMARK(BM_Convert_OklchToSrgb)->Name("color/convert_oklch_to_srgb/zd");
BENCHMARK_MAIN();
