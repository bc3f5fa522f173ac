// Converts and gamut-maps colours with arbitrary float components between
// arbitrary space tags. Every call must return a value or a colour error;
// a returned colour must be valid, carry the input's alpha and, when it is
// mapped into sRGB from the chroma search, lie inside sRGB.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "color/gamut.hpp"
#include "color/hub.hpp"
#include "zd.h"

namespace {

using zd::color::Color;
using zd::color::Result;
using zd::color::SpaceTag;

// Tags 0..27 cover every built-in space and both sides of the table.
SpaceTag tagFrom(std::uint8_t byte) {
  return byte == 255 ? 1000 : static_cast<SpaceTag>(byte % 28);
}

void check(const Result<Color> &result, SpaceTag target, float alpha, const char *what) {
  if (!result.isOk()) return;
  const Color &c = result.value();
  bool valid = c.space == target && c.alpha == alpha;
  for (float v : c.comps) valid = valid && std::isfinite(v);
  if (!valid) {
    std::fprintf(stderr, "%s: bad colour (%g %g %g / %g) in space %d\n", what, c.comps[0],
                 c.comps[1], c.comps[2], c.alpha, c.space);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zd_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2 + 4 * sizeof(float)) return 0;
  const SpaceTag source = tagFrom(data[0]);
  const SpaceTag target = tagFrom(data[1]);
  float values[4];
  std::memcpy(values, data + 2, sizeof values);
  const Result<Color> made = zd::color::color(source, values[0], values[1], values[2], values[3]);
  if (!made.isOk()) return 0;
  const float alpha = made.value().alpha;
  check(zd::color::to(made.value(), target), target, alpha, "to");
  check(zd::color::gamutMap(made.value(), target), target, alpha, "gamutMap");
  check(zd::color::gamutMap(made.value(), zd::color::stSrgb), zd::color::stSrgb, alpha,
        "gamutMap srgb");
  return 0;
}
