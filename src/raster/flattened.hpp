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

// Flattens `path` within `tolerance` and hands the segments to `fill`.
template <class Fill>
void fillFlattened(const zd::path::Path &path, float tolerance, Fill &&fill) {
  thread_local std::vector<Segment> segments;
  struct ReleaseLarge {
    ~ReleaseLarge() { releaseIfLarge(segments); }
  } release;
  zd::geom::flatten(path, tolerance, segments);
  fill(std::span<const Segment>(segments));
}

}  // namespace zd::raster::detail
