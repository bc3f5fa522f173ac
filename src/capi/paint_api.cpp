// Paint exports: the paint handle, its setters, and drawing a path with it.
#include "capi/handles.hpp"
#include "capi/paint_change.hpp"
#include "capi/stroke_style.hpp"
#include "raster/draw.hpp"

using zd::capi::Arguments;
using zd::capi::changePaint;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;

extern "C" {

ZD_API ZdPaint *zd_paint_new(void) {
  return guarded<ZdPaint *>(nullptr, [] { return new ZdPaint(); });
}

ZD_API ZdPaint *zd_paint_copy(ZdPaint *source) {
  if (!Arguments(__func__).notNil(source, "paint")) return nullptr;
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
  if (!Arguments(__func__).notNil(paint, "paint").notNil(color, "color")) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdPaint> target(paint);
    Ref<ZdColor> source(color);
    target->source.color = *source;
    target->source.gradient.kind = zd::paint::GradientKind::none;  // solid again
    return kOk;
  });
}

ZD_API ZdStatus zd_paint_set_fill(ZdPaint *paint, int32_t fill_rule) {
  if (!Arguments(__func__)
           .notNil(paint, "paint")
           .require(static_cast<uint32_t>(fill_rule) <= 1u,
                    "fill_rule must be ZD_FILL_NONZERO or ZD_FILL_EVENODD (0 or 1, got %d)",
                    static_cast<int>(fill_rule))) {
    return kBadArgument;
  }
  return changePaint(
      paint,
      [&](zd::paint::Paint &p) {
        p.coverage = zd::paint::Coverage::fill;
        p.rule = static_cast<zd::paint::FillRule>(fill_rule);
      },
      __func__);
}

ZD_API ZdStatus zd_paint_set_stroke(ZdPaint *paint, const ZdStroke *style) {
  Arguments arguments(__func__);
  if (!arguments.notNil(paint, "paint").notNil(style, "style") ||
      !zd::capi::checkStrokeStyle(arguments, *style)) {
    return kBadArgument;
  }
  return changePaint(
      paint,
      [&](zd::paint::Paint &p) {
        p.stroke = zd::capi::toStyle(*style);
        p.coverage = zd::paint::Coverage::stroke;
      },
      __func__);
}

ZD_API ZdStatus zd_paint_set_mode(ZdPaint *paint, int32_t mode) {
  if (!Arguments(__func__)
           .notNil(paint, "paint")
           .require(static_cast<uint32_t>(mode) <= 1u,
                    "mode must be ZD_MODE_OVER or ZD_MODE_OVERWRITE (0 or 1, got %d)",
                    static_cast<int>(mode))) {
    return kBadArgument;
  }
  return changePaint(
      paint, [&](zd::paint::Paint &p) { p.mode = static_cast<zd::paint::Mode>(mode); }, __func__);
}

ZD_API ZdStatus zd_paint_set_tolerance(ZdPaint *paint, float tolerance) {
  if (!Arguments(__func__).notNil(paint, "paint").finite("tolerance", tolerance)) {
    return kBadArgument;
  }
  return changePaint(
      paint, [&](zd::paint::Paint &p) { p.tolerance = zd::paint::flatness(tolerance); }, __func__);
}

ZD_API ZdStatus zd_draw_path(ZdImage *image, ZdPath *path, ZdPaint *paint, const float *matrix) {
  Arguments arguments(__func__);
  zd::path::Matrix m;
  if (!arguments.notNil(image, "image").notNil(path, "path").notNil(paint, "paint") ||
      (matrix != nullptr && !zd::capi::readMatrix(arguments, matrix, m))) {
    return kBadArgument;
  }
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
