// Path handle exports through the C interface: checks in order, rejected
// calls change nothing, read-back of commands and state.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "zd.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct PathHandle {
  ZdPath *p = zd_path_new();
  ~PathHandle() { zd_path_free(p); }
  int64_t count() const { return zd_path_command_count(p); }
  std::pair<float, float> current() const {
    float xy[2] = {0, 0};
    EXPECT_EQ(zd_path_current(p, xy), ZD_OK);
    return {xy[0], xy[1]};
  }
  std::pair<float, float> start() const {
    float xy[2] = {0, 0};
    EXPECT_EQ(zd_path_start(p, xy), ZD_OK);
    return {xy[0], xy[1]};
  }
};

TEST(PathApi, NilPathIsRejectedEverywhere) {
  EXPECT_EQ(zd_path_move_to(nullptr, 1, 2), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_close_path(nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_rect(nullptr, 1, 0, 0, 1, 1), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_command_count(nullptr), 0);
  EXPECT_EQ(zd_path_copy(nullptr), nullptr);
  float xy[2] = {7, 7};
  EXPECT_EQ(zd_path_current(nullptr, xy), ZD_BAD_ARGUMENT);
  EXPECT_EQ(xy[0], 7.0f);
  PathHandle path;
  EXPECT_EQ(zd_path_start(path.p, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_add_path(path.p, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_add_path(nullptr, path.p), ZD_BAD_ARGUMENT);
}

TEST(PathApi, NonFiniteFloatsAreRejectedAndChangeNothing) {
  PathHandle path;
  ASSERT_EQ(zd_path_move_to(path.p, 1, 2), ZD_OK);
  for (float bad : {kNaN, kInf, -kInf}) {
    EXPECT_EQ(zd_path_move_to(path.p, bad, 0), ZD_BAD_ARGUMENT);
    EXPECT_EQ(zd_path_line_to(path.p, 0, bad), ZD_BAD_ARGUMENT);
    EXPECT_EQ(zd_path_bezier_curve_to(path.p, 0, 0, 0, 0, 0, bad), ZD_BAD_ARGUMENT);
    EXPECT_EQ(zd_path_quadratic_curve_to(path.p, bad, 0, 0, 0), ZD_BAD_ARGUMENT);
    EXPECT_EQ(zd_path_elliptical_arc_to(path.p, 1, 1, bad, 0, 0, 1, 1), ZD_BAD_ARGUMENT);
    EXPECT_EQ(zd_path_rounded_rect(path.p, 1, 0, 0, 5, 5, 1, 1, 1, bad), ZD_BAD_ARGUMENT);
    EXPECT_EQ(zd_path_polygon(path.p, 5, 0, 0, bad), ZD_BAD_ARGUMENT);
    EXPECT_EQ(zd_path_arc(path.p, 0, 0, 0, 1, 0, bad), ZD_BAD_ARGUMENT);
    EXPECT_EQ(zd_path_arc_to(path.p, 1, 1, 2, 2, bad), ZD_BAD_ARGUMENT);
  }
  EXPECT_EQ(path.count(), 1);
  EXPECT_EQ(path.current(), std::make_pair(1.0f, 2.0f));
  EXPECT_EQ(path.start(), std::make_pair(1.0f, 2.0f));
}

TEST(PathApi, NegativeZeroAndSubnormalsPass) {
  PathHandle path;
  const float subnormal = std::numeric_limits<float>::denorm_min();
  EXPECT_EQ(zd_path_move_to(path.p, -0.0f, subnormal), ZD_OK);
  EXPECT_EQ(zd_path_elliptical_arc_to(path.p, -0.0f, 0.0f, 0, 0, 0, 1, 1), ZD_OK);
  EXPECT_EQ(zd_path_circle(path.p, 0, 0, -0.0f), ZD_OK);
  EXPECT_EQ(path.count(), 8);
}

TEST(PathApi, RangeRules) {
  PathHandle path;
  EXPECT_EQ(zd_path_elliptical_arc_to(path.p, -1, 1, 0, 0, 0, 1, 1), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_elliptical_arc_to(path.p, 1, -1, 0, 0, 0, 1, 1), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_ellipse(path.p, 0, 0, 1, -0.5f), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_circle(path.p, 0, 0, -1), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_arc(path.p, 0, 0, 0, -1, 0, 1), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_arc_to(path.p, 0, 0, 1, 1, -2), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_polygon(path.p, 2, 0, 0, 1), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_polygon(path.p, 1048577, 0, 0, 1), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_polygon(path.p, -3, 0, 0, 1), ZD_BAD_ARGUMENT);
  EXPECT_EQ(path.count(), 0);
  EXPECT_EQ(zd_path_polygon(path.p, 3, 0, 0, 1), ZD_OK);
  EXPECT_EQ(path.count(), 4);
  // Negative sizes and radii are drawing instructions for these builders.
  EXPECT_EQ(zd_path_rect(path.p, 0, 0, 0, -5, -5), ZD_OK);
  EXPECT_EQ(zd_path_polygon(path.p, 3, 0, 0, -1), ZD_OK);
}

TEST(PathApi, LargestPolygonIsAccepted) {
  PathHandle path;
  EXPECT_EQ(zd_path_polygon(path.p, 1048576, 0, 0, 100), ZD_OK);
  EXPECT_EQ(path.count(), 1048577);
}

TEST(PathApi, PlainBuildersAppendOneCommandWithoutImplicitMove) {
  PathHandle path;
  EXPECT_EQ(zd_path_line_to(path.p, 10, 0), ZD_OK);
  EXPECT_EQ(path.count(), 1);
  EXPECT_EQ(path.start(), std::make_pair(0.0f, 0.0f));
  EXPECT_EQ(path.current(), std::make_pair(10.0f, 0.0f));
  EXPECT_EQ(zd_path_move_to(path.p, 1, 1), ZD_OK);
  EXPECT_EQ(zd_path_move_to(path.p, 2, 2), ZD_OK);
  EXPECT_EQ(path.count(), 3);
  EXPECT_EQ(zd_path_close_path(path.p), ZD_OK);
  EXPECT_EQ(path.current(), std::make_pair(2.0f, 2.0f));
}

TEST(PathApi, CloseOnNewPathKeepsOrigin) {
  PathHandle path;
  EXPECT_EQ(zd_path_close_path(path.p), ZD_OK);
  EXPECT_EQ(path.count(), 1);
  EXPECT_EQ(path.current(), std::make_pair(0.0f, 0.0f));
}

TEST(PathApi, CommandGetFillsAndClearsTheRecord) {
  PathHandle path;
  ASSERT_EQ(zd_path_move_to(path.p, 1, 2), ZD_OK);
  ZdCommand command;
  for (float &f : command.params) f = 99;
  command.kind = 42;
  ASSERT_EQ(zd_path_command_get(path.p, 0, &command), ZD_OK);
  EXPECT_EQ(command.kind, ZD_MOVE);
  const float expected[7] = {1, 2, 0, 0, 0, 0, 0};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(command.params[i], expected[i]);

  ZdCommand untouched = command;
  EXPECT_EQ(zd_path_command_get(path.p, 1, &untouched), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_command_get(path.p, -1, &untouched), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_command_get(path.p, 0, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(untouched.kind, ZD_MOVE);

  ASSERT_EQ(zd_path_elliptical_arc_to(path.p, 0, 4, 0.75f, 1, 0, 5, 6), ZD_OK);
  ASSERT_EQ(zd_path_command_get(path.p, 1, &command), ZD_OK);
  EXPECT_EQ(command.kind, ZD_ARC);
  const float arc[7] = {0, 4, 0.75f, 1, 0, 5, 6};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(command.params[i], arc[i]);
}

TEST(PathApi, KindQueries) {
  EXPECT_EQ(zd_path_command_is_relative(9), 0);
  EXPECT_EQ(zd_path_command_is_relative(0), 0);
  EXPECT_EQ(zd_path_command_is_relative(10), 1);
  EXPECT_EQ(zd_path_command_is_relative(19), -1);
  EXPECT_EQ(zd_path_command_is_relative(-1), -1);
  const int32_t counts[19] = {0, 2, 2, 1, 1, 6, 4, 4, 2, 7, 2, 2, 1, 1, 6, 4, 4, 2, 7};
  for (int32_t k = 0; k < 19; ++k) EXPECT_EQ(zd_path_command_parameter_count(k), counts[k]);
  EXPECT_EQ(zd_path_command_parameter_count(19), -1);
  EXPECT_EQ(zd_path_command_parameter_count(INT32_MIN), -1);
}

TEST(PathApi, AddPathCopiesAndAdvancesFromTheDestinationState) {
  PathHandle a;
  ASSERT_EQ(zd_path_move_to(a.p, 10, 10), ZD_OK);
  ZdPath *b = nullptr;
  if (zd_path_parse_d("M 3 4 l 1 1", &b) != ZD_OK) GTEST_SKIP() << "path-data parser not built";
  ASSERT_EQ(zd_path_add_path(a.p, b), ZD_OK);
  EXPECT_EQ(a.count(), 3);
  EXPECT_EQ(a.start(), std::make_pair(3.0f, 4.0f));
  EXPECT_EQ(a.current(), std::make_pair(4.0f, 5.0f));
  EXPECT_EQ(zd_path_command_count(b), 2);  // the source is unchanged
  zd_path_free(b);

  PathHandle c;
  ASSERT_EQ(zd_path_move_to(c.p, 10, 10), ZD_OK);
  ZdPath *relative = nullptr;
  ASSERT_EQ(zd_path_parse_d("m 3 4 l 1 1", &relative), ZD_OK);
  ASSERT_EQ(zd_path_add_path(c.p, relative), ZD_OK);
  EXPECT_EQ(c.start(), std::make_pair(13.0f, 14.0f));
  EXPECT_EQ(c.current(), std::make_pair(14.0f, 15.0f));
  zd_path_free(relative);
}

TEST(PathApi, AddPathToItselfAppendsOneCopy) {
  PathHandle a;
  ASSERT_EQ(zd_path_move_to(a.p, 1, 1), ZD_OK);
  ASSERT_EQ(zd_path_line_to(a.p, 5, 1), ZD_OK);
  ASSERT_EQ(zd_path_add_path(a.p, a.p), ZD_OK);
  EXPECT_EQ(a.count(), 4);
  EXPECT_EQ(a.current(), std::make_pair(5.0f, 1.0f));
}

TEST(PathApi, CopyIsIndependent) {
  PathHandle a;
  ASSERT_EQ(zd_path_rect(a.p, 1, 1, 2, 3, 4), ZD_OK);
  ASSERT_EQ(zd_path_line_to(a.p, 9, 9), ZD_OK);
  ZdPath *copy = zd_path_copy(a.p);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(zd_path_command_count(copy), 6);
  float xy[2];
  ASSERT_EQ(zd_path_current(copy, xy), ZD_OK);
  EXPECT_EQ(xy[0], 9.0f);
  ASSERT_EQ(zd_path_start(copy, xy), ZD_OK);
  EXPECT_EQ(xy[0], 1.0f);
  EXPECT_EQ(zd_path_close_path(copy), ZD_OK);
  EXPECT_EQ(a.count(), 6);
  zd_path_free(copy);
}

}  // namespace
