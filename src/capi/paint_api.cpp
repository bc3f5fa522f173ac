// Paint exports: the paint handle, its setters, and drawing a path with it.
#include "capi/handles.hpp"
#include "capi/stroke_style.hpp"
#include "raster/draw.hpp"

using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;

namespace {

// A setter: nil paint refused by the caller; the change runs with one
// reference held.
template <class Change>
ZdStatus change(ZdPaint *handle, Change &&work) {
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdPaint> ref(handle);
    work(*ref);
    return kOk;
  });
}

}  // namespace

extern "C" {

ZD_API ZdPaint *zd_paint_new(void) {
  return guarded<ZdPaint *>(nullptr, [] { return new ZdPaint(); });
}

ZD_API ZdPaint *zd_paint_copy(ZdPaint *source) {
  if (source == nullptr) return nullptr;
  return guarded<ZdPaint *>(nullptr, [&] {
    Ref<ZdPaint> ref(source);
    auto *copy = new ZdPaint();
    copy->value = *ref;
    return copy;
  });
}

ZD_API void zd_paint_free(ZdPaint *paint) {
  if (paint != nullptr) zd::capi::release(paint);
}

ZD_API ZdStatus zd_paint_set_color(ZdPaint *paint, ZdColor *color) {
  if (paint == nullptr || color == nullptr) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdPaint> target(paint);
    Ref<ZdColor> source(color);
    target->source.color = *source;
    return kOk;
  });
}

ZD_API ZdStatus zd_paint_set_fill(ZdPaint *paint, int32_t fill_rule) {
  if (paint == nullptr || static_cast<uint32_t>(fill_rule) > 1u) return kBadArgument;
  return change(paint, [&](zd::paint::Paint &p) {
    p.coverage = zd::paint::Coverage::fill;
    p.rule = static_cast<zd::paint::FillRule>(fill_rule);
  });
}

ZD_API ZdStatus zd_paint_set_stroke(ZdPaint *paint, const ZdStroke *style) {
  if (paint == nullptr || style == nullptr || !zd::capi::validStrokeStyle(*style)) {
    return kBadArgument;
  }
  return change(paint, [&](zd::paint::Paint &p) {
    p.stroke = zd::capi::toStyle(*style);
    p.coverage = zd::paint::Coverage::stroke;
  });
}

ZD_API ZdStatus zd_paint_set_mode(ZdPaint *paint, int32_t mode) {
  if (paint == nullptr || static_cast<uint32_t>(mode) > 1u) return kBadArgument;
  return change(paint, [&](zd::paint::Paint &p) { p.mode = static_cast<zd::paint::Mode>(mode); });
}

ZD_API ZdStatus zd_paint_set_tolerance(ZdPaint *paint, float tolerance) {
  if (paint == nullptr || !std::isfinite(tolerance)) return kBadArgument;
  return change(paint, [&](zd::paint::Paint &p) { p.tolerance = zd::paint::flatness(tolerance); });
}

ZD_API ZdStatus zd_draw_path(ZdImage *image, ZdPath *path, ZdPaint *paint, const float *matrix) {
  if (image == nullptr || path == nullptr || paint == nullptr) return kBadArgument;
  zd::path::Matrix m;
  if (matrix != nullptr && !zd::capi::readMatrix(matrix, m)) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    // References in argument order; released in reverse.
    Ref<ZdImage> target(image);
    Ref<ZdPath> shape(path);
    Ref<ZdPaint> how(paint);
    zd::raster::drawPath(*target, *shape, *how, matrix != nullptr ? &m : nullptr);
    return kOk;
  });
}

}  // extern "C"
