// Filling speed on a 1024 x 1024 RGBA image, side by side with cairo
// (default antialiasing) and AGG (scanline AA renderer), on four seeded
// scenes:
//   polygons    - 200 random polygons of 3..12 vertices, half opaque, half
//                 at 50% alpha, non-zero;
//   stars       - 50 large self-intersecting stars, even-odd;
//   circles     - 2,000 small circles of four cubics each, non-zero;
//   big_polygon - one polygon of 100,000 edges, non-zero.
// Every iteration clears the image and paints the whole scene; each library
// gets the same shapes and colours and flattens its own curves. Ours runs
// the whole fill (flattening, colour mapping, painting) per shape; zd_export
// runs the same fills through zd_fill_path, as a host calls it.
//
// The fill_memory benchmarks report the peak working memory of one fill (bytes
// held through operator new beyond the image) for each scene's largest shape.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "path/path.hpp"
#include "path/shapes.hpp"
#include "raster/area.hpp"
#include "raster/raster.hpp"
#include "zd.h"

#ifdef ZD_HAVE_CAIRO
#include <cairo.h>
#endif
#ifdef ZD_HAVE_AGG
#include <agg2/agg_conv_curve.h>
#include <agg2/agg_path_storage.h>
#include <agg2/agg_pixfmt_rgba.h>
#include <agg2/agg_rasterizer_scanline_aa.h>
#include <agg2/agg_renderer_base.h>
#include <agg2/agg_renderer_scanline.h>
#include <agg2/agg_rendering_buffer.h>
#include <agg2/agg_scanline_u.h>
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

// One shape: closed polygons (lines) or closed cubic loops, and its paint.
struct Shape {
  std::vector<Point> points;  // polygon vertices, or p0 then 3 points per cubic
  bool cubic = false;
  bool evenOdd = false;
  float red = 0, green = 0, blue = 0, alpha = 1;
};

using Scene = std::vector<Shape>;

void paintFor(Shape &shape, std::mt19937 &random, float alpha) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  shape.red = unit(random);
  shape.green = unit(random);
  shape.blue = unit(random);
  shape.alpha = alpha;
}

Scene polygons() {
  std::mt19937 random(1);
  std::uniform_real_distribution<float> coordinate(0.0f, float(kSize));
  Scene scene(200);
  for (std::size_t i = 0; i < scene.size(); ++i) {
    const int vertices = 3 + static_cast<int>(random() % 10);
    for (int v = 0; v < vertices; ++v)
      scene[i].points.push_back({coordinate(random), coordinate(random)});
    paintFor(scene[i], random, i % 2 == 0 ? 1.0f : 0.5f);
  }
  return scene;
}

Scene stars() {
  std::mt19937 random(2);
  std::uniform_real_distribution<float> centre(200.0f, 824.0f), radius(250.0f, 500.0f);
  Scene scene(50);
  for (Shape &star : scene) {
    const int points = 5 + 2 * static_cast<int>(random() % 6);  // 5..15, odd
    const int step = points / 2;                                // the most crossings
    const float cx = centre(random), cy = centre(random), r = radius(random);
    for (int k = 0; k < points; ++k) {
      const float angle = 6.2831853f * float(k * step % points) / float(points);
      star.points.push_back({cx + r * std::sin(angle), cy - r * std::cos(angle)});
    }
    star.evenOdd = true;
    paintFor(star, random, 1.0f);
  }
  return scene;
}

Scene circles() {
  std::mt19937 random(3);
  std::uniform_real_distribution<float> centre(0.0f, float(kSize)), radius(3.0f, 12.0f);
  Scene scene(2000);
  for (Shape &circle : scene) {
    const float cx = centre(random), cy = centre(random), r = radius(random);
    const float k = 0.5522848f * r;
    circle.cubic = true;
    circle.points = {{cx + r, cy},     {cx + r, cy + k}, {cx + k, cy + r}, {cx, cy + r},
                     {cx - k, cy + r}, {cx - r, cy + k}, {cx - r, cy},     {cx - r, cy - k},
                     {cx - k, cy - r}, {cx, cy - r},     {cx + k, cy - r}, {cx + r, cy - k},
                     {cx + r, cy}};
    paintFor(circle, random, 1.0f);
  }
  return scene;
}

Scene bigPolygon() {
  std::mt19937 random(4);
  std::uniform_real_distribution<float> radius(300.0f, 500.0f);
  Scene scene(1);
  for (int k = 0; k < 100000; ++k) {
    const float angle = 6.2831853f * float(k) / 100000.0f;
    const float r = radius(random);
    scene[0].points.push_back({512.0f + r * std::cos(angle), 512.0f + r * std::sin(angle)});
  }
  paintFor(scene[0], random, 1.0f);
  return scene;
}

const Scene &sceneNumber(int which) {
  static const Scene scenes[4] = {polygons(), stars(), circles(), bigPolygon()};
  return scenes[which];
}

const char *const kSceneNames[4] = {"polygons", "stars", "circles", "big_polygon"};

// ------------------------------------------------------------------ ours
struct OurShape {
  zd::path::Path path;
  zd::color::Color color;
  bool evenOdd;
};

std::vector<OurShape> ourScene(const Scene &scene) {
  std::vector<OurShape> out;
  for (const Shape &shape : scene) {
    OurShape our;
    zd::path::moveTo(our.path, {shape.points[0].x, shape.points[0].y});
    if (shape.cubic) {
      for (std::size_t i = 1; i + 2 < shape.points.size(); i += 3) {
        const auto &p = shape.points;
        zd::path::cubicTo(our.path, {p[i].x, p[i].y}, {p[i + 1].x, p[i + 1].y},
                          {p[i + 2].x, p[i + 2].y});
      }
    } else {
      for (std::size_t i = 1; i < shape.points.size(); ++i) {
        zd::path::lineTo(our.path, {shape.points[i].x, shape.points[i].y});
      }
    }
    zd::path::closePath(our.path);
    our.color = zd::color::color(zd::color::stSrgb, shape.red, shape.green, shape.blue, shape.alpha)
                    .value();
    our.evenOdd = shape.evenOdd;
    out.push_back(std::move(our));
  }
  return out;
}

void zdFill(benchmark::State &state, int scene) {
  const auto shapes = ourScene(sceneNumber(scene));
  zd::image::Image image = zd::image::newImage(kSize, kSize, zd::image::csRgba);
  for (auto _ : state) {
    std::memset(image.data.data(), 0, image.data.size());
    for (const OurShape &shape : shapes) {
      zd::raster::fillPath(image, shape.path, shape.color, shape.evenOdd, false, 0.5f);
    }
    benchmark::DoNotOptimize(image.data.data());
  }
}

// The same scene through another coverage model: zd_area (exact area),
// zd_aliased (pixel centres).
void zdFillWith(benchmark::State &state, int scene, zd::raster::Antialias model) {
  const auto shapes = ourScene(sceneNumber(scene));
  zd::image::Image image = zd::image::newImage(kSize, kSize, zd::image::csRgba);
  for (auto _ : state) {
    std::memset(image.data.data(), 0, image.data.size());
    for (const OurShape &shape : shapes) {
      zd::raster::fillPathWith(image, shape.path, shape.color, shape.evenOdd, false, 0.5f, model);
    }
    benchmark::DoNotOptimize(image.data.data());
  }
}

// A shape built through the exported path calls.
ZdPath *exportedPath(const Shape &shape) {
  const auto &p = shape.points;
  ZdPath *path = zd_path_new();
  zd_path_move_to(path, p[0].x, p[0].y);
  if (shape.cubic) {
    for (std::size_t i = 1; i + 2 < p.size(); i += 3) {
      zd_path_bezier_curve_to(path, p[i].x, p[i].y, p[i + 1].x, p[i + 1].y, p[i + 2].x, p[i + 2].y);
    }
  } else {
    for (std::size_t i = 1; i < p.size(); ++i) zd_path_line_to(path, p[i].x, p[i].y);
  }
  zd_path_close_path(path);
  return path;
}

// The same fills through the exported call, with the path and colour
// handles made beforehand: the cost of the frame (argument checks, the
// references each call takes and drops, the colour copy) on top of zd.
void zdExportFill(benchmark::State &state, int which) {
  zd_init();
  const Scene &scene = sceneNumber(which);
  std::vector<ZdPath *> paths;
  std::vector<ZdColor *> colors;
  for (const Shape &shape : scene) {
    paths.push_back(exportedPath(shape));
    colors.push_back(zd_color_rgba(shape.red, shape.green, shape.blue, shape.alpha));
  }
  ZdImage *image = zd_image_new(kSize, kSize);
  uint8_t *pixels = nullptr;
  int64_t length = 0;
  zd_image_pixels(image, &pixels, &length);
  for (auto _ : state) {
    std::memset(pixels, 0, static_cast<std::size_t>(length));
    for (std::size_t i = 0; i < paths.size(); ++i) {
      zd_fill_path(image, paths[i], colors[i], scene[i].evenOdd ? 1 : 0, 0, 0.5f);
    }
    benchmark::DoNotOptimize(pixels);
  }
  for (ZdColor *color : colors) zd_color_free(color);
  for (ZdPath *path : paths) zd_path_free(path);
  zd_image_free(image);
}

// The peak memory one fill holds beyond the image, for the scene's largest shape.
void zdWorkingMemory(benchmark::State &state, int scene, zd::raster::Antialias model) {
  const auto shapes = ourScene(sceneNumber(scene));
  const auto largest = std::max_element(
      shapes.begin(), shapes.end(),
      [](const auto &a, const auto &b) { return a.path.commands.size() < b.path.commands.size(); });
  zd::image::Image image = zd::image::newImage(kSize, kSize, zd::image::csRgba);
  std::size_t peak = 0;
  for (auto _ : state) {
    const std::size_t before = liveBytes;
    peakBytes = liveBytes;
    zd::raster::fillPathWith(image, largest->path, largest->color, largest->evenOdd, false, 0.5f,
                             model);
    peak = peakBytes - before;
  }
  state.counters["peak_bytes"] = static_cast<double>(peak);
  state.counters["commands"] = static_cast<double>(largest->path.commands.size());
}

// ----------------------------------------------------------------- cairo
#ifdef ZD_HAVE_CAIRO
void cairoFill(benchmark::State &state, int which) {
  const Scene &scene = sceneNumber(which);
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
  cairo_t *cr = cairo_create(surface);
  unsigned char *pixels = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (auto _ : state) {
    cairo_surface_flush(surface);
    std::memset(pixels, 0, static_cast<std::size_t>(stride) * kSize);
    cairo_surface_mark_dirty(surface);
    for (const Shape &shape : scene) {
      const auto &p = shape.points;
      cairo_move_to(cr, p[0].x, p[0].y);
      if (shape.cubic) {
        for (std::size_t i = 1; i + 2 < p.size(); i += 3) {
          cairo_curve_to(cr, p[i].x, p[i].y, p[i + 1].x, p[i + 1].y, p[i + 2].x, p[i + 2].y);
        }
      } else {
        for (std::size_t i = 1; i < p.size(); ++i) cairo_line_to(cr, p[i].x, p[i].y);
      }
      cairo_close_path(cr);
      cairo_set_fill_rule(cr, shape.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
      cairo_set_source_rgba(cr, shape.red, shape.green, shape.blue, shape.alpha);
      cairo_fill(cr);
    }
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(pixels);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
#endif

// ------------------------------------------------------------------- AGG
#ifdef ZD_HAVE_AGG
void aggFill(benchmark::State &state, int which) {
  const Scene &scene = sceneNumber(which);
  std::vector<agg::path_storage> paths(scene.size());
  for (std::size_t s = 0; s < scene.size(); ++s) {
    const auto &p = scene[s].points;
    paths[s].move_to(p[0].x, p[0].y);
    if (scene[s].cubic) {
      for (std::size_t i = 1; i + 2 < p.size(); i += 3) {
        paths[s].curve4(p[i].x, p[i].y, p[i + 1].x, p[i + 1].y, p[i + 2].x, p[i + 2].y);
      }
    } else {
      for (std::size_t i = 1; i < p.size(); ++i) paths[s].line_to(p[i].x, p[i].y);
    }
    paths[s].close_polygon();
  }
  std::vector<unsigned char> pixels(std::size_t{kSize} * kSize * 4);
  agg::rendering_buffer buffer(pixels.data(), kSize, kSize, kSize * 4);
  agg::pixfmt_rgba32 format(buffer);
  agg::renderer_base<agg::pixfmt_rgba32> base(format);
  agg::rasterizer_scanline_aa<> rasterizer;
  agg::scanline_u8 scanline;
  for (auto _ : state) {
    std::memset(pixels.data(), 0, pixels.size());
    for (std::size_t s = 0; s < scene.size(); ++s) {
      const Shape &shape = scene[s];
      rasterizer.reset();
      rasterizer.filling_rule(shape.evenOdd ? agg::fill_even_odd : agg::fill_non_zero);
      agg::conv_curve<agg::path_storage> curve(paths[s]);
      rasterizer.add_path(curve);
      agg::render_scanlines_aa_solid(rasterizer, scanline, base,
                                     agg::rgba8(static_cast<unsigned>(shape.red * 255 + 0.5f),
                                                static_cast<unsigned>(shape.green * 255 + 0.5f),
                                                static_cast<unsigned>(shape.blue * 255 + 0.5f),
                                                static_cast<unsigned>(shape.alpha * 255 + 0.5f)));
    }
    benchmark::DoNotOptimize(pixels.data());
  }
}
#endif

// Names: fill/<scene>/<engine>, and fill_memory/<scene>/zd.
void registerAll() {
  for (int scene = 0; scene < 4; ++scene) {
    const std::string name = kSceneNames[scene];
    benchmark::RegisterBenchmark(("fill/" + name + "/zd").c_str(), zdFill, scene)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("fill/" + name + "/zd_export").c_str(), zdExportFill, scene)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("fill/" + name + "/zd_area").c_str(), zdFillWith, scene,
                                 zd::raster::Antialias::area)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("fill/" + name + "/zd_aliased").c_str(), zdFillWith, scene,
                                 zd::raster::Antialias::none)
        ->Unit(benchmark::kMillisecond);
#ifdef ZD_HAVE_CAIRO
    benchmark::RegisterBenchmark(("fill/" + name + "/cairo").c_str(), cairoFill, scene)
        ->Unit(benchmark::kMillisecond);
#endif
#ifdef ZD_HAVE_AGG
    benchmark::RegisterBenchmark(("fill/" + name + "/agg").c_str(), aggFill, scene)
        ->Unit(benchmark::kMillisecond);
#endif
  }
  for (int scene = 0; scene < 4; ++scene) {
    const std::string name = kSceneNames[scene];
    benchmark::RegisterBenchmark(("fill_memory/" + name + "/zd").c_str(), zdWorkingMemory, scene,
                                 zd::raster::Antialias::scanlines)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark(("fill_memory/" + name + "/zd_area").c_str(), zdWorkingMemory,
                                 scene, zd::raster::Antialias::area)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
  }
}

}  // namespace

// The colour registry must be filled before any fill maps a colour.
int main(int argc, char **argv) {
  zd_init();
  return zd::bench::runRegistered(argc, argv, registerAll);
}
