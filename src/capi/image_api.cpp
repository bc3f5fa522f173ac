// Image exports: life, size and pixel queries, PNG encoding.
#include <new>
#include <stdexcept>
#include <vector>

#include "capi/handles.hpp"
#include "codec/codec.hpp"

using zd::capi::Arguments;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;
namespace image = zd::image;
namespace codec = zd::codec;

namespace {

void recordNoPixels(int32_t width, int32_t height) {
  const auto bytes =
      static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height) * 4u;
  zd::capi::recordLastErrorf("zd_image_new: the %dx%d pixels (%llu bytes) cannot be had",
                             static_cast<int>(width), static_cast<int>(height), bytes);
}

// Reads one number off an image; 0 for nil or a failure.
template <class Read>
int32_t query(const char *function, ZdImage *image, Read &&read) {
  if (!Arguments(function).notNil(image, "image")) return 0;
  return guarded<int32_t>(
      0,
      [&] {
        Ref<ZdImage> ref(image);
        return static_cast<int32_t>(read(*ref));
      },
      function);
}

// Clears whichever of the two block outputs is given; true when both are.
bool outputsGiven(Arguments &arguments, uint8_t **out, int64_t *len, const char *outName) {
  zd::capi::clearBlockOutputs(out, len);
  return static_cast<bool>(arguments.notNil(out, outName).notNil(len, "len"));
}

}  // namespace

extern "C" {

ZD_API ZdImage *zd_image_new(int32_t width, int32_t height) {
  if (!Arguments(__func__)
           .require(width >= 1, "width must be >= 1 (got %d)", static_cast<int>(width))
           .require(height >= 1, "height must be >= 1 (got %d)", static_cast<int>(height))) {
    return nullptr;
  }
  return guarded<ZdImage *>(nullptr, [&]() -> ZdImage * {
    auto *handle = new ZdImage();
    // The pixel count comes from the caller: a buffer that cannot be had is
    // a nil result, not the out-of-memory stop kept for the library's own
    // working memory.
    try {
      handle->value = image::newImage(width, height, image::csRgba);
    } catch (const std::bad_alloc &) {
      delete handle;
      recordNoPixels(width, height);
      return nullptr;
    } catch (const std::length_error &) {
      delete handle;
      recordNoPixels(width, height);
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
  return query(__func__, image, [](const image::Image &im) { return im.width; });
}

ZD_API int32_t zd_image_height(ZdImage *image) {
  return query(__func__, image, [](const image::Image &im) { return im.height; });
}

ZD_API int32_t zd_image_channels(ZdImage *image) {
  return query(__func__, image,
               [](const image::Image &im) { return image::ChannelCount[im.layout]; });
}

ZD_API ZdStatus zd_image_pixels(ZdImage *image, uint8_t **pixels, int64_t *len) {
  Arguments arguments(__func__);
  if (!outputsGiven(arguments, pixels, len, "pixels") || !arguments.notNil(image, "image")) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdImage> ref(image);
    *pixels = ref->data.data();
    *len = static_cast<int64_t>(ref->data.size());
    return kOk;
  });
}

ZD_API ZdStatus zd_image_encode_png(ZdImage *image, uint8_t **out, int64_t *len) {
  Arguments arguments(__func__);
  if (!outputsGiven(arguments, out, len, "out") || !arguments.notNil(image, "image")) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdImage> ref(image);
    const std::vector<std::uint8_t> file = codec::encodeImage(*ref, codec::fmtPng, 90);
    if (file.empty()) return zd::capi::refuse("zd_image_encode_png: the encoder gave no bytes");
    return zd::capi::writeBytes(file.data(), file.size(), out, len);
  });
}

}  // extern "C"
