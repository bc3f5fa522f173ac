// Builds test paths from command records, the way a parser would: commands
// appended with add, then the state refreshed over them.
#pragma once

#include <initializer_list>
#include <ostream>

#include "geom/geom.hpp"
#include "path/path.hpp"

namespace zd::geom {
// Readable failure messages for the geometry records.
inline void PrintTo(const Segment &s, std::ostream *os) {
  *os << "(" << s.x0 << ", " << s.y0 << ")-(" << s.x1 << ", " << s.y1 << ")";
}
inline void PrintTo(const Bounds &b, std::ostream *os) {
  *os << "{" << b.minX << ", " << b.minY << ", " << b.width << ", " << b.height << "}";
}
}  // namespace zd::geom

namespace zd::geom::testing {

using zd::path::PathCommand;
using zd::path::Vec2;

inline zd::path::Path makePath(std::initializer_list<PathCommand> commands) {
  zd::path::Path path;
  for (const PathCommand &command : commands) zd::path::add(path, command);
  zd::path::refreshState(path);
  return path;
}

inline PathCommand M(float x, float y) { return PathCommand::point(zd::path::pMove, {x, y}); }
inline PathCommand m(float x, float y) { return PathCommand::point(zd::path::pRMove, {x, y}); }
inline PathCommand L(float x, float y) { return PathCommand::point(zd::path::pLine, {x, y}); }
inline PathCommand l(float x, float y) { return PathCommand::point(zd::path::pRLine, {x, y}); }
inline PathCommand H(float v) { return PathCommand::value(zd::path::pHLine, v); }
inline PathCommand h(float v) { return PathCommand::value(zd::path::pRHLine, v); }
inline PathCommand V(float v) { return PathCommand::value(zd::path::pVLine, v); }
inline PathCommand v(float v) { return PathCommand::value(zd::path::pRVLine, v); }
inline PathCommand C(float x1, float y1, float x2, float y2, float x, float y) {
  return PathCommand::cubic(zd::path::pCubic, {x1, y1}, {x2, y2}, {x, y});
}
inline PathCommand c(float x1, float y1, float x2, float y2, float x, float y) {
  return PathCommand::cubic(zd::path::pRCubic, {x1, y1}, {x2, y2}, {x, y});
}
inline PathCommand S(float x2, float y2, float x, float y) {
  return PathCommand::controlEnd(zd::path::pSCubic, {x2, y2}, {x, y});
}
inline PathCommand s(float x2, float y2, float x, float y) {
  return PathCommand::controlEnd(zd::path::pRSCubic, {x2, y2}, {x, y});
}
inline PathCommand Q(float x1, float y1, float x, float y) {
  return PathCommand::controlEnd(zd::path::pQuad, {x1, y1}, {x, y});
}
inline PathCommand q(float x1, float y1, float x, float y) {
  return PathCommand::controlEnd(zd::path::pRQuad, {x1, y1}, {x, y});
}
inline PathCommand T(float x, float y) { return PathCommand::point(zd::path::pTQuad, {x, y}); }
inline PathCommand t(float x, float y) { return PathCommand::point(zd::path::pRTQuad, {x, y}); }
inline PathCommand A(float rx, float ry, float rot, bool large, bool sweep, float x, float y) {
  return PathCommand::arc(zd::path::pArc, {rx, ry}, rot, large, sweep, {x, y});
}
inline PathCommand a(float rx, float ry, float rot, bool large, bool sweep, float x, float y) {
  return PathCommand::arc(zd::path::pRArc, {rx, ry}, rot, large, sweep, {x, y});
}
inline PathCommand Z() { return PathCommand::close(); }

}  // namespace zd::geom::testing
