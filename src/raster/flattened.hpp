// Flattening for the fill entry points: the segment list is kept per
// thread like the other buffers, and a large one is released when the fill
// ends, normally or not.
#pragma once

#include <span>
#include <vector>

#include "geom/geom.hpp"
#include "raster/raster.hpp"
#include "raster/scratch.hpp"

namespace zd::raster::detail {

// This thread's segment list (out of line, so that it is looked up once
// per fill rather than at every use).
std::vector<Segment> &threadSegments();

// Flattens `path` within `tolerance` and hands the segments to `fill`.
template <class Fill>
void fillFlattened(const zd::path::Path &path, float tolerance, Fill &&fill) {
  std::vector<Segment> &segments = threadSegments();
  struct ReleaseLarge {
    std::vector<Segment> &segments;
    ~ReleaseLarge() { releaseIfLarge(segments); }
  } release{segments};
  zd::geom::flatten(path, tolerance, segments);
  fill(std::span<const Segment>(segments));
}

}  // namespace zd::raster::detail
