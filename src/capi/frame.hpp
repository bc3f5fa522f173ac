// The frame every export shares: reference-counted handle objects, the
// argument checks, the one wrapper that turns any raised failure into a
// status, the thread's message for its last failed call, and the hand-out of
// blocks to the caller.
//
// How an export is written, so that every failure leaves a message a person
// can act on and every success clears it:
//
//   ZD_API ZdStatus zd_path_circle(ZdPath *p, float cx, float cy, float r) {
//     if (!Arguments(__func__).notNil(p, "path").require(!(r < 0.0f), "r must be >= 0")
//              .finite("cx cy r", cx, cy, r)) {
//       return kBadArgument;  // the message is recorded
//     }
//     return guarded<ZdStatus>(kBadArgument, [&] { ...; return kOk; });
//   }
//
// `Arguments` clears the message when it is made and records the first
// problem it meets; `guarded` clears it on entry and records the text of any
// failure raised inside; a failure noticed inside the work without raising is
// recorded with `refuse`. No failure is ever returned without one of them.
// An export whose work always follows a passed `Arguments` check may use
// `guardedAfterCheck`, which leaves the just-cleared message alone.
#pragma once

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <new>
#include <string_view>
#include <utility>

#include "common/errors.hpp"
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

// ------------------------------------------------ the thread's last message

// The calling thread's message (never nil; empty when there is none). It
// lives in a fixed per-thread buffer, so recording never allocates and the
// text stays valid until the thread's next call.
const char *lastError() noexcept;
void clearLastError() noexcept;
// Records `text` (cut to the buffer with "..." when longer).
void recordLastError(std::string_view text) noexcept;
// Records "function: text".
void recordLastError(const char *function, std::string_view text) noexcept;
// Records a printf-style message. Only integer and string conversions are
// used, which do not depend on the locale.
[[gnu::format(printf, 1, 2)]] void recordLastErrorf(const char *format, ...) noexcept;

// Records a printf-style message and returns status 2: for a failure noticed
// inside the work without raising.
[[gnu::format(printf, 1, 2)]] ZdStatus refuse(const char *format, ...) noexcept;

// The argument checks of one export, in the documented order: nil handles
// and outputs, then range rules, then finiteness of the floats in argument
// order. Making it clears the thread's message; the first problem is
// recorded as "function: what" and every later check is skipped. Converts to
// true while no problem was found.
class Arguments {
 public:
  explicit Arguments(const char *function) noexcept : function_(function) { clearLastError(); }

  // "<name> is nil" when `pointer` is nil.
  Arguments &notNil(const void *pointer, const char *name) noexcept {
    if (ok_ && pointer == nullptr) fail("%s is nil", name);
    return *this;
  }

  // A range rule: `format` says what must hold ("r must be >= 0").
  [[gnu::format(printf, 3, 4)]] Arguments &require(bool holds, const char *format, ...) noexcept;

  // "<name> is not finite" for the first NaN or infinity; `names` lists the
  // values' names in order, separated by single spaces.
  template <class... Floats>
  Arguments &finite(const char *names, Floats... values) noexcept {
    if (!ok_) return *this;
    const float list[] = {static_cast<float>(values)...};
    for (std::size_t i = 0; i < sizeof...(values); ++i) {
      if (!std::isfinite(list[i])) {
        failNotFinite(names, i);
        break;
      }
    }
    return *this;
  }

  explicit operator bool() const noexcept { return ok_; }

 private:
  [[gnu::format(printf, 2, 3)]] void fail(const char *format, ...) noexcept;
  void failNotFinite(const char *names, std::size_t index) noexcept;

  const char *function_;
  bool ok_ = true;
};

namespace detail {

// The translation of raised failures that guarded and guardedAfterCheck share.
template <class R, class Work>
R translateFailures(R failure, Work &&work, const char *function) noexcept {
  try {
    return std::forward<Work>(work)();
  } catch (const std::bad_alloc &) {
    outOfMemory();
  } catch (const zd::Error &error) {
    recordLastError(error.what());  // our own texts start with their operation
  } catch (const zd::Defect &defect) {
    recordLastError(defect.what());
  } catch (const std::exception &other) {
    recordLastError(function, other.what());
  } catch (...) {
    recordLastError(function, "unknown failure");
  }
  return failure;
}

}  // namespace detail

// Runs the work of an export and translates any raised failure: `failure`
// (status 2, nil or 0) is returned instead and the failure's text becomes
// the thread's message. Every export goes through here. The message is
// cleared on entry; `function` names the export in texts that lack an
// operation of their own.
template <class R, class Work>
R guarded(R failure, Work &&work, const char *function = __builtin_FUNCTION()) noexcept {
  clearLastError();
  return detail::translateFailures(failure, std::forward<Work>(work), function);
}

// guarded for an export whose `Arguments` check has just passed: that check
// cleared the message, so it is not cleared again. The thread's message sits
// behind a thread-local lookup, which costs more than the rest of a small
// builder like zd_path_line_to.
template <class R, class Work>
R guardedAfterCheck(R failure, Work &&work, const char *function = __builtin_FUNCTION()) noexcept {
  return detail::translateFailures(failure, std::forward<Work>(work), function);
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
