// Path-data parse and print throughput against the bare number conversions
// the texts contain, and the peak memory of a parse.
//
// The input is a generated text of about 9 MB with every command letter,
// absolute and relative, in the style of exported drawings: coordinates with
// up to three decimals, minified spacing (no blank before a minus sign),
// commas between pairs, implicit repetitions and packed arc flags.
//
//   path_data/parse/zd            parsePath of the whole text
//   path_data/parse/from_chars    std::from_chars (double, then rounded to
//                                 float) of every number text of the same
//                                 input, nothing else
//   path_data/print/zd            toString of the parsed path
//   path_data/print/to_chars      std::to_chars of every printed float, in
//                                 the form the printer uses (integers whole,
//                                 others fixed with 6 decimals)
//   path_data/parse_memory/zd     peak heap growth during one parse, against
//                                 the bytes of the final command array
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "path/pathdata.hpp"

// ---------------------------------------------------------------- heap meter

namespace {

std::size_t gLiveBytes = 0;
std::size_t gPeakBytes = 0;

// Each block carries its size in a header so frees can be counted.
constexpr std::size_t kHeader = 16;

void *countedAlloc(std::size_t size) {
  auto *block = static_cast<unsigned char *>(std::malloc(size + kHeader));
  if (block == nullptr) return nullptr;
  *reinterpret_cast<std::size_t *>(block) = size;
  gLiveBytes += size;
  if (gLiveBytes > gPeakBytes) gPeakBytes = gLiveBytes;
  return block + kHeader;
}

void countedFree(void *pointer) {
  if (pointer == nullptr) return;
  auto *block = static_cast<unsigned char *>(pointer) - kHeader;
  gLiveBytes -= *reinterpret_cast<std::size_t *>(block);
  std::free(block);
}

}  // namespace

void *operator new(std::size_t size) {
  if (void *p = countedAlloc(size)) return p;
  throw std::bad_alloc();
}
void *operator new[](std::size_t size) {
  if (void *p = countedAlloc(size)) return p;
  throw std::bad_alloc();
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return countedAlloc(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
  return countedAlloc(size);
}
void operator delete(void *p) noexcept { countedFree(p); }
void operator delete[](void *p) noexcept { countedFree(p); }
void operator delete(void *p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void *p, std::size_t) noexcept { countedFree(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { countedFree(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { countedFree(p); }

namespace {

using zd::path::Path;

// ---------------------------------------------------------------- input

struct Token {
  std::uint32_t start;
  std::uint32_t length;
};

struct Input {
  std::string text;
  std::vector<Token> numbers;  // every number text, in order
};

class Generator {
 public:
  Input make(std::size_t targetBytes) {
    while (input_.text.size() < targetBytes) subpath();
    return std::move(input_);
  }

 private:
  int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  // A coordinate or offset with 0 to 3 decimals, like exported drawings.
  void number(double low, double high, bool pairSecond = false) {
    static const char *const kFormats[] = {"%.0f", "%.1f", "%.2f", "%.3f", "%.3f"};
    const double value = std::uniform_real_distribution<double>(low, high)(random_);
    char buffer[32];
    const int length = std::snprintf(buffer, sizeof buffer, kFormats[uniform(0, 4)], value);
    std::string &text = input_.text;
    // Minified data drops the blank before a minus sign; pairs use a comma.
    if (buffer[0] != '-' || uniform(0, 1) == 0) text += pairSecond ? ',' : ' ';
    input_.numbers.push_back(
        {static_cast<std::uint32_t>(text.size()), static_cast<std::uint32_t>(length)});
    text.append(buffer, static_cast<std::size_t>(length));
  }
  void point(bool relative) {
    const double range = relative ? 50.0 : 2000.0;
    number(relative ? -range : 0.0, range);
    number(relative ? -range : 0.0, range, true);
  }
  void flag() {
    input_.text += ' ';
    input_.numbers.push_back({static_cast<std::uint32_t>(input_.text.size()), 1});
    input_.text += static_cast<char>('0' + uniform(0, 1));
  }

  void command(char letter) {
    const bool relative = letter >= 'a';
    input_.text += letter;
    const int repeats = uniform(0, 3) == 0 ? 2 : 1;  // implicit repetitions
    for (int r = 0; r < repeats; ++r) {
      switch (letter | 0x20) {
        case 'l':
        case 't': point(relative); break;
        case 'h':
        case 'v': number(relative ? -50.0 : 0.0, relative ? 50.0 : 2000.0); break;
        case 'c':
          point(relative);
          point(relative);
          point(relative);
          break;
        case 's':
        case 'q':
          point(relative);
          point(relative);
          break;
        case 'a':
          number(0.0, 300.0);
          number(0.0, 300.0, true);
          number(-180.0, 180.0);
          flag();
          flag();
          point(relative);
          break;
        default: break;
      }
    }
  }

  void subpath() {
    input_.text += uniform(0, 1) ? 'M' : 'm';
    point(false);
    static const char kLetters[] = "LHVCSQTAlhvcsqta";
    const int commands = uniform(4, 30);
    for (int i = 0; i < commands; ++i) command(kLetters[uniform(0, 15)]);
    input_.text += uniform(0, 1) ? 'Z' : 'z';
    input_.text += '\n';
  }

  std::mt19937 random_{20240611};
  Input input_;
};

const Input &input() {
  static const Input generated = Generator().make(9u << 20);
  return generated;
}

const Path &parsed() {
  static const Path path = zd::path::parsePath(input().text);
  return path;
}

// The floats the printer converts, in order (arc rotations in degrees).
const std::vector<float> &printedFloats() {
  static const std::vector<float> floats = [] {
    std::vector<float> all;
    for (const auto &command : parsed().commands) {
      float numbers[7];
      const int count = command.parameters(numbers);
      if (zd::path::absoluteKind(command.kind()) == zd::path::pArc) {
        numbers[2] = command.rot() * zd::path::kRadiansToDegrees;
      }
      all.insert(all.end(), numbers, numbers + count);
    }
    return all;
  }();
  return floats;
}

// ---------------------------------------------------------------- benchmarks

void BM_Parse(benchmark::State &state) {
  const std::string &text = input().text;
  for (auto _ : state) {
    Path path = zd::path::parsePath(text);
    benchmark::DoNotOptimize(path.commands.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
  state.counters["numbers"] = static_cast<double>(input().numbers.size());
}

void BM_FromChars(benchmark::State &state) {
  const std::string &text = input().text;
  const std::vector<Token> &numbers = input().numbers;
  for (auto _ : state) {
    float sum = 0.0f;
    for (const Token &token : numbers) {
      double value = 0.0;
      const char *begin = text.data() + token.start;
      std::from_chars(begin, begin + token.length, value);
      sum += static_cast<float>(value);
    }
    benchmark::DoNotOptimize(sum);
  }
  // Same byte count as BM_Parse, so the two rates compare directly.
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

void BM_Print(benchmark::State &state) {
  const Path &path = parsed();
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string text = zd::path::toString(path);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_ToChars(benchmark::State &state) {
  const std::vector<float> &floats = printedFloats();
  const std::size_t printedBytes = zd::path::toString(parsed()).size();
  char buffer[64];
  for (auto _ : state) {
    std::size_t total = 0;
    for (float x : floats) {
      char *end =
          (std::floor(x) == x)
              ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(x)).ptr
              : std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(x),
                              std::chars_format::fixed, 6)
                    .ptr;
      total += static_cast<std::size_t>(end - buffer);
      benchmark::DoNotOptimize(buffer);
    }
    benchmark::DoNotOptimize(total);
  }
  // Same byte count as BM_Print, so the two rates compare directly.
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(printedBytes));
}

void BM_ParseMemory(benchmark::State &state) {
  const std::string &text = input().text;
  double ratio = 0.0;
  double peak = 0.0;
  double array = 0.0;
  for (auto _ : state) {
    const std::size_t baseline = gLiveBytes;
    gPeakBytes = gLiveBytes;
    Path path = zd::path::parsePath(text);
    peak = static_cast<double>(gPeakBytes - baseline);
    array = static_cast<double>(path.commands.size() * sizeof(zd::path::PathCommand));
    ratio = peak / array;
  }
  state.counters["peak_MB"] = peak / (1 << 20);
  state.counters["array_MB"] = array / (1 << 20);
  state.counters["peak_over_array"] = ratio;
}

BENCHMARK(BM_Parse)->Name("path_data/parse/zd")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FromChars)->Name("path_data/parse/from_chars")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Print)->Name("path_data/print/zd")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToChars)->Name("path_data/print/to_chars")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseMemory)
    ->Name("path_data/parse_memory/zd")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
