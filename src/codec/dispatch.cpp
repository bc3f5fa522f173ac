// The encoder dispatch by format, and the little-endian stores the header
// writers share.
#include <string>

#include "codec/codec.hpp"

namespace zd::codec {

std::vector<std::uint8_t> encodeImage(const Image &image, std::int32_t format,
                                      std::int32_t quality) {
  switch (format) {
    case fmtPng: return encodePng(image);
    case fmtJpeg: return encodeJpeg(image, quality);
    case fmtBmp: return encodeBmp(image);
    case fmtQoi: return encodeQoi(image);
    case fmtPnm: return encodePnm(image);
    case fmtTga: return encodeTga(image);
    default: throw Error("encodeImage: unknown format " + std::to_string(format));
  }
}

namespace {
void putLittleEndian(std::vector<std::uint8_t> &buffer, std::int64_t position, std::uint64_t value,
                     int bytes) {
  for (int i = 0; i < bytes; ++i) {
    // A position near the top of the int64 range must not wrap around.
    std::int64_t at = 0;
    if (__builtin_add_overflow(position, i, &at) || at < 0 ||
        static_cast<std::uint64_t>(at) >= buffer.size()) {
      throw Defect("index " + std::to_string(at) + " not in 0 .. " +
                   std::to_string(static_cast<std::int64_t>(buffer.size()) - 1));
    }
    buffer[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}
}  // namespace

void putU16le(std::vector<std::uint8_t> &buffer, std::int64_t position, std::uint64_t value) {
  putLittleEndian(buffer, position, value, 2);
}

void putU32le(std::vector<std::uint8_t> &buffer, std::int64_t position, std::uint64_t value) {
  putLittleEndian(buffer, position, value, 4);
}

}  // namespace zd::codec
