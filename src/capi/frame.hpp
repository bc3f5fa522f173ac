// The frame every export shares: reference-counted handle objects, the one
// wrapper that turns any raised failure into a status, and the hand-out of
// blocks to the caller.
#pragma once

#include <atomic>
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

// A handle object: the value and its reference count.
//
// The count is atomic so that one handle may be passed to calls on several
// threads at once: every call holds a reference while it works, and those
// references are taken and dropped concurrently even when the calls only
// read the value. Taking a reference needs no ordering (the taker already
// holds one, so the object cannot go away under it). The last drop must see
// every other thread's use of the value finished before the object is
// destroyed: each drop releases, and the drop that reaches zero also
// acquires. acq_rel on every decrement costs the same locked instruction as
// release plus a fence on the last one, and ThreadSanitizer understands it.
template <class T>
struct Counted {
  std::atomic<std::size_t> refs{1};
  T value;
};

// Drops one reference; the last one destroys the object.
template <class Handle>
void release(Handle *handle) {
  if (handle->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete handle;
}

// Holds one extra reference for the duration of a call (taken in argument
// order, released in reverse order by scope).
template <class Handle>
class Ref {
 public:
  explicit Ref(Handle *handle) : handle_(handle) {
    handle_->refs.fetch_add(1, std::memory_order_relaxed);
  }
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

// Clears whichever of a block output and its length output is given, so that
// both hold nil / 0 after any failure, even when the other one is nil. True
// when both are given and the call may go on.
template <class Block>
bool clearBlockOutputs(Block **out, int64_t *len) noexcept {
  if (out != nullptr) *out = nullptr;
  if (len != nullptr) *len = 0;
  return out != nullptr && len != nullptr;
}

// Hands `text` to the caller as a NUL-terminated block from malloc.
// The outputs must already be non-nil and cleared. 8 when no block is had.
ZdStatus writeString(std::string_view text, char **out, int64_t *len) noexcept;

// Hands `bytes` to the caller as a block of exactly that length.
ZdStatus writeBytes(const std::uint8_t *bytes, std::size_t size, std::uint8_t **out,
                    int64_t *len) noexcept;

}  // namespace zd::capi
