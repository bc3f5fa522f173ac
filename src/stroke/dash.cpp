// Dashes: walk a polyline, switching between dash and gap intervals of the
// pattern, and stroke each dash as an open polyline of its own with caps at
// both ends. On a closed polyline a dash running through the closing point
// is one dash, joined there.
#include "stroke/dash.hpp"

#include <cmath>

#include "common/errors.hpp"

namespace zd::stroke::detail {

namespace {

[[noreturn]] void tooManyDashes() {
  throw Error("stroke: the dash pattern makes more dashes than the segment cap");
}

}  // namespace

Dasher::Dasher(const Style &style, Pen &pen) : pen_(pen) {
  double total = 0.0;
  for (const float length : style.dashes) total += length;
  if (!(total > 0.0)) return;  // no pattern, or all zero: solid
  pattern_.assign(style.dashes.begin(), style.dashes.end());
  if (pattern_.size() % 2 == 1) {
    pattern_.insert(pattern_.end(), style.dashes.begin(), style.dashes.end());
    total += total;
  }
  // Where the offset puts the start: a negative offset counts back from the
  // end of the pattern. A position on the boundary between two intervals
  // belongs to the later one, except that a zero-length dash at the very
  // start is kept.
  double phase = std::fmod(static_cast<double>(style.dashOffset), total);
  if (phase < 0.0) phase += total;
  if (phase >= total) phase = 0.0;
  std::size_t index = 0;
  for (std::size_t guard = 0; guard < 2 * pattern_.size(); ++guard) {
    if (!(phase > 0.0 && phase >= pattern_[index])) break;
    phase -= pattern_[index];
    index = (index + 1) % pattern_.size();
  }
  startIndex_ = index;
  startRemaining_ = pattern_[index] - phase;
  if (startRemaining_ < 0.0) startRemaining_ = 0.0;
}

void Dasher::run(const Polyline &line) {
  const std::vector<Point> &p = line.points;
  const std::size_t n = p.size();
  if (n == 1) {
    if (startIndex_ % 2 == 0) pen_.dot(p[0], {1.0, 0.0});
    return;
  }
  const std::size_t segments = line.closed ? n : n - 1;
  std::size_t index = startIndex_;
  double remaining = startRemaining_;
  bool on = index % 2 == 0;
  bool anyFinished = false;
  holdFirst_ = line.closed && on;
  firstHeld_ = false;
  dash_.clear();
  first_.clear();
  const Point d0 = p[1] - p[0];
  Point dashDirection = d0 * (1.0 / std::sqrt(d0.x * d0.x + d0.y * d0.y));
  if (on) dash_.add(p[0], false, {}, line.leaving[0]);
  for (std::size_t j = 0; j < segments; ++j) {
    const Point a = p[j], b = p[(j + 1) % n];
    const Point d = b - a;
    const double length = std::sqrt(d.x * d.x + d.y * d.y);
    const bool lastSegment = j + 1 == segments;
    double t = 0.0;
    for (;;) {
      const double rest = length - t;
      if (remaining > rest) {
        remaining -= rest;
        const std::size_t k = (j + 1) % n;
        if (on) dash_.add(b, line.corner[k] != 0, line.arriving[k], line.leaving[k]);
        break;
      }
      t += remaining;
      if (t > length) t = length;
      const bool atEnd = t >= length;
      const Point at = atEnd ? b : a + d * (t / length);
      if (on) {
        dash_.add(at, false, atEnd ? line.arriving[(j + 1) % n] : Point{});
        finishDash(dashDirection);
        anyFinished = true;
      }
      // Nothing starts at the very end: that point is the start again on a
      // closed polyline, and past the end on an open one.
      if (lastSegment && t >= length) {
        on = false;
        break;
      }
      if (++intervals_ > zd::geom::kSegmentCap) tooManyDashes();
      index = (index + 1) % pattern_.size();
      remaining = pattern_[index];
      on = !on;
      if (on) {
        dash_.clear();
        dash_.add(at, false, {}, t <= 0.0 ? line.leaving[j] : Point{});
        dashDirection = d * (1.0 / length);
      }
    }
  }
  if (on) {
    if (holdFirst_ && !anyFinished) {
      // One dash round the whole closed polyline: it is the solid line.
      pen_.stroke(line);
      return;
    }
    if (firstHeld_) {
      // The last dash runs through the closing point into the first.
      for (std::size_t k = 0; k < first_.points.size(); ++k) {
        dash_.add(first_.points[k], k == 0 ? line.corner[0] != 0 : first_.corner[k] != 0,
                  first_.arriving[k], first_.leaving[k]);
      }
      firstHeld_ = false;
    }
    emit(dash_, dashDirection);
  }
  if (firstHeld_) emit(first_, firstDirection_);
}

void Dasher::finishDash(Point direction) {
  if (holdFirst_ && !firstHeld_ && first_.points.empty()) {
    first_ = dash_;
    firstHeld_ = true;
    firstDirection_ = direction;
    return;
  }
  emit(dash_, direction);
}

void Dasher::emit(Polyline &dash, Point direction) {
  dash.closed = false;
  if (dash.points.size() == 1) {
    pen_.dot(dash.points[0], direction);
  } else {
    pen_.stroke(dash);
  }
}

}  // namespace zd::stroke::detail
