// Fill and stroke paints of shapes: colours (with fill-opacity,
// stroke-opacity and folded group opacity), gradients resolved against the
// shape's bounding box, stroke widths, joins, caps and dashes.
#pragma once

#include <memory>
#include <unordered_map>

#include "diagnostics.hpp"
#include "gradients.hpp"
#include "style.hpp"
#include "xml_tree.hpp"
#include "zd.h"

namespace zdr {

struct PaintDeleter {
  void operator()(ZdPaint *paint) const { zd_paint_free(paint); }
};

class Painter {
 public:
  Painter(const Document &document, ColorParser &colors, Diagnostics &diagnostics,
          const StyleSheet &sheet);

  // Paints the shape's fill (stroke) into `image`; `matrix` maps the path's
  // user space into the image; `alpha` scales the paint's opacity.
  void fill(ZdImage *image, ZdPath *path, const Style &style, const float *matrix,
            const Viewport &viewport, double alpha, const Element &element);
  void stroke(ZdImage *image, ZdPath *path, const Style &style, const float *matrix,
              const Viewport &viewport, double alpha, const Element &element);

 private:
  // Sets the paint's source; false when the paint draws nothing.
  bool source(ZdPaint *paint, const Paint &what, double opacity, const Style &style, ZdPath *path,
              const Viewport &viewport, const Element &element);
  bool gradientSource(ZdPaint *paint, const Element &gradientElement, double opacity, ZdPath *path,
                      const Viewport &viewport);
  bool solid(ZdPaint *paint, Rgba color, double opacity);
  void draw(ZdImage *image, ZdPath *path, ZdPaint *paint, const float *matrix,
            const Element &element);

  const Document &document_;
  ColorParser &colors_;
  Diagnostics &diagnostics_;
  const StyleSheet &sheet_;
  std::unique_ptr<ZdPaint, PaintDeleter> fill_, stroke_;
  std::unordered_map<const Element *, Gradient> gradients_;
};

}  // namespace zdr
