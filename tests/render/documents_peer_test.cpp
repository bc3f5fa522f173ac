// Our renderings against rsvg-convert's: the hand-written documents of
// data/features (one per part of the supported subset) and the icon corpus
// of data/corpus (real icon sets, as fetched by tools/fetch_svg_corpus.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "peer.hpp"

namespace {

using zdr::testing::compare;
using zdr::testing::renderOurs;
using zdr::testing::renderPeer;

std::vector<std::string> svgFiles(const std::string &folder, bool recursive) {
  std::vector<std::string> files;
  const auto add = [&](const std::filesystem::directory_entry &entry) {
    if (entry.path().extension() == ".svg") files.push_back(entry.path().string());
  };
  if (recursive) {
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) add(entry);
  } else {
    for (const auto &entry : std::filesystem::directory_iterator(folder)) add(entry);
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Each feature document matches the peer: interiors and exteriors equal
// (translucent colours within one level of rounding), edges within a
// quarter of full coverage and a mean alpha difference of 12 levels, as our
// fill against the peer's elsewhere.
TEST(DocumentsPeer, FeatureDocumentsMatch) {
  if (!zdr::testing::havePeer()) GTEST_SKIP() << "rsvg-convert is not installed";
  const auto files = svgFiles(std::string(ZD_TEST_SOURCE_DIR) + "/render/data/features", false);
  ASSERT_GE(files.size(), 9u);
  for (const std::string &file : files) {
    SCOPED_TRACE(file);
    const auto ours = renderOurs(file, 1);
    const auto peer = renderPeer(file, 1);
    ASSERT_TRUE(ours.ok) << ours.error;
    ASSERT_TRUE(peer.ok) << peer.error;
    EXPECT_EQ(ours.unsupported, 0);
    const auto d = compare(ours, peer, 1);
    ASSERT_TRUE(d.sameSize) << ours.width << "x" << ours.height << " against " << peer.width << "x"
                            << peer.height;
    // A gradient has no flat interior to count; its colours are held to the
    // mean difference below.
    const bool shaded = file.find("/gradients-") != std::string::npos;
    if (!shaded) {
      EXPECT_GT(d.interiorPixels, 100);
    }
    EXPECT_EQ(d.interiorDiffering, 0) << d.firstDiffering;
    EXPECT_LE(d.worstEdgeAlpha, 64);
    EXPECT_LE(d.meanEdgeAlpha, 12.0);
    EXPECT_LT(d.meanAbsolute, 2.0);
  }
}

// The icons at four times their size: a file matches when the mean
// difference is under 2/255 and no interior pixel differs. At least 98% of
// the icons that use only the supported subset must match; every failure is
// listed with its reason.
TEST(DocumentsPeer, IconCorpusMatches) {
  if (!zdr::testing::havePeer()) GTEST_SKIP() << "rsvg-convert is not installed";
  const auto files = svgFiles(std::string(ZD_TEST_SOURCE_DIR) + "/render/data/corpus", true);
  ASSERT_GE(files.size(), 300u);
  int subsetOnly = 0, matching = 0, compared = 0;
  double meanSum = 0.0;
  std::string failures;
  for (const std::string &file : files) {
    const auto ours = renderOurs(file, 4);
    const auto peer = renderPeer(file, 4);
    std::string reason;
    if (!ours.ok || !peer.ok) {
      reason = ours.ok ? "the peer failed: " + peer.error : "not rendered: " + ours.error;
    } else if (ours.unsupported > 0) {
      continue;  // uses content outside the subset
    } else {
      const auto d = compare(ours, peer, 0);
      if (d.sameSize) {
        meanSum += d.meanAbsolute;
        ++compared;
      }
      char text[200];
      if (!d.sameSize) {
        std::snprintf(text, sizeof text, "size %dx%d, the peer's %dx%d", ours.width, ours.height,
                      peer.width, peer.height);
        reason = text;
      } else if (d.meanAbsolute >= 2.0 || d.interiorDiffering > 0) {
        std::snprintf(text, sizeof text, "mean difference %.3f, %d interior pixels differ %s",
                      d.meanAbsolute, d.interiorDiffering, d.firstDiffering.c_str());
        reason = text;
      }
    }
    ++subsetOnly;
    if (reason.empty()) {
      ++matching;
    } else {
      failures += "  " + file.substr(file.find("corpus/")) + ": " + reason + "\n";
    }
  }
  std::printf(
      "icon corpus: %d of %d subset-only icons match rsvg-convert (%.1f%%); %zu files; mean "
      "absolute difference %.3f levels on average\n%s",
      matching, subsetOnly, 100.0 * matching / std::max(subsetOnly, 1), files.size(),
      meanSum / std::max(compared, 1), failures.c_str());
  EXPECT_GE(subsetOnly, 300);
  EXPECT_GE(matching * 100, subsetOnly * 98) << failures;
}

}  // namespace
