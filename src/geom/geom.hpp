// Flattening and geometry: paths to straight segments, arcs, bounds and
// single curve points.
//
// Every result here is reproducible to the bit: the arithmetic is 32-bit
// float except where a comment says 64-bit, and a fused multiply-add appears
// exactly where it is written as std::fmaf / std::fma (the build forbids the
// compiler from fusing on its own).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "path/path.hpp"

namespace zd::geom {

using zd::path::Vec2;

// One straight segment from (x0, y0) to (x1, y1); 16 bytes, no padding, so an
// array of them is the 4-floats-per-segment layout of the C interface.
struct Segment {
  float x0, y0, x1, y1;
  friend bool operator==(const Segment &, const Segment &) = default;
};
static_assert(sizeof(Segment) == 16);

// An axis-aligned box as a corner and a size (not two corners).
struct Bounds {
  float minX, minY, width, height;
  friend bool operator==(const Bounds &, const Bounds &) = default;
};

// At most this many segments come out of one flattening (2^20).
inline constexpr std::size_t kSegmentCap = 1048576;
// Subdivision depth at which a sub-curve is emitted without a flatness test;
// one curve therefore yields at most 2^18 segments.
inline constexpr int kMaxDepth = 18;
// Squared chord length below which a chord is too short to measure control
// points against (pi^2 * 1e-8 rounded to float).
inline constexpr float kDegenerateChord = std::bit_cast<float>(0x33D3F2B9u);

// The message of the one failure of flattening.
inline constexpr const char *kSegmentLimitMessage = "flatten: segment limit exceeded (1048576)";

// Appends one segment, refusing once kSegmentCap segments are held.
[[noreturn]] void segmentLimitExceeded();
inline void addSegment(std::vector<Segment> &segments, const Segment &segment) {
  if (segments.size() >= kSegmentCap) [[unlikely]]
    segmentLimitExceeded();
  segments.push_back(segment);
}

// Flattens `path` at `tolerance` (positive and finite; callers replace zero
// or below with 0.5). Throws zd::Error kSegmentLimitMessage.
std::vector<Segment> flatten(const zd::path::Path &path, float tolerance);

// The same, into caller storage: `out` is cleared first and its capacity is
// reused, so a caller flattening many paths allocates only when it grows.
// On failure `out` holds the segments made so far; callers discard them.
void flatten(const zd::path::Path &path, float tolerance, std::vector<Segment> &out);

// One subpath of a flattening: its segments [begin, end), the point it
// started from, and whether a close ended it.
struct FlatSubpath {
  std::size_t begin = 0, end = 0;
  Vec2 start;
  bool closed = false;
};

// One drawing command of a flattening: its first segment (a command that
// made none shares the index of the next one), and the curve's direction
// at its start and end (not unit vectors; (0, 0) for lines and closes,
// whose segment is its own direction, and for curves with no direction).
struct FlatCommand {
  std::size_t first = 0;
  Vec2 startTangent;
  Vec2 endTangent;
};

// A flattening that keeps the path's structure, for the stroker: every
// subpath that drew something (open ones with at least one segment, and
// every close that follows a move or a drawing command, even one with no
// segment such as "M 10 10 Z"), and every drawing command in order.
struct FlatLayout {
  std::vector<Segment> segments;
  std::vector<FlatSubpath> subpaths;
  std::vector<FlatCommand> commands;
};

// Flattens like flatten() (the same segments in the same order) and fills in
// the structure. Throws what flatten() throws.
void flatten(const zd::path::Path &path, float tolerance, FlatLayout &layout);

// Appends the segments of one cubic Bezier (end points p0, p3). Start with
// depth 0; 0 <= depth <= kMaxDepth.
void flattenCubic(std::vector<Segment> &segments, int depth, Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3,
                  float tolerance);

// Appends the segments of one quadratic Bezier (control point p1).
void flattenQuad(std::vector<Segment> &segments, int depth, Vec2 p0, Vec2 p1, Vec2 p2,
                 float tolerance);

// Appends the segments of one SVG elliptical arc from (x1, y1) to (x2, y2)
// with radii rx, ry and x-axis rotation phi (radians). The last vertex is
// the arc formula's own value, not (x2, y2). Fails, before appending any of
// the arc's segments, when its segment count is not finite or exceeds the
// room left under kSegmentCap.
void arcToSegments(std::vector<Segment> &segments, bool largeArc, bool sweep, float x1, float y1,
                   float x2, float y2, float rx, float ry, float phi, float tolerance);

// The directions in which the arc of arcToSegments leaves its start and
// reaches its end (not unit vectors). False, with nothing stored, when the
// arc draws nothing or a straight line (equal ends, a zero radius).
bool arcEndTangents(bool largeArc, bool sweep, float x1, float y1, float x2, float y2, float rx,
                    float ry, float phi, Vec2 &start, Vec2 &end);

// Signed angle in [-pi, pi] from u to v (negative when v lies clockwise of u
// in a y-up frame).
float angleBetween(float ux, float uy, float vx, float vy);

// Folds points into a box in order; strict comparisons keep the earlier of
// equal values. Used by computeBounds and by callers reading foreign arrays.
class BoundsBuilder {
 public:
  void add(const Segment &segment) {
    include(segment.x0, segment.y0);
    include(segment.x1, segment.y1);
  }
  Bounds result() const;

 private:
  void include(float x, float y);
  bool empty_ = true;
  float minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
};

// The box of all segment end points; all zero for no segments.
Bounds computeBounds(const Segment *segments, std::size_t count);
inline Bounds computeBounds(const std::vector<Segment> &segments) {
  return computeBounds(segments.data(), segments.size());
}

// Points on Bezier curves at parameter t (not clamped; no fused operations).
Vec2 quadPoint(Vec2 p0, Vec2 p1, Vec2 p2, float t);
Vec2 cubicPoint(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, float t);

}  // namespace zd::geom
