// The one rule that turns an sRGB channel value (or an alpha) into a byte,
// shared by the rasterizer's pixels and the SVG colour text.
//
// byte = trunc(fma(v, 255, 0.5)) in float32 after clamping v to [0, 1]; a
// NaN gives 0. The clamp comes first, so the conversion to an integer is
// always defined. Both functions are forced inline: the rasterizer's vector
// kernels call them, and an out-of-line copy would be built for the
// baseline processor (with std::fmaf a library call).
#pragma once

#include <cmath>
#include <cstdint>

namespace zd::color {

// clamp(v, 0, 1): 1 above 1, 0 below 0, and a NaN stays NaN.
inline __attribute__((always_inline)) float clampUnit(float v) {
  if (v > 1.0f) return 1.0f;
  if (v < 0.0f) return 0.0f;
  return v;
}

// The byte of a channel value under the rule above.
inline __attribute__((always_inline)) std::uint8_t channelByte(float v) {
  v = clampUnit(v);
  if (!(v >= 0.0f)) return 0;  // NaN
  return static_cast<std::uint8_t>(std::fmaf(v, 255.0f, 0.5f));
}

}  // namespace zd::color
