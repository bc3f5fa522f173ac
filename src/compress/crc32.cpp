// CRC-32 of the reflected polynomial 0xEDB88320 (the checksum of PNG chunks),
// computed eight bytes per step through sliced tables, or 64 bytes per
// step by carry-less multiplication where the processor has it.
#include <array>
#include <bit>
#include <cstring>

#include "compress/checksum_kernels.hpp"
#include "compress/compress.hpp"

namespace zd::compress {

namespace {

constexpr std::array<std::uint32_t, 256> makeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

// Eight derived tables let the CRC take eight bytes per step; slice s gives
// the CRC contribution of a byte followed by s zero bytes. The result is the
// same as one byte at a time through CrcTable.
using SliceTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr SliceTables makeSliceTables() {
  SliceTables slices{};
  slices[0] = makeCrcTable();
  for (std::size_t s = 1; s < 8; ++s) {
    for (std::size_t n = 0; n < 256; ++n) {
      const std::uint32_t previous = slices[s - 1][n];
      slices[s][n] = (previous >> 8) ^ slices[0][previous & 0xFFu];
    }
  }
  return slices;
}

constexpr SliceTables kCrcSlices = makeSliceTables();

}  // namespace

const std::array<std::uint32_t, 256> CrcTable = kCrcSlices[0];

std::uint32_t detail::crc32UpdatePortable(std::uint32_t state, const std::uint8_t *data,
                                          std::size_t length) {
  std::uint32_t c = state;
  if constexpr (std::endian::native == std::endian::little) {
    while (length >= 8) {
      std::uint32_t low;
      std::uint32_t high;
      std::memcpy(&low, data, 4);
      std::memcpy(&high, data + 4, 4);
      low ^= c;
      c = kCrcSlices[7][low & 0xFFu] ^ kCrcSlices[6][(low >> 8) & 0xFFu] ^
          kCrcSlices[5][(low >> 16) & 0xFFu] ^ kCrcSlices[4][low >> 24] ^
          kCrcSlices[3][high & 0xFFu] ^ kCrcSlices[2][(high >> 8) & 0xFFu] ^
          kCrcSlices[1][(high >> 16) & 0xFFu] ^ kCrcSlices[0][high >> 24];
      data += 8;
      length -= 8;
    }
  }
  for (std::size_t k = 0; k < length; ++k) c = CrcTable[(c ^ data[k]) & 0xFFu] ^ (c >> 8);
  return c;
}

std::uint32_t crc32(const std::uint8_t *data, std::size_t length) {
#ifdef ZD_CPU_X86
  if (cpu::usePclmul()) return detail::crc32UpdatePclmul(0xFFFFFFFFu, data, length) ^ 0xFFFFFFFFu;
#endif
  return detail::crc32UpdatePortable(0xFFFFFFFFu, data, length) ^ 0xFFFFFFFFu;
}

}  // namespace zd::compress
