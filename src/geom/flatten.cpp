// Path flattening: the walk over the commands and the adaptive subdivision
// of quadratic and cubic Bezier curves.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>

#include "common/errors.hpp"
#include "geom/geom.hpp"

namespace zd::geom {

using zd::path::Path;
using zd::path::PathCommand;

void segmentLimitExceeded() { throw zd::Error(kSegmentLimitMessage); }

namespace {

inline Vec2 sub(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 mid(Vec2 a, Vec2 b) { return {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f}; }
// The reflection of `control` through `q`, as (q + q) - control.
inline Vec2 reflect(Vec2 q, Vec2 control) {
  return {(q.x + q.x) - control.x, (q.y + q.y) - control.y};
}

// |a|^2 with one rounding for the outer sum.
inline float squaredLength(Vec2 a) { return std::fmaf(a.y, a.y, a.x * a.x); }
// The chord's squared length, D.x^2 + D.y^2.
inline float squaredChord(Vec2 d) { return std::fmaf(d.x, d.x, d.y * d.y); }
// a.y*D.x - a.x*D.y: twice the signed area of the triangle (p0, control, p3),
// so |cross| / |D| is the control point's distance from the chord's line.
inline float cross(Vec2 a, Vec2 d) { return std::fmaf(a.y, d.x, -(a.x * d.y)); }

void checkDepth(int depth) {
  if (depth < 0 || depth > kMaxDepth) {
    throw zd::Defect("flatten: subdivision depth " + std::to_string(depth) + " out of range");
  }
}

// Both control points of a cubic lie within the tolerance of its chord line,
// or, for a chord too short to measure against, within the tolerance of p0.
bool cubicIsFlat(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, float tolerance, float toleranceSquared) {
  const Vec2 d = sub(p3, p0);
  const float chord = squaredChord(d);
  const Vec2 a1 = sub(p1, p0);
  const Vec2 a2 = sub(p2, p0);
  if (chord <= kDegenerateChord && squaredLength(a1) <= toleranceSquared &&
      squaredLength(a2) <= toleranceSquared) {
    return true;
  }
  if (!(chord > 0.0f)) return false;
  const float inverseLength = 1.0f / std::sqrt(chord);
  return std::fabs(cross(a1, d)) * inverseLength <= tolerance &&
         std::fabs(cross(a2, d)) * inverseLength <= tolerance;
}

// The quadratic's test divides by the chord length instead; a zero chord
// gives no distance and is not flat (unless the short-chord test holds).
bool quadIsFlat(Vec2 p0, Vec2 p1, Vec2 p2, float tolerance, float toleranceSquared) {
  const Vec2 d = sub(p2, p0);
  const float chord = squaredChord(d);
  const Vec2 a = sub(p1, p0);
  if (chord <= kDegenerateChord && squaredLength(a) <= toleranceSquared) return true;
  if (!(chord > 0.0f)) return false;
  return std::fabs(cross(a, d)) / std::sqrt(chord) <= tolerance;
}

// The direction from `from` to the first of `towards` that differs from
// it, or (0, 0); reversed (pointing at `from`) when `arriving` is set.
Vec2 firstDirection(Vec2 from, std::initializer_list<Vec2> towards, bool arriving = false) {
  for (const Vec2 p : towards) {
    if (p.x != from.x || p.y != from.y) {
      return arriving ? Vec2{from.x - p.x, from.y - p.y} : Vec2{p.x - from.x, p.y - from.y};
    }
  }
  return {};
}

// The walk's memory between commands: where the pen is, where the subpath
// began, and the last control point of each curve family for smooth curves.
// With `layout` set it also notes where subpaths and commands begin.
struct Walk {
  std::vector<Segment> &out;
  float tolerance;
  FlatLayout *layout = nullptr;
  std::size_t subpathBegin = 0;
  bool moved = false;                 // a move since the last close
  Vec2 startTangent{}, endTangent{};  // of the command being walked
  Vec2 current{};
  Vec2 start{};
  Vec2 cubicControl{};
  Vec2 quadControl{};
  bool hasCubicControl = false;
  bool hasQuadControl = false;

  void clearControls() { hasCubicControl = hasQuadControl = false; }

  void lineTo(Vec2 p) {
    addSegment(out, {current.x, current.y, p.x, p.y});
    current = p;
    clearControls();
  }
  void moveTo(Vec2 p) {
    if (layout != nullptr) {
      endOpenSubpath();
      moved = true;
    }
    start = current = p;
    clearControls();
  }
  void close() {
    if (current.x != start.x || current.y != start.y) {
      addSegment(out, {current.x, current.y, start.x, start.y});
    }
    current = start;
    clearControls();
    if (layout != nullptr) {
      // A close right after another close draws nothing and starts nothing.
      if (out.size() > subpathBegin || moved) {
        layout->subpaths.push_back({subpathBegin, out.size(), start, true});
      }
      subpathBegin = out.size();
      moved = false;
    }
  }
  // An open subpath ends at a move or at the end of the path; one that made
  // no segment (a lone move) is not kept.
  void endOpenSubpath() {
    if (out.size() > subpathBegin) {
      layout->subpaths.push_back({subpathBegin, out.size(), start, false});
    }
    subpathBegin = out.size();
  }
  // `c2` is the control point that a following smooth cubic reflects.
  void cubicTo(Vec2 c1, Vec2 c2, Vec2 end) {
    if (layout != nullptr) {
      startTangent = firstDirection(current, {c1, c2, end});
      endTangent = firstDirection(end, {c2, c1, current}, true);
    }
    flattenCubic(out, 0, current, c1, c2, end, tolerance);
    current = end;
    cubicControl = c2;
    hasCubicControl = true;
    hasQuadControl = false;
  }
  void smoothCubicTo(Vec2 c2, Vec2 end) {
    cubicTo(hasCubicControl ? reflect(current, cubicControl) : current, c2, end);
  }
  void quadTo(Vec2 c, Vec2 end) {
    if (layout != nullptr) {
      startTangent = firstDirection(current, {c, end, end});
      endTangent = firstDirection(end, {c, current, current}, true);
    }
    flattenQuad(out, 0, current, c, end, tolerance);
    current = end;
    quadControl = c;
    hasQuadControl = true;
    hasCubicControl = false;
  }
  void smoothQuadTo(Vec2 end) {
    quadTo(hasQuadControl ? reflect(current, quadControl) : current, end);
  }
  void arcTo(const PathCommand &command, Vec2 end) {
    const Vec2 radii = command.r();
    if (layout != nullptr) {
      arcEndTangents(command.largeArc(), command.sweep(), current.x, current.y, end.x, end.y,
                     radii.x, radii.y, command.rot(), startTangent, endTangent);
    }
    arcToSegments(out, command.largeArc(), command.sweep(), current.x, current.y, end.x, end.y,
                  radii.x, radii.y, command.rot(), tolerance);
    current = end;
    clearControls();
  }

  void step(const PathCommand &command) {
    if (layout != nullptr) return stepMarked(command);
    stepPlain(command);
  }

  // The step, noting the command's first segment and end directions.
  void stepMarked(const PathCommand &command) {
    const std::size_t first = out.size();
    startTangent = endTangent = Vec2{};
    stepPlain(command);
    if (zd::path::absoluteKind(command.kind()) != zd::path::pMove) {
      layout->commands.push_back({first, startTangent, endTangent});
    }
  }

  void stepPlain(const PathCommand &command) {
    const Vec2 q = current;
    switch (command.kind()) {
      case zd::path::pClose: close(); break;
      case zd::path::pMove: moveTo(command.p()); break;
      case zd::path::pRMove: moveTo(q + command.p()); break;
      case zd::path::pLine: lineTo(command.p()); break;
      case zd::path::pRLine: lineTo(q + command.p()); break;
      case zd::path::pHLine: lineTo({command.v(), q.y}); break;
      case zd::path::pRHLine: lineTo({q.x + command.v(), q.y}); break;
      case zd::path::pVLine: lineTo({q.x, command.v()}); break;
      case zd::path::pRVLine: lineTo({q.x, q.y + command.v()}); break;
      case zd::path::pCubic: cubicTo(command.c1(), command.c2(), command.c3()); break;
      case zd::path::pRCubic: cubicTo(q + command.c1(), q + command.c2(), q + command.c3()); break;
      case zd::path::pSCubic: smoothCubicTo(command.c(), command.e()); break;
      case zd::path::pRSCubic: smoothCubicTo(q + command.c(), q + command.e()); break;
      case zd::path::pQuad: quadTo(command.c(), command.e()); break;
      case zd::path::pRQuad: quadTo(q + command.c(), q + command.e()); break;
      case zd::path::pTQuad: smoothQuadTo(command.p()); break;
      case zd::path::pRTQuad: smoothQuadTo(q + command.p()); break;
      case zd::path::pArc: arcTo(command, command.a()); break;
      case zd::path::pRArc: arcTo(command, q + command.a()); break;
      default: throw zd::Defect("flatten: unknown command kind");
    }
  }
};

// A first guess at the output size, so that most paths fill their array
// without regrowing: one segment per line, a few per curve or arc.
std::size_t expectedSegments(const Path &path) {
  constexpr std::size_t kPerCurve = 8;
  std::size_t estimate = 0;
  for (const PathCommand &command : path.commands) {
    const auto kind = zd::path::absoluteKind(command.kind());
    if (kind == zd::path::pMove) continue;
    estimate += kind >= zd::path::pCubic ? kPerCurve : 1;
  }
  return std::min(estimate, kSegmentCap);
}

}  // namespace

void flattenCubic(std::vector<Segment> &segments, int depth, Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3,
                  float tolerance) {
  checkDepth(depth);
  const float toleranceSquared = tolerance * tolerance;
  // The first half of each cut recurses; the second half continues here, so
  // the recursion is at most kMaxDepth calls deep and segments come out in
  // curve order.
  for (; depth < kMaxDepth; ++depth) {
    if (cubicIsFlat(p0, p1, p2, p3, tolerance, toleranceSquared)) break;
    const Vec2 a01 = mid(p0, p1);
    const Vec2 a12 = mid(p1, p2);
    const Vec2 a23 = mid(p2, p3);
    const Vec2 b012 = mid(a01, a12);
    const Vec2 b123 = mid(a12, a23);
    const Vec2 m = mid(b012, b123);
    flattenCubic(segments, depth + 1, p0, a01, b012, m, tolerance);
    p0 = m;
    p1 = b123;
    p2 = a23;
  }
  addSegment(segments, {p0.x, p0.y, p3.x, p3.y});
}

void flattenQuad(std::vector<Segment> &segments, int depth, Vec2 p0, Vec2 p1, Vec2 p2,
                 float tolerance) {
  checkDepth(depth);
  const float toleranceSquared = tolerance * tolerance;
  for (; depth < kMaxDepth; ++depth) {
    if (quadIsFlat(p0, p1, p2, tolerance, toleranceSquared)) break;
    const Vec2 m = {p2.x * 0.25f + (p0.x * 0.25f + p1.x * 0.5f),
                    p2.y * 0.25f + (p0.y * 0.25f + p1.y * 0.5f)};
    flattenQuad(segments, depth + 1, p0, mid(p0, p1), m, tolerance);
    p1 = mid(p1, p2);
    p0 = m;
  }
  addSegment(segments, {p0.x, p0.y, p2.x, p2.y});
}

void flatten(const Path &path, float tolerance, std::vector<Segment> &out) {
  out.clear();
  out.reserve(expectedSegments(path));
  Walk walk{out, tolerance};
  for (const PathCommand &command : path.commands) walk.step(command);
}

void flatten(const Path &path, float tolerance, FlatLayout &layout) {
  layout.segments.clear();
  layout.subpaths.clear();
  layout.commands.clear();
  layout.segments.reserve(expectedSegments(path));
  Walk walk{layout.segments, tolerance, &layout};
  for (const PathCommand &command : path.commands) walk.step(command);
  walk.endOpenSubpath();
}

std::vector<Segment> flatten(const Path &path, float tolerance) {
  std::vector<Segment> out;
  flatten(path, tolerance, out);
  return out;
}

}  // namespace zd::geom
