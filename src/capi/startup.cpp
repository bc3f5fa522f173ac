// Start-up and tear-down of the library's global tables.
#include <cstdio>

#include "capi/frame.hpp"
#include "codec/codec.hpp"
#include "color/hub.hpp"
#include "color/registry.hpp"

namespace zd::capi {
void installSignalHandlers();
}

namespace {

// Plain bytes, not locks: a start-up must return before a second thread
// calls in. The two parts are done once each, whichever start-up comes first.
unsigned char modulesStarted = 0;
unsigned char signalsInstalled = 0;

void startModules() {
  if (modulesStarted != 0) return;
  // Each module's start-up in dependency order. A failure is dropped: it is
  // neither reported nor retried, and it leaves no message behind.
  char kept[512];
  std::snprintf(kept, sizeof kept, "%s", zd::capi::lastError());
  zd::capi::guarded(0, [] {
    zd::color::initColorSpaces();
    zd::color::initConversionHub();
    zd::codec::initJpegTables();
    return 0;
  });
  zd::capi::recordLastError(kept);
  modulesStarted = 1;
}

}  // namespace

extern "C" {

ZD_API void zd_init(void) {
  if (signalsInstalled == 0) {
    zd::capi::installSignalHandlers();
    signalsInstalled = 1;
  }
  startModules();
}

ZD_API void zd_init_keep_signals(void) { startModules(); }

ZD_API void zd_destroy_globals(void) {
  // Global tables are released here, in the reverse order of start-up.
  zd::color::destroyConversionHub();
  zd::color::destroyColorSpaces();
}

}  // extern "C"
