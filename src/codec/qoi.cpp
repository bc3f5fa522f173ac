// QOI writer: the 14-byte header, the chunk stream (runs, index hits, small
// and medium differences, full RGB / RGBA values) and the 8-byte end marker.
#include <cstring>

#include "codec/encoder_checks.hpp"
#include "codec/codec.hpp"

namespace zd::codec {

namespace {

constexpr std::uint8_t kQoiOpIndex = 0x00;
constexpr std::uint8_t kQoiOpDiff = 0x40;
constexpr std::uint8_t kQoiOpLuma = 0x80;
constexpr std::uint8_t kQoiOpRun = 0xC0;
constexpr std::uint8_t kQoiOpRgb = 0xFE;
constexpr std::uint8_t kQoiOpRgba = 0xFF;
constexpr int kQoiMaxRun = 62;
constexpr std::size_t kQoiHeaderSize = 14;
constexpr std::uint8_t kQoiEndMarker[8] = {0, 0, 0, 0, 0, 0, 0, 1};

struct Rgba {
  std::uint8_t r, g, b, a;
  bool operator==(const Rgba &) const = default;
};

int qoiHash(const Rgba &p) { return (p.r * 3 + p.g * 5 + p.b * 7 + p.a * 11) % 64; }

void putU32be(std::uint8_t *at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 24);
  at[1] = static_cast<std::uint8_t>(value >> 16);
  at[2] = static_cast<std::uint8_t>(value >> 8);
  at[3] = static_cast<std::uint8_t>(value);
}

// Writes the chunk(s) of one pixel that is not a repeat of the previous one.
std::uint8_t *writePixelChunk(std::uint8_t *out, const Rgba &pixel, const Rgba &previous,
                              Rgba (&seen)[64]) {
  const int index = qoiHash(pixel);
  if (seen[index] == pixel) {
    *out++ = static_cast<std::uint8_t>(kQoiOpIndex | index);
    return out;
  }
  seen[index] = pixel;
  if (pixel.a != previous.a) {
    *out++ = kQoiOpRgba;
    *out++ = pixel.r;
    *out++ = pixel.g;
    *out++ = pixel.b;
    *out++ = pixel.a;
    return out;
  }
  // Differences wrap around: they are taken modulo 256 as signed bytes.
  const int dr = static_cast<std::int8_t>(static_cast<std::uint8_t>(pixel.r - previous.r));
  const int dg = static_cast<std::int8_t>(static_cast<std::uint8_t>(pixel.g - previous.g));
  const int db = static_cast<std::int8_t>(static_cast<std::uint8_t>(pixel.b - previous.b));
  const int drg = dr - dg;
  const int dbg = db - dg;
  if (dr >= -2 && dr <= 1 && dg >= -2 && dg <= 1 && db >= -2 && db <= 1) {
    *out++ = static_cast<std::uint8_t>(kQoiOpDiff | (dr + 2) << 4 | (dg + 2) << 2 | (db + 2));
  } else if (dg >= -32 && dg <= 31 && drg >= -8 && drg <= 7 && dbg >= -8 && dbg <= 7) {
    *out++ = static_cast<std::uint8_t>(kQoiOpLuma | (dg + 32));
    *out++ = static_cast<std::uint8_t>((drg + 8) << 4 | (dbg + 8));
  } else {
    *out++ = kQoiOpRgb;
    *out++ = pixel.r;
    *out++ = pixel.g;
    *out++ = pixel.b;
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> encodeQoi(const Image &image) {
  // The test is on the channel count, not the layout.
  if (image.channels != 3 && image.channels != 4) {
    throw ImageError(ikUnsupportedLayout, "qoi: encode needs csRgb or csRgba");
  }
  // The header holds each dimension in 32 bits; a larger value would be cut
  // to its low bits and describe another image, so it is refused instead.
  if (image.width > 0xFFFFFFFFll || image.height > 0xFFFFFFFFll) {
    throw ImageError(ikBadDimensions, "qoi: dimensions exceed the 32-bit header fields");
  }
  checkImageRecord(image, "qoi");

  const auto channels = static_cast<std::size_t>(image.channels);
  const std::size_t pixelCount = image.data.size() / channels;
  // Worst case: every pixel a full value chunk (one tag byte more than the
  // pixel). Written through a pointer and cut to size at the end.
  const std::size_t worstCase = kQoiHeaderSize + pixelCount * (channels + 1) + sizeof kQoiEndMarker;
  std::vector<std::uint8_t> out(worstCase);
  std::uint8_t *at = out.data();

  std::memcpy(at, "qoif", 4);
  putU32be(at + 4, static_cast<std::uint32_t>(image.width));
  putU32be(at + 8, static_cast<std::uint32_t>(image.height));
  at[12] = static_cast<std::uint8_t>(channels);
  at[13] = 0;  // sRGB with linear alpha
  at += kQoiHeaderSize;

  Rgba seen[64] = {};
  Rgba previous{0, 0, 0, 255};
  int run = 0;
  const std::uint8_t *source = image.data.data();
  for (std::size_t i = 0; i < pixelCount; ++i, source += channels) {
    const Rgba pixel{source[0], source[1], source[2],
                     channels == 4 ? source[3] : static_cast<std::uint8_t>(255)};
    if (pixel == previous) {
      if (++run == kQoiMaxRun) {
        *at++ = static_cast<std::uint8_t>(kQoiOpRun | (run - 1));
        run = 0;
      }
      continue;
    }
    if (run > 0) {
      *at++ = static_cast<std::uint8_t>(kQoiOpRun | (run - 1));
      run = 0;
    }
    at = writePixelChunk(at, pixel, previous, seen);
    previous = pixel;
  }
  if (run > 0) *at++ = static_cast<std::uint8_t>(kQoiOpRun | (run - 1));
  std::memcpy(at, kQoiEndMarker, sizeof kQoiEndMarker);
  at += sizeof kQoiEndMarker;
  out.resize(static_cast<std::size_t>(at - out.data()));
  return out;
}

}  // namespace zd::codec
