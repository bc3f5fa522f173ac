// Stroking: the outline of a path drawn with a pen of some width, as closed
// polygons whose non-zero fill is exactly the area the stroke paints.
//
// The path is flattened at the tolerance, split into dashes if a pattern is
// given, and every piece of pen (a rectangle per segment, a wedge per join, a
// cap per open end) is added with the same orientation. The pieces are not
// emitted one by one: each subpath or dash becomes one contour (two for a
// closed one) that runs along one side, round the end, and back along the
// other side; on the inner side of a turn the contour passes through the
// vertex itself, which makes the contour the exact sum of the pieces. So the
// winding number anywhere is the number of pieces covering that point, never
// zero inside the stroke: tight curves, loops and overlaps leave no holes.
//
// Geometry is computed in double precision and rounded once to float per
// output vertex, so the same inputs give the same bytes everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geom/geom.hpp"
#include "path/path.hpp"

namespace zd::stroke {

enum class Join : std::uint8_t { miter = 0, round = 1, bevel = 2 };
enum class Cap : std::uint8_t { butt = 0, round = 1, square = 2 };

// More dash entries than this are refused (the pattern is copied).
inline constexpr std::size_t kMaxDashes = 1048576;

struct Style {
  float width = 1.0f;  // >= 0; 0 paints nothing
  Join join = Join::miter;
  Cap cap = Cap::butt;
  float miterLimit = 4.0f;    // >= 1: longest miter, in widths
  std::vector<float> dashes;  // on, off, on, ...; empty (or all zero) is solid
  float dashOffset = 0.0f;
};

// Why a style cannot be used (a negative or non-finite width or dash, a
// miter limit below 1 or not finite, an unknown join or cap, too many
// dashes), or nullptr when it is fine.
const char *styleProblem(const Style &style);

// The outline: closed polygons, each a run of consecutive segments
// (contourEnds[k] is one past the last segment of contour k).
struct Outline {
  std::vector<zd::geom::Segment> segments;
  std::vector<std::size_t> contourEnds;
};

// Builds the outline of `path` stroked with `style`; curves and arcs are
// flattened at `tolerance` (positive, finite) and round joins and caps keep
// within it. `out` is cleared first and its storage reused. Raises zd::Error
// for a bad style, an outline beyond the segment cap (also a dash pattern
// with more dashes than the cap), or a vertex that is not finite.
void strokeOutline(const zd::path::Path &path, const Style &style, float tolerance, Outline &out);

// The outline as a path: per contour a move, lines and a close. Flattening
// this path gives exactly outline.segments.
zd::path::Path outlineToPath(const Outline &outline);

}  // namespace zd::stroke
