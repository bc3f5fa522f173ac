// Filling with a solid colour through the cell coverage models: the row
// painter that blends one colour by the row kernels, and the fill entry
// points beside fillPath.
#include <string>
#include <vector>

#include "common/errors.hpp"
#include "raster/area.hpp"
#include "raster/kernels.hpp"
#include "raster/scratch.hpp"

namespace zd::raster {

namespace {

// Paints one colour: source-over or overwrite, through the row kernels for
// rows inside the pixel buffer, by the checked single-pixel operations for
// a buffer shorter than the image (which raise the index error there).
class SolidPainter final : public RowPainter {
 public:
  SolidPainter(Image &image, const Paint &paint, bool overwrite)
      : image_(image), paint_(paint), overwrite_(overwrite), width_(image.width) {
    const auto pixels = static_cast<std::int64_t>(image.data.size() / 4);
    rowsInBuffer_ = width_ > 0 ? pixels / width_ : 0;
  }

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
      std::int64_t offset = 0;
      if (__builtin_mul_overflow(y, width_, &offset) ||
          __builtin_add_overflow(offset, x, &offset) ||
          __builtin_mul_overflow(offset, std::int64_t{4}, &offset)) {
        throw Defect("fillPath: byte offset of pixel (" + std::to_string(x) + ", " +
                     std::to_string(y) + ") overflows");
      }
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
  std::int64_t rowsInBuffer_ = 0;
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
  thread_local std::vector<Segment> segments;
  struct ReleaseLarge {
    ~ReleaseLarge() { detail::releaseIfLarge(segments); }
  } release;
  zd::geom::flatten(path, tolerance, segments);
  fillSegmentsWith(image, segments, color, evenOdd, overwrite, model);
}

}  // namespace zd::raster
