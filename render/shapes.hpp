// The geometry of SVG's shape elements as zd paths, built with the public
// path exports. Each shape starts where SVG says it starts and runs in SVG's
// direction, so dashes fall where other renderers put them.
#pragma once

#include <memory>

#include "values.hpp"
#include "xml_tree.hpp"
#include "zd.h"

namespace zdr {

struct PathDeleter {
  void operator()(ZdPath *path) const { zd_path_free(path); }
};
using PathHandle = std::unique_ptr<ZdPath, PathDeleter>;

enum class ShapeResult { Drawn, Empty, Failed };

// The path of a shape element (path, rect, circle, ellipse, line, polyline,
// polygon) in its user space. Empty for a shape SVG does not render (a zero
// radius, no points); Failed when the library refuses the geometry.
ShapeResult shapePath(const Element &element, const Viewport &viewport, PathHandle &out);

bool isShape(const std::string &name);

// The path to fill for `path`: SVG fills every subpath as if closed, while
// the library fills the segments it is given, so open subpaths get a close
// (with the path made absolute, since a close moves the current point).
// Nullptr when every subpath is closed already: `path` itself is fillable.
PathHandle closedForFill(ZdPath *path);

}  // namespace zdr
