// The fast filler against a plain, literal one: on random scenes (touching
// vertices on sample lines, equal crossings of opposite winding, horizontal
// edges, shapes past every border) both must write the same bytes, under
// both fill rules, both modes, and with the baseline and the vector kernels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "common/errors.hpp"
#include "cpu/cpu.hpp"
#include "raster/kernels.hpp"
#include "raster/raster.hpp"
#include "reference_fill.hpp"

namespace {

using zd::raster::Image;
using zd::raster::Paint;
using zd::raster::Segment;
using zd::raster::testing::referenceFill;

// Coordinates on an eighth grid hit sample lines and pixel borders exactly;
// the rest are arbitrary floats, some well outside the image.
float coordinate(std::mt19937 &random, float low, float high) {
  std::uniform_real_distribution<float> any(low, high);
  switch (random() % 4) {
    case 0: return std::round(any(random) * 8.0f) / 8.0f;
    case 1: return std::round(any(random));
    default: return any(random);
  }
}

// A few closed polygons, some sharing edge positions, some self-crossing.
std::vector<Segment> randomScene(std::mt19937 &random, float width, float height) {
  std::vector<Segment> segments;
  const int polygons = 1 + static_cast<int>(random() % 4);
  for (int p = 0; p < polygons; ++p) {
    const int vertices = 3 + static_cast<int>(random() % 9);
    std::vector<float> xs, ys;
    for (int v = 0; v < vertices; ++v) {
      xs.push_back(coordinate(random, -0.3f * width, 1.3f * width));
      ys.push_back(coordinate(random, -0.3f * height, 1.3f * height));
      if (v > 0 && random() % 5 == 0) ys.back() = ys[v - 1];  // a horizontal edge
      if (v > 0 && random() % 7 == 0) xs.back() = xs[v - 1];  // a vertical edge
    }
    // Sometimes the same polygon twice, once reversed: equal crossings of
    // opposite winding on every line.
    const bool twin = random() % 4 == 0;
    for (int v = 0; v < vertices; ++v) {
      const int w = (v + 1) % vertices;
      segments.push_back({xs[v], ys[v], xs[w], ys[w]});
      if (twin) segments.push_back({xs[w], ys[w], xs[v], ys[v]});
    }
    if (random() % 6 == 0) segments.pop_back();  // an open polygon: odd crossing counts
  }
  return segments;
}

Image randomImage(std::mt19937 &random, std::int64_t width, std::int64_t height) {
  Image image = zd::image::newImage(width, height, zd::image::csRgba);
  for (auto &byte : image.data) byte = static_cast<std::uint8_t>(random() % 4 == 0 ? 0 : random());
  return image;
}

class ReferenceFill : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { zd::cpu::disableForTesting(GetParam() ? zd::cpu::kAllFeatures : 0); }
  void TearDown() override { zd::cpu::disableForTesting(0); }
};

TEST_P(ReferenceFill, RandomScenesMatchByteForByte) {
  std::mt19937 random(20240611);
  const Paint paints[] = {{1.0f, 0.0f, 0.0f, 1.0f},
                          {0.2f, 0.6f, 0.9f, 0.5f},
                          {0.0f, 1.0f, 0.5f, 0.003f},
                          {0.75f, 0.25f, 0.1f, 1.0f}};
  for (int scene = 0; scene < 400; ++scene) {
    const std::int64_t width = 1 + static_cast<std::int64_t>(random() % 70);
    const std::int64_t height = 1 + static_cast<std::int64_t>(random() % 50);
    const auto segments = randomScene(random, float(width), float(height));
    const Image start = randomImage(random, width, height);
    const Paint &paint = paints[scene % 4];
    for (const bool evenOdd : {false, true}) {
      for (const bool overwrite : {false, true}) {
        Image expected = start, actual = start;
        referenceFill(expected, segments, paint, evenOdd, overwrite);
        zd::raster::paintSegments(actual, segments, paint, evenOdd, overwrite);
        ASSERT_EQ(actual.data, expected.data)
            << "scene " << scene << " evenOdd " << evenOdd << " overwrite " << overwrite;
      }
    }
  }
}

// Many edges on the same lines: a comb of thin teeth and a star of long
// crossing edges exercise the sort's fallback and long active lists.
TEST_P(ReferenceFill, DenseScenesMatchByteForByte) {
  std::mt19937 random(7);
  std::vector<Segment> comb;
  for (int k = 0; k < 300; ++k) {
    const float x = 0.37f * float(k);
    comb.push_back({x, 1.0f, x + 0.1f, 60.5f});
    comb.push_back({x + 0.2f, 60.5f, x + 0.15f, 1.0f});
  }
  std::vector<Segment> star;
  for (int k = 0; k < 501; ++k) {
    const float a = float(k) * 2.0f * 3.14159265f * 250.0f / 501.0f;
    const float b = float(k + 1) * 2.0f * 3.14159265f * 250.0f / 501.0f;
    star.push_back({60 + 58 * std::cos(a), 60 + 58 * std::sin(a), 60 + 58 * std::cos(b),
                    60 + 58 * std::sin(b)});
  }
  for (const auto *segments : {&comb, &star}) {
    const Image start = randomImage(random, 120, 120);
    for (const bool evenOdd : {false, true}) {
      Image expected = start, actual = start;
      referenceFill(expected, *segments, {0.3f, 0.4f, 0.5f, 0.7f}, evenOdd, false);
      zd::raster::paintSegments(actual, *segments, {0.3f, 0.4f, 0.5f, 0.7f}, evenOdd, false);
      ASSERT_EQ(actual.data, expected.data) << "evenOdd " << evenOdd;
    }
  }
}

// Large shapes on wide images: rows whose columns are covered whole on all
// four lines (painted as runs, short ones blended with their neighbours),
// over an image of uniform patches (the vector kernels reuse results for
// equal pixels) and random bytes, for opaque, translucent and overwrite
// paints, with a NaN crossing in some rows (no whole-column shortcut there).
TEST_P(ReferenceFill, LargeShapesWithWholeColumnRunsMatchByteForByte) {
  std::mt19937 random(99);
  const Paint paints[] = {
      {0.9f, 0.1f, 0.3f, 1.0f}, {0.2f, 0.6f, 0.9f, 0.5f}, {0.4f, 0.4f, 0.1f, 0.8f}};
  for (int scene = 0; scene < 60; ++scene) {
    const std::int64_t width = 64 + static_cast<std::int64_t>(random() % 400);
    const std::int64_t height = 8 + static_cast<std::int64_t>(random() % 40);
    std::vector<Segment> segments;
    const int shapes = 1 + static_cast<int>(random() % 3);
    for (int k = 0; k < shapes; ++k) {
      const auto more = randomScene(random, float(width), float(height));
      segments.insert(segments.end(), more.begin(), more.end());
    }
    // A big rectangle, so that long runs are certain.
    const float x0 = coordinate(random, -10.0f, float(width) / 3);
    const float x1 = coordinate(random, float(width) * 2 / 3, float(width) + 10);
    const float y0 = coordinate(random, -2.0f, float(height) / 3);
    const float y1 = coordinate(random, float(height) * 2 / 3, float(height) + 2);
    segments.push_back({x0, y0, x0, y1});
    segments.push_back({x1, y1, x1, y0});
    if (scene % 5 == 0) {
      // Two NaN crossings of opposite winding make a span over the whole row.
      segments.push_back({std::nanf(""), 0.0f, 3.0f, float(height) / 2});
      segments.push_back({std::nanf(""), float(height) / 2, 5.0f, 0.0f});
    }
    Image start = zd::image::newImage(width, height, zd::image::csRgba);
    for (std::size_t i = 0; i < start.data.size(); i += 4) {
      const std::uint32_t patch = (i / 4 / 16) % 3 == 0 ? random() : 0x80402010u * (i / 4 / 96);
      for (int c = 0; c < 4; ++c) start.data[i + c] = static_cast<std::uint8_t>(patch >> (8 * c));
    }
    const Paint &paint = paints[scene % 3];
    for (const bool evenOdd : {false, true}) {
      for (const bool overwrite : {false, true}) {
        Image expected = start, actual = start;
        referenceFill(expected, segments, paint, evenOdd, overwrite);
        zd::raster::paintSegments(actual, segments, paint, evenOdd, overwrite);
        ASSERT_EQ(actual.data, expected.data)
            << "scene " << scene << " evenOdd " << evenOdd << " overwrite " << overwrite;
      }
    }
  }
}

// Hundreds of edges active at once while more join on almost every line:
// long edges whose tops are spread down the image, some on the grid (equal
// crossings, ties by segment order), some doubled in reverse. (No NaN here:
// the reference's plain x comparison cannot order many NaN crossings.)
TEST_P(ReferenceFill, LongActiveListsWithJoiningEdgesMatchByteForByte) {
  std::mt19937 random(31);
  for (int scene = 0; scene < 6; ++scene) {
    const std::int64_t width = 90 + static_cast<std::int64_t>(random() % 200);
    const std::int64_t height = 40 + static_cast<std::int64_t>(random() % 40);
    std::vector<Segment> segments;
    for (int k = 0; k < 700; ++k) {
      const float top = coordinate(random, -2.0f, float(height) * 0.8f);
      const float bottom = coordinate(random, top + 1.0f, float(height) + 3.0f);
      const float x0 = coordinate(random, -5.0f, float(width) + 5.0f);
      const float x1 = coordinate(random, -5.0f, float(width) + 5.0f);
      if (random() % 2 == 0) {
        segments.push_back({x0, top, x1, bottom});
      } else {
        segments.push_back({x1, bottom, x0, top});
      }
      if (k % 9 == 0) segments.push_back({x1, bottom, x0, top});
    }
    const Image start = randomImage(random, width, height);
    const Paint paint{0.6f, 0.3f, 0.8f, scene % 2 == 0 ? 1.0f : 0.6f};
    for (const bool evenOdd : {false, true}) {
      Image expected = start, actual = start;
      referenceFill(expected, segments, paint, evenOdd, false);
      zd::raster::paintSegments(actual, segments, paint, evenOdd, false);
      ASSERT_EQ(actual.data, expected.data) << "scene " << scene << " evenOdd " << evenOdd;
    }
  }
}

// Finely divided outlines: far more edges than sample lines, most of them
// short, many starting, ending or lying wholly between two lines, with ends
// on the lines themselves and a sixteenth either side (snapped to a 1/16
// grid), some reaching past the top and the left of the image.
TEST_P(ReferenceFill, ManyShortEdgesMatchByteForByte) {
  std::mt19937 random(1606);
  for (int scene = 0; scene < 8; ++scene) {
    const std::int64_t width = 30 + static_cast<std::int64_t>(random() % 40);
    const std::int64_t height = 20 + static_cast<std::int64_t>(random() % 40);
    std::vector<Segment> segments;
    const int outlines = 1 + scene % 3;
    for (int k = 0; k < outlines; ++k) {
      const float cx = coordinate(random, -5.0f, float(width) + 5.0f);
      const float cy = coordinate(random, -3.0f, float(height));
      const float radius = coordinate(random, 3.0f, float(height));
      const float noise = scene % 2 == 0 ? 0.05f : 1.5f;
      const int vertices = 600 + static_cast<int>(random() % 1500);
      std::uniform_real_distribution<float> jitter(-noise, noise);
      std::vector<float> xs, ys;
      for (int v = 0; v < vertices; ++v) {
        const float a = float(v) * 6.2831853f / float(vertices);
        float x = cx + (radius + jitter(random)) * std::cos(a);
        float y = cy + (radius + jitter(random)) * std::sin(a);
        if (random() % 3 == 0) y = std::round(y * 16.0f) / 16.0f;
        if (random() % 5 == 0) x = std::round(x * 16.0f) / 16.0f;
        xs.push_back(x);
        ys.push_back(y);
      }
      for (int v = 0; v < vertices; ++v) {
        const int w = (v + 1) % vertices;
        segments.push_back({xs[v], ys[v], xs[w], ys[w]});
      }
    }
    const Image start = randomImage(random, width, height);
    const Paint paint{0.1f, 0.7f, 0.4f, scene % 4 == 0 ? 1.0f : 0.7f};
    for (const bool evenOdd : {false, true}) {
      Image expected = start, actual = start;
      referenceFill(expected, segments, paint, evenOdd, false);
      zd::raster::paintSegments(actual, segments, paint, evenOdd, false);
      ASSERT_EQ(actual.data, expected.data) << "scene " << scene << " evenOdd " << evenOdd;
    }
  }
}

// Rows whose spans leave wide untouched gaps (the hollow of even-odd rings,
// separate shapes side by side) are painted stretch by stretch: rings
// within rings, a narrow shape inside a wide one on some sample lines only,
// and shapes at random distances (some just under and over the gap that is
// stepped over, some touching the right border), on uniform and random
// pixels, for every paint kind and both rules.
TEST_P(ReferenceFill, RowsWithWideGapsMatchByteForByte) {
  std::mt19937 random(4242);
  const Paint paints[] = {
      {0.9f, 0.1f, 0.3f, 1.0f}, {0.2f, 0.6f, 0.9f, 0.5f}, {0.4f, 0.4f, 0.1f, 0.8f}};
  const auto polygon = [](std::vector<Segment> &out, float cx, float cy, float r, int sides,
                          float turn) {
    for (int k = 0; k < sides; ++k) {
      const float a = turn + float(k) * 6.2831853f / float(sides);
      const float b = turn + float(k + 1) * 6.2831853f / float(sides);
      out.push_back(
          {cx + r * std::cos(a), cy + r * std::sin(a), cx + r * std::cos(b), cy + r * std::sin(b)});
    }
  };
  for (int scene = 0; scene < 40; ++scene) {
    const std::int64_t width = 150 + static_cast<std::int64_t>(random() % 500);
    const std::int64_t height = 20 + static_cast<std::int64_t>(random() % 60);
    std::vector<Segment> segments;
    const float cy = float(height) / 2;
    // Rings: concentric polygons whose even-odd hollows are wide.
    const float outer = coordinate(random, 0.4f * float(height), 0.7f * float(height));
    for (float r = outer; r > 2.0f; r -= coordinate(random, 3.0f, 40.0f)) {
      polygon(segments, coordinate(random, 0.0f, float(width)), cy, r, 5 + int(random() % 40),
              coordinate(random, 0.0f, 1.0f));
    }
    // A row of small shapes at gaps around the one stepped over.
    float x = coordinate(random, -5.0f, 10.0f);
    while (x < float(width) + 5.0f) {
      const float size = coordinate(random, 0.3f, 12.0f);
      polygon(segments, x, coordinate(random, 0.0f, float(height)), size, 3 + int(random() % 5),
              coordinate(random, 0.0f, 1.0f));
      x += 2 * size + coordinate(random, 20.0f, 45.0f);
    }
    // A wide bar and, on the same rows, a shorter one starting later that
    // reaches only some sample lines: spans of one line inside another's.
    const float barTop = coordinate(random, 0.0f, float(height) - 2);
    const float barLeft = coordinate(random, -3.0f, float(width) / 2);
    const float barRight = coordinate(random, barLeft + 80.0f, float(width) + 3);
    segments.push_back({barLeft, barTop, barLeft, barTop + 1.6f});
    segments.push_back({barRight, barTop + 1.6f, barRight, barTop});
    segments.push_back({barLeft + 40, barTop + 0.3f, barLeft + 40, barTop + 0.55f});
    segments.push_back({barLeft + 50, barTop + 0.55f, barLeft + 50, barTop + 0.3f});
    Image start = zd::image::newImage(width, height, zd::image::csRgba);
    for (std::size_t i = 0; i < start.data.size(); i += 4) {
      const std::uint32_t patch = (i / 4 / 40) % 2 == 0 ? random() : 0x20406080u;
      for (int c = 0; c < 4; ++c) start.data[i + c] = static_cast<std::uint8_t>(patch >> (8 * c));
    }
    const Paint &paint = paints[scene % 3];
    for (const bool evenOdd : {false, true}) {
      for (const bool overwrite : {false, true}) {
        Image expected = start, actual = start;
        referenceFill(expected, segments, paint, evenOdd, overwrite);
        zd::raster::paintSegments(actual, segments, paint, evenOdd, overwrite);
        ASSERT_EQ(actual.data, expected.data)
            << "scene " << scene << " evenOdd " << evenOdd << " overwrite " << overwrite;
      }
    }
  }
}

// A fill stopped by an index error leaves sums in its working row; the
// next fills (narrower and wider images) must not see them.
TEST_P(ReferenceFill, FillAfterAnIndexErrorStartsClean) {
  const std::vector<Segment> square = {{1.5f, 0.5f, 1.5f, 7.5f},
                                       {1.5f, 7.5f, 30.25f, 7.5f},
                                       {30.25f, 7.5f, 30.25f, 0.5f},
                                       {30.25f, 0.5f, 1.5f, 0.5f}};
  const Paint paint{0.3f, 0.4f, 0.5f, 0.7f};
  Image broken = zd::image::newImage(40, 8, zd::image::csRgba);
  broken.data.resize(40 * 4 * 3 + 10);
  EXPECT_THROW(zd::raster::paintSegments(broken, square, paint, false, false), zd::Defect);
  for (const std::int64_t width : {20, 40, 90}) {
    Image expected = zd::image::newImage(width, 8, zd::image::csRgba), actual = expected;
    referenceFill(expected, square, paint, false, false);
    zd::raster::paintSegments(actual, square, paint, false, false);
    ASSERT_EQ(actual.data, expected.data) << "width " << width;
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, ReferenceFill, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Baseline" : "Detected"; });

}  // namespace
