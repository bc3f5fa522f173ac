// Checks the simple encoders share before they read an image record's bytes.
#pragma once

#include <cstdint>
#include <string>

#include "codec/codec.hpp"

namespace zd::codec {

// a × b, or a Defect naming `operation` when the product leaves int64.
inline std::int64_t checkedProduct(std::int64_t a, std::int64_t b, const char *operation) {
  std::int64_t product = 0;
  if (__builtin_mul_overflow(a, b, &product)) {
    throw Defect(std::string(operation) + ": over- or underflow");
  }
  return product;
}

// An Image is a plain record that any internal caller can fill by hand. An
// encoder reads width × height × channels bytes, so before it does we make
// sure the record is what newImage would have made: non-negative sizes, the
// layout's channel count, and exactly that many data bytes.
inline void checkImageRecord(const Image &image, const char *operation) {
  const std::string where(operation);
  if (image.width < 0 || image.height < 0) {
    throw Defect(where + ": negative image dimensions");
  }
  if (image.layout > csLayout5 || image.channels != ChannelCount[image.layout]) {
    throw Defect(where + ": channel count does not match the layout");
  }
  const std::int64_t pixels = checkedProduct(image.width, image.height, operation);
  const std::int64_t bytes = checkedProduct(pixels, image.channels, operation);
  if (static_cast<std::uint64_t>(bytes) != image.data.size()) {
    throw Defect(where + ": pixel data does not match the image size");
  }
}

}  // namespace zd::codec
