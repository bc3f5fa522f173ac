// The command record and the builder state.
#include <gtest/gtest.h>

#include "common/errors.hpp"
#include "path/path.hpp"

namespace zd::path {
namespace {

Path withState(Vec2 start, Vec2 current) {
  Path path;
  path.start = start;
  path.current = current;
  return path;
}

void advanceOne(Path &path, const PathCommand &command) { advanceState(path, &command, 1); }

TEST(AdvanceState, EveryKindMovesTheRightPoints) {
  Path p = withState({0, 0}, {1, 1});
  advanceOne(p, PathCommand::point(pRMove, {3, 4}));
  EXPECT_EQ(p.start, (Vec2{4, 5}));
  EXPECT_EQ(p.current, (Vec2{4, 5}));

  p = withState({9, 9}, {1, 2});
  advanceOne(p, PathCommand::value(pHLine, 7));
  EXPECT_EQ(p.current, (Vec2{7, 2}));
  p.current = {1, 2};
  advanceOne(p, PathCommand::value(pRVLine, -2));
  EXPECT_EQ(p.current, (Vec2{1, 0}));
  EXPECT_EQ(p.start, (Vec2{9, 9}));

  p = withState({0, 0}, {1, 1});
  advanceOne(p, PathCommand::cubic(pRCubic, {5, 5}, {6, 6}, {2, 3}));
  EXPECT_EQ(p.current, (Vec2{3, 4}));
  advanceOne(p, PathCommand::controlEnd(pRSCubic, {1, 1}, {1, -1}));
  EXPECT_EQ(p.current, (Vec2{4, 3}));
  advanceOne(p, PathCommand::arc(pRArc, {2, 2}, 0, false, true, {-4, -3}));
  EXPECT_EQ(p.current, (Vec2{0, 0}));
  advanceOne(p, PathCommand::controlEnd(pQuad, {9, 9}, {5, 6}));
  EXPECT_EQ(p.current, (Vec2{5, 6}));
  advanceOne(p, PathCommand::point(pRTQuad, {1, 1}));
  EXPECT_EQ(p.current, (Vec2{6, 7}));
}

TEST(AdvanceState, CloseReturnsToStartAndRepeatsHarmlessly) {
  Path p;
  const PathCommand commands[] = {PathCommand::point(pMove, {1, 2}),
                                  PathCommand::point(pLine, {5, 2}), PathCommand::close(),
                                  PathCommand::close()};
  advanceState(p, commands, 4);
  EXPECT_EQ(p.current, (Vec2{1, 2}));
  EXPECT_EQ(p.start, (Vec2{1, 2}));
}

TEST(AdvanceState, NonPositiveCountChangesNothing) {
  Path p = withState({1, 2}, {3, 4});
  const PathCommand move = PathCommand::point(pMove, {9, 9});
  advanceState(p, &move, 0);
  advanceState(p, &move, -5);
  EXPECT_EQ(p.current, (Vec2{3, 4}));
}

TEST(PathCommand, ReadingAFieldTheKindLacksIsADefect) {
  const PathCommand line = PathCommand::point(pLine, {1, 2});
  EXPECT_THROW(line.c1(), Defect);
  EXPECT_THROW(line.r(), Defect);
  EXPECT_THROW(PathCommand::close().p(), Defect);
  EXPECT_THROW(PathCommand::point(pCubic, {0, 0}), Defect);
  EXPECT_EQ(PathCommand::value(pRHLine, 3).v(), 3.0f);
}

TEST(PathCommand, ParametersInPathDataOrder) {
  float params[7];
  const PathCommand arc = PathCommand::arc(pArc, {3, 4}, 0.5f, true, false, {7, 8});
  ASSERT_EQ(arc.parameters(params), 7);
  const float expected[7] = {3, 4, 0.5f, 1, 0, 7, 8};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(params[i], expected[i]) << i;
  const PathCommand cubic = PathCommand::cubic(pCubic, {1, 2}, {3, 4}, {5, 6});
  ASSERT_EQ(cubic.parameters(params), 6);
  EXPECT_EQ(params[4], 5.0f);
  EXPECT_EQ(params[6], 0.0f);
}

TEST(KindNames, NamesAndOutOfRange) {
  EXPECT_EQ(toString(6), "pSCubic");
  EXPECT_EQ(toString(15), "pRSCubic");
  EXPECT_EQ(toString(0), "pClose");
  EXPECT_EQ(toString(18), "pRArc");
  EXPECT_EQ(toString(19), "");
  EXPECT_EQ(toString(-1), "");
}

TEST(AppendPath, SelfAppendCopiesTheOwnCommandsOnce) {
  Path p;
  for (int i = 0; i < 100; ++i) add(p, PathCommand::point(pRLine, {1, 0}));
  refreshState(p);
  p.commands.shrink_to_fit();  // the append must grow the array while copying
  appendPath(p, p);
  ASSERT_EQ(p.commands.size(), 200u);
  for (const auto &c : p.commands) EXPECT_EQ(c.p(), (Vec2{1, 0}));
  EXPECT_EQ(p.current, (Vec2{200, 0}));
}

}  // namespace
}  // namespace zd::path
