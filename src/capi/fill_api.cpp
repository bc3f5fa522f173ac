// The fill export: one path painted into an image with one colour.
#include "capi/handles.hpp"
#include "raster/raster.hpp"

using zd::capi::Arguments;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;

extern "C" {

ZD_API ZdStatus zd_fill_path(ZdImage *image, ZdPath *path, ZdColor *color, int32_t fill_rule,
                             int32_t mode, float tolerance) {
  // The tolerance is checked before the two switches, as it always was.
  if (!Arguments(__func__)
           .notNil(image, "image")
           .notNil(path, "path")
           .notNil(color, "color")
           .finite("tolerance", tolerance)
           .require(static_cast<uint32_t>(fill_rule) <= 1u, "fill_rule must be 0 or 1 (got %d)",
                    static_cast<int>(fill_rule))
           .require(static_cast<uint32_t>(mode) <= 1u, "mode must be 0 or 1 (got %d)",
                    static_cast<int>(mode))) {
    return kBadArgument;
  }
  const float flatness = tolerance > 0.0f ? tolerance : 0.5f;
  return guarded<ZdStatus>(kBadArgument, [&] {
    // References in argument order; released in reverse (colour, path, image).
    Ref<ZdImage> target(image);
    Ref<ZdPath> shape(path);
    Ref<ZdColor> paint(color);
    const zd::color::Color colorCopy = *paint;
    zd::raster::fillPath(*target, *shape, colorCopy, fill_rule == 1, mode == 1, flatness);
    return kOk;
  });
}

}  // extern "C"
