// Geometry exports through the C interface: argument checks in order,
// outputs cleared or untouched as promised, partial copies of segments.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "zd.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kSentinel = -12345.0f;

// A closed triangle of three segments plus a cubic of 8 segments at 0.5.
struct FlattenFixture : ::testing::Test {
  ZdPath *path = zd_path_new();
  void SetUp() override {
    ASSERT_EQ(zd_path_move_to(path, 0, 0), ZD_OK);
    ASSERT_EQ(zd_path_line_to(path, 10, 0), ZD_OK);
    ASSERT_EQ(zd_path_line_to(path, 10, 10), ZD_OK);
    ASSERT_EQ(zd_path_close_path(path), ZD_OK);
    ASSERT_EQ(zd_path_bezier_curve_to(path, 0, 10, 10, 10, 10, 0), ZD_OK);
  }
  void TearDown() override { zd_path_free(path); }

  int64_t countAt(float tolerance) {
    int64_t count = -1;
    EXPECT_EQ(zd_path_flatten(path, nullptr, 0, &count, tolerance), ZD_OK);
    return count;
  }
};

TEST_F(FlattenFixture, SizingCallThenFullCopy) {
  int64_t count = -1;
  ASSERT_EQ(zd_path_flatten(path, nullptr, 0, &count, 0.5f), ZD_OK);
  ASSERT_EQ(count, 11);
  std::vector<float> segments(4 * count, kSentinel);
  ASSERT_EQ(zd_path_flatten(path, segments.data(), count, &count, 0.5f), ZD_OK);
  EXPECT_EQ(count, 11);
  const std::vector<float> firstThree = {0, 0, 10, 0, 10, 0, 10, 10, 10, 10, 0, 0};
  EXPECT_EQ(std::vector<float>(segments.begin(), segments.begin() + 12), firstThree);
  // The cubic starts at the closed subpath's start point.
  EXPECT_EQ(segments[12], 0.0f);
  EXPECT_EQ(segments[13], 0.0f);
  EXPECT_EQ(segments[14], 0.4296875f);
  EXPECT_EQ(segments[15], 3.28125f);
  EXPECT_EQ(segments[42], 10.0f);
  EXPECT_EQ(segments[43], 0.0f);
}

TEST_F(FlattenFixture, ShortArrayGetsWholeLeadingSegmentsAndTheFullCount) {
  std::vector<float> segments(4 * 5, kSentinel);
  int64_t count = -1;
  ASSERT_EQ(zd_path_flatten(path, segments.data(), 2, &count, 0.5f), ZD_OK);
  EXPECT_EQ(count, 11);
  EXPECT_EQ(segments[7], 10.0f);      // end of the second segment
  EXPECT_EQ(segments[8], kSentinel);  // nothing past the capacity
  EXPECT_EQ(segments[19], kSentinel);
}

TEST_F(FlattenFixture, ZeroOrNegativeCapacityWritesNothing) {
  std::vector<float> segments(8, kSentinel);
  int64_t count = -1;
  ASSERT_EQ(zd_path_flatten(path, segments.data(), 0, &count, 0.5f), ZD_OK);
  EXPECT_EQ(count, 11);
  ASSERT_EQ(zd_path_flatten(path, segments.data(), -1, &count, 0.5f), ZD_OK);
  EXPECT_EQ(count, 11);
  EXPECT_EQ(segments, std::vector<float>(8, kSentinel));
}

TEST_F(FlattenFixture, ToleranceZeroOrBelowMeansHalf) {
  const int64_t atHalf = countAt(0.5f);
  EXPECT_EQ(countAt(0.0f), atHalf);
  EXPECT_EQ(countAt(-0.0f), atHalf);
  EXPECT_EQ(countAt(-1.0f), atHalf);
  EXPECT_EQ(countAt(1.0f), 7);  // 3 lines + 4 for the cubic
}

TEST_F(FlattenFixture, RejectionsClearTheCount) {
  float segments[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
  int64_t count = 99;
  EXPECT_EQ(zd_path_flatten(path, segments, 1, &count, kNaN), ZD_BAD_ARGUMENT);
  EXPECT_EQ(count, 0);
  count = 99;
  EXPECT_EQ(zd_path_flatten(path, segments, 1, &count, -kInf), ZD_BAD_ARGUMENT);
  EXPECT_EQ(count, 0);
  count = 99;
  EXPECT_EQ(zd_path_flatten(path, nullptr, 5, &count, 0.5f), ZD_BAD_ARGUMENT);
  EXPECT_EQ(count, 0);
  count = 99;
  EXPECT_EQ(zd_path_flatten(path, nullptr, -1, &count, 0.5f), ZD_BAD_ARGUMENT);
  EXPECT_EQ(count, 0);
  // A given count holds 0 after a failure, a nil path included.
  count = 99;
  EXPECT_EQ(zd_path_flatten(nullptr, segments, 1, &count, 0.5f), ZD_BAD_ARGUMENT);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(zd_path_flatten(path, segments, 1, nullptr, 0.5f), ZD_BAD_ARGUMENT);
  EXPECT_EQ(segments[0], kSentinel);
}

TEST(FlattenApi, SegmentLimitIsStatus2AndTheHandleStaysUsable) {
  ZdPath *path = zd_path_new();
  ASSERT_EQ(zd_path_move_to(path, 0, 0), ZD_OK);
  // A radius this large against tolerance 0.5 needs infinitely many steps.
  ASSERT_EQ(zd_path_elliptical_arc_to(path, 1e9f, 1e9f, 0, 0, 1, 10, 0), ZD_OK);
  float segments[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
  int64_t count = 99;
  EXPECT_EQ(zd_path_flatten(path, segments, 1, &count, 0.5f), ZD_BAD_ARGUMENT);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(segments[0], kSentinel);

  ZdPath *fine = zd_path_new();
  ASSERT_EQ(zd_path_line_to(fine, 3, 4), ZD_OK);
  EXPECT_EQ(zd_path_flatten(fine, segments, 1, &count, 0.5f), ZD_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(segments[3], 4.0f);
  EXPECT_EQ(zd_path_command_count(path), 2);
  zd_path_free(fine);
  zd_path_free(path);
}

TEST(FlattenApi, EmptyPathHasNoSegments) {
  ZdPath *path = zd_path_new();
  int64_t count = 99;
  EXPECT_EQ(zd_path_flatten(path, nullptr, 0, &count, 0.5f), ZD_OK);
  EXPECT_EQ(count, 0);
  zd_path_free(path);
}

TEST(BoundsApi, ResultsAndRejections) {
  float bounds[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
  EXPECT_EQ(zd_segments_bounds(nullptr, 0, bounds), ZD_OK);
  EXPECT_EQ(bounds[0], 0.0f);
  EXPECT_EQ(bounds[3], 0.0f);

  const float one[4] = {3, 4, 1, 7};
  ASSERT_EQ(zd_segments_bounds(one, 1, bounds), ZD_OK);
  EXPECT_EQ(std::vector<float>(bounds, bounds + 4), (std::vector<float>{1, 4, 2, 3}));

  const float two[8] = {3, 4, 1, 7, -5, 0, 2, 9};
  ASSERT_EQ(zd_segments_bounds(two, 2, bounds), ZD_OK);
  EXPECT_EQ(std::vector<float>(bounds, bounds + 4), (std::vector<float>{-5, 0, 8, 9}));
  // Only `count` segments are read.
  ASSERT_EQ(zd_segments_bounds(two, 1, bounds), ZD_OK);
  EXPECT_EQ(bounds[0], 1.0f);
}

TEST(BoundsApi, RejectionsLeaveTheBoundsUntouched) {
  const float one[4] = {3, 4, 1, 7};
  float bounds[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
  EXPECT_EQ(zd_segments_bounds(one, -1, bounds), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_segments_bounds(one, 1, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_segments_bounds(nullptr, 1, bounds), ZD_BAD_ARGUMENT);
  // A count whose byte size cannot exist is refused before anything is read.
  EXPECT_EQ(zd_segments_bounds(one, std::numeric_limits<int64_t>::max(), bounds), ZD_BAD_ARGUMENT);
  const float withNaN[8] = {0, 0, 1, 1, 2, 2, 3, kNaN};
  EXPECT_EQ(zd_segments_bounds(withNaN, 2, bounds), ZD_BAD_ARGUMENT);
  const float withInf[4] = {0, -kInf, 1, 1};
  EXPECT_EQ(zd_segments_bounds(withInf, 1, bounds), ZD_BAD_ARGUMENT);
  EXPECT_EQ(std::vector<float>(bounds, bounds + 4), std::vector<float>(4, kSentinel));
}

TEST(CurvePointApi, ValuesAtTheEndsAndMiddle) {
  float xy[2] = {kSentinel, kSentinel};
  ASSERT_EQ(zd_quad_point(0, 0, 50, 100, 100, 0, 0.5f, xy), ZD_OK);
  EXPECT_EQ(xy[0], 50.0f);
  EXPECT_EQ(xy[1], 50.0f);
  ASSERT_EQ(zd_quad_point(1, 2, 50, 100, 7, 8, 0.0f, xy), ZD_OK);
  EXPECT_EQ(xy[0], 1.0f);
  ASSERT_EQ(zd_quad_point(1, 2, 50, 100, 7, 8, 1.0f, xy), ZD_OK);
  EXPECT_EQ(xy[1], 8.0f);
  ASSERT_EQ(zd_cubic_point(0, 0, 0, 10, 10, 10, 10, 0, 0.5f, xy), ZD_OK);
  EXPECT_EQ(xy[0], 5.0f);
  EXPECT_EQ(xy[1], 7.5f);
  ASSERT_EQ(zd_cubic_point(0, 0, 0, 10, 10, 10, 10, -3, 1.0f, xy), ZD_OK);
  EXPECT_EQ(xy[1], -3.0f);
}

TEST(CurvePointApi, RejectionsStoreNothing) {
  float xy[2] = {kSentinel, kSentinel};
  EXPECT_EQ(zd_quad_point(0, 0, 1, 1, 2, 0, 1.5f, xy), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_quad_point(0, 0, 1, 1, 2, 0, -0.1f, xy), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_quad_point(0, 0, 1, 1, 2, 0, kNaN, xy), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_quad_point(kInf, 0, 1, 1, 2, 0, 0.5f, xy), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_quad_point(0, 0, 1, 1, 2, 0, 0.5f, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_cubic_point(0, 0, 1, 1, 2, 0, 3, 3, 1.0001f, xy), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_cubic_point(0, 0, 1, 1, 2, 0, 3, kNaN, 0.5f, xy), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_cubic_point(0, 0, 1, 1, 2, 0, 3, 3, 0.5f, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(xy[0], kSentinel);
  EXPECT_EQ(xy[1], kSentinel);
  // -0.0 is a parameter in range.
  EXPECT_EQ(zd_cubic_point(0, 0, 1, 1, 2, 0, 3, 3, -0.0f, xy), ZD_OK);
}

}  // namespace
