// The scan of one fill (internal): rows, sub-scanlines, crossings, spans and
// coverage.
//
// The pixel values are those of the plain method (the reference fill in
// tests/raster/reference_fill.hpp): on every sub-scanline test every
// segment (lo <= sy < hi), collect the crossings in segment order, sort them
// stably by x, turn them into spans by the fill rule and add each span's
// exact horizontal overlap to a row of coverage. Here the same crossings
// come from an active-edge list: segments enter it in order of their top
// and leave it below their bottom, and the list is kept in the previous
// sub-scanline's sorted order; one pass per line moves it to the new
// crossings and builds the spans, and usually finds it still sorted (only
// when crossings passed each other is it sorted and the spans made again). Ties in x are broken by segment index, which is exactly
// the order a stable sort of a list in segment order keeps; so the spans,
// and the order in which each pixel's coverage is summed, are unchanged.
//
// The state of a scan is the class Scan (scan_state.hpp). Each row is done
// in four steps, each in a file of its own:
//   scan.cpp       the four sample lines give their spans;
//   full_runs.hpp  the columns that a span covers whole on all four lines
//                  are found: such a column gets exactly 0.25 from one span
//                  on each line and nothing else (the spans of one line are
//                  disjoint once sorted, as long as no crossing is NaN), so
//                  its coverage is 0.25 + 0.25 + 0.25 + 0.25 = 1.0 exactly,
//                  in any order;
//   coverage.hpp   every other column is summed in line and span order;
//   paint_row.hpp  the touched columns are blended by the row kernels and
//                  long runs of full columns painted as coverage 1.
#pragma once

#include <span>

#include "raster/raster.hpp"

namespace zd::raster {
class RowShader;
}

namespace zd::raster::detail {

// Paints `segments` into the rows `rows` (not empty) of `image`, whose
// width is above 0, with this thread's buffers: in `paint`, or in the
// shader's colours when `shader` is given.
void scanRows(Image &image, std::span<const Segment> segments, const Paint &paint, bool evenOdd,
              bool overwrite, RowRange rows, RowShader *shader = nullptr);

}  // namespace zd::raster::detail
