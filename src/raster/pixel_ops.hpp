// The pixel arithmetic shared by the checked single-pixel operations and the
// row kernels, portable and vector. Everything is float32; std::fmaf appears
// exactly where a multiply and an add are fused. The helpers are forced
// inline so that a kernel compiled for a CPU with FMA gets the instruction
// instead of the (slow, but identical) library call.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "cpu/cpu.hpp"
#include "raster/raster.hpp"
#include "raster/shade.hpp"

namespace zd::raster::detail {

// byte / 255 as float32 divisions, one entry per byte value (identical to
// dividing each time).
constexpr std::array<float, 256> makeByteToUnit() {
  std::array<float, 256> table{};
  for (int i = 0; i < 256; ++i) table[static_cast<std::size_t>(i)] = static_cast<float>(i) / 255.0f;
  return table;
}
inline constexpr std::array<float, 256> kByteToUnit = makeByteToUnit();

// The byte of a channel value (color/channel_byte.hpp).
ZD_KERNEL_INLINE std::uint8_t byteOf(float v) { return zd::color::channelByte(v); }

// Source-over of one pixel whose bytes are at `px`, with a = coverage * alpha
// already known to be above 0 (or NaN).
ZD_KERNEL_INLINE void overPixel(std::uint8_t *px, float a, const Paint &paint) {
  const float dA = kByteToUnit[px[3]];
  const float oneMinusA = 1.0f - a;
  const float outA = std::fmaf(dA, oneMinusA, a);
  if (outA <= 0.0f) {
    px[0] = px[1] = px[2] = px[3] = 0;
    return;
  }
  const float reciprocal = 1.0f / outA;
  const float source[3] = {paint.red, paint.green, paint.blue};
  for (int channel = 0; channel < 3; ++channel) {
    const float d = kByteToUnit[px[channel]];
    const float inner = oneMinusA * (d * dA);
    px[channel] = byteOf(reciprocal * std::fmaf(source[channel], a, inner));
  }
  px[3] = byteOf(outA);
}

ZD_KERNEL_INLINE std::uint32_t packPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                         std::uint8_t a) {
  const std::uint8_t bytes[4] = {r, g, b, a};
  std::uint32_t word;
  std::memcpy(&word, bytes, 4);
  return word;
}

// The bytes every fully covered pixel gets from an opaque source-over, and
// from overwrite at coverage 1: the paint bytes with byte(alpha).
ZD_KERNEL_INLINE std::uint32_t fullPixel(const Paint &paint) {
  return packPixel(byteOf(paint.red), byteOf(paint.green), byteOf(paint.blue),
                   byteOf(clampUnit(paint.alpha)));
}

// Source-over of columns [from, to) one pixel at a time. Full: every column
// has coverage exactly 1 and `coverage` is not read.
template <bool Full>
ZD_KERNEL_INLINE void overRowScalar(std::uint8_t *row, const float *coverage, std::int64_t from,
                                    std::int64_t to, const Paint &paint) {
  const bool opaque = paint.alpha == 1.0f;
  const std::uint32_t solid = fullPixel(paint);
  for (std::int64_t x = from; x < to; ++x) {
    const float c = Full ? 1.0f : coverage[x];
    if (!(c > 0.0f)) continue;
    std::uint8_t *px = row + x * 4;
    if (opaque && c == 1.0f) {
      // a = 1: outA is exactly 1 and each channel exactly the paint value.
      std::memcpy(px, &solid, 4);
      continue;
    }
    const float a = c * paint.alpha;
    if (a <= 0.0f) continue;
    overPixel(px, a, paint);
  }
}

// Overwrite of columns [from, to) one pixel at a time.
ZD_KERNEL_INLINE void overwriteRowScalar(std::uint8_t *row, const float *coverage,
                                         std::int64_t from, std::int64_t to, const Paint &paint) {
  const std::uint8_t r = byteOf(paint.red), g = byteOf(paint.green), b = byteOf(paint.blue);
  const std::uint32_t solid = fullPixel(paint);
  for (std::int64_t x = from; x < to; ++x) {
    const float c = coverage[x];
    if (!(c > 0.0f)) continue;
    std::uint8_t *px = row + x * 4;
    if (c == 1.0f) {
      std::memcpy(px, &solid, 4);
      continue;
    }
    px[0] = r;
    px[1] = g;
    px[2] = b;
    px[3] = byteOf(clampUnit(c * paint.alpha));
  }
}

// One pixel of a shaded fill at coverage c > 0 with its own colour: what a
// flat fill of that colour gives the pixel, by source-over or overwrite.
ZD_KERNEL_INLINE void shadedPixel(std::uint8_t *px, float c, const ShadeColor &shade,
                                  bool overwrite) {
  const Paint &paint = shade.paint;
  if (c == 1.0f && (overwrite || paint.alpha == 1.0f)) {
    std::memcpy(px, &shade.bytes, 4);
    return;
  }
  if (overwrite) {
    std::memcpy(px, &shade.bytes, 3);
    px[3] = byteOf(clampUnit(c * paint.alpha));
    return;
  }
  const float a = c * paint.alpha;
  if (a <= 0.0f) return;
  overPixel(px, a, paint);
}

}  // namespace zd::raster::detail
