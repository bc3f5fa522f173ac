// Placeholders for exports whose modules are being built; each is replaced
// by its real file and removed from here.
#include "capi/frame.hpp"
extern "C" {
}
