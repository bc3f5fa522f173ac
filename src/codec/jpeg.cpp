// Baseline JPEG writer (JFIF layout): 8-bit samples, one component for grey
// and Y, Cb, Cr without subsampling for colour, the example quantization and
// Huffman tables scaled by quality, a 32-bit float DCT and no restart markers.
//
// This file holds the tables and the file layout (markers and segments);
// the scan itself, the colour conversion, DCT and Huffman coding of every
// block, is in jpeg_scan.hpp.
#include "codec/jpeg.hpp"

#include <cmath>
#include <string>

#include "codec/encoder_checks.hpp"
#include "codec/jpeg_scan.hpp"
#include "cpu/cpu.hpp"

namespace zd::codec {
namespace jpeg {

// clang-format off
const std::uint8_t kLuminanceBase[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

const std::uint8_t kChrominanceBase[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
// clang-format on

namespace {

const std::uint8_t kDcSymbols[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

const std::uint8_t kLuminanceAcSymbols[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
    0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52,
    0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25,
    0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
    0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
    0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
    0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
    0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3,
    0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
    0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

const std::uint8_t kChrominanceAcSymbols[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
    0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33,
    0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18,
    0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
    0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63,
    0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
    0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4,
    0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca,
    0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
    0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

}  // namespace

const HuffmanSpec kLuminanceDc = {{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}, kDcSymbols, 12};
const HuffmanSpec kChrominanceDc = {
    {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}, kDcSymbols, 12};
const HuffmanSpec kLuminanceAc = {
    {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d}, kLuminanceAcSymbols, 162};
const HuffmanSpec kChrominanceAc = {
    {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77}, kChrominanceAcSymbols, 162};

QuantTable scaleQt(const std::uint8_t (&base)[64], std::int32_t quality) {
  const std::int32_t q = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
  const std::int32_t scale = q < 50 ? 5000 / q : 200 - 2 * q;
  QuantTable table{};
  for (int i = 0; i < 64; ++i) {
    const std::int32_t entry = (base[i] * scale + 50) / 100;
    table[i] = static_cast<std::uint8_t>(entry < 1 ? 1 : (entry > 255 ? 255 : entry));
  }
  return table;
}

HuffmanCodes buildHuffEnc(const HuffmanSpec &table) {
  HuffmanCodes codes{};
  std::size_t next = 0;
  std::uint32_t code = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int j = 0; j < table.counts[length - 1]; ++j) {
      if (next >= table.symbolCount) throw Defect("jpeg: Huffman table lists too few symbols");
      if (code >= (1u << length)) throw Defect("jpeg: Huffman code counts overflow");
      const std::uint8_t symbol = table.symbols[next++];
      if (codes.length[symbol] != 0) throw Defect("jpeg: Huffman symbol listed twice");
      codes.code[symbol] = static_cast<std::uint16_t>(code);
      codes.length[symbol] = static_cast<std::uint8_t>(length);
      ++code;
    }
    code <<= 1;
  }
  if (next != table.symbolCount) throw Defect("jpeg: Huffman table lists too many symbols");
  return codes;
}

namespace {

CosineTable buildCosineTable() {
  CosineTable table{};
  for (int n = 0; n < 8; ++n) {
    for (int k = 0; k < 8; ++k) {
      const auto m = static_cast<float>((2 * n + 1) * k);
      table[n][k] = std::cos(m * 3.1415927f * 0.0625f);
    }
  }
  return table;
}

}  // namespace

const CosineTable &cosineTable() {
  // Built by initJpegTables at start-up; the function-local static also
  // makes an encode before start-up correct rather than a read of zeros.
  static const CosineTable table = buildCosineTable();
  return table;
}

namespace {

void segU16(std::vector<std::uint8_t> &out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

void putMarker(std::vector<std::uint8_t> &out, std::uint8_t marker) {
  out.push_back(0xFF);
  out.push_back(marker);
}

void writeApp0(std::vector<std::uint8_t> &out) {
  putMarker(out, 0xE0);
  segU16(out, 16);
  for (char c : {'J', 'F', 'I', 'F', '\0'}) out.push_back(static_cast<std::uint8_t>(c));
  out.push_back(1);  // version 1.01
  out.push_back(1);
  out.push_back(0);  // no density units: the densities give the aspect ratio
  segU16(out, 1);
  segU16(out, 1);
  out.push_back(0);  // no thumbnail
  out.push_back(0);
}

void writeDqt(std::vector<std::uint8_t> &out, const QuantTable *tables, int tableCount) {
  putMarker(out, 0xDB);
  segU16(out, static_cast<std::uint32_t>(2 + 65 * tableCount));
  for (int id = 0; id < tableCount; ++id) {
    out.push_back(static_cast<std::uint8_t>(id));  // 8-bit precision, table id
    for (int i = 0; i < 64; ++i) out.push_back(tables[id][kZigZag[i]]);
  }
}

void writeSof0(std::vector<std::uint8_t> &out, const Image &image, int componentCount) {
  putMarker(out, 0xC0);
  segU16(out, static_cast<std::uint32_t>(8 + 3 * componentCount));
  out.push_back(8);
  segU16(out, static_cast<std::uint32_t>(image.height));
  segU16(out, static_cast<std::uint32_t>(image.width));
  out.push_back(static_cast<std::uint8_t>(componentCount));
  for (int c = 0; c < componentCount; ++c) {
    out.push_back(static_cast<std::uint8_t>(c + 1));
    out.push_back(0x11);
    out.push_back(c == 0 ? 0 : 1);
  }
}

std::size_t dhtTableSize(const HuffmanSpec &table) { return 1 + 16 + table.symbolCount; }

void emitDht(std::vector<std::uint8_t> &out, int tableClass, int id, const HuffmanSpec &table) {
  out.push_back(static_cast<std::uint8_t>(tableClass * 16 + id));
  out.insert(out.end(), table.counts, table.counts + 16);
  out.insert(out.end(), table.symbols, table.symbols + table.symbolCount);
}

void writeDht(std::vector<std::uint8_t> &out, bool colour) {
  std::size_t length = 2 + dhtTableSize(kLuminanceDc) + dhtTableSize(kLuminanceAc);
  if (colour) length += dhtTableSize(kChrominanceDc) + dhtTableSize(kChrominanceAc);
  putMarker(out, 0xC4);
  segU16(out, static_cast<std::uint32_t>(length));
  emitDht(out, 0, 0, kLuminanceDc);
  if (colour) emitDht(out, 0, 1, kChrominanceDc);
  emitDht(out, 1, 0, kLuminanceAc);
  if (colour) emitDht(out, 1, 1, kChrominanceAc);
}

void writeSos(std::vector<std::uint8_t> &out, int componentCount) {
  putMarker(out, 0xDA);
  segU16(out, static_cast<std::uint32_t>(6 + 2 * componentCount));
  out.push_back(static_cast<std::uint8_t>(componentCount));
  for (int c = 0; c < componentCount; ++c) {
    out.push_back(static_cast<std::uint8_t>(c + 1));
    out.push_back(c == 0 ? 0x00 : 0x11);
  }
  out.push_back(0);   // spectral selection start
  out.push_back(63);  // spectral selection end
  out.push_back(0);   // successive approximation
}

constexpr std::int64_t kJpegMaxDimension = 65535;

}  // namespace

bool fmaKernelAvailable() { return cpu::useAvx2(); }

std::vector<std::uint8_t> encodeJpegWith(const Image &image, std::int32_t quality, Kernel kernel) {
  if (image.layout != csGray && image.layout != csRgb) {
    throw ImageError(ikUnsupportedLayout, "jpeg: encode needs csGray or csRgb");
  }
  if (image.width < 1 || image.height < 1 || image.width > kJpegMaxDimension ||
      image.height > kJpegMaxDimension) {
    throw ImageError(ikBadDimensions, "jpeg: bad dimensions");
  }
  checkImageRecord(image, "jpeg");
  const bool useFma =
      kernel == Kernel::fma || (kernel == Kernel::automatic && fmaKernelAvailable());
  if (useFma && !fmaKernelAvailable()) throw Error("jpeg: the FMA kernel needs AVX2 and FMA");

  const bool colour = image.layout == csRgb;
  const int componentCount = colour ? 3 : 1;
  const QuantTable quant[2] = {scaleQt(kLuminanceBase, quality),
                               scaleQt(kChrominanceBase, quality)};
  const PackedCodes luminanceDc = packCodes(buildHuffEnc(kLuminanceDc));
  const PackedCodes luminanceAc = packCodes(buildHuffEnc(kLuminanceAc));
  const PackedCodes chrominanceDc = packCodes(buildHuffEnc(kChrominanceDc));
  const PackedCodes chrominanceAc = packCodes(buildHuffEnc(kChrominanceAc));

  ComponentCoding components[3];
  for (int c = 0; c < componentCount; ++c) {
    const QuantTable &table = quant[c == 0 ? 0 : 1];
    for (int i = 0; i < 64; ++i) components[c].divisors[i] = table[i];
    components[c].dc = c == 0 ? &luminanceDc : &chrominanceDc;
    components[c].ac = c == 0 ? &luminanceAc : &chrominanceAc;
  }

  std::vector<std::uint8_t> out;
  out.reserve(1024 + image.data.size() / 4);
  putMarker(out, 0xD8);
  writeApp0(out);
  writeDqt(out, quant, colour ? 2 : 1);
  writeSof0(out, image, componentCount);
  writeDht(out, colour);
  writeSos(out, componentCount);

  const TransformTables tables = makeTransformTables();
  const ScanInput input{&image, components, componentCount, &tables};
#ifdef ZD_CPU_X86
  if (useFma) {
    avx2::encodeScan(input, out);
  } else {
    encodeScanPortable(input, out);
  }
#else
  encodeScanPortable(input, out);
#endif
  putMarker(out, 0xD9);
  return out;
}

}  // namespace jpeg

std::vector<std::uint8_t> encodeJpeg(const Image &image, std::int32_t quality) {
  return jpeg::encodeJpegWith(image, quality, jpeg::Kernel::automatic);
}

void initJpegTables() { (void)jpeg::cosineTable(); }

}  // namespace zd::codec
