// The whole workflow on eight threads at once, each with its own handles,
// after one zd_init. Run under ThreadSanitizer in CI; here it also checks
// that every thread gets the same bytes as a single-threaded run.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "zd.h"

namespace {

struct WorkflowResult {
  std::string pathData;
  std::string svg;
  std::vector<uint8_t> png;
  int64_t segments = 0;
  ZdStatus status = ZD_OK;
};

WorkflowResult runWorkflow(int variant) {
  WorkflowResult result;
  ZdPath *path = nullptr;
  ZdStatus &s = result.status;
  const std::string text = "M10 10 L" + std::to_string(60 + variant) + " 10 Q 70 70 10 60 Z";
  s = zd_path_parse_d(text.c_str(), &path);
  if (s == ZD_OK) s = zd_path_circle(path, 40, 40, 15 + variant % 3);
  if (s == ZD_OK) s = zd_path_arc_to(path, 70, 20, 70, 70, 8);
  if (s == ZD_OK) s = zd_path_flatten(path, nullptr, 0, &result.segments, 0.25f);
  ZdImage *image = zd_image_new(80, 80);
  ZdColor *color = zd_color_parse(variant % 2 ? "oklch(70% 0.3 150 / 0.5)" : "#336699");
  if (image == nullptr || color == nullptr) s = ZD_BAD_ARGUMENT;
  if (s == ZD_OK) s = zd_fill_path(image, path, color, variant % 2, 0, 0.0f);
  char *text_out = nullptr;
  int64_t len = 0;
  if (s == ZD_OK) s = zd_path_to_d(path, &text_out, &len);
  if (s == ZD_OK) result.pathData.assign(text_out, static_cast<size_t>(len));
  zd_buffer_free(text_out);
  if (s == ZD_OK) s = zd_path_to_svg(path, color, 80, 80, &text_out, &len);
  if (s == ZD_OK) result.svg.assign(text_out, static_cast<size_t>(len));
  zd_buffer_free(text_out);
  uint8_t *png = nullptr;
  if (s == ZD_OK) s = zd_image_encode_png(image, &png, &len);
  if (s == ZD_OK) result.png.assign(png, png + len);
  zd_buffer_free(png);
  zd_color_free(color);
  zd_image_free(image);
  zd_path_free(path);
  return result;
}

TEST(Threads, WholeWorkflowOnEightThreads) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 6;
  std::vector<WorkflowResult> expected;
  for (int v = 0; v < kThreads; ++v) expected.push_back(runWorkflow(v));
  for (const auto &e : expected) ASSERT_EQ(e.status, ZD_OK);

  std::vector<std::vector<WorkflowResult>> got(kThreads);
  std::vector<std::thread> threads;
  for (int v = 0; v < kThreads; ++v) {
    threads.emplace_back([v, &got] {
      for (int round = 0; round < kRounds; ++round) got[v].push_back(runWorkflow(v));
    });
  }
  for (auto &t : threads) t.join();
  for (int v = 0; v < kThreads; ++v) {
    for (const auto &r : got[v]) {
      EXPECT_EQ(r.status, ZD_OK);
      EXPECT_EQ(r.pathData, expected[v].pathData);
      EXPECT_EQ(r.svg, expected[v].svg);
      EXPECT_EQ(r.png, expected[v].png);
      EXPECT_EQ(r.segments, expected[v].segments);
    }
  }
}

// A failure on one thread never shows on another: threads alternating bad
// and good calls always get the status that belongs to their own call.
TEST(Threads, FailuresStayOnTheirThread) {
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int i = 0; i < 200; ++i) {
        ZdPath *path = nullptr;
        const bool bad = (i + t) % 2 == 0;
        const ZdStatus s = zd_path_parse_d(bad ? "M 1 2 L" : "M 1 2 L 3 4", &path);
        if (s != (bad ? ZD_BAD_ARGUMENT : ZD_OK) || (path == nullptr) != bad) ++wrong[t];
        zd_path_free(path);
      }
    });
  }
  for (auto &th : threads) th.join();
  for (int w : wrong) EXPECT_EQ(w, 0);
}

}  // namespace
