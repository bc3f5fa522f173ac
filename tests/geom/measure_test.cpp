// Bounds of segment lists and points on Bezier curves.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geom/geom.hpp"
#include "path_builder.hpp"

namespace zd::geom {
namespace {

TEST(ComputeBounds, EmptyListIsAllZero) {
  EXPECT_EQ(computeBounds(std::vector<Segment>{}), (Bounds{0, 0, 0, 0}));
}

TEST(ComputeBounds, CornerAndSizeNotTwoCorners) {
  EXPECT_EQ(computeBounds(std::vector<Segment>{{3, 4, 1, 7}}), (Bounds{1, 4, 2, 3}));
  // Negative coordinates, and extremes met at start and at end points.
  const std::vector<Segment> segments = {{-2, 5, 4, 5}, {4, 5, 4, -8}, {10, 1, -3, 2}};
  EXPECT_EQ(computeBounds(segments), (Bounds{-3, -8, 13, 13}));
}

TEST(ComputeBounds, EqualValuesKeepTheEarlierOne) {
  // -0.0 and +0.0 compare equal: the first one seen stays.
  EXPECT_TRUE(std::signbit(computeBounds(std::vector<Segment>{{-0.0f, 1, 0.0f, 2}}).minX));
  EXPECT_FALSE(std::signbit(computeBounds(std::vector<Segment>{{0.0f, 1, -0.0f, 2}}).minX));
}

TEST(CurvePoints, EndPointsAreExact) {
  const Vec2 p0{0.1f, 0.7f}, p1{3.3f, -2.9f}, p2{7.77f, 1.01f}, p3{-4.2f, 9.9f};
  EXPECT_EQ(quadPoint(p0, p1, p2, 0.0f), p0);
  EXPECT_EQ(quadPoint(p0, p1, p2, 1.0f), p2);
  EXPECT_EQ(cubicPoint(p0, p1, p2, p3, 0.0f), p0);
  EXPECT_EQ(cubicPoint(p0, p1, p2, p3, 1.0f), p3);
}

TEST(CurvePoints, Midpoints) {
  EXPECT_EQ(quadPoint({0, 0}, {50, 100}, {100, 0}, 0.5f), (Vec2{50, 50}));
  EXPECT_EQ(cubicPoint({0, 0}, {0, 10}, {10, 10}, {10, 0}, 0.5f), (Vec2{5, 7.5f}));
}

}  // namespace
}  // namespace zd::geom
