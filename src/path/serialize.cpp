// The path-data serializer: canonical text, one letter per command and one
// space after every token. Numbers go through std::to_chars, which never
// looks at the C locale, so a host with a decimal-comma LC_NUMERIC still
// gets '.'.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "common/errors.hpp"
#include "path/pathdata.hpp"

namespace zd::path {

namespace {

// Longest text of one number and its space: a float of 2^127 and more has
// 39 digits; with sign and space that is 41. Non-integral floats are below
// 2^23 and need at most 16.
constexpr std::size_t kMaxNumberBytes = 48;

[[noreturn]] void failNonFinite() { throw Error("path: cannot serialize a non-finite coordinate"); }

// Writes the text of x and one space at `at` (room for kMaxNumberBytes).
char *formatNumber(char *at, float x) {
  if (!std::isfinite(x)) failNonFinite();
  char *const end = at + kMaxNumberBytes;
  if (std::floor(x) == x) {
    // Integral: every digit, no point, no exponent; both zeros print "0".
    if (x == 0.0f) {
      *at++ = '0';
    } else if (std::fabs(x) < 0x1p62f) {
      at = std::to_chars(at, end, static_cast<std::int64_t>(x)).ptr;
    } else {
      at = std::to_chars(at, end, static_cast<double>(x), std::chars_format::fixed, 0).ptr;
    }
  } else {
    // Six decimals of the exact value, correctly rounded (ties to even),
    // then trailing zeros and a bare point dropped; the first character stays.
    char *const first = at;
    at = std::to_chars(at, end, static_cast<double>(x), std::chars_format::fixed, 6).ptr;
    while (at - first > 1 && at[-1] == '0') --at;
    if (at - first > 1 && at[-1] == '.') --at;
  }
  *at++ = ' ';
  return at;
}

// The string being built, written through a raw cursor: grown ahead of each
// command so every number can be converted in place.
class TextBuilder {
 public:
  explicit TextBuilder(std::size_t expectedBytes) { text_.resize(expectedBytes); }

  char *room(std::size_t bytes) {
    if (text_.size() - used_ < bytes) text_.resize(std::max(text_.size() * 2, used_ + bytes));
    return text_.data() + used_;
  }
  void advanceTo(const char *at) { used_ = static_cast<std::size_t>(at - text_.data()); }

  std::string take() {
    if (used_ > 0 && text_[used_ - 1] == ' ') --used_;  // the last token's space
    text_.resize(used_);
    return std::move(text_);
  }

 private:
  std::string text_;
  std::size_t used_ = 0;
};

}  // namespace

void writeNum(std::string &out, float x) {
  char buffer[kMaxNumberBytes];
  const char *end = formatNumber(buffer, x);
  out.append(buffer, static_cast<std::size_t>(end - buffer));
}

std::string toString(const Path &path) {
  // About ten bytes per number is typical; the builder grows when needed.
  TextBuilder builder(path.commands.size() * 24);
  for (const PathCommand &command : path.commands) {
    const PathCommandKind kind = command.kind();
    if (kind >= kKindCount) throw Defect("path: command kind out of range");
    float numbers[7];
    const int count = command.parameters(numbers);
    if (absoluteKind(kind) == pArc) numbers[2] = command.rot() * kRadiansToDegrees;

    char *at = builder.room(2 + kMaxNumberBytes * static_cast<std::size_t>(count));
    *at++ = kKindInfo[kind].letter;
    *at++ = ' ';
    for (int i = 0; i < count; ++i) at = formatNumber(at, numbers[i]);
    builder.advanceTo(at);
  }
  return builder.take();
}

}  // namespace zd::path
