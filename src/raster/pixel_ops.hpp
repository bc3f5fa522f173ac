// The pixel arithmetic shared by the checked single-pixel operations and the
// row kernels. Everything is float32; std::fmaf appears exactly where the
// rules fuse a multiply and an add. The functions are forced inline so that
// a kernel compiled for a CPU with FMA gets the instruction instead of the
// (slow, but identical) library call.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "raster/raster.hpp"

namespace zd::raster::detail {

#define ZD_RASTER_INLINE inline __attribute__((always_inline))

// byte / 255 as float32 divisions, one entry per byte value (identical to
// dividing each time).
constexpr std::array<float, 256> makeByteToUnit() {
  std::array<float, 256> table{};
  for (int i = 0; i < 256; ++i) table[static_cast<std::size_t>(i)] = static_cast<float>(i) / 255.0f;
  return table;
}
inline constexpr std::array<float, 256> kByteToUnit = makeByteToUnit();

ZD_RASTER_INLINE std::uint8_t byteOf(float v) {
  v = clampUnit(v);
  if (!(v >= 0.0f)) return 0;  // NaN
  return static_cast<std::uint8_t>(std::fmaf(v, 255.0f, 0.5f));
}

// Source-over of one pixel whose bytes are at `px`, with a = coverage * alpha
// already known to be above 0 (or NaN).
ZD_RASTER_INLINE void overPixel(std::uint8_t *px, float a, const Paint &paint) {
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

}  // namespace zd::raster::detail
