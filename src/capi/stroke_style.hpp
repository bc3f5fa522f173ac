// Reading a caller's ZdStroke and matrix, with the argument checks that
// zd_path_stroke, zd_path_transform, zd_paint_set_stroke and zd_draw_path
// share.
#pragma once

#include "capi/frame.hpp"
#include "path/transform.hpp"
#include "stroke/stroke.hpp"

namespace zd::capi {

// Checks `style` field by field (width, join, cap, miter limit, dash count
// and array, each dash, dash offset), recording the first problem in
// `arguments`. Allocates nothing. True when every field is good.
bool checkStrokeStyle(Arguments &arguments, const ZdStroke &style) noexcept;

// The style of a checked ZdStroke, dashes copied (this allocates: call it
// inside the guard).
zd::stroke::Style toStyle(const ZdStroke &style);

// Checks that each of the six entries is finite (naming the first that is
// not) and reads them into `out`.
bool readMatrix(Arguments &arguments, const float *entries, zd::path::Matrix &out) noexcept;

}  // namespace zd::capi
