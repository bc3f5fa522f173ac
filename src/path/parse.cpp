// The path-data parser.
//
// The structure. One pass over the bytes. A table gives each byte its class
// (separator, sign, point, digit, exponent, command letter, anything else),
// and the scanning rules below (onSign, onPoint, onDigitOrExponent, onLetter,
// finish) carry a little state from byte to byte: where the number in
// progress began, whether it has a point, the pending command letter, and
// how many numbers of the letter's current group are in. Numbers are
// collected per letter; every complete group becomes one command, logged
// compactly (CommandLog) and expanded into the path once at the end. Checks
// that belong to the end of a letter (a whole number of groups, valid arc
// groups) are raised only when the next letter or the end of the text is
// reached, so the first problem in reading order is the one reported.
//
// The fast path. Where a number starts, readWholeNumber takes it in one
// step instead of byte by byte: plain decimals ("[-]digits[.digits]", at
// most 15 digits) are read eight bytes at a time and divided once by an
// exact power of ten; anything else goes through std::from_chars.
//
// Why the result is the same. Both paths produce the correctly rounded
// double of the same text (the exact integer over the exact power of ten is
// one correctly rounded division, as std::from_chars rounds too), then the
// same conversion to float. And the fast path takes a number only where the
// byte after it ends the number under the scanning rules (a separator, a
// letter, a sign or point that starts the next number, the end of the
// text); wherever the rules would read on (an exponent, a second digit
// after a lone "0", a sign after 'e', a '+' or "inf", an arc flag that is
// not a single 0 or 1) it hands the byte back to them.
//
// The reference. parsePathBytewise runs the same scanner with the fast path
// off: every byte goes through the rules. The path-data tests
// (tests/path/pathdata_parse_test.cpp) and the fuzz target
// fuzz/path_data.cpp require both to give the same commands and the same
// failure message for every text.
#include <algorithm>
#include <array>
#include <bit>
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

// Messages name the byte offset of the problem in the text.
std::string at(std::size_t offset) { return " at offset " + std::to_string(offset); }

// A byte as a message shows it: "character 'c'" when printable, "byte
// 0xNN" otherwise (a NUL or control byte would cut or garble the text).
std::string shownByte(unsigned char c) {
  if (c >= 0x20 && c < 0x7F) return std::string("character '") + static_cast<char>(c) + '\'';
  constexpr char kHex[] = "0123456789ABCDEF";
  return {'b', 'y', 't', 'e', ' ', '0', 'x', kHex[c >> 4], kHex[c & 15]};
}

// A number's text as a message shows it: quoted, long ones cut.
std::string shownNumber(std::string_view text) {
  constexpr std::size_t kShown = 24;
  std::string shown = "'";
  shown.append(text.substr(0, kShown));
  shown.append(text.size() > kShown ? "...'" : "'");
  return shown;
}

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

constexpr std::array<std::uint8_t, 256> makeClasses() {
  std::array<std::uint8_t, 256> classes{};
  for (unsigned char c : std::string_view("\t\n\r ,")) classes[c] = bcSeparator;
  classes['+'] = bcSign;
  classes['-'] = bcSign;
  classes['.'] = bcPoint;
  for (int c = '0'; c <= '9'; ++c) classes[c] = bcDigit;
  classes['e'] = bcExponent;
  classes['E'] = bcExponent;
  for (const KindInfo &kind : kKindInfo)
    classes[static_cast<unsigned char>(kind.letter)] = bcLetter;
  classes[static_cast<unsigned char>(kCloseLetterLower)] = bcLetter;
  return classes;
}
constexpr std::array<std::uint8_t, 256> kClasses = makeClasses();

// The kind of each command letter; kNoKind for every other byte.
constexpr std::uint8_t kNoKind = 0xFF;
constexpr std::array<std::uint8_t, 256> makeLetterKinds() {
  std::array<std::uint8_t, 256> kinds{};
  for (auto &kind : kinds) kind = kNoKind;
  for (int k = 0; k < kKindCount; ++k) {
    kinds[static_cast<unsigned char>(kKindInfo[k].letter)] = static_cast<std::uint8_t>(k);
  }
  kinds[static_cast<unsigned char>(kCloseLetterLower)] = pClose;
  return kinds;
}
constexpr std::array<std::uint8_t, 256> kLetterKinds = makeLetterKinds();

bool isArcKind(PathCommandKind kind) { return kind == pArc || kind == pRArc; }

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Numbers per command of each kind, from kKindInfo in a compact array that
// the hot loop keeps at hand.
constexpr std::array<int, kKindCount> makeGroupSizes() {
  std::array<int, kKindCount> sizes{};
  for (int k = 0; k < kKindCount; ++k) sizes[static_cast<std::size_t>(k)] = kKindInfo[k].parameters;
  return sizes;
}
constexpr std::array<int, kKindCount> kGroupSizes = makeGroupSizes();

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
bool isLonePoint(std::string_view text) { return text == "." || text == "-." || text == "+."; }

// Magnitude from which a double rounds to infinity as a float: half an ulp
// above the largest float.
constexpr double kFloatOverflow = 0x1.ffffffp127;

// ---------------------------------------------------------- digits in words
//
// Eight text bytes at a time, first byte lowest: how many leading bytes are
// digits, and the value of the first n digits.

constexpr std::uint64_t kZeros = 0x3030303030303030ULL;

int leadingDigits(std::uint64_t word) {
  // Per byte x = byte ^ '0' is below 10 exactly for a digit; adding 0x76 to
  // the low seven bits sets the top bit from 10 up, without carries.
  const std::uint64_t x = word ^ kZeros;
  const std::uint64_t nonDigit =
      (((x & 0x7F7F7F7F7F7F7F7FULL) + 0x7676767676767676ULL) | x) & 0x8080808080808080ULL;
  return nonDigit == 0 ? 8 : std::countr_zero(nonDigit) / 8;
}

std::uint64_t digitsValue(std::uint64_t word, int n) {  // n in 0..7
  // Move the n digits to the top, zeros below, then combine pairs, quads and
  // the two halves of an eight-digit number.
  std::uint64_t v = n == 0 ? 0 : (word ^ kZeros) << (8 * (8 - n));
  v = v * 10 + (v >> 8);
  v = (((v & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
       (((v >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
      32;
  return v;
}

constexpr std::uint64_t kIntPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

// Digit runs short enough that their integer is exact as a double, and the
// powers of ten that are exact as doubles.
constexpr int kMaxExactDigits = 15;
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Reads one number text as a double, checks it and rounds it to a float.
// `offset` is where the number starts in the whole text, for messages.
float readNumber(const char *begin, const char *end, std::size_t offset) {
  const std::string_view text(begin, static_cast<std::size_t>(end - begin));
  const char *digits = (*begin == '+') ? begin + 1 : begin;  // from_chars takes no '+'
  double value = 0.0;
  const auto [stop, error] = std::from_chars(digits, end, value);
  if (error == std::errc::invalid_argument) {
    if (!isLonePoint(text)) fail("parsePath: invalid number " + shownNumber(text) + at(offset));
    value = (*begin == '-') ? -0.0 : 0.0;
  } else if (stop != end) {
    fail("parsePath: invalid number " + shownNumber(text) + at(offset));
  } else if (error == std::errc::result_out_of_range) {
    const bool negative = *digits == '-';
    const std::string_view magnitude =
        text.substr(static_cast<std::size_t>(digits - begin + (negative ? 1 : 0)));
    value = exceedsRange(magnitude) ? HUGE_VAL : 0.0;
    if (negative) value = -value;
  }
  // A finite double that would round to an infinite float is refused the
  // same way: a path never holds a coordinate that cannot be printed.
  if (!std::isfinite(value) || std::fabs(value) >= kFloatOverflow) {
    fail("parsePath: number " + shownNumber(text) + " is beyond the float range" + at(offset));
  }
  return static_cast<float>(value);
}

// ------------------------------------------------------------ groups

std::string wrongCount(PathCommandKind kind) {
  return "parsePath: wrong parameter count for " + std::string(toString(kind));
}

// The letter that writes a kind.
char letterOf(PathCommandKind kind) { return kKindInfo[kind].letter; }

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

  // `group` holds the numbers in path-data order (an arc's flags as 0 / 1);
  // it has room for at least six floats, all initialised.
  void append(PathCommandKind kind, const float *group) {
    float arcNumbers[6] = {};
    std::uint8_t tag = kind;
    std::size_t n = static_cast<std::size_t>(kGroupSizes[kind]);
    if (isArcKind(kind)) {
      tag |= (group[3] == 1.0f ? kLargeArcBit : 0) | (group[4] == 1.0f ? kSweepBit : 0);
      arcNumbers[0] = group[0];
      arcNumbers[1] = group[1];
      arcNumbers[2] = group[2];
      arcNumbers[3] = group[5];
      arcNumbers[4] = group[6];
      group = arcNumbers;
      n = 5;
    }
    // Every record is written with a fixed-size copy of six floats (so the
    // reader can copy the same way) but takes only the bytes it needs.
    if (blocks_.empty() || blocks_.back().used + kMaxRecord > blocks_.back().capacity) addBlock();
    Block &block = blocks_.back();
    unsigned char *at = block.bytes.get() + block.used;
    at[0] = tag;
    std::memcpy(at + 1, group, kMaxRecord - 1);
    block.used += 1 + sizeof(float) * n;
    if (count_ == 0) firstKind_ = kind;
    ++count_;
  }

  std::size_t count() const { return count_; }
  PathCommandKind firstKind() const { return firstKind_; }

  // Appends the logged commands to `path`, in order, a batch at a time.
  void expandInto(Path &path) const {
    path.commands.reserve(path.commands.size() + count_);
    constexpr std::size_t kBatch = 256;
    PathCommand batch[kBatch];
    std::size_t filled = 0;
    float numbers[7];
    for (const Block &block : blocks_) {
      for (std::size_t at = 0; at < block.used;) {
        const std::uint8_t tag = block.bytes[at];
        const auto kind = static_cast<PathCommandKind>(tag & kKindMask);
        std::memcpy(numbers, block.bytes.get() + at + 1, kMaxRecord - 1);
        std::size_t n = static_cast<std::size_t>(kGroupSizes[kind]);
        if (isArcKind(kind)) {
          // Back to path-data order: r.x r.y rot largeArc sweep a.x a.y.
          numbers[6] = numbers[4];
          numbers[5] = numbers[3];
          numbers[3] = (tag & kLargeArcBit) ? 1.0f : 0.0f;
          numbers[4] = (tag & kSweepBit) ? 1.0f : 0.0f;
          n = 5;
        }
        batch[filled++] = makeCommand(kind, numbers);
        if (filled == kBatch) {
          add(path, batch, filled);
          filled = 0;
        }
        at += 1 + sizeof(float) * n;
      }
    }
    add(path, batch, filled);
  }

 private:
  static constexpr std::size_t kMaxBlockBytes = 64 * 1024;
  static constexpr std::size_t kMaxRecord = 1 + 6 * sizeof(float);
  static constexpr std::uint8_t kKindMask = 0x1F;
  static constexpr std::uint8_t kLargeArcBit = 0x20;
  static constexpr std::uint8_t kSweepBit = 0x40;

  struct Block {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t capacity = 0;
    std::size_t used = 0;
  };

  void addBlock() {
    const std::size_t capacity =
        std::max(blocks_.empty() ? firstBlockBytes_ : kMaxBlockBytes, kMaxRecord);
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
  Parser(std::string_view text, bool readAhead)
      : readAhead_(readAhead),
        text_(text.data()),
        bytes_(reinterpret_cast<const unsigned char *>(text.data())),
        size_(text.size()),
        log_(text.size()) {}

  Path run() {
    for (std::size_t i = 0; i < size_; ++i) {
      const unsigned char c = bytes_[i];
      const std::uint8_t byteClass = kClasses[c];
      if (readAhead_) {
        if (byteClass >= bcSign && byteClass <= bcDigit && !inNumber() && hasPending_) {
          const std::size_t end = readWholeNumber(i);
          if (end != kNone) {
            i = end - 1;
            continue;
          }
        } else if (byteClass == bcLetter) {
          // Separators after a letter have nothing to finish: skip them here.
          onLetter(i, c);
          while (i + 1 < size_ && kClasses[bytes_[i + 1]] == bcSeparator) ++i;
          continue;
        }
      }
      switch (byteClass) {
        case bcSeparator: finish(i); break;
        case bcSign:
          onSign(i);
          i = continueNumber(i);
          break;
        case bcPoint:
          onPoint(i);
          i = continueNumber(i);
          break;
        case bcDigit:
        case bcExponent:
          onDigitOrExponent(i, c);
          i = continueNumber(i);
          break;
        case bcLetter: onLetter(i, c); break;
        default: fail("parsePath: unexpected " + shownByte(c) + at(i));
      }
    }
    finish(size_);
    flushPending(size_);
    if (log_.count() > 0 && log_.firstKind() != pMove && log_.firstKind() != pRMove) {
      fail("parsePath: path must begin with moveto (M or m)" + at(firstLetterAt_));
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

  void requireCommand(std::size_t i) const {
    if (!hasPending_) fail("parsePath: number without a command" + at(i));
  }

  // Signs and points share the arc-flag rules: a flag in progress is
  // complete, and neither may start a flag.
  void arcFlagRules(std::size_t i) {
    if (inNumber() && atArcFlag()) finish(i);
    if (atArcFlag()) fail("parsePath: arc flag must be 0 or 1" + at(i));
  }

  void onSign(std::size_t i) {
    requireCommand(i);
    arcFlagRules(i);
    const unsigned char before = i > 0 ? bytes_[i - 1] : 0;
    if (inNumber() && (before == 'e' || before == 'E')) return;  // exponent sign
    finish(i);
    numberStart_ = i;
  }

  void onPoint(std::size_t i) {
    requireCommand(i);
    arcFlagRules(i);
    if (pointSeen_) finish(i);  // a second point starts the next number
    pointSeen_ = true;
    if (!inNumber()) numberStart_ = i;
  }

  void onDigitOrExponent(std::size_t i, unsigned char c) {
    requireCommand(i);
    if (inNumber() && atArcFlag()) finish(i);
    if (atArcFlag() && c != '0' && c != '1') fail("parsePath: arc flag must be 0 or 1" + at(i));
    if (!inNumber()) {
      numberStart_ = i;
    } else if (isDigit(c) && i - numberStart_ == 1 && bytes_[numberStart_] == '0') {
      finish(i);  // an unsigned leading zero is a number by itself
      numberStart_ = i;
    }
  }

  // After byte i has been handled: takes the following bytes that the
  // scanning rules above would add to the number in progress, without
  // dispatching on each, and returns the index of the last one taken. The
  // byte that ends the number is left to the main loop, which reports it or
  // finishes the number.
  std::size_t continueNumber(std::size_t i) {
    if (!inNumber() || atArcFlag()) return i;  // a flag is one byte
    std::size_t j = i + 1;
    // A lone leading "0" ends at the next digit.
    if (numberStart_ == i && bytes_[i] == '0' && j < size_ && isDigit(bytes_[j])) return i;
    while (j < size_) {
      const unsigned char c = bytes_[j];
      if (isDigit(c) || (c | 0x20) == 'e') {
        ++j;
      } else if (c == '.' && !pointSeen_) {
        pointSeen_ = true;
        ++j;
      } else if ((c == '+' || c == '-') && (bytes_[j - 1] | 0x20) == 'e') {
        ++j;  // the sign of an exponent
      } else {
        break;
      }
    }
    return j - 1;
  }

  void onLetter(std::size_t i, unsigned char c) {
    finish(i);
    flushPending(i);
    if (firstLetterAt_ == kNone) firstLetterAt_ = i;
    const auto kind = static_cast<PathCommandKind>(kLetterKinds[c]);  // c is a letter
    if (kind == pClose) {
      log_.append(pClose, group_);
      hasPending_ = false;
      pendingArc_ = false;
      return;
    }
    hasPending_ = true;
    pending_ = kind;
    pendingArc_ = isArcKind(kind);
    groupSize_ = kGroupSizes[kind];
  }

  // Ends the number in progress at byte i (exclusive) and files its value.
  void finish(std::size_t i) {
    pointSeen_ = false;
    if (!inNumber()) return;
    const std::size_t start = numberStart_;
    numberStart_ = kNone;
    addParameter(readNumber(text_ + start, text_ + i, start), start);
  }

  // Reads "[-]digits[.digits]" at byte i when its value is exact as a
  // double: at most 15 significant digits make an integer below 2^53 and a
  // power of ten up to 10^15 is exact, so one division rounds correctly
  // (the same fast path std::from_chars takes first). Returns false, with
  // nothing changed, for anything else: no digit, an exponent, long digit
  // runs. The digits are read once, here, instead of again by a converter.
  bool readPlainDecimal(std::size_t i, std::size_t &end, double &value) const {
    const bool negative = bytes_[i] == '-';
    const std::size_t at = i + negative;
    std::uint64_t mantissa = 0;
    int decimals = 0;
    std::size_t stop = 0;
    if (size_ - at >= 17) {
      if (!readDigitsInWords(at, mantissa, decimals, stop)) return false;
    } else if (!readDigitsByteWise(at, mantissa, decimals, stop)) {
      return false;
    }
    if (stop < size_ && (bytes_[stop] | 0x20) == 'e') return false;
    const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[decimals];
    // The sign goes on as a bit: which way a number leans is no branch.
    value = std::bit_cast<double>(std::bit_cast<std::uint64_t>(magnitude) |
                                  (static_cast<std::uint64_t>(negative) << 63));
    end = stop;
    return true;
  }

  // Both digit runs through 8-byte words, without a branch per digit; needs
  // 17 readable bytes at `at` (two words, the second after at most 8 digits
  // and a point). Runs of 8 digits or more are left to the general reader.
  bool readDigitsInWords(std::size_t at, std::uint64_t &mantissa, int &decimals,
                         std::size_t &stop) const {
    const std::uint64_t intWord = loadWord(at);
    const int intDigits = leadingDigits(intWord);
    const bool point = bytes_[at + static_cast<std::size_t>(intDigits)] == '.';
    const std::uint64_t fracWord = loadWord(at + static_cast<std::size_t>(intDigits) + 1);
    const int fracDigits = point ? leadingDigits(fracWord) : 0;
    if ((intDigits == 8) | (fracDigits == 8) | (intDigits + fracDigits == 0)) return false;
    mantissa = digitsValue(intWord, intDigits) * kIntPowersOfTen[fracDigits] +
               digitsValue(fracWord, fracDigits);
    decimals = fracDigits;
    stop = at + static_cast<std::size_t>(intDigits + point + fracDigits);
    return true;
  }

  // The same near the end of the text, one byte at a time.
  bool readDigitsByteWise(std::size_t at, std::uint64_t &mantissa, int &decimals,
                          std::size_t &stop) const {
    int digits = 0;
    while (at < size_ && isDigit(bytes_[at])) {
      mantissa = mantissa * 10 + (bytes_[at++] - '0');
      ++digits;
    }
    if (at < size_ && bytes_[at] == '.') {
      ++at;
      while (at < size_ && isDigit(bytes_[at])) {
        mantissa = mantissa * 10 + (bytes_[at++] - '0');
        ++decimals;
      }
    }
    digits += decimals;
    if (digits == 0 || digits > kMaxExactDigits) return false;
    stop = at;
    return true;
  }

  std::uint64_t loadWord(std::size_t at) const {
    std::uint64_t word;
    std::memcpy(&word, bytes_ + at, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
  }

  // The common case in one step: a number that starts at byte i with no
  // number in progress. Returns the index to go on from, or kNone when the
  // number needs the byte-wise rules (a leading '+', "inf" after a sign, an
  // exponent or point the rules would keep reading, a value out of range, a
  // flag that is not 0 or 1).
  //
  // The number is filed at once, and one separator after it is skipped.
  // That is what the rules do: every byte that can follow a number begins by
  // finishing it, and only the arc flag count is looked at earlier. That
  // case is kept exact below: in an arc, a sign, point or digit that ends a
  // number starts the next one even where the count says "flag".
  std::size_t readWholeNumber(std::size_t i) {
    if (atArcFlag()) return readArcFlag(i);
    const unsigned char first = bytes_[i];
    const unsigned char second = i + 1 < size_ ? bytes_[i + 1] : 0;
    double value = 0.0;
    std::size_t end = i + 1;
    const bool loneZero = (first == '0') & isDigit(second);
    if (!loneZero && !readPlainDecimal(i, end, value)) {
      const bool unusualSign =
          (first == '+') | ((first == '-') & !(isDigit(second) | (second == '.')));
      if (unusualSign) return kNone;
      const auto [stop, error] = std::from_chars(text_ + i, text_ + size_, value);
      if (error != std::errc() || !(std::fabs(value) < kFloatOverflow)) return kNone;
      end = static_cast<std::size_t>(stop - text_);
    }
    const unsigned char next = end < size_ ? bytes_[end] : 0;
    const std::uint8_t nextClass = kClasses[next];
    const bool rulesReadOn = (nextClass == bcExponent) | ((nextClass == bcDigit) & !loneZero) |
                             ((nextClass == bcSign) & ((bytes_[end - 1] | 0x20) == 'e'));
    if (rulesReadOn) return kNone;
    // A second point ends the number; a point after an exponent does not.
    if (next == '.' && std::memchr(text_ + i, '.', end - i) == nullptr) return kNone;
    addParameter(static_cast<float>(value), i);
    if (pendingArc_ && atArcFlag() &&
        (nextClass == bcSign || nextClass == bcPoint || nextClass == bcDigit)) {
      numberStart_ = end;  // started without the flag check, as the byte-wise scan does
      pointSeen_ = nextClass == bcPoint;
      return end + 1;
    }
    return end + (nextClass == bcSeparator);
  }

  // A flag is one byte, '0' or '1', filed at once; the byte after it is
  // then checked by the rules against the next position.
  std::size_t readArcFlag(std::size_t i) {
    const unsigned char flag = bytes_[i];
    if (flag != '0' && flag != '1') return kNone;
    addParameter(flag == '1' ? 1.0f : 0.0f, i);
    const std::size_t end = i + 1;
    return end + (end < size_ && kClasses[bytes_[end]] == bcSeparator);
  }

  // Files a number that starts at byte `start`.
  void addParameter(float value, std::size_t start) {
    if (inGroup_ == 0) groupStart_ = start;
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
    if (pendingArc_ && !arcInvalid_ && !arcGroupValid(group_)) {
      arcInvalid_ = true;
      arcInvalidAt_ = groupStart_;
    }
    log_.append(groupKind(pending_, groupIndex_++), group_);
  }

  // The end of a letter's numbers at byte i (the next letter or the end of
  // the text): the checks of flushCommands.
  void flushPending(std::size_t i) {
    if (!hasPending_) return;
    if (parameterCount_ == 0 || inGroup_ != 0) {
      fail("parsePath: expected a number" + at(i) + " ('" + letterOf(pending_) +
           "' takes numbers in groups of " + std::to_string(groupSize_) + ", got " +
           std::to_string(parameterCount_) + ")");
    }
    if (arcInvalid_) {
      fail("parsePath: invalid arc parameter" + at(arcInvalidAt_) +
           " (radii must be >= 0, flags 0 or 1)");
    }
    parameterCount_ = 0;
    groupIndex_ = 0;
    arcInvalid_ = false;
  }

  bool readAhead_;
  const char *text_;
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
  int inGroup_ = 0;                   // parameters since the letter, modulo the group size
  std::uint64_t parameterCount_ = 0;  // parameters since the letter
  std::uint64_t groupIndex_ = 0;
  std::size_t groupStart_ = 0;  // where the group in progress began
  bool arcInvalid_ = false;
  std::size_t arcInvalidAt_ = 0;  // where the letter's first invalid arc group began
  std::size_t firstLetterAt_ = kNone;
};

}  // namespace

PathCommandKind charToKind(char letter) {
  const std::uint8_t kind = kLetterKinds[static_cast<unsigned char>(letter)];
  if (kind == kNoKind) fail("parsePath: unknown command '" + std::string(1, letter) + "'");
  return static_cast<PathCommandKind>(kind);
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
  return Parser(text, true).run();
}

Path parsePathBytewise(std::string_view text) {
  if (text.empty()) return Path();
  return Parser(text, false).run();
}

}  // namespace zd::path
