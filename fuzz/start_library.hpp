// Starts the library for a fuzz target. zd_init installs the library's own
// handlers for SIGSEGV, SIGABRT and the rest, and libFuzzer leaves a handler
// it finds in place: a broken invariant (abort) would then end the run
// without the input that caused it being saved. The default dispositions are
// put back here, before libFuzzer installs its handlers.
#pragma once

#include <csignal>
#include <initializer_list>

#include "zd.h"

namespace zd::fuzzing {

inline void startLibrary() {
  zd_init();
  for (int signal : {SIGINT, SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS})
    std::signal(signal, SIG_DFL);
}

}  // namespace zd::fuzzing
