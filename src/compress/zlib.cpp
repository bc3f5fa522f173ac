// zlib framing (RFC 1950) around the Deflate stream.
#include "compress/compress.hpp"

namespace zd::compress {

void appendZlib(std::vector<std::uint8_t> &out, const std::uint8_t *data, std::int64_t length) {
  // Checks the length before anything is appended.
  const std::int64_t capacity = compressedCapacity(length);
  out.reserve(out.size() + static_cast<std::size_t>(capacity) + 6);
  const std::size_t start = out.size();
  // CM 8 (Deflate), CINFO 7 (32 KiB window); FLEVEL 0, no dictionary, and
  // the check bits that make 0x7801 a multiple of 31.
  out.push_back(0x78);
  out.push_back(0x01);
  try {
    appendCompressed(out, data, length);
  } catch (...) {
    out.resize(start);
    throw;
  }
  const std::uint32_t checksum = adler32(data, length);
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(checksum >> shift));
}

std::vector<std::uint8_t> zlibDeflate(const std::uint8_t *data, std::int64_t length) {
  std::vector<std::uint8_t> out;
  appendZlib(out, data, length);
  return out;
}

}  // namespace zd::compress
