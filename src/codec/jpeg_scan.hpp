// The JPEG scan (internal): colour conversion, the forward DCT,
// quantization and Huffman coding of every block, appended to the output.
//
// The scan is written once (jpeg_scan_body.hpp) and compiled twice: a
// portable build (jpeg_scan.cpp) and one for processors with AVX2 and FMA
// (jpeg_scan_avx2.cpp). Both perform the same IEEE operations in the same
// order (each sum still adds its terms from first to last; the lanes only
// run eight such sums side by side), so they write the same bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/jpeg.hpp"
#include "cpu/cpu.hpp"

namespace zd::codec::jpeg {

// The transform's constants in the shapes the lane code reads them, so that
// every multiplication can take its constant operand straight from memory.
struct alignas(32) TransformTables {
  float cosRows[8][8];           // CosT[n][k], rows by n
  float cosSplat[8][8][8];       // CosT[y][u] repeated in eight lanes
  float rowScale[8];             // C(v)
  float columnScaleSplat[8][8];  // C(u) × 0.25 repeated in eight lanes
};

TransformTables makeTransformTables();

// A symbol's code and length in one word (code << 8 | length); 0 when the
// symbol has no code.
struct PackedCodes {
  std::uint32_t entry[256];
};

PackedCodes packCodes(const HuffmanCodes &codes);

[[noreturn]] void missingCode(int symbol);

struct ComponentCoding {
  alignas(32) float divisors[64];  // quantization table, natural order
  const PackedCodes *dc = nullptr;
  const PackedCodes *ac = nullptr;
  std::int32_t previousDc = 0;
};

struct ScanInput {
  const Image *image;
  ComponentCoding *components;
  int componentCount;
  const TransformTables *tables;
};

// Every block row, block column and component in order, appended to `out`,
// by the portable build.
void encodeScanPortable(const ScanInput &input, std::vector<std::uint8_t> &out);

#ifdef ZD_CPU_X86
namespace avx2 {
// The same by the AVX2 build (only where the cpu module allows it).
ZD_TARGET_AVX2 void encodeScan(const ScanInput &input, std::vector<std::uint8_t> &out);
}  // namespace avx2
#endif

}  // namespace zd::codec::jpeg
