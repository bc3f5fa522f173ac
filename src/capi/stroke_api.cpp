// Stroke and transform exports: the outline of a stroked path, and a path
// mapped in place by a matrix.
#include "capi/handles.hpp"
#include "capi/stroke_style.hpp"
#include "path/transform.hpp"
#include "paint/paint.hpp"

using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;

namespace zd::capi {

bool validStrokeStyle(const ZdStroke &style) {
  if (!std::isfinite(style.width) || style.width < 0.0f) return false;
  if (static_cast<uint32_t>(style.join) > 2u || static_cast<uint32_t>(style.cap) > 2u) {
    return false;
  }
  if (!std::isfinite(style.miter_limit) || style.miter_limit < 1.0f) return false;
  if (style.dash_count < 0 || static_cast<std::size_t>(style.dash_count) > zd::stroke::kMaxDashes) {
    return false;
  }
  if (style.dash_count > 0 && style.dashes == nullptr) return false;
  for (int32_t i = 0; i < style.dash_count; ++i) {
    if (!std::isfinite(style.dashes[i]) || style.dashes[i] < 0.0f) return false;
  }
  return std::isfinite(style.dash_offset);
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

bool readMatrix(const float *entries, zd::path::Matrix &out) {
  for (int i = 0; i < 6; ++i) {
    if (!std::isfinite(entries[i])) return false;
  }
  out = {entries[0], entries[1], entries[2], entries[3], entries[4], entries[5]};
  return true;
}

}  // namespace zd::capi

extern "C" {

ZD_API ZdStatus zd_path_stroke(ZdPath *path, const ZdStroke *style, float tolerance,
                               ZdPath **out) {
  if (out == nullptr) return kBadArgument;
  *out = nullptr;
  if (path == nullptr || style == nullptr) return kBadArgument;
  if (!zd::capi::validStrokeStyle(*style) || !std::isfinite(tolerance)) return kBadArgument;
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
  if (path == nullptr || matrix == nullptr) return kBadArgument;
  zd::path::Matrix m;
  if (!zd::capi::readMatrix(matrix, m)) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdPath> target(path);
    zd::path::transform(*target, m);
    return kOk;
  });
}

}  // extern "C"
