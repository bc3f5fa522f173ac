// Image exports: life, size and pixel queries, PNG encoding.
#include <new>
#include <stdexcept>
#include <vector>

#include "capi/handles.hpp"
#include "codec/codec.hpp"

using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;
namespace image = zd::image;
namespace codec = zd::codec;

namespace {

// Reads one number off an image; 0 for nil or a failure.
template <class Read>
int32_t query(ZdImage *image, Read &&read) {
  if (image == nullptr) return 0;
  return guarded<int32_t>(0, [&] {
    Ref<ZdImage> ref(image);
    return static_cast<int32_t>(read(*ref));
  });
}

}  // namespace

extern "C" {

ZD_API ZdImage *zd_image_new(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  return guarded<ZdImage *>(nullptr, [&]() -> ZdImage * {
    auto *handle = new ZdImage();
    // The pixel count comes from the caller: a buffer that cannot be had is
    // a nil result, not the out-of-memory stop kept for the library's own
    // working memory.
    try {
      handle->value = image::newImage(width, height, image::csRgba);
    } catch (const std::bad_alloc &) {
      delete handle;
      return nullptr;
    } catch (const std::length_error &) {
      delete handle;
      return nullptr;
    } catch (...) {
      delete handle;
      throw;
    }
    return handle;
  });
}

ZD_API void zd_image_free(ZdImage *image) {
  if (image != nullptr) zd::capi::release(image);
}

ZD_API int32_t zd_image_width(ZdImage *image) {
  return query(image, [](const image::Image &im) { return im.width; });
}

ZD_API int32_t zd_image_height(ZdImage *image) {
  return query(image, [](const image::Image &im) { return im.height; });
}

ZD_API int32_t zd_image_channels(ZdImage *image) {
  return query(image, [](const image::Image &im) { return image::ChannelCount[im.layout]; });
}

ZD_API ZdStatus zd_image_pixels(ZdImage *image, uint8_t **pixels, int64_t *len) {
  if (!zd::capi::clearBlockOutputs(pixels, len)) return kBadArgument;
  if (image == nullptr) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdImage> ref(image);
    *pixels = ref->data.data();
    *len = static_cast<int64_t>(ref->data.size());
    return kOk;
  });
}

ZD_API ZdStatus zd_image_encode_png(ZdImage *image, uint8_t **out, int64_t *len) {
  if (!zd::capi::clearBlockOutputs(out, len)) return kBadArgument;
  if (image == nullptr) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdImage> ref(image);
    const std::vector<std::uint8_t> file = codec::encodeImage(*ref, codec::fmtPng, 90);
    if (file.empty()) return kBadArgument;
    return zd::capi::writeBytes(file.data(), file.size(), out, len);
  });
}

}  // extern "C"
