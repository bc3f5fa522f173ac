// The main of a benchmark program whose benchmarks are registered at run
// time (their names are built from their workloads): register, then run
// what the command line selects.
#pragma once

#include <benchmark/benchmark.h>

namespace zd::bench {

inline int runRegistered(int argc, char **argv, void (*registerAll)()) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace zd::bench
