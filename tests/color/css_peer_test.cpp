// The colour module against Color.js: the table in data/colorjs_peer.txt
// (written by tools/colorjs_table.mjs) holds CSS strings parsed, colours
// converted, mixed and measured by Color.js. Conversions, mixes and colour
// differences agree within the per-space tolerances of
// data/colorjs_tolerances.txt, which also says why they are not zero.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "color/convert.hpp"
#include "color/css.hpp"
#include "color/difference.hpp"
#include "color/hub.hpp"
#include "color/mix.hpp"
#include "color/registry.hpp"
#include "color_checks.hpp"

namespace zd::color {
namespace {

const std::string kDataDir = std::string(ZD_TEST_SOURCE_DIR) + "/color/data/";

// A component as the table writes it: a number or `none` (NaN here).
double readValue(std::istream &in) {
  std::string word;
  in >> word;
  return word == "none" ? std::nan("") : std::stod(word);
}

struct Expected {
  SpaceTag space = stUnknown;
  double c[3] = {0, 0, 0};
  double alpha = 1;
};

SpaceTag readSpace(std::istream &in) {
  std::string name;
  in >> name;
  const SpaceDescriptor *d = findSpaceByName(name);
  EXPECT_NE(d, nullptr) << name;
  return d == nullptr ? stUnknown : d->tag;
}

Expected readColor(std::istream &in, bool withAlpha) {
  Expected e;
  e.space = readSpace(in);
  for (double &v : e.c) v = readValue(in);
  if (withAlpha) e.alpha = readValue(in);
  return e;
}

// A colour of the table as the library holds it (`none` as missing).
CssColor toCssColor(const Expected &e) {
  CssColor c;
  float v[3];
  for (int i = 0; i < 3; ++i) {
    v[i] = std::isnan(e.c[i]) ? 0.0f : static_cast<float>(e.c[i]);
    if (std::isnan(e.c[i])) c.missing |= static_cast<std::uint8_t>(1u << i);
  }
  const float alpha = std::isnan(e.alpha) ? 0.0f : static_cast<float>(e.alpha);
  if (std::isnan(e.alpha)) c.missing |= kMissingAlpha;
  c.color = testing::make(e.space, v[0], v[1], v[2], alpha);
  return c;
}

// The reference range of each component, in registry units: errors are
// measured as fractions of it.
struct Ranges {
  double of[3];
};
Ranges rangesOf(SpaceTag space) {
  switch (space) {
    case stLab: return {{100, 250, 250}};
    case stLch: return {{100, 150, 360}};
    case stOklab: return {{1, 0.8, 0.8}};
    case stOklch: return {{1, 0.4, 360}};
    case stHsl:
    case stHsv:
    case stHwb: return {{360, 1, 1}};
    default: return {{1, 1, 1}};
  }
}

// How much colour a hue turns: the chroma, saturation or 1 - W - B, as a
// fraction of its range. A hue error counts as the arc it moves the colour.
double hueWeight(const Expected &e) {
  switch (e.space) {
    case stLch: return e.c[1] / 150;
    case stOklch: return e.c[1] / 0.4;
    case stHsl:
    case stHsv: return e.c[1];
    case stHwb: return std::max(0.0, 1 - e.c[1] - e.c[2]);
    default: return 0;
  }
}

double hueDistance(double a, double b) {
  double d = std::fmod(std::fabs(a - b), 360.0);
  return d > 180 ? 360 - d : d;
}

// The largest error of `got` against `want`, as a fraction of each
// component's range; hues by the arc they turn. `none` in the table must be
// missing in `got`, or (for a powerless hue) carry no colour.
double componentError(const CssColor &got, const Expected &want) {
  const Ranges ranges = rangesOf(want.space);
  const int hue = polarLayout(want.space).hue;
  double worst = 0;
  for (int i = 0; i < 3; ++i) {
    const double g = got.color.comps[i];
    if (std::isnan(want.c[i])) {
      if (!(got.missing & (1u << i)) && i != hue) worst = std::max(worst, 1.0);
      continue;
    }
    if (got.missing & (1u << i)) {
      // A hue the library found powerless where Color.js did not: fine when
      // the colour is that grey.
      worst = std::max(worst, i == hue ? hueWeight(want) : 1.0);
      continue;
    }
    const double error = i == hue
                             ? hueDistance(g, want.c[i]) * std::numbers::pi / 180 * hueWeight(want)
                             : std::fabs(g - want.c[i]) / ranges.of[i];
    worst = std::max(worst, error);
  }
  return worst;
}

// HSL, HSV and HWB are measured in the sRGB colour they stand for: near the
// grey axis their saturation and hue swing on the last bits of the channels.
double colorError(const CssColor &got, const Expected &want) {
  if (want.space != stHsl && want.space != stHsv && want.space != stHwb) {
    return componentError(got, want);
  }
  Expected wantRgb = want;
  for (double &v : wantRgb.c) v = std::isnan(v) ? 0 : v;
  const Color expected = to(toCssColor(wantRgb).color, stSrgb).value();
  const Color actual = to(got.color, stSrgb).value();
  double worst = 0;
  for (int i = 0; i < 3; ++i) {
    worst = std::max(worst, std::fabs(static_cast<double>(actual.comps[i]) - expected.comps[i]));
  }
  return worst;
}

// data/colorjs_tolerances.txt: "<space> <tolerance>" lines, # comments.
std::map<std::string, double> readTolerances() {
  std::ifstream in(kDataDir + "colorjs_tolerances.txt");
  EXPECT_TRUE(in.good());
  std::map<std::string, double> tolerances;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    double tolerance = 0;
    fields >> name >> tolerance;
    tolerances[name] = tolerance;
  }
  return tolerances;
}

class ColorjsPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    tolerances_ = readTolerances();
    std::ifstream in(kDataDir + "colorjs_peer.txt");
    ASSERT_TRUE(in.good());
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line[0] != '#') lines_.push_back(line);
    }
    ASSERT_GT(lines_.size(), 3000u);
  }

  double tolerance(const std::string &key) const {
    const auto it = tolerances_.find(key);
    EXPECT_NE(it, tolerances_.end()) << "no tolerance for " << key;
    return it == tolerances_.end() ? 0 : it->second;
  }
  double tolerance(SpaceTag space) const { return tolerance(spaceNameText(space)); }

  // Runs `check` on every line of one kind; returns how many there were.
  template <class Check>
  int forEach(const std::string &kind, Check check) const {
    int count = 0;
    for (const std::string &line : lines_) {
      std::istringstream in(line);
      std::string word;
      in >> word;
      if (word != kind) continue;
      ++count;
      check(in, line);
    }
    return count;
  }

  std::map<std::string, double> tolerances_;
  std::vector<std::string> lines_;
};

TEST_F(ColorjsPeer, ParsesWhatColorjsParses) {
  const int count = forEach("parse", [&](std::istream &in, const std::string &line) {
    const Expected want = readColor(in, true);
    std::string text;
    std::getline(in >> std::ws, text);
    const Result<CssColor> got = parseCss(text);
    ASSERT_TRUE(got.isOk()) << line << ": " << got.error().message;
    EXPECT_EQ(got.value().color.space, want.space) << line;
    // Only xyz-d50 goes through a conversion (its Bradford matrices differ);
    // everything else is the written numbers, rounded to float32.
    const double tolerance =
        text.find("xyz-d50") != std::string::npos ? this->tolerance(stXyz) : 2e-7;
    for (int i = 0; i < 3; ++i) {
      const float v = got.value().color.comps[i];
      if (std::isnan(want.c[i])) {
        EXPECT_TRUE(got.value().missing & (1u << i)) << line;
      } else {
        EXPECT_NEAR(v, want.c[i], tolerance * std::max(1.0, std::fabs(want.c[i]))) << line;
      }
    }
    if (std::isnan(want.alpha)) {
      EXPECT_TRUE(got.value().missing & kMissingAlpha) << line;
    } else {
      EXPECT_NEAR(got.value().color.alpha, want.alpha, 2e-7) << line;
    }
  });
  EXPECT_GE(count, 700);
}

TEST_F(ColorjsPeer, ConvertsAsColorjsDoes) {
  std::map<SpaceTag, double> worst;
  const int count = forEach("convert", [&](std::istream &in, const std::string &line) {
    const Expected from = readColor(in, false);
    const Expected want = readColor(in, false);
    const Result<CssColor> got = convertCss(toCssColor(from), want.space);
    ASSERT_TRUE(got.isOk()) << line;
    const double error = colorError(got.value(), want);
    // The looser of the two spaces' tolerances: both conversions take part.
    const double tolerance = std::max(this->tolerance(from.space), this->tolerance(want.space));
    EXPECT_LE(error, tolerance) << line << "\n got " << toCss(got.value());
    worst[want.space] = std::max(worst[want.space], error);
  });
  EXPECT_GE(count, 1500);
  // ZD_PEER_REPORT=1 prints the largest error per space, for setting the
  // tolerances when the table is written anew.
  if (std::getenv("ZD_PEER_REPORT") != nullptr) {
    for (const auto &[space, error] : worst)
      std::printf("worst %s %.3g\n", spaceNameText(space), error);
  }
}

TEST_F(ColorjsPeer, MixesAsColorjsDoes) {
  const int count = forEach("mix", [&](std::istream &in, const std::string &line) {
    const Expected a = readColor(in, true);
    const Expected b = readColor(in, true);
    const SpaceTag space = readSpace(in);
    int method = 0;
    double t = 0;
    in >> method >> t;
    Expected want;
    want.space = space;
    for (double &v : want.c) v = readValue(in);
    want.alpha = readValue(in);
    const Result<CssColor> got =
        interpolate(toCssColor(a), toCssColor(b), t, space, static_cast<HueMethod>(method));
    ASSERT_TRUE(got.isOk()) << line;
    const double tolerance =
        std::max({this->tolerance(a.space), this->tolerance(b.space), this->tolerance(space)});
    EXPECT_LE(colorError(got.value(), want), tolerance) << line << "\n got " << toCss(got.value());
    EXPECT_NEAR(got.value().color.alpha, want.alpha, 1e-6) << line;
  });
  EXPECT_GE(count, 750);
}

TEST_F(ColorjsPeer, MeasuresDifferencesAsColorjsDoes) {
  const char *const kMethods[] = {"deltaE-OK", "deltaE-2000", "deltaE-76"};
  const int count = forEach("deltae", [&](std::istream &in, const std::string &line) {
    int method = 0;
    in >> method;
    const Expected a = readColor(in, false);
    const Expected b = readColor(in, false);
    const double want = readValue(in);
    const Result<double> got =
        deltaE(toCssColor(a).color, toCssColor(b).color, static_cast<DeltaEMethod>(method));
    ASSERT_TRUE(got.isOk()) << line;
    // The inputs' own conversion error, in the method's units (Lab's
    // lightness runs to 100), on top of the method's tolerance.
    const double unit = method == deOk ? 1.0 : 100.0;
    const double inputs = 2 * unit * std::max(tolerance(a.space), tolerance(b.space));
    EXPECT_NEAR(got.value(), want, tolerance(kMethods[method]) + inputs) << line;
  });
  EXPECT_GE(count, 400);
}

}  // namespace
}  // namespace zd::color
