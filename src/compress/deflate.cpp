// Deflate (RFC 1951): one final block with the fixed Huffman codes, greedy
// LZ77 matching over hash chains.
//
// Every choice that shapes the output is fixed: the two-byte hash, the chain
// order (nearest first), at most 64 candidates, a distance of at most 32768,
// strictly longer matches win (so on ties the nearer candidate stays), a
// 258-byte match ends the search, and there is no lazy matching. The search
// itself is in match_finder.hpp; this file holds the codes, the bit writer
// and the greedy loop.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "common/errors.hpp"
#include "compress/compress.hpp"
#include "compress/match_finder.hpp"

namespace zd::compress {

// The match finder: its limits (kMinMatch ...), HashChains and findMatch.
using namespace detail;

namespace {

// Positions are stored as signed 32-bit values.
constexpr std::int64_t kMaxPosition = std::numeric_limits<std::int32_t>::max();

constexpr std::array<std::int32_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::int32_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::int32_t, 30> kDistBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::int32_t, 30> kDistExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                     4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                     9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

constexpr FixedCode fixedCodeOf(std::int32_t symbol) {
  if (symbol < 144) return {static_cast<std::uint16_t>(0x30 + symbol), 8};
  if (symbol < 256) return {static_cast<std::uint16_t>(0x190 + (symbol - 144)), 9};
  if (symbol < 280) return {static_cast<std::uint16_t>(symbol - 256), 7};
  return {static_cast<std::uint16_t>(0xC0 + (symbol - 280)), 8};
}

constexpr std::int32_t lengthIndexOf(std::int32_t length) {
  if (length == kMaxMatch) return 28;
  std::int32_t index = 27;
  while (kLengthBase[static_cast<std::size_t>(index)] > length) --index;
  return index;
}

// The distance code from the position of the top bit of distance - 1: each
// pair of codes shares one power of two, told apart by the next bit down.
constexpr std::int32_t distIndexOf(std::int32_t distance) {
  const std::uint32_t d = static_cast<std::uint32_t>(distance - 1);
  if (d < 4) return static_cast<std::int32_t>(d);
  const int top = std::bit_width(d) - 1;
  return 2 * top + static_cast<std::int32_t>((d >> (top - 1)) & 1u);
}

// Huffman codes go out most significant bit first while the bit writer fills
// bytes from the least significant bit: store each code bit-reversed.
constexpr std::uint32_t reverseBits(std::uint32_t code, int bits) {
  std::uint32_t reversed = 0;
  for (int i = 0; i < bits; ++i) reversed |= ((code >> i) & 1u) << (bits - 1 - i);
  return reversed;
}

// Bits ready for the writer: the value is already in output order.
struct PackedCode {
  std::uint32_t bits;
  std::uint32_t count;
};

constexpr std::array<PackedCode, 256> makeLiteralTable() {
  std::array<PackedCode, 256> table{};
  for (std::int32_t byte = 0; byte < 256; ++byte) {
    const FixedCode code = fixedCodeOf(byte);
    table[static_cast<std::size_t>(byte)] = {reverseBits(code.code, code.bits), code.bits};
  }
  return table;
}

// Length symbol and its extra bits in one piece, per match length.
constexpr std::array<PackedCode, kMaxMatch + 1> makeLengthTable() {
  std::array<PackedCode, kMaxMatch + 1> table{};
  for (std::int32_t length = kMinMatch; length <= kMaxMatch; ++length) {
    const std::int32_t index = lengthIndexOf(length);
    const FixedCode code = fixedCodeOf(257 + index);
    const auto extra =
        static_cast<std::uint32_t>(length - kLengthBase[static_cast<std::size_t>(index)]);
    const auto extraBits =
        static_cast<std::uint32_t>(kLengthExtra[static_cast<std::size_t>(index)]);
    table[static_cast<std::size_t>(length)] = {
        reverseBits(code.code, code.bits) | (extra << code.bits), code.bits + extraBits};
  }
  return table;
}

constexpr std::array<PackedCode, 256> kLiteralCodes = makeLiteralTable();
constexpr std::array<PackedCode, kMaxMatch + 1> kLengthCodes = makeLengthTable();

// The 5-bit fixed distance codes, bit-reversed, per code index.
constexpr std::array<std::uint32_t, 30> makeDistanceCodeTable() {
  std::array<std::uint32_t, 30> table{};
  for (std::uint32_t index = 0; index < 30; ++index) table[index] = reverseBits(index, 5);
  return table;
}

constexpr std::array<std::uint32_t, 30> kDistanceCodes = makeDistanceCodeTable();

// Distance codes are 5-bit fixed codes followed by their extra bits.
PackedCode distanceCode(std::int32_t distance) {
  const auto index = static_cast<std::size_t>(distIndexOf(distance));
  const auto extra = static_cast<std::uint32_t>(distance - kDistBase[index]);
  const auto extraBits = static_cast<std::uint32_t>(kDistExtra[index]);
  return {kDistanceCodes[index] | (extra << 5), 5 + extraBits};
}

// The Deflate bit writer: packs bits into bytes from the least significant
// bit up (the opposite order of the JPEG writer, MsbFirstBitWriter). Up to
// 32 bits go in at once (a whole match: at most 13 + 18 bits); whole 32-bit
// words leave the accumulator, so the bytes come out exactly as bit-by-bit
// packing would.
class LsbFirstBitWriter {
 public:
  explicit LsbFirstBitWriter(std::vector<std::uint8_t> &out)
      : out_(out), position_(out.size()), room_(out.size()), bytes_(out.data()) {}

  void put(std::uint32_t bits, std::uint32_t count) {
    accumulator_ |= static_cast<std::uint64_t>(bits) << pending_;
    pending_ += count;
    if (pending_ >= 32) {
      ensureRoom(4);
      storeWord(static_cast<std::uint32_t>(accumulator_));
      accumulator_ >>= 32;
      pending_ -= 32;
    }
  }

  // Writes the remaining bits; a partial last byte is padded with zeros.
  void finish() {
    ensureRoom(8);
    while (pending_ > 0) {
      bytes_[position_++] = static_cast<std::uint8_t>(accumulator_);
      accumulator_ >>= 8;
      pending_ = pending_ >= 8 ? pending_ - 8 : 0;
    }
    out_.resize(position_);
  }

 private:
  // Grows the byte vector in steps, so only what is written gets zero-filled
  // (the caller reserves the capacity, so this never moves the bytes).
  void ensureRoom(std::size_t bytes) {
    if (position_ + bytes > room_) {
      out_.resize(std::max(position_ + bytes, out_.size() + (std::size_t{1} << 16)));
      room_ = out_.size();
      bytes_ = out_.data();
    }
  }

  void storeWord(std::uint32_t word) {
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(bytes_ + position_, &word, 4);
    } else {
      for (std::size_t i = 0; i < 4; ++i)
        bytes_[position_ + i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
    position_ += 4;
  }

  std::vector<std::uint8_t> &out_;
  std::size_t position_;
  // The vector's size and bytes as of the last resize: the loop reads these
  // plain copies instead of going through the vector.
  std::size_t room_;
  std::uint8_t *bytes_;
  std::uint64_t accumulator_ = 0;
  std::uint32_t pending_ = 0;
};

}  // namespace

FixedCode fixedLitCode(std::int32_t symbol) {
  if (symbol < 0 || symbol > 287) {
    throw Defect("fixedLitCode: symbol " + std::to_string(symbol) + " not in 0 .. 287");
  }
  return fixedCodeOf(symbol);
}

std::int32_t lengthCodeIndex(std::int32_t length) {
  if (length < kMinMatch || length > kMaxMatch) {
    throw Defect("lengthCodeIndex: length " + std::to_string(length) + " not in 3 .. 258");
  }
  return lengthIndexOf(length);
}

std::int32_t distCodeIndex(std::int32_t distance) {
  if (distance < 1 || distance > kMaxDistance) {
    throw Defect("distCodeIndex: distance " + std::to_string(distance) + " not in 1 .. 32768");
  }
  return distIndexOf(distance);
}

std::uint32_t hash3(const std::uint8_t *data, std::int64_t length, std::int64_t position) {
  if (position < 0 || position > length - 3) {
    throw Defect("hash3: position " + std::to_string(position) + " needs three bytes");
  }
  return hashAt(data, position);
}

std::int64_t compressedCapacity(std::int64_t length) {
  std::int64_t capacity = 0;
  if (length < 0) throw Defect("compress: value out of range");
  if (__builtin_add_overflow(length, length / 8 + 16, &capacity)) {
    throw Defect("compress: over- or underflow");
  }
  return capacity;
}

void checkCompressInput(std::int64_t length) {
  compressedCapacity(length);
  // Every position up to length - 3 enters the chains as a 32-bit value.
  if (length - kMinMatch >= kMaxPosition + 1) {
    throw Defect("compress: position " + std::to_string(length - kMinMatch) +
                 " does not fit a 32-bit chain entry");
  }
}

void appendCompressed(std::vector<std::uint8_t> &out, const std::uint8_t *data,
                      std::int64_t length) {
  checkCompressInput(length);
  const std::int64_t capacity = compressedCapacity(length);
  out.reserve(out.size() + static_cast<std::size_t>(capacity));
  LsbFirstBitWriter writer(out);
  writer.put(0b011, 3);  // BFINAL = 1, BTYPE = 01 (fixed codes), low bit first
  if (length > 0) {
    HashChains chains(data, length);
    std::int64_t i = 0;
    // Positions with three bytes left are searched and inserted; the last
    // two go out as literals.
    const std::int64_t lastSearched = length - kMinMatch;
    while (i <= lastSearched) {
      chains.keepLinksShort(i);
      const std::uint32_t triple = tripleAt(data, length, i);
      const Match match = findMatch(data, length, i, triple, chains);
      if (match.length >= kMinMatch) {
        const PackedCode lengthCode = kLengthCodes[static_cast<std::size_t>(match.length)];
        const PackedCode distCode = distanceCode(match.distance);
        writer.put(lengthCode.bits | (distCode.bits << lengthCode.count),
                   lengthCode.count + distCode.count);
        chains.insertMatch(data, length, i, match.length, match.distance);
        i += match.length;
      } else {
        const PackedCode literal = kLiteralCodes[data[i]];
        writer.put(literal.bits, literal.count);
        chains.insertTriple(i, triple);
        ++i;
      }
    }
    for (; i < length; ++i) {
      const PackedCode literal = kLiteralCodes[data[i]];
      writer.put(literal.bits, literal.count);
    }
  }
  writer.put(0, 7);  // end of block, symbol 256
  writer.finish();
}

std::vector<std::uint8_t> compress(const std::uint8_t *data, std::int64_t length) {
  std::vector<std::uint8_t> out;
  appendCompressed(out, data, length);
  return out;
}

}  // namespace zd::compress
