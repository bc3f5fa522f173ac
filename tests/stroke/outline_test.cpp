// The outline's geometry: exact pixels for straight pieces, areas of round
// pieces, every join and cap at every corner angle against a plain model of
// the pen's pieces, and no holes where a stroke overlaps itself.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "stroke_support.hpp"

namespace zd::stroke::testing {
namespace {

using zd::geom::Segment;

constexpr double kPi = std::numbers::pi;

struct P {
  double x, y;
};

// The pen's pieces, each convex: the union of them is the stroke.
struct Piece {
  std::vector<P> polygon;  // counter-clockwise or clockwise, convex
  P centre{};
  double radius = -1;  // >= 0 for a disc
};

Piece disc(P c, double r) { return {{}, c, r}; }

// The pieces a pen leaves along a polyline, written out plainly: a
// rectangle per segment, a join piece per corner (a disc, a miter
// quadrilateral or a bevel triangle), a cap piece per open end.
std::vector<Piece> penPieces(const std::vector<P> &points, bool closed, const Style &style) {
  std::vector<Piece> pieces;
  const double h = style.width / 2.0;
  const std::size_t n = points.size();
  const std::size_t segments = closed ? n : n - 1;
  const auto dir = [&](std::size_t i) {
    const P a = points[i], b = points[(i + 1) % n];
    const double l = std::hypot(b.x - a.x, b.y - a.y);
    return P{(b.x - a.x) / l, (b.y - a.y) / l};
  };
  for (std::size_t i = 0; i < segments; ++i) {
    const P a = points[i], b = points[(i + 1) % n], u = dir(i);
    const P o{-u.y * h, u.x * h};
    pieces.push_back({{{a.x + o.x, a.y + o.y},
                       {b.x + o.x, b.y + o.y},
                       {b.x - o.x, b.y - o.y},
                       {a.x - o.x, a.y - o.y}}});
  }
  const auto joinAt = [&](std::size_t i) {
    const P v = points[i], u1 = dir((i + segments - 1) % segments), u2 = dir(i % segments);
    const double cross = u1.x * u2.y - u1.y * u2.x, dot = u1.x * u2.x + u1.y * u2.y;
    if (style.join == Join::round) {
      pieces.push_back(disc(v, h));
      return;
    }
    if (cross == 0 && dot > 0) return;
    // The outer side is the one the path turns away from.
    const double side = cross > 0 ? -1.0 : 1.0;
    const P o1{-u1.y * h * side, u1.x * h * side}, o2{-u2.y * h * side, u2.x * h * side};
    Piece wedge{{v, {v.x + o1.x, v.y + o1.y}}};
    const double ratio = 1.0 / std::sqrt((1.0 + dot) / 2.0);
    if (style.join == Join::miter && dot > -1 && ratio <= style.miterLimit) {
      wedge.polygon.push_back({v.x + (o1.x + o2.x) / (1 + dot), v.y + (o1.y + o2.y) / (1 + dot)});
    }
    wedge.polygon.push_back({v.x + o2.x, v.y + o2.y});
    pieces.push_back(wedge);
  };
  if (closed) {
    for (std::size_t i = 0; i < n; ++i) joinAt(i);
    return pieces;
  }
  for (std::size_t i = 1; i + 1 < n; ++i) joinAt(i);
  const auto cap = [&](P end, P u) {  // u points out of the stroke
    if (style.cap == Cap::round) pieces.push_back(disc(end, h));
    if (style.cap != Cap::square) return;
    const P o{-u.y * h, u.x * h}, f{u.x * h, u.y * h};
    pieces.push_back({{{end.x + o.x, end.y + o.y},
                       {end.x + o.x + f.x, end.y + o.y + f.y},
                       {end.x - o.x + f.x, end.y - o.y + f.y},
                       {end.x - o.x, end.y - o.y}}});
  };
  const P first = dir(0), last = dir(segments - 1);
  cap(points[0], {-first.x, -first.y});
  cap(points[n - 1], last);
  return pieces;
}

// Signed distances of q from the polygon's edges, positive inside.
double insideBy(const std::vector<P> &poly, P q) {
  double area = 0;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const P a = poly[i], b = poly[(i + 1) % poly.size()];
    area += a.x * b.y - b.x * a.y;
  }
  const double orient = area >= 0 ? 1.0 : -1.0;
  double least = 1e300;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const P a = poly[i], b = poly[(i + 1) % poly.size()];
    const double l = std::hypot(b.x - a.x, b.y - a.y);
    if (l == 0) continue;
    least = std::min(least, orient * ((b.x - a.x) * (q.y - a.y) - (b.y - a.y) * (q.x - a.x)) / l);
  }
  return least;
}

bool containsPoint(const Piece &piece, P q) {
  if (piece.radius >= 0)
    return std::hypot(q.x - piece.centre.x, q.y - piece.centre.y) <= piece.radius;
  return insideBy(piece.polygon, q) >= 0;
}

// Pixel (x, y) lies in one piece with `margin` to spare.
bool pixelDeepInside(const std::vector<Piece> &pieces, int x, int y, double margin) {
  const P corners[4] = {
      {x + 0.0, y + 0.0}, {x + 1.0, y + 0.0}, {x + 0.0, y + 1.0}, {x + 1.0, y + 1.0}};
  for (const Piece &piece : pieces) {
    bool all = true;
    for (const P c : corners) {
      const bool in = piece.radius >= 0 ? std::hypot(c.x - piece.centre.x, c.y - piece.centre.y) <=
                                              piece.radius - margin
                                        : insideBy(piece.polygon, c) >= margin;
      all = all && in;
    }
    if (all) return true;
  }
  return false;
}

// Pixel (x, y) is `margin` away from every piece.
bool pixelFarOutside(const std::vector<Piece> &pieces, int x, int y, double margin) {
  const P centre{x + 0.5, y + 0.5};
  for (const Piece &piece : pieces) {
    if (piece.radius >= 0) {
      const double dx = std::max(std::fabs(centre.x - piece.centre.x) - 0.5, 0.0);
      const double dy = std::max(std::fabs(centre.y - piece.centre.y) - 0.5, 0.0);
      if (std::hypot(dx, dy) < piece.radius + margin) return false;
      continue;
    }
    // Separated by one of the polygon's edges, or by the pixel's sides.
    bool separated = false;
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (const P &v : piece.polygon) {
      minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
      minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
    }
    separated = maxX <= x - margin || minX >= x + 1 + margin || maxY <= y - margin ||
                minY >= y + 1 + margin;
    const P corners[4] = {
        {x + 0.0, y + 0.0}, {x + 1.0, y + 0.0}, {x + 0.0, y + 1.0}, {x + 1.0, y + 1.0}};
    double area = 0;
    for (std::size_t i = 0; i < piece.polygon.size(); ++i) {
      const P a = piece.polygon[i], b = piece.polygon[(i + 1) % piece.polygon.size()];
      area += a.x * b.y - b.x * a.y;
    }
    const double orient = area >= 0 ? 1.0 : -1.0;
    for (std::size_t i = 0; i < piece.polygon.size() && !separated; ++i) {
      const P a = piece.polygon[i], b = piece.polygon[(i + 1) % piece.polygon.size()];
      const double l = std::hypot(b.x - a.x, b.y - a.y);
      if (l == 0) continue;
      bool allOut = true;
      for (const P c : corners) {
        allOut = allOut &&
                 orient * ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) / l <= -margin;
      }
      separated = allOut;
    }
    if (!separated) return false;
  }
  return true;
}

// The union's area: pixels inside count whole, the rest by 16 x 16 samples.
double modelArea(const std::vector<Piece> &pieces, int size) {
  double area = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if (pixelFarOutside(pieces, x, y, 0.0)) continue;
      if (pixelDeepInside(pieces, x, y, 0.0)) {
        area += 1;
        continue;
      }
      int hits = 0;
      for (int sy = 0; sy < 16; ++sy) {
        for (int sx = 0; sx < 16; ++sx) {
          const P q{x + (sx + 0.5) / 16, y + (sy + 0.5) / 16};
          for (const Piece &piece : pieces) {
            if (containsPoint(piece, q)) {
              ++hits;
              break;
            }
          }
        }
      }
      area += hits / 256.0;
    }
  }
  return area;
}

std::string pathOf(const std::vector<P> &points, bool closed) {
  std::ostringstream d;
  d.precision(9);
  for (std::size_t i = 0; i < points.size(); ++i) {
    d << (i == 0 ? "M " : " L ") << points[i].x << " " << points[i].y;
  }
  if (closed) d << " Z";
  return d.str();
}

// Holds our outline of a polyline to the model: pixels deep inside a piece
// are fully covered, pixels far from every piece untouched, and the total
// coverage within 0.5% of the union's area. Round pieces may stray from the
// circle by the tolerance, which the margin allows.
void expectMatchesModel(const std::vector<P> &points, bool closed, const Style &style,
                        const std::string &what) {
  constexpr int kSize = 128;
  constexpr float kTolerance = 0.25f;
  const Outline out = outline(pathOf(points, closed), style, kTolerance);
  const Coverage coverage = render(out.segments, kSize, kSize);
  const std::vector<Piece> pieces = penPieces(points, closed, style);
  int wrongInside = 0, wrongOutside = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (pixelDeepInside(pieces, x, y, kTolerance + 0.01) && coverage.at(x, y) != 255)
        ++wrongInside;
      if (pixelFarOutside(pieces, x, y, kTolerance + 0.01) && coverage.at(x, y) != 0)
        ++wrongOutside;
    }
  }
  EXPECT_EQ(wrongInside, 0) << what;
  EXPECT_EQ(wrongOutside, 0) << what;
  const double area = modelArea(pieces, kSize);
  EXPECT_NEAR(coverage.total() / area, 1.0, 0.005) << what;
}

TEST(Outline, ButtLineCoversExactlyItsRows) {
  const Coverage on = render(outline("M 10 10 L 90 10", style(2)).segments, 100, 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 100; ++x) {
      const bool inside = (y == 9 || y == 10) && x >= 10 && x < 90;
      ASSERT_EQ(on.at(x, y), inside ? 255 : 0) << x << ", " << y;
    }
  }
  // Half a pixel lower: row 10 whole, rows 9 and 11 half (byte(0.5) = 128).
  const Coverage half = render(outline("M 10 10.5 L 90 10.5", style(2)).segments, 100, 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 100; ++x) {
      const int expected = x < 10 || x >= 90 ? 0 : y == 10 ? 255 : (y == 9 || y == 11) ? 128 : 0;
      ASSERT_EQ(half.at(x, y), expected) << x << ", " << y;
    }
  }
}

TEST(Outline, SquareCapsReachHalfTheWidthPastEachEnd) {
  const Outline out = outline("M 10 10 L 90 10", style(4, Join::miter, Cap::square));
  const zd::geom::Bounds box = zd::geom::computeBounds(out.segments);
  EXPECT_EQ(box.minX, 8.0f);
  EXPECT_EQ(box.width, 84.0f);
  EXPECT_EQ(box.minY, 8.0f);
  EXPECT_EQ(box.height, 4.0f);
  // A vertical line: the caps follow the line, not the axes.
  const zd::geom::Bounds up = zd::geom::computeBounds(
      outline("M 50 80 L 50 20", style(6, Join::miter, Cap::square)).segments);
  EXPECT_EQ(up.minX, 47.0f);
  EXPECT_EQ(up.minY, 17.0f);
  EXPECT_EQ(up.height, 66.0f);
}

TEST(Outline, RoundPiecesKeepTheirArea) {
  constexpr int kSize = 200;
  const double h = 10;
  struct Case {
    const char *d;
    Join join;
    double area;
  };
  const Case cases[] = {
      {"M 100 100 Z", Join::miter, kPi * h * h},                       // a dot
      {"M 40 100 L 160 100", Join::miter, 120 * 2 * h + kPi * h * h},  // two caps
      {"M 40 60 L 140 60 L 140 160", Join::round,                      // one right-angle join
       2 * 100 * 2 * h + kPi * h * h - h * h + kPi * h * h / 4},
  };
  for (float tolerance : {0.5f, 0.1f}) {
    for (const Case &c : cases) {
      const Coverage coverage =
          render(outline(c.d, style(20, c.join, Cap::round), tolerance).segments, kSize, kSize);
      EXPECT_NEAR(coverage.total() / c.area, 1.0, 0.005) << c.d << " at " << tolerance;
    }
  }
}

TEST(Outline, EveryJoinAndCapAtEveryCornerAngle) {
  // Corner angles between the two segments, from a full reversal (0) to
  // straight on (180).
  for (const double degrees : {0.0, 15.0, 45.0, 90.0, 135.0, 180.0}) {
    const double turn = kPi - degrees * kPi / 180.0;
    const P v{64.5, 70.25};
    const std::vector<P> points = {
        {v.x - 40, v.y}, v, {v.x + 40 * std::cos(turn), v.y + 40 * std::sin(turn)}};
    for (int join = 0; join < 3; ++join) {
      for (int cap = 0; cap < 3; ++cap) {
        Style s = style(14, static_cast<Join>(join), static_cast<Cap>(cap));
        s.miterLimit = 10;
        expectMatchesModel(points, false, s,
                           "angle " + std::to_string(degrees) + " join " + std::to_string(join) +
                               " cap " + std::to_string(cap));
      }
    }
  }
}

TEST(Outline, ClosedPolygonsJoinAtTheirStart) {
  const std::vector<P> triangle = {{20, 20}, {110, 30}, {40, 100}};
  const std::vector<P> sliver = {{10, 60}, {118, 64}, {12, 66}};
  for (int join = 0; join < 3; ++join) {
    Style s = style(10, static_cast<Join>(join), Cap::square);
    s.miterLimit = 12;
    expectMatchesModel(triangle, true, s, "triangle join " + std::to_string(join));
    expectMatchesModel(sliver, true, s, "sliver join " + std::to_string(join));
  }
}

TEST(Outline, MiterBecomesBevelPastTheLimit) {
  // With limit 2 the switch is at a corner of 60 degrees, where the miter is
  // exactly twice the width long. The tip of a width-20 miter lies 20 px
  // from the corner along its bisector; a bevel stops 5 px out.
  const auto tipCovered = [](double degrees) {
    const double half = degrees * kPi / 360.0;
    const P v{20, 64};
    const std::vector<P> points = {{v.x + 90 * std::cos(half), v.y - 90 * std::sin(half)},
                                   v,
                                   {v.x + 90 * std::cos(half), v.y + 90 * std::sin(half)}};
    Style s = style(20, Join::miter);
    s.miterLimit = 2;
    const Coverage c = render(outline(pathOf(points, false), s).segments, 128, 128);
    return c.at(static_cast<int>(v.x - 15), static_cast<int>(v.y));
  };
  EXPECT_EQ(tipCovered(60.5), 255);
  EXPECT_EQ(tipCovered(59.5), 0);
}

// Pixels well inside the Minkowski sum of the flattened path and the pen's
// disc (round joins and caps, which curves also use inside) are full, those
// well outside empty: a winding that cancelled would show as a hole.
void expectNoHoles(const std::string &d, float width, const std::string &what) {
  constexpr int kSize = 160;
  const float tolerance = 0.5f;
  const Outline out = outline(d, style(width, Join::round, Cap::round), tolerance);
  const Coverage coverage = render(out.segments, kSize, kSize);
  const std::vector<Segment> centre = zd::geom::flatten(zd::path::parsePath(d), tolerance);
  const double h = width / 2.0;
  const double margin = 0.75 + tolerance;
  int holes = 0, spills = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      double distance = 1e300;
      for (const Segment &s : centre)
        distance = std::min(distance, distanceToSegment(x + 0.5, y + 0.5, s));
      if (distance <= h - margin && coverage.at(x, y) != 255) ++holes;
      if (distance >= h + margin && coverage.at(x, y) != 0) ++spills;
    }
  }
  EXPECT_EQ(holes, 0) << what << ": " << d;
  EXPECT_EQ(spills, 0) << what << ": " << d;
}

TEST(Outline, SelfOverlapLeavesNoHoles) {
  expectNoHoles("M 20 120 C 160 20 0 20 140 120", 30, "a loop");
  expectNoHoles("M 30 80 C 90 20 90 140 32 82", 40, "a curve tighter than the pen");
  expectNoHoles("M 20 80 Q 150 80 20 81", 24, "a hairpin");
  expectNoHoles("M 80 20 A 30 30 0 1 1 79 20 Z", 50, "a circle narrower than the pen");
  std::mt19937 random(7);
  for (int k = 0; k < 20; ++k) {
    std::vector<P> points;
    for (int i = 0; i < 8; ++i) {
      points.push_back({20.0 + random() % 120, 20.0 + random() % 120});
    }
    expectNoHoles(pathOf(points, k % 2 == 1), static_cast<float>(4 + random() % 40),
                  "random polyline " + std::to_string(k));
  }
}

TEST(Outline, ZeroLengthSubpathsAreDotsOrNothing) {
  for (const char *d : {"M 10 10 Z", "M 10 10 L 10 10", "M 10 10 C 10 10 10 10 10 10"}) {
    const Outline square = outline(d, style(4, Join::miter, Cap::square));
    ASSERT_EQ(square.contourEnds.size(), 1u) << d;
    const zd::geom::Bounds box = zd::geom::computeBounds(square.segments);
    EXPECT_EQ(box.minX, 8.0f) << d;
    EXPECT_EQ(box.minY, 8.0f) << d;
    EXPECT_EQ(box.width, 4.0f) << d;
    EXPECT_EQ(box.height, 4.0f) << d;
    const Coverage round = render(outline(d, style(4, Join::miter, Cap::round)).segments, 20, 20);
    EXPECT_NEAR(round.total(), kPi * 4, kPi * 4 * 0.01) << d;
    EXPECT_TRUE(outline(d, style(4, Join::round, Cap::butt)).segments.empty()) << d;
  }
  // A lone move, or an arc back to its start, draws nothing; nor does a
  // second close after the first.
  for (const char *d : {"M 10 10", "M 10 10 A 5 5 0 0 1 10 10", "M 10 10 M 20 20"}) {
    EXPECT_TRUE(outline(d, style(4, Join::round, Cap::round)).segments.empty()) << d;
  }
  EXPECT_EQ(
      outline("M 0 0 L 10 0 L 10 10 Z Z", style(2, Join::round, Cap::round)).contourEnds.size(),
      2u);
}

TEST(Outline, WidthZeroIsEmptyAndCapsFollowCurveEnds) {
  EXPECT_TRUE(outline("M 0 0 L 50 50", style(0)).segments.empty());
  // Butt caps at a curve's ends are square to the curve, not to its first
  // and last chords: the quarter circle round (10, 90) starts going right
  // and ends going down, so its caps are the lines x = 10 and y = 90 (the
  // chords lean by 9 degrees, which would put a corner 0.8 px beyond).
  for (const char *d : {"M 10 50 A 40 40 0 0 1 50 90", "M 10 50 C 32.09 50 50 67.91 50 90"}) {
    const Outline out = outline(d, style(10, Join::miter, Cap::butt), 0.5f);
    const zd::geom::Bounds box = zd::geom::computeBounds(out.segments);
    EXPECT_NEAR(box.minY + box.height, 90.0f, 2e-3) << d;
    EXPECT_NEAR(box.minX, 10.0f, 2e-3) << d;
  }
}

TEST(Outline, AsAPathFlattensToTheSameSegments) {
  const Outline out = outline("M 10 10 C 90 0 0 90 80 80 L 20 70 Z M 5 5 L 5 5",
                              style(9, Join::round, Cap::square, {7, 3, 0, 4}, -2));
  const zd::path::Path path = outlineToPath(out);
  EXPECT_EQ(zd::geom::flatten(path, 0.5f), out.segments);
}

}  // namespace
}  // namespace zd::stroke::testing
