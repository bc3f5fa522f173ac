// Shape builders: command sequences, float32/fma arithmetic and state.
#include <gtest/gtest.h>

#include <cmath>

#include "path/shapes.hpp"

namespace zd::path {
namespace {

std::vector<PathCommandKind> kinds(const Path &path) {
  std::vector<PathCommandKind> out;
  for (const auto &c : path.commands) out.push_back(c.kind());
  return out;
}

void expectPoint(Vec2 actual, float x, float y) {
  EXPECT_EQ(actual.x, x);
  EXPECT_EQ(actual.y, y);
}

TEST(Rect, ClockwiseAndCounterclockwiseCorners) {
  Path cw;
  rect(cw, true, 0, 0, 10, 5);
  ASSERT_EQ(kinds(cw), (std::vector<PathCommandKind>{pMove, pLine, pLine, pLine, pClose}));
  expectPoint(cw.commands[1].p(), 10, 0);
  expectPoint(cw.commands[2].p(), 10, 5);
  expectPoint(cw.commands[3].p(), 0, 5);
  Path ccw;
  rect(ccw, false, 0, 0, 10, 5);
  expectPoint(ccw.commands[1].p(), 0, 5);
  expectPoint(ccw.commands[2].p(), 10, 5);
  expectPoint(ccw.commands[3].p(), 10, 0);
  expectPoint(ccw.current, 0, 0);
  expectPoint(ccw.start, 0, 0);
}

TEST(RoundedRect, ZeroRadiiOrNegativeSizeIsAPlainRect) {
  Path zero;
  roundedRect(zero, true, 1, 2, 10, 4, 0, 0, 0, 0);
  EXPECT_EQ(zero.commands.size(), 5u);
  Path negative;
  roundedRect(negative, true, 0, 0, -4, 10, 3, 3, 3, 3);
  ASSERT_EQ(negative.commands.size(), 5u);
  expectPoint(negative.commands[1].p(), -4, 0);
}

TEST(RoundedRect, RadiiClampToHalfTheShorterSide) {
  Path path;
  roundedRect(path, true, 0, 0, 10, 4, 5, 5, 5, 5);
  ASSERT_EQ(path.commands.size(), 10u);
  expectPoint(path.commands[0].p(), 2, 0);  // x + a with a clamped to 2
  expectPoint(path.commands[1].p(), 8, 0);  // x2 - b
  expectPoint(path.commands[2].c3(), 10, 2);
  expectPoint(path.commands[3].p(), 10, 2);  // the right side has zero length
  expectPoint(path.current, 2, 0);
}

TEST(RoundedRect, OneNonZeroRadiusStillGivesTenCommands) {
  Path path;
  roundedRect(path, false, 0, 0, 10, 10, 1, 0, 0, 0);
  EXPECT_EQ(kinds(path), (std::vector<PathCommandKind>{pMove, pCubic, pLine, pCubic, pLine, pCubic,
                                                       pLine, pCubic, pLine, pClose}));
  // The top-left corner: c1 is (x + a) + (-kappa * a).
  expectPoint(path.commands[1].c1(), 1.0f + (-kKappa * 1.0f), 0);
}

TEST(Ellipse, KappaControlPoints) {
  Path path;
  ellipse(path, 0, 0, 10, 5);
  ASSERT_EQ(path.commands.size(), 6u);
  expectPoint(path.commands[0].p(), 10, 0);
  expectPoint(path.commands[1].c1(), 10, 5 * kKappa);
  expectPoint(path.commands[1].c2(), 10 * kKappa, 5);
  expectPoint(path.commands[1].c3(), 0, 5);
  expectPoint(path.commands[4].c3(), 10, 0);
  EXPECT_EQ(kKappa, 0.55228477716445923f);
}

TEST(Polygon, SquareVerticesAndState) {
  Path path;
  polygon(path, 4, 0, 0, 1);
  ASSERT_EQ(path.commands.size(), 5u);
  expectPoint(path.commands[0].p(), 0, -1);
  const Vec2 v1 = path.commands[1].p();
  EXPECT_EQ(v1.x, 1.0f);
  EXPECT_NEAR(v1.y, 0.0f, 1e-7);
  EXPECT_NEAR(path.commands[2].p().x, 0.0f, 1e-7);
  EXPECT_EQ(path.commands[2].p().y, 1.0f);
  EXPECT_EQ(path.commands[3].p().x, -1.0f);
  EXPECT_EQ(path.commands[4].kind(), pClose);
  expectPoint(path.current, 0, -1);
}

TEST(Polygon, VerticesUseDoubleFusedArithmetic) {
  Path path;
  polygon(path, 7, 3.25f, -1.5f, 12.75f);
  const double theta = (static_cast<double>(2.0f) * 3.141592653589793) / 7.0;
  const float x = static_cast<float>(std::fma(12.75, std::sin(theta), 3.25));
  const float y = static_cast<float>(std::fma(-12.75, std::cos(theta), -1.5));
  expectPoint(path.commands[1].p(), x, y);
}

TEST(Arc, ZeroRadiusAppendsNothing) {
  Path path;
  arc(path, false, 5, 5, 0, 0, 1);
  EXPECT_TRUE(path.commands.empty());
}

TEST(Arc, QuarterTurnOnEmptyPath) {
  Path path;
  const float halfPi = 1.5707964f;
  arc(path, false, 10, 20, 5, 0, halfPi);
  ASSERT_EQ(kinds(path), (std::vector<PathCommandKind>{pMove, pArc}));
  expectPoint(path.commands[0].p(), 15, 20);
  EXPECT_FALSE(path.commands[1].largeArc());
  EXPECT_TRUE(path.commands[1].sweep());
  EXPECT_NEAR(path.commands[1].a().x, 10.0f, 1e-5);
  EXPECT_EQ(path.commands[1].a().y, 25.0f);
  EXPECT_EQ(path.current, path.commands[1].a());
}

TEST(Arc, FullTurnGivesTwoLargeArcs) {
  Path path;
  path::moveTo(path, {0, 0});
  arc(path, false, 0, 0, 2, 0, 6.2831855f);
  ASSERT_EQ(kinds(path), (std::vector<PathCommandKind>{pMove, pLine, pArc, pArc}));
  EXPECT_TRUE(path.commands[2].largeArc());
  EXPECT_TRUE(path.commands[3].largeArc());
  expectPoint(path.commands[2].a(), -2, 0);
  expectPoint(path.commands[3].a(), 2, 0);
  expectPoint(path.current, 2, 0);
}

TEST(Arc, CounterclockwiseQuarterSweepsTheLongWay) {
  Path path;
  arc(path, true, 0, 0, 1, 0, 1.5707964f);
  ASSERT_EQ(path.commands.size(), 2u);
  EXPECT_TRUE(path.commands[1].largeArc());
  EXPECT_FALSE(path.commands[1].sweep());
}

TEST(Arc, FloatPiIsALargeArcAndNearbyStartAddsNoLine) {
  Path path;
  arc(path, false, 0, 0, 1, 0, 3.14159274f);
  EXPECT_TRUE(path.commands[1].largeArc());
  // A second arc starting where the first ended (within the tolerance) adds no line.
  Path joined;
  path::moveTo(joined, {1.0001f, 0});
  arc(joined, false, 0, 0, 1, 0, 1.0f);
  EXPECT_EQ(kinds(joined), (std::vector<PathCommandKind>{pMove, pArc}));
}

TEST(ArcTo, EmptyPathDegenerateAndCollinearCases) {
  Path empty;
  empty.current = {0, 0};
  arcTo(empty, 5, 5, 10, 0, 1);
  ASSERT_EQ(kinds(empty), (std::vector<PathCommandKind>{pMove}));
  expectPoint(empty.commands[0].p(), 0, 0);

  Path same;
  path::moveTo(same, {3, 3});
  arcTo(same, 3, 3, 10, 0, 1);  // P1 equals the current point
  EXPECT_EQ(same.commands.size(), 1u);

  Path collinear;
  path::moveTo(collinear, {0, 0});
  arcTo(collinear, 5, 0, 10, 0, 1);
  ASSERT_EQ(kinds(collinear), (std::vector<PathCommandKind>{pMove, pLine}));
  expectPoint(collinear.commands[1].p(), 5, 0);
  expectPoint(collinear.current, 5, 0);
}

TEST(ArcTo, RightAngleCorner) {
  Path path;
  path::moveTo(path, {0, 0});
  arcTo(path, 10, 0, 10, 10, 2);
  ASSERT_EQ(kinds(path), (std::vector<PathCommandKind>{pMove, pLine, pArc}));
  expectPoint(path.commands[1].p(), 8, 0);
  // tan((pi - acosf(0)) / 2) is a hair below 1, so the tangent points sit a
  // few ulps short of the exact corner offsets.
  EXPECT_EQ(path.commands[2].a().x, 10.0f);
  EXPECT_FLOAT_EQ(path.commands[2].a().y, 2.0f);
  EXPECT_LT(path.commands[2].a().y, 2.0f);
  expectPoint(path.commands[2].r(), 2, 2);
  EXPECT_TRUE(path.commands[2].sweep());
  EXPECT_FALSE(path.commands[2].largeArc());
  EXPECT_EQ(path.current, path.commands[2].a());
}

// The single-command builders set the state themselves; the shape builders
// advance over what they appended. After every call, the state must be the
// one a fresh advance over the whole list gives.
TEST(Builders, StateMatchesAFreshAdvanceOverTheCommands) {
  Path path;
  const auto expectFreshState = [&](const char *step) {
    Path replay;
    replay.commands = path.commands;
    refreshState(replay);
    EXPECT_EQ(replay.start, path.start) << step;
    EXPECT_EQ(replay.current, path.current) << step;
  };
  lineTo(path, {-0.0f, 3.5f});
  expectFreshState("line first");
  moveTo(path, {2, -7});
  expectFreshState("move");
  cubicTo(path, {1, 1}, {2, 2}, {9, -0.0f});
  expectFreshState("cubic");
  quadTo(path, {4, 4}, {5, 1e-30f});
  expectFreshState("quad");
  closePath(path);
  expectFreshState("close");
  lineTo(path, {6, 6});
  closePath(path);
  expectFreshState("close after close");
  roundedRect(path, true, 1, 1, 30, 20, 3, 4, 5, 6);
  expectFreshState("rounded rect");
  polygon(path, 5, 50, 50, 10);
  expectFreshState("polygon");
  arc(path, false, 10, 10, 4, 0.5f, 2.0f);
  expectFreshState("arc");
  arcTo(path, 20, 0, 20, 20, 3);
  expectFreshState("arcTo");
  ellipticalArcTo(path, true, false, 3, 4, 0.25f, 7, 8);
  expectFreshState("elliptical arc");
  moveTo(path, {1, 2});
  closePath(path);
  expectFreshState("move then close");
}

}  // namespace
}  // namespace zd::path
