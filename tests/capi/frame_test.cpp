// The frame: status texts, versions, start-up, signal messages.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

#include "zd.h"

namespace {

TEST(Frame, StatusTexts) {
  EXPECT_STREQ(zd_strerror(0), "ok");
  EXPECT_STREQ(zd_strerror(2), "bad argument / nil handle / unparseable path / bad color");
  EXPECT_STREQ(zd_strerror(4), "unsupported operation");
  EXPECT_STREQ(zd_strerror(8), "out of memory");
  for (int32_t code : {1, 3, 5, 6, 7, 9, 100, -1, INT32_MIN}) {
    EXPECT_STREQ(zd_strerror(code), "unknown error") << code;
  }
}

TEST(Frame, VersionsAndRepeatedInit) {
  EXPECT_EQ(zd_abi_version(), 1);
  EXPECT_STREQ(zd_version(), "1.0.0");
  zd_init();  // already started by the test main: returns at once
  zd_init();
  EXPECT_EQ(zd_abi_version(), 1);
}

TEST(Frame, FreeFunctionsAcceptNil) {
  zd_buffer_free(nullptr);
  zd_path_free(nullptr);
  zd_image_free(nullptr);
  zd_color_free(nullptr);
  SUCCEED();
}

TEST(Frame, FailureInsideDoesNotLeakIntoTheNextCall) {
  ZdPath *path = nullptr;
  EXPECT_EQ(zd_path_parse_d("L 1 2", &path), ZD_BAD_ARGUMENT);
  EXPECT_EQ(path, nullptr);
  EXPECT_EQ(zd_path_parse_d("M 1 2", &path), ZD_OK);
  EXPECT_NE(path, nullptr);
  zd_path_free(path);
}

// Each handled signal prints its line, then ends the process by that signal.
void expectSignalMessage(int signal, const char *message) {
  EXPECT_EXIT(
      {
        zd_init();
        std::raise(signal);
      },
      ::testing::KilledBySignal(signal), message);
}

TEST(FrameDeathTest, SignalMessages) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  expectSignalMessage(SIGABRT, "SIGABRT: Abnormal termination\\.");
  expectSignalMessage(SIGFPE, "SIGFPE: Arithmetic error\\.");
  expectSignalMessage(SIGILL, "SIGILL: Illegal operation\\.");
  expectSignalMessage(SIGINT, "SIGINT: Interrupted by Ctrl-C\\.");
  expectSignalMessage(SIGBUS,
                      "SIGBUS: Illegal storage access\\. \\(Attempt to read from nil\\?\\)");
  expectSignalMessage(SIGSEGV,
                      "SIGSEGV: Illegal storage access\\. \\(Attempt to read from nil\\?\\)");
}

}  // namespace
