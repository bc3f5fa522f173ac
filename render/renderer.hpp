// Walks a parsed document and paints it into an image with the library's
// public exports: shapes become paths drawn with a fill and a stroke paint
// under the current transform, groups with opacity are painted into an image
// of their own and blended once, and use elements instantiate their targets.
#pragma once

#include "diagnostics.hpp"
#include "xml_tree.hpp"
#include "zd.h"
#include "zd_render.h"

namespace zdr {

struct RenderFailure {
  std::string message;
  int line = 0;
};

// Renders `document`; nullptr (and `failure`) when it has no usable size or
// the image cannot be had.
ZdImage *renderDocument(const Document &document, const ZdrOptions &options,
                        Diagnostics &diagnostics, RenderFailure &failure);

}  // namespace zdr
