// The cell coverage models (area.hpp): edges snapped and clipped to the
// image's rows, an active list carried from row to row, each row's cells
// filled by its edges, then resolved into coverage by the running sum and
// handed to the painter in runs.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "common/errors.hpp"
#include "raster/area.hpp"
#include "raster/area_left.hpp"
#include "raster/area_kernels.hpp"
#include "raster/edge_order.hpp"
#include "raster/scratch.hpp"

namespace zd::raster {

namespace detail {
namespace {

// y is snapped to 1/4096 of a pixel: a row is 4096 steps.
constexpr int kRowShift = 12;
constexpr std::int64_t kRowSteps = std::int64_t{1} << kRowShift;
constexpr double kStepsPerPixel = 4096.0;
// A cell unit is kCellOne / kRowSteps per step of height at full width.
constexpr std::int64_t kCellPerStep = kCellOne / kRowSteps;
// Columns are grouped by 8 (one step of the vector kernel) to find the
// ones a row touched.
constexpr int kBlockShift = 3;
constexpr std::int64_t kBlock = std::int64_t{1} << kBlockShift;
// Gaps between segments up to this fraction of the coordinates' size (and
// this many pixels below 1) are rounding, not a break between chains.
constexpr double kJoinTolerance = 1.0 / 4096.0;

// One edge within the image's rows, top to bottom: y in snapped steps
// (yTop < yBottom), x at both ends and per step, and the winding it adds.
struct CellEdge {
  double xTop, xBottom, slope;
  std::int64_t yTop, yBottom;
  std::int64_t winding;  // +1 for an edge going down in the path, -1 up
  double xRowTop = 0.0;  // xAt of the current row's top, once below yTop
  double xAt(std::int64_t y) const {
    return y == yBottom ? xBottom : xTop + static_cast<double>(y - yTop) * slope;
  }
};

// Working buffers, kept per thread between fills like the scan's.
struct CellScratch {
  std::vector<CellEdge> edges, sorted;
  std::vector<std::uint32_t> active;  // indices into edges
  std::vector<std::uint64_t> order, orderScratch;
  std::vector<std::uint64_t> leftEvents;  // of the edges left of the image
  std::vector<std::int64_t> cells;        // all zero between fills
  std::vector<std::uint8_t> touched;      // one flag per block of columns; zero between fills
  std::vector<float> coverage;
  bool clean = true;

  void releaseLarge() {
    releaseIfLarge(edges);
    releaseIfLarge(sorted);
    releaseIfLarge(active);
    releaseIfLarge(order);
    releaseIfLarge(orderScratch);
    releaseIfLarge(leftEvents);
    releaseIfLarge(cells);
    releaseIfLarge(touched);
    releaseIfLarge(coverage);
  }
};

// Out of line: inlined, the compiler may look the thread's buffers up
// again (a call into the dynamic linker) at every use in the scan.
[[gnu::noinline]] CellScratch &cellScratch() {
  thread_local CellScratch scratch;
  return scratch;
}

// Turns segments into edges: chains closed, non-finite segments dropped,
// every edge clipped to the rows [0, height] and snapped. Edges right of
// the image are dropped (they add nothing), those left of it go to `left`.
class EdgeBuilder {
 public:
  EdgeBuilder(std::vector<CellEdge> &out, LeftEdges &left, std::int64_t width, std::int64_t height)
      : out_(out),
        left_(left),
        rightOfImage_(static_cast<double>(width) + 1.0),
        height_(static_cast<double>(height)) {}

  void add(std::span<const Segment> segments) {
    for (const Segment &s : segments) {
      if (!std::isfinite(s.x0) || !std::isfinite(s.y0) || !std::isfinite(s.x1) ||
          !std::isfinite(s.y1)) {
        closeChain();
        continue;
      }
      if (open_ && (s.x0 != endX_ || s.y0 != endY_)) {
        if (nearlyJoined(s.x0, s.y0)) {
          addEdge(endX_, endY_, s.x0, s.y0);
        } else {
          closeChain();
        }
      }
      if (!open_) {
        startX_ = s.x0;
        startY_ = s.y0;
        open_ = true;
      }
      addEdge(s.x0, s.y0, s.x1, s.y1);
      endX_ = s.x1;
      endY_ = s.y1;
    }
    closeChain();
  }

 private:
  // Flattened curves and arcs end within rounding of where the next
  // segment starts, not always exactly there. A gap that small is bridged
  // by an edge across it and the chain goes on: closing the chain there
  // would add the whole triangle between the chain's start and the gap.
  // Between closed subpaths a bridge is harmless, as the chain's closing
  // edge later runs back along it and cancels it exactly.
  // The scale takes both sides of the gap, so that a chain run backwards
  // makes the same choice at the same gap (and a shape and its reverse
  // cancel exactly).
  bool nearlyJoined(float x, float y) const {
    const double scale =
        std::max({1.0, std::fabs(static_cast<double>(endX_)), std::fabs(static_cast<double>(endY_)),
                  std::fabs(static_cast<double>(x)), std::fabs(static_cast<double>(y))});
    const double tolerance = scale * kJoinTolerance;
    return std::fabs(static_cast<double>(x) - endX_) <= tolerance &&
           std::fabs(static_cast<double>(y) - endY_) <= tolerance;
  }

  void closeChain() {
    if (open_ && (endX_ != startX_ || endY_ != startY_)) addEdge(endX_, endY_, startX_, startY_);
    open_ = false;
  }

  // y snapped to steps; y is within [0, height] here.
  static std::int64_t snap(double y) {
    return static_cast<std::int64_t>(std::nearbyint(y * kStepsPerPixel));
  }

  void addEdge(float fx0, float fy0, float fx1, float fy1) {
    if (fy0 == fy1) return;
    // The same edge gives the same numbers whichever way it runs, so that
    // shapes sharing an edge cancel exactly along it.
    const bool down = fy0 < fy1;
    const double xa = down ? fx0 : fx1, ya = down ? fy0 : fy1;
    const double xb = down ? fx1 : fx0, yb = down ? fy1 : fy0;
    if (yb <= 0.0 || ya >= height_) return;
    const double dxdy = (xb - xa) / (yb - ya);
    double xTop = xa, yTop = ya, xBottom = xb, yBottom = yb;
    if (ya < 0.0) {
      xTop = xa + (0.0 - ya) * dxdy;
      yTop = 0.0;
    }
    if (yb > height_) {
      xBottom = xa + (height_ - ya) * dxdy;
      yBottom = height_;
    }
    // An edge right of the image adds nothing to any cell, and one left of
    // it only to the row's first cell, by its rows alone. A pixel of margin
    // covers the rounding of x along the edge (far less than a pixel: an
    // edge has fewer than 2^44 steps).
    if (xTop >= rightOfImage_ && xBottom >= rightOfImage_) return;
    const std::int64_t top = snap(yTop), bottom = snap(yBottom);
    if (top == bottom) return;
    if (xTop <= kLeftOfImage && xBottom <= kLeftOfImage) {
      left_.add(top, bottom, down ? 1 : -1);
      return;
    }
    const double slope = (xBottom - xTop) / static_cast<double>(bottom - top);
    out_.push_back({xTop, xBottom, slope, top, bottom, down ? 1 : -1});
  }

  static constexpr double kLeftOfImage = -1.0;

  std::vector<CellEdge> &out_;
  LeftEdges &left_;
  const double rightOfImage_;
  const double height_;
  bool open_ = false;
  float startX_ = 0, startY_ = 0, endX_ = 0, endY_ = 0;
};

// The part of the antiderivative of clamp(u, 0, 1) from 0: the area to the
// right of an edge at distance u from a column's right side, per unit of
// height, integrated over u.
inline double rampIntegral(double u) {
  if (u <= 0.0) return 0.0;
  if (u >= 1.0) return u - 0.5;
  return 0.5 * u * u;
}

// Rounds half away from zero, so that an edge run the other way gives
// exactly the negated cells. |v| is at most about 2^25 here.
inline std::int64_t roundToCell(double v) {
  return static_cast<std::int64_t>(v >= 0.0 ? v + 0.5 : v - 0.5);
}

// One row of cells and the scan over the rows.
class CellScan {
 public:
  CellScan(CellScratch &scratch, std::int64_t width, std::int64_t height, Antialias model,
           bool evenOdd, RowPainter &painter)
      : scratch_(scratch),
        width_(width),
        height_(height),
        aliased_(model == Antialias::none),
        evenOdd_(evenOdd),
        painter_(painter),
        resolve_(resolveCellsKernel()),
        left_(scratch.leftEvents, kRowShift) {
    const auto columns = static_cast<std::size_t>(width);
    const std::size_t blocks = (columns + kBlock - 1) >> kBlockShift;
    if (!scratch.clean) {
      std::fill(scratch.cells.begin(), scratch.cells.end(), 0);
      std::fill(scratch.touched.begin(), scratch.touched.end(), 0);
    }
    if (scratch.cells.size() < columns) scratch.cells.resize(columns, 0);
    // Eight flags more, always 0, so that flags can be read eight at a time.
    if (scratch.touched.size() < blocks + 8) scratch.touched.resize(blocks + 8, 0);
    if (scratch.coverage.size() < columns) scratch.coverage.resize(columns);
    scratch.clean = false;  // until every row has been resolved
    cells_ = scratch.cells.data();
    touched_ = scratch.touched.data();
    coverage_ = scratch.coverage.data();
    blockCount_ = static_cast<std::int64_t>(blocks);
  }

  void run(std::span<const Segment> segments) {
    std::vector<CellEdge> &edges = scratch_.edges;
    edges.clear();
    scratch_.leftEvents.clear();
    EdgeBuilder(edges, left_, width_, height_).add(segments);
    if (edges.empty() && left_.empty()) {
      scratch_.clean = true;
      return;
    }
    if (edges.size() > std::numeric_limits<std::uint32_t>::max()) {
      throw Defect("fillPath: too many segments");
    }
    orderByTop(edges);
    left_.prepare(scratch_.orderScratch);
    scanRows();
    scratch_.clean = true;
  }

 private:
  // The order words of the edges by top row (then index: equal rows need no
  // particular order, the cells' integer sums do not depend on it).
  void orderByTop(std::vector<CellEdge> &edges) {
    std::vector<std::uint64_t> &order = scratch_.order;
    order.clear();
    order.reserve(edges.size());
    for (std::size_t i = 0; i < edges.size(); ++i) {
      const auto row = static_cast<std::uint64_t>(edges[i].yTop >> kRowShift);
      order.push_back(row << 32 | i);
    }
    sortByKey(order, scratch_.orderScratch);
    // The edges themselves in that order: the rows then read them nearly
    // in sequence.
    std::vector<CellEdge> &sorted = scratch_.sorted;
    sorted.resize(edges.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
      sorted[i] = edges[order[i] & 0xFFFFFFFFu];
      order[i] = (order[i] & ~std::uint64_t{0xFFFFFFFFu}) | i;
    }
    edges.swap(sorted);
  }

  // Rows from the first edge's top down; the edges join the active list in
  // order of their top row (the order words: top row, then edge index).
  void scanRows() {
    std::vector<CellEdge> &edges = scratch_.edges;
    const std::vector<std::uint64_t> &order = scratch_.order;
    std::vector<std::uint32_t> &active = scratch_.active;
    active.clear();
    std::size_t next = 0;
    std::int64_t row = 0;
    while (row < height_) {
      if (active.empty() && !left_.open()) {
        // Nothing reaches into this row: on to the next edge's top.
        const std::int64_t nextTop =
            next < order.size() ? static_cast<std::int64_t>(order[next] >> 32) : height_;
        row = std::max(row, std::min(nextTop, left_.nextRow()));
        if (row >= height_) break;
      }
      while (next < order.size() && static_cast<std::int64_t>(order[next] >> 32) <= row) {
        active.push_back(static_cast<std::uint32_t>(order[next++]));
      }
      const std::int64_t rowTop = row << kRowShift, rowBottom = rowTop + kRowSteps;
      std::size_t kept = 0;
      for (std::size_t i = 0; i < active.size(); ++i) {
        CellEdge &edge = edges[active[i]];
        if (aliased_) {
          addCentreCrossing(edge, rowTop + kRowSteps / 2);
        } else {
          addArea(edge, rowTop, rowBottom);
        }
        if (edge.yBottom > rowBottom) {
          active[kept++] = active[i];
        }
      }
      active.resize(kept);
      const LeftEdges::Share left = aliased_ ? left_.centre(row) : left_.area(row);
      if (left.touches) add(0, left.cells);
      paintRow(row);
      ++row;
    }
  }

  void add(std::int64_t column, std::int64_t value) {
    cells_[column] += value;
    touched_[column >> kBlockShift] = 1;
  }

  // The edge's piece within the row: its exact area per column, rounded
  // cumulatively so the piece's cells sum to its height exactly.
  void addArea(CellEdge &edge, std::int64_t rowTop, std::int64_t rowBottom) {
    const std::int64_t ya = std::max(edge.yTop, rowTop), yb = std::min(edge.yBottom, rowBottom);
    const std::int64_t total = edge.winding * (yb - ya) * kCellPerStep;
    // The x at this row's bottom is the next row's top: computed once.
    const double xa = ya == edge.yTop ? edge.xTop : edge.xRowTop;
    const double xb = edge.xAt(yb);
    edge.xRowTop = xb;
    const double left = std::min(xa, xb), right = std::max(xa, xb);
    const auto width = static_cast<double>(width_);
    if (!(left < width)) return;  // wholly right of the image
    if (right <= 0.0) return add(0, total);
    // floor(left): 0 <= left < width truncates exactly; below 0 the column
    // only matters through the tests against it.
    const double firstColumn =
        left >= 0.0 ? static_cast<double>(static_cast<std::int64_t>(left)) : std::floor(left);
    if (right <= firstColumn + 1.0) {
      // Within one column (firstColumn >= 0 here, as right > 0): the area
      // right of the piece is its height times the distance from its middle
      // to the column's right side.
      const auto k = static_cast<std::int64_t>(firstColumn);
      const double share = firstColumn + 1.0 - 0.5 * (left + right);
      const std::int64_t part = roundToCell(static_cast<double>(total) * share);
      add(k, part);
      if (k + 1 < width_) add(k + 1, total - part);
      return;
    }
    // Across columns: for column k the area right of the piece is the mean
    // over the piece of clamp(k + 1 - x, 0, 1), times its height.
    const double scale = static_cast<double>(total) / (right - left);
    const std::int64_t from = firstColumn < 0.0 ? 0 : static_cast<std::int64_t>(firstColumn);
    // ceil(right), for 0 < right < width.
    std::int64_t to = width_;
    if (right < width) {
      to = static_cast<std::int64_t>(right);
      if (static_cast<double>(to) < right) ++to;
    }
    const std::int64_t low = std::min<std::int64_t>(0, total),
                       high = std::max<std::int64_t>(0, total);
    std::int64_t before = 0;
    for (std::int64_t k = from; k < to; ++k) {
      const double side = static_cast<double>(k + 1);
      const double swept = rampIntegral(side - left) - rampIntegral(side - right);
      const std::int64_t covered = std::clamp(roundToCell(swept * scale), low, high);
      add(k, covered - before);
      before = covered;
    }
    if (to < width_) add(to, total - before);
  }

  // The crossing with the row's centre line, when the edge has one: the
  // pixels whose centre is at or right of it change winding.
  void addCentreCrossing(const CellEdge &edge, std::int64_t centre) {
    if (!(edge.yTop <= centre && centre < edge.yBottom)) return;
    const double first = edge.xAt(centre) - 0.5;  // columns k >= first
    const std::int64_t value = edge.winding * kCellOne;
    if (first <= 0.0) return add(0, value);
    if (!(first < static_cast<double>(width_))) return;
    auto k = static_cast<std::int64_t>(first);  // ceil(first), for 0 < first < width
    if (static_cast<double>(k) < first) ++k;
    if (k < width_) add(k, value);
  }

  // The first block at or after `block` that the row touched, or
  // blockCount_; flags are read eight at a time.
  std::int64_t nextDirty(std::int64_t block) const {
    while (block < blockCount_) {
      std::uint64_t flags;
      std::memcpy(&flags, touched_ + block, 8);
      if (flags != 0) {
        // The first flag in memory is the lowest byte on a little-endian
        // machine, the highest on a big-endian one.
        const int bit = std::endian::native == std::endian::little ? std::countr_zero(flags)
                                                                   : std::countl_zero(flags);
        block += bit / 8;
        return std::min(block, blockCount_);
      }
      block += 8;
    }
    return blockCount_;
  }

  // The end of the run of touched blocks starting at `block` (touched), whose
  // flags are cleared.
  std::int64_t takeRun(std::int64_t block) {
    while (block < blockCount_ && touched_[block] != 0) touched_[block++] = 0;
    return block;
  }

  // Running sum along the row: touched blocks through the kernel, the
  // stretches between them at the constant coverage they share.
  void paintRow(std::int64_t y) {
    std::int64_t area = 0;
    std::int64_t pendingFrom = 0, pendingTo = 0;  // coverage waiting to be painted
    const auto flush = [&] {
      if (pendingFrom < pendingTo) painter_.paintCoverage(y, coverage_, pendingFrom, pendingTo);
      pendingFrom = pendingTo = 0;
    };
    const auto extend = [&](std::int64_t from, std::int64_t to) {
      if (pendingFrom == pendingTo || pendingTo != from) {
        flush();
        pendingFrom = from;
      }
      pendingTo = to;
    };
    std::int64_t block = nextDirty(0);
    while (block < blockCount_) {
      // A run of touched blocks through the kernel, then the stretch up to
      // the next touched block at the one coverage it has.
      const std::int64_t runEnd = takeRun(block);
      const std::int64_t from = block << kBlockShift;
      const std::int64_t to = std::min(runEnd << kBlockShift, width_);
      resolve_(cells_ + from, coverage_ + from, to - from, area, evenOdd_);
      extend(from, to);
      block = nextDirty(runEnd);
      const std::int64_t stretchEnd = std::min(block << kBlockShift, width_);
      if (area == 0 || to >= stretchEnd) continue;
      const std::int64_t level = ruleOfArea(area, evenOdd_);
      if (level == kCellOne) {
        flush();
        painter_.paintFull(y, to, stretchEnd);
      } else if (level != 0) {
        std::fill(coverage_ + to, coverage_ + stretchEnd, static_cast<float>(level) * kCellUnit);
        extend(to, stretchEnd);
      }
    }
    flush();
  }

  CellScratch &scratch_;
  const std::int64_t width_, height_;
  const bool aliased_, evenOdd_;
  RowPainter &painter_;
  const ResolveCells resolve_;
  std::int64_t *cells_ = nullptr;
  std::uint8_t *touched_ = nullptr;
  float *coverage_ = nullptr;
  std::int64_t blockCount_ = 0;
  LeftEdges left_;
};

// Large buffers are let go when the fill ends, normally or not.
struct ReleaseCellScratch {
  CellScratch &scratch;
  ~ReleaseCellScratch() { scratch.releaseLarge(); }
};

}  // namespace
}  // namespace detail

void coverSegments(std::span<const Segment> segments, std::int64_t width, std::int64_t height,
                   Antialias model, bool evenOdd, RowPainter &painter) {
  if (width <= 0 || height <= 0 || segments.empty()) return;
  detail::CellScratch &scratch = detail::cellScratch();
  detail::ReleaseCellScratch release{scratch};
  detail::CellScan(scratch, width, height, model, evenOdd, painter).run(segments);
}

}  // namespace zd::raster
