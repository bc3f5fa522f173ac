// Start-up and tear-down of the library's global tables.
#include "capi/frame.hpp"
#include "codec/codec.hpp"
#include "color/hub.hpp"
#include "color/registry.hpp"

namespace zd::capi {
void installSignalHandlers();
}

namespace {
// A plain byte, not a lock: zd_init must return before a second thread calls in.
unsigned char started = 0;
}  // namespace

extern "C" {

ZD_API void zd_init(void) {
  if (started != 0) return;
  zd::capi::installSignalHandlers();
  // Each module's start-up in dependency order. A failure is dropped: it is
  // neither reported nor retried.
  zd::capi::guarded(0, [] {
    zd::color::initColorSpaces();
    zd::color::initConversionHub();
    zd::codec::initJpegTables();
    return 0;
  });
  started = 1;
}

ZD_API void zd_destroy_globals(void) {
  // Global tables are released here, in the reverse order of start-up.
  zd::color::destroyConversionHub();
  zd::color::destroyColorSpaces();
}

}  // extern "C"
