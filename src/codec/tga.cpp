// TGA writer: an 18-byte header with no image ID and no colour map, then
// uncompressed pixels, bottom row first (descriptor 0: origin bottom left).
#include "codec/encoder_checks.hpp"
#include "codec/codec.hpp"

namespace zd::codec {

namespace {
constexpr std::int64_t kTgaHeaderSize = 18;
constexpr std::int64_t kTgaMaxDimension = 65535;
constexpr std::uint8_t kTgaTrueColour = 2;
constexpr std::uint8_t kTgaGrey = 3;
}  // namespace

std::vector<std::uint8_t> encodeTga(const Image &image) {
  if (image.layout != csGray && image.layout != csRgb && image.layout != csRgba) {
    throw ImageError(ikUnsupportedLayout, "tga: encode needs csRgb, csRgba, or csGray");
  }
  if (image.width > kTgaMaxDimension || image.height > kTgaMaxDimension) {
    throw ImageError(ikBadDimensions, "tga: dimensions exceed the 16-bit header fields");
  }
  checkImageRecord(image, "tga");

  const std::int64_t bytesPerPixel = image.channels;  // 1, 3 or 4 for these layouts
  const std::int64_t pixelBytes =
      checkedProduct(checkedProduct(image.width, image.height, "tga"), bytesPerPixel, "tga");
  std::vector<std::uint8_t> out(static_cast<std::size_t>(kTgaHeaderSize + pixelBytes), 0);
  out[2] = image.layout == csGray ? kTgaGrey : kTgaTrueColour;
  putU16le(out, 12, static_cast<std::uint64_t>(image.width));
  putU16le(out, 14, static_cast<std::uint64_t>(image.height));
  out[16] = static_cast<std::uint8_t>(bytesPerPixel * 8);
  out[17] = 0;

  const auto rowBytes = static_cast<std::size_t>(image.width * bytesPerPixel);
  const auto height = static_cast<std::size_t>(image.height);
  for (std::size_t row = 0; row < height; ++row) {
    const std::uint8_t *source = image.data.data() + (height - 1 - row) * rowBytes;
    std::uint8_t *target = out.data() + kTgaHeaderSize + row * rowBytes;
    if (bytesPerPixel == 1) {
      std::copy(source, source + rowBytes, target);
      continue;
    }
    for (std::size_t i = 0; i < rowBytes; i += static_cast<std::size_t>(bytesPerPixel)) {
      target[i] = source[i + 2];
      target[i + 1] = source[i + 1];
      target[i + 2] = source[i];
      if (bytesPerPixel == 4) target[i + 3] = source[i + 3];
    }
  }
  return out;
}

}  // namespace zd::codec
