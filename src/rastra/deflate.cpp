// Deflate (RFC 1951): one final block with the fixed Huffman codes, greedy
// LZ77 matching over hash chains.
//
// Every choice that shapes the output is fixed: the two-byte hash, the chain
// order (nearest first), at most 64 candidates, a distance of at most 32768,
// strictly longer matches win (so on ties the nearer candidate stays), a
// 258-byte match ends the search, and there is no lazy matching.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "common/errors.hpp"
#include "rastra/compress.hpp"

namespace zd::rastra {

namespace {

constexpr std::int32_t kMinMatch = 3;
constexpr std::int32_t kMaxMatch = 258;
constexpr std::int32_t kMaxDistance = 32768;
constexpr std::int32_t kMaxCandidates = 64;
constexpr std::uint32_t kHashSize = 32768;
// Positions are stored as signed 32-bit values.
constexpr std::int64_t kMaxPosition = std::numeric_limits<std::int32_t>::max();

constexpr std::array<std::int32_t, 29> kLengthBase = {
    3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::int32_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1,
                                                       1, 1, 2, 2, 2, 2, 3, 3, 3, 3,
                                                       4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::int32_t, 30> kDistBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::int32_t, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,
                                                     4, 4, 5, 5, 6, 6, 7,  7,  8,  8,
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
    const auto extra = static_cast<std::uint32_t>(length - kLengthBase[static_cast<std::size_t>(index)]);
    const auto extraBits = static_cast<std::uint32_t>(kLengthExtra[static_cast<std::size_t>(index)]);
    table[static_cast<std::size_t>(length)] = {reverseBits(code.code, code.bits) | (extra << code.bits),
                                               code.bits + extraBits};
  }
  return table;
}

constexpr std::array<PackedCode, 256> kLiteralCodes = makeLiteralTable();
constexpr std::array<PackedCode, kMaxMatch + 1> kLengthCodes = makeLengthTable();

// Distance codes are 5-bit fixed codes followed by their extra bits.
PackedCode distanceCode(std::int32_t distance) {
  const std::int32_t index = distIndexOf(distance);
  const auto extra = static_cast<std::uint32_t>(distance - kDistBase[static_cast<std::size_t>(index)]);
  const auto extraBits = static_cast<std::uint32_t>(kDistExtra[static_cast<std::size_t>(index)]);
  return {reverseBits(static_cast<std::uint32_t>(index), 5) | (extra << 5), 5 + extraBits};
}

// Packs bits into bytes from the least significant bit up. Up to 32 bits go
// in at once (a whole match: at most 13 + 18 bits); whole 32-bit words leave
// the accumulator, so the bytes come out exactly as bit-by-bit packing would.
class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t> &out) : out_(out), position_(out.size()) {}

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
      out_[position_++] = static_cast<std::uint8_t>(accumulator_);
      accumulator_ >>= 8;
      pending_ = pending_ >= 8 ? pending_ - 8 : 0;
    }
    out_.resize(position_);
  }

 private:
  // Grows the byte vector in steps, so only what is written gets zero-filled
  // (the caller reserves the capacity, so this never moves the bytes).
  void ensureRoom(std::size_t bytes) {
    if (position_ + bytes > out_.size()) {
      out_.resize(std::max(position_ + bytes, out_.size() + (std::size_t{1} << 16)));
    }
  }

  void storeWord(std::uint32_t word) {
    for (int i = 0; i < 4; ++i) out_[position_ + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(word >> (8 * i));
    position_ += 4;
  }

  std::vector<std::uint8_t> &out_;
  std::size_t position_;
  std::uint64_t accumulator_ = 0;
  std::uint32_t pending_ = 0;
};

std::uint64_t load64(const std::uint8_t *p) {
  std::uint64_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

std::uint32_t load32(const std::uint8_t *p) {
  std::uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// Number of equal leading bytes of a and b, at most `limit`.
std::int32_t matchLength(const std::uint8_t *a, const std::uint8_t *b, std::int32_t limit) {
  std::int32_t k = 0;
  while (k + 8 <= limit) {
    const std::uint64_t diff = load64(a + k) ^ load64(b + k);
    if (diff != 0) {
      const int equalBits = std::endian::native == std::endian::little ? std::countr_zero(diff)
                                                                       : std::countl_zero(diff);
      return k + equalBits / 8;
    }
    k += 8;
  }
  while (k < limit && a[k] == b[k]) ++k;
  return k;
}

std::uint32_t hashAt(const std::uint8_t *data, std::int64_t position) {
  return ((static_cast<std::uint32_t>(data[position + 1]) << 8) | data[position + 2]) & (kHashSize - 1);
}

// The hash chains. The search never looks further back than 32768 bytes, so
// the chain links live in a ring of 32768 slots: when position k is searched
// only positions below k are inserted, so every slot the walk can still reach
// (distance <= 32768) holds the link of its own position.
class HashChains {
 public:
  explicit HashChains(std::int64_t length)
      : head_(kHashSize, -1),
        chain_(std::bit_ceil(static_cast<std::size_t>(std::clamp<std::int64_t>(length, 1, kMaxDistance)))),
        mask_(chain_.size() - 1) {}

  void insert(const std::uint8_t *data, std::int64_t position) {
    const std::uint32_t h = hashAt(data, position);
    chain_[static_cast<std::size_t>(position) & mask_] = head_[h];
    head_[h] = static_cast<std::int32_t>(position);
  }

  std::int32_t first(const std::uint8_t *data, std::int64_t position) const {
    return head_[hashAt(data, position)];
  }

  std::int32_t next(std::int32_t position) const {
    return chain_[static_cast<std::size_t>(position) & mask_];
  }

 private:
  std::vector<std::int32_t> head_;
  std::vector<std::int32_t> chain_;
  std::size_t mask_;
};

struct Match {
  std::int32_t length = 0;
  std::int32_t distance = 0;
};

// The longest match for position i among at most 64 chain candidates within
// 32768 bytes; only a strictly longer match replaces the best so far.
Match findMatch(const std::uint8_t *data, std::int64_t length, std::int64_t i,
                const HashChains &chains) {
  Match best;
  const auto maxLength = static_cast<std::int32_t>(std::min<std::int64_t>(kMaxMatch, length - i));
  const std::uint8_t *here = data + i;
  std::int32_t candidate = chains.first(data, i);
  for (std::int32_t tried = 0; tried < kMaxCandidates; ++tried) {
    if (candidate < 0 || i - candidate > kMaxDistance) break;
    const std::uint8_t *there = data + candidate;
    // A candidate can only win if it also matches the byte at the current
    // best length (and, with no match yet, the first three bytes); testing
    // the four bytes that end there rejects most losers at once. While a
    // match is below maxLength, here[best.length] is inside the input.
    const bool promising =
        best.length == 0
            ? there[0] == here[0] && there[1] == here[1] && there[2] == here[2]
            : load32(there + best.length - 3) == load32(here + best.length - 3);
    if (promising) {
      const std::int32_t k = matchLength(there, here, maxLength);
      if (k >= kMinMatch && k > best.length) {
        best.length = k;
        best.distance = static_cast<std::int32_t>(i - candidate);
        if (k == maxLength) break;  // 258 bytes, or the match reaches the end
      }
    }
    candidate = chains.next(candidate);
  }
  return best;
}

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

void appendCompressed(std::vector<std::uint8_t> &out, const std::uint8_t *data,
                      std::int64_t length) {
  const std::int64_t capacity = compressedCapacity(length);
  // Every position up to length - 3 enters the chains as a 32-bit value.
  if (length - kMinMatch >= kMaxPosition + 1) {
    throw Defect("compress: position " + std::to_string(length - kMinMatch) +
                 " does not fit a 32-bit chain entry");
  }
  out.reserve(out.size() + static_cast<std::size_t>(capacity));
  BitWriter writer(out);
  writer.put(0b011, 3);  // BFINAL = 1, BTYPE = 01 (fixed codes), low bit first
  if (length > 0) {
    HashChains chains(length);
    std::int64_t i = 0;
    while (i < length) {
      const Match match = i + kMinMatch <= length ? findMatch(data, length, i, chains) : Match{};
      if (match.length >= kMinMatch) {
        const PackedCode lengthCode = kLengthCodes[static_cast<std::size_t>(match.length)];
        const PackedCode distCode = distanceCode(match.distance);
        writer.put(lengthCode.bits | (distCode.bits << lengthCode.count),
                   lengthCode.count + distCode.count);
        const std::int64_t end = std::min<std::int64_t>(i + match.length, length - kMinMatch + 1);
        for (std::int64_t k = i; k < end; ++k) chains.insert(data, k);
        i += match.length;
      } else {
        const PackedCode literal = kLiteralCodes[data[i]];
        writer.put(literal.bits, literal.count);
        if (i + kMinMatch <= length) chains.insert(data, i);
        ++i;
      }
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

}  // namespace zd::rastra
