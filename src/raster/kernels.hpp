// Row kernels of the rasterizer (internal). Each comes as a portable kernel
// (row_kernels.cpp) and, where the cpu module allows the AVX2 kernels, a
// vector one (row_kernels_avx2.cpp); both produce the same bytes, since
// every lane performs the same IEEE float32 operations in the same order as
// the single-pixel operations. The functions here pick one per call.
#pragma once

#include <cstdint>

#include "cpu/cpu.hpp"
#include "raster/raster.hpp"

namespace zd::raster::detail {

// Blends the pixels of columns [from, to) of one row (`row` points at the
// row's first byte) whose coverage is above 0; others keep their bytes.
void blendRowOver(std::uint8_t *row, const float *coverage, std::int64_t from, std::int64_t to,
                  const Paint &paint);
void blendRowOverwrite(std::uint8_t *row, const float *coverage, std::int64_t from, std::int64_t to,
                       const Paint &paint);
// The same, but the vector kernels may also read columns [to, reach) of the
// row and of the coverage and write their pixels back unchanged: the caller
// promises that those columns are inside the row with coverage at most 0,
// and that no other thread uses them meanwhile. This spares a scalar tail
// after each short run.
void blendRowOverReach(std::uint8_t *row, const float *coverage, std::int64_t from, std::int64_t to,
                       std::int64_t reach, const Paint &paint);
// blendRowOverReach that also sets coverage[from, to) to 0 (and possibly
// some of [to, reach), which the caller promises are 0 already).
void blendRowOverReachClearing(std::uint8_t *row, float *coverage, std::int64_t from,
                               std::int64_t to, std::int64_t reach, const Paint &paint);
void blendRowOverwriteReach(std::uint8_t *row, const float *coverage, std::int64_t from,
                            std::int64_t to, std::int64_t reach, const Paint &paint);
// The same for columns [from, to) whose coverage is exactly 1 (no coverage
// row is read): blendOver when overwrite is false, else blendOverwrite.
void blendRunFull(std::uint8_t *row, std::int64_t from, std::int64_t to, const Paint &paint,
                  bool overwrite);

#ifdef ZD_CPU_X86
// The vector kernels behind the functions above (reach >= to here).
namespace avx2 {
// Source-over of the columns of [from, to) with coverage above 0; when
// `clear` is not null (it is then the coverage row) each coverage value is
// set to 0 once read.
ZD_TARGET_AVX2 void overRow(std::uint8_t *row, const float *coverage, std::int64_t from,
                            std::int64_t to, std::int64_t reach, const Paint &paint, float *clear);
// Source-over of columns of coverage exactly 1: any paint, and a faster
// kernel for a translucent one (0 < alpha < 1).
ZD_TARGET_AVX2 void overFull(std::uint8_t *row, std::int64_t from, std::int64_t to,
                             const Paint &paint);
ZD_TARGET_AVX2 void overFullTranslucent(std::uint8_t *row, std::int64_t from, std::int64_t to,
                                        const Paint &paint);
ZD_TARGET_AVX2 void overwriteRow(std::uint8_t *row, const float *coverage, std::int64_t from,
                                 std::int64_t to, std::int64_t reach, const Paint &paint);
}  // namespace avx2
#endif

}  // namespace zd::raster::detail
