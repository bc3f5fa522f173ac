// The worst fill a host may ask for, side by side with cairo: one path of
// 1,048,575 segments (the most a path may flatten to, less one), a zigzag
// whose every segment runs from the top of the image to the bottom, filled
// non-zero into 2048 x 2048. Every sample line crosses every segment.
//
//   fill_worst/zigzag/<engine>          the whole image;
//   fill_worst/zigzag_256_rows/<engine> the same path over the top 256 rows
//                                       of a 2048 x 256 image (a quick look).
//
// Each iteration runs in a child process: the path and the image are built
// untimed, the fill is timed (for cairo, cairo_fill and the flush that
// finishes it) as the child's CPU time, which a shared machine disturbs far
// less than the wall clock (wall_seconds reports that too), and the child's peak resident memory beyond what it started
// with is reported as peak_bytes: the path, the image and the fill's working
// memory, as the host sees it. Ours is called through the exported functions,
// as a host calls it.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_main.hpp"
#include "zd.h"

#ifdef ZD_HAVE_CAIRO
#include <cairo.h>
#endif

namespace {

constexpr int kSegments = 1048575;
constexpr int kWidth = 2048;

// Vertex k of the zigzag: x steps evenly across the width, y alternates
// between the top and the bottom of a `span`-high band.
float vertexX(int k) { return static_cast<float>(static_cast<double>(k) * kWidth / kSegments); }
float vertexY(int k, int span) { return (k & 1) != 0 ? static_cast<float>(span) : 0.0f; }

struct Timing {
  double cpu, wall;
};

// What a child reports through its pipe.
struct ChildReport {
  Timing timing;
  long startKiB;  // resident memory when the child began
  bool ok;
};

long residentKiB() {
  long pages = 0, resident = 0;
  if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The CPU time and the wall-clock time of a stretch of work.
class Stopwatch {
 public:
  Stopwatch() : wall_(std::chrono::steady_clock::now()), cpu_(cpuSeconds()) {}
  void stop(Timing &timing) const {
    timing.cpu = cpuSeconds() - cpu_;
    timing.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
  }

 private:
  static double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
  }
  std::chrono::steady_clock::time_point wall_;
  double cpu_;
};

bool ourFill(int height, Timing &timing) {
  ZdPath *path = zd_path_new();
  zd_path_move_to(path, vertexX(0), vertexY(0, kWidth));
  for (int k = 1; k < kSegments; ++k) zd_path_line_to(path, vertexX(k), vertexY(k, kWidth));
  zd_path_close_path(path);
  ZdImage *image = zd_image_new(kWidth, height);
  ZdColor *color = zd_color_rgba(0.2f, 0.4f, 0.6f, 1.0f);
  const Stopwatch stopwatch;
  const bool ok = zd_fill_path(image, path, color, 0, 0, 0.5f) == ZD_OK;
  stopwatch.stop(timing);
  zd_color_free(color);
  zd_image_free(image);
  zd_path_free(path);
  return ok;
}

#ifdef ZD_HAVE_CAIRO
bool cairoFill(int height, Timing &timing) {
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, height);
  cairo_t *cr = cairo_create(surface);
  cairo_set_tolerance(cr, 0.5);
  cairo_move_to(cr, vertexX(0), vertexY(0, kWidth));
  for (int k = 1; k < kSegments; ++k) cairo_line_to(cr, vertexX(k), vertexY(k, kWidth));
  cairo_close_path(cr);
  cairo_set_source_rgba(cr, 0.2, 0.4, 0.6, 1.0);
  const Stopwatch stopwatch;
  cairo_fill(cr);
  cairo_surface_flush(surface);
  stopwatch.stop(timing);
  const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return ok;
}
#endif

using Engine = bool (*)(int height, Timing &timing);

// Runs one fill in a child; false when the child failed.
bool runChild(Engine engine, int height, Timing &timing, double &peakBytes) {
  int channel[2];
  if (pipe(channel) != 0) return false;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    close(channel[0]);
    ChildReport report{{0.0, 0.0}, residentKiB(), false};
    report.ok = engine(height, report.timing);
    const bool sent = write(channel[1], &report, sizeof report) == sizeof report;
    _exit(sent ? 0 : 1);
  }
  close(channel[1]);
  ChildReport report{};
  const bool received = read(channel[0], &report, sizeof report) == sizeof report;
  close(channel[0]);
  int status = 0;
  struct rusage usage {};
  if (wait4(child, &status, 0, &usage) != child) return false;
  if (!received || !report.ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  timing = report.timing;
  peakBytes = 1024.0 * static_cast<double>(usage.ru_maxrss - report.startKiB);
  return true;
}

void worstFill(benchmark::State &state, Engine engine, int height) {
  double peak = 0;
  Timing timing{0.0, 0.0};
  for (auto _ : state) {
    if (!runChild(engine, height, timing, peak)) {
      state.SkipWithError("the fill failed in its child process");
      break;
    }
    state.SetIterationTime(timing.cpu);
  }
  state.counters["peak_bytes"] = peak;
  state.counters["wall_seconds"] = timing.wall;
}

void registerAll() {
  const struct {
    const char *name;
    int height;
  } workloads[] = {{"zigzag", kWidth}, {"zigzag_256_rows", 256}};
  for (const auto &workload : workloads) {
    const std::string prefix = std::string("fill_worst/") + workload.name + "/";
    benchmark::RegisterBenchmark((prefix + "zd").c_str(), worstFill, ourFill, workload.height)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
#ifdef ZD_HAVE_CAIRO
    benchmark::RegisterBenchmark((prefix + "cairo").c_str(), worstFill, cairoFill, workload.height)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
#endif
  }
}

}  // namespace

int main(int argc, char **argv) {
  zd_init();
  return zd::bench::runRegistered(argc, argv, registerAll);
}
