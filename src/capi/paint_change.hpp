// The one way a paint setter changes its paint: its arguments already
// checked, the change runs with one reference held, inside the frame.
#pragma once

#include "capi/frame.hpp"
#include "capi/handles.hpp"

namespace zd::capi {

template <class Change>
ZdStatus changePaint(ZdPaint *handle, Change &&work, const char *function) {
  return guarded<ZdStatus>(
      kBadArgument,
      [&] {
        Ref<ZdPaint> ref(handle);
        work(static_cast<zd::paint::Paint &>(*ref));
        return kOk;
      },
      function);
}

}  // namespace zd::capi
