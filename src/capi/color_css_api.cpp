// Colour exports for hosts: CSS colour text in and out, colours from any
// registered space, conversion, gamut mapping, mixing and colour difference.
#include <cstring>
#include <string_view>

#include "capi/color_errors.hpp"
#include "capi/handles.hpp"
#include "color/convert.hpp"
#include "color/css.hpp"
#include "color/difference.hpp"
#include "color/mix.hpp"
#include "color/registry.hpp"

using zd::capi::Arguments;
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

// A new handle holding the colour of an ok result; nil for an error result,
// whose message becomes the thread's (named after `function`).
ZdColor *newHandle(const char *function, const color::Result<color::CssColor> &result) {
  if (!result.isOk()) {
    zd::capi::recordColorError(function, result.error());
    return nullptr;
  }
  auto *handle = new ZdColor();
  handle->value = result.value().color;
  handle->fourth = result.value().fourth;
  handle->missing = result.value().missing;
  return handle;
}

// The tag of a registered space name, or stUnknown (with the message).
color::SpaceTag spaceNamed(const char *function, const char *name) {
  const color::SpaceDescriptor *d = color::findSpaceByName(name);
  if (d == nullptr) {
    zd::capi::recordLastErrorf("%s: unknown colour space '%.64s'", function, name);
    return color::stUnknown;
  }
  return d->tag;
}

}  // namespace

extern "C" {

ZD_API ZdColor *zd_color_parse_css(const char *text) {
  if (!Arguments(__func__).notNil(text, "text")) return nullptr;
  return guarded<ZdColor *>(nullptr, [&] {
    return newHandle("zd_color_parse_css", color::parseCss(std::string_view(text)));
  });
}

ZD_API ZdColor *zd_color_new(const char *space, const float *components, int32_t count,
                             float alpha) {
  Arguments arguments(__func__);
  if (!arguments.notNil(space, "space")
           .notNil(components, "components")
           .require(count >= 1 && count <= 4, "count must be in 1..4 (got %d)",
                    static_cast<int>(count))) {
    return nullptr;
  }
  for (int32_t i = 0; i < count; ++i) {
    if (!arguments.require(std::isfinite(components[i]), "components[%d] is not finite",
                           static_cast<int>(i))) {
      return nullptr;
    }
  }
  if (!arguments.finite("alpha", alpha)
           .require(alpha >= 0.0f && alpha <= 1.0f, "alpha must be in [0, 1]")) {
    return nullptr;
  }
  return guarded<ZdColor *>(nullptr, [&]() -> ZdColor * {
    const color::SpaceDescriptor *d = color::findSpaceByName(space);
    if (d == nullptr) {
      zd::capi::recordLastErrorf("zd_color_new: unknown colour space '%.64s'", space);
      return nullptr;
    }
    if (d->componentCount != count) {
      zd::capi::recordLastErrorf("zd_color_new: '%.64s' has %d components, not %d", space,
                                 static_cast<int>(d->componentCount), static_cast<int>(count));
      return nullptr;
    }
    const float fourth = count == 4 ? components[3] : 0.0f;
    const auto made = color::color(d->tag, components[0], count > 1 ? components[1] : 0.0f,
                                   count > 2 ? components[2] : 0.0f, alpha);
    if (!made.isOk()) {
      zd::capi::recordColorError("zd_color_new", made.error());
      return nullptr;
    }
    return newHandle("zd_color_new", color::ok(color::CssColor{made.value(), fourth, 0}));
  });
}

ZD_API ZdColor *zd_color_convert(ZdColor *handle, const char *space) {
  if (!Arguments(__func__).notNil(handle, "color").notNil(space, "space")) return nullptr;
  return guarded<ZdColor *>(nullptr, [&]() -> ZdColor * {
    Ref<ZdColor> ref(handle);
    const color::SpaceTag target = spaceNamed("zd_color_convert", space);
    if (target == color::stUnknown) return nullptr;
    return newHandle("zd_color_convert", color::convertCss(cssColorOf(handle), target));
  });
}

ZD_API ZdColor *zd_color_gamut_map(ZdColor *handle, const char *space, int32_t method) {
  if (!Arguments(__func__)
           .notNil(handle, "color")
           .notNil(space, "space")
           .require(method == 0 || method == 1, "method must be 0 or 1 (got %d)",
                    static_cast<int>(method))) {
    return nullptr;
  }
  return guarded<ZdColor *>(nullptr, [&]() -> ZdColor * {
    Ref<ZdColor> ref(handle);
    const color::SpaceTag target = spaceNamed("zd_color_gamut_map", space);
    if (target == color::stUnknown) return nullptr;
    return newHandle(
        "zd_color_gamut_map",
        color::gamutMapCss(cssColorOf(handle), target, static_cast<color::GamutMethod>(method)));
  });
}

ZD_API const char *zd_color_space(ZdColor *handle) {
  if (!Arguments(__func__).notNil(handle, "color")) return nullptr;
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
  if (!Arguments(__func__)
           .notNil(handle, "color")
           .notNil(components, "components")
           .notNil(count, "count")
           .notNil(alpha, "alpha")) {
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
  zd::capi::clearBlockOutputs(out, len);
  if (!Arguments(__func__).notNil(out, "out").notNil(len, "len").notNil(handle, "color")) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdColor> ref(handle);
    return zd::capi::writeString(color::toCss(cssColorOf(handle)), out, len);
  });
}

ZD_API ZdStatus zd_color_mix(ZdColor *a, ZdColor *b, float t, const char *space, int32_t hue_method,
                             ZdColor **out) {
  Arguments arguments(__func__);
  if (!arguments.notNil(out, "out")) return kBadArgument;
  *out = nullptr;
  if (!arguments.notNil(a, "a")
           .notNil(b, "b")
           .notNil(space, "space")
           .finite("t", t)
           .require(t >= 0.0f && t <= 1.0f, "t must be in [0, 1]")
           .require(hue_method >= 0 && hue_method <= 3, "hue_method must be in 0..3 (got %d)",
                    static_cast<int>(hue_method))) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdColor> first(a);
    Ref<ZdColor> second(b);
    const color::SpaceTag target = spaceNamed("zd_color_mix", space);
    if (target == color::stUnknown) return kBadArgument;
    const auto mixed = color::interpolate(cssColorOf(a), cssColorOf(b), t, target,
                                          static_cast<color::HueMethod>(hue_method));
    *out = newHandle("zd_color_mix", mixed);
    return *out == nullptr ? kBadArgument : kOk;
  });
}

ZD_API ZdStatus zd_color_delta_e(ZdColor *a, ZdColor *b, int32_t method, double *out) {
  Arguments arguments(__func__);
  if (!arguments.notNil(out, "out")) return kBadArgument;
  *out = 0.0;
  if (!arguments.notNil(a, "a").notNil(b, "b").require(method >= 0 && method <= 2,
                                                       "method must be in 0..2 (got %d)",
                                                       static_cast<int>(method))) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    Ref<ZdColor> first(a);
    Ref<ZdColor> second(b);
    const auto difference =
        color::deltaE(cssColorOf(a), cssColorOf(b), static_cast<color::DeltaEMethod>(method));
    if (!difference.isOk()) {
      zd::capi::recordColorError("zd_color_delta_e", difference.error());
      return kBadArgument;
    }
    *out = difference.value();
    return kOk;
  });
}

}  // extern "C"
