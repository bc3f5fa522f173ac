// Our fill against an independent renderer: each scene's SVG document (our
// own writer's) rendered by rsvg-convert, compared with our fill of the same
// path. Interior and exterior pixels must agree exactly. Edge pixels differ
// by design (we sample four sub-scanlines per row, which may miss a sliver
// of less than an eighth of a pixel; the peer computes area
// coverage and flattens curves its own way), so there the alpha may differ
// by at most 64 levels (a quarter of full coverage) and on average by at most
// 12, and the colour of pixels that both make at least a quarter opaque by at
// most 8 levels.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "path/pathdata.hpp"
#include "png_peer.hpp"
#include "raster/raster.hpp"
#include "svg/svg.hpp"

namespace {

struct Scene {
  const char *name;
  const char *pathData;
  bool evenOdd;
  float red, green, blue;
};

const Scene kScenes[] = {
    {"triangle", "M10 10 L90 10 L50 80 Z", false, 0.2f, 0.5f, 0.9f},
    {"thin-sliver", "M5 5 L95 12 L5 14 Z", false, 1.0f, 0.0f, 0.0f},
    {"star-nonzero", "M50 5 L78 92 L4 38 L96 38 L22 92 Z", false, 0.9f, 0.6f, 0.1f},
    {"star-evenodd", "M50 5 L78 92 L4 38 L96 38 L22 92 Z", true, 0.4f, 0.1f, 0.6f},
    {"ring-evenodd",
     "M10 50 A40 40 0 0 1 90 50 A40 40 0 0 1 10 50 Z M30 50 A20 20 0 0 0 70 50 A20 20 0 0 0 30 50 Z",
     true, 0.0f, 0.6f, 0.3f},
    {"ring-nonzero-same-way",
     "M10 50 A40 40 0 0 1 90 50 A40 40 0 0 1 10 50 Z M30 50 A20 20 0 0 1 70 50 A20 20 0 0 1 30 50 Z",
     false, 0.5f, 0.2f, 0.2f},
    {"curves", "M10 50 C10 0 90 0 90 50 Q90 95 50 95 T10 50 Z", false, 0.1f, 0.1f, 0.1f},
    {"clipped", "M-20 -10 L120 30 L60 140 Z", false, 0.8f, 0.8f, 0.2f},
    {"self-crossing-nonzero", "M10 10 L90 90 L90 10 L10 90 Z M30 50 L70 20 L70 80 Z", false, 0.3f,
     0.7f, 0.7f},
};

bool havePeer() { return std::system("rsvg-convert --version > /dev/null 2>&1") == 0; }

std::vector<std::uint8_t> readFile(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(RsvgPeer, InteriorsEqualEdgesClose) {
  if (!havePeer()) GTEST_SKIP() << "rsvg-convert is not installed";
  constexpr int kSize = 100;
  char directory[] = "/tmp/zd-rsvg-XXXXXX";
  ASSERT_NE(mkdtemp(directory), nullptr);
  for (const Scene &scene : kScenes) {
    SCOPED_TRACE(scene.name);
    const zd::path::Path path = zd::path::parsePath(scene.pathData);
    const auto color = zd::color::color(zd::color::stSrgb, scene.red, scene.green, scene.blue, 1);
    ASSERT_TRUE(color.isOk());

    zd::raster::Image ours = zd::image::newImage(kSize, kSize, zd::image::csRgba);
    zd::raster::fillPath(ours, path, color.value(), scene.evenOdd, false, 0.1f);

    // The document keeps the fill rule, so the peer leaves the holes we leave.
    const std::string svg = zd::svg::toSvgString(path, color.value(), kSize, kSize, scene.evenOdd);
    const std::string svgFile = std::string(directory) + "/" + scene.name + ".svg";
    const std::string pngFile = std::string(directory) + "/" + scene.name + ".png";
    std::ofstream(svgFile) << svg;
    ASSERT_EQ(std::system(("rsvg-convert -o " + pngFile + " " + svgFile).c_str()), 0);
    const auto peer = zd::testing::decodeWithLibpng(readFile(pngFile));
    ASSERT_TRUE(peer.ok) << peer.error;
    ASSERT_EQ(peer.width, static_cast<std::uint32_t>(kSize));
    ASSERT_EQ(peer.height, static_cast<std::uint32_t>(kSize));
    ASSERT_EQ(peer.colorType, 6);  // 8-bit RGBA

    const auto alphaAt = [&](const auto &bytes, int x, int y) {
      return static_cast<int>(bytes[(y * kSize + x) * 4 + 3]);
    };
    // A pixel is interior (exterior) when the 5 x 5 block around it is fully
    // covered (untouched) in our fill. (A pixel that an edge grazes by less
    // than an eighth of its height can fall between our sample lines, so a
    // single ring of neighbours is not enough.)
    const auto uniform = [&](int x, int y, int alpha) {
      for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= kSize || ny >= kSize) continue;
          if (alphaAt(ours.data, nx, ny) != alpha) return false;
        }
      }
      return true;
    };
    int edgePixels = 0, interiorPixels = 0;
    long alphaDifference = 0;
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const std::uint8_t *a = &ours.data[(y * kSize + x) * 4];
        const std::uint8_t *b = &peer.pixels[(y * kSize + x) * 4];
        if (uniform(x, y, 255)) {
          ++interiorPixels;
          ASSERT_EQ(std::vector<int>(a, a + 4), std::vector<int>(b, b + 4)) << x << "," << y;
        } else if (uniform(x, y, 0)) {
          ASSERT_EQ(b[3], 0) << x << "," << y;
        } else {
          ++edgePixels;
          const int difference = std::abs(a[3] - b[3]);
          alphaDifference += difference;
          EXPECT_LE(difference, 64) << x << "," << y;
          if (a[3] >= 64 && b[3] >= 64) {
            for (int c = 0; c < 3; ++c) EXPECT_LE(std::abs(a[c] - b[c]), 8) << x << "," << y;
          }
        }
      }
    }
    EXPECT_GT(interiorPixels, 20);
    ASSERT_GT(edgePixels, 0);
    EXPECT_LE(static_cast<double>(alphaDifference) / edgePixels, 12.0);
    std::remove(svgFile.c_str());
    std::remove(pngFile.c_str());
  }
  rmdir(directory);
}

}  // namespace
