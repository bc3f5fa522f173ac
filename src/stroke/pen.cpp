// The pen: one polyline to contours. One side of the stroke is written
// forward, the other is kept and written backward, with the caps (open
// polylines) or as a second contour (closed ones).
#include "stroke/pen.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/errors.hpp"

namespace zd::stroke::detail {

namespace {

// The longest chord angle of a round piece of radius `radius` whose sagitta
// stays within `tolerance`: 2 * acos(1 - tolerance / radius), written as
// 4 * asin(sqrt(x / 2)) so that a tiny ratio keeps its precision. At most a
// quarter turn.
double roundStep(double radius, double tolerance) {
  constexpr double kQuarterTurn = std::numbers::pi / 2.0;
  if (!(tolerance < radius)) return kQuarterTurn;
  return std::min(kQuarterTurn, 4.0 * std::asin(std::sqrt(tolerance / radius * 0.5)));
}

// Radius factor of the inner vertices of an arc cut into `steps` chords of
// angle `s`, whose end vertices lie on the circle: the factor that makes the
// polygon's area equal the sector's. Inscribed chords alone would lose up to
// a few percent of the area of a small disc; the balanced polygon strays
// less from the circle than the inscribed one and keeps its area.
double balancedRadius(int steps, double s) {
  const double ratio = s / std::sin(s);
  if (steps == 2) return ratio;
  const double n = steps;
  return (std::sqrt(1.0 + (n - 2.0) * n * ratio) - 1.0) / (n - 2.0);
}

}  // namespace

void ContourSink::add(Point p) {
  const auto x = static_cast<float>(p.x);
  const auto y = static_cast<float>(p.y);
  if (!std::isfinite(x) || !std::isfinite(y)) {
    throw Error("stroke: an outline vertex is not finite");
  }
  if (count_ == 0) {
    firstX_ = x;
    firstY_ = y;
  } else {
    if (x == lastX_ && y == lastY_) return;
    zd::geom::addSegment(out_.segments, {lastX_, lastY_, x, y});
  }
  lastX_ = x;
  lastY_ = y;
  ++count_;
}

void ContourSink::end() {
  if (count_ < 2) return;
  if (lastX_ != firstX_ || lastY_ != firstY_) {
    zd::geom::addSegment(out_.segments, {lastX_, lastY_, firstX_, firstY_});
  }
  out_.contourEnds.push_back(out_.segments.size());
}

// One side of the stroke: the offset sign (+1 the normal's side, -1 the
// other) and where its points go (the sink, or the kept second side).
struct Pen::Side {
  double sign;
  std::vector<Point> *kept;
};

Pen::Pen(const Style &style, double tolerance, ContourSink &sink)
    : style_(style),
      half_(static_cast<double>(style.width) * 0.5),
      tolerance_(tolerance),
      step_(roundStep(half_, tolerance)),
      sink_(sink) {}

void Pen::directions(const Polyline &line) {
  const std::size_t n = line.points.size();
  const std::size_t segments = line.closed ? n : n - 1;
  direction_.resize(segments);
  normal_.resize(segments);
  length_.resize(segments);
  for (std::size_t i = 0; i < segments; ++i) {
    const Point d = line.points[(i + 1) % n] - line.points[i];
    const double length = std::sqrt(d.x * d.x + d.y * d.y);
    const Point u = d * (1.0 / length);
    direction_[i] = u;
    normal_[i] = {-u.y, u.x};
    length_[i] = length;
  }
}

void Pen::stroke(const Polyline &line) {
  directions(line);
  if (line.closed) {
    strokeClosed(line);
  } else {
    strokeOpen(line);
  }
}

namespace {

bool isSet(Point direction) { return direction.x != 0.0 || direction.y != 0.0; }

}  // namespace

// A curve's own direction t at the end of a segment of direction u and
// length `length` (its chord) can stand in for u at that end: the segment's
// piece then runs from the offsets square to t there, which follow the curve
// instead of the chord. The piece stays a simple quadrilateral as long as
// t is within a quarter turn of u and each end leans by at most half the
// segment's length. Otherwise the segment keeps its own direction and a
// round turn joins it to t.
bool Pen::tapers(Point t, Point u, double length) const {
  const double dot = t.x * u.x + t.y * u.y;
  const double cross = t.x * u.y - t.y * u.x;
  return dot > 0.0 && half_ * std::fabs(cross) <= 0.5 * length;
}

void Pen::strokeOpen(const Polyline &line) {
  const std::vector<Point> &p = line.points;
  const std::size_t last = p.size() - 1;
  const Point startDirection = isSet(line.leaving[0]) ? line.leaving[0] : direction_[0];
  const Point endDirection =
      isSet(line.arriving[last]) ? line.arriving[last] : direction_[last - 1];
  const Point startNormal{-startDirection.y, startDirection.x};
  back_.clear();
  sink_.begin();
  sink_.add(p[0] + startNormal * half_);
  back_.push_back(p[0] - startNormal * half_);
  if (isSet(line.leaving[0]) && !tapers(startDirection, direction_[0], length_[0])) {
    turn(p[0], startDirection, direction_[0], 0.0, length_[0], false, false);
  }
  for (std::size_t i = 1; i < last; ++i) joinAt(line, i, false);
  if (isSet(line.arriving[last]) &&
      !tapers(endDirection, direction_[last - 1], length_[last - 1])) {
    turn(p[last], direction_[last - 1], endDirection, length_[last - 1], 0.0, false, false);
  }
  endCap(p[last], endDirection);
  for (auto it = back_.rbegin(); it != back_.rend(); ++it) sink_.add(*it);
  startCap(p[0], startDirection);
  sink_.end();
}

// Two contours: the normal's side forward, the other side backward. The
// closing point passes through its vertex on the inner side whatever the
// segment lengths: the shortcut of an inner join removes a piece covered
// twice, and going round a loop with nothing but shortcuts could remove one
// piece too many.
void Pen::strokeClosed(const Polyline &line) {
  back_.clear();
  sink_.begin();
  for (std::size_t i = 0; i < line.points.size(); ++i) joinAt(line, i, i == 0);
  sink_.end();
  sink_.begin();
  for (auto it = back_.rbegin(); it != back_.rend(); ++it) sink_.add(*it);
  sink_.end();
}

// From the segment before point i (cyclically) to segment i, through the
// directions in which curves arrive at and leave the point: a segment that
// cannot stand for its curve's direction is first turned round to it. Next
// to a curve's direction the inner side always passes through the vertex.
void Pen::joinAt(const Polyline &line, std::size_t i, bool forcePivot) {
  const std::size_t before = (i == 0 ? direction_.size() : i) - 1;
  const Point vertex = line.points[i];
  Point from = direction_[before];
  double fromLength = length_[before];
  const Point arriving = line.arriving[i];
  if (isSet(arriving)) {
    if (!tapers(arriving, from, fromLength)) {
      turn(vertex, from, arriving, fromLength, 0.0, false, forcePivot);
    }
    from = arriving;
    fromLength = 0.0;
  }
  const Point leaving = line.leaving[i];
  const bool leaves = isSet(leaving);
  const bool turnsAfter = leaves && !tapers(leaving, direction_[i], length_[i]);
  const Point to = leaves ? leaving : direction_[i];
  turn(vertex, from, to, fromLength, leaves ? 0.0 : length_[i], line.corner[i] != 0, forcePivot);
  if (turnsAfter) turn(vertex, leaving, direction_[i], 0.0, length_[i], false, forcePivot);
}

// Each side gets the points from the end of the incoming offset to the
// start of the outgoing one.
void Pen::turn(Point vertex, Point u1, Point u2, double length1, double length2, bool useStyle,
               bool forcePivot) {
  const Point n1{-u1.y, u1.x}, n2{-u2.y, u2.x};
  const double cross = u1.x * u2.y - u1.y * u2.x;
  const double dot = u1.x * u2.x + u1.y * u2.y;
  Side normalSide{1.0, nullptr};
  Side otherSide{-1.0, &back_};
  if (cross == 0.0 && dot > 0.0) {
    // Straight on: both offsets continue (the vertex would add nothing).
    sink_.add(vertex + n1 * half_);
    back_.push_back(vertex - n1 * half_);
    return;
  }
  // Turning towards the normal's side makes the other side the outer one; a
  // full reversal puts the outer side on the normal's side.
  const bool normalSideOuter = !(cross > 0.0);
  Side &outer = normalSideOuter ? normalSide : otherSide;
  Side &inner = normalSideOuter ? otherSide : normalSide;
  joinOuter(outer, vertex, n1, n2, dot, useStyle);
  joinInner(inner, vertex, n1, n2, dot, cross, std::min(length1, length2), forcePivot);
}

void Pen::put(Side &side, Point p) {
  if (side.kept) {
    side.kept->push_back(p);
  } else {
    sink_.add(p);
  }
}

void Pen::joinOuter(Side &side, Point vertex, Point n1, Point n2, double dot, bool useStyle) {
  const Point o1 = n1 * (half_ * side.sign);
  const Point o2 = n2 * (half_ * side.sign);
  // Where the two offset lines meet: vertex + (o1 + o2) / (1 + dot).
  const auto tip = [&] { return vertex + (o1 + o2) * (1.0 / (1.0 + dot)); };
  const Join kind = useStyle ? style_.join : Join::round;
  if (kind == Join::miter) {
    // The miter is 1 / cos(turn / 2) widths long; cos^2(turn / 2) = (1 + dot) / 2.
    const double limit = style_.miterLimit;
    if ((1.0 + dot) * limit * limit >= 2.0) {
      put(side, tip());
    } else {
      put(side, vertex + o1);
      put(side, vertex + o2);
    }
    return;
  }
  if (kind == Join::bevel) {
    put(side, vertex + o1);
    put(side, vertex + o2);
    return;
  }
  // Round: a turn so small that the miter tip stays within the tolerance of
  // the arc is drawn as that tip.
  const double halfTurnCosine = std::sqrt((1.0 + dot) * 0.5);
  if (halfTurnCosine > 0.0 && half_ * (1.0 / halfTurnCosine - 1.0) <= tolerance_) {
    put(side, tip());
    return;
  }
  const double cross = n1.x * n2.y - n1.y * n2.x;
  const double angle = std::atan2(std::fabs(cross), dot);
  put(side, vertex + o1);
  // The outer arc turns away from the normal's side on that side, towards it
  // on the other.
  arc(side, vertex, o1, -side.sign * angle);
  put(side, vertex + o2);
}

void Pen::joinInner(Side &side, Point vertex, Point n1, Point n2, double dot, double cross,
                    double shorter, bool forcePivot) {
  const Point o1 = n1 * (half_ * side.sign);
  const Point o2 = n2 * (half_ * side.sign);
  // When the turn is at most a right angle and both pieces are longer than
  // half_ * sin(turn), the region between the two inner offsets and the
  // vertex lies inside both pieces' rectangles: meeting at the offsets'
  // crossing only takes away a piece covered twice. Otherwise the contour
  // goes through the vertex.
  if (!forcePivot && dot >= 0.0 && half_ * std::fabs(cross) <= shorter) {
    put(side, vertex + (o1 + o2) * (1.0 / (1.0 + dot)));
    return;
  }
  put(side, vertex + o1);
  put(side, vertex);
  put(side, vertex + o2);
}

// The inner vertices of an arc round `centre` from centre + from, turning by
// `angle` (radians, signed); the end vertices are the caller's.
void Pen::arc(Side &side, Point centre, Point from, double angle) {
  const double count = std::ceil(std::fabs(angle) / step_);
  if (!(count >= 2.0)) return;
  if (count > static_cast<double>(zd::geom::kSegmentCap)) zd::geom::segmentLimitExceeded();
  const int steps = static_cast<int>(count);
  const double s = angle / steps;
  const double k = balancedRadius(steps, std::fabs(s));
  const double c = std::cos(s), sn = std::sin(s);
  Point v = from;
  for (int j = 1; j < steps; ++j) {
    v = {v.x * c - v.y * sn, v.x * sn + v.y * c};
    put(side, centre + v * k);
  }
}

// From the end of the normal's side round the end to the other side.
void Pen::endCap(Point end, Point direction) {
  const Point o = Point{-direction.y, direction.x} * half_;
  const Point ahead = direction * half_;
  Side forward{1.0, nullptr};
  switch (style_.cap) {
    case Cap::butt:
      sink_.add(end + o);
      sink_.add(end - o);
      break;
    case Cap::square:
      sink_.add(end + o + ahead);
      sink_.add(end - o + ahead);
      break;
    case Cap::round:
      sink_.add(end + o);
      arc(forward, end, o, -std::numbers::pi);
      sink_.add(end - o);
      break;
  }
}

// From the start of the other side round the start back to the normal's
// side (the contour closes on that side's first point).
void Pen::startCap(Point start, Point direction) {
  const Point o = Point{-direction.y, direction.x} * half_;
  const Point behind = direction * -half_;
  Side forward{1.0, nullptr};
  switch (style_.cap) {
    case Cap::butt: break;
    case Cap::square:
      sink_.add(start - o + behind);
      sink_.add(start + o + behind);
      break;
    case Cap::round: arc(forward, start, o * -1.0, -std::numbers::pi); break;
  }
}

void Pen::dot(Point p, Point direction) {
  if (style_.cap == Cap::butt) return;
  const Point o = Point{-direction.y, direction.x} * half_;
  sink_.begin();
  sink_.add(p + o);
  endCap(p, direction);
  sink_.add(p - o);
  startCap(p, direction);
  sink_.end();
}

}  // namespace zd::stroke::detail
