// Path-data exports: parse SVG path data into a new path, print a path.
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "capi/handles.hpp"
#include "path/pathdata.hpp"

using zd::capi::Arguments;
using zd::capi::guarded;
using zd::capi::kBadArgument;
using zd::capi::kOk;
using zd::capi::Ref;
namespace path = zd::path;

extern "C" {

ZD_API ZdStatus zd_path_parse_d(const char *text, ZdPath **out) {
  Arguments arguments(__func__);
  if (!arguments.notNil(out, "out")) return kBadArgument;
  *out = nullptr;
  if (!arguments.notNil(text, "text")) return kBadArgument;
  return guarded<ZdStatus>(kBadArgument, [&] {
    // The parser only reads the text during the call and keeps nothing of
    // it, so the caller's bytes are read in place up to the first NUL.
    path::Path parsed = path::parsePath(std::string_view(text, std::strlen(text)));
    auto *handle = new ZdPath();
    handle->value = std::move(parsed);
    *out = handle;
    return kOk;
  });
}

ZD_API ZdStatus zd_path_to_d(ZdPath *handle, char **out, int64_t *len) {
  zd::capi::clearBlockOutputs(out, len);
  if (!Arguments(__func__).notNil(out, "out").notNil(len, "len").notNil(handle, "path")) {
    return kBadArgument;
  }
  return guarded<ZdStatus>(kBadArgument, [&] {
    std::string text;
    {
      Ref<ZdPath> ref(handle);
      text = path::toString(*ref);
    }
    return zd::capi::writeString(text, out, len);
  });
}

}  // extern "C"
