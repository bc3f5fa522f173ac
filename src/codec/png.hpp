// The PNG chunk writer, shared by the PNG encoder and its tests.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zd::codec {

// The largest data length a PNG chunk may carry.
inline constexpr std::uint64_t kMaxChunkLength = 0x7FFFFFFFu;

// Appends one chunk: data length (big-endian), the 4-byte type, the data, and
// the CRC-32 of type plus data. A length above 2^31 - 1 is refused with a
// ImageError (kind 4) and nothing is appended.
void writeChunk(std::vector<std::uint8_t> &output, const char chunkType[4],
                const std::uint8_t *data, std::uint64_t length);

}  // namespace zd::codec
