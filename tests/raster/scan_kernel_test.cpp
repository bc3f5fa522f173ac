// The pass that carries the active list from one sample line to the next,
// in its portable and vector builds, against a plain model: the kept edges
// with their new crossings, the entering ones merged in, and, when that list
// is in crossing order, exactly the spans the fill rule makes of the sorted
// crossings. Lists of 0 to 70 edges and longer, in place and into a second
// buffer, with ties, edges that end on the line, and NaN crossings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "cpu/cpu.hpp"
#include "raster/edge_order.hpp"
#include "raster/scan_kernels.hpp"

namespace {

using zd::raster::detail::crossesBefore;
using zd::raster::detail::Edge;
using zd::raster::detail::LineSpans;
using zd::raster::detail::ScanKernels;
using zd::raster::detail::Span;

constexpr float kLimit = 40.0f;

// Edges near each other (so crossings often tie or pass each other), some
// ending above the line, a few vertical or with a NaN coordinate.
Edge randomEdge(std::mt19937 &random, std::uint32_t index, float sy) {
  std::uniform_real_distribution<float> any(-5.0f, kLimit + 5.0f);
  const auto grid = [&] { return std::round(any(random) * 4.0f) / 4.0f; };
  const float xa = random() % 2 == 0 ? grid() : any(random);
  const float xb = random() % 5 == 0 ? xa : xa + grid() * 0.2f;
  const float top = sy - 1.0f - static_cast<float>(random() % 3);
  // A bottom on the line itself: the edge has ended there.
  const float bottom = sy + (random() % 6 == 0 ? 0.0f : 0.5f + static_cast<float>(random() % 4));
  const bool down = random() % 2 == 0;
  Edge e{};
  e.x0 = down ? xa : xb;
  e.y0 = down ? top : bottom;
  e.dx = (down ? xb : xa) - e.x0;
  e.dy = (down ? bottom : top) - e.y0;
  e.hi = bottom;
  e.winding = down ? 1 : -1;
  e.index = index;
  if (random() % 40 == 0) e.x0 = std::numeric_limits<float>::quiet_NaN();
  return e;
}

float crossing(const Edge &e, float sy) { return std::fmaf(e.dx, (sy - e.y0) / e.dy, e.x0); }

// The spans of crossings in order, by the fill rule, clamped to [0, limit].
std::vector<Span> plainSpans(const std::vector<Edge> &sorted, bool evenOdd) {
  std::vector<Span> spans;
  const auto push = [&](float x0, float x1) {
    const float a = x0 >= 0.0f ? x0 : 0.0f;
    const float b = x1 <= kLimit ? x1 : kLimit;
    if (b > a) spans.push_back({a, b});
  };
  std::int64_t winding = 0;
  float start = 0.0f;
  for (std::size_t k = 0; k < sorted.size(); ++k) {
    if (evenOdd) {
      if (k % 2 == 1) push(sorted[k - 1].x, sorted[k].x);
      continue;
    }
    if (winding == 0) {
      start = sorted[k].x;
      winding = sorted[k].winding;
    } else {
      winding += sorted[k].winding;
      if (winding == 0) push(start, sorted[k].x);
    }
  }
  return spans;
}

struct PassResult {
  std::vector<Edge> out;  // with every crossing filled in
  std::vector<Span> spans;
  bool inOrder;
  float lastX;
};

PassResult runPass(const ScanKernels &kernels, std::vector<Edge> active,
                   const std::vector<Edge> &entering, float sy, bool evenOdd) {
  const std::size_t total = active.size() + entering.size();
  std::vector<Span> room(total / 2 + 1);
  LineSpans line{room.data(), 0, kLimit, evenOdd, true, 0.0f};
  std::vector<Edge> out;
  std::size_t written = 0;
  if (entering.empty()) {
    written = kernels.advance(active.data(), active.size(), nullptr, 0, active.data(), sy, line);
    out.assign(active.begin(), active.begin() + static_cast<std::ptrdiff_t>(written));
    for (Edge &e : out) e.x = crossing(e, sy);  // edges left in place keep a stale x
  } else {
    out.resize(total);
    written = kernels.advance(active.data(), active.size(), entering.data(), entering.size(),
                              out.data(), sy, line);
    out.resize(written);
  }
  return {out,
          std::vector<Span>(room.begin(), room.begin() + static_cast<std::ptrdiff_t>(line.count)),
          line.inOrder, line.lastX};
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Two arrays of plain records hold the same bytes (an empty one has no data
// pointer to compare).
template <class T>
bool sameBytes(const std::vector<T> &a, const std::vector<T> &b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

class ScanKernel : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { zd::cpu::disableForTesting(GetParam() ? zd::cpu::kAllFeatures : 0); }
  void TearDown() override { zd::cpu::disableForTesting(0); }
};

TEST_P(ScanKernel, AdvanceKeepsMergesAndMakesTheSpansOfTheSortedLine) {
  std::mt19937 random(31);
  const ScanKernels kernels = zd::raster::detail::scanKernels();
  int linesInOrder = 0, linesOutOfOrder = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    const float sy = 10.0f + 0.25f * static_cast<float>(random() % 16) + 0.125f;
    const std::size_t activeCount = trial % 3 == 0 ? random() % 300 : random() % 71;
    const std::size_t enteringCount = random() % 3 == 0 ? random() % 20 : 0;
    std::uint32_t index = 0;
    std::vector<Edge> active, entering;
    for (std::size_t k = 0; k < activeCount; ++k) active.push_back(randomEdge(random, index++, sy));
    for (std::size_t k = 0; k < enteringCount; ++k) {
      entering.push_back(randomEdge(random, index++, sy));
      entering.back().x = crossing(entering.back(), sy);
    }
    std::sort(entering.begin(), entering.end(),
              [](const Edge &a, const Edge &b) { return crossesBefore(a, b); });
    // The previous line's order: usually by x on that line, sometimes not.
    for (Edge &e : active) e.x = crossing(e, sy - 0.25f);
    if (random() % 4 != 0) {
      std::stable_sort(active.begin(), active.end(),
                       [](const Edge &a, const Edge &b) { return crossesBefore(a, b); });
    }
    const bool evenOdd = random() % 2 == 0;
    const PassResult got = runPass(kernels, active, entering, sy, evenOdd);

    // The model: kept edges with their crossing, entering ones, all sorted.
    std::vector<Edge> expected;
    for (Edge e : active) {
      if (!(sy < e.hi)) continue;
      e.x = crossing(e, sy);
      expected.push_back(e);
    }
    expected.insert(expected.end(), entering.begin(), entering.end());
    std::vector<Edge> sorted = expected;
    std::sort(sorted.begin(), sorted.end(),
              [](const Edge &a, const Edge &b) { return crossesBefore(a, b); });
    std::vector<Edge> gotSorted = got.out;
    std::sort(gotSorted.begin(), gotSorted.end(),
              [](const Edge &a, const Edge &b) { return crossesBefore(a, b); });
    ASSERT_EQ(gotSorted.size(), sorted.size()) << "trial " << trial;
    for (std::size_t k = 0; k < sorted.size(); ++k) {
      ASSERT_EQ(gotSorted[k].index, sorted[k].index) << "trial " << trial << " at " << k;
      ASSERT_TRUE(sameBits(gotSorted[k].x, sorted[k].x)) << "trial " << trial << " at " << k;
    }
    const bool outInOrder =
        std::is_sorted(got.out.begin(), got.out.end(),
                       [](const Edge &a, const Edge &b) { return crossesBefore(a, b); });
    ASSERT_EQ(got.inOrder, outInOrder) << "trial " << trial;
    if (!got.inOrder) {
      ++linesOutOfOrder;
      continue;
    }
    ++linesInOrder;
    const std::vector<Span> spans = plainSpans(sorted, evenOdd);
    ASSERT_EQ(got.spans.size(), spans.size()) << "trial " << trial;
    for (std::size_t k = 0; k < spans.size(); ++k) {
      ASSERT_TRUE(sameBits(got.spans[k].a, spans[k].a) && sameBits(got.spans[k].b, spans[k].b))
          << "trial " << trial << " span " << k;
    }
    const float last = sorted.empty() ? -std::numeric_limits<float>::infinity() : sorted.back().x;
    ASSERT_TRUE(sameBits(got.lastX, last)) << "trial " << trial;
  }
  // Both outcomes of the order check were met.
  EXPECT_GT(linesInOrder, 300);
  EXPECT_GT(linesOutOfOrder, 300);
}

// The portable and vector builds write the same edges, spans and flags.
TEST(ScanKernelBuilds, PortableAndVectorPassesAgree) {
  if (!zd::cpu::useAvx2()) GTEST_SKIP() << "no vector build on this machine";
  std::mt19937 random(77);
  for (int trial = 0; trial < 2000; ++trial) {
    const float sy = 3.375f;
    std::vector<Edge> active, entering;
    std::uint32_t index = 0;
    const std::size_t activeCount = random() % 71;
    for (std::size_t k = 0; k < activeCount; ++k) active.push_back(randomEdge(random, index++, sy));
    for (Edge &e : active) e.x = crossing(e, sy - 0.25f);
    if (random() % 2 == 0) {
      for (std::size_t k = random() % 9; k > 0; --k) {
        entering.push_back(randomEdge(random, index++, sy));
        entering.back().x = crossing(entering.back(), sy);
      }
      std::sort(entering.begin(), entering.end(),
                [](const Edge &a, const Edge &b) { return crossesBefore(a, b); });
    }
    const bool evenOdd = trial % 2 == 0;
    const PassResult vector =
        runPass(zd::raster::detail::scanKernels(), active, entering, sy, evenOdd);
    zd::cpu::disableForTesting(zd::cpu::kAllFeatures);
    const PassResult portable =
        runPass(zd::raster::detail::scanKernels(), active, entering, sy, evenOdd);
    zd::cpu::disableForTesting(0);
    ASSERT_TRUE(sameBytes(vector.out, portable.out)) << "trial " << trial;
    ASSERT_TRUE(sameBytes(vector.spans, portable.spans)) << "trial " << trial;
    ASSERT_EQ(vector.inOrder, portable.inOrder);
    ASSERT_TRUE(sameBits(vector.lastX, portable.lastX));
  }
}

// Edges entering on one line come in any order; past a few they are sorted
// through words. Both ways must give the crossing order exactly: crossings
// drawn from a small set (ties by index), with -0 and +0 (equal), NaN of
// either sign (after every number) and the infinities, 0 to 70 edges and
// a few lists of thousands.
TEST(EnteringSort, WordsGiveTheCrossingOrder) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float values[] = {-0.0f, 0.0f, nan, -nan, inf, -inf, 1.5f, -1.5f, 3.0f, 1e-40f, -1e-40f};
  std::mt19937 random(2026);
  std::vector<zd::raster::detail::CrossingSlot> slots;
  std::vector<Edge> sorted;
  for (int trial = 0; trial < 3000; ++trial) {
    // Now and then thousands: past the word sort's limit as well.
    std::vector<Edge> edges(trial % 500 == 0 ? 4000 + random() % 2000 : random() % 71);
    std::vector<std::uint32_t> indices(edges.size());
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint32_t>(i * 3);
    std::shuffle(indices.begin(), indices.end(), random);
    for (std::size_t i = 0; i < edges.size(); ++i) {
      edges[i].index = indices[i];
      edges[i].x = random() % 3 == 0 ? static_cast<float>(random() % 1000) / 64.0f
                                     : values[random() % std::size(values)];
    }
    std::vector<Edge> expected = edges;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const Edge &a, const Edge &b) { return crossesBefore(a, b); });
    const Edge *result =
        zd::raster::detail::sortScattered(edges.data(), edges.size(), slots, sorted);
    for (std::size_t i = 0; i < edges.size(); ++i) {
      ASSERT_EQ(result[i].index, expected[i].index) << "trial " << trial << " position " << i;
      ASSERT_TRUE(sameBits(result[i].x, expected[i].x)) << "trial " << trial;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, ScanKernel, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Baseline" : "Detected"; });

}  // namespace
