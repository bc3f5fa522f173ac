// Parses arbitrary bytes as path data; whatever parses is printed and parsed
// again, and the second parse must give the same command kinds and state.
#include <bit>
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

// Bit-exact equality of two parse results.
bool samePath(const Path &a, const Path &b) {
  if (a.commands.size() != b.commands.size()) return false;
  for (std::size_t i = 0; i < a.commands.size(); ++i) {
    if (a.commands[i].kind() != b.commands[i].kind()) return false;
    float x[7], y[7];
    const int count = a.commands[i].parameters(x);
    b.commands[i].parameters(y);
    for (int k = 0; k < count; ++k) {
      if (std::bit_cast<std::uint32_t>(x[k]) != std::bit_cast<std::uint32_t>(y[k])) return false;
    }
  }
  return std::bit_cast<std::uint64_t>(a.start) == std::bit_cast<std::uint64_t>(b.start) &&
         std::bit_cast<std::uint64_t>(a.current) == std::bit_cast<std::uint64_t>(b.current);
}

// The parse, or its failure message.
struct Outcome {
  Path path;
  std::string error;
};

Outcome parse(std::string_view text, bool bytewise) {
  Outcome outcome;
  try {
    outcome.path = bytewise ? zd::path::parsePathBytewise(text) : zd::path::parsePath(text);
  } catch (const zd::Error &error) {
    outcome.error = error.what();
    if (outcome.error.empty()) outcome.error = "(empty message)";
  }
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  // The fast parse and the byte-by-byte parse must agree exactly, failures
  // included. Rejected input is fine; any other exception escapes.
  const Outcome fast = parse(text, false);
  const Outcome bytewise = parse(text, true);
  if (fast.error != bytewise.error) broken();
  if (!fast.error.empty()) return 0;
  if (!samePath(fast.path, bytewise.path)) broken();
  const Path &first = fast.path;

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
