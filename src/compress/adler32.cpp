// Adler-32 (RFC 1950), the checksum that ends a zlib stream: two sums
// modulo 65521, reduced once per run of bytes too short to overflow them.
#include <algorithm>

#include "common/errors.hpp"
#include "compress/checksum_kernels.hpp"
#include "compress/compress.hpp"

namespace zd::compress {

namespace {

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

std::uint32_t detail::adler32Portable(const std::uint8_t *data, std::int64_t length) {
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

std::uint32_t adler32(const std::uint8_t *data, std::int64_t length) {
  if (length < 0) throw Defect("adler32: value out of range");
#ifdef ZD_CPU_X86
  if (cpu::useAvx2()) return detail::adler32Avx2(data, length);
#endif
  return detail::adler32Portable(data, length);
}

}  // namespace zd::compress
