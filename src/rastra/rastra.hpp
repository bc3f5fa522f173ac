// Rastra, the image library: the image record, the encoder dispatch and the
// encoders (PNG with its own Deflate/zlib, JPEG, BMP, QOI, PNM, TGA).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/errors.hpp"

namespace zd::rastra {

enum ChannelLayout : std::uint8_t {
  csGray = 0,
  csRgb = 1,
  csRgba = 2,
  // Three further layouts exist (4, 3 and 1 channels); nothing here makes them.
  csLayout3 = 3,
  csLayout4 = 4,
  csLayout5 = 5,
};

// Channels per layout, indexed by ordinal.
inline constexpr std::int64_t ChannelCount[6] = {1, 3, 4, 4, 3, 1};

// Pixel bytes row by row, top to bottom, no gaps; channels in layout order;
// straight alpha; sRGB-encoded for RGB(A).
struct Image {
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::int64_t channels = 0;
  ChannelLayout layout = csRgba;
  std::vector<std::uint8_t> data;
};

enum ImageFormat : std::int32_t {
  fmtPng = 0,
  fmtJpeg = 1,
  fmtBmp = 2,
  fmtQoi = 3,
  fmtPnm = 4,
  fmtTga = 5,
};

// Kind codes carried by RastraException.
enum RastraErrorKind : std::uint8_t {
  rkUnsupportedLayout = 1,
  rkBadDimensions = 3,
  rkSizeOverflow = 4,
};

// The image library's error: a message and a one-byte kind.
class RastraException : public Error {
 public:
  RastraException(std::uint8_t kind, const std::string &message) : Error(message), kind_(kind) {}
  std::uint8_t kind() const { return kind_; }

 private:
  std::uint8_t kind_;
};

// A zeroed image of the layout's channel count. A byte count that overflows
// int64 or is negative raises a Defect.
Image newImage(std::int64_t width, std::int64_t height, ChannelLayout layout);

// The complete encoded file of `image` in `format` (quality is used by JPEG
// only). Encoder refusals propagate as RastraException; an unknown format
// raises an Error.
std::vector<std::uint8_t> encodeImage(const Image &image, std::int32_t format,
                                      std::int32_t quality);

std::vector<std::uint8_t> encodePng(const Image &image);
std::vector<std::uint8_t> encodeJpeg(const Image &image, std::int32_t quality);
std::vector<std::uint8_t> encodeBmp(const Image &image);
std::vector<std::uint8_t> encodeQoi(const Image &image);
std::vector<std::uint8_t> encodePnm(const Image &image);
std::vector<std::uint8_t> encodeTga(const Image &image);

// Little-endian stores into an existing byte sequence; every byte position is
// checked against its length (Defect beyond it).
void putU16le(std::vector<std::uint8_t> &buffer, std::int64_t position, std::uint64_t value);
void putU32le(std::vector<std::uint8_t> &buffer, std::int64_t position, std::uint64_t value);

// Builds the JPEG encoder's cosine table; run once by zd_init.
void initJpegTables();

}  // namespace zd::rastra
