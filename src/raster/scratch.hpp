// The working buffers of a fill (internal), kept per thread between fills.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/edge.hpp"
#include "raster/edge_order.hpp"

namespace zd::raster::detail {

// Columns [from, to) of a row.
struct Run {
  std::int64_t from, to;
};

// The buffers of a fill. One set per thread is kept between fills, so that
// a small fill allocates nothing; buffers that grew large are released at
// the end of the fill, so what stays behind is small.
struct Scratch {
  std::vector<float> coverage;  // all zero between fills (see Scan)
  bool coverageClean = true;
  std::vector<Edge> pending, active, merged;
  std::vector<CrossingSlot> enteringSlots;  // the sort of edges entering on one line
  std::vector<Edge> enteringSorted;
  std::vector<float> pendingTop;
  std::vector<std::uint64_t> order, orderScratch;
  std::vector<std::uint32_t> firstLineOf, lineStarts;  // the count of edges by line
  std::vector<std::uint64_t> leftEvents;  // where edges left of the image start and end
  std::vector<Span> spans;
  std::vector<Run> full, fullNext, lineFull;

  void releaseLarge();
};

// This thread's buffers.
Scratch &threadScratch();

// Releases a buffer whose storage is over 256 KiB.
template <class T>
void releaseIfLarge(std::vector<T> &buffer) {
  constexpr std::size_t kKeptBytes = 256 * 1024;
  if (buffer.capacity() * sizeof(T) > kKeptBytes) std::vector<T>().swap(buffer);
}

}  // namespace zd::raster::detail
