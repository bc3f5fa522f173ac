// Transforms of paths: flattening after the transform matches the
// transformed flattening (arcs included, mirrored and sheared), the command
// kinds that must change do, the identity changes nothing, and a refused
// transform leaves the path as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <sstream>
#include <vector>

#include "common/errors.hpp"
#include "geom/geom.hpp"
#include "path/pathdata.hpp"
#include "path/transform.hpp"

namespace zd::path {
namespace {

using zd::geom::Segment;

bool sameBytes(const Path &a, const Path &b) {
  return a.commands.size() == b.commands.size() &&
         std::memcmp(a.commands.data(), b.commands.data(),
                     a.commands.size() * sizeof(PathCommand)) == 0 &&
         std::memcmp(&a.start, &b.start, sizeof(Vec2)) == 0 &&
         std::memcmp(&a.current, &b.current, sizeof(Vec2)) == 0;
}

double distanceToSegment(Vec2 p, const Segment &s) {
  const double dx = double{s.x1} - s.x0, dy = double{s.y1} - s.y0;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.x - s.x0) * dx + (p.y - s.y0) * dy) / length2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(s.x0 + t * dx - p.x, s.y0 + t * dy - p.y);
}

// The largest distance from a vertex of one list to the other list.
double farthest(const std::vector<Segment> &from, const std::vector<Segment> &to) {
  double worst = 0;
  for (const Segment &s : from) {
    for (const Vec2 p : {Vec2{s.x0, s.y0}, Vec2{s.x1, s.y1}}) {
      double best = 1e300;
      for (const Segment &t : to) best = std::min(best, distanceToSegment(p, t));
      worst = std::max(worst, best);
    }
  }
  return worst;
}

// Numbers are appended one statement at a time, so that every compiler
// builds the same paths (the operands of + are evaluated in no fixed order).
Path randomPath(std::mt19937 &random) {
  std::uniform_real_distribution<float> coordinate(-60.0f, 60.0f);
  std::uniform_real_distribution<float> radius(2.0f, 50.0f);
  std::ostringstream d;
  d << "M";
  const auto number = [&](float value) { d << " " << value; };
  const auto numbers = [&](int count) {
    for (int i = 0; i < count; ++i) number(coordinate(random));
  };
  numbers(2);
  for (int i = 0; i < 8; ++i) {
    switch (random() % 9) {
      case 0:
        d << " L";
        numbers(2);
        break;
      case 1:
        d << " h";
        numbers(1);
        d << " v";
        numbers(1);
        break;
      case 2:
        d << " C";
        numbers(6);
        break;
      case 3:
        d << " s";
        numbers(4);
        break;
      case 4:
        d << " q";
        numbers(4);
        d << " T";
        numbers(2);
        break;
      case 5:
      case 6:
        d << (random() % 2 ? " A" : " a");
        number(radius(random));
        number(radius(random));
        number(coordinate(random) * 3);
        d << (random() % 2 ? " 1" : " 0");
        d << (random() % 2 ? " 1" : " 0");
        numbers(2);
        break;
      case 7: d << " Z"; break;
      default:
        d << " m";
        numbers(2);
        break;
    }
  }
  return parsePath(d.str());
}

TEST(Transform, FlatteningCommutesWithTheTransform) {
  const double kPi = std::numbers::pi;
  const float c = static_cast<float>(std::cos(0.7)), s = static_cast<float>(std::sin(0.7));
  const Matrix matrices[] = {
      {c, s, -s, c, 5, -7},                                     // rotation and translation
      {2.5f, 0, 0, 0.4f, 1, 2},                                 // non-uniform scale
      {-1, 0, 0, 1, 0, 0},                                      // mirror
      {1.5f * c, 0.5f * s, -s, -c, 10, 3},                      // mirrored, sheared and scaled
      {1, 0, 0.8f, 1, 0, 0},                                    // shear
      {static_cast<float>(std::cos(kPi / 2)), 1, -1, 0, 0, 0},  // a quarter turn
  };
  std::mt19937 random(11);
  const float tolerance = 0.25f;
  for (int k = 0; k < 40; ++k) {
    const Path original = randomPath(random);
    for (const Matrix &m : matrices) {
      Path moved = original;
      transform(moved, m);
      const std::vector<Segment> after = zd::geom::flatten(moved, tolerance);
      // Flatten the original finely enough that after the matrix it is
      // still within the tolerance, then map its vertices.
      std::vector<Segment> before =
          zd::geom::flatten(original, static_cast<float>(tolerance / largestScale(m)));
      for (Segment &seg : before) {
        const Vec2 a = apply(m, {seg.x0, seg.y0}), b = apply(m, {seg.x1, seg.y1});
        seg = {a.x, a.y, b.x, b.y};
      }
      const std::string what = toString(original) + " matrix " + std::to_string(&m - matrices);
      // Every vertex of the flattening after the transform lies on the
      // curve. The other way round the bound is looser: the flatness test
      // measures control points against the chord's line, so near a cusp
      // or at a hairpin's tip the flattening strays by a few tolerances,
      // before or after any transform (2.2 at most on these paths).
      EXPECT_LE(farthest(after, before), 2 * tolerance) << what;
      EXPECT_LE(farthest(before, after), 4 * tolerance) << what;
      EXPECT_EQ(moved.current, apply(m, original.current)) << what;
      EXPECT_EQ(moved.start, apply(m, original.start)) << what;
    }
  }
}

TEST(Transform, TheIdentityChangesNoByte) {
  Path path =
      parsePath("M -0 1 h -0 v 2 c 1 2 3 4 5 6 S 1 2 3 4 q 1 1 2 0 t 3 3 a 4 5 30 1 0 7 8 Z l 1 1");
  const Path before = path;
  transform(path, Matrix{});
  EXPECT_TRUE(sameBytes(path, before));
  transform(path, Matrix{1, -0.0f, -0.0f, 1, -0.0f, 0});
  EXPECT_TRUE(sameBytes(path, before));
}

TEST(Transform, KindsChangeWhereTheyMust) {
  // Under a rotation lines along the axes lose their direction; relative
  // commands become absolute.
  Path path = parsePath("M 1 2 H 5 V 7 h 1 v 1 l 2 2");
  transform(path, Matrix{0, 1, -1, 0, 0, 0});
  for (const PathCommand &command : path.commands) {
    EXPECT_TRUE(command.kind() == pMove || command.kind() == pLine) << toString(path);
  }
  EXPECT_EQ(toString(path), "M -2 1 L -2 5 L -7 5 L -7 6 L -8 6 L -10 8");
  // A scale with a translation keeps them, with absolute values.
  path = parsePath("M 1 2 H 5 V 7 h 1 v 1");
  transform(path, Matrix{2, 0, 0, 3, 10, 20});
  EXPECT_EQ(toString(path), "M 12 26 H 20 V 41 H 22 V 44");
  // A path that starts without a move starts at the image of the origin.
  path = parsePath("M 0 0");
  path.commands.clear();
  add(path, PathCommand::point(pLine, {4, 0}));
  refreshState(path);
  transform(path, Matrix{1, 0, 0, 1, 10, 10});
  EXPECT_EQ(toString(path), "M 10 10 L 14 10");
  EXPECT_EQ(path.start, (Vec2{10, 10}));
  // An empty path stays empty, at the origin.
  Path empty;
  transform(empty, Matrix{1, 0, 0, 1, 10, 10});
  EXPECT_TRUE(empty.commands.empty());
  EXPECT_EQ(empty.current, (Vec2{0, 0}));
}

TEST(Transform, ArcsGetTheMappedEllipse) {
  const auto arcOf = [](const char *d, const Matrix &m) {
    Path path = parsePath(d);
    transform(path, m);
    return path.commands.back();
  };
  // A circle scaled by (2, 1) becomes an ellipse with radii 10 and 5.
  PathCommand arc = arcOf("M 0 0 A 5 5 0 0 1 10 0", {2, 0, 0, 1, 0, 0});
  EXPECT_NEAR(arc.r().x, 10.0f, 1e-5);
  EXPECT_NEAR(arc.r().y, 5.0f, 1e-5);
  EXPECT_NEAR(std::sin(arc.rot()), 0.0, 1e-6);
  EXPECT_TRUE(arc.sweep());
  EXPECT_EQ(arc.a(), (Vec2{20, 0}));
  // An ellipse turned a quarter: the same radii, the rotation a quarter more.
  arc = arcOf("M 0 0 A 8 3 0 1 0 4 4", {0, 1, -1, 0, 0, 0});
  EXPECT_NEAR(arc.r().x, 8.0f, 1e-5);
  EXPECT_NEAR(arc.r().y, 3.0f, 1e-5);
  EXPECT_NEAR(std::fabs(std::cos(arc.rot())), 0.0, 1e-6);
  EXPECT_TRUE(arc.largeArc());
  EXPECT_FALSE(arc.sweep());
  // A mirror flips the sweep.
  arc = arcOf("M 0 0 A 5 5 0 0 1 10 0", {1, 0, 0, -1, 0, 0});
  EXPECT_FALSE(arc.sweep());
  // A zero radius stays a straight line.
  arc = arcOf("M 0 0 A 0 5 0 0 1 10 0", {0.5f, 0.3f, -0.2f, 2, 0, 0});
  EXPECT_EQ(arc.r(), (Vec2{0, 0}));
}

TEST(Transform, RefusalsLeaveThePathAsItWas) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  Path path = parsePath("M 1e10 1 L 2 2 A 3 3 0 0 1 5 5");
  const Path before = path;
  for (int slot = 0; slot < 6; ++slot) {
    for (float bad : {nan, inf, -inf}) {
      float entries[6] = {1, 0, 0, 1, 0, 0};
      entries[slot] = bad;
      EXPECT_THROW(transform(path, Matrix{entries[0], entries[1], entries[2], entries[3],
                                          entries[4], entries[5]}),
                   zd::Error);
      EXPECT_TRUE(sameBytes(path, before));
    }
  }
  // A finite matrix whose results overflow.
  EXPECT_THROW(transform(path, Matrix{1e30f, 0, 0, 1, 0, 0}), zd::Error);
  EXPECT_TRUE(sameBytes(path, before));
}

}  // namespace
}  // namespace zd::path
