// The handle objects behind the opaque C types. Each module's value sits in
// a Counted record; the C types are distinct structs so a ZdPath* can never
// be passed where a ZdImage* is expected.
#pragma once

#include "capi/frame.hpp"
#include "path/path.hpp"
#include "image/image.hpp"
#include "color/color.hpp"
#include "paint/paint.hpp"

#include <cstdint>

struct ZdPath : zd::capi::Counted<zd::path::Path> {};
struct ZdImage : zd::capi::Counted<zd::image::Image> {};
// Beside its Color a colour handle keeps what CSS text can say beyond it:
// the components written `none` (CssColor::missing bits) and the fourth
// component of a CMYK colour. Handles made by the original exports leave
// both at zero.
struct ZdColor : zd::capi::Counted<zd::color::Color> {
  float fourth = 0.0f;
  std::uint8_t missing = 0;
};
struct ZdPaint : zd::capi::Counted<zd::paint::Paint> {};
