// Host colours: CSS text read per byte (every form, side by side with the
// original three-form parser on the strings both read), conversion between
// random pairs of spaces per colour, and mixing. The exports are timed as a
// host calls them (a handle made and freed per colour), the library's own
// functions without the handle.
#include <benchmark/benchmark.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "color/convert.hpp"
#include "color/css.hpp"
#include "color/hub.hpp"
#include "color/mix.hpp"
#include "color/parse_color.hpp"
#include "zd.h"

namespace {

using zd::color::Color;
using zd::color::CssColor;
using zd::color::SpaceTag;

void initOnce() {
  static const bool started = [] {
    zd_init();
    return true;
  }();
  (void)started;
}

// The forms both parsers read: hex, rgb()/rgba(), oklch().
// clang-format off
const std::vector<std::string> kSharedForms = {
    "#336699",        "#fa0c",          "rgb(255, 128, 0)",        "rgba(12, 200, 130, 0.5)",
    "rgb(10% 20% 30%)", "rgb(255 128 0 / 50%)", "oklch(70% 0.1 150)", "oklch(0.5 0.35 300 / 0.5)",
    "oklch(0.62 0.2 1.5rad)", "#11223344"};
// clang-format on

// Every form the CSS reader takes.
const std::vector<std::string> kEveryForm = {"rebeccapurple",
                                             "#336699",
                                             "rgba(12, 200, 130, 0.5)",
                                             "rgb(10% 20% 30% / 50%)",
                                             "hsl(200 80% 40%)",
                                             "hsla(200, 80%, 40%, 0.3)",
                                             "hwb(150 20% 10%)",
                                             "lab(52.2345% 40.1645 59.9971)",
                                             "lch(52.2345% 72.2 56.2deg / 0.8)",
                                             "oklab(59.686% 0.1009 0.1192)",
                                             "oklch(0.7 0.1 150)",
                                             "color(display-p3 1 0.2 0.1)",
                                             "color(xyz-d50 0.2005 0.14089 0.4472)",
                                             "color(--hct 30 40 50)",
                                             "color-mix(in oklch, red 30%, blue)"};

std::size_t bytesOf(const std::vector<std::string> &texts) {
  std::size_t bytes = 0;
  for (const std::string &t : texts) bytes += t.size();
  return bytes;
}

void setRates(benchmark::State &state, const std::vector<std::string> &texts) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * texts.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytesOf(texts)));
}

template <class Parse>
void parseAll(benchmark::State &state, const std::vector<std::string> &texts, Parse parse) {
  initOnce();
  for (auto _ : state) {
    for (const std::string &text : texts) {
      if (!parse(text)) throw std::runtime_error("does not parse: " + text);
    }
  }
  setRates(state, texts);
}

// ----------------------------------------------------------------- parsing

void BM_ParseOriginal_SharedForms(benchmark::State &state) {
  parseAll(state, kSharedForms, [](const std::string &t) {
    const auto r = zd::color::parseColor(t);
    benchmark::DoNotOptimize(r);
    return r.isOk();
  });
}

void BM_ParseCss_SharedForms(benchmark::State &state) {
  parseAll(state, kSharedForms, [](const std::string &t) {
    const auto r = zd::color::parseCss(t);
    benchmark::DoNotOptimize(r);
    return r.isOk();
  });
}

void BM_ParseCss_EveryForm(benchmark::State &state) {
  parseAll(state, kEveryForm, [](const std::string &t) {
    const auto r = zd::color::parseCss(t);
    benchmark::DoNotOptimize(r);
    return r.isOk();
  });
}

void BM_ExportParseOriginal_SharedForms(benchmark::State &state) {
  parseAll(state, kSharedForms, [](const std::string &t) {
    ZdColor *c = zd_color_parse(t.c_str());
    zd_color_free(c);
    return c != nullptr;
  });
}

void BM_ExportParseCss_SharedForms(benchmark::State &state) {
  parseAll(state, kSharedForms, [](const std::string &t) {
    ZdColor *c = zd_color_parse_css(t.c_str());
    zd_color_free(c);
    return c != nullptr;
  });
}

// -------------------------------------------------------------- conversion

// Pairs of spaces drawn at random from a family, with a colour inside sRGB
// expressed in the source space.
struct Conversion {
  CssColor from;
  SpaceTag to;
};

std::vector<Conversion> conversions(const std::vector<SpaceTag> &family) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> unit(0.02f, 0.98f);
  std::uniform_int_distribution<std::size_t> pick(0, family.size() - 1);
  std::vector<Conversion> list;
  for (int i = 0; i < 256; ++i) {
    const Color srgb =
        zd::color::color(zd::color::stSrgb, unit(rng), unit(rng), unit(rng), 1.0f).value();
    const SpaceTag from = family[pick(rng)];
    SpaceTag to = family[pick(rng)];
    while (to == from) to = family[pick(rng)];
    list.push_back({zd::color::cssColorOf(zd::color::to(srgb, from).value()), to});
  }
  return list;
}

const std::vector<SpaceTag> kRgbFamily = {
    zd::color::stSrgb,     zd::color::stSrgbLinear,     zd::color::stP3,  zd::color::stP3Linear,
    zd::color::stRec2020,  zd::color::stRec2020Linear,  zd::color::stA98, zd::color::stA98Linear,
    zd::color::stProphoto, zd::color::stProphotoLinear, zd::color::stXyz};
const std::vector<SpaceTag> kOklabFamily = {zd::color::stSrgb, zd::color::stSrgbLinear,
                                            zd::color::stOklab, zd::color::stOklch};

std::vector<SpaceTag> everySpace() {
  std::vector<SpaceTag> all;
  for (SpaceTag t = zd::color::stSrgb; t <= zd::color::stHct; ++t) {
    if (t != zd::color::stCmyk) all.push_back(t);
  }
  return all;
}

void convertAll(benchmark::State &state, const std::vector<SpaceTag> &family) {
  initOnce();
  const std::vector<Conversion> list = conversions(family);
  for (auto _ : state) {
    for (const Conversion &c : list) {
      const auto r = zd::color::convertCss(c.from, c.to);
      if (!r.isOk()) throw std::runtime_error("conversion failed");
      benchmark::DoNotOptimize(r.value().color.comps[0]);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * list.size()));
}

void BM_Convert_RgbFamily(benchmark::State &state) { convertAll(state, kRgbFamily); }
void BM_Convert_OklabFamily(benchmark::State &state) { convertAll(state, kOklabFamily); }
void BM_Convert_EverySpace(benchmark::State &state) { convertAll(state, everySpace()); }

// Through the exports, as a host converts: the space named, a handle out.
void exportConvertAll(benchmark::State &state, const std::vector<SpaceTag> &family) {
  initOnce();
  std::vector<std::pair<ZdColor *, const char *>> list;
  for (const Conversion &c : conversions(family)) {
    const float v[3] = {c.from.color.comps[0], c.from.color.comps[1], c.from.color.comps[2]};
    list.push_back({zd_color_new(zd::color::spaceNameText(c.from.color.space), v, 3, 1.0f),
                    zd::color::spaceNameText(c.to)});
  }
  for (auto _ : state) {
    for (const auto &[color, space] : list) {
      ZdColor *converted = zd_color_convert(color, space);
      if (converted == nullptr) throw std::runtime_error("conversion failed");
      zd_color_free(converted);
    }
  }
  for (const auto &entry : list) zd_color_free(entry.first);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * list.size()));
}

void BM_ExportConvert_RgbFamily(benchmark::State &state) { exportConvertAll(state, kRgbFamily); }
void BM_ExportConvert_OklabFamily(benchmark::State &state) {
  exportConvertAll(state, kOklabFamily);
}

// ------------------------------------------------------------------ mixing

void mixAll(benchmark::State &state, SpaceTag space) {
  initOnce();
  const std::vector<Conversion> list = conversions(everySpace());
  for (auto _ : state) {
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
      const auto r =
          zd::color::interpolate(list[i].from, list[i + 1].from, 0.25, space, zd::color::hmShorter);
      if (!r.isOk()) throw std::runtime_error("mix failed");
      benchmark::DoNotOptimize(r.value().color.comps[0]);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * (list.size() - 1)));
}

void BM_Mix_Oklab(benchmark::State &state) { mixAll(state, zd::color::stOklab); }
void BM_Mix_Oklch(benchmark::State &state) { mixAll(state, zd::color::stOklch); }
void BM_Mix_Srgb(benchmark::State &state) { mixAll(state, zd::color::stSrgb); }

// A gradient's way: one interpolator, many positions.
void BM_Interpolator_At(benchmark::State &state) {
  initOnce();
  const auto i = zd::color::Interpolator::make(zd::color::parseCss("red").value(),
                                               zd::color::parseCss("blue").value(),
                                               zd::color::stOklch, zd::color::hmShorter)
                     .value();
  double t = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(i.at(t).value().color.comps[0]);
    t = t < 1 ? t + 1.0 / 1024 : 0;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

}  // namespace

BENCHMARK(BM_ParseOriginal_SharedForms)->Name("color_parse/shared_forms/zd_three_form_reader");
BENCHMARK(BM_ParseCss_SharedForms)->Name("color_parse/shared_forms/zd");
BENCHMARK(BM_ParseCss_EveryForm)->Name("color_parse/every_form/zd");
BENCHMARK(BM_ExportParseOriginal_SharedForms)
    ->Name("color_parse/shared_forms/zd_export_three_form");
BENCHMARK(BM_ExportParseCss_SharedForms)->Name("color_parse/shared_forms/zd_export");
BENCHMARK(BM_Convert_RgbFamily)->Name("color_convert/rgb_family/zd");
BENCHMARK(BM_Convert_OklabFamily)->Name("color_convert/oklab_family/zd");
BENCHMARK(BM_Convert_EverySpace)->Name("color_convert/every_space/zd");
BENCHMARK(BM_ExportConvert_RgbFamily)->Name("color_convert/rgb_family/zd_export");
BENCHMARK(BM_ExportConvert_OklabFamily)->Name("color_convert/oklab_family/zd_export");
BENCHMARK(BM_Mix_Oklab)->Name("color_mix/in_oklab/zd");
BENCHMARK(BM_Mix_Oklch)->Name("color_mix/in_oklch/zd");
BENCHMARK(BM_Mix_Srgb)->Name("color_mix/in_srgb/zd");
BENCHMARK(BM_Interpolator_At)->Name("color_mix/gradient_positions/zd");
BENCHMARK_MAIN();
