// zlib framing (RFC 1950) around the Deflate stream, and Adler-32.
#include <algorithm>

#include "common/errors.hpp"
#include "compress/compress.hpp"

namespace zd::compress {

namespace {

constexpr std::uint32_t kAdlerModulus = 65521;
// The largest run after which s2 still fits 32 bits before it is reduced.
constexpr std::int64_t kAdlerRun = 5552;
constexpr std::int64_t kAdlerChunk = 16;

// Adds one chunk of 16 bytes to the sums. With s1 and s2 the sums before the
// chunk, s2 gains 16 * s1 plus each byte weighted by how many of the chunk's
// running sums it enters (16 for the first byte down to 1 for the last); the
// independent products let the compiler keep several additions in flight.
inline void addChunk(const std::uint8_t *p, std::uint32_t &s1, std::uint32_t &s2) {
  std::uint32_t sum = 0;
  std::uint32_t weighted = 0;
  for (int k = 0; k < kAdlerChunk; ++k) {
    sum += p[k];
    weighted += static_cast<std::uint32_t>(kAdlerChunk - k) * p[k];
  }
  s2 += static_cast<std::uint32_t>(kAdlerChunk) * s1 + weighted;
  s1 += sum;
}

}  // namespace

std::uint32_t adler32(const std::uint8_t *data, std::int64_t length) {
  if (length < 0) throw Defect("adler32: value out of range");
  std::uint32_t s1 = 1;
  std::uint32_t s2 = 0;
  while (length > 0) {
    const std::int64_t run = std::min(length, kAdlerRun);
    std::int64_t k = 0;
    for (; k + kAdlerChunk <= run; k += kAdlerChunk) addChunk(data + k, s1, s2);
    for (; k < run; ++k) {
      s1 += data[k];
      s2 += s1;
    }
    s1 %= kAdlerModulus;
    s2 %= kAdlerModulus;
    data += run;
    length -= run;
  }
  return (s2 << 16) | s1;
}

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
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(checksum >> shift));
}

std::vector<std::uint8_t> zlibDeflate(const std::uint8_t *data, std::int64_t length) {
  std::vector<std::uint8_t> out;
  appendZlib(out, data, length);
  return out;
}

}  // namespace zd::compress
