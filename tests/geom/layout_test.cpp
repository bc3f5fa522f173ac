// The flattening that keeps the path's structure: the same segments as the
// plain one, the subpaths that drew something, and where each command
// starts with the curve's end directions.
#include <gtest/gtest.h>

#include "geom/geom.hpp"
#include "path_builder.hpp"

namespace zd::geom::testing {
namespace {

TEST(FlattenLayout, SameSegmentsAsThePlainFlattening) {
  const zd::path::Path path =
      makePath({M(1, 2), C(10, 0, 20, 30, 5, 5), s(4, 4, 10, -3), Q(0, 0, 7, 7), t(3, 3),
                A(10, 5, 0.3f, true, false, 40, 40), a(5, 5, 0, false, true, 10, 0), Z(), h(5),
                v(5), l(-5, 0), Z(), m(50, 50), L(60, 60), H(70), V(80)});
  FlatLayout layout;
  flatten(path, 0.25f, layout);
  EXPECT_EQ(layout.segments, flatten(path, 0.25f));
}

TEST(FlattenLayout, SubpathsThatDrawSomething) {
  // A lone move, a close after a close and an arc back to its start draw
  // nothing; "M 30 30 Z" draws a closed subpath with no segment.
  const zd::path::Path path =
      makePath({M(0, 0), L(10, 0), L(10, 10), Z(), Z(), M(20, 20), M(30, 30), Z(), M(40, 40),
                A(5, 5, 0, false, true, 40, 40), M(50, 50), L(50, 50), L(60, 50)});
  FlatLayout layout;
  flatten(path, 0.5f, layout);
  ASSERT_EQ(layout.subpaths.size(), 3u);
  EXPECT_EQ(layout.subpaths[0].begin, 0u);
  EXPECT_EQ(layout.subpaths[0].end, 3u);
  EXPECT_TRUE(layout.subpaths[0].closed);
  EXPECT_EQ(layout.subpaths[1].begin, layout.subpaths[1].end);
  EXPECT_EQ(layout.subpaths[1].start, (Vec2{30, 30}));
  EXPECT_TRUE(layout.subpaths[1].closed);
  EXPECT_EQ(layout.subpaths[2].end - layout.subpaths[2].begin, 2u);
  EXPECT_FALSE(layout.subpaths[2].closed);
  // After a close, drawing goes on from the subpath's start without a move.
  FlatLayout after;
  flatten(makePath({M(5, 5), L(9, 5), Z(), L(5, 9)}), 0.5f, after);
  ASSERT_EQ(after.subpaths.size(), 2u);
  EXPECT_EQ(after.subpaths[1].start, (Vec2{5, 5}));
  EXPECT_EQ(after.segments[after.subpaths[1].begin], (Segment{5, 5, 5, 9}));
}

TEST(FlattenLayout, CommandsAndTheirEndDirections) {
  FlatLayout layout;
  flatten(makePath({M(0, 0), L(10, 0), C(10, 0, 20, 10, 20, 20), Q(20, 30, 30, 30),
                    A(10, 10, 0, false, true, 40, 40), Z()}),
          0.5f, layout);
  ASSERT_EQ(layout.commands.size(), 5u);
  EXPECT_EQ(layout.commands[0].first, 0u);
  EXPECT_EQ(layout.commands[0].startTangent, (Vec2{}));  // a line is its own direction
  EXPECT_EQ(layout.commands[1].first, 1u);
  // The cubic's first control point equals its start: the next one gives
  // the direction.
  EXPECT_EQ(layout.commands[1].startTangent, (Vec2{10, 10}));
  EXPECT_EQ(layout.commands[1].endTangent, (Vec2{0, 10}));
  EXPECT_EQ(layout.commands[2].startTangent, (Vec2{0, 10}));
  EXPECT_EQ(layout.commands[2].endTangent, (Vec2{10, 0}));
  // The quarter circle from (30, 30) to (40, 40) round (30, 40) leaves
  // going right and arrives going down.
  const Vec2 start = layout.commands[3].startTangent, end = layout.commands[3].endTangent;
  EXPECT_NEAR(start.y / start.x, 0.0, 1e-6);
  EXPECT_GT(start.x, 0.0f);
  EXPECT_NEAR(end.x / end.y, 0.0, 1e-6);
  EXPECT_GT(end.y, 0.0f);
  EXPECT_EQ(layout.commands[4].first, layout.segments.size() - 1);  // the closing segment
}

}  // namespace
}  // namespace zd::geom::testing
