// Baseline JPEG writer (JFIF layout): 8-bit samples, one component for grey
// and Y, Cb, Cr without subsampling for colour, the example quantization and
// Huffman tables scaled by quality, a 32-bit float DCT and no restart markers.
//
// The colour conversion and the DCT are written once and compiled twice: a
// portable version and one for processors with AVX2 and FMA. Both perform
// the same IEEE operations in the same order (each sum still adds its terms
// from first to last; the lanes only run eight such sums side by side), so
// they write the same bytes.
#include "codec/jpeg.hpp"

#include <cmath>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codec/encoder_checks.hpp"

#define ZD_ALWAYS_INLINE inline __attribute__((always_inline))

namespace zd::codec {
namespace jpeg {

const std::uint8_t kZigZag[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

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
const HuffmanSpec kChrominanceDc = {{0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}, kDcSymbols, 12};
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

constexpr float kC0 = 0.70710677f;  // C(0) = 1/√2; C(k) = 1 for k > 0

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

// Eight float lanes; the compiler maps them to two SSE or one AVX register.
typedef float Lanes8 __attribute__((vector_size(32)));
typedef std::int32_t Ints8 __attribute__((vector_size(32)));
typedef std::uint32_t Bits8 __attribute__((vector_size(32)));

// Loads and stores go through references: returning a 32-byte vector by
// value would tie the portable code to the AVX calling convention.
ZD_ALWAYS_INLINE void loadLanes(Lanes8 &lanes, const float *at) {
  std::memcpy(&lanes, at, sizeof lanes);
}

ZD_ALWAYS_INLINE void storeLanes(float *at, const Lanes8 &lanes) {
  std::memcpy(at, &lanes, sizeof lanes);
}

// The transform's constants in the shapes the lane code reads them, so that
// every multiplication can take its constant operand straight from memory.
struct alignas(32) TransformTables {
  float cosRows[8][8];         // CosT[n][k], rows by n
  float cosSplat[8][8][8];     // CosT[y][u] repeated in eight lanes
  float rowScale[8];           // C(v)
  float columnScaleSplat[8][8];  // C(u) × 0.25 repeated in eight lanes
};

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

// Eight aligned floats of a table read as one lane group.
typedef float AliasingLanes8 __attribute__((vector_size(32), may_alias));
ZD_ALWAYS_INLINE const AliasingLanes8 &lanesAt(const float *at) {
  return *reinterpret_cast<const AliasingLanes8 *>(__builtin_assume_aligned(at, 32));
}

// One block: `rows` points at the first sample, `stride` floats between
// rows; the coefficients come out in natural order.
//
// Row pass: T(y, v) = (Σx f(y, x) CosT[x][v]) C(v), the eight v side by side.
// Column pass: F(u, v) = (Σy T(y, v) CosT[y][u]) (C(u) / 4), the eight v side
// by side. Each lane adds its terms in the order x (or y) = 0..7.
ZD_ALWAYS_INLINE void forwardTransform(const float *rows, std::size_t stride,
                                       const TransformTables &t, float *coefficients) {
  Lanes8 rowPass[8];
  for (int y = 0; y < 8; ++y) {
    const float *f = rows + static_cast<std::size_t>(y) * stride;
    Lanes8 sum = f[0] * lanesAt(t.cosRows[0]);
    for (int x = 1; x < 8; ++x) sum = sum + f[x] * lanesAt(t.cosRows[x]);
    rowPass[y] = sum * lanesAt(t.rowScale);
  }
  for (int u = 0; u < 8; ++u) {
    Lanes8 sum = rowPass[0] * lanesAt(t.cosSplat[0][u]);
    for (int y = 1; y < 8; ++y) sum = sum + rowPass[y] * lanesAt(t.cosSplat[y][u]);
    storeLanes(coefficients + u * 8, sum * lanesAt(t.columnScaleSplat[u]));
  }
}

// A true division by the table entry, then rounding half away from zero:
// the 0.5 takes the sign of the quotient (a negative zero gets -0.5, which
// truncates to 0 just as +0.5 does) and the conversion truncates.
ZD_ALWAYS_INLINE void quantize(const float *coefficients, const float *divisors,
                               std::int32_t *quantized) {
  for (int u = 0; u < 8; ++u) {
    Lanes8 coefficient;
    Lanes8 divisor;
    loadLanes(coefficient, coefficients + u * 8);
    loadLanes(divisor, divisors + u * 8);
    const Lanes8 quotient = coefficient / divisor;
    Bits8 bits;
    std::memcpy(&bits, &quotient, sizeof quotient);
    const Bits8 halfBits = (bits & 0x80000000u) | 0x3F000000u;
    Lanes8 half;
    std::memcpy(&half, &halfBits, sizeof half);
    const Ints8 rounded = __builtin_convertvector(quotient + half, Ints8);
    std::memcpy(quantized + u * 8, &rounded, sizeof rounded);
  }
}

// Colour samples of one source row into three planes (Y, Cb, Cr), centred
// on zero; the row is first widened to floats, edge pixels repeated.
ZD_ALWAYS_INLINE void convertRgbRow(const std::uint8_t *source, std::size_t width,
                                    std::size_t paddedWidth, float *__restrict red,
                                    float *__restrict green, float *__restrict blue,
                                    float *__restrict y, float *__restrict cb,
                                    float *__restrict cr) {
  for (std::size_t x = 0; x < paddedWidth; ++x) {
    const std::uint8_t *pixel = source + 3 * (x < width ? x : width - 1);
    red[x] = pixel[0];
    green[x] = pixel[1];
    blue[x] = pixel[2];
  }
  for (std::size_t x = 0; x < paddedWidth; ++x) {
    const float r = red[x];
    const float g = green[x];
    const float b = blue[x];
    y[x] = std::fmaf(b, 0.114f, std::fmaf(r, 0.299f, g * 0.587f)) - 128.0f;
    cb[x] = std::fmaf(b, 0.5f, std::fmaf(r, -0.168736f, g * -0.331264f));
    cr[x] = std::fmaf(b, -0.081312f, std::fmaf(r, 0.5f, g * -0.418688f));
  }
}

ZD_ALWAYS_INLINE void convertGreyRow(const std::uint8_t *source, std::size_t width,
                                     std::size_t paddedWidth, float *y) {
  for (std::size_t x = 0; x < paddedWidth; ++x) {
    y[x] = static_cast<float>(source[x < width ? x : width - 1]) - 128.0f;
  }
}

// Bits go in most significant first; each complete byte is appended, and an
// 0xFF byte is followed by a 0x00 so it cannot be read as a marker.
//
// Bits gather in a 64-bit word that is written out whole when it fills, so
// the slow path (and its branch) comes once per eight bytes. The writer
// lives in the scan's own stack frame, so its fields are known not to alias
// the output bytes and stay in registers while blocks are coded.
class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t> &out) : out_(out) {
    const std::size_t used = out.size();
    out.resize(used + kBlockWorstCase * 4);
    cursor_ = out.data() + used;
    limit_ = out.data() + out.size();
  }

  // Room for one block's worst case: 64 codes of at most 16 + 11 bits, each
  // byte possibly stuffed, plus a full word.
  ZD_ALWAYS_INLINE void reserveForBlock() {
    if (static_cast<std::size_t>(limit_ - cursor_) < kBlockWorstCase) grow();
  }

  // Appends the `count` (1..27) low bits of `bits`; higher bits must be 0.
  ZD_ALWAYS_INLINE void put(std::uint32_t bits, int count) {
    if (count < free_) {
      word_ = (word_ << count) | bits;
      free_ -= count;
      return;
    }
    // The word fills: its last `free_` bits are the top of `bits`. The rest
    // of `bits` starts the next word; any bits above them in `word_` leave
    // through the top before that word is written.
    const int spill = count - free_;
    word_ = (word_ << free_) | (bits >> spill);
    writeWord(word_);
    word_ = bits;
    free_ = 64 - spill;
  }

  // Pads the last byte with 1 bits, appends it (stuffed if it is 0xFF) and
  // cuts the output to the bytes written.
  void flush() {
    int pending = 64 - free_;
    // Left-align the pending bits; anything above them leaves through the top.
    std::uint64_t aligned = pending == 0 ? 0 : word_ << free_;
    for (; pending >= 8; pending -= 8, aligned <<= 8) {
      writeByte(static_cast<std::uint8_t>(aligned >> 56));
    }
    if (pending > 0) {
      const std::uint32_t padding = (1u << (8 - pending)) - 1;
      writeByte(static_cast<std::uint8_t>((aligned >> 56) | padding));
    }
    word_ = 0;
    free_ = 64;
    out_.resize(static_cast<std::size_t>(cursor_ - out_.data()));
  }

 private:
  static constexpr std::size_t kBlockWorstCase = 512;

  void grow() {
    const auto used = static_cast<std::size_t>(cursor_ - out_.data());
    out_.resize(out_.size() * 2 + kBlockWorstCase);
    cursor_ = out_.data() + used;
    limit_ = out_.data() + out_.size();
  }

  ZD_ALWAYS_INLINE void writeByte(std::uint8_t byte) {
    *cursor_++ = byte;
    if (byte == 0xFF) *cursor_++ = 0;
  }

  ZD_ALWAYS_INLINE void writeWord(std::uint64_t word) {
    // A byte of the word is 0xFF exactly when the inverted word has a zero byte.
    const std::uint64_t inverted = ~word;
    if (((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) == 0) {
      const std::uint64_t bigEndian = __builtin_bswap64(word);
      std::memcpy(cursor_, &bigEndian, 8);
      cursor_ += 8;
      return;
    }
    for (int shift = 56; shift >= 0; shift -= 8) writeByte(static_cast<std::uint8_t>(word >> shift));
  }

  std::vector<std::uint8_t> &out_;
  std::uint8_t *cursor_ = nullptr;
  std::uint8_t *limit_ = nullptr;
  std::uint64_t word_ = 0;
  int free_ = 64;
};

// Number of bits of |value| (0 for 0).
ZD_ALWAYS_INLINE int bitSize(std::int32_t value) {
  const auto magnitude = static_cast<std::uint32_t>(value < 0 ? -value : value);
  return magnitude == 0 ? 0 : 32 - __builtin_clz(magnitude);
}

// A symbol's code and length in one word (code << 8 | length); 0 when the
// symbol has no code.
struct PackedCodes {
  std::uint32_t entry[256];
};

PackedCodes packCodes(const HuffmanCodes &codes) {
  PackedCodes packed{};
  for (int symbol = 0; symbol < 256; ++symbol) {
    packed.entry[symbol] = static_cast<std::uint32_t>(codes.code[symbol]) << 8 | codes.length[symbol];
  }
  return packed;
}

[[noreturn]] void missingCode(int symbol) {
  throw Defect("jpeg: no Huffman code for symbol " + std::to_string(symbol));
}

// The code of `symbol` followed by the `size` low bits of `value` (of
// value − 1 when negative, the one's complement form).
ZD_ALWAYS_INLINE void putSymbolAndValue(BitWriter &writer, const PackedCodes &codes, int symbol,
                                        std::int32_t value, int size) {
  const std::uint32_t entry = codes.entry[symbol];
  if (entry == 0) missingCode(symbol);
  const std::uint32_t onesComplement = static_cast<std::uint32_t>(value + (value >> 31));
  const std::uint32_t valueBits = onesComplement & ((1u << size) - 1);
  writer.put(((entry >> 8) << size) | valueBits, static_cast<int>(entry & 0xFF) + size);
}

ZD_ALWAYS_INLINE void putHuff(BitWriter &writer, const PackedCodes &codes, int symbol) {
  const std::uint32_t entry = codes.entry[symbol];
  if (entry == 0) missingCode(symbol);
  writer.put(entry >> 8, static_cast<int>(entry & 0xFF));
}

struct ComponentCoding {
  alignas(32) float divisors[64];  // quantization table, natural order
  const PackedCodes *dc = nullptr;
  const PackedCodes *ac = nullptr;
  std::int32_t previousDc = 0;
};

// Bit i set when zigzag[i] is not zero.
ZD_ALWAYS_INLINE std::uint64_t nonZeroMask(const std::int32_t *zigzag) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  auto load = [&](int at) { return _mm_load_si128(reinterpret_cast<const __m128i *>(zigzag + at)); };
  std::uint64_t zeros = 0;
  for (int i = 0; i < 64; i += 16) {
    // Values lie within ±2048, so packing to 16 bits keeps zero and non-zero apart.
    const __m128i low = _mm_cmpeq_epi16(_mm_packs_epi32(load(i), load(i + 4)), zero);
    const __m128i high = _mm_cmpeq_epi16(_mm_packs_epi32(load(i + 8), load(i + 12)), zero);
    const auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
    zeros |= static_cast<std::uint64_t>(bits) << i;
  }
  return ~zeros;
#else
  std::uint64_t mask = 0;
  for (int i = 0; i < 64; ++i) mask |= static_cast<std::uint64_t>(zigzag[i] != 0) << i;
  return mask;
#endif
}

// For all 64 values at once: the bit size of |v| and the bits written after
// the symbol (the size low bits of v, or of v − 1 when v is negative). The
// size is read off the exponent of |v| as a float, exact for |v| < 2^24.
ZD_ALWAYS_INLINE void describeCoefficients(const std::int32_t *values, std::int32_t *sizes,
                                           std::int32_t *valueBits) {
  for (int i = 0; i < 64; i += 8) {
    Ints8 v;
    std::memcpy(&v, values + i, sizeof v);
    const Ints8 sign = v >> 31;
    const Ints8 magnitude = (v ^ sign) - sign;
    const Lanes8 asFloat = __builtin_convertvector(magnitude, Lanes8);
    Ints8 exponent;
    std::memcpy(&exponent, &asFloat, sizeof exponent);
    Ints8 size = (exponent >> 23) - 126;  // 1.0 → 1, 2.0 and 3.0 → 2, ...; 0 → negative
    size = size & ~(size >> 31);
    const Ints8 one = {1, 1, 1, 1, 1, 1, 1, 1};
    const Ints8 bits = (v + sign) & ((one << size) - 1);
    std::memcpy(sizes + i, &size, sizeof size);
    std::memcpy(valueBits + i, &bits, sizeof bits);
  }
}

// DC difference, then the AC coefficients as (zero run, size) symbols.
ZD_ALWAYS_INLINE void encBlock(BitWriter &writer, ComponentCoding &component,
                               const std::int32_t *natural) {
  alignas(32) std::int32_t zigzag[64];
  for (int i = 0; i < 64; ++i) zigzag[i] = natural[kZigZag[i]];
  alignas(32) std::int32_t sizes[64];
  alignas(32) std::int32_t valueBits[64];
  describeCoefficients(zigzag, sizes, valueBits);
  const std::uint64_t nonZero = nonZeroMask(zigzag);
  writer.reserveForBlock();

  const std::int32_t diff = zigzag[0] - component.previousDc;
  component.previousDc = zigzag[0];
  const int dcSize = bitSize(diff);
  putSymbolAndValue(writer, *component.dc, dcSize, diff, dcSize);

  const PackedCodes &ac = *component.ac;
  int last = 0;
  for (std::uint64_t rest = nonZero & ~1ull; rest != 0; rest &= rest - 1) {
    const int i = __builtin_ctzll(rest);
    int run = i - last - 1;
    for (; run >= 16; run -= 16) putHuff(writer, ac, 0xF0);
    const int size = sizes[i];
    const std::uint32_t entry = ac.entry[run * 16 + size];
    if (entry == 0) missingCode(run * 16 + size);
    writer.put(((entry >> 8) << size) | static_cast<std::uint32_t>(valueBits[i]),
               static_cast<int>(entry & 0xFF) + size);
    last = i;
  }
  if (last != 63) putHuff(writer, ac, 0x00);  // end of block
}

struct ScanInput {
  const Image *image;
  ComponentCoding *components;
  int componentCount;
  const TransformTables *tables;
};

// Every block row, block column and component in order, appended to `out`.
// The body is shared by the portable and the AVX2/FMA entry points below.
ZD_ALWAYS_INLINE void encodeScan(const ScanInput &input, std::vector<std::uint8_t> &out) {
  const Image &image = *input.image;
  const auto width = static_cast<std::size_t>(image.width);
  const auto height = static_cast<std::size_t>(image.height);
  const std::size_t blockColumns = (width + 7) / 8;
  const std::size_t blockRows = (height + 7) / 8;
  const std::size_t paddedWidth = blockColumns * 8;
  const std::size_t rowBytes = width * static_cast<std::size_t>(image.channels);
  const int componentCount = input.componentCount;

  // Eight rows of each component's samples, then three scratch rows.
  std::vector<float> planes(paddedWidth * 8 * 3 + paddedWidth * 3);
  float *plane[3] = {planes.data(), planes.data() + paddedWidth * 8,
                     planes.data() + paddedWidth * 16};
  float *scratch = planes.data() + paddedWidth * 24;

  BitWriter writer(out);
  alignas(32) float coefficients[64];
  alignas(32) std::int32_t quantized[64];
  for (std::size_t blockRow = 0; blockRow < blockRows; ++blockRow) {
    for (std::size_t y = 0; y < 8; ++y) {
      const std::size_t sourceRow = std::min(blockRow * 8 + y, height - 1);
      const std::uint8_t *source = image.data.data() + sourceRow * rowBytes;
      const std::size_t at = y * paddedWidth;
      if (componentCount == 1) {
        convertGreyRow(source, width, paddedWidth, plane[0] + at);
      } else {
        convertRgbRow(source, width, paddedWidth, scratch, scratch + paddedWidth,
                      scratch + 2 * paddedWidth, plane[0] + at, plane[1] + at, plane[2] + at);
      }
    }
    for (std::size_t column = 0; column < blockColumns; ++column) {
      for (int c = 0; c < componentCount; ++c) {
        ComponentCoding &component = input.components[c];
        forwardTransform(plane[c] + column * 8, paddedWidth, *input.tables, coefficients);
        quantize(coefficients, component.divisors, quantized);
        encBlock(writer, component, quantized);
      }
    }
  }
  writer.flush();
}

void encodeScanPortable(const ScanInput &input, std::vector<std::uint8_t> &out) {
  encodeScan(input, out);
}

#if defined(__x86_64__) || defined(__i386__)
#define ZD_HAVE_FMA_KERNEL 1
__attribute__((target("avx2,fma,bmi,bmi2"))) void encodeScanFma(
    const ScanInput &input, std::vector<std::uint8_t> &out) {
  encodeScan(input, out);
}
#endif

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

bool fmaKernelAvailable() {
#ifdef ZD_HAVE_FMA_KERNEL
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
         __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
#else
  return false;
#endif
}

std::vector<std::uint8_t> encodeJpegWith(const Image &image, std::int32_t quality, Kernel kernel) {
  if (image.layout != csGray && image.layout != csRgb) {
    throw ImageError(ikUnsupportedLayout, "jpeg: encode needs csGray or csRgb");
  }
  if (image.width < 1 || image.height < 1 || image.width > kJpegMaxDimension ||
      image.height > kJpegMaxDimension) {
    throw ImageError(ikBadDimensions, "jpeg: bad dimensions");
  }
  checkImageRecord(image, "jpeg");
  const bool useFma = kernel == Kernel::fma || (kernel == Kernel::automatic && fmaKernelAvailable());
  if (useFma && !fmaKernelAvailable()) throw Error("jpeg: the FMA kernel needs AVX2 and FMA");

  const bool colour = image.layout == csRgb;
  const int componentCount = colour ? 3 : 1;
  const QuantTable quant[2] = {scaleQt(kLuminanceBase, quality), scaleQt(kChrominanceBase, quality)};
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
#ifdef ZD_HAVE_FMA_KERNEL
  if (useFma) {
    encodeScanFma(input, out);
  } else {
    encodeScanPortable(input, out);
  }
#else
  encodeScanPortable(input, out);
#endif
  putMarker(out, 0xD9);
  return out;
}

void fdct(const float (&samples)[64], float (&coefficients)[64]) {
  const TransformTables tables = makeTransformTables();
  forwardTransform(samples, 8, tables, coefficients);
}

}  // namespace jpeg

std::vector<std::uint8_t> encodeJpeg(const Image &image, std::int32_t quality) {
  return jpeg::encodeJpegWith(image, quality, jpeg::Kernel::automatic);
}

void initJpegTables() { (void)jpeg::cosineTable(); }

}  // namespace zd::codec
