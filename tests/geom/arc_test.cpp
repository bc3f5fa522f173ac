// Elliptical arcs to segments, and the signed angle between two vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/errors.hpp"
#include "geom/geom.hpp"
#include "path_builder.hpp"

namespace zd::geom {
namespace {

using Segments = std::vector<Segment>;

Segments arc(float rx, float ry, bool large, bool sweep, float tolerance = 0.5f, float x2 = 10.0f,
             float y2 = 0.0f, float phi = 0.0f) {
  Segments out;
  arcToSegments(out, large, sweep, 0.0f, 0.0f, x2, y2, rx, ry, phi, tolerance);
  return out;
}

// Checks the vertices (segment end points) to five decimals, and that the
// segments chain from the start point (0, 0).
void expectVertices(const Segments &got, const std::vector<Vec2> &want) {
  ASSERT_EQ(got.size(), want.size());
  float x = 0.0f;
  float y = 0.0f;
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].x0, x) << "segment " << i;
    EXPECT_EQ(got[i].y0, y) << "segment " << i;
    EXPECT_NEAR(got[i].x1, want[i].x, 1e-5f) << "vertex " << i;
    EXPECT_NEAR(got[i].y1, want[i].y, 1e-5f) << "vertex " << i;
    x = got[i].x1;
    y = got[i].y1;
  }
}

TEST(ArcToSegments, HalfCircleBothSweeps) {
  expectVertices(arc(5, 5, false, true),
                 {{1.46447f, -3.53553f}, {5, -5}, {8.53553f, -3.53553f}, {10, 0}});
  expectVertices(arc(5, 5, false, false),
                 {{1.46447f, 3.53553f}, {5, 5}, {8.53553f, 3.53553f}, {10, 0}});
}

TEST(ArcToSegments, SmallRadiiAreScaledToSpanTheChord) {
  // Radii 1 need a factor 5 to reach from (0, 0) to (10, 0): the result is
  // bit for bit the radius-5 arc.
  EXPECT_EQ(arc(1, 1, false, true), arc(5, 5, false, true));
  EXPECT_EQ(arc(1, 1, true, false), arc(5, 5, false, false));
  // Unequal radii scale together: 2 x 1 rotated keeps its proportions.
  const Segments scaled = arc(2, 1, false, true, 0.1f);
  ASSERT_FALSE(scaled.empty());
  EXPECT_NEAR(scaled.back().x1, 10.0f, 1e-4f);
  EXPECT_NEAR(scaled.back().y1, 0.0f, 1e-4f);
}

TEST(ArcToSegments, CoarseToleranceUsesQuarterTurnSteps) {
  // The 32-bit pi lies above the 64-bit one, so a quarter-turn step needs 3.
  expectVertices(arc(5, 5, false, true, 10.0f), {{2.5f, -4.33013f}, {7.5f, -4.33013f}, {10, 0}});
}

TEST(ArcToSegments, DegenerateArcs) {
  EXPECT_TRUE(arc(5, 5, false, true, 0.5f, 0.0f, 0.0f).empty());
  EXPECT_TRUE(arc(0, 0, true, true, 0.5f, 0.0f, 0.0f).empty());
  EXPECT_EQ(arc(0, 5, false, true), (Segments{{0, 0, 10, 0}}));
  EXPECT_EQ(arc(5, 0, true, false), (Segments{{0, 0, 10, 0}}));
  EXPECT_EQ(arc(-0.0f, 5, true, false), (Segments{{0, 0, 10, 0}}));
}

TEST(ArcToSegments, NegativeRadiiActAsTheirMagnitude) {
  EXPECT_EQ(arc(-5, -5, false, true), arc(5, 5, false, true));
  EXPECT_EQ(arc(-7, 3, true, false, 0.2f, 4, 6, 0.3f), arc(7, 3, true, false, 0.2f, 4, 6, 0.3f));
}

TEST(ArcToSegments, LargeArcFlagPicksTheOtherCentre) {
  // Radius 10 over a chord of 10: the small arc spans 60 degrees around the
  // centre (5, 8.66), the large one 300 degrees around (5, -8.66). With sweep
  // set (clockwise with y down) both pass above the chord.
  const Segments small = arc(10, 10, false, true, 0.01f);
  const Segments large = arc(10, 10, true, true, 0.01f);
  ASSERT_FALSE(small.empty());
  EXPECT_GT(large.size(), 4 * small.size());
  // The highest vertex lies within the tolerance of the circle's top.
  const auto top = [](const Segments &segments) {
    float y = 0.0f;
    for (const Segment &s : segments) y = std::min(y, s.y1);
    return y;
  };
  EXPECT_NEAR(top(small), 8.660254f - 10.0f, 0.011f);
  EXPECT_NEAR(top(large), -8.660254f - 10.0f, 0.011f);
}

TEST(ArcToSegments, RotatedEllipseMeetsItsEndPoint) {
  const Segments got = arc(8, 3, true, true, 0.05f, 6, 4, 0.7f);
  ASSERT_GT(got.size(), 10u);
  EXPECT_NEAR(got.back().x1, 6.0f, 1e-4f);
  EXPECT_NEAR(got.back().y1, 4.0f, 1e-4f);
}

TEST(ArcToSegments, HalfCircleOfRadius50) {
  Segments out;
  arcToSegments(out, false, true, 0, 0, 100, 0, 50, 50, 0, 0.5f);
  ASSERT_EQ(out.size(), 12u);
  // The last vertex is the formula's own value, not the end point.
  EXPECT_EQ(out.back().x1, 100.0f);
  EXPECT_NEAR(out.back().y1, 0.0000087f, 5e-8f);
  EXPECT_NE(out.back().y1, 0.0f);
}

TEST(ArcToSegments, NeverFewerThanOneSegment) {
  // A radius of 1e4 over a chord of 0.01: the vectors to the two end points
  // are parallel in float, the sweep comes out as 0, and the count as 0;
  // still one segment is made, ending at the formula's point for angle 0.
  Segments out;
  arcToSegments(out, false, true, 0, 0, 0.01f, 0, 1e4f, 1e4f, 0, 0.5f);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].x0, 0.0f);
  EXPECT_EQ(out[0].y0, 0.0f);
  EXPECT_NEAR(out[0].x1, 0.0f, 1e-3f);
  EXPECT_NEAR(out[0].y1, 0.0f, 1e-3f);
}

TEST(ArcToSegments, CountIsCheckedBeforeAnythingIsAppended) {
  // 4 segments are needed; with only 3 places left nothing may be appended.
  Segments out(kSegmentCap - 3);
  EXPECT_THROW(arcToSegments(out, false, true, 0, 0, 10, 0, 5, 5, 0, 0.5f), zd::Error);
  EXPECT_EQ(out.size(), kSegmentCap - 3);
  // With exactly 4 places left it fits.
  out.pop_back();
  arcToSegments(out, false, true, 0, 0, 10, 0, 5, 5, 0, 0.5f);
  EXPECT_EQ(out.size(), kSegmentCap);
}

TEST(ArcToSegments, ToleranceTooSmallForTheRadiusFails) {
  // 1 - 0.5/1e9 rounds to 1: the step angle is 0 and the count infinite.
  Segments out;
  try {
    arcToSegments(out, false, true, 0, 0, 10, 0, 1e9f, 1e9f, 0, 0.5f);
    FAIL() << "expected the segment limit";
  } catch (const zd::Error &error) {
    EXPECT_STREQ(error.what(), "flatten: segment limit exceeded (1048576)");
  }
  EXPECT_TRUE(out.empty());
}

TEST(AngleBetween, QuadrantsAndSign) {
  EXPECT_EQ(angleBetween(1, 0, 0, 1), 1.5707964f);
  EXPECT_EQ(angleBetween(1, 0, 0, -1), -1.5707964f);
  EXPECT_EQ(angleBetween(1, 0, -1, 0), 3.1415927f);  // cross is 0: positive
  EXPECT_EQ(angleBetween(0, 1, 1, 0), -1.5707964f);
  EXPECT_EQ(angleBetween(2, 2, 3, 3), 0.0f);
}

TEST(AngleBetween, RoundingAboveOneIsClampedNotNaN) {
  // Parallel vectors whose rounded cosine comes out a hair above 1.
  const float ux = 0.026f, uy = 0.3142f;
  EXPECT_EQ(angleBetween(ux, uy, ux * 1.7f, uy * 1.7f), 0.0f);
  EXPECT_EQ(angleBetween(ux, uy, -(ux * 1.7f), -(uy * 1.7f)), 3.1415927f);
}

TEST(AngleBetween, ZeroVectorGivesNaN) { EXPECT_TRUE(std::isnan(angleBetween(0, 0, 1, 0))); }

}  // namespace
}  // namespace zd::geom
