// The colour library reports failures as Result errors, not exceptions: the
// exports that receive one record its message as the thread's.
#pragma once

#include "capi/frame.hpp"
#include "color/color.hpp"

namespace zd::capi {

// Records a colour error: its message, prefixed with its context (the
// operation) unless the message already starts with it.
inline void recordColorError(const zd::color::ColorError &error) {
  const bool named = error.context.empty() || error.message.starts_with(error.context + ":");
  if (named) {
    recordLastError(error.message);
  } else {
    recordLastError(error.context.c_str(), error.message);
  }
}

// The same for an export: a message that names no operation of its own is
// prefixed with the export's name, so the host always learns where it failed.
inline void recordColorError(const char *function, const zd::color::ColorError &error) {
  if (error.context.empty() && error.message.find(": ") == std::string::npos) {
    recordLastError(function, error.message);
  } else {
    recordColorError(error);
  }
}

}  // namespace zd::capi
