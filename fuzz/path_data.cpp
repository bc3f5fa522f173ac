// Parses arbitrary bytes as path data; whatever parses is printed and parsed
// again, and the second parse must give the same command kinds and state.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/errors.hpp"
#include "path/pathdata.hpp"

namespace {

using zd::path::Path;

[[noreturn]] void broken() { std::abort(); }

// Printing may only fail when an arc rotation, finite in radians, overflows
// once turned into degrees.
bool hasUnprintableRotation(const Path &path) {
  for (const auto &command : path.commands) {
    if (zd::path::absoluteKind(command.kind()) != zd::path::pArc) continue;
    if (!std::isfinite(command.rot() * zd::path::kRadiansToDegrees)) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  Path first;
  try {
    first = zd::path::parsePath(text);
  } catch (const zd::Error &) {
    return 0;  // rejected input is fine; any other exception escapes and is reported
  }

  std::string printed;
  try {
    printed = zd::path::toString(first);
  } catch (const zd::Error &) {
    if (!hasUnprintableRotation(first)) broken();
    return 0;
  }

  // What was printed must parse again, to the same command kinds, and be
  // canonical: single spaces, none at either end.
  Path second;
  try {
    second = zd::path::parsePath(printed);
  } catch (const zd::Error &) {
    broken();
  }
  if (second.commands.size() != first.commands.size()) broken();
  for (std::size_t i = 0; i < first.commands.size(); ++i) {
    if (first.commands[i].kind() != second.commands[i].kind()) broken();
  }
  if (printed.find("  ") != std::string::npos) broken();
  if (!printed.empty() && (printed.front() == ' ' || printed.back() == ' ')) broken();
  return 0;
}
