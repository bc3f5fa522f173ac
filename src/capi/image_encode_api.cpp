// zd_image_encode: any of the codec module's formats for a host.
#include <vector>

#include "capi/handles.hpp"
#include "codec/encoder_checks.hpp"
#include "codec/codec.hpp"

using zd::capi::Arguments;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::Ref;
namespace image = zd::image;
namespace codec = zd::codec;

namespace {

constexpr int32_t kLastFormat = codec::fmtTga;

// JPEG carries no alpha and its encoder takes grey or RGB only, so an RGBA
// image is encoded from a copy of its red, green and blue bytes.
image::Image withoutAlpha(const image::Image &image) {
  codec::checkImageRecord(image, "zd_image_encode");
  image::Image rgb = image::newImage(image.width, image.height, image::csRgb);
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

std::vector<std::uint8_t> encodeForHost(const image::Image &image, int32_t format,
                                        int32_t quality) {
  if (format == codec::fmtJpeg && image.layout == image::csRgba) {
    return codec::encodeImage(withoutAlpha(image), format, quality);
  }
  return codec::encodeImage(image, format, quality);
}

}  // namespace

extern "C" {

ZD_API ZdStatus zd_image_encode(ZdImage *image, int32_t format, int32_t quality, uint8_t **out,
                                int64_t *len) {
  zd::capi::clearBlockOutputs(out, len);
  if (!Arguments(__func__)
           .notNil(out, "out")
           .notNil(len, "len")
           .notNil(image, "image")
           .require(format >= codec::fmtPng && format <= kLastFormat,
                    "format must be in 0..%d (got %d)", static_cast<int>(kLastFormat),
                    static_cast<int>(format))) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdImage> ref(image);
    const std::vector<std::uint8_t> file = encodeForHost(*ref, format, quality);
    if (file.empty()) return zd::capi::refuse("zd_image_encode: the encoder gave no bytes");
    return zd::capi::writeBytes(file.data(), file.size(), out, len);
  });
}

}  // extern "C"
