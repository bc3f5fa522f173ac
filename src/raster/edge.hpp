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
inline bool crossesBefore(const Edge &a, const Edge &b) {
  if (a.x < b.x) return true;
  if (b.x < a.x) return false;
  const bool aNan = std::isnan(a.x);
  const bool bNan = std::isnan(b.x);
  if (aNan != bNan) return bNan;
  return a.index < b.index;
}

// crossesBefore as a function object, for the standard algorithms (a
// function pointer would keep them from inlining the comparison).
struct CrossingOrder {
  bool operator()(const Edge &a, const Edge &b) const { return crossesBefore(a, b); }
};

}  // namespace zd::raster::detail
