// Frame exports: version queries, status texts, the thread's last message,
// blocks, signal handlers.
#include "capi/frame.hpp"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zd::capi {

void outOfMemory() noexcept {
  std::fwrite("out of memory\n", 1, 14, stderr);
  std::fflush(stderr);
  std::exit(1);
}

// ------------------------------------------------ the thread's last message

namespace {

// Long enough for any message of ours with a quoted piece of the caller's
// text; longer texts are cut.
constexpr std::size_t kMessageSize = 512;
thread_local char message[kMessageSize];

void recordVf(const char *prefix, const char *format, std::va_list args) noexcept {
  char text[kMessageSize];
  std::vsnprintf(text, sizeof text, format, args);
  if (prefix != nullptr) {
    recordLastError(prefix, text);
  } else {
    recordLastError(text);
  }
}

}  // namespace

const char *lastError() noexcept { return message; }

void clearLastError() noexcept { message[0] = '\0'; }

void recordLastError(std::string_view text) noexcept {
  constexpr std::string_view kCut = "...";
  std::size_t size = text.size();
  if (size >= kMessageSize) {
    size = kMessageSize - 1 - kCut.size();
    std::memcpy(message + size, kCut.data(), kCut.size());
    message[size + kCut.size()] = '\0';
  } else {
    message[size] = '\0';
  }
  std::memcpy(message, text.data(), size);
}

void recordLastError(const char *function, std::string_view text) noexcept {
  char joined[kMessageSize];
  const int length =
      std::snprintf(joined, sizeof joined, "%s: %.*s", function,
                    static_cast<int>(std::min(text.size(), kMessageSize)), text.data());
  recordLastError(std::string_view(
      joined, std::min(static_cast<std::size_t>(std::max(length, 0)), sizeof joined - 1)));
}

void recordLastErrorf(const char *format, ...) noexcept {
  std::va_list args;
  va_start(args, format);
  recordVf(nullptr, format, args);
  va_end(args);
}

ZdStatus refuse(const char *format, ...) noexcept {
  std::va_list args;
  va_start(args, format);
  recordVf(nullptr, format, args);
  va_end(args);
  return kBadArgument;
}

Arguments &Arguments::require(bool holds, const char *format, ...) noexcept {
  if (ok_ && !holds) {
    ok_ = false;
    std::va_list args;
    va_start(args, format);
    recordVf(function_, format, args);
    va_end(args);
  }
  return *this;
}

void Arguments::fail(const char *format, ...) noexcept {
  ok_ = false;
  std::va_list args;
  va_start(args, format);
  recordVf(function_, format, args);
  va_end(args);
}

void Arguments::failNotFinite(const char *names, std::size_t index) noexcept {
  std::string_view rest(names);
  for (; index > 0; --index) {
    const std::size_t space = rest.find(' ');
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
  }
  const std::string_view name = rest.substr(0, rest.find(' '));
  fail("%.*s is not finite", static_cast<int>(name.size()), name.data());
}

// ------------------------------------------------------------ blocks

ZdStatus writeString(std::string_view text, char **out, int64_t *len) noexcept {
  auto *block = static_cast<char *>(std::malloc(text.size() + 1));
  if (block == nullptr) {
    recordLastErrorf("out of memory: no block of %zu bytes for the result", text.size() + 1);
    return kOutOfMemory;
  }
  if (!text.empty()) std::memcpy(block, text.data(), text.size());
  block[text.size()] = '\0';
  *out = block;
  *len = static_cast<int64_t>(text.size());
  return kOk;
}

ZdStatus writeBytes(const std::uint8_t *bytes, std::size_t size, std::uint8_t **out,
                    int64_t *len) noexcept {
  // malloc(0) may give nil or a unique pointer; ask for at least one byte so
  // a success always hands out a real block.
  auto *block = static_cast<std::uint8_t *>(std::malloc(size == 0 ? 1 : size));
  if (block == nullptr) {
    recordLastErrorf("out of memory: no block of %zu bytes for the result", size);
    return kOutOfMemory;
  }
  if (size != 0) std::memcpy(block, bytes, size);
  *out = block;
  *len = static_cast<int64_t>(size);
  return kOk;
}

namespace {

const char *signalMessage(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT: Interrupted by Ctrl-C.\n";
    case SIGSEGV: return "SIGSEGV: Illegal storage access. (Attempt to read from nil?)\n";
    case SIGABRT: return "SIGABRT: Abnormal termination.\n";
    case SIGFPE: return "SIGFPE: Arithmetic error.\n";
    case SIGILL: return "SIGILL: Illegal operation.\n";
    case SIGBUS: return "SIGBUS: Illegal storage access. (Attempt to read from nil?)\n";
    default: return "unknown signal\n";
  }
}

// Prints the signal's message with write(2), which is safe here, then lets
// the default action end the process as it would have without us.
extern "C" void handleSignal(int signal) {
  const char *message = signalMessage(signal);
  ssize_t ignored = ::write(STDERR_FILENO, message, std::strlen(message));
  (void)ignored;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

void installSignalHandlers() {
  for (int signal : {SIGINT, SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS}) {
    std::signal(signal, handleSignal);
  }
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace zd::capi

extern "C" {

ZD_API int32_t zd_abi_version(void) { return 1; }

// The text comes from the project's version in the build.
ZD_API const char *zd_version(void) { return ZD_VERSION_TEXT; }

ZD_API const char *zd_strerror(ZdStatus status) {
  switch (static_cast<uint32_t>(status)) {
    case 0: return "ok";
    case 2: return "bad argument / nil handle / unparseable path / bad color";
    case 4: return "unsupported operation";
    case 8: return "out of memory";
    default: return "unknown error";
  }
}

ZD_API void zd_buffer_free(void *block) { std::free(block); }

ZD_API const char *zd_last_error(void) { return zd::capi::lastError(); }

}  // extern "C"
