// zd_image_encode: any of the image library's formats for a host.
#include <vector>

#include "capi/handles.hpp"
#include "rastra/encoder_checks.hpp"
#include "rastra/rastra.hpp"

using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::Ref;
namespace rastra = zd::rastra;

namespace {

constexpr int32_t kLastFormat = rastra::fmtTga;

// JPEG carries no alpha and its encoder takes grey or RGB only, so an RGBA
// image is encoded from a copy of its red, green and blue bytes.
rastra::Image withoutAlpha(const rastra::Image &image) {
  rastra::checkImageRecord(image, "zd_image_encode");
  rastra::Image rgb = rastra::newImage(image.width, image.height, rastra::csRgb);
  const std::uint8_t *source = image.data.data();
  std::uint8_t *target = rgb.data.data();
  const std::size_t pixels = image.data.size() / 4;
  for (std::size_t i = 0; i < pixels; ++i, source += 4, target += 3) {
    target[0] = source[0];
    target[1] = source[1];
    target[2] = source[2];
  }
  return rgb;
}

std::vector<std::uint8_t> encodeForHost(const rastra::Image &image, int32_t format, int32_t quality) {
  if (format == rastra::fmtJpeg && image.layout == rastra::csRgba) {
    return rastra::encodeImage(withoutAlpha(image), format, quality);
  }
  return rastra::encodeImage(image, format, quality);
}

}  // namespace

extern "C" {

ZD_API ZdStatus zd_image_encode(ZdImage *image, int32_t format, int32_t quality, uint8_t **out,
                                int64_t *len) {
  if (out == nullptr || len == nullptr) {
    if (out != nullptr) *out = nullptr;
    if (len != nullptr) *len = 0;
    return kBadArgument;
  }
  *out = nullptr;
  *len = 0;
  if (image == nullptr || format < rastra::fmtPng || format > kLastFormat) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdImage> ref(image);
    const std::vector<std::uint8_t> file = encodeForHost(*ref, format, quality);
    if (file.empty()) return kBadArgument;
    return zd::capi::writeBytes(file.data(), file.size(), out, len);
  });
}

}  // extern "C"
