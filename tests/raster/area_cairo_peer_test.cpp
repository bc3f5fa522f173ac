// The coverage models against cairo rendered at four times the size and
// averaged down over 4 x 4 blocks (close to the exact area: cairo's own
// error is averaged over sixteen pixels). The same flattened segments go to
// both. Over the pixels the reference shows partly covered, the mean
// absolute alpha difference of exact-area coverage must be at most half of
// that of the four-sample-line coverage; plain cairo's figure is printed
// beside them. (Where edges cross inside a pixel, as at a star's inner
// corners, the accumulated area is not the covered area, and the scanlines
// may come closer there; the figure is over all scenes.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "path/pathdata.hpp"
#include "raster/area.hpp"
#include "stroke/stroke.hpp"

#if defined(ZD_HAVE_CAIRO)
#include <cairo.h>
#endif

namespace {

#if defined(ZD_HAVE_CAIRO)

using zd::raster::Antialias;
using zd::raster::Segment;

constexpr int kSize = 100;

struct FillScene {
  const char *name;
  const char *pathData;
  bool evenOdd;
};

// The fill scenes the peer tests render.
const FillScene kScenes[] = {
    {"triangle", "M10 10 L90 10 L50 80 Z", false},
    {"thin-sliver", "M5 5 L95 12 L5 14 Z", false},
    {"near-horizontal", "M2 20 L98 22 L98 60 L2 58 Z", false},
    {"star-nonzero", "M50 5 L78 92 L4 38 L96 38 L22 92 Z", false},
    {"star-evenodd", "M50 5 L78 92 L4 38 L96 38 L22 92 Z", true},
    {"ring-evenodd",
     "M10 50 A40 40 0 0 1 90 50 A40 40 0 0 1 10 50 Z M30 50 A20 20 0 0 0 70 50 A20 20 0 0 0 30 50 Z",
     true},
    {"curves", "M10 50 C10 0 90 0 90 50 Q90 95 50 95 T10 50 Z", false},
    {"clipped", "M-20 -10 L120 30 L60 140 Z", false},
    {"small-icons",
     "M10.3 10.2 h7.4 v7.4 h-7.4 Z M30.5 12 a4.2 4.2 0 1 0 0.01 0 Z M50 9.6 l5.3 9.1 h-10.6 Z "
     "M70.2 10 l8 1.5 l-1.5 8 Z",
     false},
};

// Alpha per pixel of cairo filling the segments at `scale` times the size.
std::vector<double> cairoAlpha(const std::vector<Segment> &segments, bool evenOdd, int scale,
                               cairo_antialias_t antialias) {
  const int size = kSize * scale;
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t *cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  cairo_set_antialias(cr, antialias);
  bool first = true;
  float endX = 0, endY = 0;
  for (const Segment &s : segments) {
    if (first || s.x0 != endX || s.y0 != endY) {
      if (!first) cairo_close_path(cr);
      cairo_move_to(cr, s.x0, s.y0);
    }
    cairo_line_to(cr, s.x1, s.y1);
    endX = s.x1;
    endY = s.y1;
    first = false;
  }
  cairo_close_path(cr);
  cairo_set_fill_rule(cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  cairo_set_source_rgba(cr, 1, 1, 1, 1);
  cairo_fill(cr);
  cairo_surface_flush(surface);
  const unsigned char *data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::vector<double> alpha(static_cast<std::size_t>(kSize) * kSize, 0.0);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      std::uint32_t pixel;
      std::memcpy(&pixel, data + y * stride + x * 4, 4);
      alpha[static_cast<std::size_t>((y / scale) * kSize + x / scale)] += pixel >> 24;
    }
  }
  for (double &a : alpha) a /= scale * scale;
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return alpha;
}

std::vector<double> ourAlpha(const std::vector<Segment> &segments, bool evenOdd, Antialias model) {
  zd::image::Image image = zd::image::newImage(kSize, kSize, zd::image::csRgba);
  const zd::color::Color white = zd::color::color(zd::color::stSrgb, 1, 1, 1, 1).value();
  zd::raster::fillSegmentsWith(image, segments, white, evenOdd, true, model);
  std::vector<double> alpha;
  for (std::size_t i = 3; i < image.data.size(); i += 4) alpha.push_back(image.data[i]);
  return alpha;
}

// Sum of |candidate - reference| and count over the reference's partial pixels.
struct Difference {
  double sum = 0;
  long count = 0;
  void add(const std::vector<double> &candidate, const std::vector<double> &reference) {
    for (std::size_t i = 0; i < reference.size(); ++i) {
      if (reference[i] <= 0.0 || reference[i] >= 255.0) continue;
      sum += std::fabs(candidate[i] - reference[i]);
      ++count;
    }
  }
  double mean() const { return count ? sum / static_cast<double>(count) : 0.0; }
};

TEST(AreaCairoPeer, ExactAreaHalvesTheEdgeError) {
  Difference scanlines, area, plainCairo;
  for (const FillScene &scene : kScenes) {
    SCOPED_TRACE(scene.name);
    std::vector<Segment> segments;
    zd::geom::flatten(zd::path::parsePath(scene.pathData), 0.05f, segments);
    const std::vector<double> reference =
        cairoAlpha(segments, scene.evenOdd, 4, CAIRO_ANTIALIAS_BEST);
    area.add(ourAlpha(segments, scene.evenOdd, Antialias::area), reference);
    scanlines.add(ourAlpha(segments, scene.evenOdd, Antialias::scanlines), reference);
    plainCairo.add(cairoAlpha(segments, scene.evenOdd, 1, CAIRO_ANTIALIAS_BEST), reference);
  }
  std::printf(
      "mean |alpha - cairo 4x4| over %ld edge pixels: area %.3f, scanlines %.3f, cairo %.3f\n",
      area.count, area.mean(), scanlines.mean(), plainCairo.mean());
  EXPECT_GT(area.count, 1000);
  EXPECT_LE(area.mean(), 0.5 * scanlines.mean());
}

// Stroke outlines: the pen's pieces (a quadrilateral per segment, a wedge
// per join, the caps) overlap, so the outline is filled non-zero.
struct StrokeScene {
  const char *name;
  const char *pathData;
  float width;
  zd::stroke::Join join;
  zd::stroke::Cap cap;
  std::vector<float> dashes;
};

const StrokeScene kStrokes[] = {
    {"thin-polyline",
     "M8 10 L92 18 L20 40 L88 60",
     1.0f,
     zd::stroke::Join::miter,
     zd::stroke::Cap::butt,
     {}},
    {"curve-round",
     "M10 80 C30 10 70 10 90 80",
     2.5f,
     zd::stroke::Join::round,
     zd::stroke::Cap::round,
     {}},
    {"wide-bevel",
     "M15 20 L85 35 L30 85 Z",
     7.0f,
     zd::stroke::Join::bevel,
     zd::stroke::Cap::square,
     {}},
    {"dashed-arc",
     "M20 50 A30 30 0 1 1 80 50",
     1.5f,
     zd::stroke::Join::miter,
     zd::stroke::Cap::butt,
     {6.0f, 3.0f}},
    {"hairlines",
     "M5 5 L95 7 M5 20 L95 30 M50 35 L52 95",
     0.6f,
     zd::stroke::Join::miter,
     zd::stroke::Cap::butt,
     {}},
};

TEST(AreaCairoPeer, ExactAreaHalvesTheEdgeErrorOfStrokes) {
  Difference scanlines, area, plainCairo;
  for (const StrokeScene &scene : kStrokes) {
    SCOPED_TRACE(scene.name);
    zd::stroke::Style style;
    style.width = scene.width;
    style.join = scene.join;
    style.cap = scene.cap;
    style.dashes = scene.dashes;
    zd::stroke::Outline outline;
    zd::stroke::strokeOutline(zd::path::parsePath(scene.pathData), style, 0.05f, outline);
    const std::vector<Segment> &segments = outline.segments;
    const std::vector<double> reference = cairoAlpha(segments, false, 4, CAIRO_ANTIALIAS_BEST);
    area.add(ourAlpha(segments, false, Antialias::area), reference);
    scanlines.add(ourAlpha(segments, false, Antialias::scanlines), reference);
    plainCairo.add(cairoAlpha(segments, false, 1, CAIRO_ANTIALIAS_BEST), reference);
  }
  std::printf(
      "strokes: mean |alpha - cairo 4x4| over %ld edge pixels: area %.3f, scanlines "
      "%.3f, cairo %.3f\n",
      area.count, area.mean(), scanlines.mean(), plainCairo.mean());
  EXPECT_GT(area.count, 500);
  EXPECT_LE(area.mean(), 0.5 * scanlines.mean());
}

#endif  // ZD_HAVE_CAIRO

}  // namespace
