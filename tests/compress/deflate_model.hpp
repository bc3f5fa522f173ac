// The Deflate model: the compressor's search and output written as plainly
// as possible, shared by the tests and the differential fuzz target
// (docs/architecture.md, "Reference implementations").
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zd::compress::testing {

using ModelBytes = std::vector<std::uint8_t>;

// A direct model of the compressor: a chain entry for every input byte, one
// bit at a time into the output, tables searched linearly. Slow and plain, so
// that the fast implementation can be held against it byte for byte.
class ModelDeflate {
 public:
  ModelBytes run(const ModelBytes &data) {
    const auto n = static_cast<std::int64_t>(data.size());
    wHuff(0b110, 3);  // the header bits 1, 1, 0 in writing order
    // Reset, not reallocated, between runs: the fuzz target runs the model
    // on many small inputs.
    // (-1 is all one bits: one memset each.)
    thread_local std::vector<std::int32_t> head, chain;
    head.resize(32768);
    chain.resize(data.size());
    std::memset(head.data(), 0xFF, head.size() * sizeof(std::int32_t));
    if (!chain.empty()) std::memset(chain.data(), 0xFF, chain.size() * sizeof(std::int32_t));
    auto hash = [&](std::int64_t i) { return ((data[i + 1] * 256) + data[i + 2]) & 0x7FFF; };
    auto insert = [&](std::int64_t k) {
      chain[k] = head[hash(k)];
      head[hash(k)] = static_cast<std::int32_t>(k);
    };
    std::int64_t i = 0;
    while (i < n) {
      std::int64_t bestLength = 0;
      std::int64_t bestDistance = 0;
      if (i + 3 <= n) {
        const std::int64_t maxLen = std::min<std::int64_t>(258, n - i);
        std::int64_t v = head[hash(i)];
        for (int j = 0;; ++j) {
          if (v < 0 || i - v > 32768 || j > 63) break;
          if (v + bestLength < n && data[v + bestLength] == data[i + bestLength]) {
            std::int64_t k = 0;
            while (k < maxLen && data[i + k] == data[v + k]) ++k;
            if (k >= 3 && k > bestLength) {
              bestLength = k;
              bestDistance = i - v;
              if (k == 258 || i + k >= n) break;
            }
          }
          v = chain[v];
        }
      }
      if (bestLength >= 3) {
        int index = 28;
        if (bestLength != 258) {
          while (kLengthBase[index] > bestLength) --index;
        }
        writeSymbol(257 + index);
        wbitsLsb(static_cast<std::uint32_t>(bestLength - kLengthBase[index]), kLengthExtra[index]);
        int d = 29;
        while (kDistBase[d] > bestDistance) --d;
        wHuff(static_cast<std::uint32_t>(d), 5);
        wbitsLsb(static_cast<std::uint32_t>(bestDistance - kDistBase[d]), kDistExtra[d]);
        for (std::int64_t k = i; k < i + bestLength && k + 3 <= n; ++k) insert(k);
        i += bestLength;
      } else {
        writeSymbol(data[i]);
        if (i + 3 <= n) insert(i);
        ++i;
      }
    }
    writeSymbol(256);
    if (count_ > 0) out_.push_back(buffer_);
    return out_;
  }

 private:
  static constexpr int kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                          15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                          67, 83, 99, 115, 131, 163, 195, 227, 258};
  static constexpr int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  static constexpr int kDistBase[30] = {
      1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
      193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
  static constexpr int kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

  void bit(std::uint32_t b) {
    buffer_ = static_cast<std::uint8_t>(buffer_ | (b << count_));
    if (++count_ == 8) {
      out_.push_back(buffer_);
      buffer_ = 0;
      count_ = 0;
    }
  }
  void wHuff(std::uint32_t code, int n) {
    for (int k = n - 1; k >= 0; --k) bit((code >> k) & 1u);
  }
  void wbitsLsb(std::uint32_t value, int n) {
    for (int k = 0; k < n; ++k) bit((value >> k) & 1u);
  }
  void writeSymbol(int symbol) {
    if (symbol < 144) wHuff(static_cast<std::uint32_t>(symbol + 48), 8);
    else if (symbol < 256) wHuff(static_cast<std::uint32_t>(symbol + 256), 9);
    else if (symbol < 280) wHuff(static_cast<std::uint32_t>(symbol - 256), 7);
    else wHuff(static_cast<std::uint32_t>(symbol - 280 + 192), 8);
  }

  ModelBytes out_;
  std::uint8_t buffer_ = 0;
  int count_ = 0;
};

}  // namespace zd::compress::testing
