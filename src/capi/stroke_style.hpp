// Reading a caller's ZdStroke into a stroke style, with the argument checks
// that zd_path_stroke and zd_paint_set_stroke share.
#pragma once

#include "capi/frame.hpp"
#include "path/transform.hpp"
#include "stroke/stroke.hpp"

namespace zd::capi {

// Checks `style` field by field: width, join, cap, miter limit, dash count
// and array, each dash, dash offset. Allocates nothing.
bool validStrokeStyle(const ZdStroke &style);

// The style of a valid ZdStroke, dashes copied (this allocates: call it
// inside the guard).
zd::stroke::Style toStyle(const ZdStroke &style);

// The six floats of a caller's matrix, or false when one is not finite.
bool readMatrix(const float *entries, zd::path::Matrix &out);

}  // namespace zd::capi
