// The per-thread working buffers of a fill.
#include "raster/scratch.hpp"

#include "raster/flattened.hpp"

namespace zd::raster::detail {

void Scratch::releaseLarge() {
  // The coverage row is all zero here; dropping it keeps that true.
  releaseIfLarge(coverage);
  releaseIfLarge(pending);
  releaseIfLarge(active);
  releaseIfLarge(merged);
  releaseIfLarge(enteringSlots);
  releaseIfLarge(enteringSorted);
  releaseIfLarge(pendingTop);
  releaseIfLarge(order);
  releaseIfLarge(orderScratch);
  releaseIfLarge(firstLineOf);
  releaseIfLarge(lineStarts);
  releaseIfLarge(leftEvents);
  releaseIfLarge(spans);
  releaseIfLarge(full);
  releaseIfLarge(fullNext);
  releaseIfLarge(lineFull);
}

[[gnu::noinline]] Scratch &threadScratch() {
  thread_local Scratch scratch;
  return scratch;
}

[[gnu::noinline]] std::vector<Segment> &threadSegments() {
  thread_local std::vector<Segment> segments;
  return segments;
}

}  // namespace zd::raster::detail
