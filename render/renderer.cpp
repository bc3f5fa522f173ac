#include "renderer.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "gradients.hpp"
#include "paints.hpp"
#include "shapes.hpp"
#include "style.hpp"
#include "values.hpp"

namespace zdr {

namespace {

// Element instances drawn at most unless the options say otherwise: use
// elements can multiply a small file into billions of shapes.
constexpr long kMaxElements = 250000;
// Nested use elements followed at most.
constexpr int kMaxUseDepth = 32;
// Group images alive at once at most; deeper groups with opacity fold it into
// their shapes' colours instead.
constexpr int kMaxGroupImages = 8;

struct ImageDeleter {
  void operator()(ZdImage *image) const { zd_image_free(image); }
};
using ImageHandle = std::unique_ptr<ZdImage, ImageDeleter>;

// Blends `layer` over `target` (both straight-alpha RGBA of one size), its
// alpha scaled by `opacity`: a group's image composited once.
void composite(ZdImage *target, ZdImage *layer, double opacity) {
  uint8_t *to = nullptr, *from = nullptr;
  int64_t toLength = 0, fromLength = 0;
  if (zd_image_pixels(target, &to, &toLength) != ZD_OK ||
      zd_image_pixels(layer, &from, &fromLength) != ZD_OK || toLength != fromLength) {
    return;
  }
  for (int64_t i = 0; i < toLength; i += 4) {
    const double sa = from[i + 3] / 255.0 * opacity;
    if (sa <= 0) continue;
    const double da = to[i + 3] / 255.0;
    const double oa = sa + da * (1 - sa);
    for (int c = 0; c < 3; ++c) {
      const double value = (from[i + c] * sa + to[i + c] * da * (1 - sa)) / oa;
      to[i + c] = static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
    }
    to[i + 3] = static_cast<uint8_t>(std::clamp(std::lround(oa * 255), 0L, 255L));
  }
}

double lengthAttribute(const Element &element, const char *name, const Viewport &viewport,
                       Axis axis, double fallback) {
  const std::string *text = element.attribute(name);
  Length length;
  if (text == nullptr || !parseLength(*text, length)) return fallback;
  return resolve(length, viewport, axis);
}

const std::string *hrefOf(const Element &element) {
  const std::string *href = element.attribute("href");
  return href != nullptr ? href : element.attribute("xlink:href");
}

bool isSilentlySkipped(const std::string &name) {
  static constexpr std::string_view kNames[] = {"defs",           "symbol",   "linearGradient",
                                                "radialGradient", "stop",     "title",
                                                "desc",           "metadata", "style"};
  return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

// The rules of every CSS <style> element of the document.
void collectStyles(const Element &element, StyleSheet &sheet, Diagnostics &diagnostics) {
  if (element.name == "style") {
    const std::string *type = element.attribute("type");
    if (type == nullptr || trim(*type).empty() || trim(*type) == "text/css") {
      sheet.add(element.text, diagnostics, element.line);
    }
    return;
  }
  for (const auto &child : element.children) collectStyles(*child, sheet, diagnostics);
}

StyleSheet styleSheet(const Document &document, Diagnostics &diagnostics) {
  StyleSheet sheet;
  collectStyles(*document.root, sheet, diagnostics);
  return sheet;
}

class Renderer {
 public:
  Renderer(const Document &document, Diagnostics &diagnostics, int width, int height,
           ZdImage *image, long maxElements)
      : document_(document),
        diagnostics_(diagnostics),
        width_(width),
        height_(height),
        target_(image),
        sheet_(styleSheet(document, diagnostics)),
        painter_(document, colors_, diagnostics, sheet_),
        maxElements_(maxElements),
        budget_(maxElements) {}

  void root(const Element &svg, const Matrix &ctm, const Viewport &viewport) {
    const Style style = computeStyle(svg, Style{}, colors_, diagnostics_, &sheet_);
    if (style.displayNone) return;
    withOpacity(style, 1, [&](double alpha) {
      children(svg, style, ctm * style.transform, viewport, alpha);
    });
  }

 private:
  void children(const Element &parent, const Style &style, const Matrix &ctm,
                const Viewport &viewport, double alpha) {
    for (const auto &child : parent.children) element(*child, style, ctm, viewport, alpha);
  }

  bool spend(const Element &element) {
    if (budget_ > 0) {
      --budget_;
      return true;
    }
    diagnostics_.note("drawing stopped after " + std::to_string(maxElements_) + " elements (line " +
                      std::to_string(element.line) + ")");
    return false;
  }

  void element(const Element &element, const Style &parentStyle, const Matrix &ctm,
               const Viewport &viewport, double alpha) {
    const std::string &name = element.name;
    if (name.empty() || isSilentlySkipped(name) || !spend(element)) return;
    const bool known = name == "g" || name == "a" || name == "svg" || name == "use" ||
                       name == "switch" || isShape(name);
    if (!known) {
      diagnostics_.unsupported("element <" + name + ">", element.line);
      return;
    }
    const Style style = computeStyle(element, parentStyle, colors_, diagnostics_, &sheet_);
    if (style.displayNone) return;
    if (isShape(name)) {
      shape(element, style, ctm * style.transform, viewport, alpha);
    } else if (name == "use") {
      use(element, style, ctm, viewport, alpha);
    } else if (name == "svg") {
      withOpacity(style, alpha, [&](double inner) {
        viewportElement(element, element, style, ctm * style.transform, viewport, inner);
      });
    } else if (name == "switch") {
      // The first child this renderer knows is the one shown.
      withOpacity(style, alpha, [&](double inner) {
        for (const auto &child : element.children) {
          if (child->name.empty()) continue;
          this->element(*child, style, ctm * style.transform, viewport, inner);
          break;
        }
      });
    } else {
      withOpacity(style, alpha, [&](double inner) {
        children(element, style, ctm * style.transform, viewport, inner);
      });
    }
  }

  // Runs `body` for an element with `style`: directly when it is opaque,
  // otherwise into an image of its own that is then blended with the
  // element's opacity, so that its parts do not show through each other.
  template <typename Body>
  void withOpacity(const Style &style, double alpha, Body body) {
    if (style.opacity >= 1) {
      body(alpha);
      return;
    }
    if (style.opacity <= 0) return;
    ImageHandle layer;
    if (groupImages_ < kMaxGroupImages) layer.reset(zd_image_new(width_, height_));
    if (!layer) {
      diagnostics_.note("group opacity nested too deep: applied to each shape instead");
      body(alpha * style.opacity);
      return;
    }
    ZdImage *outer = target_;
    target_ = layer.get();
    ++groupImages_;
    body(1.0);
    --groupImages_;
    target_ = outer;
    composite(target_, layer.get(), style.opacity * alpha);
  }

  void shape(const Element &element, const Style &style, const Matrix &ctm,
             const Viewport &viewport, double alpha) {
    if (!style.visible) return;
    PathHandle path;
    const ShapeResult result = shapePath(element, viewport, path);
    if (result == ShapeResult::Failed) {
      diagnostics_.note("<" + element.name + "> on line " + std::to_string(element.line) +
                        " not drawn: its geometry is out of range");
    }
    if (result != ShapeResult::Drawn) return;
    const bool fills = style.fill.kind != PaintKind::None;
    const bool strokes = style.stroke.kind != PaintKind::None &&
                         resolve(style.strokeWidth, viewport, Axis::Diagonal) > 0;
    // One painted part needs no image of its own: its opacity goes into its colour.
    if (style.opacity < 1 && fills != strokes) {
      if (style.opacity <= 0) return;
      alpha *= style.opacity;
    } else if (style.opacity < 1) {
      withOpacity(style, alpha, [&](double inner) {
        Style opaque = style;
        opaque.opacity = 1;
        shape(element, opaque, ctm, viewport, inner);
      });
      return;
    }
    const auto matrix = ctm.floats();
    if (fills) {
      const PathHandle closed = closedForFill(path.get());
      painter_.fill(target_, closed ? closed.get() : path.get(), style, matrix.data(), viewport,
                    alpha, element);
    }
    if (strokes) {
      painter_.stroke(target_, path.get(), style, matrix.data(), viewport, alpha, element);
    }
  }

  // A nested svg, or a symbol shown by a use: a new viewport of the
  // element's size (from `sizing`, the use for a symbol) with its viewBox.
  void viewportElement(const Element &element, const Element &sizing, const Style &style,
                       const Matrix &ctm, const Viewport &viewport, double alpha) {
    const double x = lengthAttribute(sizing, "x", viewport, Axis::X, 0);
    const double y = lengthAttribute(sizing, "y", viewport, Axis::Y, 0);
    const Length full{100, Unit::Percent};
    double width = resolve(full, viewport, Axis::X), height = resolve(full, viewport, Axis::Y);
    width = lengthAttribute(sizing, "width", viewport, Axis::X, width);
    height = lengthAttribute(sizing, "height", viewport, Axis::Y, height);
    if (!(width > 0 && height > 0)) return;
    Matrix matrix = ctm;
    if (&sizing == &element) matrix = matrix * Matrix::translate(x, y);
    Viewport inner{width, height};
    ViewBox box;
    const std::string *boxText = element.attribute("viewBox");
    if (boxText != nullptr && parseViewBox(*boxText, box)) {
      if (!(box.width > 0 && box.height > 0)) return;
      AspectRatio ratio;
      if (const std::string *text = element.attribute("preserveAspectRatio")) {
        parseAspectRatio(*text, ratio);
      }
      matrix = matrix * viewBoxMatrix(box, ratio, width, height);
      inner = {box.width, box.height};
    }
    children(element, style, matrix, inner, alpha);
  }

  void use(const Element &element, const Style &style, const Matrix &ctm, const Viewport &viewport,
           double alpha) {
    const std::string *href = hrefOf(element);
    if (href == nullptr || !href->starts_with("#")) {
      if (href != nullptr) diagnostics_.unsupported("external reference in <use>", element.line);
      return;
    }
    const auto found = document_.ids.find(href->substr(1));
    if (found == document_.ids.end()) return;
    const Element &target = *found->second;
    if (std::find(uses_.begin(), uses_.end(), &target) != uses_.end() ||
        static_cast<int>(uses_.size()) >= kMaxUseDepth || &target == &element) {
      diagnostics_.note("<use> on line " + std::to_string(element.line) +
                        " not drawn: it refers to itself or nests too deep");
      return;
    }
    const double x = lengthAttribute(element, "x", viewport, Axis::X, 0);
    const double y = lengthAttribute(element, "y", viewport, Axis::Y, 0);
    const Matrix matrix = ctm * style.transform * Matrix::translate(x, y);
    uses_.push_back(&target);
    withOpacity(style, alpha, [&](double inner) {
      if (target.name == "symbol" || target.name == "svg") {
        const Style targetStyle = computeStyle(target, style, colors_, diagnostics_, &sheet_);
        if (!targetStyle.displayNone) {
          withOpacity(targetStyle, inner, [&](double innermost) {
            viewportElement(target, element, targetStyle, matrix * targetStyle.transform, viewport,
                            innermost);
          });
        }
      } else {
        this->element(target, style, matrix, viewport, inner);
      }
    });
    uses_.pop_back();
  }

  const Document &document_;
  Diagnostics &diagnostics_;
  ColorParser colors_;
  int width_, height_;
  ZdImage *target_;
  StyleSheet sheet_;
  Painter painter_;
  std::vector<const Element *> uses_;
  long maxElements_;
  long budget_;
  int groupImages_ = 0;
};

// The document's own size in pixels from width, height and viewBox.
bool documentSize(const Element &svg, double &width, double &height, ViewBox &box, bool &hasBox) {
  hasBox = false;
  if (const std::string *text = svg.attribute("viewBox")) {
    hasBox = parseViewBox(*text, box) && box.width > 0 && box.height > 0;
  }
  Length w{100, Unit::Percent}, h{100, Unit::Percent};
  if (const std::string *text = svg.attribute("width")) parseLength(*text, w);
  if (const std::string *text = svg.attribute("height")) parseLength(*text, h);
  // A percentage of no viewport: the view box gives the size, or the
  // other side through its aspect ratio.
  const Viewport none{0, 0};
  width = w.unit == Unit::Percent ? -1 : resolve(w, none, Axis::X);
  height = h.unit == Unit::Percent ? -1 : resolve(h, none, Axis::Y);
  if (hasBox) {
    if (width < 0 && height < 0) {
      width = box.width;
      height = box.height;
    } else if (width < 0) {
      width = height * box.width / box.height;
    } else if (height < 0) {
      height = width * box.height / box.width;
    }
  }
  return std::isfinite(width) && std::isfinite(height) && width > 0 && height > 0;
}

}  // namespace

ZdImage *renderDocument(const Document &document, const ZdrOptions &options,
                        Diagnostics &diagnostics, RenderFailure &failure) {
  const Element &svg = *document.root;
  double docWidth = 0, docHeight = 0;
  ViewBox box;
  bool hasBox = false;
  if (!documentSize(svg, docWidth, docHeight, box, hasBox)) {
    failure = {"the document has no usable size (width, height or viewBox)", svg.line};
    return nullptr;
  }
  double width = docWidth, height = docHeight;
  if (options.width > 0 && options.height > 0) {
    width = options.width;
    height = options.height;
  } else if (options.width > 0) {
    width = options.width;
    height = options.width * docHeight / docWidth;
  } else if (options.height > 0) {
    height = options.height;
    width = options.height * docWidth / docHeight;
  } else if (options.scale > 0 && std::isfinite(options.scale)) {
    width *= options.scale;
    height *= options.scale;
  }
  width = std::max(1.0, std::round(width));
  height = std::max(1.0, std::round(height));
  if (!(width * height <= static_cast<double>(ZDR_MAX_PIXELS))) {
    const double shrink = std::sqrt(static_cast<double>(ZDR_MAX_PIXELS) / (width * height));
    const double cappedWidth = std::max(1.0, std::floor(width * shrink));
    const double cappedHeight = std::max(1.0, std::floor(height * shrink));
    char message[200];
    std::snprintf(message, sizeof message,
                  "the output %.0fx%.0f is over the cap of %ld pixels: rendered at %.0fx%.0f",
                  width, height, static_cast<long>(ZDR_MAX_PIXELS), cappedWidth, cappedHeight);
    diagnostics.note(message);
    width = cappedWidth;
    height = cappedHeight;
  }
  const int pixelsWide = static_cast<int>(width), pixelsHigh = static_cast<int>(height);
  ImageHandle image(zd_image_new(pixelsWide, pixelsHigh));
  if (!image) {
    failure = {"cannot get an image of " + std::to_string(pixelsWide) + "x" +
                   std::to_string(pixelsHigh) + " pixels",
               0};
    return nullptr;
  }
  if (options.background != nullptr) {
    PathHandle all(zd_path_new());
    if (!all ||
        zd_path_rect(all.get(), 1, 0, 0, static_cast<float>(pixelsWide),
                     static_cast<float>(pixelsHigh)) != ZD_OK ||
        zd_fill_path(image.get(), all.get(), options.background, 0, 0, 0) != ZD_OK) {
      failure = {"the background colour cannot be painted", 0};
      return nullptr;
    }
  }
  // The view box (or the document's own size) is mapped onto the output.
  Matrix ctm;
  Viewport viewport{docWidth, docHeight};
  if (hasBox) {
    AspectRatio ratio;
    if (const std::string *text = svg.attribute("preserveAspectRatio")) {
      parseAspectRatio(*text, ratio);
    }
    ctm = viewBoxMatrix(box, ratio, width, height);
    viewport = {box.width, box.height};
  } else {
    ctm = Matrix::scale(width / docWidth, height / docHeight);
  }
  const long maxElements = options.max_elements > 0 ? options.max_elements : kMaxElements;
  Renderer renderer(document, diagnostics, pixelsWide, pixelsHigh, image.get(), maxElements);
  renderer.root(svg, ctm, viewport);
  return image.release();
}

}  // namespace zdr
