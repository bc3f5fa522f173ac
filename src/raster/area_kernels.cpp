// The portable row kernel of the cell coverage models, and the choice of a
// build.
#include "raster/area_kernels.hpp"

namespace zd::raster::detail {

void resolveCellsPortable(std::int64_t *cells, float *coverage, std::int64_t count,
                          std::int64_t &area, bool evenOdd) {
  std::int64_t sum = area;
  for (std::int64_t i = 0; i < count; ++i) {
    sum += cells[i];
    cells[i] = 0;
    coverage[i] = static_cast<float>(ruleOfArea(sum, evenOdd)) * kCellUnit;
  }
  area = sum;
}

ResolveCells resolveCellsKernel() {
#ifdef ZD_CPU_X86
  if (cpu::useAvx2()) return avx2::resolveCells;
#endif
  return resolveCellsPortable;
}

}  // namespace zd::raster::detail
