// drawPath: build the polygon in image space, then fill it with the source.
#include "raster/draw.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include "common/errors.hpp"
#include "raster/area.hpp"
#include "raster/gradient.hpp"
#include "raster/raster.hpp"
#include "stroke/stroke.hpp"

namespace zd::raster {

namespace {

using zd::geom::Segment;

// Buffers kept per thread between draws; large ones are let go afterwards.
struct DrawScratch {
  zd::stroke::Outline outline;

  void releaseLarge() {
    constexpr std::size_t kKeptBytes = 256 * 1024;
    if (outline.segments.capacity() * sizeof(Segment) > kKeptBytes) outline = {};
  }
};

// Out of line, so the thread's buffers are looked up once per draw.
[[gnu::noinline]] DrawScratch &drawScratch() {
  thread_local DrawScratch scratch;
  return scratch;
}

struct ReleaseAtEnd {
  DrawScratch &scratch;
  ~ReleaseAtEnd() { scratch.releaseLarge(); }
};

// The tolerance to outline with in path units, so that after the matrix the
// outline is within `tolerance` pixels: divided by the largest stretch.
float pathTolerance(float tolerance, const zd::path::Matrix &matrix) {
  const double scale = zd::path::largestScale(matrix);
  if (!(scale > 0.0)) return tolerance;
  const double scaled = static_cast<double>(tolerance) / scale;
  if (!(scaled < static_cast<double>(std::numeric_limits<float>::max()))) {
    return std::numeric_limits<float>::max();
  }
  const auto result = static_cast<float>(scaled);
  if (!(result > 0.0f)) throw Error("drawPath: the matrix stretches beyond the tolerance");
  return result;
}

void mapSegments(std::vector<Segment> &segments, const zd::path::Matrix &matrix) {
  for (Segment &s : segments) {
    const zd::path::Vec2 a = zd::path::apply(matrix, {s.x0, s.y0});
    const zd::path::Vec2 b = zd::path::apply(matrix, {s.x1, s.y1});
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) {
      throw Error("drawPath: a mapped vertex is not finite");
    }
    s = {a.x, a.y, b.x, b.y};
  }
}

Antialias coverageModel(zd::paint::Antialias antialias) {
  switch (antialias) {
    case zd::paint::Antialias::area: return Antialias::area;
    case zd::paint::Antialias::none: return Antialias::none;
    case zd::paint::Antialias::scanlines: break;
  }
  return Antialias::scanlines;
}

}  // namespace

void drawPath(zd::image::Image &image, const zd::path::Path &path, const zd::paint::Paint &paint,
              const zd::path::Matrix *matrix) {
  if (matrix != nullptr && !zd::path::isFinite(*matrix)) {
    throw Error("drawPath: matrix entry is not finite");
  }
  if (matrix != nullptr && zd::path::isIdentity(*matrix)) matrix = nullptr;
  const float tolerance = zd::paint::flatness(paint.tolerance);
  const bool overwrite = paint.mode == zd::paint::Mode::overwrite;
  const zd::paint::Source &source = paint.source;
  const Antialias model = coverageModel(paint.antialias);
  // The gradient is sampled through the inverse of the same matrix.
  zd::paint::Affine toImage;
  if (matrix != nullptr) {
    toImage = {matrix->a, matrix->b, matrix->c, matrix->d, matrix->e, matrix->f};
  }
  const zd::paint::Affine *mapping = matrix != nullptr ? &toImage : nullptr;
  const auto fillMapped = [&](const zd::path::Path &mapped, bool evenOdd) {
    if (source.isGradient()) {
      fillGradient(image, mapped, source.gradient, mapping, evenOdd, overwrite, tolerance, model);
    } else {
      fillPathWith(image, mapped, source.color, evenOdd, overwrite, tolerance, model);
    }
  };

  if (paint.coverage == zd::paint::Coverage::fill) {
    const bool evenOdd = paint.rule == zd::paint::FillRule::evenOdd;
    if (matrix == nullptr) return fillMapped(path, evenOdd);
    // Curves are cut in image space, where the tolerance is measured.
    zd::path::Path mapped = path;
    zd::path::transform(mapped, *matrix);
    return fillMapped(mapped, evenOdd);
  }

  DrawScratch &scratch = drawScratch();
  ReleaseAtEnd release{scratch};
  const float outlineTolerance = matrix ? pathTolerance(tolerance, *matrix) : tolerance;
  zd::stroke::strokeOutline(path, paint.stroke, outlineTolerance, scratch.outline);
  std::vector<Segment> &segments = scratch.outline.segments;
  if (matrix != nullptr) mapSegments(segments, *matrix);
  if (source.isGradient()) {
    fillGradientSegments(image, segments, source.gradient, mapping, false, overwrite, model);
  } else {
    fillSegmentsWith(image, segments, source.color, false, overwrite, model);
  }
}

}  // namespace zd::raster
