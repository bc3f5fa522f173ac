// The cpu module: the ZD_DISABLE_CPU_FEATURES list, what the process was
// started with, and the test override every kernel choice follows.
#include <gtest/gtest.h>

#include <cstdlib>

#include "codec/jpeg.hpp"
#include "cpu/cpu.hpp"

namespace zd::cpu {
namespace {

TEST(FeatureList, NamesCaseBlanksAndUnknownWords) {
  EXPECT_EQ(parseFeatureList(""), 0u);
  EXPECT_EQ(parseFeatureList("avx2"), kAvx2);
  EXPECT_EQ(parseFeatureList("avx2,fma"), kAvx2 | kFma);
  EXPECT_EQ(parseFeatureList(" AVX2 , Fma\t"), kAvx2 | kFma);
  EXPECT_EQ(parseFeatureList("bmi,bmi2"), kBmi1 | kBmi2);
  EXPECT_EQ(parseFeatureList("bmi1"), kBmi1);
  EXPECT_EQ(parseFeatureList("avx2,PCLMUL"), kAvx2 | kPclmul);
  EXPECT_EQ(parseFeatureList("all"), kAllFeatures);
  EXPECT_EQ(parseFeatureList("fma,ALL"), kAllFeatures);
  // Unknown names, empty items and prefixes of names take nothing away.
  EXPECT_EQ(parseFeatureList("sse9,,avx,fmaa"), 0u);
  EXPECT_EQ(parseFeatureList("avx512f,fma"), kFma);
}

// What this process may use is what the processor offers less the
// variable's list (CI runs the suite once with "all").
TEST(Features, StartFromTheProcessorLessTheEnvironment) {
  const char *list = std::getenv("ZD_DISABLE_CPU_FEATURES");
  const std::uint32_t disabled = list == nullptr ? 0 : parseFeatureList(list);
  EXPECT_EQ(usable(), detected() & ~disabled);
  EXPECT_EQ(detected() & ~kAllFeatures, 0u);
}

TEST(Features, DisablingAnyOneFeatureForcesThePortableKernels) {
  for (const std::uint32_t feature : {kAvx2, kFma, kBmi1, kBmi2}) {
    disableForTesting(feature);
    EXPECT_FALSE(useAvx2()) << feature;
    EXPECT_FALSE(codec::jpeg::fmaKernelAvailable()) << feature;
    EXPECT_EQ(usable() & feature, 0u);
  }
  disableForTesting(0);
  const char *list = std::getenv("ZD_DISABLE_CPU_FEATURES");
  EXPECT_EQ(usable(), detected() & ~(list == nullptr ? 0 : parseFeatureList(list)));
  EXPECT_EQ(useAvx2(), (usable() & kAvx2Kernels) == kAvx2Kernels);
}

}  // namespace
}  // namespace zd::cpu
