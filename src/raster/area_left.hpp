// Edges wholly left of the image, for the cell scan (internal). Such an edge
// adds to a row's first cell only, an amount set by its winding and the
// part of the row it spans, whatever its x. Shapes that reach far to the
// left (a tile of a larger scene, a long stroke off to the side) can have
// many of them, spanning many rows, so they are kept as events along y (an
// edge starts, an edge ends) and summed per row, rather than visited on
// every row as active edges.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "raster/area_kernels.hpp"
#include "raster/edge_order.hpp"

namespace zd::raster::detail {

class LeftEdges {
 public:
  // y is in steps of 2^rowShift per row.
  LeftEdges(std::vector<std::uint64_t> &events, int rowShift)
      : events_(events), rowShift_(rowShift) {}

  // An edge over the steps [top, bottom) of winding +1 or -1. Out of line,
  // so that the building of ordinary edges stays inlined in the scan.
  [[gnu::noinline]] void add(std::int64_t top, std::int64_t bottom, std::int64_t winding) {
    events_.push_back(key(top, false, winding > 0));
    events_.push_back(key(bottom, true, winding > 0));
  }

  bool empty() const { return events_.empty(); }

  // Orders the events by row (within a row their order does not matter:
  // the sums below do not depend on it).
  void prepare(std::vector<std::uint64_t> &scratch) {
    sortByKey(events_, scratch);
    next_ = 0;
    rate_ = 0;
    open_ = 0;
  }

  // True while an edge runs on from the rows consumed into the next one.
  bool open() const { return open_ > 0; }

  // The row of the next event not yet consumed; max() when there is none.
  std::int64_t nextRow() const {
    return next_ < events_.size() ? static_cast<std::int64_t>(events_[next_] >> 32)
                                  : std::numeric_limits<std::int64_t>::max();
  }

  // What the edges add to the first cell of `row`, and whether any edge
  // reaches into the row at all (then the cell counts as touched even when
  // the edges cancel, as it does when each edge adds its own part).
  struct Share {
    bool touches = false;
    std::int64_t cells = 0;
  };

  // Exact area: each edge adds its winding times the steps of the row it
  // spans. The edges open at the row's top span it from there to the
  // bottom; an event inside the row changes the rate from its step on.
  Share area(std::int64_t row) {
    const std::int64_t rowSteps = std::int64_t{1} << rowShift_;
    Share share;
    std::int64_t steps = rate_ * rowSteps;
    for (; next_ < events_.size() && static_cast<std::int64_t>(events_[next_] >> 32) == row;
         ++next_) {
      const Event e = decode(events_[next_]);
      steps += e.delta * (rowSteps - e.offset);
      rate_ += e.delta;
      open_ += e.bottom ? -1 : 1;
      // An edge that ends at the row's top does not reach into it.
      if (!e.bottom || e.offset > 0) share.touches = true;
    }
    // An edge still open spans the rest of the row.
    if (open_ > 0) share.touches = true;
    share.cells = steps * (kCellOne >> rowShift_);
    return share;
  }

  // Aliased: the edges that cross the row's centre line (top at or above
  // it, bottom below it) each add a whole cell of their winding.
  Share centre(std::int64_t row) {
    const std::int64_t centreOffset = std::int64_t{1} << (rowShift_ - 1);
    std::int64_t crossing = rate_, crossingCount = open_;
    for (; next_ < events_.size() && static_cast<std::int64_t>(events_[next_] >> 32) == row;
         ++next_) {
      const Event e = decode(events_[next_]);
      rate_ += e.delta;
      open_ += e.bottom ? -1 : 1;
      if (e.offset <= centreOffset) {
        crossing += e.delta;
        crossingCount += e.bottom ? -1 : 1;
      }
    }
    return {crossingCount > 0, crossing * kCellOne};
  }

 private:
  struct Event {
    std::int64_t offset;  // steps below the row's top
    std::int64_t delta;   // the change of the rate at that step
    bool bottom;
  };

  // Row in the high word (the sort key), then the step within the row,
  // whether it is the bottom, and whether the winding is +1.
  std::uint64_t key(std::int64_t step, bool bottom, bool positive) const {
    const auto row = static_cast<std::uint64_t>(step >> rowShift_);
    const auto offset = static_cast<std::uint64_t>(step & ((std::int64_t{1} << rowShift_) - 1));
    return row << 32 | offset << 2 | (bottom ? 2u : 0u) | (positive ? 1u : 0u);
  }

  Event decode(std::uint64_t word) const {
    const bool bottom = (word & 2u) != 0, positive = (word & 1u) != 0;
    const std::int64_t winding = positive ? 1 : -1;
    return {static_cast<std::int64_t>((word & 0xFFFFFFFFu) >> 2), bottom ? -winding : winding,
            bottom};
  }

  std::vector<std::uint64_t> &events_;
  const int rowShift_;
  std::size_t next_ = 0;
  std::int64_t rate_ = 0;  // the sum of the windings of the open edges
  std::int64_t open_ = 0;  // edges started and not yet ended
};

}  // namespace zd::raster::detail
