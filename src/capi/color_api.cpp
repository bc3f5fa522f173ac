// Colour exports: colours from text or numbers, their SVG text, and the
// one-path SVG document.
#include <string>

#include "capi/handles.hpp"
#include "tintra/parse_color.hpp"

using zd::capi::allFinite;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;
namespace tintra = zd::tintra;

namespace {

// A new handle holding the colour of an ok result; nil for an error result.
ZdColor *newColorHandle(const tintra::Result<tintra::Color> &result) {
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
    return newColorHandle(tintra::parseColor(copy));
  });
}

ZD_API ZdColor *zd_color_rgba(float r, float g, float b, float a) {
  if (!allFinite(r, g, b, a)) return nullptr;
  if (!inUnitRange(r) || !inUnitRange(g) || !inUnitRange(b) || !inUnitRange(a)) return nullptr;
  return guarded<ZdColor *>(nullptr,
                            [&] { return newColorHandle(tintra::color(tintra::stSrgb, r, g, b, a)); });
}

ZD_API void zd_color_free(ZdColor *handle) {
  if (handle != nullptr) zd::capi::release(handle);
}

}  // extern "C"
