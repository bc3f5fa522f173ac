// The two checked single-pixel operations, source-over and overwrite, and
// the byte rule they share with the row kernels.
#include <cstdint>
#include <string>

#include "raster/pixel_ops.hpp"

namespace zd::raster {

using detail::byteOf;

std::uint8_t toByte(float v) { return byteOf(v); }

namespace {

[[noreturn]] void badOffset(const Image &image, std::int64_t offset) {
  throw Defect("blend: byte offset " + std::to_string(offset) + " outside the pixel buffer of " +
               std::to_string(image.data.size()) + " bytes");
}

bool inBuffer(const Image &image, std::int64_t offset) {
  return offset >= 0 && static_cast<std::uint64_t>(offset) < image.data.size();
}

}  // namespace

void blendOver(Image &image, std::int64_t offset, float coverage, float red, float green,
               float blue, float alpha) {
  const float a = coverage * alpha;
  if (a <= 0.0f) return;
  // All four bytes are checked before anything is read or written.
  if (!inBuffer(image, offset)) badOffset(image, offset);
  if (offset > INT64_MAX - 3 || !inBuffer(image, offset + 3)) badOffset(image, offset + 3);
  detail::overPixel(image.data.data() + offset, a, Paint{red, green, blue, alpha});
}

void blendOverwrite(Image &image, std::int64_t offset, float coverage, float red, float green,
                    float blue, float alpha) {
  const float a = clampUnit(coverage * alpha);
  const std::uint8_t bytes[4] = {byteOf(red), byteOf(green), byteOf(blue), byteOf(a)};
  // Each byte is checked just before its own store, so a pixel straddling
  // the end of the buffer gets its leading bytes written.
  for (std::int64_t i = 0; i < 4; ++i) {
    if (offset > INT64_MAX - i || !inBuffer(image, offset + i)) badOffset(image, offset + i);
    image.data[static_cast<std::size_t>(offset + i)] = bytes[i];
  }
}

}  // namespace zd::raster
