// Reads arbitrary bytes as CSS colour text. Whatever parses must print as
// CSS text that reads back to exactly the same colour, and survive every
// host-colour export (conversion, both gamut methods, mixing, colour
// difference) with a valid colour or a clean refusal.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "start_library.hpp"
#include "zd.h"

namespace {

void die(const char *what, const std::string &input) {
  std::fprintf(stderr, "%s for input '%s'\n", what, input.c_str());
  std::abort();
}

struct Snapshot {
  float v[4];
  int32_t count;
  float alpha;
  std::string space;
};

Snapshot snapshot(ZdColor *c, const std::string &input) {
  Snapshot s{};
  if (zd_color_components(c, s.v, &s.count, &s.alpha) != ZD_OK) die("components failed", input);
  for (int i = 0; i < s.count; ++i) {
    if (!std::isfinite(s.v[i])) die("non-finite component", input);
  }
  if (!(s.alpha >= 0.0f && s.alpha <= 1.0f)) die("alpha out of range", input);
  s.space = zd_color_space(c);
  return s;
}

std::string cssOf(ZdColor *c, const std::string &input) {
  char *text = reinterpret_cast<char *>(1);
  int64_t len = 5;
  if (zd_color_to_css(c, &text, &len) != ZD_OK) die("to_css failed", input);
  std::string result(text, static_cast<std::size_t>(len));
  zd_buffer_free(text);
  return result;
}

// A colour an export handed out: valid, or nil.
void checkMade(ZdColor *c, const std::string &input, const char *what) {
  if (c == nullptr) return;
  snapshot(c, input);
  cssOf(c, input);
  zd_color_free(c);
  (void)what;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zd::fuzzing::startLibrary();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string input(reinterpret_cast<const char *>(data), size);
  ZdColor *color = zd_color_parse_css(input.c_str());
  if (color == nullptr) return 0;
  const Snapshot before = snapshot(color, input);

  // Exact round trip through the text.
  const std::string css = cssOf(color, input);
  ZdColor *back = zd_color_parse_css(css.c_str());
  if (back == nullptr) die(("to_css text does not parse: " + css).c_str(), input);
  const Snapshot after = snapshot(back, input);
  if (after.space != before.space || after.count != before.count || after.alpha != before.alpha ||
      std::memcmp(after.v, before.v, sizeof after.v) != 0) {
    // -0 and +0 compare equal; anything else is a fault.
    for (int i = 0; i < 4; ++i) {
      if (after.v[i] != before.v[i]) die(("round trip changed the colour: " + css).c_str(), input);
    }
    if (after.space != before.space || after.alpha != before.alpha)
      die("round trip changed space or alpha", input);
  }
  if (cssOf(back, input) != css) die("to_css is not stable", input);
  zd_color_free(back);

  static const char *const kSpaces[] = {"srgb", "oklch", "lab",  "hsl",    "p3",
                                        "xyz",  "hct",   "cmyk", "jzazbz", "hwb"};
  const char *space = kSpaces[size % (sizeof kSpaces / sizeof kSpaces[0])];
  checkMade(zd_color_convert(color, space), input, "convert");
  checkMade(zd_color_gamut_map(color, space, 0), input, "gamut map");
  checkMade(zd_color_gamut_map(color, "srgb", static_cast<int32_t>(size & 1)), input,
            "gamut map srgb");
  ZdColor *mixed = reinterpret_cast<ZdColor *>(1);
  const ZdStatus s =
      zd_color_mix(color, color, 0.25f, space, static_cast<int32_t>(size % 4), &mixed);
  if (s == ZD_OK) {
    checkMade(mixed, input, "mix");
  } else if (s != ZD_BAD_ARGUMENT || mixed != nullptr) {
    die("mix failed without clearing its output", input);
  }
  double difference = -1;
  if (zd_color_delta_e(color, color, static_cast<int32_t>(size % 3), &difference) == ZD_OK &&
      !(difference >= 0 && difference < 1e-3)) {
    die("a colour differs from itself", input);
  }
  zd_color_free(color);
  return 0;
}
