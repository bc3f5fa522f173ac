// The work bound shared by the fuzz targets that flatten whole paths: an
// upper estimate of the segments a path flattens to, cheap enough to take
// before the work, so that inputs which would only repeat the deepest
// subdivision a million times are refused instead of run.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "zd.h"

namespace zd::fuzzing {

// Whole paths estimated above this many segments are not flattened.
inline constexpr double kSegmentBudget = 1 << 16;

// Every point the walk reaches lies within `reach` of the origin: absolute
// points by their own size, relative ones by the sum of the offsets. A
// curve's control points then lie within 4 * reach of its chord (reflected
// controls included); each subdivision level divides that distance by four
// and doubles the pieces, so about 2 * sqrt(distance / tolerance) pieces
// suffice, and never more than 2^18 (always 2^18 once coordinates are so
// large that squaring a chord overflows). Lines are one segment. An arc takes at
// most some thousands of steps: past that its step angle underflows and it is
// refused before any work.
class SegmentEstimate {
 public:
  explicit SegmentEstimate(float tolerance) : tolerance_(tolerance > 0.0f ? tolerance : 0.5f) {}

  // kind as in zd.h (0..18, relative kinds 10..18); params in path-data order.
  void add(int kind, const float *params, int count) {
    const int absolute = kind >= 10 ? kind - 9 : kind;
    const int firstCoordinate = absolute == 9 ? 5 : 0;  // an arc's radii are no points
    double size = 0.0;
    for (int i = firstCoordinate; i < count; ++i) {
      const double magnitude = std::fabs(static_cast<double>(params[i]));
      size = std::isnan(magnitude) ? INFINITY : std::max(size, magnitude);
    }
    reach_ = kind >= 10 ? reach_ + size : std::max(reach_, size);
    if (absolute >= 5 && absolute <= 8) {
      // Past kSquareOverflow the float32 flatness test squares a chord to
      // infinity, finds no curve flat and subdivides to the deepest level
      // whatever the tolerance.
      const double pieces = reach_ > kSquareOverflow
                                ? kPerCurveMax
                                : 2.0 * std::sqrt(4.0 * reach_ / tolerance_) + 1.0;
      total_ += std::isfinite(pieces) ? std::min(pieces, kPerCurveMax) : kPerCurveMax;
    } else {
      total_ += absolute == 9 ? 10000.0 : 1.0;
    }
  }

  double total() const { return total_; }
  bool withinBudget() const { return total_ <= kSegmentBudget; }

 private:
  static constexpr double kPerCurveMax = 262144.0;
  // Chords and control offsets up to four times this square safely in float.
  static constexpr double kSquareOverflow = 1e18;
  double tolerance_;
  double reach_ = 0.0;
  double total_ = 0.0;
};

// The estimate for a path handle, read through the exported command queries.
// A tolerance the library refuses costs nothing.
inline double estimateSegments(ZdPath *path, float tolerance) {
  if (!std::isfinite(tolerance)) return 0.0;
  SegmentEstimate estimate(tolerance);
  const int64_t count = zd_path_command_count(path);
  for (int64_t i = 0; i < count && estimate.withinBudget(); ++i) {
    ZdCommand command;
    if (zd_path_command_get(path, i, &command) != ZD_OK) std::abort();
    estimate.add(command.kind, command.params, zd_path_command_parameter_count(command.kind));
  }
  return estimate.total();
}

// The segments one input may still have flattened, over all its steps: a
// sequence that grows a path and flattens it after every step would
// otherwise redo the same work dozens of times.
class InputBudget {
 public:
  explicit InputBudget(double segments = kSegmentBudget) : left_(segments) {}
  // True, and the estimate spent, when flattening `path` fits what is left.
  bool spend(ZdPath *path, float tolerance) {
    const double cost = estimateSegments(path, tolerance);
    if (cost > left_) return false;
    left_ -= cost;
    return true;
  }

 private:
  double left_;
};

}  // namespace zd::fuzzing
