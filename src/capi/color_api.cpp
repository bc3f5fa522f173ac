// Colour exports: colours from text or numbers, their SVG text, and the
// one-path SVG document.
#include <string>

#include "capi/color_errors.hpp"
#include "capi/handles.hpp"
#include "svg/svg.hpp"
#include "color/parse_color.hpp"

using zd::capi::Arguments;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::Ref;
namespace color = zd::color;

namespace {

// A new handle holding the colour of an ok result; nil for an error result,
// whose message becomes the thread's.
ZdColor *newColorHandle(const color::Result<color::Color> &result) {
  if (!result.isOk()) {
    zd::capi::recordColorError(result.error());
    return nullptr;
  }
  auto *handle = new ZdColor();
  handle->value = result.value();
  return handle;
}

bool inUnitRange(float value) { return !(value > 1.0f || value < 0.0f); }

// Clears whichever of the two string outputs is given; true when both are.
bool clearStringOutputs(Arguments &arguments, char **out, int64_t *len) {
  zd::capi::clearBlockOutputs(out, len);
  return static_cast<bool>(arguments.notNil(out, "out").notNil(len, "len"));
}

// The one-path document behind zd_path_to_svg and zd_path_to_svg_rule.
ZdStatus pathDocument(Arguments &arguments, ZdPath *path, ZdColor *color, bool evenOdd,
                      int32_t width, int32_t height, char **out, int64_t *len,
                      const char *function) {
  if (!arguments.notNil(path, "path")
           .notNil(color, "color")
           .require(width >= 1, "width must be >= 1 (got %d)", static_cast<int>(width))
           .require(height >= 1, "height must be >= 1 (got %d)", static_cast<int>(height))) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(
      kBadArgument,
      [&] {
        Ref<ZdPath> pathRef(path);
        Ref<ZdColor> colorRef(color);
        const color::Color copy = *colorRef;
        return zd::capi::writeString(zd::svg::toSvgString(*pathRef, copy, width, height, evenOdd),
                                     out, len);
      },
      function);
}

}  // namespace

extern "C" {

ZD_API ZdColor *zd_color_parse(const char *text) {
  if (!Arguments(__func__).notNil(text, "text")) return nullptr;
  return guarded<ZdColor *>(nullptr, [&] {
    // The caller's text is copied up to its NUL and not kept.
    const std::string copy(text);
    return newColorHandle(color::parseColor(copy));
  });
}

ZD_API ZdColor *zd_color_rgba(float r, float g, float b, float a) {
  if (!Arguments(__func__)
           .finite("r g b a", r, g, b, a)
           .require(inUnitRange(r), "r must be in [0, 1]")
           .require(inUnitRange(g), "g must be in [0, 1]")
           .require(inUnitRange(b), "b must be in [0, 1]")
           .require(inUnitRange(a), "a must be in [0, 1]")) {
    return nullptr;
  }
  return guarded<ZdColor *>(
      nullptr, [&] { return newColorHandle(color::color(color::stSrgb, r, g, b, a)); });
}

ZD_API void zd_color_free(ZdColor *handle) {
  if (handle != nullptr) zd::capi::release(handle);
}

ZD_API ZdStatus zd_color_to_svg(ZdColor *color, char **out, int64_t *len) {
  Arguments arguments(__func__);
  if (!clearStringOutputs(arguments, out, len) || !arguments.notNil(color, "color")) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdColor> colorRef(color);
    const color::Color copy = *colorRef;
    return zd::capi::writeString(zd::svg::toSvgColor(copy), out, len);
  });
}

ZD_API ZdStatus zd_path_to_svg(ZdPath *path, ZdColor *color, int32_t width, int32_t height,
                               char **out, int64_t *len) {
  Arguments arguments(__func__);
  if (!clearStringOutputs(arguments, out, len)) return kBadArgument;
  return pathDocument(arguments, path, color, false, width, height, out, len, __func__);
}

ZD_API ZdStatus zd_path_to_svg_rule(ZdPath *path, ZdColor *color, int32_t fill_rule, int32_t width,
                                    int32_t height, char **out, int64_t *len) {
  Arguments arguments(__func__);
  if (!clearStringOutputs(arguments, out, len)) return kBadArgument;
  // The rule is a range rule: checked after the handles, before the sizes.
  if (!arguments.notNil(path, "path")
           .notNil(color, "color")
           .require(fill_rule == 0 || fill_rule == 1, "fill_rule must be 0 or 1 (got %d)",
                    static_cast<int>(fill_rule))) {
    return kBadArgument;
  }
  return pathDocument(arguments, path, color, fill_rule == 1, width, height, out, len, __func__);
}

}  // extern "C"
