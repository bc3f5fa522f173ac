// Two threads replay random call sequences over a pool of handles, as a
// threaded host would: some handles are shared and only read by both
// threads, the others belong to one thread, which reads and writes them and
// makes and frees copies. Reading a handle on both threads at once is
// allowed, so the run must not fault, and each thread must see exactly what
// the same sequence gives when the two are replayed one after the other on
// this thread (whose per-thread buffers and colour memo are warm from earlier
// inputs, unlike the fresh threads').
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "require.hpp"
#include "segment_budget.hpp"
#include "start_library.hpp"
#include "zd.h"

namespace {

constexpr int kPaths = 3;
constexpr int kColors = 2;
constexpr int kStepsPerThread = 16;

// One decoded call: what it is and its arguments, all chosen up front so
// the concurrent run and the replay make the same calls.
struct Step {
  int op = 0;
  int a = 0, b = 0;  // handle choices
  int32_t i = 0;     // integer argument
  float f[6] = {};   // float arguments
};

struct Program {
  std::vector<Step> steps;
};

// The handles of one input: the shared ones, and one set per thread.
struct Pool {
  ZdPath *sharedPaths[kPaths] = {};
  ZdColor *sharedColors[kColors] = {};
};

float smallFloat(FuzzedDataProvider &in) {
  return in.ConsumeBool() ? static_cast<float>(in.ConsumeIntegralInRange<int>(-8, 40))
                          : in.ConsumeFloatingPointInRange<float>(-8.0f, 40.0f);
}

Program decode(FuzzedDataProvider &in) {
  Program program;
  for (int k = 0; k < kStepsPerThread && in.remaining_bytes() > 0; ++k) {
    Step step;
    step.op = in.ConsumeIntegralInRange<int>(0, 11);
    step.a = in.ConsumeIntegralInRange<int>(0, 7);
    step.b = in.ConsumeIntegralInRange<int>(0, 7);
    step.i = in.ConsumeIntegralInRange<int32_t>(0, 7);
    for (float &value : step.f) value = smallFloat(in);
    program.steps.push_back(step);
  }
  return program;
}

// FNV-1a, to keep each result short.
uint64_t hashBytes(const void *data, size_t size, uint64_t h = 1469598103934665603ull) {
  const auto *bytes = static_cast<const uint8_t *>(data);
  for (size_t k = 0; k < size; ++k) h = (h ^ bytes[k]) * 1099511628211ull;
  return h;
}

// One thread's run of its program: its own image and paths, the shared
// handles for reading. Every result goes into `log`.
class Runner {
 public:
  Runner(const Pool &pool, std::vector<uint64_t> &log) : pool_(pool), log_(log) {
    image_ = zd_image_new(20, 16);
    own_.push_back(zd_path_new());
    REQUIRE(image_ != nullptr && own_[0] != nullptr);
  }
  ~Runner() {
    for (ZdPath *path : own_) zd_path_free(path);
    zd_image_free(image_);
  }

  void run(const Program &program) {
    for (const Step &step : program.steps) {
      runStep(step);
      // The owned paths stay small: each flattens within the budget.
      for (ZdPath *&path : own_) {
        if (zd_path_command_count(path) > 40) {
          zd_path_free(path);
          path = nullptr;
        }
      }
      std::erase(own_, nullptr);
      if (own_.empty()) own_.push_back(zd_path_new());
    }
    uint8_t *pixels = nullptr;
    int64_t len = 0;
    REQUIRE(zd_image_pixels(image_, &pixels, &len) == ZD_OK);
    log_.push_back(hashBytes(pixels, static_cast<size_t>(len)));
  }

 private:
  // Any path this thread may read: shared ones and its own.
  ZdPath *readable(int choice) const {
    const size_t n = kPaths + own_.size();
    const size_t k = static_cast<size_t>(choice) % n;
    return k < kPaths ? pool_.sharedPaths[k] : own_[k - kPaths];
  }
  ZdPath *writable(int choice) const { return own_[static_cast<size_t>(choice) % own_.size()]; }
  ZdColor *color(int choice) const { return pool_.sharedColors[choice % kColors]; }

  void text(ZdStatus s, char *block, int64_t len) {
    log_.push_back(static_cast<uint64_t>(s));
    if (s == ZD_OK) log_.push_back(hashBytes(block, static_cast<size_t>(len)));
    zd_buffer_free(block);
  }

  void runStep(const Step &st) {
    const float *f = st.f;
    char *block = nullptr;
    int64_t len = 0;
    ZdStatus s = ZD_OK;
    switch (st.op) {
      case 0: s = zd_path_move_to(writable(st.a), f[0], f[1]); break;
      case 1: s = zd_path_line_to(writable(st.a), f[0], f[1]); break;
      case 2:
        s = zd_path_bezier_curve_to(writable(st.a), f[0], f[1], f[2], f[3], f[4], f[5]);
        break;
      case 3:
        s = zd_path_elliptical_arc_to(writable(st.a), f[0] < 0 ? -f[0] : f[0], 5, f[1], st.i & 1,
                                      st.i & 2, f[2], f[3]);
        break;
      case 4: s = zd_path_circle(writable(st.a), f[0], f[1], f[2] < 0 ? -f[2] : f[2]); break;
      case 5: s = zd_path_add_path(writable(st.a), readable(st.b)); break;
      case 6: {  // a copy joins this thread's own paths
        ZdPath *copy = zd_path_copy(readable(st.b));
        REQUIRE(copy != nullptr);
        own_.push_back(copy);
        break;
      }
      case 7: {
        ZdPath *path = readable(st.b);
        const float tolerance = 0.1f + (f[0] < 0 ? -f[0] : f[0]) * 0.05f;
        if (!budget_.spend(path, tolerance)) break;
        s = zd_fill_path(image_, path, color(st.a), st.i & 1, (st.i >> 1) & 1, tolerance);
        break;
      }
      case 8: {
        int64_t count = -1;
        ZdPath *path = readable(st.b);
        if (!budget_.spend(path, 0.25f)) break;
        s = zd_path_flatten(path, nullptr, 0, &count, 0.25f);
        log_.push_back(static_cast<uint64_t>(count));
        break;
      }
      case 9:
        s = zd_path_to_d(readable(st.b), &block, &len);
        text(s, block, len);
        return;
      case 10:
        s = zd_path_to_svg(readable(st.b), color(st.a), 20, 16, &block, &len);
        text(s, block, len);
        return;
      default: {
        s = zd_color_to_svg(color(st.a), &block, &len);
        text(s, block, len);
        ZdCommand command;
        ZdPath *path = readable(st.b);
        const int64_t count = zd_path_command_count(path);
        log_.push_back(static_cast<uint64_t>(count));
        if (count > 0 && zd_path_command_get(path, st.i % count, &command) == ZD_OK) {
          log_.push_back(hashBytes(&command, sizeof command));
        }
        return;
      }
    }
    log_.push_back(static_cast<uint64_t>(s));
  }

  const Pool &pool_;
  std::vector<uint64_t> &log_;
  ZdImage *image_ = nullptr;
  std::vector<ZdPath *> own_;
  zd::fuzzing::InputBudget budget_{1 << 13};
};

const char *const kColorTexts[] = {"#336699", "oklch(70% 0.3 150 / 0.5)", "rgb(10 200 30 / 20%)",
                                   "oklch(0.9 0.4 20)"};

Pool makePool(FuzzedDataProvider &in) {
  Pool pool;
  for (ZdPath *&path : pool.sharedPaths) {
    path = zd_path_new();
    REQUIRE(path != nullptr);
    const int shapes = in.ConsumeIntegralInRange<int>(0, 3);
    for (int k = 0; k < shapes; ++k) {
      const float x = smallFloat(in), y = smallFloat(in),
                  r = in.ConsumeFloatingPointInRange(0.0f, 12.0f);
      switch (in.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: zd_path_circle(path, x, y, r); break;
        case 1: zd_path_rect(path, in.ConsumeBool(), x, y, r, r * 0.5f); break;
        default: zd_path_polygon(path, in.ConsumeIntegralInRange<int32_t>(3, 9), x, y, r); break;
      }
    }
  }
  for (ZdColor *&color : pool.sharedColors) {
    color = zd_color_parse(kColorTexts[in.ConsumeIntegralInRange<size_t>(0, 3)]);
    REQUIRE(color != nullptr);
  }
  return pool;
}

void freePool(Pool &pool) {
  for (ZdColor *color : pool.sharedColors) zd_color_free(color);
  for (ZdPath *path : pool.sharedPaths) zd_path_free(path);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  zd::fuzzing::startLibrary();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  Pool pool = makePool(in);
  const Program programs[2] = {decode(in), decode(in)};

  std::vector<uint64_t> together[2], apart[2];
  {
    std::thread second([&] { Runner(pool, together[1]).run(programs[1]); });
    Runner(pool, together[0]).run(programs[0]);
    second.join();
  }
  for (int t = 0; t < 2; ++t) Runner(pool, apart[t]).run(programs[t]);
  REQUIRE(together[0] == apart[0]);
  REQUIRE(together[1] == apart[1]);
  freePool(pool);
  return 0;
}
