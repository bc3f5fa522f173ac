// The frame every export shares: reference-counted handle objects, the one
// wrapper that turns any raised failure into a status, and the hand-out of
// blocks to the caller.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>
#include <utility>

#include "zd.h"

namespace zd::capi {

inline constexpr ZdStatus kOk = ZD_OK;
inline constexpr ZdStatus kBadArgument = ZD_BAD_ARGUMENT;
inline constexpr ZdStatus kOutOfMemory = ZD_OUT_OF_MEMORY;

// A handle object: the value and its reference count in a plain word.
template <class T>
struct Counted {
  std::size_t refs = 1;
  T value;
};

// Drops one reference; the last one destroys the object.
template <class Handle>
void release(Handle *handle) {
  if (--handle->refs == 0) delete handle;
}

// Holds one extra reference for the duration of a call (taken in argument
// order, released in reverse order by scope).
template <class Handle>
class Ref {
 public:
  explicit Ref(Handle *handle) : handle_(handle) { ++handle_->refs; }
  ~Ref() { release(handle_); }
  Ref(const Ref &) = delete;
  Ref &operator=(const Ref &) = delete;
  auto &operator*() const { return handle_->value; }
  auto *operator->() const { return &handle_->value; }

 private:
  Handle *handle_;
};

// Exhaustion of the library's own working memory is not a status: the
// process stops with a message, as documented.
[[noreturn]] void outOfMemory() noexcept;

// Runs the work of an export and translates any raised failure: `failure`
// (status 2, nil or 0) is returned instead. Every export goes through here.
template <class R, class Work>
R guarded(R failure, Work &&work) noexcept {
  try {
    return std::forward<Work>(work)();
  } catch (const std::bad_alloc &) {
    outOfMemory();
  } catch (...) {
    return failure;
  }
}

// True when every argument is a finite float (NaN and infinities fail).
template <class... Floats>
bool allFinite(Floats... values) {
  return (std::isfinite(values) && ...);
}

// Hands `text` to the caller as a NUL-terminated block from malloc.
// The outputs must already be non-nil and cleared. 8 when no block is had.
ZdStatus writeString(std::string_view text, char **out, int64_t *len) noexcept;

// Hands `bytes` to the caller as a block of exactly that length.
ZdStatus writeBytes(const std::uint8_t *bytes, std::size_t size, std::uint8_t **out,
                    int64_t *len) noexcept;

}  // namespace zd::capi
