// Gradient exports: a paint's gradient source, its stops, spread,
// interpolation and transform.
#include <cmath>

#include "capi/handles.hpp"
#include "capi/paint_change.hpp"
#include "color/registry.hpp"
#include "paint/gradient.hpp"

using zd::capi::Arguments;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;
using zd::paint::GradientKind;

namespace {

// Runs a change of the paint's gradient with one reference held.
template <class Change>
ZdStatus changeGradient(ZdPaint *handle, Change &&work, const char *function) {
  return zd::capi::changePaint(
      handle, [&](zd::paint::Paint &paint) { work(paint.source.gradient); }, function);
}

// The paint's source becomes the gradient of this kind and geometry; stops,
// spread, interpolation and transform stay.
ZdStatus setGeometry(ZdPaint *paint, GradientKind kind, std::initializer_list<float> values,
                     const char *function) {
  return changeGradient(
      paint,
      [&](zd::paint::Gradient &g) {
        g.kind = kind;
        float *out = g.geometry;
        for (int i = 0; i < 6; ++i) out[i] = 0.0f;
        for (const float v : values) *out++ = v;
      },
      function);
}

}  // namespace

extern "C" {

ZD_API ZdStatus zd_paint_set_linear(ZdPaint *paint, float x0, float y0, float x1, float y1) {
  if (!Arguments(__func__).notNil(paint, "paint").finite("x0 y0 x1 y1", x0, y0, x1, y1)) {
    return kBadArgument;
  }
  return setGeometry(paint, GradientKind::linear, {x0, y0, x1, y1}, __func__);
}

ZD_API ZdStatus zd_paint_set_radial(ZdPaint *paint, float x0, float y0, float r0, float x1,
                                    float y1, float r1) {
  if (!Arguments(__func__)
           .notNil(paint, "paint")
           .require(!(r0 < 0.0f) && !(r1 < 0.0f), "r0 and r1 must be >= 0")
           .finite("x0 y0 r0 x1 y1 r1", x0, y0, r0, x1, y1, r1)) {
    return kBadArgument;
  }
  return setGeometry(paint, GradientKind::radial, {x0, y0, r0, x1, y1, r1}, __func__);
}

ZD_API ZdStatus zd_paint_set_conic(ZdPaint *paint, float cx, float cy, float start_angle) {
  if (!Arguments(__func__)
           .notNil(paint, "paint")
           .finite("cx cy start_angle", cx, cy, start_angle)) {
    return kBadArgument;
  }
  return setGeometry(paint, GradientKind::conic, {cx, cy, start_angle}, __func__);
}

ZD_API ZdStatus zd_paint_add_stop(ZdPaint *paint, float offset, ZdColor *color) {
  if (!Arguments(__func__).notNil(paint, "paint").notNil(color, "color").finite("offset", offset)) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(
      kBadArgument,
      [&] {
        Ref<ZdPaint> target(paint);
        Ref<ZdColor> source(color);
        const zd::color::CssColor stop{*source, color->fourth, color->missing};
        zd::paint::addStop(target->source.gradient, offset, stop);
        return kOk;
      },
      __func__);
}

ZD_API ZdStatus zd_paint_clear_stops(ZdPaint *paint) {
  if (!Arguments(__func__).notNil(paint, "paint")) return kBadArgument;
  return changeGradient(
      paint, [](zd::paint::Gradient &g) { g.stops.clear(); }, __func__);
}

ZD_API ZdStatus zd_paint_set_spread(ZdPaint *paint, int32_t spread) {
  if (!Arguments(__func__)
           .notNil(paint, "paint")
           .require(
               spread >= ZD_SPREAD_PAD && spread <= ZD_SPREAD_REFLECT,
               "spread must be ZD_SPREAD_PAD, ZD_SPREAD_REPEAT or ZD_SPREAD_REFLECT (0, 1 or 2, got %d)",
               static_cast<int>(spread))) {
    return kBadArgument;
  }
  return changeGradient(
      paint, [&](zd::paint::Gradient &g) { g.spread = static_cast<zd::paint::Spread>(spread); },
      __func__);
}

ZD_API ZdStatus zd_paint_set_interpolation(ZdPaint *paint, const char *space, int32_t hue_method) {
  if (!Arguments(__func__)
           .notNil(paint, "paint")
           .notNil(space, "space")
           .require(hue_method >= ZD_HUE_SHORTER && hue_method <= ZD_HUE_DECREASING,
                    "hue_method must be ZD_HUE_SHORTER ... ZD_HUE_DECREASING (0 to 3, got %d)",
                    static_cast<int>(hue_method))) {
    return kBadArgument;
  }
  const zd::color::SpaceDescriptor *d = zd::color::findSpaceByName(space);
  if (d == nullptr) return zd::capi::refuse("%s: unknown space \"%.64s\"", __func__, space);
  // Interpolation needs three components and a route to the others.
  if (d->componentCount != 3) {
    return zd::capi::refuse("%s: colours cannot be interpolated in %s", __func__, d->name.c_str());
  }
  const zd::color::SpaceTag tag = d->tag;
  return changeGradient(
      paint,
      [&](zd::paint::Gradient &g) {
        g.space = tag;
        g.hue = static_cast<zd::color::HueMethod>(hue_method);
      },
      __func__);
}

ZD_API ZdStatus zd_paint_set_gradient_transform(ZdPaint *paint, const float matrix[6]) {
  if (!Arguments(__func__).notNil(paint, "paint").notNil(matrix, "matrix")) return kBadArgument;
  if (!Arguments(__func__).finite("a b c d e f", matrix[0], matrix[1], matrix[2], matrix[3],
                                  matrix[4], matrix[5])) {
    return kBadArgument;
  }
  const zd::paint::Affine m{matrix[0], matrix[1], matrix[2], matrix[3], matrix[4], matrix[5]};
  if (!zd::paint::invert(m).ok) return zd::capi::refuse("%s: matrix is not invertible", __func__);
  return changeGradient(
      paint, [&](zd::paint::Gradient &g) { g.transform = m; }, __func__);
}

}  // extern "C"
