// Every export with every kind of bad argument it can receive: the status is
// the documented one, outputs are cleared, and nothing changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "zd.h"

namespace {

// Runs a call that must be refused, after a different failure: the refusal
// must leave a message of its own ("what: why"), neither empty nor the
// earlier one, so an export that refuses without saying why is caught.
template <class Call>
auto refused(Call call, const char *what) {
  ZdPath *unused = nullptr;
  EXPECT_EQ(zd_path_parse_d("M 0 0 #", &unused), ZD_BAD_ARGUMENT);
  const std::string earlier = zd_last_error();
  const auto result = call();
  const std::string message = zd_last_error();
  EXPECT_NE(message, earlier) << what;
  EXPECT_NE(message.find(": "), std::string::npos) << what << " left '" << message << "'";
  return result;
}
#define REFUSED(call) refused([&] { return call; }, #call)

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const float kBadFloats[] = {kNaN, kInf, -kInf};

// The state every case starts from, and the proof that a case left it alone.
class BadArguments : public ::testing::Test {
 protected:
  void SetUp() override {
    path = zd_path_new();
    ASSERT_EQ(zd_path_move_to(path, 1, 2), ZD_OK);
    ASSERT_EQ(zd_path_line_to(path, 6, 2), ZD_OK);
    ASSERT_EQ(zd_path_line_to(path, 6, 7), ZD_OK);
    image = zd_image_new(8, 8);
    ASSERT_NE(image, nullptr);
    color = zd_color_rgba(1, 0, 0, 1);
    ASSERT_NE(color, nullptr);
    ASSERT_EQ(zd_fill_path(image, path, color, 0, 0, 0), ZD_OK);
    pixelsBefore = pixels();
  }
  void TearDown() override {
    expectUnchanged();
    zd_color_free(color);
    zd_image_free(image);
    zd_path_free(path);
  }

  std::vector<uint8_t> pixels() const {
    uint8_t *data = nullptr;
    int64_t len = 0;
    EXPECT_EQ(zd_image_pixels(image, &data, &len), ZD_OK);
    return std::vector<uint8_t>(data, data + len);
  }

  void expectUnchanged() const {
    EXPECT_EQ(zd_path_command_count(path), 3);
    float xy[2];
    ASSERT_EQ(zd_path_current(path, xy), ZD_OK);
    EXPECT_EQ(xy[0], 6.0f);
    EXPECT_EQ(xy[1], 7.0f);
    ASSERT_EQ(zd_path_start(path, xy), ZD_OK);
    EXPECT_EQ(xy[0], 1.0f);
    EXPECT_EQ(xy[1], 2.0f);
    EXPECT_EQ(pixels(), pixelsBefore);
  }

  struct Case {
    std::string name;
    std::function<ZdStatus()> call;
  };
  // Runs each case, expecting status 2.
  void expectAllRejected(const std::vector<Case> &cases) {
    for (const auto &c : cases) {
      EXPECT_EQ(refused(c.call, c.name.c_str()), ZD_BAD_ARGUMENT) << c.name;
      expectUnchanged();
    }
  }

  ZdPath *path = nullptr;
  ZdImage *image = nullptr;
  ZdColor *color = nullptr;
  std::vector<uint8_t> pixelsBefore;
};

TEST_F(BadArguments, PathBuilders) {
  std::vector<Case> cases = {
      {"move nil", [] { return zd_path_move_to(nullptr, 0, 0); }},
      {"line nil", [] { return zd_path_line_to(nullptr, 0, 0); }},
      {"cubic nil", [] { return zd_path_bezier_curve_to(nullptr, 0, 0, 0, 0, 0, 0); }},
      {"quad nil", [] { return zd_path_quadratic_curve_to(nullptr, 0, 0, 0, 0); }},
      {"arc nil", [] { return zd_path_elliptical_arc_to(nullptr, 1, 1, 0, 0, 0, 0, 0); }},
      {"close nil", [] { return zd_path_close_path(nullptr); }},
      {"rect nil", [] { return zd_path_rect(nullptr, 1, 0, 0, 1, 1); }},
      {"rounded nil", [] { return zd_path_rounded_rect(nullptr, 1, 0, 0, 1, 1, 0, 0, 0, 0); }},
      {"ellipse nil", [] { return zd_path_ellipse(nullptr, 0, 0, 1, 1); }},
      {"circle nil", [] { return zd_path_circle(nullptr, 0, 0, 1); }},
      {"polygon nil", [] { return zd_path_polygon(nullptr, 3, 0, 0, 1); }},
      {"circular arc nil", [] { return zd_path_arc(nullptr, 0, 0, 0, 1, 0, 1); }},
      {"arc_to nil", [] { return zd_path_arc_to(nullptr, 0, 0, 1, 1, 1); }},
      {"add_path nil dest", [this] { return zd_path_add_path(nullptr, path); }},
      {"add_path nil source", [this] { return zd_path_add_path(path, nullptr); }},
      {"arc rx<0", [this] { return zd_path_elliptical_arc_to(path, -1, 1, 0, 0, 0, 0, 0); }},
      {"arc ry<0", [this] { return zd_path_elliptical_arc_to(path, 1, -1e-30f, 0, 0, 0, 0, 0); }},
      {"ellipse rx<0", [this] { return zd_path_ellipse(path, 0, 0, -1, 1); }},
      {"circle r<0", [this] { return zd_path_circle(path, 0, 0, -2); }},
      {"circular arc r<0", [this] { return zd_path_arc(path, 0, 0, 0, -1, 0, 1); }},
      {"arc_to r<0", [this] { return zd_path_arc_to(path, 0, 0, 1, 1, -1); }},
      {"polygon n=2", [this] { return zd_path_polygon(path, 2, 0, 0, 1); }},
      {"polygon n=-5", [this] { return zd_path_polygon(path, -5, 0, 0, 1); }},
      {"polygon n too big", [this] { return zd_path_polygon(path, 1048577, 0, 0, 1); }},
      {"polygon n=INT32_MAX", [this] { return zd_path_polygon(path, INT32_MAX, 0, 0, 1); }},
  };
  for (float bad : kBadFloats) {
    const std::string b = std::to_string(bad);
    cases.push_back({"move " + b, [this, bad] { return zd_path_move_to(path, 0, bad); }});
    cases.push_back({"line " + b, [this, bad] { return zd_path_line_to(path, bad, 0); }});
    for (int slot = 0; slot < 6; ++slot) {
      cases.push_back({"cubic slot " + std::to_string(slot) + " " + b, [this, bad, slot] {
                         float v[6] = {0, 0, 0, 0, 0, 0};
                         v[slot] = bad;
                         return zd_path_bezier_curve_to(path, v[0], v[1], v[2], v[3], v[4], v[5]);
                       }});
    }
    cases.push_back(
        {"quad " + b, [this, bad] { return zd_path_quadratic_curve_to(path, 0, 0, 0, bad); }});
    cases.push_back({"arc rot " + b, [this, bad] {
                       return zd_path_elliptical_arc_to(path, 1, 1, bad, 0, 0, 0, 0);
                     }});
    cases.push_back({"arc rx " + b, [this, bad] {
                       return zd_path_elliptical_arc_to(path, bad, 1, 0, 0, 0, 0, 0);
                     }});
    cases.push_back({"rect " + b, [this, bad] { return zd_path_rect(path, 0, 0, 0, bad, 1); }});
    cases.push_back({"rounded " + b, [this, bad] {
                       return zd_path_rounded_rect(path, 0, 0, 0, 4, 4, 1, bad, 1, 1);
                     }});
    cases.push_back({"ellipse " + b, [this, bad] { return zd_path_ellipse(path, bad, 0, 1, 1); }});
    cases.push_back({"circle " + b, [this, bad] { return zd_path_circle(path, 0, 0, bad); }});
    cases.push_back({"polygon " + b, [this, bad] { return zd_path_polygon(path, 5, 0, bad, 1); }});
    cases.push_back(
        {"circular arc " + b, [this, bad] { return zd_path_arc(path, 1, 0, 0, 1, bad, 0); }});
    cases.push_back({"arc_to " + b, [this, bad] { return zd_path_arc_to(path, 1, 1, bad, 2, 1); }});
  }
  expectAllRejected(cases);
}

TEST_F(BadArguments, PathQueries) {
  float xy[2] = {42, 42};
  EXPECT_EQ(REFUSED(zd_path_current(nullptr, xy)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_path_current(path, nullptr)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_path_start(nullptr, xy)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(xy[0], 42.0f);
  EXPECT_EQ(REFUSED(zd_path_command_count(nullptr)), 0);
  ZdCommand command{99, {9, 9, 9, 9, 9, 9, 9}};
  for (int64_t index : {int64_t{-1}, int64_t{3}, INT64_MAX, INT64_MIN}) {
    EXPECT_EQ(REFUSED(zd_path_command_get(path, index, &command)), ZD_BAD_ARGUMENT) << index;
  }
  EXPECT_EQ(REFUSED(zd_path_command_get(nullptr, 0, &command)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_path_command_get(path, 0, nullptr)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(command.kind, 99);
  EXPECT_EQ(command.params[0], 9.0f);
  for (int32_t kind : {-1, 19, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(REFUSED(zd_path_command_is_relative(kind)), -1);
    EXPECT_EQ(REFUSED(zd_path_command_parameter_count(kind)), -1);
  }
  EXPECT_EQ(REFUSED(zd_path_copy(nullptr)), nullptr);
}

TEST_F(BadArguments, PathDataAndGeometry) {
  ZdPath *slot = reinterpret_cast<ZdPath *>(0x1);
  EXPECT_EQ(REFUSED(zd_path_parse_d(nullptr, &slot)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(slot, nullptr);
  slot = reinterpret_cast<ZdPath *>(0x1);
  EXPECT_EQ(REFUSED(zd_path_parse_d("Q 1", &slot)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(REFUSED(zd_path_parse_d("M 0 0", nullptr)), ZD_BAD_ARGUMENT);

  char *text = reinterpret_cast<char *>(0x1);
  int64_t len = 77;
  EXPECT_EQ(REFUSED(zd_path_to_d(nullptr, &text, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(REFUSED(zd_path_to_d(path, nullptr, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_path_to_d(path, &text, nullptr)), ZD_BAD_ARGUMENT);

  float segments[8];
  int64_t count = 55;
  EXPECT_EQ(REFUSED(zd_path_flatten(nullptr, segments, 2, &count, 0.5f)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_path_flatten(path, segments, 2, nullptr, 0.5f)), ZD_BAD_ARGUMENT);
  for (float bad : kBadFloats) {
    count = 55;
    EXPECT_EQ(REFUSED(zd_path_flatten(path, segments, 2, &count, bad)), ZD_BAD_ARGUMENT);
    EXPECT_EQ(count, 0);
  }
  count = 55;
  EXPECT_EQ(REFUSED(zd_path_flatten(path, nullptr, 5, &count, 0.5f)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(count, 0);
  // A negative capacity gives no size: nothing may be written.
  float guard[4] = {-1, -1, -1, -1};
  EXPECT_EQ(zd_path_flatten(path, guard, -1, &count, 0.5f), ZD_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(guard[0], -1.0f);

  float bounds[4] = {5, 5, 5, 5};
  const float good[4] = {0, 0, 1, 1};
  EXPECT_EQ(REFUSED(zd_segments_bounds(good, -1, bounds)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_segments_bounds(good, 1, nullptr)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_segments_bounds(nullptr, 1, bounds)), ZD_BAD_ARGUMENT);
  for (float bad : kBadFloats) {
    for (int slot = 0; slot < 4; ++slot) {
      float segment[8] = {0, 0, 1, 1, 2, 2, 3, 3};
      segment[4 + slot] = bad;
      EXPECT_EQ(REFUSED(zd_segments_bounds(segment, 2, bounds)), ZD_BAD_ARGUMENT);
    }
  }
  EXPECT_EQ(bounds[0], 5.0f);

  float xy[2] = {5, 5};
  for (float t : {-0.1f, 1.5f, kNaN, kInf, -kInf}) {
    EXPECT_EQ(REFUSED(zd_quad_point(0, 0, 1, 1, 2, 0, t, xy)), ZD_BAD_ARGUMENT) << t;
    EXPECT_EQ(REFUSED(zd_cubic_point(0, 0, 1, 1, 2, 1, 3, 0, t, xy)), ZD_BAD_ARGUMENT) << t;
  }
  EXPECT_EQ(REFUSED(zd_quad_point(0, 0, 1, 1, 2, 0, 0.5f, nullptr)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_cubic_point(0, 0, 1, 1, 2, 1, 3, 0, 0.5f, nullptr)), ZD_BAD_ARGUMENT);
  for (float bad : kBadFloats) {
    EXPECT_EQ(REFUSED(zd_quad_point(0, bad, 1, 1, 2, 0, 0.5f, xy)), ZD_BAD_ARGUMENT);
    EXPECT_EQ(REFUSED(zd_cubic_point(0, 0, 1, 1, 2, 1, 3, bad, 0.5f, xy)), ZD_BAD_ARGUMENT);
  }
  EXPECT_EQ(xy[0], 5.0f);
}

TEST_F(BadArguments, Images) {
  for (auto size : std::vector<std::pair<int32_t, int32_t>>{
           {0, 10}, {10, 0}, {-1, 10}, {10, -1}, {INT32_MIN, 1}, {INT32_MAX, INT32_MAX}}) {
    const int32_t w = size.first,
                  h = size.second;  // plain locals: lambdas capture them
    ZdImage *made = REFUSED(zd_image_new(w, h));
    EXPECT_EQ(made, nullptr) << w << "x" << h;
    zd_image_free(made);
  }
  EXPECT_EQ(REFUSED(zd_image_width(nullptr)), 0);
  EXPECT_EQ(REFUSED(zd_image_height(nullptr)), 0);
  EXPECT_EQ(REFUSED(zd_image_channels(nullptr)), 0);
  uint8_t *bytes = reinterpret_cast<uint8_t *>(0x1);
  int64_t len = 9;
  EXPECT_EQ(REFUSED(zd_image_pixels(nullptr, &bytes, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(bytes, nullptr);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(REFUSED(zd_image_pixels(image, nullptr, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_image_pixels(image, &bytes, nullptr)), ZD_BAD_ARGUMENT);
  bytes = reinterpret_cast<uint8_t *>(0x1);
  len = 9;
  EXPECT_EQ(REFUSED(zd_image_encode_png(nullptr, &bytes, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(bytes, nullptr);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(REFUSED(zd_image_encode_png(image, nullptr, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_image_encode_png(image, &bytes, nullptr)), ZD_BAD_ARGUMENT);
  for (int32_t format : {-1, 6, INT32_MIN, INT32_MAX}) {
    bytes = reinterpret_cast<uint8_t *>(0x1);
    len = 9;
    EXPECT_EQ(REFUSED(zd_image_encode(image, format, 90, &bytes, &len)), ZD_BAD_ARGUMENT) << format;
    EXPECT_EQ(bytes, nullptr);
    EXPECT_EQ(len, 0);
  }
  bytes = reinterpret_cast<uint8_t *>(0x1);
  EXPECT_EQ(REFUSED(zd_image_encode(nullptr, ZD_FORMAT_PNG, 90, &bytes, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(bytes, nullptr);
  EXPECT_EQ(REFUSED(zd_image_encode(image, ZD_FORMAT_JPEG, 90, nullptr, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_image_encode(image, ZD_FORMAT_QOI, 90, &bytes, nullptr)), ZD_BAD_ARGUMENT);
}

TEST_F(BadArguments, ColoursFillAndDocuments) {
  EXPECT_EQ(REFUSED(zd_color_parse(nullptr)), nullptr);
  EXPECT_EQ(REFUSED(zd_color_parse("")), nullptr);
  EXPECT_EQ(REFUSED(zd_color_parse("#12345")), nullptr);
  for (float bad : {kNaN, kInf, -kInf, -0.01f, 1.0001f}) {
    EXPECT_EQ(REFUSED(zd_color_rgba(bad, 0, 0, 1)), nullptr);
    EXPECT_EQ(REFUSED(zd_color_rgba(0, 0, 0, bad)), nullptr);
  }
  char *text = reinterpret_cast<char *>(0x1);
  int64_t len = 3;
  EXPECT_EQ(REFUSED(zd_color_to_svg(nullptr, &text, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(REFUSED(zd_color_to_svg(color, nullptr, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_color_to_svg(color, &text, nullptr)), ZD_BAD_ARGUMENT);

  std::vector<Case> fills = {
      {"nil image", [this] { return zd_fill_path(nullptr, path, color, 0, 0, 0); }},
      {"nil path", [this] { return zd_fill_path(image, nullptr, color, 0, 0, 0); }},
      {"nil colour", [this] { return zd_fill_path(image, path, nullptr, 0, 0, 0); }},
      {"rule 2", [this] { return zd_fill_path(image, path, color, 2, 0, 0); }},
      {"rule -1", [this] { return zd_fill_path(image, path, color, -1, 0, 0); }},
      {"mode -1", [this] { return zd_fill_path(image, path, color, 0, -1, 0); }},
      {"mode 7", [this] { return zd_fill_path(image, path, color, 0, 7, 0); }},
  };
  for (float bad : kBadFloats) {
    fills.push_back(
        {"tolerance", [this, bad] { return zd_fill_path(image, path, color, 0, 0, bad); }});
  }
  expectAllRejected(fills);

  for (auto size :
       std::vector<std::pair<int32_t, int32_t>>{{0, 10}, {10, 0}, {-4, 10}, {10, INT32_MIN}}) {
    const int32_t w = size.first, h = size.second;
    text = reinterpret_cast<char *>(0x1);
    len = 3;
    EXPECT_EQ(REFUSED(zd_path_to_svg(path, color, w, h, &text, &len)), ZD_BAD_ARGUMENT);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(len, 0);
  }
  EXPECT_EQ(REFUSED(zd_path_to_svg(nullptr, color, 10, 10, &text, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_path_to_svg(path, nullptr, 10, 10, &text, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_path_to_svg(path, color, 10, 10, nullptr, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_path_to_svg(path, color, 10, 10, &text, nullptr)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(text, nullptr);
}

// Every export that hands out a block (or a pointer) with its length, called
// with one of the two outputs nil and the other not, with a good handle and
// with a nil one: 2, and the given output is cleared. An export joins with
// one row that forwards the two outputs.
TEST_F(BadArguments, OneOutputNilClearsTheOther) {
  struct BlockExport {
    std::string name;
    std::function<ZdStatus(bool nilHandle, void **block, int64_t *len)> call;
  };
  const std::vector<BlockExport> exports = {
      {"zd_path_to_d",
       [this](bool nil, void **b, int64_t *n) {
         return zd_path_to_d(nil ? nullptr : path, reinterpret_cast<char **>(b), n);
       }},
      {"zd_path_to_svg",
       [this](bool nil, void **b, int64_t *n) {
         return zd_path_to_svg(nil ? nullptr : path, color, 8, 8, reinterpret_cast<char **>(b), n);
       }},
      {"zd_color_to_svg",
       [this](bool nil, void **b, int64_t *n) {
         return zd_color_to_svg(nil ? nullptr : color, reinterpret_cast<char **>(b), n);
       }},
      {"zd_color_to_css",
       [this](bool nil, void **b, int64_t *n) {
         return zd_color_to_css(nil ? nullptr : color, reinterpret_cast<char **>(b), n);
       }},
      {"zd_image_pixels",
       [this](bool nil, void **b, int64_t *n) {
         return zd_image_pixels(nil ? nullptr : image, reinterpret_cast<uint8_t **>(b), n);
       }},
      {"zd_image_encode_png",
       [this](bool nil, void **b, int64_t *n) {
         return zd_image_encode_png(nil ? nullptr : image, reinterpret_cast<uint8_t **>(b), n);
       }},
      {"zd_image_encode",
       [this](bool nil, void **b, int64_t *n) {
         return zd_image_encode(nil ? nullptr : image, ZD_FORMAT_QOI, 90,
                                reinterpret_cast<uint8_t **>(b), n);
       }},
  };
  for (const auto &e : exports) {
    for (bool nilHandle : {false, true}) {
      const std::string where = e.name + (nilHandle ? " (nil handle)" : "");
      void *block = reinterpret_cast<void *>(0x1);
      EXPECT_EQ(e.call(nilHandle, &block, nullptr), ZD_BAD_ARGUMENT) << where;
      EXPECT_EQ(block, nullptr) << where << ": block left set with a nil length";
      int64_t len = 77;
      EXPECT_EQ(e.call(nilHandle, nullptr, &len), ZD_BAD_ARGUMENT) << where;
      EXPECT_EQ(len, 0) << where << ": length left set with a nil block";
    }
  }
  // The count of a flatten is cleared whenever it is given, a nil path too.
  int64_t count = 55;
  float segments[8];
  EXPECT_EQ(zd_path_flatten(nullptr, segments, 2, &count, 0.5f), ZD_BAD_ARGUMENT);
  EXPECT_EQ(count, 0);
}

// ------------------------------------------------ strokes, transforms, paints

TEST_F(BadArguments, StrokesTransformsAndPaints) {
  const float dashes[2] = {3, 1};
  const ZdStroke good{2, ZD_JOIN_MITER, ZD_CAP_BUTT, 4, dashes, 2, 0};
  std::vector<ZdStroke> badStyles;
  for (float bad : {kNaN, kInf, -kInf, -1.0f}) {
    ZdStroke s = good;
    s.width = bad;
    badStyles.push_back(s);
    s = good;
    s.miter_limit = bad;
    badStyles.push_back(s);
    s = good;
    s.dash_offset = bad;
    if (bad != -1.0f) badStyles.push_back(s);  // a negative offset is fine
  }
  for (int32_t bad : {-1, 3, INT32_MIN, INT32_MAX}) {
    ZdStroke s = good;
    s.join = bad;
    badStyles.push_back(s);
    s = good;
    s.cap = bad;
    badStyles.push_back(s);
  }
  static const float badDashes[][2] = {{kNaN, 1}, {1, kInf}, {-1, 1}, {1, -kInf}};
  for (const auto &d : badDashes) {
    ZdStroke s = good;
    s.dashes = d;
    badStyles.push_back(s);
  }
  ZdStroke s = good;
  s.miter_limit = 0.999f;
  badStyles.push_back(s);
  s = good;
  s.dashes = nullptr;  // a count with no array
  badStyles.push_back(s);
  s = good;
  s.dash_count = -1;
  badStyles.push_back(s);
  s = good;
  s.dash_count = 1048577;
  badStyles.push_back(s);

  // zd_path_stroke: the output first (cleared), then path, style, tolerance.
  EXPECT_EQ(zd_path_stroke(path, &good, 0, nullptr), ZD_BAD_ARGUMENT);
  std::vector<Case> strokes = {
      {"stroke nil path",
       [&] {
         ZdPath *out = reinterpret_cast<ZdPath *>(0x1);
         const ZdStatus status = zd_path_stroke(nullptr, &good, 0, &out);
         EXPECT_EQ(out, nullptr);
         return status;
       }},
      {"stroke nil style",
       [&] {
         ZdPath *out = reinterpret_cast<ZdPath *>(0x1);
         const ZdStatus status = zd_path_stroke(path, nullptr, 0, &out);
         EXPECT_EQ(out, nullptr);
         return status;
       }},
  };
  for (float bad : kBadFloats) {
    strokes.push_back({"stroke tolerance", [this, bad, &good] {
                         ZdPath *out = reinterpret_cast<ZdPath *>(0x1);
                         const ZdStatus status = zd_path_stroke(path, &good, bad, &out);
                         EXPECT_EQ(out, nullptr);
                         return status;
                       }});
  }
  for (std::size_t k = 0; k < badStyles.size(); ++k) {
    strokes.push_back({"stroke style " + std::to_string(k), [this, k, &badStyles] {
                         ZdPath *out = reinterpret_cast<ZdPath *>(0x1);
                         const ZdStatus status = zd_path_stroke(path, &badStyles[k], 0, &out);
                         EXPECT_EQ(out, nullptr);
                         return status;
                       }});
  }
  expectAllRejected(strokes);

  // zd_path_transform: nil path or matrix, then each entry.
  const float identity[6] = {1, 0, 0, 1, 0, 0};
  std::vector<Case> transforms = {
      {"transform nil path", [&] { return zd_path_transform(nullptr, identity); }},
      {"transform nil matrix", [this] { return zd_path_transform(path, nullptr); }},
      {"transform overflow",
       [this] {
         const float huge[6] = {3e38f, 0, 0, 3e38f, 0, 0};
         return zd_path_transform(path, huge);
       }},
  };
  for (int slot = 0; slot < 6; ++slot) {
    for (float bad : kBadFloats) {
      transforms.push_back({"transform slot " + std::to_string(slot), [this, slot, bad] {
                              float m[6] = {2, 0, 0, 2, 1, 1};
                              m[slot] = bad;
                              return zd_path_transform(path, m);
                            }});
    }
  }
  expectAllRejected(transforms);

  // The paint handle and its setters.
  EXPECT_EQ(zd_paint_copy(nullptr), nullptr);
  zd_paint_free(nullptr);
  ZdPaint *paint = zd_paint_new();
  ASSERT_NE(paint, nullptr);
  ASSERT_EQ(zd_paint_set_stroke(paint, &good), ZD_OK);
  std::vector<Case> setters = {
      {"color nil paint", [&] { return zd_paint_set_color(nullptr, color); }},
      {"color nil colour", [&] { return zd_paint_set_color(paint, nullptr); }},
      {"fill nil paint", [&] { return zd_paint_set_fill(nullptr, 0); }},
      {"stroke nil paint", [&] { return zd_paint_set_stroke(nullptr, &good); }},
      {"stroke nil style", [&] { return zd_paint_set_stroke(paint, nullptr); }},
      {"mode nil paint", [&] { return zd_paint_set_mode(nullptr, 0); }},
      {"tolerance nil paint", [&] { return zd_paint_set_tolerance(nullptr, 0.5f); }},
  };
  for (int32_t bad : {-1, 2, INT32_MIN, INT32_MAX}) {
    setters.push_back({"fill rule", [&, bad] { return zd_paint_set_fill(paint, bad); }});
    setters.push_back({"mode", [&, bad] { return zd_paint_set_mode(paint, bad); }});
  }
  for (float bad : kBadFloats) {
    setters.push_back({"tolerance", [&, bad] { return zd_paint_set_tolerance(paint, bad); }});
  }
  for (const ZdStroke &style : badStyles) {
    setters.push_back({"stroke style", [&, style] { return zd_paint_set_stroke(paint, &style); }});
  }
  // The coverage model.
  setters.push_back({"antialias nil paint", [&] { return zd_paint_set_antialias(nullptr, 1); }});
  for (int32_t bad : {-1, 3, INT32_MIN, INT32_MAX}) {
    setters.push_back({"antialias", [&, bad] { return zd_paint_set_antialias(paint, bad); }});
  }
  expectAllRejected(setters);

  // zd_draw_path: nil handles, then each matrix entry; the rejected setters
  // left the paint a dashed stroke, which still draws.
  std::vector<Case> draws = {
      {"draw nil image", [&] { return zd_draw_path(nullptr, path, paint, nullptr); }},
      {"draw nil path", [&] { return zd_draw_path(image, nullptr, paint, nullptr); }},
      {"draw nil paint", [&] { return zd_draw_path(image, path, nullptr, nullptr); }},
  };
  for (int slot = 0; slot < 6; ++slot) {
    for (float bad : kBadFloats) {
      draws.push_back({"draw matrix slot " + std::to_string(slot), [&, slot, bad] {
                         float m[6] = {1, 0, 0, 1, 0, 0};
                         m[slot] = bad;
                         return zd_draw_path(image, path, paint, m);
                       }});
    }
  }
  expectAllRejected(draws);
  ZdImage *other = zd_image_new(8, 8);
  EXPECT_EQ(zd_draw_path(other, path, paint, nullptr), ZD_OK);
  uint8_t *bytes = nullptr;
  int64_t len = 0;
  ASSERT_EQ(zd_image_pixels(other, &bytes, &len), ZD_OK);
  EXPECT_NE(std::count(bytes, bytes + len, uint8_t{0}), len);
  zd_image_free(other);
  zd_paint_free(paint);
}

}  // namespace

// ------------------------------------------------ CSS colours, spaces, mixing

TEST_F(BadArguments, CssColoursSpacesAndMixing) {
  EXPECT_EQ(REFUSED(zd_color_parse_css(nullptr)), nullptr);
  for (const char *text : {"", "bluish", "currentcolor", "Canvas", "rgb(from red r g b)",
                           "color-mix(in srgb, red 0%, blue 0%)", "color(srgb 1e39 0 0)",
                           "color(--cmyk 0.1 0.2 0.3 1e39)"}) {
    EXPECT_EQ(REFUSED(zd_color_parse_css(text)), nullptr) << text;
  }

  const float good[4] = {0.1f, 0.2f, 0.3f, 0.4f};
  EXPECT_EQ(REFUSED(zd_color_new(nullptr, good, 3, 1)), nullptr);
  EXPECT_EQ(REFUSED(zd_color_new("srgb", nullptr, 3, 1)), nullptr);
  EXPECT_EQ(REFUSED(zd_color_new("nope", good, 3, 1)), nullptr);
  EXPECT_EQ(REFUSED(zd_color_new("SRGB", good, 3, 1)), nullptr);
  for (int32_t count : {0, 2, 4, 5, -1, INT32_MAX})
    EXPECT_EQ(REFUSED(zd_color_new("srgb", good, count, 1)), nullptr) << count;
  EXPECT_EQ(REFUSED(zd_color_new("cmyk", good, 3, 1)), nullptr);
  for (float bad : kBadFloats) {
    for (int slot = 0; slot < 4; ++slot) {
      float values[4] = {0.1f, 0.2f, 0.3f, 0.4f};
      values[slot] = bad;
      EXPECT_EQ(REFUSED(zd_color_new("cmyk", values, 4, 1)), nullptr) << slot;
    }
    EXPECT_EQ(REFUSED(zd_color_new("srgb", good, 3, bad)), nullptr);
  }
  EXPECT_EQ(REFUSED(zd_color_new("srgb", good, 3, 1.0001f)), nullptr);
  EXPECT_EQ(REFUSED(zd_color_new("srgb", good, 3, -0.0001f)), nullptr);

  // Colours without a conversion: an xyY chromaticity of y = 0, and inks
  // whose sRGB lies beyond float32.
  const float noChromaticity[3] = {0.3f, 0.0f, 0.5f};
  ZdColor *unconvertible = zd_color_new("xyy", noChromaticity, 3, 1);
  ASSERT_NE(unconvertible, nullptr);
  const float hugeInks[4] = {-3e38f, 0, 0, -3e38f};
  ZdColor *cmyk = zd_color_new("cmyk", hugeInks, 4, 1);
  ASSERT_NE(cmyk, nullptr);
  EXPECT_EQ(REFUSED(zd_color_convert(nullptr, "srgb")), nullptr);
  EXPECT_EQ(REFUSED(zd_color_convert(color, nullptr)), nullptr);
  EXPECT_EQ(REFUSED(zd_color_convert(color, "nope")), nullptr);
  EXPECT_EQ(REFUSED(zd_color_convert(unconvertible, "srgb")), nullptr);
  EXPECT_EQ(REFUSED(zd_color_convert(cmyk, "srgb")), nullptr);
  EXPECT_EQ(REFUSED(zd_color_gamut_map(nullptr, "srgb", 0)), nullptr);
  EXPECT_EQ(REFUSED(zd_color_gamut_map(color, nullptr, 0)), nullptr);
  EXPECT_EQ(REFUSED(zd_color_gamut_map(color, "nope", 1)), nullptr);
  for (int32_t method : {-1, 2, INT32_MIN})
    EXPECT_EQ(REFUSED(zd_color_gamut_map(color, "srgb", method)), nullptr);
  EXPECT_EQ(REFUSED(zd_color_gamut_map(cmyk, "srgb", 1)), nullptr);
  EXPECT_EQ(REFUSED(zd_color_gamut_map(unconvertible, "cmyk", 0)), nullptr);
  EXPECT_EQ(REFUSED(zd_color_space(nullptr)), nullptr);

  float components[4] = {9, 9, 9, 9};
  int32_t count = 9;
  float alpha = 9;
  EXPECT_EQ(REFUSED(zd_color_components(nullptr, components, &count, &alpha)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(alpha, 0.0f);
  for (float v : components) EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(REFUSED(zd_color_components(color, nullptr, &count, &alpha)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_color_components(color, components, nullptr, &alpha)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_color_components(color, components, &count, nullptr)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(count, 0);

  char *text = reinterpret_cast<char *>(0x1);
  int64_t len = 3;
  EXPECT_EQ(REFUSED(zd_color_to_css(nullptr, &text, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(REFUSED(zd_color_to_css(color, nullptr, &len)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_color_to_css(color, &text, nullptr)), ZD_BAD_ARGUMENT);

  std::vector<std::function<ZdStatus(ZdColor **)>> mixes = {
      [&](ZdColor **out) { return zd_color_mix(nullptr, color, 0.5f, "srgb", 0, out); },
      [&](ZdColor **out) { return zd_color_mix(color, nullptr, 0.5f, "srgb", 0, out); },
      [&](ZdColor **out) { return zd_color_mix(color, color, 0.5f, nullptr, 0, out); },
      [&](ZdColor **out) { return zd_color_mix(color, color, 0.5f, "nope", 0, out); },
      [&](ZdColor **out) { return zd_color_mix(unconvertible, color, 0.5f, "cmyk", 0, out); },
      [&](ZdColor **out) { return zd_color_mix(cmyk, color, 0.5f, "srgb", 0, out); },
      [&](ZdColor **out) { return zd_color_mix(color, color, -0.01f, "srgb", 0, out); },
      [&](ZdColor **out) { return zd_color_mix(color, color, 1.01f, "srgb", 0, out); },
      [&](ZdColor **out) { return zd_color_mix(color, color, 0.5f, "oklch", -1, out); },
      [&](ZdColor **out) { return zd_color_mix(color, color, 0.5f, "oklch", 4, out); },
  };
  for (float bad : kBadFloats) {
    mixes.push_back(
        [&, bad](ZdColor **out) { return zd_color_mix(color, color, bad, "srgb", 0, out); });
  }
  for (std::size_t i = 0; i < mixes.size(); ++i) {
    ZdColor *out = reinterpret_cast<ZdColor *>(0x1);
    EXPECT_EQ(refused([&] { return mixes[i](&out); }, "zd_color_mix case"), ZD_BAD_ARGUMENT) << i;
    EXPECT_EQ(out, nullptr) << i;
  }
  EXPECT_EQ(REFUSED(zd_color_mix(color, color, 0.5f, "srgb", 0, nullptr)), ZD_BAD_ARGUMENT);

  double difference = 7;
  EXPECT_EQ(REFUSED(zd_color_delta_e(nullptr, color, 0, &difference)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(difference, 0.0);
  difference = 7;
  EXPECT_EQ(REFUSED(zd_color_delta_e(color, nullptr, 0, &difference)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(difference, 0.0);
  for (int32_t method : {-1, 3, INT32_MAX}) {
    difference = 7;
    EXPECT_EQ(REFUSED(zd_color_delta_e(color, color, method, &difference)), ZD_BAD_ARGUMENT);
    EXPECT_EQ(difference, 0.0);
  }
  EXPECT_EQ(REFUSED(zd_color_delta_e(color, cmyk, 0, &difference)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_color_delta_e(unconvertible, color, 1, &difference)), ZD_BAD_ARGUMENT);
  EXPECT_EQ(REFUSED(zd_color_delta_e(color, color, 0, nullptr)), ZD_BAD_ARGUMENT);
  zd_color_free(cmyk);
  zd_color_free(unconvertible);

  // The colour the fixture filled with is unchanged by all of the above.
  char *svg = nullptr;
  ASSERT_EQ(zd_color_to_svg(color, &svg, &len), ZD_OK);
  EXPECT_STREQ(svg, "#FF0000");
  zd_buffer_free(svg);
}

// ------------------------------------------------------------ gradients

namespace {

// The bytes a paint draws of the fixture's path into a fresh 8 x 8 image.
std::vector<uint8_t> drawnBy(ZdPath *path, ZdPaint *paint) {
  ZdImage *image = zd_image_new(8, 8);
  EXPECT_EQ(zd_draw_path(image, path, paint, nullptr), ZD_OK);
  uint8_t *bytes = nullptr;
  int64_t len = 0;
  EXPECT_EQ(zd_image_pixels(image, &bytes, &len), ZD_OK);
  std::vector<uint8_t> copy(bytes, bytes + len);
  zd_image_free(image);
  return copy;
}

}  // namespace

TEST_F(BadArguments, Gradients) {
  ZdPaint *paint = zd_paint_new();
  ASSERT_NE(paint, nullptr);
  ZdColor *blue = zd_color_rgba(0, 0, 1, 1);
  ASSERT_EQ(zd_paint_add_stop(paint, 0.0f, color), ZD_OK);
  ASSERT_EQ(zd_paint_add_stop(paint, 1.0f, blue), ZD_OK);
  ASSERT_EQ(zd_paint_set_linear(paint, 1, 2, 6, 7), ZD_OK);
  const std::vector<uint8_t> before = drawnBy(path, paint);

  const float identity[6] = {1, 0, 0, 1, 0, 0};
  std::vector<Case> cases = {
      {"linear nil paint", [&] { return zd_paint_set_linear(nullptr, 0, 0, 1, 1); }},
      {"radial nil paint", [&] { return zd_paint_set_radial(nullptr, 0, 0, 1, 1, 1, 2); }},
      {"conic nil paint", [&] { return zd_paint_set_conic(nullptr, 0, 0, 0); }},
      {"stop nil paint", [&] { return zd_paint_add_stop(nullptr, 0.5f, color); }},
      {"stop nil colour", [&] { return zd_paint_add_stop(paint, 0.5f, nullptr); }},
      {"clear nil paint", [&] { return zd_paint_clear_stops(nullptr); }},
      {"spread nil paint", [&] { return zd_paint_set_spread(nullptr, ZD_SPREAD_PAD); }},
      {"interpolation nil paint", [&] { return zd_paint_set_interpolation(nullptr, "srgb", 0); }},
      {"interpolation nil space", [&] { return zd_paint_set_interpolation(paint, nullptr, 0); }},
      {"interpolation unknown space",
       [&] { return zd_paint_set_interpolation(paint, "sRGB ", 0); }},
      {"interpolation empty space", [&] { return zd_paint_set_interpolation(paint, "", 0); }},
      {"interpolation cmyk", [&] { return zd_paint_set_interpolation(paint, "cmyk", 0); }},
      {"transform nil paint", [&] { return zd_paint_set_gradient_transform(nullptr, identity); }},
      {"transform nil matrix", [&] { return zd_paint_set_gradient_transform(paint, nullptr); }},
      {"transform singular",
       [&] {
         const float flat[6] = {1, 2, 2, 4, 0, 0};
         return zd_paint_set_gradient_transform(paint, flat);
       }},
      {"transform zero",
       [&] {
         const float zero[6] = {0, 0, 0, 0, 5, 5};
         return zd_paint_set_gradient_transform(paint, zero);
       }},
      {"radial negative r0", [&] { return zd_paint_set_radial(paint, 0, 0, -1, 1, 1, 2); }},
      {"radial negative r1", [&] { return zd_paint_set_radial(paint, 0, 0, 1, 1, 1, -0.5f); }},
  };
  for (int32_t bad : {-1, 3, INT32_MIN, INT32_MAX}) {
    cases.push_back({"spread", [&, bad] { return zd_paint_set_spread(paint, bad); }});
  }
  for (int32_t bad : {-1, 4, INT32_MIN, INT32_MAX}) {
    cases.push_back(
        {"hue method", [&, bad] { return zd_paint_set_interpolation(paint, "oklch", bad); }});
  }
  for (float bad : kBadFloats) {
    cases.push_back({"stop offset", [&, bad] { return zd_paint_add_stop(paint, bad, color); }});
    for (int slot = 0; slot < 6; ++slot) {
      cases.push_back({"radial slot " + std::to_string(slot), [&, slot, bad] {
                         float v[6] = {1, 2, 0, 4, 4, 5};
                         v[slot] = bad;
                         return zd_paint_set_radial(paint, v[0], v[1], v[2], v[3], v[4], v[5]);
                       }});
      cases.push_back({"gradient transform slot " + std::to_string(slot), [&, slot, bad] {
                         float m[6] = {2, 0, 0, 2, 1, 1};
                         m[slot] = bad;
                         return zd_paint_set_gradient_transform(paint, m);
                       }});
    }
    for (int slot = 0; slot < 4; ++slot) {
      cases.push_back({"linear slot " + std::to_string(slot), [&, slot, bad] {
                         float v[4] = {1, 2, 6, 7};
                         v[slot] = bad;
                         return zd_paint_set_linear(paint, v[0], v[1], v[2], v[3]);
                       }});
    }
    for (int slot = 0; slot < 3; ++slot) {
      cases.push_back({"conic slot " + std::to_string(slot), [&, slot, bad] {
                         float v[3] = {3, 3, 0};
                         v[slot] = bad;
                         return zd_paint_set_conic(paint, v[0], v[1], v[2]);
                       }});
    }
  }
  expectAllRejected(cases);
  // Every refusal left the paint as it was.
  EXPECT_EQ(drawnBy(path, paint), before);

  // A gradient without stops fails when drawn, with the image untouched.
  ASSERT_EQ(zd_paint_clear_stops(paint), ZD_OK);
  EXPECT_EQ(REFUSED(zd_draw_path(image, path, paint, nullptr)), ZD_BAD_ARGUMENT);
  expectUnchanged();
  zd_color_free(blue);
  zd_paint_free(paint);
}
