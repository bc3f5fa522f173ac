// Differential check of the compressor against the plain Deflate model
// (tests/compress/deflate_model.hpp). The input is read as a small program
// that builds data full of the structures the fast paths handle (runs, short
// periods, copies from far back, near-window distances), so that long
// matches are common. Data stays within 512 bytes (room for the longest
// match) except for about one input in 128, which may reach past the window.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../tests/compress/deflate_model.hpp"
#include "compress/compress.hpp"

namespace {

constexpr size_t kSmallLimit = 512;
constexpr size_t kWindow = 32768;
constexpr size_t kPastWindowLimit = 34 * 1024;

// FNV-1a over the whole input. Choosing the long inputs by it rather than by
// one byte of the input means a mutation cannot keep an input long: the
// corpus gathers long inputs (they reach the window's edge), and when their
// mutations stayed long too they made a third of the runs and nine tenths of
// the time.
uint32_t inputHash(const uint8_t *data, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The work grows with the data, so most inputs build at most 512 bytes; about
  // one in 128 may reach past the 32 KiB window, for the copies near its edge.
  const bool pastWindow = inputHash(data, size) % 128 == 0;
  const size_t limit = pastWindow ? kPastWindowLimit : kSmallLimit;
  FuzzedDataProvider in(data, size);
  std::vector<uint8_t> bytes;
  while (in.remaining_bytes() > 0 && bytes.size() < limit) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0: {  // literals
        const size_t n = in.ConsumeIntegralInRange<size_t>(1, 64);
        for (size_t i = 0; i < n; ++i) bytes.push_back(in.ConsumeIntegral<uint8_t>());
        break;
      }
      case 1: {  // a run of one byte
        const uint8_t value = in.ConsumeIntegral<uint8_t>();
        bytes.insert(bytes.end(), in.ConsumeIntegralInRange<size_t>(1, 2000), value);
        break;
      }
      case 2: {  // a short-period repeat of the tail
        const size_t period = in.ConsumeIntegralInRange<size_t>(1, 16);
        const size_t n = in.ConsumeIntegralInRange<size_t>(1, 3000);
        if (bytes.size() < period) break;
        for (size_t i = 0; i < n; ++i) bytes.push_back(bytes[bytes.size() - period]);
        break;
      }
      default: {  // a copy from far back, near the window's edge
        const size_t distance = in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(32760, 32775)
                                                 : in.ConsumeIntegralInRange<size_t>(1, 40000);
        const size_t n = in.ConsumeIntegralInRange<size_t>(1, 600);
        if (bytes.size() < distance) break;
        for (size_t i = 0; i < n; ++i) {
          uint8_t b = bytes[bytes.size() - distance];
          if (in.ConsumeProbability<float>() < 0.01f) b ^= 1;  // a rare mismatch
          bytes.push_back(b);
        }
        break;
      }
    }
  }
  // Data that stays within the window explores nothing the short inputs do
  // not, at many times their cost.
  const size_t kept = pastWindow && bytes.size() <= kWindow ? kSmallLimit : limit;
  if (bytes.size() > kept) bytes.resize(kept);
  const std::vector<uint8_t> fast =
      zd::compress::compress(bytes.data(), static_cast<int64_t>(bytes.size()));
  const std::vector<uint8_t> model = zd::compress::testing::ModelDeflate().run(bytes);
  if (fast != model) {
    std::fprintf(stderr, "compressor and model disagree on %zu bytes of input\n", bytes.size());
    std::abort();
  }
  return 0;
}
