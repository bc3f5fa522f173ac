// Gradient colours against Color.js (data/gradient_colorjs.txt, written by
// tools/colorjs_gradient.mjs): two stops interpolated in oklab and in oklch
// with each hue method, premultiplied, then mapped into sRGB as CSS maps
// colours, at t = 0, 0.1, ..., 1.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "color/registry.hpp"
#include "raster/gradient.hpp"

namespace {

zd::color::CssColor readStop(std::istringstream &in) {
  std::string space;
  float c[3], alpha;
  in >> space >> c[0] >> c[1] >> c[2] >> alpha;
  const zd::color::SpaceDescriptor *d = zd::color::findSpaceByName(space);
  if (d == nullptr) throw std::runtime_error("unknown space " + space);
  return zd::color::cssColorOf(zd::color::color(d->tag, c[0], c[1], c[2], alpha).value());
}

TEST(GradientColorJs, OklabAndOklchInterpolationMatch) {
  std::ifstream file(std::string(ZD_TEST_SOURCE_DIR) + "/raster/data/gradient_colorjs.txt");
  ASSERT_TRUE(file.is_open());
  std::string line;
  int checked = 0;
  std::optional<zd::raster::Ramp> ramp;
  std::string rampKey;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    const zd::color::CssColor a = readStop(in), b = readStop(in);
    std::string space;
    int hue;
    double t;
    float expected[4];
    in >> space >> hue >> t >> expected[0] >> expected[1] >> expected[2] >> expected[3];
    ASSERT_FALSE(in.fail()) << line;
    // The eleven parameters of one gradient share its ramp.
    std::istringstream head(line);
    std::string key, token;
    for (int field = 0; field < 12 && head >> token; ++field) key += token + " ";
    if (key != rampKey) {
      zd::paint::Gradient g;
      g.kind = zd::paint::GradientKind::linear;
      zd::paint::addStop(g, 0.0f, a);
      zd::paint::addStop(g, 1.0f, b);
      g.space = zd::color::findSpaceByName(space)->tag;
      g.hue = static_cast<zd::color::HueMethod>(hue);
      ramp.emplace(g);
      rampKey = key;
    }
    const zd::raster::Paint p = ramp->exact(t).paint;
    // Float32 components and a chroma search that stops within 0.0001:
    // agreement to a tenth of an 8-bit step.
    constexpr float kTolerance = 0.4f / 255.0f;
    EXPECT_NEAR(p.alpha, expected[3], 1e-6) << line;
    ++checked;
    // A fully transparent result has no colour to compare: Color.js gives
    // zeros, the ramp the transparent stop's own components.
    if (expected[3] == 0.0f) continue;
    EXPECT_NEAR(p.red, expected[0], kTolerance) << line;
    EXPECT_NEAR(p.green, expected[1], kTolerance) << line;
    EXPECT_NEAR(p.blue, expected[2], kTolerance) << line;
  }
  EXPECT_GT(checked, 1000);
}

}  // namespace
