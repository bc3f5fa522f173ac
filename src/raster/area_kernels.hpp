// The row kernel of the cell coverage models (internal): the running sum
// of one row's cells and the fill rule applied to it. A portable build
// (area_kernels.cpp) and an AVX2 build (area_kernels_avx2.cpp); the sums
// are 64-bit integers, so both give the same coverage whatever the order
// of the additions.
#pragma once

#include <cstdint>

#include "cpu/cpu.hpp"

namespace zd::raster::detail {

// One pixel's full area in cell units: 2^24, so that every coverage value
// up to it converts to float exactly.
inline constexpr std::int64_t kCellOne = std::int64_t{1} << 24;
inline constexpr float kCellUnit = 1.0f / 16777216.0f;  // 2^-24, exact

// The coverage of an accumulated area: min(|a|, 1) for non-zero; for
// even-odd the triangle wave, a taken modulo 2 (by its low 25 bits, which
// is exact for negative a too) and folded: 2 - t above 1.
ZD_KERNEL_INLINE std::int64_t ruleOfArea(std::int64_t area, bool evenOdd) {
  if (evenOdd) {
    const std::int64_t t = area & (2 * kCellOne - 1);
    return t > kCellOne ? 2 * kCellOne - t : t;
  }
  const std::int64_t magnitude = area < 0 ? -area : area;
  return magnitude < kCellOne ? magnitude : kCellOne;
}

// For columns [0, count): area += cells[i]; coverage[i] = the rule of the
// area as a float in [0, 1]; cells[i] = 0. `area` carries the sum from
// the columns before and receives the sum after. |area| stays below 2^62
// (at most 2^32 segments, each adding at most 2^24 per row).
using ResolveCells = void (*)(std::int64_t *cells, float *coverage, std::int64_t count,
                              std::int64_t &area, bool evenOdd);

// The kernel to use now: the AVX2 one where the cpu module allows it.
ResolveCells resolveCellsKernel();

// The portable kernel, also the model the vector one is held to.
void resolveCellsPortable(std::int64_t *cells, float *coverage, std::int64_t count,
                          std::int64_t &area, bool evenOdd);

#ifdef ZD_CPU_X86
namespace avx2 {
ZD_TARGET_AVX2 void resolveCells(std::int64_t *cells, float *coverage, std::int64_t count,
                                 std::int64_t &area, bool evenOdd);
}  // namespace avx2
#endif

}  // namespace zd::raster::detail
