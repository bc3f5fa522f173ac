// The JPEG encoder's tables and building blocks, shared with the tests.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "codec/codec.hpp"

namespace zd::codec::jpeg {

// Natural (row-major) index of the i-th coefficient in zig-zag order. In the
// header so that the scan's reordering loop is unrolled with known indices.
// clang-format off
inline constexpr std::uint8_t kZigZag[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
// clang-format on

// The example quantization tables for luminance and chrominance, natural order.
extern const std::uint8_t kLuminanceBase[64];
extern const std::uint8_t kChrominanceBase[64];

// A Huffman table as it is stored in a DHT segment: the number of codes of
// each length 1..16, then the symbols in code order.
struct HuffmanSpec {
  std::uint8_t counts[16];
  const std::uint8_t *symbols;
  std::size_t symbolCount;
};
extern const HuffmanSpec kLuminanceDc, kLuminanceAc, kChrominanceDc, kChrominanceAc;

// Codes and bit lengths by symbol; a length of 0 means the symbol has no code.
struct HuffmanCodes {
  std::uint16_t code[256];
  std::uint8_t length[256];
};

using QuantTable = std::array<std::uint8_t, 64>;  // natural order

// `base` scaled for `quality` (clamped to 1..100), every entry in 1..255.
QuantTable scaleQt(const std::uint8_t (&base)[64], std::int32_t quality);

// Canonical codes: codes of one length in list order, the code value shifted
// left by one bit between lengths. Raises a Defect for an inconsistent table.
HuffmanCodes buildHuffEnc(const HuffmanSpec &table);

// CosT[n][k] = cos((2n + 1)kπ/16) in 32-bit floats, built once.
using CosineTable = std::array<std::array<float, 8>, 8>;
const CosineTable &cosineTable();

// Forward DCT of one 8 × 8 block (rows of 8 samples) into coefficients in
// natural order, in 32-bit floats with the summation order of the encoder.
void fdct(const float (&samples)[64], float (&coefficients)[64]);

// Which build of the scan runs the colour conversion, the transform and the
// coding. All give the same bytes; `automatic` asks the cpu module, `fma`
// needs the AVX2 kernels to be usable (an Error otherwise).
enum class Kernel { automatic, portable, fma };
// True when the cpu module allows the AVX2 kernels.
bool fmaKernelAvailable();
std::vector<std::uint8_t> encodeJpegWith(const Image &image, std::int32_t quality, Kernel kernel);

}  // namespace zd::codec::jpeg
