// The stroker's entry: flatten with the path's structure, turn each subpath
// into a polyline, and hand it to the pen (through the dasher when the style
// has a pattern).
#include "stroke/stroke.hpp"

#include <cmath>

#include "common/errors.hpp"
#include "stroke/dash.hpp"
#include "stroke/pen.hpp"

namespace zd::stroke {

using detail::Point;
using detail::Polyline;

namespace {

Point toPoint(float x, float y) { return {x, y}; }

// A curve's direction as a unit vector; (0, 0) stays (0, 0).
Point unit(zd::path::Vec2 v) {
  const double x = v.x, y = v.y;
  const double length = std::sqrt(x * x + y * y);
  if (!(length > 0.0) || !std::isfinite(length)) return {};
  return {x / length, y / length};
}

// Walks the commands of a flattening alongside its segments: at each
// boundary between segments, which command the segment before it belongs to
// and which command starts there (if any).
class CommandCursor {
 public:
  explicit CommandCursor(const std::vector<zd::geom::FlatCommand> &commands)
      : commands_(commands) {}

  struct At {
    const zd::geom::FlatCommand *before = nullptr;    // holds the segment before
    const zd::geom::FlatCommand *starting = nullptr;  // has its first segment here
  };

  // Boundaries must come in ascending order.
  At at(std::size_t boundary) {
    while (next_ < commands_.size() && commands_[next_].first < boundary) {
      before_ = &commands_[next_];
      ++next_;
    }
    At result{before_, nullptr};
    // Commands that made no segment share the index of the one that did.
    for (std::size_t k = next_; k < commands_.size() && commands_[k].first == boundary; ++k) {
      result.starting = &commands_[k];
    }
    return result;
  }

 private:
  const std::vector<zd::geom::FlatCommand> &commands_;
  std::size_t next_ = 0;
  const zd::geom::FlatCommand *before_ = nullptr;
};

// The polyline of one subpath: the first segment's start, then every
// segment's end. A point where a drawing command begins is a corner; the
// others lie inside a curve. A closed subpath ends exactly at its start (an
// arc's last vertex may stray from it by a rounding error) and its closing
// point is a corner.
void buildPolyline(const zd::geom::FlatLayout &layout, const zd::geom::FlatSubpath &subpath,
                   CommandCursor &cursor, Polyline &line) {
  line.clear();
  line.closed = subpath.closed;
  const std::vector<zd::geom::Segment> &segments = layout.segments;
  if (subpath.begin == subpath.end) {
    line.add(toPoint(subpath.start.x, subpath.start.y), true);
    return;
  }
  const CommandCursor::At first = cursor.at(subpath.begin);
  line.add(toPoint(segments[subpath.begin].x0, segments[subpath.begin].y0), true, {},
           first.starting ? unit(first.starting->startTangent) : Point{});
  for (std::size_t j = subpath.begin; j < subpath.end; ++j) {
    const std::size_t boundary = j + 1;
    const bool last = boundary == subpath.end;
    const CommandCursor::At at = cursor.at(boundary);
    // Inside a curve no command ends or starts.
    const bool ends = last || at.starting != nullptr;
    const Point arriving = ends && at.before ? unit(at.before->endTangent) : Point{};
    const Point leaving = !last && at.starting ? unit(at.starting->startTangent) : Point{};
    const Point p = last && subpath.closed ? toPoint(subpath.start.x, subpath.start.y)
                                           : toPoint(segments[j].x1, segments[j].y1);
    line.add(p, at.starting != nullptr, arriving, leaving);
  }
  if (subpath.closed && line.points.size() > 1 && line.points.back() == line.points.front()) {
    line.corner.front() = 1;
    line.arriving.front() = line.arriving.back();
    line.points.pop_back();
    line.corner.pop_back();
    line.arriving.pop_back();
    line.leaving.pop_back();
  }
}

// The flattening and the polyline, kept per thread between strokes; large
// ones are let go when the stroke ends, normally or not.
struct StrokeScratch {
  zd::geom::FlatLayout layout;
  Polyline line;

  void releaseLarge() {
    constexpr std::size_t kKeptBytes = 256 * 1024;
    if (layout.segments.capacity() * sizeof(zd::geom::Segment) > kKeptBytes) layout = {};
    if (line.points.capacity() * sizeof(Point) > kKeptBytes) line = {};
  }
};

// Out of line: inlined, the compiler may look the thread's buffers up again
// (a call into the dynamic linker) at every use in the stroke.
[[gnu::noinline]] StrokeScratch &strokeScratch() {
  thread_local StrokeScratch scratch;
  return scratch;
}

}  // namespace

const char *styleProblem(const Style &style) {
  if (!std::isfinite(style.width) || style.width < 0.0f) return "stroke: bad width";
  if (style.join != Join::miter && style.join != Join::round && style.join != Join::bevel) {
    return "stroke: unknown join";
  }
  if (style.cap != Cap::butt && style.cap != Cap::round && style.cap != Cap::square) {
    return "stroke: unknown cap";
  }
  if (!std::isfinite(style.miterLimit) || style.miterLimit < 1.0f) {
    return "stroke: bad miter limit";
  }
  if (style.dashes.size() > kMaxDashes) return "stroke: too many dashes";
  for (const float length : style.dashes) {
    if (!std::isfinite(length) || length < 0.0f) return "stroke: bad dash length";
  }
  if (!std::isfinite(style.dashOffset)) return "stroke: bad dash offset";
  return nullptr;
}

void strokeOutline(const zd::path::Path &path, const Style &style, float tolerance, Outline &out) {
  if (const char *problem = styleProblem(style)) throw Error(problem);
  if (!(tolerance > 0.0f) || !std::isfinite(tolerance)) throw Error("stroke: bad tolerance");
  out.segments.clear();
  out.contourEnds.clear();
  if (style.width == 0.0f) return;

  StrokeScratch &scratch = strokeScratch();
  zd::geom::FlatLayout &layout = scratch.layout;
  Polyline &line = scratch.line;
  struct ReleaseLarge {
    StrokeScratch &scratch;
    ~ReleaseLarge() { scratch.releaseLarge(); }
  } release{scratch};
  zd::geom::flatten(path, tolerance, layout);
  detail::ContourSink sink(out);
  detail::Pen pen(style, tolerance, sink);
  detail::Dasher dasher(style, pen);
  CommandCursor cursor(layout.commands);
  for (const zd::geom::FlatSubpath &subpath : layout.subpaths) {
    buildPolyline(layout, subpath, cursor, line);
    if (!dasher.solid()) {
      dasher.run(line);
    } else if (line.points.size() == 1) {
      // A zero-length subpath: its caps face along the x axis.
      pen.dot(line.points[0], {1.0, 0.0});
    } else {
      pen.stroke(line);
    }
  }
}

zd::path::Path outlineToPath(const Outline &outline) {
  zd::path::Path path;
  path.commands.reserve(outline.segments.size() + 2 * outline.contourEnds.size());
  std::size_t begin = 0;
  for (const std::size_t end : outline.contourEnds) {
    // The contour's last segment closes it: the close draws it.
    const zd::geom::Segment &first = outline.segments[begin];
    zd::path::add(path, zd::path::PathCommand::point(zd::path::pMove, {first.x0, first.y0}));
    for (std::size_t j = begin; j + 1 < end; ++j) {
      const zd::geom::Segment &s = outline.segments[j];
      zd::path::add(path, zd::path::PathCommand::point(zd::path::pLine, {s.x1, s.y1}));
    }
    zd::path::add(path, zd::path::PathCommand::close());
    begin = end;
  }
  zd::path::refreshState(path);
  return path;
}

}  // namespace zd::stroke
