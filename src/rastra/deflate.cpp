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

// Bytes position .. position + 2 as one number, byte `position` lowest; one
// load where a fourth byte may be read too.
std::uint32_t tripleAt(const std::uint8_t *data, std::int64_t length, std::int64_t position) {
  if (std::endian::native == std::endian::little && position + 4 <= length) {
    return load32(data + position) & 0xFFFFFFu;
  }
  return data[position] | (std::uint32_t{data[position + 1]} << 8) | (std::uint32_t{data[position + 2]} << 16);
}

// hashAt from the three bytes: the low 7 bits of the middle byte above the
// last byte.
std::uint32_t hashOfTriple(std::uint32_t triple) { return (triple & 0x7F00u) | (triple >> 16); }

// The hash chains.
//
// The candidates of position i are the (at most) 64 positions inserted last
// with the same hash, as far as they lie within 32768 bytes; only those whose
// first three bytes equal those at i can give a match. Byte i is not part of
// the hash, so walked link by link that chain spends most of its steps on
// positions that cannot match. Positions are therefore also linked in a
// second set of chains keyed by all three bytes (a "triple" chain), and each
// position keeps its rank among the insertions of its hash. A position whose
// three bytes equal those at i has i's hash, so its rank says whether it is
// among the 64 newest of that hash: walking the triple chain, skipping
// positions that only share the triple key, until the distance or the rank
// runs out meets the possible matches of the plain chain in the same order,
// and the output is the same. Should the triple key be shared by too many
// other triples, the search goes back to the plain chain, so a search never
// takes more than a fixed number of steps.
//
// The search never looks further back than 32768 bytes, so links and ranks
// live in a ring of 32768 slots: when position k is searched only positions
// below k are inserted, so every slot the walk can still reach holds the
// entry of its own position. Ranks are kept modulo 2^16: within the window a
// hash sees at most 32768 insertions, so the difference of two ranks is
// exact.
//
// A link is stored as the low 16 bits of the gap to the previous position of
// its chain, so inserting takes no branch; the walk proves each step. Every
// position below the one being inserted is already in the chains, so if the
// position a gap leads back to lies within the window and has the chain's
// key, it was inserted with that key after anything older and is the true
// previous position; if it has another key, the chain has no earlier
// position within the window.
class HashChains {
 public:
  explicit HashChains(std::int64_t length)
      : hashHead_(kHashSize, kNoPosition),
        tripleHead_(kTripleSize, -1),
        ring_(ringSize(length)),
        mask_(ring_.size() - 1) {}

  void insert(const std::uint8_t *data, std::int64_t length, std::int64_t position) {
    const std::uint32_t bytes = tripleAt(data, length, position);
    const std::uint32_t hash = hashOfTriple(bytes);
    const std::uint32_t triple = keyOfTriple(bytes);
    const auto at = static_cast<std::uint32_t>(position);
    // The hash's newest position (low half) and its count of insertions
    // (high half) share one word: one load and one store.
    const std::uint64_t head = hashHead_[hash];
    const std::uint64_t hashGap = static_cast<std::uint16_t>(at - static_cast<std::uint32_t>(head));
    const std::uint64_t tripleGap = static_cast<std::uint16_t>(at - static_cast<std::uint32_t>(tripleHead_[triple]));
    const std::uint64_t count = head >> 32;
    ring_[at & mask_] = hashGap | (tripleGap << 16) | (count << 32);
    hashHead_[hash] = ((count + 1) << 32) | at;
    tripleHead_[triple] = static_cast<std::int32_t>(position);
  }

  std::int32_t hashHead(std::uint32_t hash) const {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(hashHead_[hash]));
  }
  std::int32_t tripleHead(std::uint32_t triple) const { return tripleHead_[triple]; }

  // The previous position of a chain within 32768 bytes of `searched`, or -1.
  std::int32_t nextOfHash(const std::uint8_t *data, std::int64_t searched, std::int32_t position,
                          std::uint32_t hash) const {
    const std::int32_t previous = back(searched, position, slotOf(position) & 0xFFFFu);
    return previous >= 0 && hashAt(data, previous) == hash ? previous : -1;
  }
  std::int32_t nextOfTriple(const std::uint8_t *data, std::int64_t searched, std::int32_t position,
                            std::uint32_t triple) const {
    const std::int32_t previous = back(searched, position, (slotOf(position) >> 16) & 0xFFFFu);
    return previous >= 0 && tripleKey(data, previous) == triple ? previous : -1;
  }

  // Insertions of `hash` so far, modulo 2^16.
  std::uint16_t count(std::uint32_t hash) const { return static_cast<std::uint16_t>(hashHead_[hash] >> 32); }

  // Where `position` comes in the walk of its hash's chain that starts after
  // `count` insertions of that hash: 0 for the newest.
  std::uint32_t chainIndex(std::uint16_t count, std::int32_t position) const {
    const auto rank = static_cast<std::uint16_t>(slotOf(position) >> 32);
    return static_cast<std::uint16_t>(count - rank - 1);
  }

  // Multiplicative hashing of the three bytes; the top bits mix all of them.
  static std::uint32_t tripleKey(const std::uint8_t *data, std::int64_t position) {
    const std::uint32_t bytes = data[position] | (std::uint32_t{data[position + 1]} << 8) |
                                (std::uint32_t{data[position + 2]} << 16);
    return keyOfTriple(bytes);
  }
  static std::uint32_t keyOfTriple(std::uint32_t bytes) {
    return (bytes * 0x9E3779B1u) >> (32 - kTripleBits);
  }

 private:
  static constexpr std::uint32_t kTripleBits = 16;
  static constexpr std::size_t kTripleSize = std::size_t{1} << kTripleBits;

  static std::size_t ringSize(std::int64_t length) {
    return std::bit_ceil(static_cast<std::size_t>(std::clamp<std::int64_t>(length, 1, kMaxDistance)));
  }

  // position - gap when that is a position within 32768 bytes of `searched`.
  static std::int32_t back(std::int64_t searched, std::int32_t position, std::uint64_t gap) {
    const std::int64_t previous = position - static_cast<std::int64_t>(gap);
    if (gap == 0 || previous < 0 || searched - previous > kMaxDistance) return -1;
    return static_cast<std::int32_t>(previous);
  }

  std::uint64_t slotOf(std::int32_t position) const {
    return ring_[static_cast<std::size_t>(position) & mask_];
  }

  // An empty hash: no position (-1 in the low half), no insertions.
  static constexpr std::uint64_t kNoPosition = 0xFFFFFFFFu;

  std::vector<std::uint64_t> hashHead_;  // per hash: insertions << 32 | newest position
  std::vector<std::int32_t> tripleHead_;
  std::vector<std::uint64_t> ring_;  // per slot: hash gap, triple gap, rank
  std::size_t mask_;
};

struct Match {
  std::int32_t length = 0;
  std::int32_t distance = 0;
};

bool sameTriple(const std::uint8_t *a, const std::uint8_t *b) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

// Counts a candidate whose first three bytes are known to match: only a
// strictly longer match replaces the best so far, so on equal lengths the
// nearer candidate stays. True when the search is over (258 bytes, or the
// match reaches the end of the input).
bool tryCandidate(const std::uint8_t *data, std::int64_t i, std::int32_t candidate,
                  std::int32_t maxLength, Match &best) {
  const std::uint8_t *here = data + i;
  const std::uint8_t *there = data + candidate;
  // A candidate can only win if it also matches the byte at the current best
  // length; testing the four bytes that end there rejects most losers at
  // once. While a match is below maxLength, here[best.length] is inside the
  // input.
  if (best.length >= kMinMatch &&
      load32(there + best.length - 3) != load32(here + best.length - 3)) {
    return false;
  }
  const std::int32_t k = matchLength(there, here, maxLength);
  if (k > best.length) {
    best.length = k;
    best.distance = static_cast<std::int32_t>(i - candidate);
  }
  return k == maxLength;
}

// The plain walk: the newest 64 positions of i's hash within 32768 bytes.
Match searchHashChain(const std::uint8_t *data, std::int64_t i, std::int32_t maxLength,
                      const HashChains &chains) {
  Match best;
  const std::uint32_t hash = hashAt(data, i);
  std::int32_t candidate = chains.hashHead(hash);
  for (std::int32_t tried = 0; tried < kMaxCandidates; ++tried) {
    if (candidate < 0 || i - candidate > kMaxDistance) break;
    if (sameTriple(data + candidate, data + i) && tryCandidate(data, i, candidate, maxLength, best)) break;
    candidate = chains.nextOfHash(data, i, candidate, hash);
  }
  return best;
}

// Positions that share only the triple key may be skipped this many times
// before the search falls back to the plain walk.
constexpr std::int32_t kMaxTripleSkips = 16;

// The longest match for position i among the 64 newest positions with its
// hash within 32768 bytes, found along the triple chain (see HashChains).
Match findMatch(const std::uint8_t *data, std::int64_t length, std::int64_t i,
                const HashChains &chains) {
  Match best;
  const auto maxLength = static_cast<std::int32_t>(std::min<std::int64_t>(kMaxMatch, length - i));
  const std::uint16_t count = chains.count(hashAt(data, i));
  const std::uint32_t triple = HashChains::tripleKey(data, i);
  std::int32_t skips = 0;
  std::int32_t candidate = chains.tripleHead(triple);
  if (candidate >= 0 && i - candidate > kMaxDistance) candidate = -1;
  for (; candidate >= 0; candidate = chains.nextOfTriple(data, i, candidate, triple)) {
    if (!sameTriple(data + candidate, data + i)) {
      if (++skips > kMaxTripleSkips) return searchHashChain(data, i, maxLength, chains);
      continue;
    }
    if (chains.chainIndex(count, candidate) >= kMaxCandidates) break;
    if (tryCandidate(data, i, candidate, maxLength, best)) break;
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
        for (std::int64_t k = i; k < end; ++k) chains.insert(data, length, k);
        i += match.length;
      } else {
        const PackedCode literal = kLiteralCodes[data[i]];
        writer.put(literal.bits, literal.count);
        if (i + kMinMatch <= length) chains.insert(data, length, i);
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
