// Renders arbitrary bytes as an SVG document with the document renderer
// beside the library. Every input either renders into an image of the size
// asked for or is refused with a message; nothing crashes, leaks or hangs.
// The first byte picks the size: a fixed 48 x 48 image, or (one input in
// sixteen) a width of 40 with the height from the document's aspect ratio,
// which reaches the output cap. Inputs are kept small and the element
// budget low, so that one input is quick.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "require.hpp"
#include "start_library.hpp"
#include "zd_render.h"

namespace {

void ignore(void *, const char *message) { REQUIRE(message != nullptr && message[0] != '\0'); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zd::fuzzing::startLibrary();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0 || size > 16 * 1024) return 0;
  ZdrOptions options{};
  options.max_elements = 2000;
  options.width = 48;
  options.height = (data[0] & 15) == 15 ? 0 : 48;
  if (options.height == 0) options.width = 40;
  ZdrReport report;
  std::memset(&report, 0x55, sizeof report);
  ZdImage *image = zdr_render_svg(reinterpret_cast<const char *>(data + 1), size - 1, &options,
                                  ignore, nullptr, &report);
  if (image == nullptr) {
    REQUIRE(report.error[0] != '\0');
    REQUIRE(std::memchr(report.error, '\0', sizeof report.error) != nullptr);
    REQUIRE(report.line >= 0);
    return 0;
  }
  REQUIRE(report.error[0] == '\0');
  REQUIRE(report.unsupported >= 0);
  const int32_t width = zd_image_width(image), height = zd_image_height(image);
  REQUIRE(width >= 1 && height >= 1);
  REQUIRE(static_cast<int64_t>(width) * height <= ZDR_MAX_PIXELS);
  if (options.height != 0) REQUIRE(width == 48 && height == 48);
  zd_image_free(image);
  return 0;
}
