// Colour exports: colours from text or numbers, their SVG text, and the
// one-path SVG document.
#include <string>

#include "capi/handles.hpp"
#include "svg/svg.hpp"
#include "color/parse_color.hpp"

using zd::capi::allFinite;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::Ref;
namespace color = zd::color;

namespace {

// A new handle holding the colour of an ok result; nil for an error result.
ZdColor *newColorHandle(const color::Result<color::Color> &result) {
  if (!result.isOk()) return nullptr;
  auto *handle = new ZdColor();
  handle->value = result.value();
  return handle;
}

bool inUnitRange(float value) { return !(value > 1.0f || value < 0.0f); }

}  // namespace

extern "C" {

ZD_API ZdColor *zd_color_parse(const char *text) {
  if (text == nullptr) return nullptr;
  return guarded<ZdColor *>(nullptr, [&] {
    // The caller's text is copied up to its NUL and not kept.
    const std::string copy(text);
    return newColorHandle(color::parseColor(copy));
  });
}

ZD_API ZdColor *zd_color_rgba(float r, float g, float b, float a) {
  if (!allFinite(r, g, b, a)) return nullptr;
  if (!inUnitRange(r) || !inUnitRange(g) || !inUnitRange(b) || !inUnitRange(a)) return nullptr;
  return guarded<ZdColor *>(nullptr,
                            [&] { return newColorHandle(color::color(color::stSrgb, r, g, b, a)); });
}

ZD_API void zd_color_free(ZdColor *handle) {
  if (handle != nullptr) zd::capi::release(handle);
}

ZD_API ZdStatus zd_color_to_svg(ZdColor *color, char **out, int64_t *len) {
  if (!zd::capi::clearBlockOutputs(out, len) || color == nullptr) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdColor> colorRef(color);
    const color::Color copy = *colorRef;
    return zd::capi::writeString(zd::svg::toSvgColor(copy), out, len);
  });
}

ZD_API ZdStatus zd_path_to_svg(ZdPath *path, ZdColor *color, int32_t width, int32_t height,
                               char **out, int64_t *len) {
  if (!zd::capi::clearBlockOutputs(out, len)) return kBadArgument;
  if (path == nullptr || color == nullptr || width < 1 || height < 1) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdPath> pathRef(path);
    Ref<ZdColor> colorRef(color);
    const color::Color copy = *colorRef;
    return zd::capi::writeString(zd::svg::toSvgString(*pathRef, copy, width, height), out, len);
  });
}

}  // extern "C"
