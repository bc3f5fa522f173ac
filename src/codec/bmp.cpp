// BMP writer: a 54-byte header (file header + 40-byte info header), then
// uncompressed 24- or 32-bit rows, bottom row first, each padded with zero
// bytes to a multiple of four.
#include "codec/encoder_checks.hpp"
#include "codec/codec.hpp"

namespace zd::codec {

namespace {
constexpr std::int64_t kBmpHeaderSize = 54;
constexpr std::int64_t kPixelsPerMetre = 2835;  // 72 dpi
}  // namespace

std::vector<std::uint8_t> encodeBmp(const Image &image) {
  std::int64_t bytesPerPixel = 0;
  if (image.layout == csRgba) {
    bytesPerPixel = 4;
  } else if (image.layout == csRgb) {
    bytesPerPixel = 3;
  } else {
    throw ImageError(ikUnsupportedLayout, "bmp: encode needs csRgb or csRgba");
  }
  if (image.width < 0 || image.height < 0) throw Defect("bmp: negative image dimensions");

  const std::int64_t rowBytes = checkedProduct(image.width, bytesPerPixel, "bmp");
  const std::int64_t stride = checkedProduct((rowBytes + 3) / 4, 4, "bmp");
  const std::int64_t pixelBytes = checkedProduct(stride, image.height, "bmp");
  // The file size field holds 54 + pixel bytes in 32 bits.
  if (pixelBytes >= static_cast<std::int64_t>(0xFFFFFFFFu) - kBmpHeaderSize + 1) {
    throw ImageError(ikSizeOverflow, "bmp: encoded size exceeds the 32-bit BMP fields");
  }
  checkImageRecord(image, "bmp");

  std::vector<std::uint8_t> out(static_cast<std::size_t>(kBmpHeaderSize + pixelBytes), 0);
  out[0] = 'B';
  out[1] = 'M';
  putU32le(out, 2, static_cast<std::uint64_t>(kBmpHeaderSize + pixelBytes));
  putU32le(out, 6, 0);
  putU32le(out, 10, kBmpHeaderSize);
  putU32le(out, 14, 40);
  putU32le(out, 18, static_cast<std::uint64_t>(image.width));
  putU32le(out, 22, static_cast<std::uint64_t>(image.height));
  putU16le(out, 26, 1);
  putU16le(out, 28, static_cast<std::uint64_t>(bytesPerPixel * 8));
  putU32le(out, 30, 0);
  putU32le(out, 34, static_cast<std::uint64_t>(pixelBytes));
  putU32le(out, 38, kPixelsPerMetre);
  putU32le(out, 42, kPixelsPerMetre);
  putU32le(out, 46, 0);
  putU32le(out, 50, 0);

  const auto width = static_cast<std::size_t>(image.width);
  const auto channels = static_cast<std::size_t>(image.channels);
  const auto height = static_cast<std::size_t>(image.height);
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t *source = image.data.data() + (height - 1 - y) * width * channels;
    std::uint8_t *target = out.data() + kBmpHeaderSize + y * static_cast<std::size_t>(stride);
    for (std::size_t x = 0; x < width; ++x, source += channels, target += bytesPerPixel) {
      target[0] = source[2];
      target[1] = source[1];
      target[2] = source[0];
      if (bytesPerPixel == 4) target[3] = source[3];
    }
  }
  return out;
}

}  // namespace zd::codec
