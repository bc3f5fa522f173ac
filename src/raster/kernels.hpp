// Row kernels of the rasterizer (internal). Each comes in a baseline build
// and, where the CPU has AVX2 and FMA, a vector build; both produce the same
// bytes, since every lane performs the same IEEE float32 operations in the
// same order as the single-pixel rules.
#pragma once

#include <cstdint>

#include "raster/raster.hpp"

namespace zd::raster::detail {

// Blends the pixels of columns [from, to) of one row (`row` points at the
// row's first byte) whose coverage is above 0; others keep their bytes.
void blendRowOver(std::uint8_t *row, const float *coverage, std::int64_t from, std::int64_t to,
                  const Paint &paint);
void blendRowOverwrite(std::uint8_t *row, const float *coverage, std::int64_t from,
                       std::int64_t to, const Paint &paint);
// The same, but the vector kernels may also read columns [to, reach) of the
// row and of the coverage and write their pixels back unchanged: the caller
// promises that those columns are inside the row with coverage at most 0,
// and that no other thread uses them meanwhile. This spares a scalar tail
// after each short run.
void blendRowOverReach(std::uint8_t *row, const float *coverage, std::int64_t from,
                       std::int64_t to, std::int64_t reach, const Paint &paint);
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

// True when the vector kernels (AVX2 + FMA) are in use.
bool usingVectorKernels();
// Restricts the rasterizer to its baseline kernels (true) or lets it pick
// by CPU again (false). For tests that compare the two builds.
void forceBaselineKernels(bool baseline);

}  // namespace zd::raster::detail
