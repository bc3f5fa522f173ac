// zd_last_error: the message of each kind of failure, cleared by success,
// left alone by the calls that cannot fail, and kept per thread.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>

#include "zd.h"

namespace {

std::string lastError() { return zd_last_error(); }

std::string parseFailure(const char *text) {
  ZdPath *path = nullptr;
  EXPECT_EQ(zd_path_parse_d(text, &path), ZD_BAD_ARGUMENT) << text;
  EXPECT_EQ(path, nullptr);
  return lastError();
}

TEST(LastError, ParseFailuresSayWhatAndWhere) {
  EXPECT_EQ(parseFailure("M 0 0L"),
            "parsePath: expected a number at offset 6 ('L' takes numbers in groups of 2, got 0)");
  EXPECT_EQ(parseFailure("M0 0 L 5 5 garbage"), "parsePath: unexpected character 'g' at offset 11");
  EXPECT_EQ(parseFailure("M 1 2 \x01"), "parsePath: unexpected byte 0x01 at offset 6");
  EXPECT_EQ(parseFailure("  L 1 2"), "parsePath: path must begin with moveto (M or m) at offset 2");
  EXPECT_EQ(parseFailure("M 0 0 A 5 5 0 1 1 1 1 A 5 -5 0 1 1 9 9"),
            "parsePath: invalid arc parameter at offset 24 (radii must be >= 0, flags 0 or 1)");
  EXPECT_EQ(parseFailure("M 1e39 0"),
            "parsePath: number '1e39' is beyond the float range at offset 2");
  EXPECT_EQ(parseFailure("M 1.5e 0"), "parsePath: invalid number '1.5e' at offset 2");
}

TEST(LastError, FailuresWhileWorking) {
  ZdPath *path = zd_path_new();
  ASSERT_EQ(zd_path_polygon(path, 1048576, 0, 0, 100), ZD_OK);
  ASSERT_EQ(zd_path_line_to(path, 1, 1), ZD_OK);
  int64_t count = -1;
  EXPECT_EQ(zd_path_flatten(path, nullptr, 0, &count, 0.5f), ZD_BAD_ARGUMENT);
  EXPECT_EQ(lastError(), "flatten: segment limit exceeded (1048576)");
  ZdImage *image = zd_image_new(4, 4);
  ZdColor *color = zd_color_rgba(1, 0, 0, 1);
  EXPECT_EQ(zd_fill_path(image, path, color, 0, 0, 0), ZD_BAD_ARGUMENT);
  EXPECT_EQ(lastError(), "flatten: segment limit exceeded (1048576)");

  EXPECT_EQ(zd_color_parse("bluish"), nullptr);
  EXPECT_EQ(lastError(), "parseColor: unsupported color form 'bluish'");
  EXPECT_EQ(zd_color_parse("#12345"), nullptr);
  EXPECT_EQ(lastError(), "parseColor: hex must have 3, 4, 6 or 8 digits, got 5");

  // A long piece of the caller's text is cut, never overrun.
  const std::string huge = "x" + std::string(100000, 'y');
  EXPECT_EQ(zd_color_parse(huge.c_str()), nullptr);
  const std::string cut = lastError();
  EXPECT_LT(cut.size(), 1024u);
  EXPECT_EQ(cut.rfind("parseColor: unsupported color form 'xyyy", 0), 0u) << cut;
  EXPECT_EQ(cut.substr(cut.size() - 3), "...");
  zd_color_free(color);
  zd_image_free(image);
  zd_path_free(path);
}

TEST(LastError, ArgumentChecksNameTheExportAndTheArgument) {
  ZdPath *path = zd_path_new();
  EXPECT_EQ(zd_path_circle(path, 0, 0, -1), ZD_BAD_ARGUMENT);
  EXPECT_EQ(lastError(), "zd_path_circle: r must be >= 0");
  EXPECT_EQ(zd_path_bezier_curve_to(path, 0, 0, 0, std::nanf(""), 0, 0), ZD_BAD_ARGUMENT);
  EXPECT_EQ(lastError(), "zd_path_bezier_curve_to: c2y is not finite");
  EXPECT_EQ(zd_path_polygon(path, 2, 0, 0, 1), ZD_BAD_ARGUMENT);
  EXPECT_EQ(lastError(), "zd_path_polygon: n must be in 3..1048576 (got 2)");
  EXPECT_EQ(zd_path_move_to(nullptr, 0, 0), ZD_BAD_ARGUMENT);
  EXPECT_EQ(lastError(), "zd_path_move_to: path is nil");
  ZdCommand command;
  EXPECT_EQ(zd_path_command_get(path, 0, &command), ZD_BAD_ARGUMENT);
  EXPECT_EQ(lastError(), "zd_path_command_get: index 0 is past the last command (count 0)");
  EXPECT_EQ(zd_image_new(0, 10), nullptr);
  EXPECT_EQ(lastError(), "zd_image_new: width must be >= 1 (got 0)");
  ZdImage *image = zd_image_new(2, 2);
  ZdColor *color = zd_color_rgba(0, 0, 0, 1);
  EXPECT_EQ(zd_fill_path(image, path, color, 3, 0, 0), ZD_BAD_ARGUMENT);
  EXPECT_EQ(lastError(), "zd_fill_path: fill_rule must be 0 or 1 (got 3)");
  EXPECT_EQ(zd_color_rgba(0, 0, 1.5f, 1), nullptr);
  EXPECT_EQ(lastError(), "zd_color_rgba: b must be in [0, 1]");
  EXPECT_EQ(zd_path_command_parameter_count(40), -1);
  EXPECT_EQ(lastError(), "zd_path_command_parameter_count: kind must be in 0..18 (got 40)");
  zd_color_free(color);
  zd_image_free(image);
  zd_path_free(path);
}

TEST(LastError, ClearedBySuccessKeptByCallsThatCannotFail) {
  ZdPath *path = nullptr;
  ASSERT_EQ(zd_path_parse_d("M 1", &path), ZD_BAD_ARGUMENT);
  const std::string message = lastError();
  ASSERT_FALSE(message.empty());
  // Calls that cannot fail leave it: a host may clean up before reporting.
  zd_path_free(nullptr);
  zd_buffer_free(nullptr);
  EXPECT_STREQ(zd_strerror(ZD_BAD_ARGUMENT),
               "bad argument / nil handle / unparseable path / bad color");
  EXPECT_EQ(zd_abi_version(), 1);
  zd_init();
  zd_init_keep_signals();
  uint64_t q = 0, r = 0;
  numra_udiv128(0, 7, 2, &q, &r);
  EXPECT_EQ(lastError(), message);
  // The pointer stays the same per-thread buffer: never nil, never freed.
  EXPECT_EQ(zd_last_error(), zd_last_error());

  // Any success clears it, whatever its return shape.
  ASSERT_EQ(zd_path_parse_d("M 1 2", &path), ZD_OK);
  EXPECT_STREQ(zd_last_error(), "");
  ASSERT_EQ(zd_path_line_to(nullptr, 0, 0), ZD_BAD_ARGUMENT);
  EXPECT_EQ(zd_path_command_count(path), 1);
  EXPECT_STREQ(zd_last_error(), "");
  ASSERT_EQ(zd_color_parse("nope"), nullptr);
  ZdColor *color = zd_color_parse("#fff");
  EXPECT_STREQ(zd_last_error(), "");
  ASSERT_EQ(zd_path_command_is_relative(-1), -1);
  EXPECT_EQ(zd_path_command_is_relative(12), 1);
  EXPECT_STREQ(zd_last_error(), "");
  float xy[2];
  ASSERT_EQ(zd_quad_point(0, 0, 1, 1, 2, 0, 2.0f, xy), ZD_BAD_ARGUMENT);
  EXPECT_EQ(lastError(), "zd_quad_point: t must be in [0, 1]");
  EXPECT_EQ(zd_quad_point(0, 0, 1, 1, 2, 0, 0.5f, xy), ZD_OK);
  EXPECT_STREQ(zd_last_error(), "");
  zd_color_free(color);
  zd_path_free(path);
}

TEST(LastError, EachThreadHasItsOwn) {
  ZdPath *path = nullptr;
  ASSERT_EQ(zd_path_parse_d("M 0 0 Q", &path), ZD_BAD_ARGUMENT);
  const std::string mine = lastError();

  std::string before, afterFailure, afterSuccess;
  std::thread other([&] {
    before = zd_last_error();  // a new thread starts with none
    EXPECT_EQ(zd_color_parse("bluish"), nullptr);
    afterFailure = zd_last_error();
    ZdPath *made = zd_path_new();
    zd_path_free(made);
    afterSuccess = zd_last_error();
  });
  other.join();
  EXPECT_EQ(before, "");
  EXPECT_EQ(afterFailure, "parseColor: unsupported color form 'bluish'");
  EXPECT_EQ(afterSuccess, "");
  // Neither the other thread's failure nor its success touched this one.
  EXPECT_EQ(lastError(), mine);
}

}  // namespace
