// Stroke and transform exports: the outline of a stroked path, and a path
// mapped in place by a matrix.
#include "capi/handles.hpp"
#include "capi/stroke_style.hpp"
#include "paint/paint.hpp"
#include "path/transform.hpp"

using zd::capi::Arguments;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;

namespace zd::capi {

bool checkStrokeStyle(Arguments &arguments, const ZdStroke &style) noexcept {
  arguments.finite("style.width", style.width)
      .require(style.width >= 0.0f, "style.width must be >= 0 (got %g)",
               static_cast<double>(style.width))
      .require(static_cast<uint32_t>(style.join) <= 2u,
               "style.join must be ZD_JOIN_MITER, _ROUND or _BEVEL (0..2, got %d)",
               static_cast<int>(style.join))
      .require(static_cast<uint32_t>(style.cap) <= 2u,
               "style.cap must be ZD_CAP_BUTT, _ROUND or _SQUARE (0..2, got %d)",
               static_cast<int>(style.cap))
      .finite("style.miter_limit", style.miter_limit)
      .require(style.miter_limit >= 1.0f, "style.miter_limit must be >= 1 (got %g)",
               static_cast<double>(style.miter_limit))
      .require(style.dash_count >= 0 &&
                   static_cast<std::size_t>(style.dash_count) <= zd::stroke::kMaxDashes,
               "style.dash_count must be 0..1048576 (got %d)", static_cast<int>(style.dash_count))
      .require(style.dash_count <= 0 || style.dashes != nullptr,
               "style.dashes is nil with style.dash_count %d", static_cast<int>(style.dash_count));
  for (int32_t i = 0; arguments && i < style.dash_count; ++i) {
    const float length = style.dashes[i];
    arguments.require(std::isfinite(length) && length >= 0.0f,
                      "style.dashes[%d] must be finite and >= 0 (got %g)", static_cast<int>(i),
                      static_cast<double>(length));
  }
  arguments.finite("style.dash_offset", style.dash_offset);
  return static_cast<bool>(arguments);
}

zd::stroke::Style toStyle(const ZdStroke &style) {
  zd::stroke::Style out;
  out.width = style.width;
  out.join = static_cast<zd::stroke::Join>(style.join);
  out.cap = static_cast<zd::stroke::Cap>(style.cap);
  out.miterLimit = style.miter_limit;
  if (style.dash_count > 0) out.dashes.assign(style.dashes, style.dashes + style.dash_count);
  out.dashOffset = style.dash_offset;
  return out;
}

bool readMatrix(Arguments &arguments, const float *entries, zd::path::Matrix &out) noexcept {
  if (!arguments.finite("matrix[0] matrix[1] matrix[2] matrix[3] matrix[4] matrix[5]", entries[0],
                        entries[1], entries[2], entries[3], entries[4], entries[5])) {
    return false;
  }
  out = {entries[0], entries[1], entries[2], entries[3], entries[4], entries[5]};
  return true;
}

}  // namespace zd::capi

extern "C" {

ZD_API ZdStatus zd_path_stroke(ZdPath *path, const ZdStroke *style, float tolerance, ZdPath **out) {
  if (out != nullptr) *out = nullptr;
  Arguments arguments(__func__);
  if (!arguments.notNil(out, "out").notNil(path, "path").notNil(style, "style") ||
      !zd::capi::checkStrokeStyle(arguments, *style) || !arguments.finite("tolerance", tolerance)) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdPath> source(path);
    const zd::stroke::Style pen = zd::capi::toStyle(*style);
    zd::stroke::Outline outline;
    zd::stroke::strokeOutline(*source, pen, zd::paint::flatness(tolerance), outline);
    auto *result = new ZdPath();
    result->value = zd::stroke::outlineToPath(outline);
    *out = result;
    return kOk;
  });
}

ZD_API ZdStatus zd_path_transform(ZdPath *path, const float matrix[6]) {
  Arguments arguments(__func__);
  zd::path::Matrix m;
  if (!arguments.notNil(path, "path").notNil(matrix, "matrix") ||
      !zd::capi::readMatrix(arguments, matrix, m)) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdPath> target(path);
    zd::path::transform(*target, m);
    return kOk;
  });
}

}  // extern "C"
