// Flattening: the walk over commands, curve subdivision, smooth-curve
// reflections, the depth limit and the segment cap.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "common/errors.hpp"
#include "geom/geom.hpp"
#include "path_builder.hpp"

namespace zd::geom {
namespace {

using namespace zd::geom::testing;
using Segments = std::vector<Segment>;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Segments must chain: each starts where the previous one ended.
void expectChained(const Segments &segments) {
  for (std::size_t i = 1; i < segments.size(); ++i) {
    ASSERT_EQ(segments[i].x0, segments[i - 1].x1) << "segment " << i;
    ASSERT_EQ(segments[i].y0, segments[i - 1].y1) << "segment " << i;
  }
}

TEST(FlattenLines, EmptyPathGivesNothing) { EXPECT_TRUE(flatten(zd::path::Path{}, 0.5f).empty()); }

TEST(FlattenLines, ClosedTriangle) {
  const Segments got = flatten(makePath({M(0, 0), L(10, 0), L(10, 10), Z()}), 0.5f);
  const Segments want = {{0, 0, 10, 0}, {10, 0, 10, 10}, {10, 10, 0, 0}};
  EXPECT_EQ(got, want);
}

TEST(FlattenLines, CloseAtStartAddsNothingAndZeroLengthLinesStay) {
  EXPECT_EQ(flatten(makePath({M(0, 0), L(10, 0), L(0, 0), Z()}), 0.5f).size(), 2u);
  EXPECT_EQ(flatten(makePath({M(0, 0), L(0, 0)}), 0.5f), (Segments{{0, 0, 0, 0}}));
  // A second close is at the start already.
  EXPECT_EQ(flatten(makePath({M(1, 1), L(5, 1), Z(), Z()}), 0.5f).size(), 2u);
}

TEST(FlattenLines, SubpathsAreNeitherJoinedNorClosed) {
  const Segments got = flatten(makePath({M(0, 0), L(10, 0), M(20, 20), L(30, 20)}), 0.5f);
  EXPECT_EQ(got, (Segments{{0, 0, 10, 0}, {20, 20, 30, 20}}));
}

TEST(FlattenLines, NoImplicitMoveBeforeAFirstLine) {
  EXPECT_EQ(flatten(makePath({L(10, 0)}), 0.5f), (Segments{{0, 0, 10, 0}}));
}

TEST(FlattenLines, RelativeAndAxisLines) {
  const Segments got =
      flatten(makePath({m(1, 2), l(3, 0), h(2), v(4), H(0), V(-1), m(1, 1), l(1, 1), Z()}), 0.5f);
  const Segments want = {{1, 2, 4, 2}, {4, 2, 6, 2},  {6, 2, 6, 6},
                         {6, 6, 0, 6}, {0, 6, 0, -1},  // the relative move starts from (0, -1)
                         {1, 0, 2, 1}, {2, 1, 1, 0}};
  EXPECT_EQ(got, want);
}

TEST(FlattenLines, CloseReturnsToTheSubpathStartForRelativeCommands) {
  // After z the pen is back at (5, 5), so the relative line starts there.
  const Segments got = flatten(makePath({M(5, 5), l(10, 0), l(0, 10), Z(), l(-5, 0)}), 0.5f);
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[3], (Segment{5, 5, 0, 5}));
}

TEST(FlattenQuad, SegmentCountsPerTolerance) {
  const auto path = makePath({M(0, 0), Q(50, 100, 100, 0)});
  EXPECT_EQ(flatten(path, 0.5f).size(), 16u);
  EXPECT_EQ(flatten(path, 1.0f).size(), 12u);
  EXPECT_EQ(flatten(path, 0.25f).size(), 26u);
}

TEST(FlattenQuad, VerticesLieOnTheCurveAndEndsAreExact) {
  const Segments got = flatten(makePath({M(0, 0), Q(50, 100, 100, 0)}), 0.25f);
  ASSERT_FALSE(got.empty());
  expectChained(got);
  EXPECT_EQ(got.front().x0, 0.0f);
  EXPECT_EQ(got.front().y0, 0.0f);
  EXPECT_EQ(got.back().x1, 100.0f);
  EXPECT_EQ(got.back().y1, 0.0f);
  // x = 100 t on this curve, so each vertex's parameter is x / 100.
  for (const Segment &s : got) {
    const float t = s.x1 / 100.0f;
    EXPECT_NEAR(s.y1, 200.0f * t * (1.0f - t), 1e-4f) << "x = " << s.x1;
  }
}

TEST(FlattenQuad, SplitPointFollowsTheDocumentedOperationOrder) {
  // One cut: the inner vertex is p2/4 + (p0/4 + p1/2) in that order; these
  // coordinates round differently under any other grouping.
  const Vec2 p0{9.86501503f, 1.33888948f}, p1{1.07489526f, 9.80229473f},
      p2{5.8091855f, 9.32059479f};
  Segments out;
  flattenQuad(out, 0, p0, p1, p2, 4.0f);
  ASSERT_EQ(out.size(), 2u);
  const float mx = p2.x * 0.25f + (p0.x * 0.25f + p1.x * 0.5f);
  const float my = p2.y * 0.25f + (p0.y * 0.25f + p1.y * 0.5f);
  ASSERT_NE(mx, (p2.x * 0.25f + p0.x * 0.25f) + p1.x * 0.5f);
  EXPECT_EQ(out[0], (Segment{p0.x, p0.y, mx, my}));
  EXPECT_EQ(out[1], (Segment{mx, my, p2.x, p2.y}));
}

TEST(FlattenFlatness, ControlDistanceEqualToTheToleranceIsFlat) {
  // Each tolerance is the control-point distance exactly as the flatness
  // test computes it (quadratic: |cross| / length; cubic: |cross| times
  // 1 / length); any other form rounds above it for these curves.
  Segments out;
  flattenQuad(out, 0, {2.68439007f, 0.159103587f}, {4.99882507f, 5.27764797f},
              {6.79229975f, 8.68801498f}, 0.135941386f);
  EXPECT_EQ(out.size(), 1u);
  out.clear();
  flattenCubic(out, 0, {6.69013262f, 1.9335562f}, {4.67752886f, 1.00473976f},
               {2.048491f, 4.82636881f}, {4.90765905f, 6.13703489f}, 3.14396334f);
  EXPECT_EQ(out.size(), 1u);
  // A hair less and both are cut.
  out.clear();
  flattenQuad(out, 0, {2.68439007f, 0.159103587f}, {4.99882507f, 5.27764797f},
              {6.79229975f, 8.68801498f}, std::nextafter(0.135941386f, 0.0f));
  EXPECT_GT(out.size(), 1u);
  out.clear();
  flattenCubic(out, 0, {6.69013262f, 1.9335562f}, {4.67752886f, 1.00473976f},
               {2.048491f, 4.82636881f}, {4.90765905f, 6.13703489f},
               std::nextafter(3.14396334f, 0.0f));
  EXPECT_GT(out.size(), 1u);
}

TEST(FlattenCubic, SegmentCountsAndFirstVertex) {
  const auto path = makePath({M(0, 0), C(0, 10, 10, 10, 10, 0)});
  const Segments fine = flatten(path, 0.5f);
  ASSERT_EQ(fine.size(), 8u);
  // The first vertex is the subdivision point at t = 1/8, exactly.
  EXPECT_EQ(fine[0], (Segment{0, 0, 0.4296875f, 3.28125f}));
  const Vec2 atEighth = cubicPoint({0, 0}, {0, 10}, {10, 10}, {10, 0}, 0.125f);
  EXPECT_EQ(fine[0].x1, atEighth.x);
  EXPECT_EQ(fine[0].y1, atEighth.y);
  expectChained(fine);
  EXPECT_EQ(fine.back().x1, 10.0f);
  EXPECT_EQ(fine.back().y1, 0.0f);
  EXPECT_EQ(flatten(path, 1.0f).size(), 4u);
}

TEST(FlattenCubic, DegenerateCurvesGiveOneSegment) {
  // Control points on the chord: already flat.
  EXPECT_EQ(flatten(makePath({M(0, 0), C(3, 0, 7, 0, 10, 0)}), 0.1f), (Segments{{0, 0, 10, 0}}));
  // All four points equal: the short-chord test holds at once.
  EXPECT_EQ(flatten(makePath({M(4, 4), C(4, 4, 4, 4, 4, 4)}), 0.5f), (Segments{{4, 4, 4, 4}}));
}

TEST(FlattenCubic, ClosedLoopWithZeroChordIsStillCut) {
  // Start equals end but the controls are far away: a zero chord cannot be
  // measured against, so the loop must be subdivided, not dropped.
  const Segments got = flatten(makePath({M(0, 0), C(50, 100, -50, 100, 0, 0)}), 0.5f);
  EXPECT_GT(got.size(), 8u);
  expectChained(got);
}

TEST(FlattenCubic, NaNCoordinatesAreCutToTheDepthLimit) {
  Segments out;
  flattenCubic(out, 0, {0, 0}, {kNaN, 0}, {1, 1}, {2, 0}, 0.5f);
  EXPECT_EQ(out.size(), 262144u);
  out.clear();
  flattenQuad(out, 0, {0, 0}, {kNaN, 0}, {2, 0}, 0.5f);
  EXPECT_EQ(out.size(), 262144u);
}

TEST(FlattenCubic, DepthOutOfRangeIsADefect) {
  Segments out;
  EXPECT_THROW(flattenCubic(out, -1, {0, 0}, {0, 1}, {1, 1}, {1, 0}, 0.5f), zd::Defect);
  EXPECT_THROW(flattenQuad(out, 19, {0, 0}, {0, 1}, {1, 0}, 0.5f), zd::Defect);
  EXPECT_TRUE(out.empty());
}

// Flattening two spellings of the same curve must give identical segments.
void expectSameSegments(std::initializer_list<PathCommand> smooth,
                        std::initializer_list<PathCommand> explicitForm) {
  EXPECT_EQ(flatten(makePath(smooth), 0.1f), flatten(makePath(explicitForm), 0.1f));
}

TEST(FlattenSmooth, CubicReflections) {
  // No previous cubic: the first control point is the current point.
  expectSameSegments({M(0, 0), S(10, 10, 20, 0)}, {M(0, 0), C(0, 0, 10, 10, 20, 0)});
  // After a cubic the previous second control (10, 10) reflects through (10, 0).
  expectSameSegments({M(0, 0), C(0, 10, 10, 10, 10, 0), S(20, -10, 20, 0)},
                     {M(0, 0), C(0, 10, 10, 10, 10, 0), C(10, -10, 20, -10, 20, 0)});
  // Chained smooth cubics reflect the previous smooth curve's control.
  expectSameSegments(
      {M(0, 0), C(0, 10, 10, 10, 10, 0), S(20, -10, 20, 0), S(30, 10, 30, 0)},
      {M(0, 0), C(0, 10, 10, 10, 10, 0), C(10, -10, 20, -10, 20, 0), C(20, 10, 30, 10, 30, 0)});
  // Relative forms: c's second control is (old q) + c2.
  expectSameSegments({M(5, 5), c(0, 10, 10, 10, 10, 0), s(10, -10, 10, 0)},
                     {M(5, 5), C(5, 15, 15, 15, 15, 5), C(15, -5, 25, -5, 25, 5)});
}

TEST(FlattenSmooth, QuadraticReflections) {
  // T after L: the control point is the current point (a straight line).
  expectSameSegments({M(0, 0), L(10, 0), T(20, 10)}, {M(0, 0), L(10, 0), Q(10, 0, 20, 10)});
  // T after Q reflects the Q control; a chain reflects each computed control.
  expectSameSegments({M(0, 0), Q(5, 10, 10, 0), T(20, 0), T(30, 0)},
                     {M(0, 0), Q(5, 10, 10, 0), Q(15, -10, 20, 0), Q(25, 10, 30, 0)});
  expectSameSegments({M(0, 0), q(5, 10, 10, 0), t(10, 0), t(10, 0)},
                     {M(0, 0), Q(5, 10, 10, 0), Q(15, -10, 20, 0), Q(25, 10, 30, 0)});
}

TEST(FlattenSmooth, ReflectionOnlyWithinOneFamilyAndOnlyRightAfter) {
  // S after Q does not reflect the quadratic control; T after C does not
  // reflect the cubic one.
  expectSameSegments({M(0, 0), Q(5, 10, 10, 0), S(20, -10, 20, 0)},
                     {M(0, 0), Q(5, 10, 10, 0), C(10, 0, 20, -10, 20, 0)});
  expectSameSegments({M(0, 0), C(0, 10, 10, 10, 10, 0), T(20, 5)},
                     {M(0, 0), C(0, 10, 10, 10, 10, 0), Q(10, 0, 20, 5)});
  // A cubic between a quadratic and a T also breaks the quadratic chain.
  expectSameSegments({M(0, 0), Q(5, 10, 10, 0), C(10, 5, 15, 5, 20, 0), T(30, 5)},
                     {M(0, 0), Q(5, 10, 10, 0), C(10, 5, 15, 5, 20, 0), Q(20, 0, 30, 5)});
  expectSameSegments({M(0, 0), C(0, 10, 10, 10, 10, 0), Q(15, 5, 20, 0), S(30, 5, 30, 0)},
                     {M(0, 0), C(0, 10, 10, 10, 10, 0), Q(15, 5, 20, 0), C(20, 0, 30, 5, 30, 0)});
  // Anything in between (a line, a move, a close, an arc) clears the memory.
  expectSameSegments({M(0, 0), C(0, 10, 10, 10, 10, 0), L(10, 0), S(20, -10, 20, 0)},
                     {M(0, 0), C(0, 10, 10, 10, 10, 0), L(10, 0), C(10, 0, 20, -10, 20, 0)});
  expectSameSegments({M(0, 0), Q(5, 10, 10, 0), M(10, 0), T(20, 10)},
                     {M(0, 0), Q(5, 10, 10, 0), M(10, 0), Q(10, 0, 20, 10)});
  expectSameSegments({M(0, 0), Q(5, 10, 10, 0), A(5, 5, 0, false, true, 20, 0), T(30, 0)},
                     {M(0, 0), Q(5, 10, 10, 0), A(5, 5, 0, false, true, 20, 0), L(30, 0)});
}

TEST(FlattenArcs, RelativeArcEndsAtTheExactEndPoint) {
  // The arc's own last vertex may be a rounding error off; the walk goes on
  // from the exact end point.
  const Segments got =
      flatten(makePath({M(0, 0), a(50, 50, 0, false, true, 100, 0), l(0, 10)}), 0.5f);
  ASSERT_EQ(got.size(), 13u);
  EXPECT_NE(got[11].y1, 0.0f);
  EXPECT_EQ(got[12], (Segment{100, 0, 100, 10}));
}

// A path whose flattening holds exactly `cubics` * 2^18 segments, using
// curves that never pass the flatness test.
zd::path::Path depthLimitedCubics(int cubics) {
  zd::path::Path path;
  zd::path::add(path, M(0, 0));
  for (int i = 0; i < cubics; ++i) zd::path::add(path, C(kNaN, 0, 1, 1, 2, 0));
  return path;
}

TEST(FlattenCap, ExactlyTheCapIsAllowed) {
  EXPECT_EQ(flatten(depthLimitedCubics(4), 0.5f).size(), kSegmentCap);
}

TEST(FlattenCap, OneMoreSegmentFails) {
  zd::path::Path path = depthLimitedCubics(4);
  zd::path::add(path, L(5, 5));
  try {
    flatten(path, 0.5f);
    FAIL() << "expected the segment limit";
  } catch (const zd::Error &error) {
    EXPECT_STREQ(error.what(), "flatten: segment limit exceeded (1048576)");
  }
}

TEST(FlattenCap, AppendStepChecksBeforeEveryAppend) {
  Segments out(kSegmentCap - 1);
  addSegment(out, {1, 2, 3, 4});  // the 1,048,576th
  EXPECT_EQ(out.size(), kSegmentCap);
  EXPECT_EQ(out.back(), (Segment{1, 2, 3, 4}));
  EXPECT_THROW(addSegment(out, {1, 2, 3, 4}), zd::Error);
  EXPECT_EQ(out.size(), kSegmentCap);
}

TEST(FlattenInto, ReusesCallerStorageAndStartsEmpty) {
  Segments out = {{9, 9, 9, 9}};
  flatten(makePath({M(0, 0), L(1, 0)}), 0.5f, out);
  EXPECT_EQ(out, (Segments{{0, 0, 1, 0}}));
  const auto capacity = out.capacity();
  flatten(makePath({M(0, 0), L(0, 1)}), 0.5f, out);
  EXPECT_EQ(out, (Segments{{0, 0, 0, 1}}));
  EXPECT_EQ(out.capacity(), capacity);
}

}  // namespace
}  // namespace zd::geom
