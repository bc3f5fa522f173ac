// Test images for the encoder benchmarks, all RGBA, straight alpha:
//   vectorArt  flat regions with anti-aliased shape edges (what a filled path
//              looks like), on an opaque background;
//   gradient   a smooth two-axis colour ramp;
//   noise      independent random colour bytes, opaque.
// Deterministic, so every run and every peer sees the same bytes.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace zd::bench {

struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes, rows top to bottom
};

enum class ImageKind { vectorArt, gradient, noise };

inline const char *imageKindName(ImageKind kind) {
  switch (kind) {
    case ImageKind::vectorArt: return "vector_art";
    case ImageKind::gradient: return "gradient";
    default: return "noise";
  }
}

namespace detail {

struct Shape {
  // A disc (radius > 0) or an axis-aligned box (radius == 0), with a colour.
  float cx, cy, radius, halfWidth, halfHeight;
  std::uint8_t rgba[4];
};

// Coverage of a pixel centre by a shape from its signed distance to the
// edge: a one-pixel ramp, as an anti-aliased rasterizer gives.
inline float coverage(const Shape &shape, float x, float y) {
  float distance;
  if (shape.radius > 0) {
    distance = std::hypot(x - shape.cx, y - shape.cy) - shape.radius;
  } else {
    distance = std::max(std::fabs(x - shape.cx) - shape.halfWidth,
                        std::fabs(y - shape.cy) - shape.halfHeight);
  }
  return std::clamp(0.5f - distance, 0.0f, 1.0f);
}

inline void blendOver(std::uint8_t *pixel, const std::uint8_t *rgba, float cover) {
  const float alpha = cover * static_cast<float>(rgba[3]) / 255.0f;
  for (int c = 0; c < 3; ++c) {
    const float mixed =
        static_cast<float>(rgba[c]) * alpha + static_cast<float>(pixel[c]) * (1.0f - alpha);
    pixel[c] = static_cast<std::uint8_t>(std::lround(mixed));
  }
}

inline RgbaImage vectorArt(int width, int height) {
  RgbaImage image{width, height,
                  std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<Shape> shapes;
  for (int k = 0; k < 40; ++k) {
    Shape shape{};
    shape.cx = unit(rng) * static_cast<float>(width);
    shape.cy = unit(rng) * static_cast<float>(height);
    if (k % 2 == 0) {
      shape.radius = 20.0f + unit(rng) * static_cast<float>(width) / 6.0f;
    } else {
      shape.halfWidth = 10.0f + unit(rng) * static_cast<float>(width) / 5.0f;
      shape.halfHeight = 10.0f + unit(rng) * static_cast<float>(height) / 5.0f;
    }
    for (int c = 0; c < 3; ++c) shape.rgba[c] = static_cast<std::uint8_t>(rng() % 6 * 51);
    shape.rgba[3] = k % 3 == 0 ? 160 : 255;
    shapes.push_back(shape);
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t *pixel = &image.pixels[(static_cast<std::size_t>(y) * width + x) * 4];
      pixel[0] = 245;
      pixel[1] = 245;
      pixel[2] = 240;
      pixel[3] = 255;
      const float px = static_cast<float>(x) + 0.5f;
      const float py = static_cast<float>(y) + 0.5f;
      for (const Shape &shape : shapes) {
        const float cover = coverage(shape, px, py);
        if (cover > 0.0f) blendOver(pixel, shape.rgba, cover);
      }
    }
  }
  return image;
}

inline RgbaImage gradient(int width, int height) {
  RgbaImage image{width, height,
                  std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t *pixel = &image.pixels[(static_cast<std::size_t>(y) * width + x) * 4];
      const float u = static_cast<float>(x) / static_cast<float>(std::max(width - 1, 1));
      const float v = static_cast<float>(y) / static_cast<float>(std::max(height - 1, 1));
      pixel[0] = static_cast<std::uint8_t>(std::lround(255.0f * u));
      pixel[1] = static_cast<std::uint8_t>(std::lround(255.0f * v));
      pixel[2] =
          static_cast<std::uint8_t>(std::lround(255.0f * (1.0f - u) * (1.0f - v) * 0.8f + 30.0f));
      pixel[3] = 255;
    }
  }
  return image;
}

inline RgbaImage noise(int width, int height) {
  RgbaImage image{width, height,
                  std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
  std::mt19937 rng(99);
  for (std::size_t k = 0; k < image.pixels.size(); k += 4) {
    const std::uint32_t bits = rng();
    image.pixels[k] = static_cast<std::uint8_t>(bits);
    image.pixels[k + 1] = static_cast<std::uint8_t>(bits >> 8);
    image.pixels[k + 2] = static_cast<std::uint8_t>(bits >> 16);
    image.pixels[k + 3] = 255;
  }
  return image;
}

}  // namespace detail

inline RgbaImage makeBenchImage(ImageKind kind, int width = 1024, int height = 1024) {
  switch (kind) {
    case ImageKind::vectorArt: return detail::vectorArt(width, height);
    case ImageKind::gradient: return detail::gradient(width, height);
    default: return detail::noise(width, height);
  }
}

}  // namespace zd::bench
