// The one place that knows what the processor offers and which kernels may
// use it.
//
// The features are detected once, when the library is loaded; the variable
// ZD_DISABLE_CPU_FEATURES (a comma-separated list of avx2, fma, bmi, bmi2,
// pclmul, or all) takes features away, so tests and benchmarks can force the
// portable kernels. Every vector kernel has a portable twin that writes the
// same bytes, so the choice changes speed only, never a result.
//
// Code compiled for a vector target lives in files named for it
// (`*_avx2.cpp`), next to the portable kernel; its functions carry
// ZD_TARGET_AVX2 instead of the whole file being compiled with -mavx2, so
// no inline function of a shared header is ever built for a processor the
// host may lack.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

// Helpers of a kernel body that is compiled for more than one target: forced
// inline so each target gets its own copy (an out-of-line copy would be
// built for the baseline only, and std::fmaf would stay a library call).
#define ZD_KERNEL_INLINE inline __attribute__((always_inline))

#if defined(__x86_64__) || defined(__i386__)
#define ZD_CPU_X86 1
// The target of the AVX2 kernels: AVX2 with FMA, and BMI1/BMI2 for the
// JPEG scan's bit work.
#define ZD_TARGET_AVX2 __attribute__((target("avx2,fma,bmi,bmi2")))
// The target of the carry-less multiplication kernels (CRC-32 folding).
#define ZD_TARGET_PCLMUL __attribute__((target("pclmul,sse4.1")))
#endif

namespace zd::cpu {

enum Feature : std::uint32_t {
  kAvx2 = 1u << 0,
  kFma = 1u << 1,
  kBmi1 = 1u << 2,
  kBmi2 = 1u << 3,
  // Carry-less multiplication with SSE4.1 (the CRC-32 kernel's target).
  kPclmul = 1u << 8,
};
inline constexpr std::uint32_t kAllFeatures = kAvx2 | kFma | kBmi1 | kBmi2 | kPclmul;

// What the AVX2 kernels need: every feature their target attribute names.
inline constexpr std::uint32_t kAvx2Kernels = kAvx2 | kFma | kBmi1 | kBmi2;

namespace detail {
// detected() less the disabled features; written at load and by tests only.
extern std::atomic<std::uint32_t> usable;
}  // namespace detail

// The features of the processor (0 on other architectures), as detected.
std::uint32_t detected();

// The features kernels may use: detected() less those named by
// ZD_DISABLE_CPU_FEATURES and by disableForTesting.
inline std::uint32_t usable() { return detail::usable.load(std::memory_order_relaxed); }

// True when every feature of `wanted` is usable.
inline bool has(std::uint32_t wanted) { return (usable() & wanted) == wanted; }

// The one question every kernel choice asks: may the AVX2 kernels run?
inline bool useAvx2() { return has(kAvx2Kernels); }

// May the carry-less multiplication kernels run?
inline bool usePclmul() { return has(kPclmul); }

// The features a ZD_DISABLE_CPU_FEATURES value names: names are compared
// without regard to case, blanks around them are ignored, "all" names
// every feature and unknown names are passed over.
std::uint32_t parseFeatureList(std::string_view list);

// For tests and benchmarks: disables `features` on top of what the
// environment disabled (0 takes back only this call's). Kernel choices made
// after the call follow it; meant for one thread while no other works.
void disableForTesting(std::uint32_t features);

}  // namespace zd::cpu
