// One path, its colours, a stroke paint and a gradient paint read by eight
// threads at once,
// each filling, stroking and drawing into its own images and printing the
// shared handles: every thread must get the bytes
// a single-threaded run gets, and the shared handles' counts must come back
// to the caller's one reference. CI runs this under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "capi/handles.hpp"
#include "zd.h"

namespace {

// The handles every thread reads. Another kind of shareable handle joins as
// a member here, a line in the destructor, a line in countsAreTheCallers and
// a read in readShared.
struct SharedHandles {
  ZdPath *path = zd_path_new();
  ZdColor *opaque = zd_color_parse("#336699");
  // Outside sRGB: every fill with it maps the colour into the gamut.
  ZdColor *wide = zd_color_parse("oklch(70% 0.3 150 / 0.5)");
  // A dashed stroke in the wide colour.
  ZdPaint *pen = zd_paint_new();
  static constexpr float kDashes[3] = {5, 2, 1};
  // A radial gradient between the two colours, in oklch, reflected and
  // transformed: each draw builds its colour ramp from the shared stops.
  ZdPaint *ramp = zd_paint_new();

  SharedHandles() {
    const ZdStroke style{3, ZD_JOIN_ROUND, ZD_CAP_SQUARE, 4, kDashes, 3, 1};
    zd_paint_set_stroke(pen, &style);
    zd_paint_set_color(pen, wide);
    zd_paint_add_stop(ramp, 0.0f, opaque);
    zd_paint_add_stop(ramp, 0.6f, wide);
    zd_paint_add_stop(ramp, 1.0f, opaque);
    zd_paint_set_interpolation(ramp, "oklch", ZD_HUE_LONGER);
    zd_paint_set_spread(ramp, ZD_SPREAD_REFLECT);
    zd_paint_set_radial(ramp, 20, 22, 2, 24, 24, 14);
    const float skew[6] = {1, 0.2f, -0.1f, 1, 2, 0};
    zd_paint_set_gradient_transform(ramp, skew);
    zd_path_circle(path, 24, 24, 17);
    zd_path_move_to(path, 2, 44);
    zd_path_bezier_curve_to(path, 10, -4, 40, 60, 46, 3);
    zd_path_elliptical_arc_to(path, 9, 5, 0.4f, 1, 0, 30, 40);
    zd_path_close_path(path);
  }
  ~SharedHandles() {
    zd_paint_free(ramp);
    zd_paint_free(pen);
    zd_color_free(wide);
    zd_color_free(opaque);
    zd_path_free(path);
  }
  bool made() const {
    return path != nullptr && opaque != nullptr && wide != nullptr && pen != nullptr &&
           ramp != nullptr;
  }
  bool countsAreTheCallers() const {
    return path->refs.load() == 1 && opaque->refs.load() == 1 && wide->refs.load() == 1 &&
           pen->refs.load() == 1 && ramp->refs.load() == 1;
  }
};

// Everything one thread learns from the shared handles in one round.
struct Reads {
  std::vector<uint8_t> pixels;
  std::string text;
  int64_t segments = 0;
  int64_t copiedCommands = 0;
  ZdStatus status = ZD_OK;
};

// Appends the text block a call hands out, or notes its failure.
template <class Call>
void appendText(Reads &r, Call &&call) {
  char *text = nullptr;
  int64_t len = 0;
  const ZdStatus s = call(&text, &len);
  if (s == ZD_OK) r.text.append(text, static_cast<size_t>(len)).push_back('\n');
  else r.status = s;
  zd_buffer_free(text);
}

// Only reads of the shared handles; the image and the copy are the thread's
// own. The variant picks the rule, mode and tolerance.
Reads readShared(const SharedHandles &shared, int variant) {
  Reads r;
  ZdImage *image = zd_image_new(48, 48);
  const int32_t rule = variant % 2;
  const int32_t mode = (variant / 2) % 2;
  const float tolerance = 0.1f * static_cast<float>(1 + variant % 4);
  ZdStatus s = zd_fill_path(image, shared.path, shared.opaque, rule, 0, tolerance);
  if (s == ZD_OK) s = zd_fill_path(image, shared.path, shared.wide, 1 - rule, mode, tolerance);
  const float turn[6] = {0.8f, 0.6f, -0.6f, 0.8f, 14.0f, -6.0f};
  if (s == ZD_OK) s = zd_draw_path(image, shared.path, shared.pen, variant % 3 ? turn : nullptr);
  if (s == ZD_OK) s = zd_draw_path(image, shared.path, shared.ramp, variant % 2 ? turn : nullptr);
  uint8_t *bytes = nullptr;
  int64_t len = 0;
  if (s == ZD_OK) s = zd_image_pixels(image, &bytes, &len);
  if (s == ZD_OK) r.pixels.assign(bytes, bytes + len);
  if (s == ZD_OK) s = zd_path_flatten(shared.path, nullptr, 0, &r.segments, tolerance);
  r.status = s;

  appendText(r, [&](char **t, int64_t *n) { return zd_path_to_d(shared.path, t, n); });
  appendText(r, [&](char **t, int64_t *n) {
    return zd_path_to_svg(shared.path, shared.wide, 48, 48, t, n);
  });
  appendText(r, [&](char **t, int64_t *n) { return zd_color_to_svg(shared.opaque, t, n); });
  appendText(r, [&](char **t, int64_t *n) { return zd_color_to_svg(shared.wide, t, n); });
  appendText(r, [&](char **t, int64_t *n) { return zd_color_to_css(shared.wide, t, n); });
  ZdColor *lab = zd_color_convert(shared.wide, "lab");
  appendText(r, [&](char **t, int64_t *n) { return zd_color_to_css(lab, t, n); });
  zd_color_free(lab);

  ZdStroke style{1.5f + static_cast<float>(variant), ZD_JOIN_MITER, ZD_CAP_BUTT, 4, nullptr, 0, 0};
  ZdPath *outline = nullptr;
  if (zd_path_stroke(shared.path, &style, tolerance, &outline) != ZD_OK) r.status = ZD_BAD_ARGUMENT;
  appendText(r, [&](char **t, int64_t *n) { return zd_path_to_d(outline, t, n); });
  zd_path_free(outline);
  ZdPaint *own = zd_paint_copy(shared.pen);
  if (zd_paint_set_mode(own, mode) != ZD_OK) r.status = ZD_BAD_ARGUMENT;
  zd_paint_free(own);

  ZdPath *copy = zd_path_copy(shared.path);
  if (zd_path_add_path(copy, shared.path) != ZD_OK) r.status = ZD_BAD_ARGUMENT;
  r.copiedCommands = zd_path_command_count(copy);
  zd_path_free(copy);
  zd_image_free(image);
  return r;
}

TEST(SharedHandles, EightThreadsReadingOneSetGetTheSingleThreadedBytes) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 12;
  SharedHandles shared;
  ASSERT_TRUE(shared.made());

  std::vector<Reads> expected;
  for (int v = 0; v < kThreads; ++v) expected.push_back(readShared(shared, v));
  for (const Reads &e : expected) {
    ASSERT_EQ(e.status, ZD_OK);
    ASSERT_GT(e.segments, 0);
  }
  // The variants differ, so a thread reading another's result would show.
  ASSERT_NE(expected[0].pixels, expected[1].pixels);

  std::vector<std::vector<Reads>> got(kThreads);
  std::vector<std::thread> threads;
  for (int v = 0; v < kThreads; ++v) {
    threads.emplace_back([v, &got, &shared] {
      for (int round = 0; round < kRounds; ++round) got[v].push_back(readShared(shared, v));
    });
  }
  for (auto &t : threads) t.join();

  for (int v = 0; v < kThreads; ++v) {
    ASSERT_EQ(got[v].size(), static_cast<size_t>(kRounds));
    for (const Reads &r : got[v]) {
      EXPECT_EQ(r.status, expected[v].status) << "variant " << v;
      EXPECT_EQ(r.segments, expected[v].segments) << "variant " << v;
      EXPECT_EQ(r.copiedCommands, expected[v].copiedCommands) << "variant " << v;
      EXPECT_TRUE(r.text == expected[v].text) << "variant " << v;
      EXPECT_TRUE(r.pixels == expected[v].pixels) << "variant " << v;
    }
  }
  EXPECT_TRUE(shared.countsAreTheCallers());
}

// Many short calls on one handle from four threads: the references they take
// and drop at once must all be counted, or the handle dies under them.
TEST(SharedHandles, CountsSurviveManyConcurrentCalls) {
  SharedHandles shared;
  ASSERT_TRUE(shared.made());
  std::vector<int> failures(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures, &shared] {
      ZdImage *image = zd_image_new(4, 4);
      float xy[2];
      for (int i = 0; i < 4000; ++i) {
        if (zd_fill_path(image, shared.path, shared.opaque, 0, 1, 4.0f) != ZD_OK) ++failures[t];
        if (zd_path_current(shared.path, xy) != ZD_OK) ++failures[t];
      }
      zd_image_free(image);
    });
  }
  for (auto &t : threads) t.join();
  for (int f : failures) EXPECT_EQ(f, 0);
  EXPECT_TRUE(shared.countsAreTheCallers());
}

}  // namespace
