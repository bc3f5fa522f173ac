// Path handle exports: life, builders and queries.
#include <cstring>

#include "capi/handles.hpp"
#include "path/shapes.hpp"

using zd::capi::Arguments;
using zd::capi::guarded;
using zd::capi::guardedAfterCheck;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;
namespace path = zd::path;

namespace {

// The common shape of a builder: the caller's `Arguments` check has passed
// (nil path, ranges, finiteness); then the work runs with one reference held.
template <class Build>
ZdStatus build(ZdPath *handle, Build &&work, const char *function = __builtin_FUNCTION()) {
  return guardedAfterCheck<ZdStatus>(
      kBadArgument,
      [&] {
        Ref<ZdPath> ref(handle);
        work(*ref);
        return kOk;
      },
      function);
}

// Reads a point of the builder state into caller storage.
ZdStatus storePoint(const char *function, ZdPath *handle, float *xy,
                    path::Vec2 path::Path::*point) {
  if (!Arguments(function).notNil(handle, "path").notNil(xy, "xy")) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdPath> ref(handle);
    const path::Vec2 p = (*ref).*point;
    xy[0] = p.x;
    xy[1] = p.y;
    return kOk;
  });
}

}  // namespace

extern "C" {

ZD_API ZdPath *zd_path_new(void) {
  return guarded<ZdPath *>(nullptr, [] { return new ZdPath(); });
}

ZD_API ZdPath *zd_path_copy(ZdPath *source) {
  if (!Arguments(__func__).notNil(source, "path")) return nullptr;
  return guarded<ZdPath *>(nullptr, [&] {
    Ref<ZdPath> ref(source);
    auto *copy = new ZdPath();
    copy->value = *ref;
    return copy;
  });
}

ZD_API void zd_path_free(ZdPath *handle) {
  if (handle != nullptr) zd::capi::release(handle);
}

ZD_API ZdStatus zd_path_move_to(ZdPath *p, float x, float y) {
  if (!Arguments(__func__).notNil(p, "path").finite("x y", x, y)) return kBadArgument;
  return build(p, [&](path::Path &pa) { path::moveTo(pa, {x, y}); });
}

ZD_API ZdStatus zd_path_line_to(ZdPath *p, float x, float y) {
  if (!Arguments(__func__).notNil(p, "path").finite("x y", x, y)) return kBadArgument;
  return build(p, [&](path::Path &pa) { path::lineTo(pa, {x, y}); });
}

ZD_API ZdStatus zd_path_bezier_curve_to(ZdPath *p, float c1x, float c1y, float c2x, float c2y,
                                        float x, float y) {
  if (!Arguments(__func__).notNil(p, "path").finite("c1x c1y c2x c2y x y", c1x, c1y, c2x, c2y, x,
                                                    y)) {
    return kBadArgument;
  }
  return build(p, [&](path::Path &pa) { path::cubicTo(pa, {c1x, c1y}, {c2x, c2y}, {x, y}); });
}

ZD_API ZdStatus zd_path_quadratic_curve_to(ZdPath *p, float cx, float cy, float x, float y) {
  if (!Arguments(__func__).notNil(p, "path").finite("cx cy x y", cx, cy, x, y)) return kBadArgument;
  return build(p, [&](path::Path &pa) { path::quadTo(pa, {cx, cy}, {x, y}); });
}

ZD_API ZdStatus zd_path_elliptical_arc_to(ZdPath *p, float rx, float ry, float rotation,
                                          int32_t large_arc, int32_t sweep, float x, float y) {
  if (!Arguments(__func__)
           .notNil(p, "path")
           .require(!(rx < 0.0f), "rx must be >= 0")
           .require(!(ry < 0.0f), "ry must be >= 0")
           .finite("rx ry rotation x y", rx, ry, rotation, x, y)) {
    return kBadArgument;
  }
  return build(p, [&](path::Path &pa) {
    path::ellipticalArcTo(pa, large_arc != 0, sweep != 0, rx, ry, rotation, x, y);
  });
}

ZD_API ZdStatus zd_path_close_path(ZdPath *p) {
  if (!Arguments(__func__).notNil(p, "path")) return kBadArgument;
  return build(p, [&](path::Path &pa) { path::closePath(pa); });
}

ZD_API ZdStatus zd_path_rect(ZdPath *p, int32_t clockwise, float x, float y, float w, float h) {
  if (!Arguments(__func__).notNil(p, "path").finite("x y w h", x, y, w, h)) return kBadArgument;
  return build(p, [&](path::Path &pa) { path::rect(pa, clockwise != 0, x, y, w, h); });
}

ZD_API ZdStatus zd_path_rounded_rect(ZdPath *p, int32_t clockwise, float x, float y, float w,
                                     float h, float r_top_left, float r_top_right,
                                     float r_bottom_right, float r_bottom_left) {
  if (!Arguments(__func__).notNil(p, "path").finite(
          "x y w h r_top_left r_top_right r_bottom_right r_bottom_left", x, y, w, h, r_top_left,
          r_top_right, r_bottom_right, r_bottom_left)) {
    return kBadArgument;
  }
  return build(p, [&](path::Path &pa) {
    path::roundedRect(pa, clockwise != 0, x, y, w, h, r_top_left, r_top_right, r_bottom_right,
                      r_bottom_left);
  });
}

ZD_API ZdStatus zd_path_ellipse(ZdPath *p, float cx, float cy, float rx, float ry) {
  if (!Arguments(__func__)
           .notNil(p, "path")
           .require(!(rx < 0.0f), "rx must be >= 0")
           .require(!(ry < 0.0f), "ry must be >= 0")
           .finite("cx cy rx ry", cx, cy, rx, ry)) {
    return kBadArgument;
  }
  return build(p, [&](path::Path &pa) { path::ellipse(pa, cx, cy, rx, ry); });
}

ZD_API ZdStatus zd_path_circle(ZdPath *p, float cx, float cy, float r) {
  if (!Arguments(__func__)
           .notNil(p, "path")
           .require(!(r < 0.0f), "r must be >= 0")
           .finite("cx cy r", cx, cy, r)) {
    return kBadArgument;
  }
  return build(p, [&](path::Path &pa) { path::ellipse(pa, cx, cy, r, r); });
}

ZD_API ZdStatus zd_path_polygon(ZdPath *p, int32_t n, float cx, float cy, float r) {
  if (!Arguments(__func__)
           .notNil(p, "path")
           .require(n >= 3 && n <= 1048576, "n must be in 3..1048576 (got %d)", static_cast<int>(n))
           .finite("cx cy r", cx, cy, r)) {
    return kBadArgument;
  }
  return build(p, [&](path::Path &pa) { path::polygon(pa, n, cx, cy, r); });
}

ZD_API ZdStatus zd_path_arc(ZdPath *p, int32_t counterclockwise, float cx, float cy, float r,
                            float start_angle, float end_angle) {
  if (!Arguments(__func__)
           .notNil(p, "path")
           .require(!(r < 0.0f), "r must be >= 0")
           .finite("cx cy r start_angle end_angle", cx, cy, r, start_angle, end_angle)) {
    return kBadArgument;
  }
  return build(p, [&](path::Path &pa) {
    path::arc(pa, counterclockwise != 0, cx, cy, r, start_angle, end_angle);
  });
}

ZD_API ZdStatus zd_path_arc_to(ZdPath *p, float x1, float y1, float x2, float y2, float r) {
  if (!Arguments(__func__)
           .notNil(p, "path")
           .require(!(r < 0.0f), "r must be >= 0")
           .finite("x1 y1 x2 y2 r", x1, y1, x2, y2, r)) {
    return kBadArgument;
  }
  return build(p, [&](path::Path &pa) { path::arcTo(pa, x1, y1, x2, y2, r); });
}

ZD_API ZdStatus zd_path_add_path(ZdPath *p, ZdPath *source) {
  if (!Arguments(__func__).notNil(p, "path").notNil(source, "source")) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdPath> destination(p);
    Ref<ZdPath> from(source);
    path::appendPath(*destination, *from);
    return kOk;
  });
}

ZD_API ZdStatus zd_path_current(ZdPath *p, float *xy) {
  return storePoint(__func__, p, xy, &path::Path::current);
}

ZD_API ZdStatus zd_path_start(ZdPath *p, float *xy) {
  return storePoint(__func__, p, xy, &path::Path::start);
}

ZD_API int64_t zd_path_command_count(ZdPath *p) {
  if (!Arguments(__func__).notNil(p, "path")) return 0;
  return guarded<int64_t>(0, [&] {
    Ref<ZdPath> ref(p);
    return static_cast<int64_t>(ref->commands.size());
  });
}

ZD_API ZdStatus zd_path_command_get(ZdPath *p, int64_t index, ZdCommand *command) {
  if (!Arguments(__func__)
           .notNil(p, "path")
           .notNil(command, "command")
           .require(index >= 0, "index must be >= 0 (got %lld)", static_cast<long long>(index))) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdPath> ref(p);
    if (static_cast<uint64_t>(index) >= ref->commands.size()) {
      return zd::capi::refuse(
          "zd_path_command_get: index %lld is past the last command (count %zu)",
          static_cast<long long>(index), ref->commands.size());
    }
    const path::PathCommand &source = ref->commands[static_cast<std::size_t>(index)];
    ZdCommand filled;
    std::memset(&filled, 0, sizeof filled);
    filled.kind = source.kind();
    source.parameters(filled.params);
    *command = filled;
    return kOk;
  });
}

ZD_API int32_t zd_path_command_is_relative(int32_t kind) {
  if (!Arguments(__func__).require(static_cast<uint32_t>(kind) <= 18u,
                                   "kind must be in 0..18 (got %d)", static_cast<int>(kind))) {
    return -1;
  }
  return kind >= 10 ? 1 : 0;
}

ZD_API int32_t zd_path_command_parameter_count(int32_t kind) {
  if (!Arguments(__func__).require(static_cast<uint32_t>(kind) <= 18u,
                                   "kind must be in 0..18 (got %d)", static_cast<int>(kind))) {
    return -1;
  }
  return path::parameterCount(static_cast<path::PathCommandKind>(kind));
}

}  // extern "C"
