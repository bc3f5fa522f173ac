// The coverage models beside the four-sample-line scan: exact-area coverage
// and aliased (pixel-centre) coverage of a flattened path.
//
// Exact area: every pixel receives the signed area of the pixel square that
// the segments sweep, accumulated as the rasterizers of cells do: each
// segment leaves, in the cells of the row it crosses, the change of
// coverage from the column before; a running sum along the row turns the
// changes into the winding-weighted area a. The fill rule is applied to a:
// non-zero gives min(|a|, 1), even-odd the triangle wave (|a| folded into
// [0, 2], then 2 - that above 1). For outlines whose winding is 0 or +-1
// everywhere this is the exact covered area.
//
// Aliased: a pixel is covered fully when its centre (x + 0.5, y + 0.5) is
// inside under the fill rule, else not at all. A crossing exactly at a
// centre counts as left of it, so shapes sharing an edge share no pixel and
// leave no gap.
//
// The numbers are integers: y is snapped to 1/4096 of a pixel (per vertex,
// so outlines stay closed), and each cell holds 2^-24 pixel areas in 64
// bits. Integer sums do not depend on their order, so every build and
// every vector kernel gives the same coverage; a pixel wholly inside is
// exactly 1, one wholly outside exactly 0. The only rounding is that of
// each segment's area to 2^-24 per pixel, done so that a segment's cells
// always sum to its exact height.
//
// Every chain of segments (a segment that does not start where the one
// before it ended begins a new chain) is closed by a straight line back to
// its start, as fills close open subpaths; a segment with a coordinate that
// is not finite ends its chain and adds nothing.
//
// Coverage is handed row by row to a RowPainter, which decides what the
// covered pixels become; the solid colour is one painter, other sources
// implement the same interface.
#pragma once

#include <cstdint>
#include <span>

#include "raster/raster.hpp"
#include "raster/shade.hpp"

namespace zd::raster {

// How coverage is measured.
enum class Antialias : std::uint8_t {
  scanlines = 0,  // four sample lines per row (fillPath)
  area = 1,       // the exact area
  none = 2,       // the pixel centre
};

// Receives one row's coverage. Each call names columns [from, to) of row
// y, with 0 <= from < to <= width; calls for one row come in increasing
// column order and never overlap, and rows come in increasing order.
class RowPainter {
 public:
  // Columns [from, to) with coverage[x] in [0, 1] (exactly 0 for a pixel
  // that is not covered, which must keep its bytes). The painter may
  // overwrite coverage[from, to).
  virtual void paintCoverage(std::int64_t y, float *coverage, std::int64_t from,
                             std::int64_t to) = 0;
  // Columns [from, to), every one of coverage exactly 1.
  virtual void paintFull(std::int64_t y, std::int64_t from, std::int64_t to) = 0;

 protected:
  ~RowPainter() = default;
};

// Computes the coverage of `segments` over an image of width x height
// (both above 0) by `model` (area or none) and the rule, and hands it to
// `painter`. Raises zd::Defect for more segments than 2^32.
void coverSegments(std::span<const Segment> segments, std::int64_t width, std::int64_t height,
                   Antialias model, bool evenOdd, RowPainter &painter);

// fillSegments with another coverage model: the same rows test and colour
// mapping (and so the same failures), then the solid paint through
// coverSegments. `model` scanlines is fillSegments itself.
void fillSegmentsWith(Image &image, std::span<const Segment> segments,
                      const zd::color::Color &color, bool evenOdd, bool overwrite, Antialias model);

// fillPath with another coverage model.
void fillPathWith(Image &image, const zd::path::Path &path, const zd::color::Color &color,
                  bool evenOdd, bool overwrite, float tolerance, Antialias model);

// fillSegmentsShaded and fillPathShaded with another coverage model: each
// covered pixel is blended with the shader's colour for it, as a flat fill
// of that colour blends it.
void fillSegmentsShadedWith(Image &image, std::span<const Segment> segments, RowShader &shader,
                            bool evenOdd, bool overwrite, Antialias model);
void fillPathShadedWith(Image &image, const zd::path::Path &path, RowShader &shader, bool evenOdd,
                        bool overwrite, float tolerance, Antialias model);

}  // namespace zd::raster
