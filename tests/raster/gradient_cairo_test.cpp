// Gradient fills against cairo's: linear and radial gradients, each spread,
// sRGB interpolation and a transformed gradient, on 256 x 256 scenes
// covering the whole image over opaque white. Every channel must agree
// within 2/255. The stops are opaque: cairo interpolates translucent stops
// without premultiplying, where these gradients premultiply.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>

#include "raster/gradient.hpp"

#ifdef ZD_HAVE_CAIRO
#include <cairo.h>

namespace {

using zd::paint::Gradient;
using zd::paint::GradientKind;
using zd::paint::Spread;

constexpr int kSize = 256;

struct StopSpec {
  float offset, red, green, blue, alpha;
};

struct Scene {
  std::string name;
  GradientKind kind;
  float geometry[6];
  Spread spread;
  zd::paint::Affine transform;  // gradient space to user space
};

const StopSpec kStops[] = {{0.0f, 0.9f, 0.1f, 0.2f, 1.0f},
                           {0.35f, 1.0f, 0.85f, 0.1f, 1.0f},
                           {0.6f, 0.1f, 0.5f, 0.9f, 1.0f},
                           {1.0f, 0.05f, 0.3f, 0.25f, 1.0f}};

zd::image::Image ours(const Scene &scene) {
  Gradient g;
  g.kind = scene.kind;
  for (int i = 0; i < 6; ++i) g.geometry[i] = scene.geometry[i];
  for (const StopSpec &s : kStops) {
    zd::paint::addStop(
        g, s.offset,
        zd::color::cssColorOf(
            zd::color::color(zd::color::stSrgb, s.red, s.green, s.blue, s.alpha).value()));
  }
  g.spread = scene.spread;
  g.transform = scene.transform;
  zd::image::Image image = zd::image::newImage(kSize, kSize, zd::image::csRgba);
  std::fill(image.data.begin(), image.data.end(), std::uint8_t{255});
  const float side = kSize;
  const zd::raster::Segment square[] = {
      {0, 0, side, 0}, {side, 0, side, side}, {side, side, 0, side}, {0, side, 0, 0}};
  zd::raster::fillGradientSegments(image, square, g, nullptr, false, false);
  return image;
}

// cairo's pixels, unpremultiplied into RGBA bytes (all opaque here).
std::vector<std::uint8_t> theirs(const Scene &scene) {
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
  cairo_t *cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  const float *p = scene.geometry;
  cairo_pattern_t *pattern = scene.kind == GradientKind::linear
                                 ? cairo_pattern_create_linear(p[0], p[1], p[2], p[3])
                                 : cairo_pattern_create_radial(p[0], p[1], p[2], p[3], p[4], p[5]);
  for (const StopSpec &s : kStops) {
    cairo_pattern_add_color_stop_rgba(pattern, s.offset, s.red, s.green, s.blue, s.alpha);
  }
  cairo_pattern_set_extend(pattern, scene.spread == Spread::pad      ? CAIRO_EXTEND_PAD
                                    : scene.spread == Spread::repeat ? CAIRO_EXTEND_REPEAT
                                                                     : CAIRO_EXTEND_REFLECT);
  // cairo's pattern matrix maps user space into pattern space.
  const zd::paint::Affine &t = scene.transform;
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.e, t.f);
  cairo_matrix_invert(&m);
  cairo_pattern_set_matrix(pattern, &m);
  cairo_set_source(cr, pattern);
  cairo_rectangle(cr, 0, 0, kSize, kSize);
  cairo_fill(cr);
  cairo_surface_flush(surface);
  std::vector<std::uint8_t> rgba(kSize * kSize * 4);
  const unsigned char *data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      std::uint32_t word;
      std::memcpy(&word, data + y * stride + x * 4, 4);
      std::uint8_t *out = &rgba[(y * kSize + x) * 4];
      out[0] = static_cast<std::uint8_t>(word >> 16);
      out[1] = static_cast<std::uint8_t>(word >> 8);
      out[2] = static_cast<std::uint8_t>(word);
      out[3] = static_cast<std::uint8_t>(word >> 24);
    }
  }
  cairo_pattern_destroy(pattern);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return rgba;
}

void PrintTo(const Scene &scene, std::ostream *out) { *out << scene.name; }

class CairoGradient : public ::testing::TestWithParam<Scene> {};

TEST_P(CairoGradient, PixelsAgreeWithinTwoSteps) {
  const Scene &scene = GetParam();
  const zd::image::Image image = ours(scene);
  const std::vector<std::uint8_t> peer = theirs(scene);
  int worst = 0, worstAt = 0;
  for (std::size_t i = 0; i < peer.size(); ++i) {
    const int difference = std::abs(int(image.data[i]) - int(peer[i]));
    if (difference > worst) {
      worst = difference;
      worstAt = static_cast<int>(i);
    }
  }
  EXPECT_LE(worst, 2) << "by " << worst << " at pixel (" << (worstAt / 4) % kSize << ", "
                      << (worstAt / 4) / kSize << ") channel " << worstAt % 4;
}

const zd::paint::Affine kIdentity{};
const zd::paint::Affine kTurned{0.8f, 0.45f, -0.3f, 1.1f, 40.0f, -12.0f};

INSTANTIATE_TEST_SUITE_P(
    Scenes, CairoGradient,
    ::testing::Values(
        Scene{"linear_pad", GradientKind::linear, {40, 30, 200, 220}, Spread::pad, kIdentity},
        Scene{
            "linear_repeat", GradientKind::linear, {100, 100, 150, 120}, Spread::repeat, kIdentity},
        Scene{"linear_reflect",
              GradientKind::linear,
              {100, 100, 150, 120},
              Spread::reflect,
              kIdentity},
        Scene{
            "linear_transformed", GradientKind::linear, {10, 10, 90, 60}, Spread::reflect, kTurned},
        Scene{"radial_pad",
              GradientKind::radial,
              {110, 120, 10, 128, 128, 100},
              Spread::pad,
              kIdentity},
        Scene{"radial_repeat",
              GradientKind::radial,
              {120, 120, 5, 128, 128, 40},
              Spread::repeat,
              kIdentity},
        Scene{"radial_reflect",
              GradientKind::radial,
              {100, 90, 0, 128, 128, 60},
              Spread::reflect,
              kIdentity},
        Scene{"radial_transformed",
              GradientKind::radial,
              {50, 40, 8, 60, 50, 47},
              Spread::repeat,
              kTurned}),
    [](const auto &info) { return info.param.name; });

}  // namespace

#endif  // ZD_HAVE_CAIRO
