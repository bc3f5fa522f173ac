// The work bound shared by the fuzz targets that flatten whole paths: an
// upper estimate of the segments a path flattens to, cheap enough to take
// before the work, so that inputs which would only repeat the deepest
// subdivision a million times are refused instead of run.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

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
    // An arc strays from its ends by up to twice its radius, which grows
    // to half the chord when too small to span it.
    const double radius = absolute == 9
                              ? std::max({std::fabs(static_cast<double>(params[0])),
                                          std::fabs(static_cast<double>(params[1])), reach_})
                              : 0.0;
    extent_ = std::max(extent_, reach_ + 2.0 * radius);
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
  // Every point of the flattened path lies within this of the origin, so
  // no flattened segment is longer than twice it.
  double extent() const { return extent_; }

 private:
  static constexpr double kPerCurveMax = 262144.0;
  // Chords and control offsets up to four times this square safely in float.
  static constexpr double kSquareOverflow = 1e18;
  double tolerance_;
  double reach_ = 0.0;
  double extent_ = 0.0;
  double total_ = 0.0;
};

// The estimate for a path handle, read through the exported command queries.
// A tolerance the library refuses costs nothing.
// Reading stops once the estimate is past the budget.
inline SegmentEstimate estimatePath(ZdPath *path, float tolerance) {
  SegmentEstimate estimate(tolerance);
  const int64_t count = zd_path_command_count(path);
  for (int64_t i = 0; i < count && estimate.withinBudget(); ++i) {
    ZdCommand command;
    if (zd_path_command_get(path, i, &command) != ZD_OK) std::abort();
    estimate.add(command.kind, command.params, zd_path_command_parameter_count(command.kind));
  }
  return estimate;
}

inline double estimateSegments(ZdPath *path, float tolerance) {
  if (!std::isfinite(tolerance)) return 0.0;
  return estimatePath(path, tolerance).total();
}

// Strokes whose dash pattern cuts the path into more pieces than this are
// not stroked: a pattern of tiny dashes along a long path makes a million
// dots (up to the library's segment cap, where it refuses) and spends the
// run on one step.
inline constexpr double kDashBudget = 1 << 12;

// An upper estimate of the dashes `style` cuts `path` into at `tolerance`
// (<= 0 means 0.5, as the library reads it): the flattened length over the
// pattern's period, times the dashes in a period, plus a partial period
// per subpath (each restarts the pattern). Zero for a solid style (no
// pattern, or all lengths zero) and for a pattern the library refuses. When
// a rough bound from the path's extent is not enough it flattens the path,
// and a path past the segment budget counts as too many dashes.
inline double estimateDashes(ZdPath *path, const ZdStroke &style, float tolerance) {
  if (style.dashes == nullptr || style.dash_count <= 0 || style.dash_count > 1048576) return 0.0;
  double period = 0.0;
  for (int32_t i = 0; i < style.dash_count; ++i) {
    const double length = style.dashes[i];
    if (!std::isfinite(length) || length < 0.0) return 0.0;
    period += length;
  }
  if (!(period > 0.0)) return 0.0;
  // An odd count is repeated to make it even.
  const bool odd = style.dash_count % 2 == 1;
  const double dashesPerPeriod = odd ? style.dash_count : style.dash_count / 2.0;
  if (odd) period *= 2.0;
  const float flatness = tolerance > 0.0f ? tolerance : 0.5f;
  // Every subpath starts with a move, so there are no more subpaths than
  // commands.
  const double subpaths = static_cast<double>(zd_path_command_count(path));
  // No flattened segment is longer than twice the extent: when that bound
  // is within the budget, nothing needs flattening.
  const SegmentEstimate rough = estimatePath(path, flatness);
  const double roughDashes =
      (rough.total() * 2.0 * rough.extent() / period + subpaths) * dashesPerPeriod;
  if (roughDashes <= kDashBudget) return roughDashes;
  // A path too long to flatten here counts as too many dashes.
  if (!rough.withinBudget()) return INFINITY;
  int64_t count = 0;
  if (zd_path_flatten(path, nullptr, 0, &count, flatness) != ZD_OK) return 0.0;
  std::vector<float> segments(static_cast<std::size_t>(count) * 4);
  if (zd_path_flatten(path, segments.data(), count, &count, flatness) != ZD_OK) return 0.0;
  double length = 0.0;
  for (std::size_t i = 0; i + 3 < segments.size(); i += 4) {
    length += std::hypot(static_cast<double>(segments[i + 2]) - segments[i],
                         static_cast<double>(segments[i + 3]) - segments[i + 1]);
  }
  return (length / period + subpaths) * dashesPerPeriod;
}

// Strokes whose outline is estimated above this many pieces are not
// stroked.
inline constexpr double kOutlineBudget = 1 << 14;

// Whether stroking `path` with `style` at `tolerance` stays within the dash
// and outline budgets. The outline estimate: every flattened segment and
// every end of a dash may carry a round piece (joins between flattened
// pieces are always round) of up to a half turn, cut into steps whose
// sagitta stays within the tolerance, about pi * sqrt(r / (8 t)) of them
// for a pen of radius r. A wide pen at a fine tolerance on a path of many
// corners comes close to the library's segment cap without reaching it,
// and costs a second or more under the sanitizers.
inline bool strokeWithinBudget(ZdPath *path, const ZdStroke &style, float tolerance) {
  const double dashes = estimateDashes(path, style, tolerance);
  if (dashes > kDashBudget) return false;
  const double flatness = tolerance > 0.0f ? tolerance : 0.5;
  const double width = style.width;
  const double radius = std::isfinite(width) && width > 0.0 ? width / 2.0 : 0.0;
  const double stepsPerHalfTurn = 3.14159265358979 * std::sqrt(radius / (8.0 * flatness));
  const double segments = estimateSegments(path, tolerance);
  return (segments + 2.0 * dashes) * (1.0 + stepsPerHalfTurn) <= kOutlineBudget;
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
