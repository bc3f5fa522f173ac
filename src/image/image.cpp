// The image record: a zeroed image of a given size and layout.
#include <limits>
#include <string>

#include "image/image.hpp"

namespace zd::image {

Image newImage(std::int64_t width, std::int64_t height, ChannelLayout layout) {
  if (layout > csLayout5)
    throw Defect("newImage: layout " + std::to_string(layout) + " not in 0 .. 5");
  const std::int64_t channels = ChannelCount[layout];
  std::int64_t pixels = 0;
  std::int64_t bytes = 0;
  if (__builtin_mul_overflow(width, height, &pixels) ||
      __builtin_mul_overflow(pixels, channels, &bytes)) {
    throw Defect("newImage: over- or underflow");
  }
  if (bytes < 0) throw Defect("newImage: value out of range");
  Image image;
  image.width = width;
  image.height = height;
  image.channels = channels;
  image.layout = layout;
  image.data = PixelBytes(static_cast<std::size_t>(bytes));  // zero pages, untouched
  return image;
}

}  // namespace zd::image
