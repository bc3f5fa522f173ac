// Converts and gamut-maps colours with arbitrary float components between
// arbitrary space tags. Every call must return a value or a colour error;
// a returned colour must be valid, carry the input's alpha and, when it is
// mapped into sRGB from the chroma search, lie inside sRGB. The same floats
// also go through the host exports (zd_color_new, convert, gamut map, mix,
// colour difference), and a colour made must print as CSS text that reads
// back to the same floats.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "color/gamut.hpp"
#include "color/hub.hpp"
#include "start_library.hpp"
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

void hostExports(SpaceTag source, SpaceTag target, const float (&values)[4], std::uint8_t method) {
  const char *from = zd::color::spaceNameText(source);
  const char *into = zd::color::spaceNameText(target);
  const float components[4] = {values[0], values[1], values[2], values[3]};
  ZdColor *c = zd_color_new(from, components, source == zd::color::stCmyk ? 4 : 3, values[3]);
  if (c == nullptr) return;
  char *text = nullptr;
  int64_t len = 0;
  if (zd_color_to_css(c, &text, &len) != ZD_OK) std::abort();
  ZdColor *back = zd_color_parse_css(text);
  float a[4], b[4], alphaA = 0, alphaB = 0;
  int32_t countA = 0, countB = 0;
  if (back == nullptr || zd_color_components(c, a, &countA, &alphaA) != ZD_OK ||
      zd_color_components(back, b, &countB, &alphaB) != ZD_OK || countA != countB ||
      alphaA != alphaB || a[0] != b[0] || a[1] != b[1] || a[2] != b[2] || a[3] != b[3]) {
    std::fprintf(stderr, "CSS text '%s' does not read back\n", text);
    std::abort();
  }
  zd_buffer_free(text);
  zd_color_free(back);
  zd_color_free(zd_color_convert(c, into));
  zd_color_free(zd_color_gamut_map(c, into, method & 1));
  ZdColor *mixed = nullptr;
  if (zd_color_mix(c, c, 0.5f, into, method & 3, &mixed) == ZD_OK) zd_color_free(mixed);
  double difference = 0;
  zd_color_delta_e(c, c, method % 3, &difference);
  zd_color_free(c);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zd::fuzzing::startLibrary();
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
  hostExports(source, target, values, data[2]);
  return 0;
}
