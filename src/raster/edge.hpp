// An edge as the scan sees it, the sample lines it is crossed on, and the
// order of crossings on one line (internal).
#pragma once

#include <cmath>
#include <cstdint>

namespace zd::raster::detail {

// The sample line of sub-scanline s of row y: y + (s + 0.5) * 0.25 as one
// fused multiply-add. The product is exact, so a plain sum gives the same
// float; the fma is kept to read as the sampling is defined.
inline float sampleLine(std::int64_t y, int s) {
  return std::fmaf(static_cast<float>(s) + 0.5f, 0.25f, static_cast<float>(y));
}

// A segment that can meet a sample line, with what the crossing needs.
struct Edge {
  float x0, y0;
  float dx, dy;  // x1 - x0 and y1 - y0, as the crossing formula computes them
  float hi;      // max(y0, y1): the edge meets lines strictly above it
  std::int32_t winding;
  std::uint32_t index;  // position in the segment list, the tie-break
  float x;              // the crossing on the current sample line
};

// The crossing order: by x, NaN after every number, equal x by segment index.
// It is total, and on a list in segment order it is the order a stable sort
// by x gives.
inline bool crossesBefore(float ax, std::uint32_t aIndex, float bx, std::uint32_t bIndex) {
  if (ax < bx) return true;
  if (bx < ax) return false;
  const bool aNan = std::isnan(ax);
  const bool bNan = std::isnan(bx);
  if (aNan != bNan) return bNan;
  return aIndex < bIndex;
}

inline bool crossesBefore(const Edge &a, const Edge &b) {
  return crossesBefore(a.x, a.index, b.x, b.index);
}

// A span of one sample line after clamping to the row: 0 <= a < b <= width.
struct Span {
  float a, b;
};

// crossesBefore as a function object, for the standard algorithms (a
// function pointer would keep them from inlining the comparison).
struct CrossingOrder {
  bool operator()(const Edge &a, const Edge &b) const { return crossesBefore(a, b); }
};

}  // namespace zd::raster::detail
