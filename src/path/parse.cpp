// The path-data parser: one pass over the bytes, classified one by one.
//
// Numbers are collected per command letter; every complete group of a
// letter's numbers becomes one command. Checks that belong to the end of a
// letter (a whole number of groups, valid arc groups) are raised only when
// the next letter or the end of the text is reached, so the first problem in
// reading order is the one reported.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "common/errors.hpp"
#include "path/pathdata.hpp"

namespace zd::path {

namespace {

[[noreturn]] void fail(std::string message) { throw Error(std::move(message)); }

// ------------------------------------------------------------ byte classes

enum ByteClass : std::uint8_t {
  bcOther,      // anything the grammar has no use for: an error
  bcSeparator,  // tab, line feed, carriage return, space, comma
  bcSign,       // '+' '-'
  bcPoint,      // '.'
  bcDigit,      // '0'..'9'
  bcExponent,   // 'e' 'E'
  bcLetter,     // the twenty command letters
};

constexpr std::string_view kCommandLetters = "ACHLMQSTVZachlmqstvz";

constexpr std::array<std::uint8_t, 256> makeClasses() {
  std::array<std::uint8_t, 256> classes{};
  for (unsigned char c : std::string_view("\t\n\r ,")) classes[c] = bcSeparator;
  classes['+'] = bcSign;
  classes['-'] = bcSign;
  classes['.'] = bcPoint;
  for (int c = '0'; c <= '9'; ++c) classes[c] = bcDigit;
  classes['e'] = bcExponent;
  classes['E'] = bcExponent;
  for (unsigned char c : kCommandLetters) classes[c] = bcLetter;
  return classes;
}
constexpr std::array<std::uint8_t, 256> kClasses = makeClasses();

bool isArcKind(PathCommandKind kind) { return kind == pArc || kind == pRArc; }

// ------------------------------------------------------------ float reader

// Decides the direction of a conversion that left the double range: true
// when the number is too large, false when it is too small. `text` is a
// valid decimal without a leading sign.
bool exceedsRange(std::string_view text) {
  long long position = 0;  // decimal exponent of the first significant digit, plus one
  bool seenPoint = false;
  bool seenSignificant = false;
  std::size_t i = 0;
  for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
    const char c = text[i];
    if (c == '.') {
      seenPoint = true;
    } else if (!seenSignificant) {
      if (c != '0') {
        seenSignificant = true;
        if (!seenPoint) position = 1;
      } else if (seenPoint) {
        --position;
      }
    } else if (!seenPoint) {
      ++position;
    }
  }
  long long exponent = 0;
  bool negative = false;
  if (i < text.size()) ++i;  // the 'e'
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  for (; i < text.size(); ++i) exponent = std::min(exponent * 10 + (text[i] - '0'), 1000000LL);
  return position + (negative ? -exponent : exponent) > 0;
}

// A sign and a point with no digit ("." "-." "+.") reads as zero.
bool isLonePoint(std::string_view text) {
  return text == "." || text == "-." || text == "+.";
}

// Magnitude from which a double rounds to infinity as a float: half an ulp
// above the largest float.
constexpr double kFloatOverflow = 0x1.ffffffp127;

// Reads one number text as a double, checks it and rounds it to a float.
float readNumber(const char *begin, const char *end) {
  const std::string_view text(begin, static_cast<std::size_t>(end - begin));
  const char *digits = (*begin == '+') ? begin + 1 : begin;  // from_chars takes no '+'
  double value = 0.0;
  const auto [stop, error] = std::from_chars(digits, end, value);
  if (error == std::errc::invalid_argument) {
    if (!isLonePoint(text)) fail("invalid float: " + std::string(text));
    value = (*begin == '-') ? -0.0 : 0.0;
  } else if (stop != end) {
    fail("invalid float: " + std::string(text));
  } else if (error == std::errc::result_out_of_range) {
    const bool negative = *digits == '-';
    const std::string_view magnitude = text.substr(static_cast<std::size_t>(
        digits - begin + (negative ? 1 : 0)));
    value = exceedsRange(magnitude) ? HUGE_VAL : 0.0;
    if (negative) value = -value;
  }
  // A finite double that would round to an infinite float is refused the
  // same way: a path never holds a coordinate that cannot be printed.
  if (!std::isfinite(value) || std::fabs(value) >= kFloatOverflow) {
    fail("parsePath: non-finite number");
  }
  return static_cast<float>(value);
}

// ------------------------------------------------------------ groups

std::string wrongCount(PathCommandKind kind) {
  return "parsePath: wrong parameter count for " + std::string(toString(kind));
}

// Radii not below zero (-0 passes), flags exactly 0 or 1.
bool arcGroupValid(const float *g) {
  return !(g[0] < 0.0f) && !(g[1] < 0.0f) && (g[3] == 0.0f || g[3] == 1.0f) &&
         (g[4] == 0.0f || g[4] == 1.0f);
}

// The kind of group `index` of a letter: a moveto repeats as lineto.
PathCommandKind groupKind(PathCommandKind kind, std::uint64_t index) {
  if (index == 0) return kind;
  if (kind == pMove) return pLine;
  if (kind == pRMove) return pRLine;
  return kind;
}

// One command from one group of numbers in path-data order.
PathCommand makeCommand(PathCommandKind kind, const float *g) {
  switch (absoluteKind(kind)) {
    case pClose: return PathCommand::close();
    case pMove:
    case pLine:
    case pTQuad: return PathCommand::point(kind, {g[0], g[1]});
    case pHLine:
    case pVLine: return PathCommand::value(kind, g[0]);
    case pCubic: return PathCommand::cubic(kind, {g[0], g[1]}, {g[2], g[3]}, {g[4], g[5]});
    case pSCubic:
    case pQuad: return PathCommand::controlEnd(kind, {g[0], g[1]}, {g[2], g[3]});
    case pArc:
      return PathCommand::arc(kind, {g[0], g[1]}, g[2] * kDegreesToRadians, g[3] == 1.0f,
                              g[4] == 1.0f, {g[5], g[6]});
    default: break;
  }
  throw Defect("parsePath: command kind out of range");
}

// ------------------------------------------------------------ command log

// Commands are logged compactly while the text is scanned and expanded into
// the path's array once their number is known, so that array is allocated
// once, at its final size. A record is one byte for the kind and only the
// numbers the kind carries; an arc keeps its two flags in the kind byte and
// logs five floats. At most 25 bytes per command against 28 in the array,
// so a parse peaks below twice the final array (plus one block), where a
// doubling array alone can reach three times.
class CommandLog {
 public:
  explicit CommandLog(std::size_t textSize)
      : firstBlockBytes_(std::min(kMaxBlockBytes, textSize * 3 + 64)) {}

  // `group` holds the numbers in path-data order (an arc's flags as 0 / 1).
  void append(PathCommandKind kind, const float *group) {
    float numbers[6];
    std::uint8_t tag = kind;
    std::size_t n = static_cast<std::size_t>(parameterCount(kind));
    if (isArcKind(kind)) {
      tag |= (group[3] == 1.0f ? kLargeArcBit : 0) | (group[4] == 1.0f ? kSweepBit : 0);
      numbers[0] = group[0];
      numbers[1] = group[1];
      numbers[2] = group[2];
      numbers[3] = group[5];
      numbers[4] = group[6];
      group = numbers;
      n = 5;
    }
    const std::size_t need = 1 + sizeof(float) * n;
    if (blocks_.empty() || blocks_.back().used + need > blocks_.back().capacity) addBlock(need);
    Block &block = blocks_.back();
    unsigned char *at = block.bytes.get() + block.used;
    at[0] = tag;
    if (n != 0) std::memcpy(at + 1, group, need - 1);
    block.used += need;
    if (count_ == 0) firstKind_ = kind;
    ++count_;
  }

  std::size_t count() const { return count_; }
  PathCommandKind firstKind() const { return firstKind_; }

  // Appends the logged commands to `path`, in order.
  void expandInto(Path &path) const {
    path.commands.reserve(path.commands.size() + count_);
    float group[7];
    for (const Block &block : blocks_) {
      for (std::size_t at = 0; at < block.used;) {
        const std::uint8_t tag = block.bytes[at];
        const auto kind = static_cast<PathCommandKind>(tag & kKindMask);
        const unsigned char *numbers = block.bytes.get() + at + 1;
        std::size_t bytes = sizeof(float) * static_cast<std::size_t>(parameterCount(kind));
        if (isArcKind(kind)) {
          bytes = sizeof(float) * 5;
          std::memcpy(group, numbers, sizeof(float) * 3);
          group[3] = (tag & kLargeArcBit) ? 1.0f : 0.0f;
          group[4] = (tag & kSweepBit) ? 1.0f : 0.0f;
          std::memcpy(group + 5, numbers + sizeof(float) * 3, sizeof(float) * 2);
        } else if (bytes != 0) {
          std::memcpy(group, numbers, bytes);
        }
        add(path, makeCommand(kind, group));
        at += 1 + bytes;
      }
    }
  }

 private:
  static constexpr std::size_t kMaxBlockBytes = 64 * 1024;
  static constexpr std::uint8_t kKindMask = 0x1F;
  static constexpr std::uint8_t kLargeArcBit = 0x20;
  static constexpr std::uint8_t kSweepBit = 0x40;

  struct Block {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t capacity = 0;
    std::size_t used = 0;
  };

  void addBlock(std::size_t need) {
    const std::size_t capacity =
        std::max(blocks_.empty() ? firstBlockBytes_ : kMaxBlockBytes, need);
    blocks_.push_back({std::make_unique_for_overwrite<unsigned char[]>(capacity), capacity, 0});
  }

  std::size_t firstBlockBytes_;
  std::vector<Block> blocks_;
  std::size_t count_ = 0;
  PathCommandKind firstKind_ = pClose;
};

// ------------------------------------------------------------ scanner

class Parser {
 public:
  explicit Parser(std::string_view text)
      : bytes_(reinterpret_cast<const unsigned char *>(text.data())),
        size_(text.size()),
        log_(text.size()) {}

  Path run() {
    for (std::size_t i = 0; i < size_; ++i) {
      const unsigned char c = bytes_[i];
      switch (kClasses[c]) {
        case bcSeparator: finish(i); break;
        case bcSign: onSign(i); break;
        case bcPoint: onPoint(i); break;
        case bcDigit:
        case bcExponent: i = onDigitOrExponent(i, c); break;
        case bcLetter: onLetter(i, c); break;
        default:
          fail("parsePath: unexpected character '" + std::string(1, static_cast<char>(c)) +
               "'");
      }
    }
    finish(size_);
    flushPending();
    if (log_.count() > 0 && log_.firstKind() != pMove && log_.firstKind() != pRMove) {
      fail("parsePath: path must begin with moveto");
    }
    Path path;
    log_.expandInto(path);
    refreshState(path);
    return path;
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  bool inNumber() const { return numberStart_ != kNone; }
  // The next number is an arc's large-arc or sweep flag: one byte, 0 or 1.
  bool atArcFlag() const { return pendingArc_ && (inGroup_ == 3 || inGroup_ == 4); }

  void requireCommand() const {
    if (!hasPending_) fail("parsePath: number without a command");
  }

  // Signs and points share the arc-flag rules: a flag in progress is
  // complete, and neither may start a flag.
  void arcFlagRules(std::size_t i) {
    if (inNumber() && atArcFlag()) finish(i);
    if (atArcFlag()) fail("parsePath: arc flag must be 0 or 1");
  }

  void onSign(std::size_t i) {
    requireCommand();
    arcFlagRules(i);
    const unsigned char before = i > 0 ? bytes_[i - 1] : 0;
    if (inNumber() && (before == 'e' || before == 'E')) return;  // exponent sign
    finish(i);
    numberStart_ = i;
  }

  void onPoint(std::size_t i) {
    requireCommand();
    arcFlagRules(i);
    if (pointSeen_) finish(i);  // a second point starts the next number
    pointSeen_ = true;
    if (!inNumber()) numberStart_ = i;
  }

  // Returns the index of the last byte consumed: a run of plain digits
  // continuing a number is taken in one go.
  std::size_t onDigitOrExponent(std::size_t i, unsigned char c) {
    requireCommand();
    if (inNumber() && atArcFlag()) finish(i);
    if (atArcFlag() && c != '0' && c != '1') fail("parsePath: arc flag must be 0 or 1");
    const bool digit = c >= '0' && c <= '9';
    if (!inNumber()) {
      numberStart_ = i;
    } else if (digit && i - numberStart_ == 1 && bytes_[numberStart_] == '0') {
      finish(i);  // an unsigned leading zero is a number by itself
      numberStart_ = i;
    }
    if (atArcFlag()) return i;
    // A lone '0' ends at the next digit; anything else takes the digits.
    if (i == numberStart_ && c == '0') return i;
    while (i + 1 < size_ && bytes_[i + 1] >= '0' && bytes_[i + 1] <= '9') ++i;
    return i;
  }

  void onLetter(std::size_t i, unsigned char c) {
    finish(i);
    flushPending();
    const PathCommandKind kind = charToKind(static_cast<char>(c));
    if (kind == pClose) {
      log_.append(pClose, group_);
      hasPending_ = false;
      pendingArc_ = false;
      return;
    }
    hasPending_ = true;
    pending_ = kind;
    pendingArc_ = isArcKind(kind);
    groupSize_ = parameterCount(kind);
  }

  // Ends the number in progress at byte i (exclusive) and files its value.
  void finish(std::size_t i) {
    pointSeen_ = false;
    if (!inNumber()) return;
    const std::size_t start = numberStart_;
    numberStart_ = kNone;
    const char *text = reinterpret_cast<const char *>(bytes_);
    addParameter(readNumber(text + start, text + i));
  }

  void addParameter(float value) {
    group_[inGroup_++] = value;
    ++parameterCount_;
    if (inGroup_ == groupSize_) {
      emitGroup();
      inGroup_ = 0;
    }
  }

  void emitGroup() {
    // An invalid arc group is reported when the letter ends, after any
    // problem met while scanning the rest of its numbers.
    if (pendingArc_ && !arcGroupValid(group_)) arcInvalid_ = true;
    log_.append(groupKind(pending_, groupIndex_++), group_);
  }

  // The end of a letter's numbers: the checks of flushCommands.
  void flushPending() {
    if (!hasPending_) return;
    if (parameterCount_ == 0 || inGroup_ != 0) fail(wrongCount(pending_));
    if (arcInvalid_) fail("parsePath: invalid arc parameter");
    parameterCount_ = 0;
    groupIndex_ = 0;
    arcInvalid_ = false;
  }

  const unsigned char *bytes_;
  std::size_t size_;
  CommandLog log_;

  std::size_t numberStart_ = kNone;
  bool pointSeen_ = false;

  bool hasPending_ = false;
  PathCommandKind pending_ = pClose;
  bool pendingArc_ = false;
  int groupSize_ = 0;

  float group_[7] = {};
  int inGroup_ = 0;                  // parameters since the letter, modulo the group size
  std::uint64_t parameterCount_ = 0; // parameters since the letter
  std::uint64_t groupIndex_ = 0;
  bool arcInvalid_ = false;
};

}  // namespace

PathCommandKind charToKind(char letter) {
  switch (letter) {
    case 'Z': case 'z': return pClose;
    case 'M': return pMove;
    case 'L': return pLine;
    case 'H': return pHLine;
    case 'V': return pVLine;
    case 'C': return pCubic;
    case 'S': return pSCubic;
    case 'Q': return pQuad;
    case 'T': return pTQuad;
    case 'A': return pArc;
    case 'm': return pRMove;
    case 'l': return pRLine;
    case 'h': return pRHLine;
    case 'v': return pRVLine;
    case 'c': return pRCubic;
    case 's': return pRSCubic;
    case 'q': return pRQuad;
    case 't': return pRTQuad;
    case 'a': return pRArc;
    default: break;
  }
  fail("parsePath: unknown command '" + std::string(1, letter) + "'");
}

void flushCommands(Path &path, PathCommandKind kind, std::span<const float> parameters) {
  const std::size_t m = parameters.size();
  if (kind == pClose) {
    if (m > 0) fail("parsePath: pClose takes no parameters");
    add(path, PathCommand::close());
    return;
  }
  const int count = parameterCount(kind);
  if (count <= 0) throw Defect("flushCommands: command kind out of range");
  const auto n = static_cast<std::size_t>(count);
  if (m == 0 || m % n != 0) fail(wrongCount(kind));
  for (std::size_t g = 0; g < m / n; ++g) {
    const float *group = parameters.data() + g * n;
    if (isArcKind(kind) && !arcGroupValid(group)) fail("parsePath: invalid arc parameter");
    add(path, makeCommand(groupKind(kind, g), group));
  }
}

Path parsePath(std::string_view text) {
  if (text.empty()) return Path();
  return Parser(text).run();
}

}  // namespace zd::path
