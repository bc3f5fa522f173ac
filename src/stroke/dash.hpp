// Inside the stroker: cutting polylines into dashes.
#pragma once

#include <cstddef>
#include <vector>

#include "stroke/pen.hpp"

namespace zd::stroke::detail {

// Splits polylines by a dash pattern and hands each dash to the pen. The
// pattern restarts on every polyline; an odd count is repeated to make it
// even; lengths are measured along the flattened polyline.
class Dasher {
 public:
  Dasher(const Style &style, Pen &pen);

  // True when the style draws solid lines (no pattern, or all lengths zero).
  bool solid() const { return pattern_.empty(); }

  // Strokes the dashes of one polyline (a single point is a zero-length
  // subpath: a dot when the pattern starts in a dash).
  void run(const Polyline &line);

 private:
  void finishDash(Point direction);
  void emit(Polyline &dash, Point direction);

  Pen &pen_;
  std::vector<double> pattern_;
  std::size_t startIndex_ = 0;   // the interval the pattern starts in
  double startRemaining_ = 0.0;  // and how much of it is left there
  std::size_t intervals_ = 0;    // intervals entered so far, for the cap
  Polyline dash_, first_;
  Point firstDirection_{1.0, 0.0};
  bool holdFirst_ = false;  // a closed line's first dash waits for its last
  bool firstHeld_ = false;
};

}  // namespace zd::stroke::detail
