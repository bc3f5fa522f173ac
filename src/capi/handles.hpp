// The handle objects behind the opaque C types. Each module's value sits in
// a Counted record; the C types are distinct structs so a ZdPath* can never
// be passed where a ZdImage* is expected.
#pragma once

#include "capi/frame.hpp"
#include "path/path.hpp"
#include "image/image.hpp"
#include "color/color.hpp"
#include "paint/paint.hpp"

struct ZdPath : zd::capi::Counted<zd::path::Path> {};
struct ZdImage : zd::capi::Counted<zd::image::Image> {};
struct ZdColor : zd::capi::Counted<zd::color::Color> {};
struct ZdPaint : zd::capi::Counted<zd::paint::Paint> {};
