// Colours per second through the whole text pipeline: parse a colour string,
// map it into sRGB and print it as SVG colour text. In-gamut and far
// out-of-gamut oklch() strings differ only in the work gamut mapping does
// (a plain round trip versus a chroma bisection); the stages are also timed
// alone to show where the time goes.
#include <benchmark/benchmark.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "svg/svg.hpp"
#include "color/parse_color.hpp"
#include "zd.h"

namespace {

// Inside sRGB: mapping is a conversion there and back.
const std::array<const char *, 6> kInGamut = {
    "oklch(70% 0.1 30)",       "oklch(0.5 0.05 200)",       "oklch(0.85 0.08 90deg)",
    "oklch(40% 20% 0.75turn)", "oklch(0.6 0.12 250 / 0.5)", "oklch(0.3 0.02 1rad)"};

// Far outside sRGB: mapping bisects on chroma.
const std::array<const char *, 6> kOutOfGamut = {
    "oklch(0.7 0.4 150)",      "oklch(0.5 0.35 300)",      "oklch(0.6 100% 30)",
    "oklch(0.8 0.37 200grad)", "oklch(45% 0.3 260 / 0.5)", "oklch(0.9 0.35 100)"};

void initOnce() {
  static const bool started = [] {
    zd_init();
    return true;
  }();
  (void)started;
}

template <std::size_t N>
void parseMapPrint(benchmark::State &state, const std::array<const char *, N> &texts) {
  initOnce();
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (const char *text : texts) {
      const auto parsed = zd::color::parseColor(text);
      if (!parsed.isOk()) throw std::runtime_error(parsed.error().message);
      const std::string svg = zd::svg::toSvgColor(parsed.value());
      bytes += svg.size();
      benchmark::DoNotOptimize(svg.data());
    }
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * N));
}

void BM_ParseMapSvg_InGamut(benchmark::State &state) { parseMapPrint(state, kInGamut); }
void BM_ParseMapSvg_OutOfGamut(benchmark::State &state) { parseMapPrint(state, kOutOfGamut); }

// The parser alone, over both sets.
void BM_ParseOnly(benchmark::State &state) {
  initOnce();
  for (auto _ : state) {
    for (const auto *set : {&kInGamut, &kOutOfGamut}) {
      for (const char *text : *set) benchmark::DoNotOptimize(zd::color::parseColor(text));
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 12));
}

// Mapping and printing alone, from already parsed colours.
template <std::size_t N>
void mapPrint(benchmark::State &state, const std::array<const char *, N> &texts) {
  initOnce();
  std::vector<zd::color::Color> colors;
  for (const char *text : texts) colors.push_back(zd::color::parseColor(text).value());
  for (auto _ : state) {
    for (const auto &color : colors) benchmark::DoNotOptimize(zd::svg::toSvgColor(color));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * N));
}

void BM_MapSvgOnly_InGamut(benchmark::State &state) { mapPrint(state, kInGamut); }
void BM_MapSvgOnly_OutOfGamut(benchmark::State &state) { mapPrint(state, kOutOfGamut); }

// Through the C interface, as a host would: parse, print, free both.
void BM_ExportRoundTrip_OutOfGamut(benchmark::State &state) {
  initOnce();
  for (auto _ : state) {
    for (const char *text : kOutOfGamut) {
      ZdColor *color = zd_color_parse(text);
      char *out = nullptr;
      int64_t len = 0;
      if (zd_color_to_svg(color, &out, &len) != ZD_OK) throw std::runtime_error(text);
      benchmark::DoNotOptimize(out);
      zd_buffer_free(out);
      zd_color_free(color);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kOutOfGamut.size()));
}

}  // namespace

BENCHMARK(BM_ParseMapSvg_InGamut)->Name("color_text/parse_map_svg_in_gamut/zd");
BENCHMARK(BM_ParseMapSvg_OutOfGamut)->Name("color_text/parse_map_svg_out_of_gamut/zd");
BENCHMARK(BM_ParseOnly)->Name("color_text/parse_only/zd");
BENCHMARK(BM_MapSvgOnly_InGamut)->Name("color_text/map_svg_only_in_gamut/zd");
BENCHMARK(BM_MapSvgOnly_OutOfGamut)->Name("color_text/map_svg_only_out_of_gamut/zd");
BENCHMARK(BM_ExportRoundTrip_OutOfGamut)->Name("color_text/export_round_trip_out_of_gamut/zd");
BENCHMARK_MAIN();
