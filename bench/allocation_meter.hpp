// Counts the bytes held through operator new, so a benchmark can report the
// peak working memory of an operation (peers that allocate with malloc are
// not counted). Replaces the global operator new/delete: include it in
// exactly one file of a benchmark program.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace zd::bench {
inline std::size_t liveBytes = 0;
inline std::size_t peakBytes = 0;
}  // namespace zd::bench

[[gnu::noinline]] void *operator new(std::size_t size) {
  void *block = std::malloc(size + 16);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t *>(block) = size;
  zd::bench::liveBytes += size;
  zd::bench::peakBytes = std::max(zd::bench::peakBytes, zd::bench::liveBytes);
  return static_cast<char *>(block) + 16;
}
[[gnu::noinline]] void operator delete(void *pointer) noexcept {
  if (pointer == nullptr) return;
  char *block = static_cast<char *>(pointer) - 16;
  zd::bench::liveBytes -= *reinterpret_cast<std::size_t *>(block);
  std::free(block);
}
void operator delete(void *pointer, std::size_t) noexcept { operator delete(pointer); }
