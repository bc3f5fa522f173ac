// The portable row kernels, and the choice between them and the AVX2 ones.
#include <algorithm>
#include <cstring>

#include "raster/kernels.hpp"
#include "raster/pixel_ops.hpp"

namespace zd::raster::detail {

namespace {

template <bool Full>
void overRowPortable(std::uint8_t *row, const float *coverage, std::int64_t from, std::int64_t to,
                     const Paint &paint) {
  overRowScalar<Full>(row, coverage, from, to, paint);
}

// Columns of coverage 1 under an opaque source-over or under overwrite all
// become the paint bytes with byte(alpha).
void storeSolid(std::uint8_t *row, std::int64_t from, std::int64_t to, const Paint &paint) {
  const std::uint32_t solid = fullPixel(paint);
  for (std::int64_t x = from; x < to; ++x) std::memcpy(row + x * 4, &solid, 4);
}

void overwriteRowPortable(std::uint8_t *row, const float *coverage, std::int64_t from,
                          std::int64_t to, const Paint &paint) {
  overwriteRowScalar(row, coverage, from, to, paint);
}

}  // namespace

void blendRowOver(std::uint8_t *row, const float *coverage, std::int64_t from, std::int64_t to,
                  const Paint &paint) {
  blendRowOverReach(row, coverage, from, to, to, paint);
}

void blendRowOverwrite(std::uint8_t *row, const float *coverage, std::int64_t from, std::int64_t to,
                       const Paint &paint) {
  blendRowOverwriteReach(row, coverage, from, to, to, paint);
}

void blendRowOverReach(std::uint8_t *row, const float *coverage, std::int64_t from, std::int64_t to,
                       std::int64_t reach, const Paint &paint) {
#ifdef ZD_CPU_X86
  if (cpu::useAvx2())
    return avx2::overRow(row, coverage, from, to, std::max(to, reach), paint, nullptr);
#endif
  overRowPortable<false>(row, coverage, from, to, paint);
}

void blendRowOverReachClearing(std::uint8_t *row, float *coverage, std::int64_t from,
                               std::int64_t to, std::int64_t reach, const Paint &paint) {
  if (from >= to) return;
#ifdef ZD_CPU_X86
  if (cpu::useAvx2()) {
    return avx2::overRow(row, coverage, from, to, std::max(to, reach), paint, coverage);
  }
#endif
  overRowPortable<false>(row, coverage, from, to, paint);
  std::fill(coverage + from, coverage + to, 0.0f);
}

void blendRunFull(std::uint8_t *row, std::int64_t from, std::int64_t to, const Paint &paint,
                  bool overwrite) {
  // Overwrite stores byte(clamp(1 * alpha)) as alpha whatever alpha is;
  // source-over of alpha 1 at coverage 1 gives outA = 1 and the paint itself.
  if (overwrite || paint.alpha == 1.0f) return storeSolid(row, from, to, paint);
#ifdef ZD_CPU_X86
  if (cpu::useAvx2()) {
    if (paint.alpha > 0.0f && paint.alpha < 1.0f) {
      return avx2::overFullTranslucent(row, from, to, paint);
    }
    return avx2::overFull(row, from, to, paint);
  }
#endif
  overRowPortable<true>(row, nullptr, from, to, paint);
}

void blendRowOverwriteReach(std::uint8_t *row, const float *coverage, std::int64_t from,
                            std::int64_t to, std::int64_t reach, const Paint &paint) {
#ifdef ZD_CPU_X86
  if (cpu::useAvx2())
    return avx2::overwriteRow(row, coverage, from, to, std::max(to, reach), paint);
#endif
  overwriteRowPortable(row, coverage, from, to, paint);
}

}  // namespace zd::raster::detail
