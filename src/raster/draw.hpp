// Drawing a path with a paint: the paint's coverage (the path filled by its
// rule, or a stroke's outline), mapped into the image by an optional matrix,
// then filled with the paint's source.
#pragma once

#include "image/image.hpp"
#include "paint/paint.hpp"
#include "path/path.hpp"
#include "path/transform.hpp"

namespace zd::raster {

// Draws `path` into `image` (4 bytes per pixel) with `paint`. `matrix`, when
// given, maps path coordinates into the image. Without a matrix a fill paint
// with sample-line coverage gives exactly the bytes of fillPath with the same
// colour, rule, mode and tolerance; the paint's coverage model (area.hpp)
// measures the covered part of each pixel of fills and strokes alike. A stroke is outlined in the path's own coordinates (so a
// non-uniform matrix gives a non-uniform pen), then mapped, then filled with
// the non-zero rule. The tolerance is in image pixels: fills are flattened
// after the mapping, strokes before it at the tolerance divided by the
// matrix's largest stretch. Raises what fillPath and the stroker raise; the
// image is untouched then.
void drawPath(zd::image::Image &image, const zd::path::Path &path, const zd::paint::Paint &paint,
              const zd::path::Matrix *matrix);

}  // namespace zd::raster
