// The PNG encoder: signature, IHDR, one IDAT holding the zlib stream of the
// rows (each with filter type 0), IEND. 8 bits per channel, no interlacing,
// no ancillary chunks.
#include "codec/png.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "compress/compress.hpp"
#include "codec/codec.hpp"

namespace zd::codec {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::int64_t kMaxDimension = std::int64_t{1} << 30;

void appendU32be(std::vector<std::uint8_t> &out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void storeU32be(std::uint8_t *at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

[[noreturn]] void refuseChunkLength() {
  throw ImageError(ikSizeOverflow, "png: zlib stream exceeds the 2^31 - 1 byte chunk limit");
}

// Opens a chunk: a length placeholder and the type. Returns where it starts.
std::size_t beginChunk(std::vector<std::uint8_t> &out, const char type[4]) {
  const std::size_t start = out.size();
  appendU32be(out, 0);
  out.insert(out.end(), type, type + 4);
  return start;
}

// Closes the chunk opened at `start` once its data is appended: fills in the
// length and appends the CRC of type and data.
void endChunk(std::vector<std::uint8_t> &out, std::size_t start) {
  const std::size_t length = out.size() - start - 8;
  if (length > kMaxChunkLength) {
    out.resize(start);
    refuseChunkLength();
  }
  storeU32be(out.data() + start, static_cast<std::uint32_t>(length));
  appendU32be(out, compress::crc32(out.data() + start + 4, length + 4));
}

std::uint8_t colourType(ChannelLayout layout) {
  switch (layout) {
    case csGray: return 0;
    case csRgb: return 2;
    default: return 6;
  }
}

// Each row: the filter-type byte 0, then the row's bytes as stored. Every
// byte is written here, so the buffer is not zero-filled first (a pass over
// megabytes for a large image).
std::unique_ptr<std::uint8_t[]> filterRows(const Image &image, std::size_t rowBytes) {
  const auto rows = static_cast<std::size_t>(image.height);
  auto filtered = std::make_unique_for_overwrite<std::uint8_t[]>(rows * (rowBytes + 1));
  const std::uint8_t *source = image.data.data();
  std::uint8_t *target = filtered.get();
  for (std::size_t row = 0; row < rows; ++row) {
    *target++ = 0;
    std::memcpy(target, source, rowBytes);
    target += rowBytes;
    source += rowBytes;
  }
  return filtered;
}

}  // namespace

void writeChunk(std::vector<std::uint8_t> &output, const char chunkType[4],
                const std::uint8_t *data, std::uint64_t length) {
  if (length > kMaxChunkLength) refuseChunkLength();
  const std::size_t start = beginChunk(output, chunkType);
  if (length > 0) output.insert(output.end(), data, data + length);
  endChunk(output, start);
}

std::vector<std::uint8_t> encodePng(const Image &image) {
  if (image.layout > csRgba) {
    throw ImageError(ikUnsupportedLayout, "png: encode needs csGray, csRgb, or csRgba");
  }
  // Negative sizes cannot come from newImage's callers either; refuse them too.
  if (image.width <= 0 || image.height <= 0 || image.width > kMaxDimension ||
      image.height > kMaxDimension) {
    throw ImageError(ikBadDimensions, "png: bad dimensions");
  }
  // Both sizes are at most 2^30, so these products cannot overflow.
  const auto bytesPerPixel = static_cast<std::uint64_t>(ChannelCount[image.layout]);
  const std::uint64_t rowBytes = static_cast<std::uint64_t>(image.width) * bytesPerPixel;
  const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(image.height);
  if (image.data.size() != imageBytes) {
    throw Defect("png: pixel data holds " + std::to_string(image.data.size()) +
                 " bytes, the image needs " + std::to_string(imageBytes));
  }
  // The compressor's limits are known from the length alone: refuse before
  // the filtered copy of a huge image is made.
  const auto filteredLength =
      static_cast<std::int64_t>(imageBytes + static_cast<std::uint64_t>(image.height));
  compress::checkCompressInput(filteredLength);
  const std::unique_ptr<std::uint8_t[]> filtered = filterRows(image, rowBytes);

  // Room for the whole file, so the zlib stream is written in place.
  std::vector<std::uint8_t> output;
  output.reserve(static_cast<std::size_t>(
      std::max<std::int64_t>(static_cast<std::int64_t>(imageBytes),
                             compress::compressedCapacity(filteredLength)) +
      64));
  output.insert(output.end(), std::begin(kSignature), std::end(kSignature));

  std::uint8_t header[13];
  storeU32be(header, static_cast<std::uint32_t>(image.width));
  storeU32be(header + 4, static_cast<std::uint32_t>(image.height));
  header[8] = 8;  // bits per channel
  header[9] = colourType(image.layout);
  header[10] = 0;  // compression method: Deflate
  header[11] = 0;  // filter method 0
  header[12] = 0;  // no interlacing
  writeChunk(output, "IHDR", header, sizeof header);

  const std::size_t idat = beginChunk(output, "IDAT");
  compress::appendZlib(output, filtered.get(), filteredLength);
  endChunk(output, idat);

  writeChunk(output, "IEND", nullptr, 0);
  return output;
}

}  // namespace zd::codec
