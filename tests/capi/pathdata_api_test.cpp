// zd_path_parse_d and zd_path_to_d: argument checks, cleared outputs,
// ownership of what they hand out, and failures from the work.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "capi/handles.hpp"
#include "zd.h"

namespace {

ZdPath *const kGarbagePath = reinterpret_cast<ZdPath *>(0x1);
char *const kGarbageText = reinterpret_cast<char *>(0x1);

TEST(PathDataApi, ParseHandsOutAPathWithItsState) {
  ZdPath *path = nullptr;
  ASSERT_EQ(zd_path_parse_d("M 1 2 l 3 4 Z m 1 1", &path), ZD_OK);
  ASSERT_NE(path, nullptr);
  ASSERT_EQ(zd_path_command_count(path), 4);
  const int kinds[] = {1, 11, 0, 10};
  for (int i = 0; i < 4; ++i) {
    ZdCommand command;
    ASSERT_EQ(zd_path_command_get(path, i, &command), ZD_OK);
    EXPECT_EQ(command.kind, kinds[i]) << i;
  }
  float point[2];
  ASSERT_EQ(zd_path_start(path, point), ZD_OK);
  EXPECT_EQ(point[0], 2.0f);
  EXPECT_EQ(point[1], 3.0f);
  ASSERT_EQ(zd_path_current(path, point), ZD_OK);
  EXPECT_EQ(point[0], 2.0f);
  EXPECT_EQ(point[1], 3.0f);
  zd_path_free(path);

  // Blank text gives an empty path, not a failure.
  ASSERT_EQ(zd_path_parse_d(" , ", &path), ZD_OK);
  EXPECT_EQ(zd_path_command_count(path), 0);
  zd_path_free(path);
}

TEST(PathDataApi, ParseReadsUpToTheFirstNul) {
  const char text[] = "M 1 2\0X";
  ZdPath *path = nullptr;
  ASSERT_EQ(zd_path_parse_d(text, &path), ZD_OK);
  EXPECT_EQ(zd_path_command_count(path), 1);
  zd_path_free(path);
}

TEST(PathDataApi, ParseFailuresLeaveTheSlotNil) {
  EXPECT_EQ(zd_path_parse_d("M 0 0", nullptr), ZD_BAD_ARGUMENT);

  ZdPath *path = kGarbagePath;
  EXPECT_EQ(zd_path_parse_d(nullptr, &path), ZD_BAD_ARGUMENT);
  EXPECT_EQ(path, nullptr);

  for (const char *text : {"M 1", "L 1 2", "M 1 2 X", "M 1e400 0", "M 1e 0", "M0 0A5 5 0 2 1 1 1",
                           "M 0 0 A -1 1 0 0 0 1 1", "7"}) {
    path = kGarbagePath;
    EXPECT_EQ(zd_path_parse_d(text, &path), ZD_BAD_ARGUMENT) << text;
    EXPECT_EQ(path, nullptr) << text;
  }

  // A failure leaves nothing behind on the thread: the next call succeeds.
  ASSERT_EQ(zd_path_parse_d("M 3 4", &path), ZD_OK);
  EXPECT_EQ(zd_path_command_count(path), 1);
  zd_path_free(path);
}

TEST(PathDataApi, PrintHandsOutANulTerminatedBlock) {
  ZdPath *path = nullptr;
  ASSERT_EQ(zd_path_parse_d("M10,20L30.5 40z", &path), ZD_OK);
  char *text = nullptr;
  int64_t length = -1;
  ASSERT_EQ(zd_path_to_d(path, &text, &length), ZD_OK);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(length, 19);
  EXPECT_STREQ(text, "M 10 20 L 30.5 40 Z");
  zd_buffer_free(text);

  // Printing does not change the path.
  EXPECT_EQ(zd_path_command_count(path), 3);
  zd_path_free(path);

  // An empty path gives an empty, still NUL-terminated block.
  path = zd_path_new();
  ASSERT_EQ(zd_path_to_d(path, &text, &length), ZD_OK);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(text[0], '\0');
  zd_buffer_free(text);
  zd_path_free(path);
}

TEST(PathDataApi, PrintArgumentChecksClearTheOutputs) {
  ZdPath *path = zd_path_new();
  char *text = kGarbageText;
  int64_t length = 99;
  // Whichever output is given is cleared, even when the other one is nil: a
  // host may free the block after any failure.
  EXPECT_EQ(zd_path_to_d(path, nullptr, &length), ZD_BAD_ARGUMENT);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(zd_path_to_d(path, &text, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(text, nullptr);
  text = kGarbageText;
  length = 99;
  EXPECT_EQ(zd_path_to_d(nullptr, nullptr, &length), ZD_BAD_ARGUMENT);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(zd_path_to_d(nullptr, &text, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(text, nullptr);
  text = kGarbageText;
  length = 99;

  EXPECT_EQ(zd_path_to_d(nullptr, &text, &length), ZD_BAD_ARGUMENT);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(length, 0);
  zd_path_free(path);
}

TEST(PathDataApi, PrintingANonFiniteValueFails) {
  // The builders refuse non-finite numbers, so put one in from inside.
  ZdPath *path = zd_path_new();
  ASSERT_EQ(zd_path_move_to(path, 1, 2), ZD_OK);
  path->value.commands.push_back(
      zd::path::PathCommand::point(zd::path::pLine, {std::numeric_limits<float>::infinity(), 0}));
  char *text = kGarbageText;
  int64_t length = 99;
  EXPECT_EQ(zd_path_to_d(path, &text, &length), ZD_BAD_ARGUMENT);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(zd_path_command_count(path), 2);
  // The call released its reference: the caller's is the only one left.
  EXPECT_EQ(path->refs, 1u);
  zd_path_free(path);
}

TEST(PathDataApi, PrintedTextParsesBackToTheSameCommands) {
  ZdPath *built = zd_path_new();
  ASSERT_EQ(zd_path_move_to(built, 0.25f, -7), ZD_OK);
  ASSERT_EQ(zd_path_bezier_curve_to(built, 1, 2, 3, 4, 5, 6), ZD_OK);
  ASSERT_EQ(zd_path_quadratic_curve_to(built, 1, 1, 2, 2), ZD_OK);
  ASSERT_EQ(zd_path_elliptical_arc_to(built, 5, 3, 1.5707964f, 1, 0, 9, 9), ZD_OK);
  ASSERT_EQ(zd_path_close_path(built), ZD_OK);
  char *text = nullptr;
  int64_t length = 0;
  ASSERT_EQ(zd_path_to_d(built, &text, &length), ZD_OK);
  EXPECT_STREQ(text, "M 0.25 -7 C 1 2 3 4 5 6 Q 1 1 2 2 A 5 3 90 1 0 9 9 Z");

  ZdPath *parsed = nullptr;
  ASSERT_EQ(zd_path_parse_d(text, &parsed), ZD_OK);
  zd_buffer_free(text);
  ASSERT_EQ(zd_path_command_count(parsed), zd_path_command_count(built));
  for (int64_t i = 0; i < zd_path_command_count(built); ++i) {
    ZdCommand a, b;
    ASSERT_EQ(zd_path_command_get(built, i, &a), ZD_OK);
    ASSERT_EQ(zd_path_command_get(parsed, i, &b), ZD_OK);
    EXPECT_EQ(a.kind, b.kind) << i;
    for (int k = 0; k < 7; ++k) EXPECT_FLOAT_EQ(a.params[k], b.params[k]) << i << " " << k;
  }
  zd_path_free(parsed);
  zd_path_free(built);
}

}  // namespace
