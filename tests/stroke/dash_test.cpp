// Dash patterns: where the dashes fall (phase, negative offsets, odd
// counts, a restart per subpath), the dash through a closed subpath's
// closing point, zero-length dashes, and patterns that change nothing.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "stroke_support.hpp"

namespace zd::stroke::testing {
namespace {

// The x extent of every contour of an outline, in order.
std::vector<std::pair<float, float>> spans(const Outline &out) {
  std::vector<std::pair<float, float>> result;
  std::size_t begin = 0;
  for (const std::size_t end : out.contourEnds) {
    const std::vector<zd::geom::Segment> part(out.segments.begin() + begin,
                                              out.segments.begin() + end);
    const zd::geom::Bounds box = zd::geom::computeBounds(part);
    result.emplace_back(box.minX, box.minX + box.width);
    begin = end;
  }
  return result;
}

using Spans = std::vector<std::pair<float, float>>;

TEST(Dash, PhaseOffsetsAndOddCounts) {
  const char *line = "M 0 10 L 100 10";
  EXPECT_EQ(spans(outline(line, style(2, Join::miter, Cap::butt, {10, 5}))),
            (Spans{{0, 10}, {15, 25}, {30, 40}, {45, 55}, {60, 70}, {75, 85}, {90, 100}}));
  EXPECT_EQ(spans(outline(line, style(2, Join::miter, Cap::butt, {10, 5}, 3))),
            (Spans{{0, 7}, {12, 22}, {27, 37}, {42, 52}, {57, 67}, {72, 82}, {87, 97}}));
  // A negative offset counts back: -3 is 12 into the 15-long pattern.
  EXPECT_EQ(spans(outline(line, style(2, Join::miter, Cap::butt, {10, 5}, -3))),
            (Spans{{3, 13}, {18, 28}, {33, 43}, {48, 58}, {63, 73}, {78, 88}, {93, 100}}));
  EXPECT_EQ(spans(outline(line, style(2, Join::miter, Cap::butt, {10, 5}, -18))),
            spans(outline(line, style(2, Join::miter, Cap::butt, {10, 5}, -3))));
  // One length is on and off alike; three are repeated to make six.
  EXPECT_EQ(spans(outline(line, style(2, Join::miter, Cap::butt, {10}))),
            (Spans{{0, 10}, {20, 30}, {40, 50}, {60, 70}, {80, 90}}));
  EXPECT_EQ(spans(outline(line, style(2, Join::miter, Cap::butt, {5, 5, 10}))),
            (Spans{{0, 5}, {10, 20}, {25, 30}, {40, 45}, {50, 60}, {65, 70}, {80, 85}, {90, 100}}));
  // Caps extend every dash.
  EXPECT_EQ(spans(outline(line, style(2, Join::miter, Cap::square, {10, 40}))),
            (Spans{{-1, 11}, {49, 61}}));
  // The pattern restarts on each subpath.
  EXPECT_EQ(
      spans(outline("M 0 10 L 12 10 M 0 20 L 12 20", style(2, Join::miter, Cap::butt, {10, 5}))),
      (Spans{{0, 10}, {0, 10}}));
}

TEST(Dash, ADashThroughTheClosingPointIsJoinedThere) {
  // Perimeter 160; the pattern starts 15 into its first dash, so dashes lie
  // at [0, 15], [25, 55], [65, 95], [105, 135] and [145, 160]: the last runs
  // into the first through the corner at (20, 20), which gets a miter.
  const char *square = "M 20 20 L 60 20 L 60 60 L 20 60 Z";
  const Outline out = outline(square, style(2, Join::miter, Cap::butt, {30, 10}, 15));
  EXPECT_EQ(out.contourEnds.size(), 4u);
  const Coverage c = render(out.segments, 80, 80);
  EXPECT_EQ(c.at(19, 19), 255);  // the miter's corner pixel
  EXPECT_EQ(c.at(19, 40), 0);    // the gap [105, 135] .. on the left side, below y = 45
  // A dash longer than the whole loop draws the closed stroke itself.
  EXPECT_EQ(outline(square, style(2, Join::miter, Cap::butt, {200, 10})).segments,
            outline(square, style(2, Join::miter, Cap::butt)).segments);
}

TEST(Dash, ZeroLengthDashesAreDotsWithRoundOrSquareCaps) {
  const Outline dots = outline("M 10 10 L 60 10", style(4, Join::miter, Cap::round, {0, 10}));
  // At x = 10, 20, 30, 40 and 50; nothing starts at the very end (x = 60).
  ASSERT_EQ(dots.contourEnds.size(), 5u);
  const Coverage c = render(dots.segments, 70, 20);
  for (int x : {10, 20, 30, 40, 50}) {
    EXPECT_EQ(c.at(x, 9), 255) << x;
    EXPECT_EQ(c.at(x - 1, 10), 255) << x;
  }
  EXPECT_EQ(c.at(15, 10), 0);
  EXPECT_EQ(c.at(59, 10), 0);
  EXPECT_EQ(c.at(60, 10), 0);
  EXPECT_TRUE(
      outline("M 10 10 L 60 10", style(4, Join::miter, Cap::butt, {0, 10})).segments.empty());
  // Square dots turn with the path: on a diagonal each is a diamond.
  const Outline squares = outline("M 10 10 L 50 50", style(4, Join::miter, Cap::square, {0, 100}));
  ASSERT_EQ(squares.contourEnds.size(), 1u);
  const zd::geom::Bounds box = zd::geom::computeBounds(squares.segments);
  EXPECT_NEAR(box.width, 4 * 1.41421356f, 1e-4);
  EXPECT_NEAR(box.minX, 10 - 2 * 1.41421356f, 1e-4);
}

TEST(Dash, PatternsThatDrawTheSolidLine) {
  const char *path = "M 10 10 C 90 0 0 90 80 80 L 20 70 Z";
  const Outline solid = outline(path, style(6, Join::round, Cap::round));
  EXPECT_EQ(outline(path, style(6, Join::round, Cap::round, {0, 0, 0})).segments, solid.segments);
  EXPECT_EQ(outline(path, style(6, Join::round, Cap::round, {})).segments, solid.segments);
  // A zero-length subpath is dotted when the pattern starts in a dash.
  EXPECT_EQ(outline("M 5 5 Z", style(4, Join::round, Cap::round, {1, 1})).contourEnds.size(), 1u);
  EXPECT_TRUE(outline("M 5 5 Z", style(4, Join::round, Cap::round, {1, 1}, 1.5f)).segments.empty());
}

}  // namespace
}  // namespace zd::stroke::testing
