// PNG writing helpers shared inside the image library: the CRC-32 of the
// chunks and the chunk writer.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zd::rastra {

// CRC-32 table of the reflected polynomial 0xEDB88320, one entry per byte.
extern const std::array<std::uint32_t, 256> CrcTable;

// CRC-32 as PNG prescribes it (initial value all ones, final complement).
std::uint32_t crc32(const std::uint8_t *data, std::size_t length);

// The largest data length a PNG chunk may carry.
inline constexpr std::uint64_t kMaxChunkLength = 0x7FFFFFFFu;

// Appends one chunk: data length (big-endian), the 4-byte type, the data, and
// the CRC-32 of type plus data. A length above 2^31 - 1 is refused with a
// RastraException (kind 4) and nothing is appended.
void writeChunk(std::vector<std::uint8_t> &output, const char chunkType[4],
                const std::uint8_t *data, std::uint64_t length);

}  // namespace zd::rastra
