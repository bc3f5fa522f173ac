// The paint's coverage model: sample lines, exact area, or pixel centres.
#include "capi/handles.hpp"

using zd::capi::Arguments;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;

extern "C" {

ZD_API ZdStatus zd_paint_set_antialias(ZdPaint *paint, int32_t antialias) {
  if (!Arguments(__func__)
           .notNil(paint, "paint")
           .require(static_cast<uint32_t>(antialias) <= 2u,
                    "antialias must be ZD_AA_SCANLINES, ZD_AA_AREA or ZD_AA_NONE (0, 1 or 2, got "
                    "%d)",
                    static_cast<int>(antialias))) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(
      kBadArgument,
      [&] {
        Ref<ZdPaint> ref(paint);
        ref->antialias = static_cast<zd::paint::Antialias>(antialias);
        return kOk;
      },
      __func__);
}

}  // extern "C"
