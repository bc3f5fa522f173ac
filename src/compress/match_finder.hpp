// The Deflate match finder: for each position, the longest earlier match
// that the plain search would find, found with far fewer steps (internal;
// included by deflate.cpp only).
//
// The plain search. Each position i (with three bytes left) is inserted at
// the head of the chain of its hash, hashAt(i): the low 7 bits of byte i + 1
// above the 8 bits of byte i + 2 (byte i itself does not enter the hash).
// The candidates of i are the newest 64 positions of its chain that lie
// within 32768 bytes; among those whose first three bytes equal i's, the
// longest match wins, a strictly longer one replacing the best so far (so
// on equal lengths the nearer candidate stays), and a match of 258 bytes or
// one reaching the end of the input ends the search.
//
// The structure here. Besides the hash chains, every position is linked
// into a second chain keyed by all three of its bytes (the "triple" chain,
// a multiplicative hash of the three bytes into 2^16 heads), and carries
// its rank among the insertions of its hash. Links are stored as gaps (a
// gap beyond 32768 bytes is out of reach of every search), in a ring of at
// most 32768 slots with the ranks modulo 2^16, so working memory does not
// grow with the input.
//
// Why it finds the same match. A candidate that can match i shares i's
// three bytes, so it lies on i's triple chain, in the same nearest-first
// order as on the hash chain; its rank tells whether it is among the 64
// newest of the hash, i.e. whether the plain walk would reach it. Walking
// the triple chain, passing over positions that only share the triple key,
// until the distance or the rank runs out therefore meets the candidates
// that can match in the plain order, and tryCandidate applies the same tie
// rule. A triple key crowded with other triples sends the search back to
// the plain walk after 16 such positions, which bounds the steps per
// search. Positions inside a match of 20 bytes or more that repeats at a
// period of at most 8 bytes, and the stretches of a farther match that repeat at a pixel's period
// (4 or 3 bytes), copy their links and ranks from the bytes they repeat
// (insertMatch), which gives exactly the entries that inserting them one by
// one would give; the other positions of a match are inserted one by one.
//
// Runs of one pixel on the chain. When a candidate c inside such a run
// becomes the best because i's bytes go on repeating at the pixel's period
// past where c's run stops, each older position of the run would replace
// the best in turn (each matches one period more); the walk goes straight to
// the last of them it would reach (jumpAlongRun), after one backward scan
// that proves the bytes in between repeat. Identical matches, a third of the
// search work on drawn images.
//
// Measured and left out. Passing over a whole run whose candidates cannot
// beat the best (the candidates c - period, c - 2 * period, ... of a
// candidate c that repeats at its link's period past the best length match
// no longer than c) gives the same matches, but whether at every candidate
// turned away, after two in a row, or on entering each run, the proof (a
// count of best length + 1 bytes and a backward scan) and the extra code in
// the search loop cost more than the walk they save: on drawn images the
// runs met average about eleven candidates, on smooth gradients two or three.
// The plain inserts run inline: out of line (per group of eight, or per
// match) the calls cost more than the registers they free.
//
// The reference. tests/compress/deflate_model.hpp models the plain rules
// directly (a chain entry per byte, the 64-candidate walk, one bit at a
// time into the output); the Deflate tests and the differential fuzz target
// fuzz/deflate_model.cpp hold the compressor to it byte for byte.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/errors.hpp"

// The match finder's small helpers are inlined into its loops.
#define ZD_MATCH_INLINE inline __attribute__((always_inline))

namespace zd::compress::detail {

inline constexpr std::int32_t kMinMatch = 3;
inline constexpr std::int32_t kMaxMatch = 258;
inline constexpr std::int32_t kMaxDistance = 32768;
inline constexpr std::int32_t kMaxCandidates = 64;
inline constexpr std::uint32_t kHashSize = 32768;

// A ring slot (see HashChains): the hash link in the low 24 bits, the triple
// link in the next 24, the rank in the top 16.
inline constexpr int kTripleLinkShift = 24;
inline constexpr std::uint64_t kLinkMask = 0xFFFFFFu;
inline constexpr int kRankShift = 48;

inline std::int64_t hashLinkOf(std::uint64_t slot) {
  return static_cast<std::int64_t>(slot & kLinkMask);
}
inline std::int64_t tripleLinkOf(std::uint64_t slot) {
  return static_cast<std::int64_t>((slot >> kTripleLinkShift) & kLinkMask);
}
inline std::uint16_t rankOf(std::uint64_t slot) {
  return static_cast<std::uint16_t>(slot >> kRankShift);
}

inline std::uint64_t load64(const std::uint8_t *p) {
  std::uint64_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

inline std::uint32_t load32(const std::uint8_t *p) {
  std::uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// Number of equal leading bytes of a and b, at most `limit`, 8 bytes a step.
inline std::int32_t countEqualWords(const std::uint8_t *a, const std::uint8_t *b,
                                    std::int32_t limit, std::int32_t k = 0) {
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

// countEqualWords, 16 bytes a step where the processor always has SSE2 (the
// tail goes 8 bytes and then one at a time).
inline std::int32_t countEqual(const std::uint8_t *a, const std::uint8_t *b, std::int32_t limit) {
#if defined(__SSE2__)
  std::int32_t k = 0;
  while (k + 16 <= limit) {
    const __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + k));
    const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + k));
    const auto unequal =
        static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(left, right))) ^ 0xFFFFu;
    if (unequal != 0) return k + std::countr_zero(unequal);
    k += 16;
  }
  return countEqualWords(a, b, limit, k);
#else
  return countEqualWords(a, b, limit);
#endif
}

inline std::uint32_t hashAt(const std::uint8_t *data, std::int64_t position) {
  return ((static_cast<std::uint32_t>(data[position + 1]) << 8) | data[position + 2]) &
         (kHashSize - 1);
}

// Bytes position .. position + 2 as one number, byte `position` lowest; one
// load where a fourth byte may be read too.
inline std::uint32_t tripleAt(const std::uint8_t *data, std::int64_t length,
                              std::int64_t position) {
  if (std::endian::native == std::endian::little && position + 4 <= length) {
    return load32(data + position) & 0xFFFFFFu;
  }
  return data[position] | (std::uint32_t{data[position + 1]} << 8) |
         (std::uint32_t{data[position + 2]} << 16);
}

// Bytes at .. at + 2 as tripleAt gives them, where at + 3 is readable too.
ZD_MATCH_INLINE std::uint32_t tripleOfWord(const std::uint8_t *at) {
  if (std::endian::native == std::endian::little) return load32(at) & 0xFFFFFFu;
  return at[0] | (std::uint32_t{at[1]} << 8) | (std::uint32_t{at[2]} << 16);
}

// The hash heads are indexed by the hash's two parts side by side: the low
// 7 bits of the middle byte, then the last byte from bit 8 on (bit 7 stays
// clear). Half of the 65536 slots go unused, but the index takes two steps
// from the bytes instead of four.
inline constexpr std::size_t kHashSlots = 65536;

// The slot of hashAt(data, position).
inline std::uint32_t hashSlotAt(const std::uint8_t *data, std::int64_t position) {
  return (data[position + 1] & 0x7Fu) | (std::uint32_t{data[position + 2]} << 8);
}

// The same from the three bytes as tripleAt gives them (a fourth byte above
// them, as a plain load brings it, is ignored).
inline std::uint32_t hashSlotOfTriple(std::uint32_t triple) { return (triple >> 8) & 0xFF7Fu; }

// The hash chains and the triple chains described above, with the ranks.
//
// The search never looks further back than 32768 bytes, so links and ranks
// live in a ring of 32768 slots: when position k is searched only positions
// below k are inserted, so every slot the walk can still reach holds the
// entry of its own position. Ranks are kept modulo 2^16: within the window a
// hash sees at most 32768 insertions, so the difference of two ranks is
// exact.
//
// A link is the gap back to the previous position of its chain, stored as
// is (no clamping on the way in: a gap beyond 32768 is simply out of reach of
// every search, which tests the distance anyway). Links are exact, which also
// lets the positions inside a match copy their links (see insertMatch). Gaps
// fit their 24 bits because no head is ever older than 2^24 - 2^20 bytes:
// every 2^20 positions (keepLinksShort) the heads that are out of reach are
// moved up to just out of reach. An empty head reads as a position 65536
// bytes before the start, which is out of reach from the start on.
//
// The head tables are kept per thread and left empty by each compression
// for the next, rather than allocated and filled every time: compressing a
// small block (the rows of an icon) then costs neither a half-megabyte
// allocation with its page faults nor a pass over both tables. Every head
// written belongs to the three bytes at some position, so a short input
// empties them by walking its positions again; a long one refills them. The
// ring is sized to the input and cleared each time. At most 1 MiB stays
// with a thread that has compressed.
struct ChainTables {
  std::vector<std::uint64_t> hashHead;
  std::vector<std::int32_t> tripleHead;
  std::vector<std::uint64_t> ring;
  bool inUse = false;
};

// Out of line, so the thread's tables are looked up once per compression
// rather than at every use of an inlined reference.
[[gnu::noinline]] inline ChainTables &threadChainTables() {
  thread_local ChainTables tables;
  return tables;
}

class HashChains {
 public:
  HashChains(const std::uint8_t *data, std::int64_t length)
      : tables_(threadChainTables()), data_(data), length_(length) {
    if (tables_.inUse) throw zd::Defect("compress: hash chains already in use on this thread");
    if (tables_.hashHead.size() != kHashSlots) tables_.hashHead.assign(kHashSlots, kEmptyHash);
    if (tables_.tripleHead.size() != kTripleSize) {
      tables_.tripleHead.assign(kTripleSize, kNoPosition);
    }
    tables_.ring.assign(ringSize(length), 0);
    hashHead_ = tables_.hashHead.data();
    tripleHead_ = tables_.tripleHead.data();
    ring_ = tables_.ring.data();
    ringSlots_ = tables_.ring.size();
    mask_ = ringSlots_ - 1;
    tables_.inUse = true;
  }
  // Leaves both head tables empty for the thread's next compression.
  ~HashChains() {
    if (length_ < kEmptyByWalking) {
      for (std::int64_t p = 0; p + kMinMatch <= length_; ++p) {
        hashHead_[hashSlotAt(data_, p)] = kEmptyHash;
        tripleHead_[tripleKey(data_, p)] = kNoPosition;
      }
    } else {
      std::fill(hashHead_, hashHead_ + kHashSlots, kEmptyHash);
      std::fill(tripleHead_, tripleHead_ + kTripleSize, kNoPosition);
    }
    tables_.inUse = false;
  }
  HashChains(const HashChains &) = delete;
  HashChains &operator=(const HashChains &) = delete;

  void insert(const std::uint8_t *data, std::int64_t length, std::int64_t position) {
    insertEntry(hashHead_, tripleHead_, ring_, mask_, position, tripleAt(data, length, position));
  }
  // insert for a position whose three bytes (tripleAt) are known.
  void insertTriple(std::int64_t position, std::uint32_t triple) {
    insertEntry(hashHead_, tripleHead_, ring_, mask_, position, triple);
  }

  // Inserts the positions from .. to - 1 one by one (to at most
  // length - 2). Local copies of the tables: stores to the ring could
  // otherwise change the members as far as the compiler knows.
  void insertRange(const std::uint8_t *data, std::int64_t length, std::int64_t from,
                   std::int64_t to) {
    std::int64_t p = from;
    if (std::endian::native == std::endian::little) {
      const std::int64_t wordEnd = std::min(to, length - 3);
      if (p < wordEnd) {
        insertWords(hashHead_, tripleHead_, ring_, mask_, data, p, wordEnd);
        p = wordEnd;
      }
    }
    for (; p < to; ++p) {
      insertEntry(hashHead_, tripleHead_, ring_, mask_, p, tripleAt(data, length, p));
    }
  }

  // Inserts the positions start .. start + matchLength - 1 of a match that
  // copies the bytes `distance` back (stopping where fewer than three bytes
  // are left in the input), with exactly the links and ranks one insert per
  // position gives.
  //
  // A match shorter than 20 bytes goes in position by position. A longer
  // match from at most 8 bytes back is a repeat at that period as a whole.
  // A match from farther back mostly copies runs of one pixel (the row above
  // in a flat region): the stretches of it that also repeat at a pixel's
  // period are inserted as repeats, which is cheaper; the rest position by
  // position (their links mostly reach back before the match, where copying
  // them fails and costs more than the plain inserts).
  void insertMatch(const std::uint8_t *data, std::int64_t length, std::int64_t start,
                   std::int32_t matchLength, std::int32_t distance) {
    const std::int64_t to = start + matchLength;
    if (matchLength < kMinStretch) {
      // Too short for a repeat to pay off: its fixed costs (the first
      // period, the heads, the tail) outweigh the plain inserts it saves.
      insertRange(data, length, start, std::min<std::int64_t>(to, length - kMinMatch + 1));
    } else if (distance <= kMaxShortPeriod) {
      insertRepeat(data, length, start, start, to, distance);
    } else {
      insertFarMatch(data, length, start, to);
    }
  }

  std::int32_t hashHead(std::uint32_t hash) const {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(hashHead_[hash]));
  }
  std::int32_t tripleHead(std::uint32_t triple) const { return tripleHead_[triple]; }

  // The previous position of a chain within 32768 bytes of `searched`, or -1.
  std::int32_t nextOfHash(std::int64_t searched, std::int32_t position) const {
    return back(searched, position, hashLinkOf(slotOf(position)));
  }

  // Before positions from `position` on are inserted: moves the heads that
  // are out of reach of `position` to just out of reach when 2^20 positions
  // have passed since the last time, so that no link of the next 2^20 + 258
  // positions exceeds 24 bits.
  void keepLinksShort(std::int64_t position) {
    // The first rebase comes after the inputs whose heads are emptied by
    // walking their positions (a rebased head belongs to no position).
    static_assert(kRebaseInterval >= kEmptyByWalking);
    if (position < nextRebase_) return;
    rebaseHeads(position);
    nextRebase_ = position + kRebaseInterval;
  }

  // The ring of entries (hash link, triple link, rank) and the
  // mask that maps a position to its slot, for the search loop.
  const std::uint64_t *ringSlots() const { return ring_; }
  std::size_t ringMask() const { return mask_; }

  // Insertions of `hash` so far, modulo 2^16.
  std::uint16_t count(std::uint32_t hash) const {
    return static_cast<std::uint16_t>(hashHead_[hash] >> kRankShift);
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
  // An empty head: a position so far back that no link reaches it (and
  // negative, so no search starts there).
  static constexpr std::int32_t kNoPosition = -65536;
  static constexpr std::uint64_t kEmptyHash = static_cast<std::uint32_t>(kNoPosition);

  static std::size_t ringSize(std::int64_t length) {
    return std::bit_ceil(
        static_cast<std::size_t>(std::clamp<std::int64_t>(length, 1, kMaxDistance)));
  }

  // Positions between two rebases of the heads; a rebase leaves every head
  // at most 32769 bytes back, so links stay below 2^20 + 258 + 32769.
  static constexpr std::int64_t kRebaseInterval = std::int64_t{1} << 20;
  static_assert(kRebaseInterval + kMaxMatch + kMaxDistance + 1 < (std::int64_t{1} << 24));

  // Heads further back than 32768 bytes from `position` become
  // position - 32769: still out of reach, and near enough for 24-bit links.
  void rebaseHeads(std::int64_t position) {
    const auto outOfReach = static_cast<std::int32_t>(position - kMaxDistance - 1);
    for (std::size_t h = 0; h < kHashSlots; ++h) {
      const std::uint64_t head = hashHead_[h];
      if (static_cast<std::int32_t>(static_cast<std::uint32_t>(head)) < outOfReach) {
        hashHead_[h] = (head & kRankBits) | static_cast<std::uint32_t>(outOfReach);
      }
    }
    for (std::size_t k = 0; k < kTripleSize; ++k) {
      tripleHead_[k] = std::max(tripleHead_[k], outOfReach);
    }
  }

  // position - gap when that is a position within 32768 bytes of `searched`.
  static std::int32_t back(std::int64_t searched, std::int32_t position, std::int64_t gap) {
    const std::int64_t previous = position - gap;
    if (searched - previous > kMaxDistance) return -1;
    return static_cast<std::int32_t>(previous);
  }

  // Enters `position`, whose three bytes are `bytes`, at the head of its
  // hash chain and its triple chain; returns its ring entry.
  ZD_MATCH_INLINE static std::uint64_t linkEntry(std::uint64_t *hashHead, std::int32_t *tripleHead,
                                                 std::int64_t position, std::uint32_t bytes) {
    const std::uint32_t hash = hashSlotOfTriple(bytes);
    const std::uint32_t triple = keyOfTriple(bytes);
    const auto at = static_cast<std::uint32_t>(position);
    // The hash's newest position (low half) and its count of insertions
    // (top bits) share one word: one load and one store.
    const std::uint64_t head = hashHead[hash];
    const std::uint64_t hashGap = at - static_cast<std::uint32_t>(head);
    const std::uint64_t tripleGap = at - static_cast<std::uint32_t>(tripleHead[triple]);
    const std::uint64_t rank = head & kRankBits;
    hashHead[hash] = rank + kOneRank + at;
    tripleHead[triple] = static_cast<std::int32_t>(position);
    return rank | hashGap | (tripleGap << kTripleLinkShift);
  }

  // linkEntry, stored in the position's ring slot.
  ZD_MATCH_INLINE static void insertEntry(std::uint64_t *hashHead, std::int32_t *tripleHead,
                                          std::uint64_t *ring, std::size_t mask,
                                          std::int64_t position, std::uint32_t bytes) {
    ring[static_cast<std::size_t>(position) & mask] =
        linkEntry(hashHead, tripleHead, position, bytes);
  }

  // The positions from .. to - 1 one by one, each with four bytes readable,
  // in stretches that do not wrap round the ring, along which the slot steps
  // with the position.
  ZD_MATCH_INLINE static void insertWords(std::uint64_t *hashHead, std::int32_t *tripleHead,
                                          std::uint64_t *ring, std::size_t mask,
                                          const std::uint8_t *data, std::int64_t from,
                                          std::int64_t to) {
    const auto slots = static_cast<std::int64_t>(mask + 1);
    for (std::int64_t p = from; p < to;) {
      const auto first = static_cast<std::int64_t>(static_cast<std::size_t>(p) & mask);
      const std::int64_t stop = std::min(to, p + (slots - first));
      std::uint64_t *slot = ring + first;
      for (; p < stop; ++p, ++slot) {
        *slot = linkEntry(hashHead, tripleHead, p, load32(data + p) & 0xFFFFFFu);
      }
    }
  }

  static constexpr std::uint64_t kRankBits = ~std::uint64_t{0} << kRankShift;
  static constexpr std::uint64_t kOneRank = std::uint64_t{1} << kRankShift;
  static constexpr std::int32_t kMaxShortPeriod = 8;
  // Stretches shorter than this are inserted one by one: below it the
  // repeat's fixed costs outweigh what it saves.
  static constexpr std::int32_t kMinStretch = 20;
  static_assert(kMinStretch >= 16, "pixelPeriod reads 16 bytes");
  static constexpr std::int32_t kPlainGroup = 8;

  // The period of the sixteen bytes at `at` when they repeat those 4 or 3
  // bytes before (the pixel sizes of RGBA and RGB; runs of period 1 and 2
  // repeat at 4 too), or 0. at - 4 .. at + 15 must be readable.
  static std::int32_t pixelPeriod(const std::uint8_t *at) {
    const std::uint64_t low = load64(at);
    const std::uint64_t high = load64(at + 8);
    if (load64(at - 4) == low && load64(at + 4) == high) return 4;
    if (load64(at - 3) == low && load64(at + 5) == high) return 3;
    return 0;
  }

  // insertMatch for a match from more than 8 bytes back: the positions
  // start .. to - 1 in order, each stretch that repeats at a pixel's period
  // as a repeat (its origin pulled back over the bytes before it that repeat
  // too, already inserted, so that its first links can be copied), the rest
  // one by one.
  void insertFarMatch(const std::uint8_t *data, std::int64_t length, std::int64_t start,
                      std::int64_t to) {
    const std::int64_t end = std::min<std::int64_t>(to, length - kMinMatch + 1);
    std::int64_t p = start;
    while (p < end) {
      // Too close to the end for a stretch: the rest one by one, in one go.
      if (p + kMinStretch > to) {
        insertRange(data, length, p, end);
        return;
      }
      const std::int32_t period = p >= kMaxShortPeriod ? pixelPeriod(data + p) : 0;
      // Positions are inserted in groups of eight between the looks for a
      // stretch: a stretch found up to seven bytes late loses little.
      std::int64_t plainEnd = p + kPlainGroup;
      if (period != 0) {
        const std::int32_t repeated =
            countEqual(data + p - period, data + p, static_cast<std::int32_t>(to - p));
        if (repeated >= kMinStretch) {
          std::int64_t origin = p;
          while (origin > p - 2 * period && origin > period &&
                 data[origin - 1] == data[origin - 1 - period]) {
            --origin;
          }
          insertRepeat(data, length, origin, p, p + repeated, period);
          p += repeated;
          continue;
        }
        // Any stretch starting inside this one ends where it does, shorter.
        plainEnd = std::max<std::int64_t>(plainEnd, p + repeated + 1);
      }
      const std::int64_t stop = std::min(plainEnd, end);
      insertRange(data, length, p, stop);
      p = stop;
    }
  }

  // Inserts the positions from .. to - 1 (as far as three bytes are left),
  // whose bytes repeat those `distance` back from `origin` (at most from, the
  // positions before from being inserted) on: data[y + distance] = data[y]
  // for y in origin - distance .. to - distance - 1.
  //
  // Position p whose three bytes lie inside origin .. to - 1 repeats
  // position p - distance: same bytes, same hash, same triple key. If the
  // previous position of p - distance's chain lies at or after
  // origin - distance, the gap g to it recurs at p: p - g holds a copy of
  // it, and the positions in between copy positions that are not in that
  // chain. So the links of p
  // are those of p - distance, and p's rank is one more than that of p - g.
  // Where a link reaches back before the repeated stretch, the position is
  // inserted the plain way.
  //
  // One period further on, links are those `step` back (a multiple of the
  // distance, at least 2) and each rank has grown by as much as over the
  // step before: the entry follows from the two entries `step` and
  // 2 * `step` back.
  //
  // The heads follow last: a position whose copy lies `distance` further on
  // inside the stretch is not the newest of its chain, so only the final
  // `distance` positions can be heads.
  void insertRepeat(const std::uint8_t *data, std::int64_t length, std::int64_t origin,
                    std::int64_t from, std::int64_t to, std::int32_t distance) {
    const std::int64_t copyEnd = to - 2;  // three bytes inside the stretch
    const std::int64_t end = std::min<std::int64_t>(to, length - kMinMatch + 1);
    const std::int32_t step = distance == 1 ? 2 : distance;
    // Positions from here on have both entries they follow from inside the
    // repeat (the ring keeps both while 2 * step is within its size).
    const std::int64_t periodicFrom =
        step <= kMaxDistance / 4 ? std::max(from, origin + 2 * step - distance) : copyEnd;
    const std::int64_t linksEnd = std::min(copyEnd, periodicFrom);
    std::int64_t headsDone = from;
    std::int64_t p = from;
    if (origin == from) {
      // The first period copies bytes from before the stretch, whose links
      // seldom stay inside it: the plain inserts cost less than the tries.
      insertRange(data, length, from, linksEnd);
      headsDone = p = linksEnd;
    }
    while (p < linksEnd) {
      p = copyLinks(origin, p, linksEnd, distance);
      if (p == linksEnd) break;
      updateHeads(data, headsDone, p);
      insert(data, length, p);
      headsDone = ++p;
    }
    if (linksEnd < copyEnd) extendPeriodic(linksEnd, copyEnd, step);
    updateHeads(data, std::max(headsDone, copyEnd - distance), copyEnd);
    insertRange(data, length, std::max(from, copyEnd), end);
  }

  // For p in from .. to - 1: the links of p - step, and its rank grown by
  // as much as from p - 2 * step to p - step. In stretches where none of the
  // three slots wraps round the ring.
  void extendPeriodic(std::int64_t from, std::int64_t to, std::int32_t step) {
    std::uint64_t *const ring = ring_;
    const auto size = static_cast<std::int64_t>(ringSlots_);
    for (std::int64_t p = from; p < to;) {
      const auto at = static_cast<std::int64_t>(static_cast<std::size_t>(p) & mask_);
      const auto near = static_cast<std::int64_t>(static_cast<std::size_t>(p - step) & mask_);
      const auto far = static_cast<std::int64_t>(static_cast<std::size_t>(p - 2 * step) & mask_);
      const std::int64_t count = std::min({to - p, size - at, size - near, size - far});
      std::uint64_t *out = ring + at;
      const std::uint64_t *nearIn = ring + near;
      const std::uint64_t *farIn = ring + far;
      for (std::int64_t k = 0; k < count; ++k) {
        out[k] = nearIn[k] + ((nearIn[k] & kRankBits) - (farIn[k] & kRankBits));
      }
      p += count;
    }
  }

  // Copies links and ranks for the positions from `p` on, up to `to` or the
  // first position whose links reach back before `start` (returned). Local
  // copies of the ring and mask: stores to the ring cannot change them.
  std::int64_t copyLinks(std::int64_t start, std::int64_t p, std::int64_t to,
                         std::int32_t distance) {
    std::uint64_t *const ring = ring_;
    const std::size_t mask = mask_;
    for (; p < to; ++p) {
      const std::uint64_t source = ring[static_cast<std::size_t>(p - distance) & mask];
      const auto offset = static_cast<std::uint32_t>(p - start);
      const auto hashGap = static_cast<std::uint32_t>(hashLinkOf(source));
      const auto tripleGap = static_cast<std::uint32_t>(tripleLinkOf(source));
      // Both gaps in 1 .. offset.
      if (hashGap - 1 >= offset || tripleGap - 1 >= offset) break;
      const std::uint64_t previous = ring[static_cast<std::size_t>(p - hashGap) & mask];
      ring[static_cast<std::size_t>(p) & mask] =
          (source & ~kRankBits) | ((previous & kRankBits) + kOneRank);
    }
    return p;
  }

  // Sets the heads from the positions from .. to - 1, in order, as their
  // inserts would have left them.
  void updateHeads(const std::uint8_t *data, std::int64_t from, std::int64_t to) {
    const std::uint64_t *const ring = ring_;
    const std::size_t mask = mask_;
    for (std::int64_t q = from; q < to; ++q) {
      const auto at = static_cast<std::uint32_t>(q);
      hashHead_[hashSlotAt(data, q)] = ((ring[at & mask] & kRankBits) + kOneRank) | at;
      tripleHead_[tripleKey(data, q)] = static_cast<std::int32_t>(q);
    }
  }

  std::uint64_t slotOf(std::int32_t position) const {
    return ring_[static_cast<std::size_t>(position) & mask_];
  }

  // Below this length, walking the positions empties the heads faster than
  // refilling both tables.
  static constexpr std::int64_t kEmptyByWalking = 32768;

  ChainTables &tables_;
  // The tables' storage, which does not move while the chains are in use.
  std::uint64_t *hashHead_ = nullptr;  // per hash: insertions << 48 | newest position
  std::int32_t *tripleHead_ = nullptr;
  std::uint64_t *ring_ = nullptr;  // per slot: hash gap, triple gap, rank
  std::size_t ringSlots_ = 0;
  const std::uint8_t *data_;
  std::int64_t length_;
  std::size_t mask_ = 0;
  std::int64_t nextRebase_ = kRebaseInterval;
};

struct Match {
  std::int32_t length = 0;
  std::int32_t distance = 0;
};

inline bool sameTriple(const std::uint8_t *a, const std::uint8_t *b) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

// Counts a candidate whose first three bytes are known to match: only a
// strictly longer match replaces the best so far, so on equal lengths the
// nearer candidate stays. True when the search is over (258 bytes, or the
// match reaches the end of the input).
inline bool tryCandidate(const std::uint8_t *data, std::int64_t i, std::int32_t candidate,
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
  const std::int32_t k = countEqual(there, here, maxLength);
  if (k > best.length) {
    best.length = k;
    best.distance = static_cast<std::int32_t>(i - candidate);
  }
  return k == maxLength;
}

// The plain walk: the newest 64 positions of i's hash within 32768 bytes.
inline Match searchHashChain(const std::uint8_t *data, std::int64_t i, std::int32_t maxLength,
                             const HashChains &chains) {
  Match best;
  const std::uint32_t hash = hashSlotAt(data, i);
  std::int32_t candidate = chains.hashHead(hash);
  for (std::int32_t tried = 0; tried < kMaxCandidates; ++tried) {
    if (candidate < 0 || i - candidate > kMaxDistance) break;
    if (sameTriple(data + candidate, data + i) && tryCandidate(data, i, candidate, maxLength, best))
      break;
    candidate = chains.nextOfHash(i, candidate);
  }
  return best;
}

// Positions that share only the triple key may be skipped this many times
// before the search falls back to the plain walk.
inline constexpr std::int32_t kMaxTripleSkips = 16;

// Candidates whose triple recurs at most this many bytes back are looked
// at as the start of a run (a pixel's period and its divisors, and their
// doubles).
inline constexpr std::int64_t kMaxRunPeriod = 8;

// Where the walk lands after passing along a run: the candidate, its entry
// and its match length (0: no jump).
struct RunJump {
  std::int64_t candidate = 0;
  std::uint64_t slot = 0;
  std::int32_t length = 0;
};

// The lowest y >= lowest such that data[z] == data[z + period] for every z
// in y .. upTo - 1, comparing 8 bytes a step downwards.
inline std::int64_t periodicFrom(const std::uint8_t *data, std::int64_t upTo, std::int64_t lowest,
                                 std::int64_t period) {
  std::int64_t y = upTo;
  if (std::endian::native == std::endian::little) {
    while (y - 8 >= lowest) {
      const std::uint64_t diff = load64(data + y - 8) ^ load64(data + y - 8 + period);
      if (diff != 0) return y - std::countl_zero(diff) / 8;
      y -= 8;
    }
  }
  while (y > lowest && data[y - 1] == data[y - 1 + period]) --y;
  return y;
}

// Passing along a run of one pixel. Candidate c has just become the best
// with k bytes, below maxLength; its triple chain link goes p (`period`)
// bytes back, with k >= p. Say the bytes of i go on repeating at that period
// up to some length q > k, while c's stop at k. If the bytes from
// x = c - m * p up to c + k repeat at the period, then c - p, ..., x are the
// next m positions of the chain (a position of the same key between two of
// them would recur between c - p and c, where the link says there is none),
// and c - j * p matches exactly k + j * p bytes while that is below q: each
// would replace the best in turn. So the walk goes at once to the last of
// them it would reach: the first to reach q (m = ceil((q - k) / p), whose
// length is counted afresh) or the last of the run before it (length
// k + m * p), when that is within reach (the ones between are then too:
// ranks and positions fall along the chain) and m >= 2.
[[gnu::noinline]] inline RunJump jumpAlongRun(const std::uint8_t *data, std::int64_t i,
                                              std::int64_t candidate, std::int64_t period,
                                              std::int32_t length, std::int32_t maxLength,
                                              std::int64_t farthest, const HashChains &chains,
                                              std::uint16_t count) {
  const std::uint8_t *const here = data + i;
  const std::uint8_t *const there = data + candidate;
  // Two positions of the run behind c at least.
  if (candidate < 8 + period || load64(there - 8) != load64(there - 8 + period)) return {};
  const std::int32_t follows =
      length + countEqual(here + length - period, here + length, maxLength - length);
  const std::int64_t toFollows = (follows - length + period - 1) / period;
  const std::uint64_t *const ring = chains.ringSlots();
  const std::size_t mask = chains.ringMask();
  const std::uint64_t slot = ring[static_cast<std::size_t>(candidate) & mask];
  const std::int64_t spare =
      kMaxCandidates - 1 - static_cast<std::uint16_t>(count - rankOf(slot) - 1);
  const std::int64_t most = std::min({toFollows, spare, (candidate - farthest) / period});
  if (most < 2) return {};
  const std::int64_t from =
      periodicFrom(data, candidate + length - period, candidate - most * period, period);
  const std::int64_t steps = (candidate - from) / period;
  if (steps < 2) return {};
  const std::int64_t landing = candidate - steps * period;
  const std::uint64_t landingSlot = ring[static_cast<std::size_t>(landing) & mask];
  const auto rank = rankOf(landingSlot);
  if (static_cast<std::uint16_t>(count - rank - 1) >= kMaxCandidates) return {};
  const std::int32_t landingLength = steps == toFollows
                                         ? countEqual(data + landing, here, maxLength)
                                         : length + static_cast<std::int32_t>(steps * period);
  return {landing, landingSlot, landingLength};
}

// The longest match for position i among the 64 newest positions with its
// hash within 32768 bytes, found along the triple chain (see HashChains).
//
// One loop over the chain's ring slots: a candidate with other bytes counts
// as a skip; one with i's three bytes ends the walk when it is beyond the 64
// newest of the hash, else is tried (tryCandidate's rules, written out). The
// first candidate tried always becomes the best (it matches three bytes), so
// the walk is split there: after it, the four bytes of i that end at the best
// length are kept at hand.
// `triple` is tripleAt(data, length, i).
inline Match findMatch(const std::uint8_t *data, std::int64_t length, std::int64_t i,
                       std::uint32_t triple, const HashChains &chains) {
  Match best;
  const auto maxLength = static_cast<std::int32_t>(std::min<std::int64_t>(kMaxMatch, length - i));
  const std::uint8_t *const here = data + i;
  const std::uint16_t count = chains.count(hashSlotOfTriple(triple));
  const std::uint64_t *const ring = chains.ringSlots();
  const std::size_t mask = chains.ringMask();
  const std::int64_t farthest = std::max<std::int64_t>(i - kMaxDistance, 0);
  // Beyond the 64 newest insertions of the hash.
  const auto outOfReach = [count](std::uint64_t slot) {
    const auto rank = rankOf(slot);
    return static_cast<std::uint16_t>(count - rank - 1) >= kMaxCandidates;
  };
  std::int32_t skips = 0;
  std::int64_t candidate = chains.tripleHead(HashChains::keyOfTriple(triple));
  std::uint64_t slot = 0;
  // A candidate lies before i, so its four bytes are inside the input.
  for (;; candidate -= tripleLinkOf(slot)) {
    if (candidate < farthest) return best;
    slot = ring[static_cast<std::size_t>(candidate) & mask];
    if (tripleOfWord(data + candidate) == triple) break;
    if (++skips > kMaxTripleSkips) return searchHashChain(data, i, maxLength, chains);
  }
  if (outOfReach(slot)) return best;
  best.length = countEqual(data + candidate, here, maxLength);
  best.distance = static_cast<std::int32_t>(i - candidate);
  // Only a candidate that also matches the four bytes ending at the best
  // length can beat it (here[best.length] is inside the input while the best
  // is below maxLength).
  std::uint32_t hereEnd = load32(here + best.length - 3);
  while (best.length < maxLength) {
    candidate -= tripleLinkOf(slot);
    if (candidate < farthest) break;
    slot = ring[static_cast<std::size_t>(candidate) & mask];
    const std::uint8_t *const there = data + candidate;
    if (tripleOfWord(there) != triple) {
      if (++skips > kMaxTripleSkips) return searchHashChain(data, i, maxLength, chains);
      continue;
    }
    if (outOfReach(slot)) break;
    if (load32(there + best.length - 3) != hereEnd) continue;
    const std::int32_t k = countEqual(there, here, maxLength);
    if (k > best.length) {
      best.length = k;
      best.distance = static_cast<std::int32_t>(i - candidate);
      if (k == maxLength) break;
      // i's bytes go on repeating where c's stop: the run behind c may hold
      // longer matches (jumpAlongRun).
      const std::int64_t period = tripleLinkOf(slot);
      if (period <= kMaxRunPeriod && k >= period && here[k] == here[k - period]) {
        const RunJump jump =
            jumpAlongRun(data, i, candidate, period, k, maxLength, farthest, chains, count);
        if (jump.length != 0) {
          candidate = jump.candidate;
          slot = jump.slot;
          best.length = jump.length;
          best.distance = static_cast<std::int32_t>(i - candidate);
          if (best.length == maxLength) break;
        }
      }
      hereEnd = load32(here + best.length - 3);
    }
  }
  return best;
}

}  // namespace zd::compress::detail
