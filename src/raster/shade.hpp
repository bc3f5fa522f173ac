// Shaded fills (internal): the same scan, coverage and pixel operations as a
// flat fill, with a colour that varies from pixel to pixel. A RowShader
// supplies the colours of the columns a row blends; each pixel is then
// blended exactly as a flat fill of its own colour would blend it, so a
// shader that returns one colour everywhere gives the flat fill's bytes.
#pragma once

#include <cstdint>
#include <span>

#include "raster/raster.hpp"

namespace zd::raster {

// The colour of one pixel: the paint and its bytes at coverage 1 (the
// paint bytes with byte(alpha)).
struct ShadeColor {
  Paint paint;
  std::uint32_t bytes = 0;
};

// The bytes of a fully covered pixel of this paint (pixel_ops' fullPixel).
std::uint32_t solidBytes(const Paint &paint);

class RowShader {
 public:
  virtual ~RowShader() = default;
  // The colours of columns [from, to) of row y (0 <= from < to <= width):
  // element i is column from + i, nil where the source is undefined (such
  // a pixel is left as it was). Valid until the next call.
  virtual const ShadeColor *const *shade(std::int64_t y, std::int64_t from, std::int64_t to) = 0;
};

// fillSegments with the shader's colours instead of one colour.
void fillSegmentsShaded(Image &image, std::span<const Segment> segments, RowShader &shader,
                        bool evenOdd, bool overwrite);

// fillPath with the shader's colours.
void fillPathShaded(Image &image, const zd::path::Path &path, RowShader &shader, bool evenOdd,
                    bool overwrite, float tolerance);

}  // namespace zd::raster
