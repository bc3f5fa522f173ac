// The library's own Deflate compressor (one final block, fixed Huffman
// codes, greedy LZ77 over hash chains), its zlib framing with Adler-32, and
// the CRC-32 that PNG chunks carry.
//
// The output is fully determined by the input: the hash, the chain order, the
// candidate limit and the tie rule below fix every byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zd::compress {

// A fixed Huffman code of RFC 1951 section 3.2.6, most significant bit first.
struct FixedCode {
  std::uint16_t code;
  std::uint8_t bits;
};

// The fixed literal/length code of `symbol` 0..287 (Defect outside).
FixedCode fixedLitCode(std::int32_t symbol);

// Index 0..28 of the length code for a match length 3..258 (code 257 + index).
std::int32_t lengthCodeIndex(std::int32_t length);

// Distance code 0..29 for a distance 1..32768.
std::int32_t distCodeIndex(std::int32_t distance);

// The chain hash at `position` (needs position + 3 <= length): the low 7 bits
// of byte position+1 above all 8 bits of byte position+2. Byte `position`
// itself does not enter the hash.
std::uint32_t hash3(const std::uint8_t *data, std::int64_t length, std::int64_t position);

// CRC-32 table of the reflected polynomial 0xEDB88320, one entry per byte.
extern const std::array<std::uint32_t, 256> CrcTable;

// CRC-32 as PNG prescribes it (initial value all ones, final complement).
std::uint32_t crc32(const std::uint8_t *data, std::size_t length);

// Adler-32 of RFC 1950: s1 from 1, s2 from 0, result s2 * 65536 + s1.
std::uint32_t adler32(const std::uint8_t *data, std::int64_t length);

// The raw Deflate stream of `data`: one final fixed-Huffman block. An input of
// 2^31 + 3 bytes or more is refused (positions are 32-bit) with a Defect.
std::vector<std::uint8_t> compress(const std::uint8_t *data, std::int64_t length);

// The zlib stream: 78 01, the Deflate stream, Adler-32 big-endian.
std::vector<std::uint8_t> zlibDeflate(const std::uint8_t *data, std::int64_t length);

// As above, appending to `out` (the PNG encoder writes its IDAT data in place).
void appendCompressed(std::vector<std::uint8_t> &out, const std::uint8_t *data,
                      std::int64_t length);
void appendZlib(std::vector<std::uint8_t> &out, const std::uint8_t *data, std::int64_t length);

// Raises what `compress` raises for an input of `length` bytes before any
// work: a Defect for a negative length, for one whose size computations
// overflow, and for one of 2^31 + 3 bytes or more.
void checkCompressInput(std::int64_t length);

// Capacity hint for a compressed stream: length + length / 8 + 16 (Defect on
// overflow or a negative length). At least the worst case of the fixed codes.
std::int64_t compressedCapacity(std::int64_t length);

}  // namespace zd::compress
