// The state of one scan (internal): the class whose member functions are
// the steps listed in scan.hpp. Only scan.cpp and the step files it
// includes (full_runs.hpp, coverage.hpp, paint_row.hpp) include this
// header. The steps taken for every row or line are forced inline
// (ZD_KERNEL_INLINE where they are defined), so that the row loop in
// Scan::run is one function, with no call per step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "raster/edge.hpp"
#include "raster/raster.hpp"
#include "raster/scan_kernels.hpp"
#include "raster/scratch.hpp"
#include "raster/shade.hpp"

namespace zd::raster::detail {

// Full runs at least this long are painted as runs and left out of the
// sums; shorter ones are summed (to exactly 1.0) and blended with their
// neighbours.
inline constexpr std::int64_t kLongRun = 64;

// Everything one fill works with; lives for one call. The member functions
// are defined in the files named beside them.
class Scan {
 public:
  Scan(Image &image, const Paint &paint, bool evenOdd, bool overwrite, Scratch &scratch,
       RowShader *shader);
  ~Scan();

  // Orders the segments that can cross any sample line of `rows` by top.
  void prepare(std::span<const Segment> segments, RowRange rows);
  void run(RowRange rows);

 private:
  // scan.cpp
  void prepareByTop(std::span<const Segment> segments, RowRange rows);
  void prepareByLine(std::span<const Segment> segments, RowRange rows);
  bool joinsTheList(const Segment &s, float firstLine, float lastLine, float &lo, float &hi);
  LineSpans lineSpans(std::size_t crossings);
  void scanLine(float sy);
  [[gnu::noinline]] void passLeftEvents(float sy);
  // full_runs.hpp
  void findFullRuns();
  void keepLongRuns();
  // coverage.hpp
  void accumulate();
  void addLine(const Span *begin, const Span *end);
  void addQuartersOutsideFull(std::int64_t from, std::int64_t to, std::size_t &k);
  // paint_row.hpp
  void paintRow(std::int64_t y);
  void paintRowChecked(std::int64_t y);
  void paintRowShaded(std::int64_t y);
  void blendShaded(std::uint8_t *row, std::int64_t from, std::int64_t to, bool full,
                   std::int64_t y);
  [[noreturn]] void offsetOverflow(std::int64_t y, std::int64_t x);

  Image &image_;
  const Paint paint_;
  RowShader *const shader_;  // nil: every pixel gets paint_
  const bool evenOdd_;
  const bool overwrite_;
  const std::int64_t width_;
  const ScanKernels kernels_ = scanKernels();  // by value: one load per call
  Scratch &scratch_;
  float *coverage_;
  std::int64_t touchedFrom_ = 0;
  std::int64_t touchedTo_ = -1;  // inclusive; empty when below touchedFrom_

  std::vector<Edge> &pending_;  // by top; pendingTop_ holds each one's top
  std::vector<float> &pendingTop_;
  std::size_t next_ = 0;
  std::vector<Edge> &active_;  // in crossing order of the last sample line
  std::vector<Edge> &merged_;
  // Edges wholly left of the image cross every line left of the row, so
  // only their winding matters: they are kept as events (an edge starts,
  // an edge ends) by y, and windingBefore_ sums those up to the line.
  std::vector<std::uint64_t> &leftEvents_;
  std::size_t nextLeft_ = 0;
  float nextLeftY_ = std::numeric_limits<float>::infinity();  // of the next event
  std::int64_t windingBefore_ = 0;

  std::vector<Span> &spans_;  // this row's, line after line; its size is its room
  std::size_t spanCount_ = 0;
  std::size_t lineEnd_[4] = {};
  bool rowHasNan_ = false;
  std::vector<Run> &full_;  // columns of coverage 1 in this row, ascending
};

}  // namespace zd::raster::detail
