// Flattening speed: random cubics, quadratics and elliptical arcs at
// tolerance 0.25, and one path that reaches the segment cap, side by side
// with cairo's cairo_copy_path_flat on the same curves at the same tolerance.
//
// Curves are flattened in paths of 1,000 (the cap is per flattening). Each
// benchmark reports per-curve time through items_per_second (curves/s),
// segments/s and the segment count of one pass.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "geom/geom.hpp"
#include "path/path.hpp"

#ifdef ZD_HAVE_CAIRO
#include <cairo.h>
#endif

#include "allocation_meter.hpp"

using zd::bench::liveBytes;
using zd::bench::peakBytes;

namespace {

using zd::geom::Segment;
using zd::path::Path;
using zd::path::PathCommand;
using zd::path::Vec2;

constexpr float kTolerance = 0.25f;
constexpr int kCurveCount = 100000;
constexpr int kArcCount = 10000;
constexpr int kCurvesPerPath = 1000;
constexpr float kArea = 200.0f;  // curves fill a 200 x 200 square

struct Cubic {
  Vec2 p0, p1, p2, p3;
};
struct Quad {
  Vec2 p0, p1, p2;
};
struct Arc {
  Vec2 start, end, radii;
  float rotation;
  bool largeArc, sweep;
};

Vec2 randomPoint(std::mt19937 &random) {
  std::uniform_real_distribution<float> coordinate(0.0f, kArea);
  return {coordinate(random), coordinate(random)};
}

std::vector<Cubic> randomCubics() {
  std::mt19937 random(1);
  std::vector<Cubic> cubics(kCurveCount);
  for (Cubic &c : cubics)
    c = {randomPoint(random), randomPoint(random), randomPoint(random), randomPoint(random)};
  return cubics;
}

std::vector<Quad> randomQuads() {
  std::mt19937 random(2);
  std::vector<Quad> quads(kCurveCount);
  for (Quad &q : quads) q = {randomPoint(random), randomPoint(random), randomPoint(random)};
  return quads;
}

std::vector<Arc> randomArcs() {
  std::mt19937 random(3);
  std::uniform_real_distribution<float> radius(5.0f, kArea / 2);
  std::uniform_real_distribution<float> angle(0.0f, 3.1415927f);
  std::bernoulli_distribution flag(0.5);
  std::vector<Arc> arcs(kArcCount);
  for (Arc &a : arcs) {
    a = {randomPoint(random), randomPoint(random), {radius(random), radius(random)},
         angle(random),       flag(random),        flag(random)};
  }
  return arcs;
}

// Each curve is its own subpath, so the two libraries see the same curves.
template <class Curve, class AppendCurve>
std::vector<Path> batchPaths(const std::vector<Curve> &curves, AppendCurve append) {
  std::vector<Path> paths;
  for (std::size_t i = 0; i < curves.size(); i += kCurvesPerPath) {
    Path path;
    for (std::size_t j = i; j < i + kCurvesPerPath && j < curves.size(); ++j)
      append(path, curves[j]);
    paths.push_back(std::move(path));
  }
  return paths;
}

void appendCubic(Path &path, const Cubic &c) {
  zd::path::add(path, PathCommand::point(zd::path::pMove, c.p0));
  zd::path::add(path, PathCommand::cubic(zd::path::pCubic, c.p1, c.p2, c.p3));
}
void appendQuad(Path &path, const Quad &q) {
  zd::path::add(path, PathCommand::point(zd::path::pMove, q.p0));
  zd::path::add(path, PathCommand::controlEnd(zd::path::pQuad, q.p1, q.p2));
}
void appendArc(Path &path, const Arc &a) {
  zd::path::add(path, PathCommand::point(zd::path::pMove, a.start));
  zd::path::add(path,
                PathCommand::arc(zd::path::pArc, a.radii, a.rotation, a.largeArc, a.sweep, a.end));
}

void report(benchmark::State &state, std::size_t curvesPerPass, std::size_t segmentsPerPass) {
  const auto passes = static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(curvesPerPass));
  state.counters["segments"] = static_cast<double>(segmentsPerPass);
  state.counters["segments/s"] = benchmark::Counter(static_cast<double>(segmentsPerPass) * passes,
                                                    benchmark::Counter::kIsRate);
}

// Our flattening into one reused array, as the filler does.
void runOurs(benchmark::State &state, const std::vector<Path> &paths, std::size_t curves) {
  std::vector<Segment> out;
  std::size_t segments = 0;
  for (auto _ : state) {
    segments = 0;
    for (const Path &path : paths) {
      zd::geom::flatten(path, kTolerance, out);
      segments += out.size();
      benchmark::DoNotOptimize(out.data());
    }
  }
  report(state, curves, segments);
}

// Our flattening into a fresh array per path, as zd_path_flatten does.
void runOursFresh(benchmark::State &state, const std::vector<Path> &paths, std::size_t curves) {
  std::size_t segments = 0;
  for (auto _ : state) {
    segments = 0;
    for (const Path &path : paths) {
      const std::vector<Segment> out = zd::geom::flatten(path, kTolerance);
      segments += out.size();
      benchmark::DoNotOptimize(out.data());
    }
  }
  report(state, curves, segments);
}

void BM_zd_cubics(benchmark::State &state) {
  static const auto paths = batchPaths(randomCubics(), appendCubic);
  runOurs(state, paths, kCurveCount);
}
void BM_zd_cubics_fresh_array(benchmark::State &state) {
  static const auto paths = batchPaths(randomCubics(), appendCubic);
  runOursFresh(state, paths, kCurveCount);
}
void BM_zd_quads(benchmark::State &state) {
  static const auto paths = batchPaths(randomQuads(), appendQuad);
  runOurs(state, paths, kCurveCount);
}
void BM_zd_arcs(benchmark::State &state) {
  static const auto paths = batchPaths(randomArcs(), appendArc);
  runOurs(state, paths, kArcCount);
}

// A path of identical cubics padded with lines to exactly 1,048,576
// segments, flattened into a fresh array each time.
Path capPath() {
  const Cubic curve = {{0, 0}, {0, 320}, {320, 320}, {320, 0}};
  const std::size_t perCurve =
      zd::geom::flatten(batchPaths(std::vector<Cubic>{curve}, appendCubic)[0], kTolerance).size();
  Path path;
  zd::path::add(path, PathCommand::point(zd::path::pMove, curve.p0));
  std::size_t segments = 0;
  while (segments + perCurve <= zd::geom::kSegmentCap) {
    zd::path::add(path, PathCommand::cubic(zd::path::pCubic, curve.p1, curve.p2, curve.p3));
    zd::path::add(path, PathCommand::point(zd::path::pMove, curve.p0));
    segments += perCurve;
  }
  for (; segments < zd::geom::kSegmentCap; ++segments) {
    zd::path::add(path, PathCommand::point(zd::path::pLine, {1, 1}));
  }
  return path;
}

void BM_zd_cap_path(benchmark::State &state) {
  static const Path path = capPath();
  std::size_t segments = 0;
  std::size_t peak = 0;
  for (auto _ : state) {
    const std::size_t before = liveBytes;
    peakBytes = liveBytes;
    const std::vector<Segment> out = zd::geom::flatten(path, kTolerance);
    segments = out.size();
    peak = peakBytes - before;
    benchmark::DoNotOptimize(out.data());
  }
  report(state, 1, segments);
  state.counters["peak_MiB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
  state.counters["output_MiB"] =
      static_cast<double>(segments * sizeof(Segment)) / (1024.0 * 1024.0);
}

BENCHMARK(BM_zd_cubics)->Name("flatten/cubics/zd")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_zd_cubics_fresh_array)
    ->Name("flatten/cubics/zd_fresh_array")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_zd_quads)->Name("flatten/quads/zd")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_zd_arcs)->Name("flatten/arcs/zd")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_zd_cap_path)->Name("flatten/cap_path/zd")->Unit(benchmark::kMillisecond);

#ifdef ZD_HAVE_CAIRO
// ------------------------------------------------------------------ cairo
// One context per batch on a shared 1 x 1 surface: the context holds the path.
struct CairoBatches {
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  std::vector<cairo_t *> contexts;
  CairoBatches() = default;
  CairoBatches(const CairoBatches &) = delete;
  CairoBatches &operator=(const CairoBatches &) = delete;
  ~CairoBatches() {
    for (cairo_t *cr : contexts) cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  cairo_t *newContext() {
    cairo_t *cr = cairo_create(surface);
    cairo_set_tolerance(cr, kTolerance);
    contexts.push_back(cr);
    return cr;
  }
};

void cairoCubic(cairo_t *cr, const Cubic &c) {
  cairo_move_to(cr, c.p0.x, c.p0.y);
  cairo_curve_to(cr, c.p1.x, c.p1.y, c.p2.x, c.p2.y, c.p3.x, c.p3.y);
}
// cairo has no quadratic: the exact degree elevation to a cubic.
void cairoQuad(cairo_t *cr, const Quad &q) {
  const double c1x = q.p0.x + 2.0 / 3.0 * (q.p1.x - q.p0.x),
               c1y = q.p0.y + 2.0 / 3.0 * (q.p1.y - q.p0.y);
  const double c2x = q.p2.x + 2.0 / 3.0 * (q.p1.x - q.p2.x),
               c2y = q.p2.y + 2.0 / 3.0 * (q.p1.y - q.p2.y);
  cairo_move_to(cr, q.p0.x, q.p0.y);
  cairo_curve_to(cr, c1x, c1y, c2x, c2y, q.p2.x, q.p2.y);
}
// cairo has no endpoint-form arc: the SVG centre conversion in doubles, then
// a unit-circle arc under a transform.
void cairoArc(cairo_t *cr, const Arc &a) {
  const double x1 = a.start.x, y1 = a.start.y, x2 = a.end.x, y2 = a.end.y;
  double rx = a.radii.x, ry = a.radii.y;
  const double s = std::sin(a.rotation), c = std::cos(a.rotation);
  const double hx = (x1 - x2) / 2, hy = (y1 - y2) / 2;
  const double x1p = c * hx + s * hy, y1p = -s * hx + c * hy;
  const double lambda = x1p * x1p / (rx * rx) + y1p * y1p / (ry * ry);
  if (lambda > 1) {
    rx *= std::sqrt(lambda);
    ry *= std::sqrt(lambda);
  }
  const double num = rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p;
  const double den = rx * rx * y1p * y1p + ry * ry * x1p * x1p;
  double k = std::sqrt(std::fmax(num / den, 0.0));
  if (a.largeArc == a.sweep) k = -k;
  const double cxp = k * rx * y1p / ry, cyp = -k * ry * x1p / rx;
  const double cx = c * cxp - s * cyp + (x1 + x2) / 2, cy = s * cxp + c * cyp + (y1 + y2) / 2;
  const double theta1 = std::atan2((y1p - cyp) / ry, (x1p - cxp) / rx);
  double theta2 = std::atan2((-y1p - cyp) / ry, (-x1p - cxp) / rx);
  if (a.sweep && theta2 < theta1) theta2 += 2 * M_PI;
  if (!a.sweep && theta2 > theta1) theta2 -= 2 * M_PI;
  cairo_move_to(cr, x1, y1);
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_rotate(cr, a.rotation);
  cairo_scale(cr, rx, ry);
  if (a.sweep) {
    cairo_arc(cr, 0, 0, 1, theta1, theta2);
  } else {
    cairo_arc_negative(cr, 0, 0, 1, theta1, theta2);
  }
  cairo_restore(cr);
}

template <class Curve>
void buildCairoPath(cairo_t *cr, const std::vector<Curve> &curves, std::size_t first,
                    void (*append)(cairo_t *, const Curve &)) {
  cairo_new_path(cr);
  for (std::size_t j = first; j < first + kCurvesPerPath && j < curves.size(); ++j)
    append(cr, curves[j]);
}

template <class Curve>
void buildCairoBatches(CairoBatches &batches, const std::vector<Curve> &curves,
                       void (*append)(cairo_t *, const Curve &)) {
  for (std::size_t i = 0; i < curves.size(); i += kCurvesPerPath) {
    buildCairoPath(batches.newContext(), curves, i, append);
  }
}

std::size_t cairoFlatSegments(cairo_t *cr) {
  cairo_path_t *flat = cairo_copy_path_flat(cr);
  std::size_t lines = 0;
  for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
    if (flat->data[i].header.type == CAIRO_PATH_LINE_TO) ++lines;
  }
  cairo_path_destroy(flat);
  return lines;
}

void runCairo(benchmark::State &state, CairoBatches &batches, std::size_t curves) {
  std::size_t segments = 0;
  for (auto _ : state) {
    segments = 0;
    for (cairo_t *cr : batches.contexts) segments += cairoFlatSegments(cr);
  }
  report(state, curves, segments);
}

void BM_cairo_cubics(benchmark::State &state) {
  static CairoBatches batches;
  if (batches.contexts.empty()) buildCairoBatches(batches, randomCubics(), cairoCubic);
  runCairo(state, batches, kCurveCount);
}
void BM_cairo_quads(benchmark::State &state) {
  static CairoBatches batches;
  if (batches.contexts.empty()) buildCairoBatches(batches, randomQuads(), cairoQuad);
  runCairo(state, batches, kCurveCount);
}
void BM_cairo_arcs(benchmark::State &state) {
  static CairoBatches batches;
  if (batches.contexts.empty()) buildCairoBatches(batches, randomArcs(), cairoArc);
  runCairo(state, batches, kArcCount);
}
// cairo turns arcs into Bezier curves while the path is built, so the fair
// comparison with our arc flattening includes building the path.
void BM_cairo_arcs_build_and_flat(benchmark::State &state) {
  static const std::vector<Arc> arcs = randomArcs();
  static CairoBatches batches;
  if (batches.contexts.empty()) {
    for (std::size_t i = 0; i < arcs.size(); i += kCurvesPerPath) batches.newContext();
  }
  std::size_t segments = 0;
  for (auto _ : state) {
    segments = 0;
    for (std::size_t b = 0; b < batches.contexts.size(); ++b) {
      buildCairoPath(batches.contexts[b], arcs, b * kCurvesPerPath, cairoArc);
      segments += cairoFlatSegments(batches.contexts[b]);
    }
  }
  report(state, kArcCount, segments);
}
void BM_cairo_cap_path(benchmark::State &state) {
  static CairoBatches batches;
  if (batches.contexts.empty()) {
    cairo_t *cr = batches.newContext();
    const Path path = capPath();
    for (const PathCommand &command : path.commands) {
      switch (command.kind()) {
        case zd::path::pMove: cairo_move_to(cr, command.p().x, command.p().y); break;
        case zd::path::pLine: cairo_line_to(cr, command.p().x, command.p().y); break;
        default:
          cairo_curve_to(cr, command.c1().x, command.c1().y, command.c2().x, command.c2().y,
                         command.c3().x, command.c3().y);
      }
    }
  }
  runCairo(state, batches, 1);
}

BENCHMARK(BM_cairo_cubics)->Name("flatten/cubics/cairo")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_cairo_quads)->Name("flatten/quads/cairo")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_cairo_arcs)->Name("flatten/arcs/cairo")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_cairo_arcs_build_and_flat)
    ->Name("flatten/arcs_build_and_flat/cairo")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_cairo_cap_path)->Name("flatten/cap_path/cairo")->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
