// The body of the JPEG scan, compiled once per target by jpeg_scan.cpp and
// jpeg_scan_avx2.cpp (internal; include nowhere else). Everything here is
// forced inline, so each build gets its own copy with its own instructions.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codec/jpeg_scan.hpp"
#include "cpu/cpu.hpp"

namespace zd::codec::jpeg {

// Eight float lanes; the compiler maps them to two SSE or one AVX register.
typedef float Lanes8 __attribute__((vector_size(32)));
typedef std::int32_t Ints8 __attribute__((vector_size(32)));
typedef std::uint32_t Bits8 __attribute__((vector_size(32)));

// Loads and stores go through references: returning a 32-byte vector by
// value would tie the portable code to the AVX calling convention.
ZD_KERNEL_INLINE void loadLanes(Lanes8 &lanes, const float *at) {
  std::memcpy(&lanes, at, sizeof lanes);
}

ZD_KERNEL_INLINE void storeLanes(float *at, const Lanes8 &lanes) {
  std::memcpy(at, &lanes, sizeof lanes);
}

// Eight aligned floats of a table read as one lane group.
typedef float AliasingLanes8 __attribute__((vector_size(32), may_alias));
ZD_KERNEL_INLINE const AliasingLanes8 &lanesAt(const float *at) {
  return *reinterpret_cast<const AliasingLanes8 *>(__builtin_assume_aligned(at, 32));
}

// One block: `rows` points at the first sample, `stride` floats between
// rows; the coefficients come out in natural order.
//
// Row pass: T(y, v) = (Σx f(y, x) CosT[x][v]) C(v), the eight v side by side.
// Column pass: F(u, v) = (Σy T(y, v) CosT[y][u]) (C(u) / 4), the eight v side
// by side. Each lane adds its terms in the order x (or y) = 0..7.
ZD_KERNEL_INLINE void forwardTransform(const float *rows, std::size_t stride,
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
ZD_KERNEL_INLINE void quantize(const float *coefficients, const float *divisors,
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
ZD_KERNEL_INLINE void convertRgbRow(const std::uint8_t *source, std::size_t width,
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

ZD_KERNEL_INLINE void convertGreyRow(const std::uint8_t *source, std::size_t width,
                                     std::size_t paddedWidth, float *y) {
  for (std::size_t x = 0; x < paddedWidth; ++x) {
    y[x] = static_cast<float>(source[x < width ? x : width - 1]) - 128.0f;
  }
}

// The JPEG bit writer: bits go in most significant first (the opposite order
// of Deflate's LsbFirstBitWriter); each complete byte is appended, and an
// 0xFF byte is followed by a 0x00 so it cannot be read as a marker.
//
// Bits gather in a 64-bit word that is written out whole when it fills, so
// the slow path (and its branch) comes once per eight bytes. The writer
// lives in the scan's own stack frame, so its fields are known not to alias
// the output bytes and stay in registers while blocks are coded.
class MsbFirstBitWriter {
 public:
  explicit MsbFirstBitWriter(std::vector<std::uint8_t> &out) : out_(out) {
    const std::size_t used = out.size();
    out.resize(used + kBlockWorstCase * 4);
    cursor_ = out.data() + used;
    limit_ = out.data() + out.size();
  }

  // Room for one block's worst case: 64 codes of at most 16 + 11 bits, each
  // byte possibly stuffed, plus a full word.
  ZD_KERNEL_INLINE void reserveForBlock() {
    if (static_cast<std::size_t>(limit_ - cursor_) < kBlockWorstCase) grow();
  }

  // Appends the `count` (1..27) low bits of `bits`; higher bits must be 0.
  ZD_KERNEL_INLINE void put(std::uint32_t bits, int count) {
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

  ZD_KERNEL_INLINE void writeByte(std::uint8_t byte) {
    *cursor_++ = byte;
    if (byte == 0xFF) *cursor_++ = 0;
  }

  ZD_KERNEL_INLINE void writeWord(std::uint64_t word) {
    // A byte of the word is 0xFF exactly when the inverted word has a zero byte.
    const std::uint64_t inverted = ~word;
    if (((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) == 0) {
      const std::uint64_t bigEndian = __builtin_bswap64(word);
      std::memcpy(cursor_, &bigEndian, 8);
      cursor_ += 8;
      return;
    }
    for (int shift = 56; shift >= 0; shift -= 8)
      writeByte(static_cast<std::uint8_t>(word >> shift));
  }

  std::vector<std::uint8_t> &out_;
  std::uint8_t *cursor_ = nullptr;
  std::uint8_t *limit_ = nullptr;
  std::uint64_t word_ = 0;
  int free_ = 64;
};

// Number of bits of |value| (0 for 0).
ZD_KERNEL_INLINE int bitSize(std::int32_t value) {
  const auto magnitude = static_cast<std::uint32_t>(value < 0 ? -value : value);
  return magnitude == 0 ? 0 : 32 - __builtin_clz(magnitude);
}

// The code of `symbol` followed by the `size` low bits of `value` (of
// value − 1 when negative, the one's complement form).
ZD_KERNEL_INLINE void putSymbolAndValue(MsbFirstBitWriter &writer, const PackedCodes &codes,
                                        int symbol, std::int32_t value, int size) {
  const std::uint32_t entry = codes.entry[symbol];
  if (entry == 0) missingCode(symbol);
  const std::uint32_t onesComplement = static_cast<std::uint32_t>(value + (value >> 31));
  const std::uint32_t valueBits = onesComplement & ((1u << size) - 1);
  writer.put(((entry >> 8) << size) | valueBits, static_cast<int>(entry & 0xFF) + size);
}

ZD_KERNEL_INLINE void putHuff(MsbFirstBitWriter &writer, const PackedCodes &codes, int symbol) {
  const std::uint32_t entry = codes.entry[symbol];
  if (entry == 0) missingCode(symbol);
  writer.put(entry >> 8, static_cast<int>(entry & 0xFF));
}

// Bit i set when zigzag[i] is not zero.
ZD_KERNEL_INLINE std::uint64_t nonZeroMask(const std::int32_t *zigzag) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  auto load = [&](int at) {
    return _mm_load_si128(reinterpret_cast<const __m128i *>(zigzag + at));
  };
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
ZD_KERNEL_INLINE void describeCoefficients(const std::int32_t *values, std::int32_t *sizes,
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
ZD_KERNEL_INLINE void encBlock(MsbFirstBitWriter &writer, ComponentCoding &component,
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

// Every block row, block column and component in order, appended to `out`.
ZD_KERNEL_INLINE void encodeScanBody(const ScanInput &input, std::vector<std::uint8_t> &out) {
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

  MsbFirstBitWriter writer(out);
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

}  // namespace zd::codec::jpeg
