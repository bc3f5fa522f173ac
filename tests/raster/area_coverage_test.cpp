// Exact-area and pixel-centre coverage: held to a polygon-clipping
// reference in double precision, and to the properties a coverage model
// must have (totals, exact insides and outsides, shared edges, rules,
// clipping, extreme sizes); the vector kernel held to the portable one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <vector>

#include "common/errors.hpp"
#include "cpu/cpu.hpp"
#include "srgb_color.hpp"
#include "raster/area.hpp"
#include "raster/area_kernels.hpp"
#include "path/pathdata.hpp"
#include "path/transform.hpp"

namespace {

using zd::raster::Antialias;
using zd::raster::Image;
using zd::raster::Segment;

struct Point {
  double x, y;
};
using Polygon = std::vector<Point>;

std::vector<Segment> segmentsOf(const Polygon &polygon) {
  std::vector<Segment> segments;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point &a = polygon[i];
    const Point &b = polygon[(i + 1) % polygon.size()];
    segments.push_back({static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(b.x),
                        static_cast<float>(b.y)});
  }
  return segments;
}

// Polygons with float vertices, so the reference sees what the filler sees.
Polygon rounded(Polygon polygon) {
  for (Point &p : polygon) p = {static_cast<float>(p.x), static_cast<float>(p.y)};
  return polygon;
}

Polygon rectangle(double x0, double y0, double x1, double y1) {
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

double signedArea(const Polygon &polygon) {
  double twice = 0.0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point &a = polygon[i];
    const Point &b = polygon[(i + 1) % polygon.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return 0.5 * twice;
}

// Sutherland-Hodgman against one half-plane: keeps points with
// inside(p) >= 0, where inside is affine.
template <class Inside>
Polygon clipHalf(const Polygon &polygon, Inside inside) {
  Polygon out;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point &a = polygon[i];
    const Point &b = polygon[(i + 1) % polygon.size()];
    const double da = inside(a), db = inside(b);
    if (da >= 0) out.push_back(a);
    if ((da >= 0) != (db >= 0)) {
      const double t = da / (da - db);
      out.push_back({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
    }
  }
  return out;
}

// The area of a simple polygon inside pixel (x, y).
double pixelArea(const Polygon &polygon, int x, int y) {
  Polygon p = clipHalf(polygon, [&](Point q) { return q.x - x; });
  p = clipHalf(p, [&](Point q) { return x + 1 - q.x; });
  p = clipHalf(p, [&](Point q) { return q.y - y; });
  p = clipHalf(p, [&](Point q) { return y + 1 - q.y; });
  return std::fabs(signedArea(p));
}

// Star-shaped polygons (vertices in angle order around a centre) are simple;
// with equal radii they are convex.
Polygon randomPolygon(std::mt19937 &random, double cx, double cy, double radius, bool convex) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const int count = 3 + static_cast<int>(unit(random) * 10);
  std::vector<double> angles;
  for (int i = 0; i < count; ++i) angles.push_back(unit(random) * 2 * M_PI);
  std::sort(angles.begin(), angles.end());
  Polygon polygon;
  for (double angle : angles) {
    const double r = convex ? radius : radius * (0.2 + 0.8 * unit(random));
    polygon.push_back({cx + r * std::cos(angle), cy + r * std::sin(angle)});
  }
  if (unit(random) < 0.5) std::reverse(polygon.begin(), polygon.end());
  return rounded(polygon);
}

// The coverage handed to the painter, per pixel; full runs as 1.
class Capture final : public zd::raster::RowPainter {
 public:
  Capture(int width, int height)
      : width_(width), coverage_(static_cast<std::size_t>(width) * height, 0.0f) {}
  void paintCoverage(std::int64_t y, float *coverage, std::int64_t from, std::int64_t to) override {
    check(y, from, to);
    for (std::int64_t x = from; x < to; ++x) at(x, y) += coverage[x];
  }
  void paintFull(std::int64_t y, std::int64_t from, std::int64_t to) override {
    check(y, from, to);
    for (std::int64_t x = from; x < to; ++x) at(x, y) += 1.0f;
  }
  float &at(std::int64_t x, std::int64_t y) {
    return coverage_[static_cast<std::size_t>(y * width_ + x)];
  }
  double total() const {
    double sum = 0.0;
    for (float c : coverage_) sum += c;
    return sum;
  }
  const std::vector<float> &values() const { return coverage_; }

 private:
  // Calls come in row order and column order, without overlap.
  void check(std::int64_t y, std::int64_t from, std::int64_t to) {
    ASSERT_TRUE(0 <= from && from < to && to <= width_);
    ASSERT_TRUE(y > lastY_ || (y == lastY_ && from >= lastTo_)) << y << " " << from;
    lastY_ = y;
    lastTo_ = to;
  }
  int width_;
  std::vector<float> coverage_;
  std::int64_t lastY_ = -1, lastTo_ = 0;
};

Capture cover(const std::vector<Segment> &segments, int width, int height,
              Antialias model = Antialias::area, bool evenOdd = false) {
  Capture capture(width, height);
  zd::raster::coverSegments(segments, width, height, model, evenOdd, capture);
  return capture;
}

using zd::raster::testing::srgb;

// Overwriting with opaque white makes each pixel's alpha byte its coverage.
std::vector<int> alphaBytes(const std::vector<Segment> &segments, int width, int height,
                            Antialias model, bool evenOdd = false) {
  Image image = zd::image::newImage(width, height, zd::image::csRgba);
  zd::raster::fillSegmentsWith(image, segments, srgb(1, 1, 1, 1), evenOdd, true, model);
  std::vector<int> alpha;
  for (std::size_t i = 3; i < image.data.size(); i += 4) alpha.push_back(image.data[i]);
  return alpha;
}

TEST(AreaCoverage, RandomPolygonsMatchTheClippedArea) {
  std::mt19937 random(7);
  constexpr int kSize = 40;
  std::uniform_real_distribution<double> place(-4.0, kSize + 4.0);
  std::uniform_real_distribution<double> size(0.3, 25.0);
  double worst = 0.0;
  for (int trial = 0; trial < 120; ++trial) {
    const Polygon polygon =
        randomPolygon(random, place(random), place(random), size(random), trial % 2 == 0);
    const std::vector<int> alpha =
        alphaBytes(segmentsOf(polygon), kSize, kSize, Antialias::area, trial % 3 == 0);
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const double exact = 255.0 * pixelArea(polygon, x, y);
        const int got = alpha[static_cast<std::size_t>(y * kSize + x)];
        worst = std::max(worst, std::fabs(got - exact));
        ASSERT_LE(std::fabs(got - exact), 1.0) << "trial " << trial << " pixel " << x << "," << y;
      }
    }
  }
  // Beyond the byte rounding the error is far below a level.
  EXPECT_LT(worst, 0.6);
}

TEST(AreaCoverage, TotalsInsidesAndOutsides) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 20; ++trial) {
    const Polygon polygon = randomPolygon(random, 100, 80, 70, trial % 2 == 0);
    const Capture capture = cover(segmentsOf(polygon), 200, 160);
    const double area = std::fabs(signedArea(polygon));
    EXPECT_NEAR(capture.total(), area, area * 1e-3);
    // Pixels wholly inside are exactly 1, wholly outside exactly 0.
    for (int y = 0; y < 160; ++y) {
      for (int x = 0; x < 200; ++x) {
        const double exact = pixelArea(polygon, x, y);
        const float got = const_cast<Capture &>(capture).at(x, y);
        if (exact == 1.0) {
          ASSERT_EQ(got, 1.0f) << x << "," << y;
        }
        if (exact == 0.0) {
          ASSERT_EQ(got, 0.0f) << x << "," << y;
        }
      }
    }
  }
}

TEST(AreaCoverage, UncoveredPixelsKeepTheirBytes) {
  Image image = zd::image::newImage(32, 32, zd::image::csRgba);
  for (std::size_t i = 0; i < image.data.size(); ++i)
    image.data[i] = static_cast<std::uint8_t>(i * 7);
  const Image before = image;
  const Polygon triangle = {{5.3, 4.1}, {27.7, 9.9}, {12.2, 26.6}};
  zd::raster::fillSegmentsWith(image, segmentsOf(triangle), srgb(0.2f, 0.9f, 0.4f, 0.6f), false,
                               false, Antialias::area);
  int changed = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const std::size_t at = static_cast<std::size_t>(y * 32 + x) * 4;
      const bool same = std::equal(&image.data[at], &image.data[at] + 4, &before.data[at]);
      if (pixelArea(triangle, x, y) == 0.0) {
        ASSERT_TRUE(same) << x << "," << y;
      }
      changed += !same;
    }
  }
  EXPECT_GT(changed, 100);
}

TEST(AreaCoverage, AbuttingShapesSumToFullAlongTheSharedEdge) {
  // A square cut along a slanted line and along a polyline into two
  // pieces: every pixel inside the square sums to exactly 1.
  const Polygon left = rounded({{3.3, 2.7}, {14.1, 2.7}, {9.6, 8.2}, {17.45, 21.9}, {3.3, 21.9}});
  const Polygon right =
      rounded({{14.1, 2.7}, {30.8, 2.7}, {30.8, 21.9}, {17.45, 21.9}, {9.6, 8.2}});
  Capture a = cover(segmentsOf(left), 34, 26);
  Capture b = cover(segmentsOf(right), 34, 26);
  for (int y = 3; y < 21; ++y) {
    for (int x = 4; x < 30; ++x) ASSERT_EQ(a.at(x, y) + b.at(x, y), 1.0f) << x << "," << y;
  }
  // Drawn in one path the two pieces make the square.
  std::vector<Segment> both = segmentsOf(left);
  const std::vector<Segment> second = segmentsOf(right);
  both.insert(both.end(), second.begin(), second.end());
  Capture whole = cover(both, 34, 26);
  Capture square = cover(segmentsOf(rounded(rectangle(3.3, 2.7, 30.8, 21.9))), 34, 26);
  EXPECT_EQ(whole.values(), square.values());
}

TEST(AreaCoverage, FillRulesOnOverlapsAndCrossings) {
  // Two squares wound the same way: non-zero covers the overlap once, even-
  // odd leaves it empty; wound oppositely, both rules leave it empty.
  std::vector<Segment> same = segmentsOf(rectangle(2, 2, 12, 12));
  const std::vector<Segment> second = segmentsOf(rectangle(6.5, 6.5, 16.5, 16.5));
  same.insert(same.end(), second.begin(), second.end());
  Capture nonZero = cover(same, 20, 20, Antialias::area, false);
  Capture evenOdd = cover(same, 20, 20, Antialias::area, true);
  EXPECT_EQ(nonZero.at(8, 8), 1.0f);
  EXPECT_EQ(evenOdd.at(8, 8), 0.0f);
  EXPECT_EQ(nonZero.at(6, 8), 1.0f);
  EXPECT_EQ(evenOdd.at(6, 8), 0.5f);  // half in the second square's overlap
  EXPECT_EQ(evenOdd.at(3, 3), 1.0f);
  Polygon reversed = rectangle(6.5, 6.5, 16.5, 16.5);
  std::reverse(reversed.begin(), reversed.end());
  std::vector<Segment> opposite = segmentsOf(rectangle(2, 2, 12, 12));
  const std::vector<Segment> back = segmentsOf(reversed);
  opposite.insert(opposite.end(), back.begin(), back.end());
  EXPECT_EQ(cover(opposite, 20, 20).at(8, 8), 0.0f);
  EXPECT_EQ(cover(opposite, 20, 20).at(6, 8), 0.5f);

  // A five-pointed star: the middle is wound twice.
  Polygon star;
  for (int i = 0; i < 5; ++i) {
    const double angle = -M_PI / 2 + i * 4 * M_PI / 5;
    star.push_back({32 + 28 * std::cos(angle), 32 + 28 * std::sin(angle)});
  }
  star = rounded(star);
  EXPECT_EQ(cover(segmentsOf(star), 64, 64, Antialias::area, false).at(32, 32), 1.0f);
  EXPECT_EQ(cover(segmentsOf(star), 64, 64, Antialias::area, true).at(32, 32), 0.0f);
  EXPECT_EQ(cover(segmentsOf(star), 64, 64, Antialias::none, false).at(32, 32), 1.0f);
  EXPECT_EQ(cover(segmentsOf(star), 64, 64, Antialias::none, true).at(32, 32), 0.0f);
}

TEST(AreaCoverage, PixelCentresDecideAliasedCoverage) {
  std::mt19937 random(5);
  for (int trial = 0; trial < 60; ++trial) {
    const Polygon polygon = randomPolygon(random, 20, 20, 18, trial % 2 == 0);
    const bool evenOdd = trial % 4 == 1;
    Capture capture = cover(segmentsOf(polygon), 40, 40, Antialias::none, evenOdd);
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 40; ++x) {
        // Crossings of the centre's row left of the centre, by direction.
        int winding = 0;
        const double cx = x + 0.5, cy = y + 0.5;
        for (std::size_t i = 0; i < polygon.size(); ++i) {
          const Point &a = polygon[i];
          const Point &b = polygon[(i + 1) % polygon.size()];
          if ((a.y <= cy) == (b.y <= cy)) continue;
          const double crossing = a.x + (cy - a.y) / (b.y - a.y) * (b.x - a.x);
          if (crossing < cx) winding += a.y < b.y ? 1 : -1;
        }
        const float expected = (evenOdd ? winding % 2 != 0 : winding != 0) ? 1.0f : 0.0f;
        ASSERT_EQ(capture.at(x, y), expected) << trial << " " << x << "," << y;
      }
    }
  }
  // Shapes sharing an edge through pixel centres share no pixel and leave
  // no gap; a rectangle from 0.5 to 10.5 covers ten columns.
  Capture a = cover(segmentsOf(rectangle(0.5, 0.5, 10.5, 5.5)), 16, 8, Antialias::none);
  Capture b = cover(segmentsOf(rectangle(10.5, 0.5, 14.5, 5.5)), 16, 8, Antialias::none);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool inA = x < 10 && y < 5, inB = x >= 10 && x < 14 && y < 5;
      ASSERT_EQ(a.at(x, y), inA ? 1.0f : 0.0f) << x << "," << y;
      ASSERT_EQ(b.at(x, y), inB ? 1.0f : 0.0f) << x << "," << y;
    }
  }
}

TEST(AreaCoverage, ClippedAtTheBordersLikeTheVisiblePart) {
  std::mt19937 random(3);
  for (int trial = 0; trial < 40; ++trial) {
    // Polygons much larger than the image and around its corners.
    const Polygon polygon = randomPolygon(random, trial % 2 ? -3.0 : 17.0, trial % 3 ? 19.0 : -2.0,
                                          14.0 + trial, trial % 2 == 0);
    Capture capture = cover(segmentsOf(polygon), 16, 16);
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        ASSERT_NEAR(capture.at(x, y), pixelArea(polygon, x, y), 1e-3)
            << trial << " " << x << "," << y;
      }
    }
  }
}

TEST(AreaCoverage, HugeTinyAndHostileShapes) {
  // Far beyond the image on every side: every pixel is inside.
  Capture huge = cover(segmentsOf(rectangle(-1e30, -3e38, 2e37, 1e30)), 9, 7);
  for (float c : huge.values()) ASSERT_EQ(c, 1.0f);
  // A huge triangle whose edge crosses the image: each pixel within a level.
  const Polygon slanted = rounded({{-1e7, -1e7}, {1e7, 1e7 + 3}, {-1e7, 1e7}});
  Capture cut = cover(segmentsOf(slanted), 12, 12);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      ASSERT_NEAR(cut.at(x, y), pixelArea(slanted, x, y), 1.0 / 255) << x << "," << y;
    }
  }
  // A tiny square keeps its area.
  Capture tiny = cover(segmentsOf(rectangle(3.25, 4.5, 3.26, 4.51)), 8, 8);
  EXPECT_NEAR(tiny.total(), 1e-4, 2e-6);
  EXPECT_GT(tiny.at(3, 4), 0.0f);
  // Not-finite segments add nothing and break no chain's closing: the
  // square is whole, and nothing leaks to the right.
  constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  std::vector<Segment> hostile = segmentsOf(rectangle(2, 2, 6, 6));
  hostile.insert(hostile.begin() + 2, Segment{kNan, 3, 7, kInf});
  hostile.push_back({kInf, -kInf, 1, 1});
  Capture square = cover(hostile, 10, 10);
  EXPECT_EQ(square.values(), cover(segmentsOf(rectangle(2, 2, 6, 6)), 10, 10).values());
}

TEST(AreaCoverage, OpenChainsAreClosed) {
  // Three sides of a square, then an unconnected triangle without its last
  // side: each is closed back to its start.
  std::vector<Segment> open = {
      {2, 2, 8, 2}, {8, 2, 8, 8}, {8, 8, 2, 8}, {12, 2, 18, 2}, {18, 2, 18, 8}};
  std::vector<Segment> closed = segmentsOf(rectangle(2, 2, 8, 8));
  const std::vector<Segment> triangle = segmentsOf({{12, 2}, {18, 2}, {18, 8}});
  closed.insert(closed.end(), triangle.begin(), triangle.end());
  EXPECT_EQ(cover(open, 20, 10).values(), cover(closed, 20, 10).values());
}

// An edge wholly left of the image adds to a row by its rows alone (its
// winding, for the sample lines), and one wholly right of it adds nothing:
// moving such edges anywhere beside the image, or replacing them by edges
// just outside it, changes no byte under any model. The shapes reach out
// sideways through horizontal edges, so that the edges crossing into the
// image stay the same.
TEST(AreaCoverage, EdgesBesideTheImageCountOnlyByTheirRows) {
  constexpr int kWidth = 24, kHeight = 20;
  std::mt19937 random(19);
  std::uniform_real_distribution<double> inside(0.0, kWidth), row(-3.0, kHeight + 3.0),
      far(1.0, 1e5), unit(0.0, 1.0);
  for (int trial = 0; trial < 60; ++trial) {
    Polygon sideways, near;
    // A third of the ends on whole and half rows: row tops and centres.
    const auto pickRow = [&] {
      const double y = row(random);
      return unit(random) < 0.33 ? std::round(2.0 * y) / 2.0 : y;
    };
    const auto to = [&](double x, double y, double nearX) {
      sideways.push_back(rounded({{x, y}})[0]);
      near.push_back(rounded({{nearX, y}})[0]);
    };
    double y = pickRow();
    const double start = inside(random);
    to(start, y, start);
    for (int excursion = 0; excursion < 3; ++excursion) {
      const bool left = unit(random) < 0.6;
      const int vertices = 1 + static_cast<int>(unit(random) * 6);
      for (int k = 0; k < vertices; ++k) {
        if (k > 0) y = pickRow();
        to(left ? -far(random) : kWidth + far(random), y, left ? -0.5 : kWidth + 0.5);
      }
      y = pickRow();
      to(left ? -far(random) : kWidth + far(random), y, left ? -0.5 : kWidth + 0.5);
      const double x = inside(random);
      to(x, y, x);
    }
    for (const Antialias model : {Antialias::area, Antialias::none, Antialias::scanlines}) {
      const bool evenOdd = trial % 2 == 1, overwrite = trial % 3 == 0;
      if (model != Antialias::scanlines) {
        EXPECT_EQ(cover(segmentsOf(sideways), kWidth, kHeight, model, evenOdd).values(),
                  cover(segmentsOf(near), kWidth, kHeight, model, evenOdd).values())
            << "trial " << trial;
      }
      Image background = zd::image::newImage(kWidth, kHeight, zd::image::csRgba);
      for (std::size_t i = 0; i < background.data.size(); ++i)
        background.data[i] = static_cast<std::uint8_t>(i * 29 + trial);
      Image a = background, b = background;
      const auto color = srgb(0.9f, 0.3f, 0.1f, 0.7f);
      zd::raster::fillSegmentsWith(a, segmentsOf(sideways), color, evenOdd, overwrite, model);
      zd::raster::fillSegmentsWith(b, segmentsOf(near), color, evenOdd, overwrite, model);
      ASSERT_EQ(a.data, b.data) << "trial " << trial;
      if (model != Antialias::none) {
        EXPECT_NE(a.data, background.data) << "trial " << trial;
      }
    }
  }
}

// Flattened arcs end within rounding of the next segment's start: those
// gaps belong to one outline. Closing there instead added the triangle
// between the outline's start and each gap (an icon with arcs lost most of
// its interior).
TEST(AreaCoverage, RoundingGapsDoNotBreakTheOutline) {
  const Polygon hexagon =
      rounded({{4.3, 2.1}, {17.6, 3.2}, {21.4, 11.9}, {15.2, 19.7}, {5.1, 18.3}, {1.6, 9.4}});
  std::vector<Segment> gapped = segmentsOf(hexagon);
  // Nudge the end of every other segment by a few float steps.
  for (std::size_t i = 0; i < gapped.size(); i += 2) {
    gapped[i].x1 = std::nextafter(std::nextafter(gapped[i].x1, 1e9f), 1e9f);
    gapped[i].y1 = std::nextafter(gapped[i].y1, -1e9f);
  }
  const std::vector<int> exact = alphaBytes(segmentsOf(hexagon), 24, 24, Antialias::area);
  const std::vector<int> nudged = alphaBytes(gapped, 24, 24, Antialias::area);
  for (std::size_t i = 0; i < exact.size(); ++i) ASSERT_LE(std::abs(exact[i] - nudged[i]), 1) << i;

  // The same through a path with arcs, flattened, against the sample lines.
  zd::path::Path path = zd::path::parsePath(
      "m17.82 16.342 5.692-3.287A.98.98 0 0 0 24 12.21V5.635a.98.98 0 0 0-.488-.846l-5.693-3.286"
      "a.98.98 0 0 0-.977 0Z");
  zd::path::transform(path, zd::path::Matrix{4, 0, 0, 4, 0, 0});
  Image area = zd::image::newImage(100, 70, zd::image::csRgba);
  Image lines = zd::image::newImage(100, 70, zd::image::csRgba);
  zd::raster::fillPathWith(area, path, srgb(1, 1, 1, 1), false, true, 0.5f, Antialias::area);
  zd::raster::fillPath(lines, path, srgb(1, 1, 1, 1), false, true, 0.5f);
  double areaTotal = 0.0, linesTotal = 0.0;
  for (std::size_t i = 3; i < area.data.size(); i += 4) {
    areaTotal += area.data[i];
    linesTotal += lines.data[i];
  }
  EXPECT_NEAR(areaTotal / linesTotal, 1.0, 0.005);
}

TEST(AreaCoverage, ModesOverAndOverwrite) {
  Image image = zd::image::newImage(8, 4, zd::image::csRgba);
  for (std::size_t i = 0; i < image.data.size(); i += 4) {
    image.data[i] = 200;
    image.data[i + 3] = 255;
  }
  Image over = image;
  const std::vector<Segment> square = segmentsOf(rectangle(1, 0, 3.5, 4));
  zd::raster::fillSegmentsWith(image, square, srgb(0, 0, 1, 1), false, true, Antialias::area);
  zd::raster::fillSegmentsWith(over, square, srgb(0, 0, 1, 1), false, false, Antialias::area);
  const auto pixel = [](const Image &im, int x) {
    return std::vector<int>(im.data.begin() + x * 4, im.data.begin() + x * 4 + 4);
  };
  EXPECT_EQ(pixel(image, 0), (std::vector<int>{200, 0, 0, 255}));
  EXPECT_EQ(pixel(image, 1), (std::vector<int>{0, 0, 255, 255}));
  // Half covered: overwrite stores the colour at half alpha, source-over
  // mixes it with the red below.
  EXPECT_EQ(pixel(image, 3), (std::vector<int>{0, 0, 255, 128}));
  EXPECT_EQ(pixel(over, 3), (std::vector<int>{100, 0, 128, 255}));
}

// The vector kernel against the portable one, on row lengths around each
// step of its loops, both rules, sums large and negative.
TEST(AreaCoverage, VectorKernelMatchesPortable) {
  using zd::raster::detail::kCellOne;
  const auto vector = zd::raster::detail::resolveCellsKernel();
  std::mt19937_64 random(9);
  std::uniform_int_distribution<std::int64_t> cell(-3 * kCellOne, 3 * kCellOne);
  std::uniform_int_distribution<std::int64_t> start(-(std::int64_t{1} << 44),
                                                    std::int64_t{1} << 44);
  for (int count = 0; count <= 41; ++count) {
    for (int trial = 0; trial < 20; ++trial) {
      std::vector<std::int64_t> cells(static_cast<std::size_t>(count));
      for (std::int64_t &c : cells) c = trial % 3 == 0 ? cell(random) % 4 : cell(random);
      for (bool evenOdd : {false, true}) {
        std::vector<std::int64_t> a = cells, b = cells;
        std::vector<float> ca(cells.size() + 1, -1.0f), cb(cells.size() + 1, -1.0f);
        std::int64_t areaA = trial % 2 ? start(random) : 0;
        std::int64_t areaB = areaA;
        zd::raster::detail::resolveCellsPortable(a.data(), ca.data(), count, areaA, evenOdd);
        vector(b.data(), cb.data(), count, areaB, evenOdd);
        ASSERT_EQ(ca, cb) << count;
        ASSERT_EQ(areaA, areaB);
        ASSERT_EQ(a, std::vector<std::int64_t>(cells.size(), 0));
        ASSERT_EQ(b, a);
        ASSERT_EQ(cb.back(), -1.0f);  // nothing written past the row
      }
    }
  }
}

// Whole fills, vector kernels on and off, byte for byte.
TEST(AreaCoverage, FillsMatchWithoutVectorKernels) {
  std::mt19937 random(21);
  for (int trial = 0; trial < 30; ++trial) {
    std::vector<Segment> segments;
    for (int shape = 0; shape < 6; ++shape) {
      const std::vector<Segment> more =
          segmentsOf(randomPolygon(random, 10 + 7 * shape, 30, 25, false));
      segments.insert(segments.end(), more.begin(), more.end());
    }
    const int width = 57 + trial;  // row lengths across the kernel's steps
    const Antialias model = trial % 4 == 3 ? Antialias::none : Antialias::area;
    std::vector<std::uint8_t> results[2];
    for (int portable = 0; portable < 2; ++portable) {
      zd::cpu::disableForTesting(portable ? zd::cpu::kAllFeatures : 0);
      Image image = zd::image::newImage(width, 61, zd::image::csRgba);
      zd::raster::fillSegmentsWith(image, segments, srgb(0.3f, 0.6f, 0.1f, trial % 2 ? 0.5f : 1.0f),
                                   trial % 3 == 0, trial % 5 == 0, model);
      results[portable].assign(image.data.begin(), image.data.end());
    }
    zd::cpu::disableForTesting(0);
    ASSERT_EQ(results[0], results[1]) << trial;
  }
}

}  // namespace

// Every model refuses what the fill refuses, and only that: the colour is
// mapped only once the path reaches the rows; alpha 0 paints nothing.
TEST(AreaCoverage, RefusalsAreTheFills) {
  zd::color::Color unconvertible = srgb(0.5f, 0.5f, 0.5f, 1);
  unconvertible.space = 999;
  constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
  for (Antialias model : {Antialias::scanlines, Antialias::area, Antialias::none}) {
    Image image = zd::image::newImage(10, 10, zd::image::csRgba);
    for (std::size_t i = 0; i < image.data.size(); ++i)
      image.data[i] = static_cast<std::uint8_t>(i);
    const Image before = image;
    const auto fill = [&](const std::vector<Segment> &segments, const zd::color::Color &color,
                          bool overwrite) {
      zd::raster::fillSegmentsWith(image, segments, color, false, overwrite, model);
    };
    fill(segmentsOf(rectangle(0, 10, 5, 30)), unconvertible, false);
    fill(std::vector<Segment>{{1, kNan, 5, kNan}}, unconvertible, false);
    fill(segmentsOf(rectangle(0, 0, 10, 10)), srgb(1, 1, 1, 0), false);
    fill(segmentsOf(rectangle(0, 0, 10, 10)), srgb(1, 1, 1, 0), true);
    EXPECT_EQ(image.data, before.data);
    try {
      fill(segmentsOf(rectangle(2, 2, 8, 8)), unconvertible, false);
      ADD_FAILURE() << "no error raised";
    } catch (const zd::Error &error) {
      EXPECT_STREQ(error.what(), "fillPath: color cannot be converted to sRGB");
    }
    EXPECT_EQ(image.data, before.data);
  }
}
