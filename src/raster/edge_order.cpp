// The sort of edges by their top.
#include "raster/edge_order.hpp"

namespace zd::raster::detail {

namespace {

void radixSortByKey(std::vector<std::uint64_t> &words, std::vector<std::uint64_t> &scratch) {
  scratch.resize(words.size());
  for (int shift = 32; shift < 64; shift += 11) {
    std::uint32_t counts[2048] = {};
    for (const std::uint64_t w : words) ++counts[(w >> shift) & 2047];
    if (counts[(words.front() >> shift) & 2047] == words.size()) continue;
    std::uint32_t total = 0;
    for (std::uint32_t &c : counts) {
      const std::uint32_t n = c;
      c = total;
      total += n;
    }
    for (const std::uint64_t w : words) scratch[counts[(w >> shift) & 2047]++] = w;
    words.swap(scratch);
  }
}

}  // namespace

void sortByKey(std::vector<std::uint64_t> &words, std::vector<std::uint64_t> &scratch) {
  // Radix passes cost a fixed 2048-bucket sweep each; few words sort faster
  // by comparison.
  if (words.size() < 1024) {
    std::sort(words.begin(), words.end());
  } else {
    radixSortByKey(words, scratch);
  }
}

const Edge *sortByWords(Edge *edges, std::size_t count, std::vector<CrossingSlot> &slots,
                        std::vector<Edge> &sorted) {
  slots.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    slots[i] = {crossingWord(edges[i].x, edges[i].index), static_cast<std::uint32_t>(i)};
  }
  // Words are unique (so is the index), so any sort gives the one order.
  std::sort(slots.begin(), slots.end(),
            [](const CrossingSlot &a, const CrossingSlot &b) { return a.word < b.word; });
  sorted.resize(count);
  for (std::size_t i = 0; i < count; ++i) sorted[i] = edges[slots[i].slot];
  return sorted.data();
}

}  // namespace zd::raster::detail
