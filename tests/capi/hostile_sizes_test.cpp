// Hostile sizes: each request returns its documented status or result
// without a crash, in bounded time and memory. Each case runs in a child
// process so that its own time and peak memory can be reported.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "zd.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZD_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ZD_SANITIZED 1
#endif
#endif

namespace {

struct Measured {
  bool passed;
  double seconds;
  long peakKiB;
};

// Runs `work` in a child; the child exits 0 when the case behaved as documented.
Measured runIsolated(const char *name, const std::function<bool()> &work) {
  const auto begin = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    zd_init();
    _exit(work() ? 0 : 1);
  }
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  const bool passed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  std::printf("[hostile] %-44s %s  %8.3f s  peak %8ld KiB\n", name, passed ? "ok  " : "FAIL",
              seconds, usage.ru_maxrss);
  return {passed, seconds, usage.ru_maxrss};
}

TEST(HostileSizes, ArcNeedingAnUnboundedSegmentCount) {
  const Measured m = runIsolated("arc with radius 1e12 at tolerance 1e-6", [] {
    ZdPath *path = zd_path_new();
    zd_path_move_to(path, 0, 0);
    zd_path_elliptical_arc_to(path, 1e12f, 1e12f, 0, 0, 1, 2e12f, 0);
    int64_t count = -1;
    const bool ok =
        zd_path_flatten(path, nullptr, 0, &count, 1e-6f) == ZD_BAD_ARGUMENT && count == 0;
    zd_path_free(path);
    return ok;
  });
  EXPECT_TRUE(m.passed);
  EXPECT_LT(m.seconds, 5.0);
}

TEST(HostileSizes, PathReachingTheSegmentCap) {
  const Measured m = runIsolated("polygon of 2^20 vertices, then one more", [] {
    ZdPath *path = zd_path_new();
    bool ok = zd_path_polygon(path, 1048576, 0, 0, 1000) == ZD_OK;
    int64_t count = 0;
    ok = ok && zd_path_flatten(path, nullptr, 0, &count, 0.5f) == ZD_OK && count == 1048576;
    ok = ok && zd_path_line_to(path, 5, 5) == ZD_OK;
    ok = ok && zd_path_flatten(path, nullptr, 0, &count, 0.5f) == ZD_BAD_ARGUMENT && count == 0;
    zd_path_free(path);
    return ok;
  });
  EXPECT_TRUE(m.passed);
  EXPECT_LT(m.peakKiB, 512 * 1024);  // the command list and one segment array
}

TEST(HostileSizes, HugeImageRequests) {
  const Measured overflow = runIsolated(
      "image INT32_MAX x INT32_MAX", [] { return zd_image_new(INT32_MAX, INT32_MAX) == nullptr; });
  EXPECT_TRUE(overflow.passed);
  EXPECT_LT(overflow.peakKiB, 256 * 1024);
#ifndef ZD_SANITIZED
  // 16 GiB of pixels: either refused (nil) or given without touching them.
  const Measured big = runIsolated("image 65536 x 65536", [] {
    ZdImage *image = zd_image_new(65536, 65536);
    const bool ok =
        image == nullptr || (zd_image_width(image) == 65536 && zd_image_height(image) == 65536);
    zd_image_free(image);
    return ok;
  });
  EXPECT_TRUE(big.passed);
  EXPECT_LT(big.peakKiB, 1024 * 1024);
#endif
}

TEST(HostileSizes, MillionCommandPathIntoA4096Image) {
  const Measured m = runIsolated("1M-command polygon filled into 4096 x 4096", [] {
    ZdPath *path = zd_path_new();
    ZdImage *image = zd_image_new(4096, 4096);
    ZdColor *color = zd_color_rgba(0.2f, 0.4f, 0.6f, 1);
    bool ok = zd_path_polygon(path, 1048575, 2048, 2048, 2000) == ZD_OK &&
              zd_path_command_count(path) == 1048576;
    ok = ok && zd_fill_path(image, path, color, 0, 0, 0) == ZD_OK;
    uint8_t *pixels = nullptr;
    int64_t len = 0;
    ok = ok && zd_image_pixels(image, &pixels, &len) == ZD_OK;
    const size_t centre = (2048u * 4096u + 2048u) * 4u;
    ok = ok && pixels[centre + 3] == 255 && pixels[3] == 0;
    zd_color_free(color);
    zd_image_free(image);
    zd_path_free(path);
    return ok;
  });
  EXPECT_TRUE(m.passed);
  EXPECT_LT(m.seconds, 60.0);
}

#ifndef ZD_SANITIZED
TEST(HostileSizes, PngOfWidthTwoToThe30) {
  const Measured m = runIsolated("PNG of a 2^30 x 1 image", [] {
    ZdImage *image = zd_image_new(1 << 30, 1);
    if (image == nullptr) return true;  // refused is documented too
    uint8_t *png = nullptr;
    int64_t len = 0;
    const ZdStatus s = zd_image_encode_png(image, &png, &len);
    const bool ok = s == ZD_BAD_ARGUMENT && png == nullptr && len == 0;
    zd_buffer_free(png);
    zd_image_free(image);
    return ok;
  });
  EXPECT_TRUE(m.passed);
  EXPECT_LT(m.seconds, 30.0);
}
#endif

}  // namespace
