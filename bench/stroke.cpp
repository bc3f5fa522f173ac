// Stroking and transforming, side by side with cairo:
//   curves     - 1,000 seeded random cubic curves, widths 1..8, round joins,
//                butt caps, into a 1024 x 1024 RGBA image, each stroked on
//                its own (outline plus fill for us, cairo_stroke for cairo);
//   dashed_walk - one polyline of 100,000 segments (a random walk of 3..9 px
//                steps), width 2, miter joins, dashes 6 on 4 off;
//   million_commands - one path of 1,000,000 commands (lines and cubics, a move now
//                and then) mapped by a rotation and scale: zd::path::transform
//                against cairo_append_path under a matrix.
// Both libraries run at tolerance 0.5 (ours' default) and at 0.1 (cairo's
// default, the workloads named *_fine); cairo's tolerance is set with
// cairo_set_tolerance.
//
// Names: stroke/<workload>/<engine> (outline plus fill), stroke_outline/
// <workload>/zd (the outline alone), transform/million_commands/<engine>, and
// stroke_memory/<workload>/zd: the peak bytes one stroke holds through
// operator new beyond the image, with the outline's segment count beside it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/image.hpp"
#include "paint/paint.hpp"
#include "path/path.hpp"
#include "path/shapes.hpp"
#include "path/transform.hpp"
#include "raster/draw.hpp"
#include "stroke/stroke.hpp"
#include "zd.h"

#ifdef ZD_HAVE_CAIRO
#include <cairo.h>
#endif

#include "allocation_meter.hpp"
#include "bench_main.hpp"

using zd::bench::liveBytes;
using zd::bench::peakBytes;

namespace {

constexpr int kSize = 1024;

struct Point {
  float x, y;
};

// One stroked shape: a move, then lines or cubics (three points each).
struct StrokeShape {
  std::vector<Point> points;
  bool cubic = false;
  float width = 1;
  float red = 0, green = 0, blue = 0;
};

struct StrokeScene {
  std::vector<StrokeShape> shapes;
  zd::stroke::Join join = zd::stroke::Join::round;
  std::vector<float> dashes;
};

StrokeScene curves() {
  std::mt19937 random(21);
  std::uniform_real_distribution<float> coordinate(0.0f, float(kSize)), width(1.0f, 8.0f),
      unit(0.0f, 1.0f);
  StrokeScene scene;
  scene.shapes.resize(1000);
  for (StrokeShape &shape : scene.shapes) {
    shape.cubic = true;
    for (int i = 0; i < 4; ++i) shape.points.push_back({coordinate(random), coordinate(random)});
    shape.width = width(random);
    shape.red = unit(random);
    shape.green = unit(random);
    shape.blue = unit(random);
  }
  return scene;
}

StrokeScene dashedWalk() {
  std::mt19937 random(22);
  std::uniform_real_distribution<float> step(3.0f, 9.0f);
  std::normal_distribution<float> turn(0.0f, 0.5f);
  StrokeScene scene;
  scene.join = zd::stroke::Join::miter;
  scene.dashes = {6.0f, 4.0f};
  StrokeShape walk;
  walk.width = 2.0f;
  walk.red = 0.2f;
  walk.green = 0.3f;
  walk.blue = 0.7f;
  float x = 512, y = 512, angle = 0;
  walk.points.push_back({x, y});
  for (int i = 0; i < 100000; ++i) {
    angle += turn(random);
    const float length = step(random);
    float nx = x + length * std::cos(angle), ny = y + length * std::sin(angle);
    // Turn back from the image's border.
    if (nx < 8 || nx > kSize - 8 || ny < 8 || ny > kSize - 8) {
      angle += 3.1415927f;
      nx = x + length * std::cos(angle);
      ny = y + length * std::sin(angle);
    }
    x = nx;
    y = ny;
    walk.points.push_back({x, y});
  }
  scene.shapes.push_back(std::move(walk));
  return scene;
}

const StrokeScene &strokeScene(int which) {
  static const StrokeScene scenes[2] = {curves(), dashedWalk()};
  return scenes[which];
}

const char *const kSceneNames[2] = {"curves", "dashed_walk"};

// ------------------------------------------------------------------ ours
struct OurStroke {
  zd::path::Path path;
  zd::paint::Paint paint;
};

std::vector<OurStroke> ourScene(const StrokeScene &scene, float tolerance) {
  std::vector<OurStroke> out;
  for (const StrokeShape &shape : scene.shapes) {
    OurStroke our;
    const auto &p = shape.points;
    zd::path::moveTo(our.path, {p[0].x, p[0].y});
    if (shape.cubic) {
      for (std::size_t i = 1; i + 2 < p.size(); i += 3) {
        zd::path::cubicTo(our.path, {p[i].x, p[i].y}, {p[i + 1].x, p[i + 1].y},
                          {p[i + 2].x, p[i + 2].y});
      }
    } else {
      for (std::size_t i = 1; i < p.size(); ++i) zd::path::lineTo(our.path, {p[i].x, p[i].y});
    }
    our.paint.source.color =
        zd::color::color(zd::color::stSrgb, shape.red, shape.green, shape.blue, 1.0f).value();
    our.paint.coverage = zd::paint::Coverage::stroke;
    our.paint.stroke.width = shape.width;
    our.paint.stroke.join = scene.join;
    our.paint.stroke.dashes = scene.dashes;
    our.paint.tolerance = tolerance;
    out.push_back(std::move(our));
  }
  return out;
}

void ZdDraw(benchmark::State &state, int scene, float tolerance) {
  const auto strokes = ourScene(strokeScene(scene), tolerance);
  zd::image::Image image = zd::image::newImage(kSize, kSize, zd::image::csRgba);
  for (auto _ : state) {
    std::memset(image.data.data(), 0, image.data.size());
    for (const OurStroke &stroke : strokes) {
      zd::raster::drawPath(image, stroke.path, stroke.paint, nullptr);
    }
    benchmark::DoNotOptimize(image.data.data());
  }
}

// The outline alone, without the fill.
void ZdOutlineOnly(benchmark::State &state, int scene, float tolerance) {
  const auto strokes = ourScene(strokeScene(scene), tolerance);
  zd::stroke::Outline outline;
  std::size_t segments = 0;
  for (auto _ : state) {
    segments = 0;
    for (const OurStroke &stroke : strokes) {
      zd::stroke::strokeOutline(stroke.path, stroke.paint.stroke, stroke.paint.tolerance, outline);
      segments += outline.segments.size();
    }
    benchmark::DoNotOptimize(outline.segments.data());
  }
  state.counters["outline_segments"] = static_cast<double>(segments);
}

// Peak bytes of one stroke beyond the image, for the scene's largest shape.
void ZdWorkingMemory(benchmark::State &state, int scene, float tolerance) {
  const auto strokes = ourScene(strokeScene(scene), tolerance);
  std::size_t largest = 0;
  for (std::size_t i = 0; i < strokes.size(); ++i) {
    if (strokes[i].paint.stroke.width * strokes[i].path.commands.size() >
        strokes[largest].paint.stroke.width * strokes[largest].path.commands.size()) {
      largest = i;
    }
  }
  zd::image::Image image = zd::image::newImage(kSize, kSize, zd::image::csRgba);
  zd::stroke::Outline outline;
  zd::stroke::strokeOutline(strokes[largest].path, strokes[largest].paint.stroke,
                            strokes[largest].paint.tolerance, outline);
  std::size_t peak = 0;
  for (auto _ : state) {
    const std::size_t before = liveBytes;
    peakBytes = liveBytes;
    zd::raster::drawPath(image, strokes[largest].path, strokes[largest].paint, nullptr);
    peak = peakBytes - before;
  }
  state.counters["peak_bytes"] = static_cast<double>(peak);
  state.counters["outline_segments"] = static_cast<double>(outline.segments.size());
  state.counters["bytes_per_segment"] =
      static_cast<double>(peak) / static_cast<double>(outline.segments.size());
}

// ----------------------------------------------------------------- cairo
#ifdef ZD_HAVE_CAIRO
void CairoStroke(benchmark::State &state, int which, float tolerance) {
  const StrokeScene &scene = strokeScene(which);
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
  cairo_t *cr = cairo_create(surface);
  cairo_set_tolerance(cr, tolerance);
  cairo_set_line_join(
      cr, scene.join == zd::stroke::Join::round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  if (!scene.dashes.empty()) {
    std::vector<double> dashes(scene.dashes.begin(), scene.dashes.end());
    cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
  }
  unsigned char *pixels = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (auto _ : state) {
    cairo_surface_flush(surface);
    std::memset(pixels, 0, static_cast<std::size_t>(stride) * kSize);
    cairo_surface_mark_dirty(surface);
    for (const StrokeShape &shape : scene.shapes) {
      const auto &p = shape.points;
      cairo_move_to(cr, p[0].x, p[0].y);
      if (shape.cubic) {
        for (std::size_t i = 1; i + 2 < p.size(); i += 3) {
          cairo_curve_to(cr, p[i].x, p[i].y, p[i + 1].x, p[i + 1].y, p[i + 2].x, p[i + 2].y);
        }
      } else {
        for (std::size_t i = 1; i < p.size(); ++i) cairo_line_to(cr, p[i].x, p[i].y);
      }
      cairo_set_line_width(cr, shape.width);
      cairo_set_source_rgb(cr, shape.red, shape.green, shape.blue);
      cairo_stroke(cr);
    }
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(pixels);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
#endif

// ------------------------------------------------------------- transform
struct BigPath {
  std::vector<Point> points;         // per command: one point (move, line) or three (cubic)
  std::vector<unsigned char> kinds;  // 0 move, 1 line, 2 cubic
};

const BigPath &bigPath() {
  static const BigPath path = [] {
    std::mt19937 random(23);
    std::uniform_real_distribution<float> coordinate(0.0f, float(kSize));
    BigPath p;
    for (int i = 0; i < 1000000; ++i) {
      const unsigned char kind = i % 1000 == 0 ? 0 : static_cast<unsigned char>(1 + random() % 2);
      p.kinds.push_back(kind);
      for (int k = 0; k < (kind == 2 ? 3 : 1); ++k)
        p.points.push_back({coordinate(random), coordinate(random)});
    }
    return p;
  }();
  return path;
}

const zd::path::Matrix kMatrix{0.8660254f * 1.5f, 0.5f * 1.5f, -0.5f * 1.5f,
                               0.8660254f * 1.5f, 30,          -40};

void ZdTransform(benchmark::State &state) {
  const BigPath &big = bigPath();
  zd::path::Path original;
  std::size_t at = 0;
  for (const unsigned char kind : big.kinds) {
    const auto &p = big.points;
    if (kind == 0) zd::path::moveTo(original, {p[at].x, p[at].y});
    if (kind == 1) zd::path::lineTo(original, {p[at].x, p[at].y});
    if (kind == 2) {
      zd::path::cubicTo(original, {p[at].x, p[at].y}, {p[at + 1].x, p[at + 1].y},
                        {p[at + 2].x, p[at + 2].y});
    }
    at += kind == 2 ? 3 : 1;
  }
  for (auto _ : state) {
    state.PauseTiming();
    zd::path::Path path = original;
    state.ResumeTiming();
    zd::path::transform(path, kMatrix);
    benchmark::DoNotOptimize(path.commands.data());
  }
  state.counters["commands"] = static_cast<double>(original.commands.size());
}

#ifdef ZD_HAVE_CAIRO
void CairoTransform(benchmark::State &state) {
  const BigPath &big = bigPath();
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 16, 16);
  cairo_t *cr = cairo_create(surface);
  std::size_t at = 0;
  for (const unsigned char kind : big.kinds) {
    const auto &p = big.points;
    if (kind == 0) cairo_move_to(cr, p[at].x, p[at].y);
    if (kind == 1) cairo_line_to(cr, p[at].x, p[at].y);
    if (kind == 2) {
      cairo_curve_to(cr, p[at].x, p[at].y, p[at + 1].x, p[at + 1].y, p[at + 2].x, p[at + 2].y);
    }
    at += kind == 2 ? 3 : 1;
  }
  cairo_path_t *original = cairo_copy_path(cr);
  const cairo_matrix_t matrix{kMatrix.a, kMatrix.b, kMatrix.c, kMatrix.d, kMatrix.e, kMatrix.f};
  for (auto _ : state) {
    cairo_new_path(cr);
    cairo_set_matrix(cr, &matrix);
    // The stored path, mapped by the current matrix into cairo's own path.
    cairo_append_path(cr, original);
    cairo_identity_matrix(cr);
    benchmark::DoNotOptimize(cr);
  }
  cairo_path_destroy(original);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
#endif

void registerAll() {
  constexpr float kTolerances[2] = {0.5f, 0.1f};
  for (int scene = 0; scene < 2; ++scene) {
    for (int fine = 0; fine < 2; ++fine) {
      const std::string workload = std::string(kSceneNames[scene]) + (fine ? "_fine" : "");
      const float tolerance = kTolerances[fine];
      benchmark::RegisterBenchmark(("stroke/" + workload + "/zd").c_str(), ZdDraw, scene, tolerance)
          ->Unit(benchmark::kMillisecond);
#ifdef ZD_HAVE_CAIRO
      benchmark::RegisterBenchmark(("stroke/" + workload + "/cairo").c_str(), CairoStroke, scene,
                                   tolerance)
          ->Unit(benchmark::kMillisecond);
#endif
      benchmark::RegisterBenchmark(("stroke_outline/" + workload + "/zd").c_str(), ZdOutlineOnly,
                                   scene, tolerance)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("stroke_memory/" + workload + "/zd").c_str(), ZdWorkingMemory,
                                   scene, tolerance)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(3);
    }
  }
  benchmark::RegisterBenchmark("transform/million_commands/zd", ZdTransform)
      ->Unit(benchmark::kMillisecond);
#ifdef ZD_HAVE_CAIRO
  benchmark::RegisterBenchmark("transform/million_commands/cairo", CairoTransform)
      ->Unit(benchmark::kMillisecond);
#endif
}

}  // namespace

// The colour registry must be filled before any stroke maps a colour.
int main(int argc, char **argv) {
  zd_init();
  return zd::bench::runRegistered(argc, argv, registerAll);
}
