// Bounds of segment lists and single points on Bezier curves.
#include "geom/geom.hpp"

namespace zd::geom {

void BoundsBuilder::include(float x, float y) {
  if (empty_) {
    minX_ = maxX_ = x;
    minY_ = maxY_ = y;
    empty_ = false;
    return;
  }
  if (minX_ > x) minX_ = x;
  if (minY_ > y) minY_ = y;
  if (maxX_ < x) maxX_ = x;
  if (maxY_ < y) maxY_ = y;
}

Bounds BoundsBuilder::result() const {
  if (empty_) return {0.0f, 0.0f, 0.0f, 0.0f};
  return {minX_, minY_, maxX_ - minX_, maxY_ - minY_};
}

Bounds computeBounds(const Segment *segments, std::size_t count) {
  BoundsBuilder builder;
  for (std::size_t i = 0; i < count; ++i) builder.add(segments[i]);
  return builder.result();
}

// Bernstein form, every product and sum rounded on its own.
Vec2 quadPoint(Vec2 p0, Vec2 p1, Vec2 p2, float t) {
  const float u = 1.0f - t;
  const float u2 = u * u;
  const float m = t * (u + u);
  const float t2 = t * t;
  return {(p0.x * u2 + p1.x * m) + p2.x * t2, (p0.y * u2 + p1.y * m) + p2.y * t2};
}

Vec2 cubicPoint(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, float t) {
  const float u = 1.0f - t;
  const float a = u * (u * u);
  const float b = t * ((u * 3.0f) * u);
  const float d = t * (t * (u * 3.0f));
  const float e = t * (t * t);
  return {((p0.x * a + p1.x * b) + p2.x * d) + p3.x * e,
          ((p0.y * a + p1.y * b) + p2.y * d) + p3.y * e};
}

}  // namespace zd::geom
