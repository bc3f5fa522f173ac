// The rasterizer: anti-aliased scanline filling of a flattened path into an
// RGBA image, with the non-zero or even-odd rule, blended over the pixels or
// overwriting them.
//
// What each pixel receives is fixed to the bit: coverage is sampled on four
// sub-scanlines per pixel row (at y + 0.125, 0.375, 0.625, 0.875), each
// contributing 0.25 times the exact horizontal fraction of the pixel that its
// spans cover, summed in row, sub-scanline and span order; the pixel
// operations use float32 arithmetic with fused multiply-adds where written
// (std::fmaf), and bytes are trunc(v * 255 + 0.5) as one fused multiply-add.
// The implementation only finds those values faster (an active-edge list,
// visiting just the columns a row touched, vector kernels for the blending);
// the reference fill in tests/raster/reference_fill.hpp computes them the
// plain way, and the tests hold the two to the same bytes (see
// docs/architecture.md, "Reference implementations").
#pragma once

#include <cstdint>
#include <span>

#include "geom/geom.hpp"
#include "path/path.hpp"
#include "image/image.hpp"
#include "color/channel_byte.hpp"
#include "color/color.hpp"

namespace zd::raster {

using zd::geom::Segment;
using zd::image::Image;

// The paint colour after mapping into sRGB: sRGB-encoded red, green, blue and
// the alpha, each clamped to [0, 1] (a NaN stays NaN and becomes byte 0).
struct Paint {
  float red = 0.0f;
  float green = 0.0f;
  float blue = 0.0f;
  float alpha = 1.0f;
};

// The rows a segment list can touch in an image of `height` rows: first..last
// inclusive; `empty` when the list lies wholly above or below the image (or
// every y is NaN).
struct RowRange {
  std::int64_t first = 0;
  std::int64_t last = -1;
  bool empty() const { return last < first; }
};

// Fills `path` into `image` (4 bytes per pixel, csRgba) with `color`.
// evenOdd selects the even-odd rule (else non-zero winding); overwrite
// selects blendOverwrite (else blendOver). `tolerance` goes unchanged to the
// flattening. Raises zd::Error "fillPath: color cannot be converted to sRGB"
// when the colour cannot be mapped (only checked once the path is known to
// reach the image's rows), flattening errors unchanged, and index errors
// (zd::Defect) if the pixel buffer is shorter than width * height * 4 bytes
// (rows painted before that stay painted).
void fillPath(Image &image, const zd::path::Path &path, const zd::color::Color &color, bool evenOdd,
              bool overwrite, float tolerance);

// fillPath after the flattening: the vertical test, the colour mapping and
// the painting of an already flattened segment list.
void fillSegments(Image &image, std::span<const Segment> segments, const zd::color::Color &color,
                  bool evenOdd, bool overwrite);

// The painting alone, with a paint colour already mapped and clamped (no
// alpha test here: a paint with alpha 0 simply leaves every pixel as it was).
void paintSegments(Image &image, std::span<const Segment> segments, const Paint &paint,
                   bool evenOdd, bool overwrite);

// The rows to visit: floor(max(minY, 0)) through min(height - 1,
// ceil(min(maxY, height))), where NaN y values are ignored.
RowRange rowsToVisit(std::span<const Segment> segments, std::int64_t height);

// Maps `color` into sRGB and clamps the result; raises the fillPath error
// when the colour cannot be put into sRGB.
Paint paintFromColor(const zd::color::Color &color);

// Adds weight times the overlap of [x0, x1] with each pixel column to the
// first `width` entries of `coverage` (x0 below 0 and NaN become 0, x1 above
// width and NaN become width).
void addSpan(float *coverage, std::int64_t width, float x0, float x1, float weight);

// Source-over of one pixel at byte `offset` (its R byte) with coverage and
// the paint colour; straight alpha, sRGB-encoded values, float32. All four
// byte offsets are checked (zd::Defect) before anything is read or written.
void blendOver(Image &image, std::int64_t offset, float coverage, float red, float green,
               float blue, float alpha);

// Replaces one pixel with the paint colour and alpha coverage * alpha; each
// byte offset is checked just before its own store.
void blendOverwrite(Image &image, std::int64_t offset, float coverage, float red, float green,
                    float blue, float alpha);

// clamp(v, 0, 1) of the pixel operations: 1 above 1, 0 below 0, NaN stays
// NaN (color/channel_byte.hpp).
using zd::color::clampUnit;

// The byte of a value: zd::color::channelByte, trunc(v * 255 + 0.5) with one
// fused multiply-add after clamping to [0, 1], NaN giving 0.
std::uint8_t toByte(float v);

}  // namespace zd::raster
