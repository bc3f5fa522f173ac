// Filling through the cell coverage models: the row painters (one colour
// blended by the row kernels, or a shader's colour per pixel) and the fill
// entry points beside fillPath and fillPathShaded.
#include <string>
#include <vector>

#include "common/errors.hpp"
#include "raster/area.hpp"
#include "raster/flattened.hpp"
#include "raster/kernels.hpp"
#include "raster/pixel_ops.hpp"
#include "raster/scratch.hpp"

namespace zd::raster {

namespace {

// The byte offset of pixel (x, y) for the checked single-pixel operations.
std::int64_t checkedOffset(std::int64_t y, std::int64_t x, std::int64_t width) {
  std::int64_t offset = 0;
  if (__builtin_mul_overflow(y, width, &offset) || __builtin_add_overflow(offset, x, &offset) ||
      __builtin_mul_overflow(offset, std::int64_t{4}, &offset)) {
    throw Defect("fillPath: byte offset of pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                 ") overflows");
  }
  return offset;
}

// The rows of the image that lie wholly inside its pixel buffer.
std::int64_t rowsInBuffer(const Image &image) {
  const auto pixels = static_cast<std::int64_t>(image.data.size() / 4);
  return image.width > 0 ? pixels / image.width : 0;
}

// Paints one colour: source-over or overwrite, through the row kernels for
// rows inside the pixel buffer, by the checked single-pixel operations for
// a buffer shorter than the image (which raise the index error there).
class SolidPainter final : public RowPainter {
 public:
  SolidPainter(Image &image, const Paint &paint, bool overwrite)
      : image_(image),
        paint_(paint),
        overwrite_(overwrite),
        width_(image.width),
        rowsInBuffer_(rowsInBuffer(image)) {}

  void paintCoverage(std::int64_t y, float *coverage, std::int64_t from, std::int64_t to) override {
    if (y >= rowsInBuffer_) return paintChecked(y, coverage, from, to);
    std::uint8_t *row = rowAt(y);
    if (overwrite_) {
      detail::blendRowOverwrite(row, coverage, from, to, paint_);
    } else {
      detail::blendRowOver(row, coverage, from, to, paint_);
    }
  }

  void paintFull(std::int64_t y, std::int64_t from, std::int64_t to) override {
    if (y >= rowsInBuffer_) return paintChecked(y, nullptr, from, to);
    detail::blendRunFull(rowAt(y), from, to, paint_, overwrite_);
  }

 private:
  std::uint8_t *rowAt(std::int64_t y) { return image_.data.data() + y * width_ * 4; }

  // coverage null: every column fully covered.
  void paintChecked(std::int64_t y, const float *coverage, std::int64_t from, std::int64_t to) {
    for (std::int64_t x = from; x < to; ++x) {
      const float c = coverage != nullptr ? coverage[x] : 1.0f;
      if (!(c > 0.0f)) continue;
      const std::int64_t offset = checkedOffset(y, x, width_);
      if (overwrite_) {
        blendOverwrite(image_, offset, c, paint_.red, paint_.green, paint_.blue, paint_.alpha);
      } else {
        blendOver(image_, offset, c, paint_.red, paint_.green, paint_.blue, paint_.alpha);
      }
    }
  }

  Image &image_;
  const Paint paint_;
  const bool overwrite_;
  const std::int64_t width_;
  const std::int64_t rowsInBuffer_;
};

// Paints each pixel with the shader's colour for it, blended as a flat fill
// of that colour blends it; pixels where the shader has no colour keep
// their bytes.
class ShadedPainter final : public RowPainter {
 public:
  ShadedPainter(Image &image, RowShader &shader, bool overwrite)
      : image_(image),
        shader_(shader),
        overwrite_(overwrite),
        width_(image.width),
        rowsInBuffer_(rowsInBuffer(image)) {}

  void paintCoverage(std::int64_t y, float *coverage, std::int64_t from, std::int64_t to) override {
    // Uncovered columns need no colour: shade from the first covered one to
    // the last.
    while (from < to && !(coverage[from] > 0.0f)) ++from;
    while (to > from && !(coverage[to - 1] > 0.0f)) --to;
    if (from < to) paint(y, coverage, from, to);
  }

  void paintFull(std::int64_t y, std::int64_t from, std::int64_t to) override {
    paint(y, nullptr, from, to);
  }

 private:
  // coverage null: every column fully covered.
  void paint(std::int64_t y, const float *coverage, std::int64_t from, std::int64_t to) {
    if (y >= rowsInBuffer_) return paintChecked(y, coverage, from, to);
    const ShadeColor *const *shades = shader_.shade(y, from, to);
    std::uint8_t *row = image_.data.data() + y * width_ * 4;
    for (std::int64_t x = from; x < to; ++x) {
      const float c = coverage != nullptr ? coverage[x] : 1.0f;
      const ShadeColor *shade = shades[x - from];
      if (!(c > 0.0f) || shade == nullptr) continue;
      detail::shadedPixel(row + x * 4, c, *shade, overwrite_);
    }
  }

  void paintChecked(std::int64_t y, const float *coverage, std::int64_t from, std::int64_t to) {
    for (std::int64_t x = from; x < to; ++x) {
      const float c = coverage != nullptr ? coverage[x] : 1.0f;
      if (!(c > 0.0f)) continue;
      const std::int64_t offset = checkedOffset(y, x, width_);
      const ShadeColor *shade = *shader_.shade(y, x, x + 1);
      if (shade == nullptr) continue;
      const Paint &paint = shade->paint;
      if (overwrite_) {
        blendOverwrite(image_, offset, c, paint.red, paint.green, paint.blue, paint.alpha);
      } else {
        blendOver(image_, offset, c, paint.red, paint.green, paint.blue, paint.alpha);
      }
    }
  }

  Image &image_;
  RowShader &shader_;
  const bool overwrite_;
  const std::int64_t width_;
  const std::int64_t rowsInBuffer_;
};

}  // namespace

void fillSegmentsWith(Image &image, std::span<const Segment> segments,
                      const zd::color::Color &color, bool evenOdd, bool overwrite,
                      Antialias model) {
  if (model == Antialias::scanlines)
    return fillSegments(image, segments, color, evenOdd, overwrite);
  // The same rows test and colour mapping as fillSegments, so a fill fails
  // (or not) alike under every model.
  if (rowsToVisit(segments, image.height).empty()) return;
  const Paint paint = paintFromColor(color);
  if (paint.alpha <= 0.0f || image.width <= 0) return;
  SolidPainter painter(image, paint, overwrite);
  coverSegments(segments, image.width, image.height, model, evenOdd, painter);
}

void fillPathWith(Image &image, const zd::path::Path &path, const zd::color::Color &color,
                  bool evenOdd, bool overwrite, float tolerance, Antialias model) {
  if (model == Antialias::scanlines) {
    return fillPath(image, path, color, evenOdd, overwrite, tolerance);
  }
  detail::fillFlattened(path, tolerance, [&](std::span<const Segment> segments) {
    fillSegmentsWith(image, segments, color, evenOdd, overwrite, model);
  });
}

void fillSegmentsShadedWith(Image &image, std::span<const Segment> segments, RowShader &shader,
                            bool evenOdd, bool overwrite, Antialias model) {
  if (model == Antialias::scanlines) {
    return fillSegmentsShaded(image, segments, shader, evenOdd, overwrite);
  }
  if (rowsToVisit(segments, image.height).empty() || image.width <= 0) return;
  ShadedPainter painter(image, shader, overwrite);
  coverSegments(segments, image.width, image.height, model, evenOdd, painter);
}

void fillPathShadedWith(Image &image, const zd::path::Path &path, RowShader &shader, bool evenOdd,
                        bool overwrite, float tolerance, Antialias model) {
  if (model == Antialias::scanlines) {
    return fillPathShaded(image, path, shader, evenOdd, overwrite, tolerance);
  }
  detail::fillFlattened(path, tolerance, [&](std::span<const Segment> segments) {
    fillSegmentsShadedWith(image, segments, shader, evenOdd, overwrite, model);
  });
}

}  // namespace zd::raster
