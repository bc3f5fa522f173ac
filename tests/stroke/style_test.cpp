// Styles the stroker refuses, and inputs that must stay bounded: the
// segment cap holds for the outline, for dash patterns and for round pieces
// of enormous pens.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>

#include "common/errors.hpp"
#include "stroke_support.hpp"

namespace zd::stroke::testing {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(Style, BadStylesAreNamedAndRefused) {
  EXPECT_EQ(styleProblem(style(1)), nullptr);
  EXPECT_EQ(styleProblem(style(0)), nullptr);
  std::vector<Style> bad;
  for (float width : {-1.0f, kNaN, kInf}) bad.push_back(style(width));
  Style s = style(1);
  s.join = static_cast<Join>(3);
  bad.push_back(s);
  s = style(1);
  s.cap = static_cast<Cap>(7);
  bad.push_back(s);
  for (float limit : {0.99f, kNaN, kInf, -4.0f}) {
    s = style(1);
    s.miterLimit = limit;
    bad.push_back(s);
  }
  for (float dash : {-0.5f, kNaN, kInf}) bad.push_back(style(1, Join::miter, Cap::butt, {1, dash}));
  bad.push_back(style(1, Join::miter, Cap::butt, {1, 1}, kNaN));
  for (const Style &b : bad) {
    EXPECT_NE(styleProblem(b), nullptr);
    Outline out;
    EXPECT_THROW(strokeOutline(zd::path::parsePath("M 0 0 L 5 5"), b, 0.5f, out), zd::Error);
  }
  s = style(1);
  s.miterLimit = 1.0f;  // the smallest limit: every corner is beveled
  EXPECT_EQ(styleProblem(s), nullptr);
}

TEST(Style, HugeInputsStayBounded) {
  const auto start = std::chrono::steady_clock::now();
  Outline out;
  const zd::path::Path line = zd::path::parsePath("M 0 0 L 1000000 0");
  // Millions of dashes: more segments than the cap allows.
  EXPECT_THROW(strokeOutline(line, style(1, Join::miter, Cap::butt, {0.01f, 0.01f}), 0.5f, out),
               zd::Error);
  // Dashes that draw nothing (zero length, butt caps) still count, and
  // dashes too short to move along the line end the walk too.
  EXPECT_THROW(strokeOutline(line, style(1, Join::miter, Cap::butt, {0, 1e-30f}), 0.5f, out),
               zd::Error);
  EXPECT_THROW(strokeOutline(line, style(1, Join::miter, Cap::round, {1e-30f, 1e-30f}), 0.5f, out),
               zd::Error);
  // A pen so wide that a round cap needs more chords than the cap allows.
  EXPECT_THROW(strokeOutline(line, style(1e30f, Join::round, Cap::round), 0.5f, out), zd::Error);
  // Offsets beyond the float range.
  EXPECT_THROW(strokeOutline(zd::path::parsePath("M 0 0 L 3e38 0"),
                             style(3e38f, Join::miter, Cap::square), 0.5f, out),
               zd::Error);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  // Just under the cap is fine: a polyline of 200,000 segments.
  zd::path::Path zigzag;
  zd::path::add(zigzag, zd::path::PathCommand::point(zd::path::pMove, {0, 0}));
  for (int i = 1; i <= 200000; ++i) {
    zd::path::add(zigzag, zd::path::PathCommand::point(
                              zd::path::pLine, {static_cast<float>(i), static_cast<float>(i % 2)}));
  }
  strokeOutline(zigzag, style(0.5f, Join::bevel, Cap::butt), 0.5f, out);
  EXPECT_LE(out.segments.size(), zd::geom::kSegmentCap);
  EXPECT_GT(out.segments.size(), 400000u);
}

}  // namespace
}  // namespace zd::stroke::testing
