// Inside the stroker: polylines in double precision, the contour sink, and
// the pen that turns one polyline into contours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "stroke/stroke.hpp"

namespace zd::stroke::detail {

struct Point {
  double x = 0.0, y = 0.0;
  friend bool operator==(const Point &, const Point &) = default;
};

inline Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
inline Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
inline Point operator*(Point a, double k) { return {a.x * k, a.y * k}; }

// A polyline with no two consecutive points equal. corner[i] says whether
// the join at point i takes the style's join (a vertex between two commands,
// or a closing point); vertices inside one curve are joined round, as the
// offset of a smooth curve is. Where a curve begins or ends at a point, its
// true direction there (a unit vector, or (0, 0) when the segment's own
// direction serves) is kept: joins and caps use it, and the small turn from
// it to the first or last segment of the flattened curve is joined round. A
// closed polyline does not repeat its first point at the end.
struct Polyline {
  std::vector<Point> points;
  std::vector<std::uint8_t> corner;
  std::vector<Point> arriving, leaving;  // directions into and out of each point
  bool closed = false;

  void clear() {
    points.clear();
    corner.clear();
    arriving.clear();
    leaving.clear();
    closed = false;
  }
  // Appends a point; one equal to the last point is merged into it (the
  // direction into it stays, the one out of it is the new point's).
  void add(Point p, bool isCorner, Point in = {}, Point out = {}) {
    if (!points.empty() && points.back() == p) {
      corner.back() = static_cast<std::uint8_t>(corner.back() | isCorner);
      if (arriving.back() == Point{}) arriving.back() = in;
      leaving.back() = out;
      return;
    }
    points.push_back(p);
    corner.push_back(isCorner);
    arriving.push_back(in);
    leaving.push_back(out);
  }
};

// Collects contours as segments: each vertex is rounded to float, a vertex
// equal to the one before is dropped, and the end closes back to the first.
class ContourSink {
 public:
  explicit ContourSink(Outline &out) : out_(out) {}
  void begin() { count_ = 0; }
  void add(Point p);
  void end();

 private:
  Outline &out_;
  float firstX_ = 0, firstY_ = 0, lastX_ = 0, lastY_ = 0;
  std::size_t count_ = 0;
};

// Draws polylines with one style into a sink.
class Pen {
 public:
  Pen(const Style &style, double tolerance, ContourSink &sink);

  // Strokes a polyline of two or more points.
  void stroke(const Polyline &line);
  // A zero-length piece at p: a disc for round caps, a square turned along
  // `direction` (a unit vector) for square caps, nothing for butt caps.
  void dot(Point p, Point direction);

 private:
  struct Side;
  void strokeOpen(const Polyline &line);
  void strokeClosed(const Polyline &line);
  // All turns at point i of the line, from the segment before it to the one
  // after it (either may be missing at the ends of an open line).
  void joinAt(const Polyline &line, std::size_t i, bool forcePivot);
  // One turn at `vertex` from direction u1 to u2; length1 and length2 are
  // those of the pieces on either side (0 for a curve's own direction).
  void turn(Point vertex, Point u1, Point u2, double length1, double length2, bool useStyle,
            bool forcePivot);
  void joinOuter(Side &side, Point vertex, Point n1, Point n2, double dot, bool useStyle);
  void joinInner(Side &side, Point vertex, Point n1, Point n2, double dot, double cross,
                 double shorter, bool forcePivot);
  void put(Side &side, Point p);
  void arc(Side &side, Point centre, Point from, double angle);
  void endCap(Point end, Point direction);
  void startCap(Point start, Point direction);
  void directions(const Polyline &line);
  bool tapers(Point t, Point u, double length) const;

  const Style &style_;
  const double half_;
  const double tolerance_;
  const double step_;  // the largest angle of one chord of a round piece
  ContourSink &sink_;
  // Per segment: unit direction, unit normal (direction turned +90 degrees),
  // length.
  std::vector<Point> direction_, normal_;
  std::vector<double> length_;
  std::vector<Point> back_;  // the second side, in forward order
};

}  // namespace zd::stroke::detail
