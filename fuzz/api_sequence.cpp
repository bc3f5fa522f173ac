// Decodes its input into a sequence of exported calls and checks the
// frame's promises after each one: every status is 0, 2 or 8; outputs are
// cleared on failure; a rejected call changes nothing; every PNG handed out
// inflates to the image's filtered rows. Work is bounded per input: paths
// whose curves would flatten to more segments than a budget are not
// flattened or filled, and a use step that would only repeat the previous
// one on an unchanged path or image is skipped.
#include <fuzzer/FuzzedDataProvider.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "require.hpp"
#include "segment_budget.hpp"
#include "start_library.hpp"
#include "zd.h"

namespace {

float pickFloat(FuzzedDataProvider &in) {
  // clang-format off
  static const float kSpecial[] = {
      0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 10.0f, 100.0f, 1e-3f,
      std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
      -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::max(),
      -std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
      std::numeric_limits<float>::min(), 1e20f};
  // clang-format on
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return kSpecial[in.ConsumeIntegralInRange<size_t>(0, std::size(kSpecial) - 1)];
    case 1: return static_cast<float>(in.ConsumeIntegralInRange<int>(-40, 40));
    case 2: return in.ConsumeFloatingPointInRange<float>(-64.0f, 64.0f);
    default: {
      uint32_t bits = in.ConsumeIntegral<uint32_t>();
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return f;
    }
  }
}

bool validStatus(ZdStatus s) { return s == ZD_OK || s == ZD_BAD_ARGUMENT || s == ZD_OUT_OF_MEMORY; }

struct PathState {
  int64_t count;
  float start[2];
  float current[2];
  bool operator==(const PathState &o) const {
    return count == o.count && std::memcmp(start, o.start, 8) == 0 &&
           std::memcmp(current, o.current, 8) == 0;
  }
};

PathState stateOf(ZdPath *path) {
  PathState s{};
  s.count = zd_path_command_count(path);
  REQUIRE(zd_path_start(path, s.start) == ZD_OK);
  REQUIRE(zd_path_current(path, s.current) == ZD_OK);
  return s;
}

std::vector<uint8_t> pixelsOf(ZdImage *image) {
  uint8_t *data = nullptr;
  int64_t len = 0;
  REQUIRE(zd_image_pixels(image, &data, &len) == ZD_OK);
  return std::vector<uint8_t>(data, data + len);
}

// The PNG's IDAT data inflates to the rows of the image, each behind a 0 byte.
void checkPng(const uint8_t *png, int64_t len, ZdImage *image) {
  std::vector<uint8_t> zlibStream;
  int64_t at = 8;
  REQUIRE(len > 8 && std::memcmp(png, "\x89PNG\r\n\x1a\n", 8) == 0);
  while (at + 8 <= len) {
    const uint32_t length = (uint32_t{png[at]} << 24) | (uint32_t{png[at + 1]} << 16) |
                            (uint32_t{png[at + 2]} << 8) | png[at + 3];
    if (std::memcmp(png + at + 4, "IDAT", 4) == 0) {
      zlibStream.insert(zlibStream.end(), png + at + 8, png + at + 8 + length);
    }
    at += 12 + int64_t{length};
  }
  REQUIRE(at == len);
  const std::vector<uint8_t> pixels = pixelsOf(image);
  const size_t width = static_cast<size_t>(zd_image_width(image));
  const size_t height = static_cast<size_t>(zd_image_height(image));
  std::vector<uint8_t> rows((width * 4 + 1) * height);
  uLongf rowsLen = rows.size();
  REQUIRE(uncompress(rows.data(), &rowsLen, zlibStream.data(), zlibStream.size()) == Z_OK);
  REQUIRE(rowsLen == rows.size());
  for (size_t y = 0; y < height; ++y) {
    REQUIRE(rows[y * (width * 4 + 1)] == 0);
    REQUIRE(std::memcmp(&rows[y * (width * 4 + 1) + 1], &pixels[y * width * 4], width * 4) == 0);
  }
}

// One builder call; true when it changed the path.
bool buildStep(FuzzedDataProvider &in, ZdPath *path, ZdPath *other) {
  const PathState before = stateOf(path);
  ZdStatus s = ZD_OK;
  auto f = [&] { return pickFloat(in); };
  switch (in.ConsumeIntegralInRange<int>(0, 13)) {
    // clang-format off
    case 0: { float x = f(), y = f(); s = zd_path_move_to(path, x, y); break; }
    case 1: { float x = f(), y = f(); s = zd_path_line_to(path, x, y); break; }
    case 2: { float a = f(), b = f(), c = f(), d = f(), e = f(), g = f();
              s = zd_path_bezier_curve_to(path, a, b, c, d, e, g); break; }
    case 3: { float a = f(), b = f(), c = f(), d = f(); s = zd_path_quadratic_curve_to(path, a, b, c, d); break; }
    case 4: { float rx = f(), ry = f(), rot = f(); int32_t la = in.ConsumeIntegral<int32_t>();
              int32_t sw = in.ConsumeIntegral<int32_t>(); float x = f(), y = f();
              s = zd_path_elliptical_arc_to(path, rx, ry, rot, la, sw, x, y); break; }
    case 5: s = zd_path_close_path(path); break;
    case 6: { int32_t cw = in.ConsumeIntegral<int32_t>(); float a = f(), b = f(), c = f(), d = f();
              s = zd_path_rect(path, cw, a, b, c, d); break; }
    case 7: { int32_t cw = in.ConsumeBool(); float v[8]; for (float &x : v) x = f();
              s = zd_path_rounded_rect(path, cw, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]); break; }
    case 8: { float a = f(), b = f(), c = f(), d = f(); s = zd_path_ellipse(path, a, b, c, d); break; }
    case 9: { float a = f(), b = f(), c = f(); s = zd_path_circle(path, a, b, c); break; }
    case 10: { int32_t n = in.ConsumeIntegralInRange<int32_t>(-2, 64); float a = f(), b = f(), c = f();
               s = zd_path_polygon(path, n, a, b, c); break; }
    case 11: { int32_t ccw = in.ConsumeBool(); float v[5]; for (float &x : v) x = f();
               s = zd_path_arc(path, ccw, v[0], v[1], v[2], v[3], v[4]); break; }
    case 12: { float v[5]; for (float &x : v) x = f(); s = zd_path_arc_to(path, v[0], v[1], v[2], v[3], v[4]); break; }
    // clang-format on
    default: s = zd_path_add_path(path, in.ConsumeBool() ? path : other); break;
  }
  REQUIRE(validStatus(s));
  if (s != ZD_OK) REQUIRE(stateOf(path) == before);
  return s == ZD_OK;
}

// A stroke style from the input: any width, join, cap and limit, up to four
// dash lengths (the array lives in `dashes`).
ZdStroke pickStroke(FuzzedDataProvider &in, float (&dashes)[4]) {
  ZdStroke style{};
  style.width = pickFloat(in);
  style.join = in.ConsumeIntegralInRange<int32_t>(-1, 3);
  style.cap = in.ConsumeIntegralInRange<int32_t>(-1, 3);
  style.miter_limit = pickFloat(in);
  style.dash_count = in.ConsumeIntegralInRange<int32_t>(-1, 4);
  for (float &d : dashes) d = pickFloat(in);
  style.dashes = in.ConsumeBool() ? dashes : nullptr;
  style.dash_offset = pickFloat(in);
  return style;
}

// The tolerance a flattening under `matrix` works at in path units, for the
// budget: the paint's tolerance over a bound of the matrix's stretch (the
// root of the sum of the squared linear entries).
float pathTolerance(float tolerance, const float *matrix) {
  if (matrix == nullptr) return tolerance;
  double squares = 0.0;
  for (int i = 0; i < 4; ++i) squares += static_cast<double>(matrix[i]) * matrix[i];
  const double stretch = std::sqrt(squares);
  if (!std::isfinite(stretch) || !(stretch > 1.0)) return tolerance;
  // A tolerance that the stretch takes below the smallest float is as fine
  // as it gets, not 0 (which the estimate would read as the default).
  const float scaled = static_cast<float>(tolerance / stretch);
  return scaled > 0.0f || !(tolerance > 0.0f) ? scaled : std::numeric_limits<float>::denorm_min();
}

// What the use steps have already done to the current path and image, so
// that a step which would only repeat the last one is skipped. A change of
// the path or image (a build step, a fill) starts over.
struct Done {
  uint32_t pathVersion = 0;
  uint32_t imageVersion = 0;
  uint32_t stepsOnVersion = 0;  // bit per use step kind, for this path and image
  zd::fuzzing::InputBudget segments{1 << 12};
  void pathChanged() { ++pathVersion, stepsOnVersion = 0; }
  void imageChanged() { ++imageVersion, stepsOnVersion = 0; }
  // True the first time a kind runs on this path and image.
  bool first(int kind) {
    const uint32_t bit = 1u << kind;
    const bool isFirst = (stepsOnVersion & bit) == 0;
    stepsOnVersion |= bit;
    return isFirst;
  }
};

// The outline of a stroke: a new path on success, nil on failure, and the
// source path unchanged either way.
void strokeStep(FuzzedDataProvider &in, ZdPath *path, Done &done) {
  float dashes[4];
  const ZdStroke style = pickStroke(in, dashes);
  const float tolerance = pickFloat(in);
  if (!done.segments.spend(path, tolerance)) return;
  if (!zd::fuzzing::strokeWithinBudget(path, style, tolerance)) return;
  const PathState before = stateOf(path);
  ZdPath *out = reinterpret_cast<ZdPath *>(1);
  const ZdStatus s = zd_path_stroke(path, &style, tolerance, &out);
  REQUIRE(validStatus(s));
  REQUIRE((s == ZD_OK) == (out != nullptr));
  REQUIRE(stateOf(path) == before);
  if (out != nullptr) {
    // Lines only, never more than the cap.
    int64_t count = -1;
    REQUIRE(zd_path_flatten(out, nullptr, 0, &count, 0.5f) == ZD_OK);
    REQUIRE(count <= 1048576);
  }
  zd_path_free(out);
}

// A transform changes the path only when it succeeds.
void transformStep(FuzzedDataProvider &in, ZdPath *path, Done &done) {
  float matrix[6];
  for (float &entry : matrix) entry = pickFloat(in);
  const PathState before = stateOf(path);
  const ZdStatus s = zd_path_transform(path, matrix);
  REQUIRE(validStatus(s));
  bool finite = true;
  for (const float entry : matrix) finite = finite && std::isfinite(entry);
  if (!finite) REQUIRE(s == ZD_BAD_ARGUMENT);
  if (s != ZD_OK) REQUIRE(stateOf(path) == before);
  if (s == ZD_OK) done.pathChanged();
}

// A paint set up from the input (refused settings change nothing), drawn
// with or without a matrix: a failed draw leaves every pixel as it was.
void drawStep(FuzzedDataProvider &in, ZdPath *path, ZdImage *image, ZdColor *color, Done &done) {
  ZdPaint *paint = zd_paint_new();
  REQUIRE(paint != nullptr);
  REQUIRE(zd_paint_set_color(paint, color) == ZD_OK);
  float tolerance = 0.5f;
  // The paint's stroke style while it strokes (its dashes in strokeDashes).
  bool stroking = false;
  ZdStroke stroke{};
  float strokeDashes[4];
  for (int k = in.ConsumeIntegralInRange<int>(0, 4); k > 0; --k) {
    ZdStatus s = ZD_OK;
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:
        s = zd_paint_set_fill(paint, in.ConsumeIntegralInRange<int32_t>(-1, 2));
        if (s == ZD_OK) stroking = false;
        break;
      case 1: {
        float dashes[4];
        const ZdStroke style = pickStroke(in, dashes);
        s = zd_paint_set_stroke(paint, &style);
        if (s == ZD_OK) {
          stroking = true;
          stroke = style;
          std::copy(std::begin(dashes), std::end(dashes), strokeDashes);
          if (stroke.dashes != nullptr) stroke.dashes = strokeDashes;
        }
        break;
      }
      case 2: s = zd_paint_set_mode(paint, in.ConsumeIntegralInRange<int32_t>(-1, 2)); break;
      default: {
        const float t = pickFloat(in);
        s = zd_paint_set_tolerance(paint, t);
        if (s == ZD_OK) tolerance = t > 0.0f ? t : 0.5f;
        break;
      }
    }
    REQUIRE(validStatus(s));
  }
  ZdPaint *copy = in.ConsumeBool() ? zd_paint_copy(paint) : nullptr;
  float matrix[6];
  for (float &entry : matrix) entry = in.ConsumeBool() ? pickFloat(in) : 1.0f;
  const float *used = in.ConsumeBool() ? matrix : nullptr;
  const float flatness = pathTolerance(tolerance, used);
  // The path's segments are spent first, so that a draw refused for its
  // dashes still uses up the budget it took to count them.
  if (done.segments.spend(path, flatness) &&
      (!stroking || zd::fuzzing::strokeWithinBudget(path, stroke, flatness))) {
    const std::vector<uint8_t> before = pixelsOf(image);
    const ZdStatus s = zd_draw_path(image, path, copy ? copy : paint, used);
    REQUIRE(validStatus(s));
    if (s != ZD_OK) REQUIRE(pixelsOf(image) == before);
    if (s == ZD_OK) done.imageChanged();
  }
  zd_paint_free(copy);
  zd_paint_free(paint);
}

void useStep(FuzzedDataProvider &in, ZdPath *path, ZdImage *image, ZdColor *color, Done &done) {
  const int kind = in.ConsumeIntegralInRange<int>(0, 8);
  // Reading the command records is cheap and stays repeatable; the other
  // steps run once per state of the path and image.
  if (kind != 5 && !done.first(kind)) return;
  switch (kind) {
    case 6: strokeStep(in, path, done); break;
    case 7: transformStep(in, path, done); break;
    case 8: drawStep(in, path, image, color, done); break;
    case 0: {  // flatten with an arbitrary capacity
      const int64_t capacity = in.ConsumeIntegralInRange<int64_t>(-3, 64);
      std::vector<float> segments(static_cast<size_t>(capacity > 0 ? capacity : 0) * 4 + 4, -7.0f);
      int64_t count = 123;
      const float tolerance = pickFloat(in);
      if (!done.segments.spend(path, tolerance)) break;
      const ZdStatus s = zd_path_flatten(path, in.ConsumeBool() ? nullptr : segments.data(),
                                         capacity, &count, tolerance);
      REQUIRE(validStatus(s));
      if (s != ZD_OK) REQUIRE(count == 0);
      const int64_t copied = (s == ZD_OK && capacity > 0) ? std::min(count, capacity) : 0;
      // Nothing is written past what was copied.
      for (size_t i = static_cast<size_t>(copied) * 4; i < segments.size(); ++i)
        REQUIRE(segments[i] == -7.0f);
      break;
    }
    case 1: {  // fill with arbitrary rule, mode and tolerance
      const std::vector<uint8_t> before = pixelsOf(image);
      const int32_t rule = in.ConsumeIntegralInRange<int32_t>(-1, 2);
      const int32_t mode = in.ConsumeIntegralInRange<int32_t>(-1, 2);
      const float tolerance = pickFloat(in);
      if (!done.segments.spend(path, tolerance)) break;
      const ZdStatus s = zd_fill_path(image, path, color, rule, mode, tolerance);
      REQUIRE(validStatus(s));
      if (s != ZD_OK && (rule < 0 || rule > 1 || mode < 0 || mode > 1))
        REQUIRE(pixelsOf(image) == before);
      if (s == ZD_OK) done.imageChanged();
      break;
    }
    case 2: {
      uint8_t *png = reinterpret_cast<uint8_t *>(1);
      int64_t len = 5;
      const ZdStatus s = zd_image_encode_png(image, &png, &len);
      REQUIRE(validStatus(s));
      if (s == ZD_OK) checkPng(png, len, image);
      else REQUIRE(png == nullptr && len == 0);
      zd_buffer_free(png);
      break;
    }
    case 3: {
      char *text = reinterpret_cast<char *>(1);
      int64_t len = 5;
      const int32_t w = in.ConsumeIntegralInRange<int32_t>(-1, 64);
      const int32_t h = in.ConsumeIntegralInRange<int32_t>(-1, 64);
      const ZdStatus s = zd_path_to_svg(path, color, w, h, &text, &len);
      REQUIRE(validStatus(s));
      if (s == ZD_OK) REQUIRE(text != nullptr && std::strlen(text) == static_cast<size_t>(len));
      else REQUIRE(text == nullptr && len == 0);
      zd_buffer_free(text);
      break;
    }
    case 4: {  // print and parse back: same command count
      char *text = reinterpret_cast<char *>(1);
      int64_t len = 5;
      const ZdStatus s = zd_path_to_d(path, &text, &len);
      REQUIRE(validStatus(s));
      if (s == ZD_OK) {
        ZdPath *back = nullptr;
        const ZdStatus p = zd_path_parse_d(text, &back);
        if (zd_path_command_count(path) > 0) {
          ZdCommand first;
          REQUIRE(zd_path_command_get(path, 0, &first) == ZD_OK);
          // Text that does not start with a moveto is refused by the parser.
          if (first.kind == 1 || first.kind == 10) {
            REQUIRE(p == ZD_OK);
            REQUIRE(zd_path_command_count(back) == zd_path_command_count(path));
          }
        }
        zd_path_free(back);
      } else {
        REQUIRE(text == nullptr && len == 0);
      }
      zd_buffer_free(text);
      break;
    }
    default: {  // 5: read a command record
      ZdCommand command{77, {1, 2, 3, 4, 5, 6, 7}};
      const ZdCommand before = command;
      const int64_t index = in.ConsumeIntegralInRange<int64_t>(-2, 300);
      const ZdStatus s = zd_path_command_get(path, index, &command);
      REQUIRE(validStatus(s));
      if (s != ZD_OK) REQUIRE(std::memcmp(&command, &before, sizeof command) == 0);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zd::fuzzing::startLibrary();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  ZdPath *path = zd_path_new();
  ZdPath *other = zd_path_new();
  zd_path_rect(other, 1, 1, 1, 5, 3);
  const int width = in.ConsumeIntegralInRange<int>(1, 24);
  const int height = in.ConsumeIntegralInRange<int>(1, 24);
  ZdImage *image = zd_image_new(width, height);
  ZdColor *color = in.ConsumeBool() ? zd_color_parse("oklch(0.7 0.4 150 / 0.6)")
                                    : zd_color_rgba(in.ConsumeProbability<float>(), 0.25f, 0.5f,
                                                    in.ConsumeProbability<float>());
  REQUIRE(path && other && image && color);
  Done done;
  for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
    if (zd_path_command_count(path) > 200) break;  // keep each input quick
    if (in.ConsumeIntegralInRange<int>(0, 2) != 0) {
      if (buildStep(in, path, other)) done.pathChanged();
    } else {
      useStep(in, path, image, color, done);
    }
  }
  zd_color_free(color);
  zd_image_free(image);
  zd_path_free(other);
  zd_path_free(path);
  return 0;
}
