// Gradient filling speed on a 1024 x 1024 RGBA image, side by side with
// cairo, on three scenes:
//   linear_rect   - the whole image, a 3-stop linear gradient along the
//                   diagonal;
//   radial_rect   - the whole image, a 3-stop two-circle radial gradient;
//   polygons      - 200 random polygons of 3..12 vertices, each with its
//                   own 3-stop linear gradient across its bounding box;
//   small_shared  - 2,000 small random polygons (within 32 x 32 boxes)
//                   painted with one 3-stop linear gradient across the
//                   image: a gradient paint shared by many shapes.
// Ours runs in "srgb" and in "oklch" interpolation; cairo interpolates in
// sRGB. Every iteration clears the image and paints the whole scene, stops
// and gradient set-up included.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "raster/gradient.hpp"
#include "zd.h"

#ifdef ZD_HAVE_CAIRO
#include <cairo.h>
#endif

namespace {

constexpr int kSize = 1024;

struct Stop {
  float offset, red, green, blue;
};

struct Shape {
  std::vector<zd::raster::Segment> segments;  // closed polygon
  std::vector<float> xs, ys;
  zd::paint::GradientKind kind = zd::paint::GradientKind::linear;
  float geometry[6] = {};
  Stop stops[3];
};

using Scene = std::vector<Shape>;

void closePolygon(Shape &shape) {
  const std::size_t n = shape.xs.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = (i + 1) % n;
    shape.segments.push_back({shape.xs[i], shape.ys[i], shape.xs[j], shape.ys[j]});
  }
}

void randomStops(Shape &shape, std::mt19937 &random) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const float offsets[3] = {0.0f, 0.5f, 1.0f};
  for (int i = 0; i < 3; ++i)
    shape.stops[i] = {offsets[i], unit(random), unit(random), unit(random)};
}

Shape wholeImage(zd::paint::GradientKind kind, std::initializer_list<float> geometry) {
  Shape shape;
  shape.xs = {0, kSize, kSize, 0};
  shape.ys = {0, 0, kSize, kSize};
  closePolygon(shape);
  shape.kind = kind;
  std::copy(geometry.begin(), geometry.end(), shape.geometry);
  shape.stops[0] = {0.0f, 0.95f, 0.2f, 0.1f};
  shape.stops[1] = {0.5f, 0.1f, 0.8f, 0.3f};
  shape.stops[2] = {1.0f, 0.2f, 0.1f, 0.9f};
  return shape;
}

Scene polygons() {
  std::mt19937 random(1);
  std::uniform_real_distribution<float> coordinate(0.0f, float(kSize));
  Scene scene;
  for (int p = 0; p < 200; ++p) {
    Shape shape;
    const int vertices = 3 + static_cast<int>(random() % 10);
    for (int v = 0; v < vertices; ++v) {
      shape.xs.push_back(coordinate(random));
      shape.ys.push_back(coordinate(random));
    }
    closePolygon(shape);
    const auto [minX, maxX] = std::minmax_element(shape.xs.begin(), shape.xs.end());
    const auto [minY, maxY] = std::minmax_element(shape.ys.begin(), shape.ys.end());
    shape.kind = zd::paint::GradientKind::linear;
    const float box[4] = {*minX, *minY, *maxX, *maxY};
    std::copy(box, box + 4, shape.geometry);
    randomStops(shape, random);
    scene.push_back(std::move(shape));
  }
  return scene;
}

Scene smallShared() {
  std::mt19937 random(2);
  std::uniform_real_distribution<float> corner(0.0f, float(kSize - 32));
  std::uniform_real_distribution<float> within(0.0f, 32.0f);
  Shape common = wholeImage(zd::paint::GradientKind::linear, {0, 0, kSize, kSize});
  Scene scene;
  for (int p = 0; p < 2000; ++p) {
    Shape shape = common;
    shape.xs.clear();
    shape.ys.clear();
    shape.segments.clear();
    const float x = corner(random), y = corner(random);
    const int vertices = 3 + static_cast<int>(random() % 10);
    for (int v = 0; v < vertices; ++v) {
      shape.xs.push_back(x + within(random));
      shape.ys.push_back(y + within(random));
    }
    closePolygon(shape);
    scene.push_back(std::move(shape));
  }
  return scene;
}

const Scene &sceneNumber(int which) {
  static const Scene linear{wholeImage(zd::paint::GradientKind::linear, {100, 50, 900, 1000})};
  static const Scene radial{
      wholeImage(zd::paint::GradientKind::radial, {400, 450, 20, 512, 512, 600})};
  static const Scene many = polygons();
  static const Scene shared = smallShared();
  const Scene *scenes[] = {&linear, &radial, &many, &shared};
  return *scenes[which];
}
const char *const kSceneNames[] = {"linear_rect", "radial_rect", "polygons", "small_shared"};
constexpr int kScenes = 4;

zd::paint::Gradient gradientOf(const Shape &shape, zd::color::SpaceTag space) {
  zd::paint::Gradient g;
  g.kind = shape.kind;
  std::copy(shape.geometry, shape.geometry + 6, g.geometry);
  for (const Stop &s : shape.stops) {
    zd::paint::addStop(
        g, s.offset,
        zd::color::cssColorOf(
            zd::color::color(zd::color::stSrgb, s.red, s.green, s.blue, 1.0f).value()));
  }
  g.space = space;
  return g;
}

void oursFill(benchmark::State &state, int which, zd::color::SpaceTag space) {
  const Scene &scene = sceneNumber(which);
  std::vector<zd::paint::Gradient> gradients;
  for (const Shape &shape : scene) gradients.push_back(gradientOf(shape, space));
  zd::image::Image image = zd::image::newImage(kSize, kSize, zd::image::csRgba);
  for (auto _ : state) {
    std::fill(image.data.begin(), image.data.end(), std::uint8_t{0});
    for (std::size_t i = 0; i < scene.size(); ++i) {
      zd::raster::fillGradientSegments(image, scene[i].segments, gradients[i], nullptr, false,
                                       false);
    }
    benchmark::DoNotOptimize(image.data.data());
  }
}

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
      const float *p = shape.geometry;
      cairo_pattern_t *pattern =
          shape.kind == zd::paint::GradientKind::linear
              ? cairo_pattern_create_linear(p[0], p[1], p[2], p[3])
              : cairo_pattern_create_radial(p[0], p[1], p[2], p[3], p[4], p[5]);
      for (const Stop &s : shape.stops) {
        cairo_pattern_add_color_stop_rgb(pattern, s.offset, s.red, s.green, s.blue);
      }
      cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
      cairo_set_source(cr, pattern);
      cairo_move_to(cr, shape.xs[0], shape.ys[0]);
      for (std::size_t i = 1; i < shape.xs.size(); ++i) cairo_line_to(cr, shape.xs[i], shape.ys[i]);
      cairo_close_path(cr);
      cairo_fill(cr);
      cairo_pattern_destroy(pattern);
    }
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(pixels);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
#endif

}  // namespace

int main(int argc, char **argv) {
  zd_init();
  for (int which = 0; which < kScenes; ++which) {
    const std::string name = kSceneNames[which];
    benchmark::RegisterBenchmark(("gradient_" + name + "/ours_srgb").c_str(), oursFill, which,
                                 zd::color::stSrgb)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("gradient_" + name + "/ours_oklch").c_str(), oursFill, which,
                                 zd::color::stOklch)
        ->Unit(benchmark::kMillisecond);
#ifdef ZD_HAVE_CAIRO
    benchmark::RegisterBenchmark(("gradient_" + name + "/cairo").c_str(), cairoFill, which)
        ->Unit(benchmark::kMillisecond);
#endif
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
