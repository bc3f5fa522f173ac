#include "diagnostics.hpp"

namespace zdr {

void Diagnostics::unsupported(const std::string &kind, int line) {
  if (!said_.insert(kind).second) return;
  ++unsupportedKinds_;
  if (warn_ == nullptr) return;
  const std::string message =
      "unsupported " + kind + " skipped" + (line > 0 ? " (line " + std::to_string(line) + ")" : "");
  warn_(context_, message.c_str());
}

void Diagnostics::note(const std::string &message) {
  if (!said_.insert(message).second || warn_ == nullptr) return;
  warn_(context_, message.c_str());
}

}  // namespace zdr
