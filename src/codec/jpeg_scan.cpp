// The portable build of the JPEG scan, the tables it reads, and the forward
// DCT of one block for the tests.
#include <string>

#include "codec/jpeg_scan.hpp"
#include "codec/jpeg_scan_body.hpp"

namespace zd::codec::jpeg {

namespace {

constexpr float kC0 = 0.70710677f;  // C(0) = 1/√2; C(k) = 1 for k > 0

}  // namespace

TransformTables makeTransformTables() {
  TransformTables t{};
  const CosineTable &cos = cosineTable();
  for (int n = 0; n < 8; ++n) {
    for (int k = 0; k < 8; ++k) {
      t.cosRows[n][k] = cos[n][k];
      for (int lane = 0; lane < 8; ++lane) t.cosSplat[n][k][lane] = cos[n][k];
    }
  }
  for (int k = 0; k < 8; ++k) {
    t.rowScale[k] = k == 0 ? kC0 : 1.0f;
    for (int lane = 0; lane < 8; ++lane) t.columnScaleSplat[k][lane] = t.rowScale[k] * 0.25f;
  }
  return t;
}

PackedCodes packCodes(const HuffmanCodes &codes) {
  PackedCodes packed{};
  for (int symbol = 0; symbol < 256; ++symbol) {
    packed.entry[symbol] =
        static_cast<std::uint32_t>(codes.code[symbol]) << 8 | codes.length[symbol];
  }
  return packed;
}

[[noreturn]] void missingCode(int symbol) {
  throw Defect("jpeg: no Huffman code for symbol " + std::to_string(symbol));
}

void encodeScanPortable(const ScanInput &input, std::vector<std::uint8_t> &out) {
  encodeScanBody(input, out);
}

void fdct(const float (&samples)[64], float (&coefficients)[64]) {
  const TransformTables tables = makeTransformTables();
  forwardTransform(samples, 8, tables, coefficients);
}

}  // namespace zd::codec::jpeg
