// Differential check of the compressor against the plain Deflate model
// (tests/compress/deflate_model.hpp). The input is read as a small program
// that builds data full of the structures the fast paths handle (runs, short
// periods, copies from far back, near-window distances), so that long
// matches are common. Data stays within 512 bytes (room for the longest
// match) unless the input asks for a run past the window.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../tests/compress/deflate_model.hpp"
#include "compress/compress.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<uint8_t> bytes;
  // The work grows with the data, so most inputs build at most 512 bytes; one in
  // 128 may reach past the 32 KiB window, for the copies near its edge.
  const bool pastWindow = in.ConsumeIntegralInRange<int>(0, 127) == 0;
  const size_t limit = pastWindow ? 34 * 1024 : 512;
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
  if (bytes.size() > limit) bytes.resize(limit);
  const std::vector<uint8_t> fast =
      zd::compress::compress(bytes.data(), static_cast<int64_t>(bytes.size()));
  const std::vector<uint8_t> model = zd::compress::testing::ModelDeflate().run(bytes);
  if (fast != model) {
    std::fprintf(stderr, "compressor and model disagree on %zu bytes of input\n", bytes.size());
    std::abort();
  }
  return 0;
}
