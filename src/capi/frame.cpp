// Frame exports: version queries, status texts, blocks, signal handlers.
#include "capi/frame.hpp"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zd::capi {

void outOfMemory() noexcept {
  std::fwrite("out of memory\n", 1, 14, stderr);
  std::fflush(stderr);
  std::exit(1);
}

ZdStatus writeString(std::string_view text, char **out, int64_t *len) noexcept {
  auto *block = static_cast<char *>(std::malloc(text.size() + 1));
  if (block == nullptr) return kOutOfMemory;
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
  if (block == nullptr) return kOutOfMemory;
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

ZD_API const char *zd_version(void) { return "1.0.0"; }

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

}  // extern "C"
