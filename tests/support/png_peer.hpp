// Reads PNG files with the peers (libpng for the file, zlib for the IDAT
// stream), so tests can hold our encoder's output against decoders we did
// not write.
#pragma once

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zd::testing {

struct DecodedPng {
  bool ok = false;
  std::string error;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int colorType = -1;
  std::vector<std::uint8_t> pixels;  // rows top to bottom, as stored
};

namespace detail {
struct MemoryReader {
  const std::uint8_t *data;
  std::size_t size;
  std::size_t at;
};

inline void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto *reader = static_cast<MemoryReader *>(png_get_io_ptr(png));
  if (count > reader->size - reader->at) png_error(png, "read past the end of the file");
  std::memcpy(out, reader->data + reader->at, count);
  reader->at += count;
}
}  // namespace detail

// Decodes with libpng's full reader: CRCs, zlib check value and the IEND
// chunk are all verified (a bad one is an error, not a warning).
inline DecodedPng decodeWithLibpng(const std::vector<std::uint8_t> &file) {
  DecodedPng result;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  detail::MemoryReader reader{file.data(), file.size(), 0};
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    DecodedPng refused;
    refused.error = "libpng refused the file";
    return refused;
  }
  png_set_read_fn(png, &reader, detail::readFromMemory);
  png_read_info(png, info);
  result.width = png_get_image_width(png, info);
  result.height = png_get_image_height(png, info);
  result.colorType = png_get_color_type(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  result.pixels.assign(rowBytes * result.height, 0);
  for (std::uint32_t y = 0; y < result.height; ++y)
    rows.push_back(result.pixels.data() + y * rowBytes);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  result.ok = reader.at == file.size();
  if (!result.ok) result.error = "bytes after IEND";
  png_destroy_read_struct(&png, &info, nullptr);
  return result;
}

inline std::uint32_t readU32be(const std::uint8_t *p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

// The data of the file's IDAT chunks, concatenated (our files have one).
inline std::vector<std::uint8_t> idatData(const std::vector<std::uint8_t> &file) {
  std::vector<std::uint8_t> data;
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    const std::uint32_t length = readU32be(&file[at]);
    if (length > file.size() - at - 12) break;
    if (std::memcmp(&file[at + 4], "IDAT", 4) == 0) {
      data.insert(data.end(), file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                  file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    }
    at += 12 + length;
  }
  return data;
}

// Inflates a zlib stream with zlib itself; `expected` bounds the output.
inline std::vector<std::uint8_t> inflateZlib(const std::vector<std::uint8_t> &stream,
                                             std::size_t expected) {
  std::vector<std::uint8_t> out(expected + 16);
  uLongf size = static_cast<uLongf>(out.size());
  if (uncompress(out.data(), &size, stream.data(), static_cast<uLong>(stream.size())) != Z_OK) {
    return {};
  }
  out.resize(size);
  return out;
}

}  // namespace zd::testing
