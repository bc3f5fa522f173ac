// The checksum kernels behind adler32 and crc32 (internal): the portable
// builds and the vector builds, which give the same values. adler32 and
// crc32 pick one through the cpu module; the tests compare them directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cpu/cpu.hpp"

namespace zd::compress::detail {

// Adler-32's modulus, and the longest run of bytes after which s2 still fits
// 32 bits before the sums are reduced (both builds reduce after each run).
inline constexpr std::uint32_t kAdlerModulus = 65521;
inline constexpr std::int64_t kAdlerRun = 5552;

// Adler-32 of `length` (>= 0) bytes, s1 from 1 and s2 from 0.
std::uint32_t adler32Portable(const std::uint8_t *data, std::int64_t length);

// The CRC-32 register after `length` more bytes: `state` is the register
// before them (all ones at the start; the checksum is its complement at the
// end).
std::uint32_t crc32UpdatePortable(std::uint32_t state, const std::uint8_t *data,
                                  std::size_t length);

#ifdef ZD_CPU_X86
// Needs cpu::useAvx2(): 32 bytes per step.
std::uint32_t adler32Avx2(const std::uint8_t *data, std::int64_t length);

// Needs cpu::usePclmul(): folds 64 bytes per step by carry-less
// multiplication, the last bytes through the portable tables.
std::uint32_t crc32UpdatePclmul(std::uint32_t state, const std::uint8_t *data, std::size_t length);
#endif

}  // namespace zd::compress::detail
