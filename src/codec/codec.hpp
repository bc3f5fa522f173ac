// The encoders behind one dispatch: PNG (with the compress module's
// Deflate/zlib), JPEG, BMP, QOI, PNM and TGA, each writing a complete file
// from an image record.
#pragma once

#include <cstdint>
#include <vector>

#include "image/image.hpp"

namespace zd::codec {

// The codecs work on image records.
using image::ChannelCount;
using image::ChannelLayout;
using image::Image;
using image::ImageError;
using image::csGray;
using image::csRgb;
using image::csRgba;
using image::csLayout3;
using image::csLayout4;
using image::csLayout5;
using image::ikUnsupportedLayout;
using image::ikBadDimensions;
using image::ikSizeOverflow;

enum ImageFormat : std::int32_t {
  fmtPng = 0,
  fmtJpeg = 1,
  fmtBmp = 2,
  fmtQoi = 3,
  fmtPnm = 4,
  fmtTga = 5,
};

// The complete encoded file of `image` in `format` (quality is used by JPEG
// only). Encoder refusals propagate as ImageError; an unknown format
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

}  // namespace zd::codec
