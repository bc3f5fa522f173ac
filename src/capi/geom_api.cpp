// Geometry exports: flattening a path, bounds of a segment array, and single
// points on Bezier curves.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "capi/handles.hpp"
#include "geom/geom.hpp"

using zd::capi::allFinite;
using zd::capi::Arguments;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;
namespace geom = zd::geom;

namespace {

constexpr float kDefaultTolerance = 0.5f;

// The largest segment count whose byte size fits a pointer difference; no
// real array is longer, and larger counts must not reach a multiplication.
constexpr int64_t kMaxSegmentArray =
    static_cast<int64_t>(PTRDIFF_MAX / static_cast<std::ptrdiff_t>(sizeof(geom::Segment)));

// Reads segment i of a caller's float array (4 floats each) without
// pretending the floats are Segment objects.
geom::Segment segmentAt(const float *segments, int64_t i) {
  geom::Segment segment;
  std::memcpy(&segment, segments + 4 * i, sizeof segment);
  return segment;
}

bool isFinite(const geom::Segment &s) { return allFinite(s.x0, s.y0, s.x1, s.y1); }

// The point formulas' entry shape: t in [0, 1] and the pointer first, then
// finiteness of every float.
bool parameterInRange(Arguments &arguments, float t, const float *xy) {
  return static_cast<bool>(
      arguments.require(!(t > 1.0f || t < 0.0f), "t must be in [0, 1]").notNil(xy, "xy"));
}

}  // namespace

extern "C" {

ZD_API ZdStatus zd_path_flatten(ZdPath *path, float *segments, int64_t capacity, int64_t *count,
                                float tolerance) {
  // The count is cleared whenever it is given, even when the path is nil, so
  // that it holds 0 after every failure.
  if (count != nullptr) *count = 0;
  Arguments arguments(__func__);
  if (!arguments.notNil(path, "path")
           .notNil(count, "count")
           .finite("tolerance", tolerance)
           .require(segments != nullptr || capacity == 0,
                    "segments is nil with capacity %lld (only 0 allows nil)",
                    static_cast<long long>(capacity))) {
    return kBadArgument;
  }
  const float t = tolerance > 0.0f ? tolerance : kDefaultTolerance;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdPath> ref(path);
    const std::vector<geom::Segment> flat = geom::flatten(*ref, t);
    // A negative capacity gives no size for the array: nothing is written.
    const std::size_t room = capacity > 0 ? static_cast<std::size_t>(capacity) : 0;
    const std::size_t copied = std::min(flat.size(), room);
    if (copied > 0) std::memcpy(segments, flat.data(), copied * sizeof(geom::Segment));
    *count = static_cast<int64_t>(flat.size());
    return kOk;
  });
}

ZD_API ZdStatus zd_segments_bounds(const float *segments, int64_t count, float *bounds) {
  if (!Arguments(__func__)
           .require(count >= 0, "count must be >= 0 (got %lld)", static_cast<long long>(count))
           .notNil(bounds, "bounds")
           .require(segments != nullptr || count == 0,
                    "segments is nil with count %lld (only 0 allows nil)",
                    static_cast<long long>(count))
           .require(count <= kMaxSegmentArray, "count %lld is larger than any array",
                    static_cast<long long>(count))) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    geom::BoundsBuilder builder;
    for (int64_t i = 0; i < count; ++i) {
      const geom::Segment segment = segmentAt(segments, i);
      if (!isFinite(segment)) {
        return zd::capi::refuse("zd_segments_bounds: segment %lld is not finite",
                                static_cast<long long>(i));
      }
      builder.add(segment);
    }
    const geom::Bounds box = builder.result();
    bounds[0] = box.minX;
    bounds[1] = box.minY;
    bounds[2] = box.width;
    bounds[3] = box.height;
    return kOk;
  });
}

ZD_API ZdStatus zd_quad_point(float x0, float y0, float x1, float y1, float x2, float y2, float t,
                              float *xy) {
  Arguments arguments(__func__);
  if (!parameterInRange(arguments, t, xy) ||
      !arguments.finite("x0 y0 x1 y1 x2 y2 t", x0, y0, x1, y1, x2, y2, t)) {
    return kBadArgument;
  }
  const geom::Vec2 p = geom::quadPoint({x0, y0}, {x1, y1}, {x2, y2}, t);
  xy[0] = p.x;
  xy[1] = p.y;
  return kOk;
}

ZD_API ZdStatus zd_cubic_point(float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                               float y3, float t, float *xy) {
  Arguments arguments(__func__);
  if (!parameterInRange(arguments, t, xy) ||
      !arguments.finite("x0 y0 x1 y1 x2 y2 x3 y3 t", x0, y0, x1, y1, x2, y2, x3, y3, t)) {
    return kBadArgument;
  }
  const geom::Vec2 p = geom::cubicPoint({x0, y0}, {x1, y1}, {x2, y2}, {x3, y3}, t);
  xy[0] = p.x;
  xy[1] = p.y;
  return kOk;
}

}  // extern "C"
