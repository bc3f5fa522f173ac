// The filler's own cases: exact coverage at pixel and sample-line borders,
// the two fill rules on overlaps, open subpaths, clipping, the order of the
// vertical test and the colour mapping, and hostile coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "common/errors.hpp"
#include "path/shapes.hpp"
#include "srgb_color.hpp"
#include "raster/raster.hpp"

namespace {

using zd::raster::Image;
using zd::raster::Paint;
using zd::raster::Segment;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

// A closed polygon through the points, as segments.
std::vector<Segment> polygon(std::initializer_list<std::pair<float, float>> points) {
  std::vector<std::pair<float, float>> p(points);
  std::vector<Segment> segments;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const auto &a = p[i];
    const auto &b = p[(i + 1) % p.size()];
    segments.push_back({a.first, a.second, b.first, b.second});
  }
  return segments;
}

std::vector<Segment> rectangle(float x0, float y0, float x1, float y1) {
  return polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

std::vector<Segment> join(std::vector<Segment> a, const std::vector<Segment> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Overwriting with opaque white makes each pixel's alpha byte its coverage.
std::vector<int> coverageBytes(const std::vector<Segment> &segments, int width, int height,
                               bool evenOdd = false) {
  Image image = zd::image::newImage(width, height, zd::image::csRgba);
  zd::raster::paintSegments(image, segments, Paint{1, 1, 1, 1}, evenOdd, true);
  std::vector<int> alpha;
  for (std::size_t i = 3; i < image.data.size(); i += 4) alpha.push_back(image.data[i]);
  return alpha;
}

using zd::raster::testing::srgb;

// A colour in no registered space: mapping it into sRGB fails.
zd::color::Color unconvertible() {
  zd::color::Color c = srgb(0.5f, 0.5f, 0.5f, 1);
  c.space = 999;
  return c;
}

TEST(Fill, SquareOnPixelBordersCoversExactly) {
  Image image = zd::image::newImage(10, 10, zd::image::csRgba);
  zd::raster::fillSegments(image, rectangle(2, 2, 8, 8), srgb(1, 0.5f, 0, 1), false, false);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 8 && y >= 2 && y < 8;
      const std::uint8_t *px = &image.data[(y * 10 + x) * 4];
      const std::vector<int> got(px, px + 4);
      EXPECT_EQ(got, inside ? (std::vector<int>{255, 128, 0, 255}) : std::vector<int>(4, 0))
          << x << "," << y;
    }
  }
}

TEST(Fill, HalfColumnsAndHalfRows) {
  // x 2.5..7.5: the outer columns are half covered.
  auto alpha = coverageBytes(rectangle(2.5f, 2, 7.5f, 8), 10, 10);
  const std::vector<int> row = {0, 0, 128, 255, 255, 255, 255, 128, 0, 0};
  for (int y = 2; y < 8; ++y) {
    EXPECT_EQ(std::vector<int>(alpha.begin() + y * 10, alpha.begin() + y * 10 + 10), row);
  }
  // A horizontal edge at 2.5: row 2 gets the sub-scanlines at 2.625 and 2.875 only.
  alpha = coverageBytes(rectangle(2, 2.5f, 8, 8), 10, 10);
  for (int x = 2; x < 8; ++x) {
    EXPECT_EQ(alpha[2 * 10 + x], 128);
    EXPECT_EQ(alpha[3 * 10 + x], 255);
  }
  // Half-open on sample lines: a top at 2.125 counts that line, a bottom at
  // 7.875 does not.
  alpha = coverageBytes(rectangle(2, 2.125f, 8, 7.875f), 10, 10);
  EXPECT_EQ(alpha[2 * 10 + 4], 255);
  EXPECT_EQ(alpha[7 * 10 + 4], 191);  // 0.75
}

TEST(Fill, OverlapsUnderBothRules) {
  const auto a = rectangle(1, 1, 6, 6);
  const auto sameWay = join(a, rectangle(4, 4, 9, 9));
  const auto otherWay = join(a, polygon({{4, 4}, {4, 9}, {9, 9}, {9, 4}}));
  const int overlap = 5 * 10 + 5, single = 2 * 10 + 2;
  auto alpha = coverageBytes(sameWay, 10, 10, false);
  EXPECT_EQ(alpha[overlap], 255);  // covered once, not twice
  EXPECT_EQ(alpha[single], 255);
  alpha = coverageBytes(sameWay, 10, 10, true);
  EXPECT_EQ(alpha[overlap], 0);
  EXPECT_EQ(alpha[single], 255);
  alpha = coverageBytes(otherWay, 10, 10, false);
  EXPECT_EQ(alpha[overlap], 0);
  EXPECT_EQ(alpha[7 * 10 + 7], 255);
}

TEST(Fill, OpenSubpathPaintsNothingClosedFillsTheTriangle) {
  zd::path::Path open;
  zd::path::moveTo(open, {0, 0});
  zd::path::lineTo(open, {10, 0});
  zd::path::lineTo(open, {10, 10});
  for (const bool evenOdd : {false, true}) {
    Image image = zd::image::newImage(10, 10, zd::image::csRgba);
    zd::raster::fillPath(image, open, srgb(1, 1, 1, 1), evenOdd, false, 0.5f);
    EXPECT_EQ(image.data, std::vector<std::uint8_t>(400, 0));
  }
  zd::path::Path closed = open;
  zd::path::closePath(closed);
  Image image = zd::image::newImage(10, 10, zd::image::csRgba);
  zd::raster::fillPath(image, closed, srgb(1, 1, 1, 1), false, false, 0.5f);
  EXPECT_EQ(image.data[(5 * 10 + 8) * 4 + 3], 255);  // below the diagonal
  EXPECT_EQ(image.data[(8 * 10 + 2) * 4 + 3], 0);    // above it
}

TEST(Fill, ClipsAtEveryBorder) {
  // Reaches past all four sides: every pixel fully covered, nothing else written.
  Image image = zd::image::newImage(6, 4, zd::image::csRgba);
  zd::raster::paintSegments(image, rectangle(-5, -3, 11, 9), Paint{0, 0, 1, 1}, false, false);
  for (std::size_t i = 0; i < image.data.size(); i += 4) {
    EXPECT_EQ(std::vector<int>(image.data.begin() + i, image.data.begin() + i + 4),
              (std::vector<int>{0, 0, 255, 255}));
  }
  // A span ending exactly at x = 3 adds nothing to column 3.
  const auto alpha = coverageBytes(rectangle(-2, 0, 3, 4), 6, 4);
  EXPECT_EQ(alpha[2], 255);
  EXPECT_EQ(alpha[3], 0);
  // addSpan alone: clamping at both ends, NaN ends, reversed spans.
  std::vector<float> coverage(4, 0.0f);
  zd::raster::addSpan(coverage.data(), 4, -1.0f, 1.5f, 0.25f);
  zd::raster::addSpan(coverage.data(), 4, 3.5f, 9.0f, 0.25f);
  zd::raster::addSpan(coverage.data(), 4, 2.0f, 1.0f, 0.25f);
  EXPECT_EQ(coverage, (std::vector<float>{0.25f, 0.125f, 0.0f, 0.125f}));
  zd::raster::addSpan(coverage.data(), 4, kNan, kNan, 1.0f);  // becomes [0, 4]
  EXPECT_EQ(coverage, (std::vector<float>{1.25f, 1.125f, 1.0f, 1.125f}));
}

TEST(Fill, NothingOrUnchangedWithoutAnError) {
  const std::vector<std::uint8_t> pattern = [] {
    std::vector<std::uint8_t> bytes(400);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    return bytes;
  }();
  Image image = zd::image::newImage(10, 10, zd::image::csRgba);
  image.data.assign(pattern.begin(), pattern.end());
  // Wholly above, wholly below, empty: no error even though the colour cannot be mapped.
  zd::raster::fillSegments(image, rectangle(2, -8, 8, -0.5f), unconvertible(), false, false);
  zd::raster::fillSegments(image, rectangle(2, 10.5f, 8, 20), unconvertible(), false, true);
  zd::raster::fillSegments(image, {}, unconvertible(), false, false);
  zd::raster::fillSegments(image, rectangle(0, 10, 5, 30), unconvertible(), false, false);
  // Alpha 0 paints nothing in either mode.
  zd::raster::fillSegments(image, rectangle(0, 0, 10, 10), srgb(1, 1, 1, 0), false, false);
  zd::raster::fillSegments(image, rectangle(0, 0, 10, 10), srgb(1, 1, 1, 0), false, true);
  // Every y NaN: no rows at all.
  zd::raster::fillSegments(image, std::vector<Segment>{{1, kNan, 5, kNan}}, unconvertible(), false,
                           false);
  EXPECT_EQ(image.data, pattern);
  // Reaching the rows, the colour is mapped and its failure is raised, untouched image.
  try {
    zd::raster::fillSegments(image, rectangle(2, 2, 8, 8), unconvertible(), false, false);
    ADD_FAILURE() << "no error raised";
  } catch (const zd::Error &error) {
    EXPECT_STREQ(error.what(), "fillPath: color cannot be converted to sRGB");
  }
  EXPECT_EQ(image.data, pattern);
}

TEST(Fill, OverwriteTouchesOnlyCoveredPixels) {
  Image image = zd::image::newImage(10, 10, zd::image::csRgba);
  std::fill(image.data.begin(), image.data.end(), std::uint8_t{200});
  zd::raster::paintSegments(image, rectangle(2.5f, 2, 5, 6), Paint{0, 1, 0, 0.5f}, false, true);
  const auto pixel = [&](int x, int y) {
    return std::vector<int>(image.data.begin() + (y * 10 + x) * 4,
                            image.data.begin() + (y * 10 + x) * 4 + 4);
  };
  EXPECT_EQ(pixel(3, 3), (std::vector<int>{0, 255, 0, 128}));
  EXPECT_EQ(pixel(2, 3), (std::vector<int>{0, 255, 0, 64}));  // half covered
  EXPECT_EQ(pixel(5, 3), (std::vector<int>(4, 200)));         // the span ends at 5
  EXPECT_EQ(pixel(3, 6), (std::vector<int>(4, 200)));
}

TEST(Fill, VerticalExtent) {
  using zd::raster::rowsToVisit;
  auto rows = rowsToVisit(rectangle(0, 2.5f, 1, 7.25f), 10);
  EXPECT_EQ(rows.first, 2);
  EXPECT_EQ(rows.last, 8);
  rows = rowsToVisit(rectangle(0, -kInf, 1, kInf), 10);
  EXPECT_EQ(rows.first, 0);
  EXPECT_EQ(rows.last, 9);
  rows = rowsToVisit(std::vector<Segment>{{0, kNan, 1, 3}, {0, 5, kNan, kNan}},
                     10);  // NaN passed over
  EXPECT_EQ(rows.first, 3);
  EXPECT_EQ(rows.last, 5);
  EXPECT_TRUE(rowsToVisit(std::vector<Segment>{{0, 10.5f, 1, 12}}, 10).empty());
  // Starting exactly at the bottom edge: the first row would be 10, past the last.
  EXPECT_TRUE(rowsToVisit(std::vector<Segment>{{0, 10, 1, 12}}, 10).empty());
  rows = rowsToVisit(std::vector<Segment>{{0, 9.5f, 1, 12}}, 10);
  EXPECT_EQ(rows.first, 9);
  EXPECT_EQ(rows.last, 9);
  EXPECT_TRUE(rowsToVisit(rectangle(0, 0, 1, 1), 0).empty());
}

// Infinite, NaN and huge coordinates must neither crash nor misbehave
// (under the sanitizers, no out-of-range conversion or access either), and
// the result must not depend on the kernels chosen.
TEST(Fill, HostileCoordinates) {
  const float big = 3e38f;
  const std::vector<std::vector<Segment>> scenes = {
      {{-kInf, 2, kInf, 8}, {kInf, 8, -kInf, 2}},
      {{0, -kInf, 5, 5}, {5, 5, 0, kInf}, {kNan, 1, 3, 9}, {3, 9, kNan, 1}},
      {{-big, -big, big, big}, {big, big, -big, 5}, {-big, 5, -big, -big}},
      join(rectangle(1, 1, 5, 5), {{kNan, kNan, kNan, kNan}, {2, 3, kNan, 7}}),
      {{1e-30f, 0, 1e-30f, 1e30f}, {2e30f, 1e30f, 1e-30f, 0}},
  };
  for (const auto &segments : scenes) {
    for (const bool evenOdd : {false, true}) {
      for (const bool overwrite : {false, true}) {
        Image image = zd::image::newImage(9, 9, zd::image::csRgba);
        EXPECT_NO_THROW(
            zd::raster::paintSegments(image, segments, Paint{1, 0, 0, 0.5f}, evenOdd, overwrite));
      }
    }
  }
  // A normal square beside a NaN segment is still painted where nothing else reaches.
  const auto alpha = coverageBytes(join(rectangle(1, 1, 5, 5), {{kNan, kNan, kNan, kNan}}), 9, 9);
  EXPECT_EQ(alpha[2 * 9 + 2], 255);
  EXPECT_EQ(alpha[7 * 9 + 7], 0);
}

TEST(Fill, ShortPixelBufferRaisesAfterTheRowsThatFit) {
  Image image = zd::image::newImage(4, 4, zd::image::csRgba);
  image.data.resize(4 * 4 * 2 + 6);  // two rows and a pixel and a half
  EXPECT_THROW(
      zd::raster::paintSegments(image, rectangle(0, 0, 4, 4), Paint{1, 1, 1, 1}, false, false),
      zd::Defect);
  for (std::size_t i = 0; i < 36; ++i)
    EXPECT_EQ(image.data[i], 255) << i;  // rows 0, 1, pixel (0, 2)
  EXPECT_EQ(image.data[36], 0);          // blendOver checks the whole pixel first
  // Overwrite stores the bytes that fit before raising.
  image = zd::image::newImage(4, 4, zd::image::csRgba);
  image.data.resize(4 * 4 * 2 + 6);
  EXPECT_THROW(
      zd::raster::paintSegments(image, rectangle(0, 0, 4, 4), Paint{1, 1, 1, 1}, false, true),
      zd::Defect);
  EXPECT_EQ(image.data[37], 255);
}

}  // namespace
