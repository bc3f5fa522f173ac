// Colour exports for hosts: CSS colour text in and out, colours from any
// registered space, conversion, gamut mapping, mixing and colour difference.
#include <cstring>
#include <string_view>

#include "capi/handles.hpp"
#include "color/convert.hpp"
#include "color/css.hpp"
#include "color/difference.hpp"
#include "color/mix.hpp"
#include "color/registry.hpp"

using zd::capi::allFinite;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;
namespace color = zd::color;

namespace {

// The host colour a handle holds.
color::CssColor cssColorOf(const ZdColor *handle) {
  return color::CssColor{handle->value, handle->fourth, handle->missing};
}

// A new handle holding the colour of an ok result; nil for an error result.
ZdColor *newHandle(const color::Result<color::CssColor> &result) {
  if (!result.isOk()) return nullptr;
  auto *handle = new ZdColor();
  handle->value = result.value().color;
  handle->fourth = result.value().fourth;
  handle->missing = result.value().missing;
  return handle;
}

// The tag of a registered space name, or stUnknown.
color::SpaceTag spaceNamed(const char *name) {
  const color::SpaceDescriptor *d = color::findSpaceByName(name);
  return d == nullptr ? color::stUnknown : d->tag;
}

}  // namespace

extern "C" {

ZD_API ZdColor *zd_color_parse_css(const char *text) {
  if (text == nullptr) return nullptr;
  return guarded<ZdColor *>(nullptr,
                            [&] { return newHandle(color::parseCss(std::string_view(text))); });
}

ZD_API ZdColor *zd_color_new(const char *space, const float *components, int32_t count,
                             float alpha) {
  if (space == nullptr || components == nullptr || count < 1 || count > 4) return nullptr;
  for (int32_t i = 0; i < count; ++i) {
    if (!std::isfinite(components[i])) return nullptr;
  }
  if (!allFinite(alpha) || alpha < 0.0f || alpha > 1.0f) return nullptr;
  return guarded<ZdColor *>(nullptr, [&]() -> ZdColor * {
    const color::SpaceDescriptor *d = color::findSpaceByName(space);
    if (d == nullptr || d->componentCount != count) return nullptr;
    const float fourth = count == 4 ? components[3] : 0.0f;
    const auto made = color::color(d->tag, components[0], count > 1 ? components[1] : 0.0f,
                                   count > 2 ? components[2] : 0.0f, alpha);
    if (!made.isOk()) return nullptr;
    return newHandle(color::ok(color::CssColor{made.value(), fourth, 0}));
  });
}

ZD_API ZdColor *zd_color_convert(ZdColor *handle, const char *space) {
  if (handle == nullptr || space == nullptr) return nullptr;
  return guarded<ZdColor *>(nullptr, [&]() -> ZdColor * {
    Ref<ZdColor> ref(handle);
    const color::SpaceTag target = spaceNamed(space);
    if (target == color::stUnknown) return nullptr;
    return newHandle(color::convertCss(cssColorOf(handle), target));
  });
}

ZD_API ZdColor *zd_color_gamut_map(ZdColor *handle, const char *space, int32_t method) {
  if (handle == nullptr || space == nullptr || (method != 0 && method != 1)) return nullptr;
  return guarded<ZdColor *>(nullptr, [&]() -> ZdColor * {
    Ref<ZdColor> ref(handle);
    const color::SpaceTag target = spaceNamed(space);
    if (target == color::stUnknown) return nullptr;
    return newHandle(color::gamutMapCss(cssColorOf(handle), target,
                                        static_cast<color::GamutMethod>(method)));
  });
}

ZD_API const char *zd_color_space(ZdColor *handle) {
  if (handle == nullptr) return nullptr;
  return guarded<const char *>(nullptr, [&] {
    Ref<ZdColor> ref(handle);
    return color::spaceNameText(ref->space);
  });
}

ZD_API ZdStatus zd_color_components(ZdColor *handle, float *components, int32_t *count,
                                    float *alpha) {
  if (components != nullptr) std::memset(components, 0, 4 * sizeof(float));
  if (count != nullptr) *count = 0;
  if (alpha != nullptr) *alpha = 0.0f;
  if (handle == nullptr || components == nullptr || count == nullptr || alpha == nullptr) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdColor> ref(handle);
    const color::Color &c = *ref;
    for (int i = 0; i < 3; ++i) components[i] = c.comps[i];
    components[3] = handle->fourth;
    *count = c.space == color::stCmyk ? 4 : 3;
    *alpha = c.alpha;
    return kOk;
  });
}

ZD_API ZdStatus zd_color_to_css(ZdColor *handle, char **out, int64_t *len) {
  if (!zd::capi::clearBlockOutputs(out, len) || handle == nullptr) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdColor> ref(handle);
    return zd::capi::writeString(color::toCss(cssColorOf(handle)), out, len);
  });
}

ZD_API ZdStatus zd_color_mix(ZdColor *a, ZdColor *b, float t, const char *space,
                             int32_t hue_method, ZdColor **out) {
  if (out == nullptr) return kBadArgument;
  *out = nullptr;
  if (a == nullptr || b == nullptr || space == nullptr) return kBadArgument;
  if (!allFinite(t) || t < 0.0f || t > 1.0f) return kBadArgument;
  if (hue_method < 0 || hue_method > 3) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdColor> first(a);
    Ref<ZdColor> second(b);
    const color::SpaceTag target = spaceNamed(space);
    if (target == color::stUnknown) return kBadArgument;
    const auto mixed = color::interpolate(cssColorOf(a), cssColorOf(b), t, target,
                                          static_cast<color::HueMethod>(hue_method));
    *out = newHandle(mixed);
    return *out == nullptr ? kBadArgument : kOk;
  });
}

ZD_API ZdStatus zd_color_delta_e(ZdColor *a, ZdColor *b, int32_t method, double *out) {
  if (out == nullptr) return kBadArgument;
  *out = 0.0;
  if (a == nullptr || b == nullptr || method < 0 || method > 2) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdColor> first(a);
    Ref<ZdColor> second(b);
    const auto difference =
        color::deltaE(*first, *second, static_cast<color::DeltaEMethod>(method));
    if (!difference.isOk()) return kBadArgument;
    *out = difference.value();
    return kOk;
  });
}

}  // extern "C"
