// The AVX2 + FMA build of the JPEG scan: the same body as the portable
// build, with the lane arithmetic in AVX registers and fused multiply-adds
// as instructions.
#include "cpu/cpu.hpp"

#ifdef ZD_CPU_X86

#include "codec/jpeg_scan.hpp"
#include "codec/jpeg_scan_body.hpp"

namespace zd::codec::jpeg::avx2 {

ZD_TARGET_AVX2 void encodeScan(const ScanInput &input, std::vector<std::uint8_t> &out) {
  encodeScanBody(input, out);
}

}  // namespace zd::codec::jpeg::avx2

#endif  // ZD_CPU_X86
