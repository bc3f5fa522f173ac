// Parses arbitrary bytes as a colour string; whatever parses must print as
// SVG colour text of the form #RRGGBB or #RRGGBBAA, or fail cleanly.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "start_library.hpp"
#include "zd.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zd::fuzzing::startLibrary();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  ZdColor *color = zd_color_parse(text.c_str());
  if (color == nullptr) return 0;
  char *svg = reinterpret_cast<char *>(1);
  int64_t len = 9;
  const ZdStatus s = zd_color_to_svg(color, &svg, &len);
  if (s == ZD_OK) {
    const bool shaped = (len == 7 || len == 9) && svg[0] == '#' &&
                        std::strspn(svg + 1, "0123456789ABCDEF") == static_cast<size_t>(len - 1);
    if (!shaped) {
      std::fprintf(stderr, "bad colour text '%s' for input '%s'\n", svg, text.c_str());
      std::abort();
    }
  } else if (s != ZD_BAD_ARGUMENT || svg != nullptr || len != 0) {
    std::fprintf(stderr, "status %d with outputs not cleared\n", s);
    std::abort();
  }
  zd_buffer_free(svg);
  zd_color_free(color);
  return 0;
}
