// The two sorts of the scan (internal): edges by their top, once per fill,
// and crossings along a sample line, once per line.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/edge.hpp"

namespace zd::raster::detail {

// Insertion sort by crossesBefore, nearly free on a list already in the
// previous line's order; when too much has moved it hands over to std::sort.
inline void sortCrossings(Edge *edges, std::size_t count) {
  std::size_t budget = 8 * count + 64;
  for (std::size_t i = 1; i < count; ++i) {
    if (!crossesBefore(edges[i], edges[i - 1])) continue;
    const Edge moving = edges[i];
    std::size_t j = i;
    do {
      edges[j] = edges[j - 1];
      --j;
    } while (j > 0 && crossesBefore(moving, edges[j - 1]));
    edges[j] = moving;
    const std::size_t moved = i - j;
    if (moved >= budget) {
      std::sort(edges, edges + count, CrossingOrder());
      return;
    }
    budget -= moved;
  }
}

// An order-preserving unsigned key of a float (no NaN here).
inline std::uint32_t floatKey(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return (bits & 0x80000000u) != 0 ? ~bits : (bits | 0x80000000u);
}

inline float floatOfKey(std::uint32_t key) {
  return std::bit_cast<float>((key & 0x80000000u) != 0 ? (key & 0x7FFFFFFFu) : ~key);
}

// A word whose unsigned order is the crossing order: the crossing's key
// (-0 as +0, every NaN after every number) over the segment index.
inline std::uint64_t crossingWord(float x, std::uint32_t index) {
  constexpr std::uint32_t kAfterNumbers = 0xFFFFFFFFu;  // above the key of +infinity
  const std::uint32_t key = std::isnan(x) ? kAfterNumbers : floatKey(x == 0.0f ? 0.0f : x);
  return static_cast<std::uint64_t>(key) << 32 | index;
}

// An edge's place in a sort by crossingWord.
struct CrossingSlot {
  std::uint64_t word;
  std::uint32_t slot;
};

// Sorts the edges by sorting their crossing words and moving each edge
// once, into `sorted`; returns sorted.data().
const Edge *sortByWords(Edge *edges, std::size_t count, std::vector<CrossingSlot> &slots,
                        std::vector<Edge> &sorted);

// Sorts edges in no particular order (those entering on one line) by
// crossing; returns where the sorted edges are. Many are sorted by words;
// few, and very many, in place.
inline const Edge *sortScattered(Edge *edges, std::size_t count, std::vector<CrossingSlot> &slots,
                                 std::vector<Edge> &sorted) {
  // Below this, insertion moves few edges: sorting in place costs less.
  constexpr std::size_t kWordSortFrom = 20;
  // Above this, the words and the sorted copy would add half again to the
  // fill's working memory: the edges are sorted in place instead.
  constexpr std::size_t kWordSortUpTo = 4096;
  if (count < kWordSortFrom) {
    sortCrossings(edges, count);
  } else if (count <= kWordSortUpTo) {
    return sortByWords(edges, count, slots, sorted);
  } else {
    std::sort(edges, edges + count, CrossingOrder());
  }
  return edges;
}

// Sorts (floatKey << 32 | slot) words by key; the slot order among equal
// keys does not matter to the scan (edges that enter on one line are sorted
// by crossing anyway). Few words sort by comparison, many by a stable LSD
// radix sort, 11 bits a pass, skipping passes whose digit never varies.
void sortByKey(std::vector<std::uint64_t> &words, std::vector<std::uint64_t> &scratch);

}  // namespace zd::raster::detail
