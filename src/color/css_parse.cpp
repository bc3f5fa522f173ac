// The CSS colour reader: a tokenizer after CSS's own rules (numbers,
// percentages, dimensions, identifiers, functions, hashes; whitespace and
// comments between tokens) and a recursive-descent parser over it. Nothing
// is allocated until a colour or an error is built.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

#include "color/convert.hpp"
#include "color/css.hpp"
#include "color/css_syntax.hpp"
#include "color/hub.hpp"
#include "color/mix.hpp"
#include "color/registry.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {

namespace {

constexpr const char *kContext = "parseCss";
// color-mix() inside color-mix(): deeper than this is refused, so no input
// can exhaust the stack.
constexpr int kMaxNesting = 16;

// ------------------------------------------------------------------ tokens

enum class Tok {
  End,
  Number,
  Percentage,
  Dimension,
  Ident,
  Function,
  Hash,
  Comma,
  Slash,
  Close,
  Other
};

struct Token {
  Tok kind = Tok::End;
  std::string_view text;  // as written, for messages
  std::string_view name;  // identifier, function name, unit or hash digits
  double value = 0;       // of a number, percentage or dimension
  std::size_t offset = 0;
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isNameStart(char c) {
  return isLetter(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}
bool isNameChar(char c) { return isNameStart(c) || isDigit(c) || c == '-'; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view text, std::string_view lowerWord) {
  if (text.size() != lowerWord.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (lower(text[i]) != lowerWord[i]) return false;
  }
  return true;
}

// True when the decimal number (no sign) is above the float64 range rather
// than below it: its order of magnitude plus its exponent is positive.
bool overflows(std::string_view digits) {
  std::size_t exponentAt = digits.find_first_of("eE");
  std::int64_t exponent = 0;
  if (exponentAt != std::string_view::npos) {
    std::size_t i = exponentAt + 1;
    const bool negative = i < digits.size() && digits[i] == '-';
    if (i < digits.size() && (digits[i] == '-' || digits[i] == '+')) ++i;
    for (; i < digits.size(); ++i) {
      exponent = std::min<std::int64_t>(exponent * 10 + (digits[i] - '0'), 1000000000);
    }
    if (negative) exponent = -exponent;
  } else {
    exponentAt = digits.size();
  }
  const std::string_view mantissa = digits.substr(0, exponentAt);
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  std::int64_t order = 0;
  for (std::size_t i = 0; i < mantissa.size(); ++i) {
    if (mantissa[i] == '.' || mantissa[i] == '0') continue;
    order =
        i < point ? static_cast<std::int64_t>(point - i) : -static_cast<std::int64_t>(i - point);
    break;
  }
  return order + exponent > 0;
}

// The value of a CSS number token, correctly rounded; beyond the float64
// range it is infinite, below it zero.
double numberValue(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  double value = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)end;
  if (status == std::errc::result_out_of_range) {
    value = overflows(text) ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

class Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : text_(text) {}

  Token next() {
    if (hasPeeked_) {
      hasPeeked_ = false;
      pos_ = afterPeeked_;
      return peeked_;
    }
    return scan();
  }

  // The next token without consuming it; scanned once however often peeked.
  const Token &peek() {
    if (!hasPeeked_) {
      const std::size_t saved = pos_;
      peeked_ = scan();
      afterPeeked_ = pos_;
      pos_ = saved;
      hasPeeked_ = true;
    }
    return peeked_;
  }

 private:
  Token scan() {
    skipBlank();
    Token t;
    t.offset = pos_;
    if (pos_ >= text_.size()) return t;
    const char c = text_[pos_];
    if (startsNumber(pos_)) return number();
    if (startsIdent(pos_)) {
      const std::size_t begin = pos_;
      t.name = name();
      t.kind = Tok::Ident;
      if (pos_ < text_.size() && text_[pos_] == '(') {
        ++pos_;
        t.kind = Tok::Function;
      }
      t.text = text_.substr(begin, pos_ - begin);
      return t;
    }
    ++pos_;
    t.text = text_.substr(t.offset, 1);
    switch (c) {
      case '#':
        t.kind = Tok::Hash;
        t.name = name();
        t.text = text_.substr(t.offset, pos_ - t.offset);
        break;
      case ',': t.kind = Tok::Comma; break;
      case '/': t.kind = Tok::Slash; break;
      case ')': t.kind = Tok::Close; break;
      default: t.kind = Tok::Other; break;
    }
    return t;
  }

  // Whitespace and /* comments */ (an unclosed comment runs to the end).
  void skipBlank() {
    for (;;) {
      while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
      if (pos_ + 1 < text_.size() && text_[pos_] == '/' && text_[pos_ + 1] == '*') {
        const std::size_t close = text_.find("*/", pos_ + 2);
        pos_ = close == std::string_view::npos ? text_.size() : close + 2;
        continue;
      }
      return;
    }
  }

  char at(std::size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

  bool startsNumber(std::size_t i) const {
    if (at(i) == '+' || at(i) == '-') ++i;
    return isDigit(at(i)) || (at(i) == '.' && isDigit(at(i + 1)));
  }

  bool startsIdent(std::size_t i) const {
    if (at(i) == '-') return isNameStart(at(i + 1)) || at(i + 1) == '-';
    return isNameStart(at(i));
  }

  std::string_view name() {
    const std::size_t begin = pos_;
    while (pos_ < text_.size() && isNameChar(text_[pos_])) ++pos_;
    return text_.substr(begin, pos_ - begin);
  }

  void digits() {
    while (isDigit(at(pos_))) ++pos_;
  }

  // Appends the digits at pos_ to a decimal mantissa; counts them.
  void digits(std::uint64_t &mantissa, int &count) {
    while (isDigit(at(pos_))) {
      if (count < 19) mantissa = mantissa * 10 + static_cast<std::uint64_t>(at(pos_) - '0');
      ++count;
      ++pos_;
    }
  }

  // A number, then '%' or a unit if one follows directly.
  Token number() {
    Token t;
    t.offset = pos_;
    const bool negative = at(pos_) == '-';
    if (at(pos_) == '+' || at(pos_) == '-') ++pos_;
    std::uint64_t mantissa = 0;
    int count = 0, fraction = 0;
    digits(mantissa, count);
    if (at(pos_) == '.' && isDigit(at(pos_ + 1))) {
      ++pos_;
      const int before = count;
      digits(mantissa, count);
      fraction = count - before;
    }
    bool exponent = false;
    if (at(pos_) == 'e' || at(pos_) == 'E') {
      std::size_t j = pos_ + 1;
      if (at(j) == '+' || at(j) == '-') ++j;
      if (isDigit(at(j))) {
        pos_ = j;
        digits();
        exponent = true;
      }
    }
    // Up to 15 digits and 22 decimals, mantissa and power of ten are exact
    // doubles, so one division rounds correctly; the rest go to the full
    // decimal reader.
    if (!exponent && count <= 15 && fraction <= 22) {
      static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                           1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
      const double magnitude = static_cast<double>(mantissa) / kPowers[fraction];
      t.value = negative ? -magnitude : magnitude;
    } else {
      t.value = numberValue(text_.substr(t.offset, pos_ - t.offset));
    }
    t.kind = Tok::Number;
    if (at(pos_) == '%') {
      ++pos_;
      t.kind = Tok::Percentage;
    } else if (startsIdent(pos_)) {
      t.name = name();
      t.kind = Tok::Dimension;
    }
    t.text = text_.substr(t.offset, pos_ - t.offset);
    return t;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  Token peeked_;
  std::size_t afterPeeked_ = 0;
  bool hasPeeked_ = false;
};

// ------------------------------------------------------------- arguments

// One component as written.
struct Arg {
  enum Kind { kNumber, kPercent, kAngle, kNone } kind = kNumber;
  double value = 0;  // angles in degrees
  Token token;
};

// How a number or percentage becomes a component in the registry's units,
// and the range CSS clamps it to when it reads it.
struct Rule {
  double numberDivisor = 1;
  double percentDivisor = 0;     // percent / divisor, or when 0:
  double percentMultiplier = 1;  // percent * multiplier
  double min = -std::numeric_limits<double>::infinity();
  double max = std::numeric_limits<double>::infinity();
  bool percentAllowed = true;
};

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr Rule kRgbRule{255, 100, 1, 0, 1};
constexpr Rule kAlphaRule{1, 100, 1, 0, 1};
constexpr Rule kUnitPercentRule{100, 100, 1};          // hwb W, B; hsl L
constexpr Rule kSaturationRule{100, 100, 1, 0, kInf};  // hsl S
constexpr Rule kLabLightnessRule{1, 0, 1, 0, 100};
constexpr Rule kLabAxisRule{1, 0, 1.25};
constexpr Rule kLchChromaRule{1, 0, 1.5, 0, kInf};
constexpr Rule kOklabLightnessRule{1, 100, 1, 0, 1};
constexpr Rule kOklabAxisRule{1, 0, 0.004};
constexpr Rule kOklchChromaRule{1, 0, 0.004, 0, kInf};
constexpr Rule kPredefinedRule{1, 100, 1};
constexpr Rule kPlainRule{1, 0, 1, -kInf, kInf, false};  // color(--name ...)

double applyRule(const Arg &arg, const Rule &rule) {
  double v = arg.value;
  if (arg.kind == Arg::kPercent) {
    v = rule.percentDivisor != 0 ? v / rule.percentDivisor : v * rule.percentMultiplier;
  } else {
    v = componentOfNumber(v, rule.numberDivisor);
  }
  if (v < rule.min) v = rule.min;
  if (v > rule.max) v = rule.max;
  return v;
}

// The components of a colour function: up to four before an optional
// '/ alpha', or (legacy syntax) separated by commas.
struct Args {
  static constexpr int kMax = 5;
  Arg items[kMax];
  int count = 0;
  bool hasAlpha = false;
  Arg alpha;
  bool legacy = false;
  Token close;  // the ')' (for messages about the whole list)
};

struct AngleUnit {
  std::string_view name;
  double degrees;
};
constexpr AngleUnit kAngleUnits[] = {
    {"deg", 1.0}, {"grad", 0.9}, {"rad", 180.0 / 3.14159265358979323846}, {"turn", 360.0}};

// ----------------------------------------------------------------- parser

class Parser {
 public:
  explicit Parser(std::string_view text) : tokens_(text) {}

  Result<CssColor> parse() {
    CssColor c;
    if (tokens_.peek().kind == Tok::End) {
      return Result<CssColor>::err(
          colorError(ErrorKind::InvalidColor, "parseCss: empty colour string", kContext));
    }
    if (!color(0, c)) return error();
    const Token rest = tokens_.next();
    if (rest.kind != Tok::End) {
      fail("unexpected " + quoted(rest) + " after the colour", rest);
      return error();
    }
    return ok(c);
  }

 private:
  Result<CssColor> error() const { return Result<CssColor>::err(error_); }

  static std::string quoted(const Token &t) {
    if (t.kind == Tok::End) return "end of text";
    std::string text;
    text.reserve(t.text.size() + 2);
    text.push_back('\'');
    text.append(t.text);
    text.push_back('\'');
    return text;
  }

  // Records the first failure; always false, for `return fail(...)`.
  bool fail(const std::string &what, const Token &at) {
    if (error_.message.empty()) {
      error_ =
          colorError(ErrorKind::InvalidColor,
                     "parseCss: " + what + " at offset " + std::to_string(at.offset), kContext);
    }
    return false;
  }

  // Stores a colour built from float32 components; `color` refuses
  // values that are not finite (a number beyond the float32 range).
  bool build(SpaceTag space, const float (&v)[4], float alpha, std::uint8_t missing,
             const Token &at, CssColor &out) {
    const Result<Color> made = zd::color::color(space, v[0], v[1], v[2], alpha);
    if (!made.isOk() || !std::isfinite(v[3])) return fail("component out of range", at);
    out = CssColor{made.value(), v[3], missing};
    return true;
  }

  bool expect(Tok kind, const char *what) {
    const Token t = tokens_.next();
    if (t.kind == kind) return true;
    return fail(std::string("expected ") + what + " but found " + quoted(t), t);
  }

  // ------------------------------------------------------------ colours

  bool color(int depth, CssColor &out) {
    const Token t = tokens_.next();
    switch (t.kind) {
      case Tok::Hash: return hex(t, out);
      case Tok::Ident: return keyword(t, out);
      case Tok::Function: return function(t, depth, out);
      default: return fail("expected a colour but found " + quoted(t), t);
    }
  }

  bool hex(const Token &t, CssColor &out) {
    const std::string_view d = t.name;
    if (d.size() != 3 && d.size() != 4 && d.size() != 6 && d.size() != 8) {
      return fail("hex colour " + quoted(t) + " needs 3, 4, 6 or 8 digits", t);
    }
    std::uint32_t nibbles[8];
    for (std::size_t i = 0; i < d.size(); ++i) {
      const char c = lower(d[i]);
      if (isDigit(c)) {
        nibbles[i] = static_cast<std::uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        nibbles[i] = static_cast<std::uint32_t>(c - 'a' + 10);
      } else {
        return fail("non-hex digit '" + std::string(1, d[i]) + "' in " + quoted(t), t);
      }
    }
    const bool shortForm = d.size() <= 4;
    const std::size_t channels = shortForm ? d.size() : d.size() / 2;
    float v[4] = {0, 0, 0, 0};
    float alpha = 1.0f;
    for (std::size_t i = 0; i < channels; ++i) {
      const std::uint32_t byte =
          shortForm ? nibbles[i] * 17 : nibbles[2 * i] * 16 + nibbles[2 * i + 1];
      (i < 3 ? v[i] : alpha) = byteComponent(byte);
    }
    return build(stSrgb, v, alpha, 0, t, out);
  }

  bool keyword(const Token &t, CssColor &out) {
    char buffer[32];
    if (t.name.size() >= sizeof buffer) return fail("unknown colour name " + quoted(t), t);
    for (std::size_t i = 0; i < t.name.size(); ++i) buffer[i] = lower(t.name[i]);
    const std::string_view name(buffer, t.name.size());
    std::uint32_t rgb = 0;
    if (findNamedColor(name, rgb)) {
      const float v[4] = {byteComponent(rgb >> 16), byteComponent((rgb >> 8) & 0xFF),
                          byteComponent(rgb & 0xFF), 0};
      return build(stSrgb, v, 1.0f, 0, t, out);
    }
    if (name == "transparent") return build(stSrgb, {0, 0, 0, 0}, 0.0f, 0, t, out);
    if (name == "currentcolor") {
      return fail("currentcolor depends on the element being styled and is not supported", t);
    }
    if (isSystemColor(name)) {
      return fail(
          "system colour " + quoted(t) + " depends on the user's system and is not supported", t);
    }
    return fail("unknown colour name " + quoted(t), t);
  }

  bool function(const Token &t, int depth, CssColor &out) {
    char buffer[16];
    std::string_view name;
    if (t.name.size() < sizeof buffer) {
      for (std::size_t i = 0; i < t.name.size(); ++i) buffer[i] = lower(t.name[i]);
      name = std::string_view(buffer, t.name.size());
    }
    const Token first = tokens_.peek();
    if (first.kind == Tok::Ident && equalsIgnoringCase(first.name, "from")) {
      return fail("relative colour syntax ('from') is not supported", first);
    }
    if (name == "rgb" || name == "rgba") return rgb(t, out);
    if (name == "hsl" || name == "hsla") return hslOrHwb(t, stHsl, out);
    if (name == "hwb") return hslOrHwb(t, stHwb, out);
    if (name == "lab") return labLike(t, stLab, kLabLightnessRule, kLabAxisRule, out);
    if (name == "oklab") return labLike(t, stOklab, kOklabLightnessRule, kOklabAxisRule, out);
    if (name == "lch") return labLike(t, stLch, kLabLightnessRule, kLchChromaRule, out);
    if (name == "oklch") return labLike(t, stOklch, kOklabLightnessRule, kOklchChromaRule, out);
    if (name == "color") return colorFunction(t, out);
    if (name == "color-mix") return colorMix(t, depth, out);
    return fail("unsupported function '" + std::string(t.name) + "()'", t);
  }

  // --------------------------------------------------------- arguments

  bool arg(Arg &a) {
    const Token t = tokens_.next();
    a.token = t;
    a.value = t.value;
    switch (t.kind) {
      case Tok::Number: a.kind = Arg::kNumber; return true;
      case Tok::Percentage: a.kind = Arg::kPercent; return true;
      case Tok::Dimension:
        for (const AngleUnit &unit : kAngleUnits) {
          if (equalsIgnoringCase(t.name, unit.name)) {
            a.kind = Arg::kAngle;
            a.value = t.value * unit.degrees;
            return true;
          }
        }
        return fail("unknown unit in " + quoted(t), t);
      case Tok::Ident:
        if (equalsIgnoringCase(t.name, "none")) {
          a.kind = Arg::kNone;
          return true;
        }
        break;
      default: break;
    }
    return fail("expected a number, percentage or none but found " + quoted(t), t);
  }

  bool args(const Token &function, bool legacyAllowed, Args &a) {
    if (tokens_.peek().kind != Tok::Close) {
      if (!arg(a.items[a.count++])) return false;
      a.legacy = legacyAllowed && tokens_.peek().kind == Tok::Comma;
    }
    if (a.legacy) {
      while (tokens_.peek().kind == Tok::Comma) {
        tokens_.next();
        if (a.count == 4)
          return fail(std::string(function.text) + ") takes at most 4 values", tokens_.peek());
        if (!arg(a.items[a.count++])) return false;
      }
      if (a.count == 4) {
        a.hasAlpha = true;
        a.alpha = a.items[3];
        a.count = 3;
      }
    } else {
      for (;;) {
        const Tok next = tokens_.peek().kind;
        if (next == Tok::Close || next == Tok::Slash || next == Tok::End || next == Tok::Comma)
          break;
        if (a.count == Args::kMax) return fail("too many components", tokens_.peek());
        if (!arg(a.items[a.count++])) return false;
      }
      if (tokens_.peek().kind == Tok::Slash) {
        tokens_.next();
        a.hasAlpha = true;
        if (!arg(a.alpha)) return false;
      }
    }
    a.close = tokens_.peek();
    return expect(Tok::Close, "')'");
  }

  bool countIs(const Token &function, const Args &a, int expected) {
    if (a.count == expected) return true;
    return fail(std::string(function.text) + ") needs " + std::to_string(expected) +
                    " components, got " + std::to_string(a.count),
                a.close);
  }

  // A component by its rule; `none` is 0 and recorded in `missing`.
  bool component(const Arg &a, const Rule &rule, int slot, float &value, std::uint8_t &missing) {
    switch (a.kind) {
      case Arg::kNone:
        value = 0.0f;
        missing |= static_cast<std::uint8_t>(1u << slot);
        return true;
      case Arg::kAngle: return fail("an angle is no value for " + quoted(a.token), a.token);
      case Arg::kPercent:
        if (!rule.percentAllowed)
          return fail("a percentage is no value for " + quoted(a.token), a.token);
        break;
      case Arg::kNumber: break;
    }
    value = toFloat32(applyRule(a, rule));
    // A number beyond the float32 range (in any slot, the fourth too) is
    // refused here rather than carried as an infinity.
    if (!std::isfinite(value)) return fail("component out of range: " + quoted(a.token), a.token);
    return true;
  }

  bool hue(const Arg &a, int slot, float &value, std::uint8_t &missing) {
    if (a.kind == Arg::kPercent)
      return fail("a hue cannot be a percentage: " + quoted(a.token), a.token);
    if (a.kind == Arg::kNone) {
      value = 0.0f;
      missing |= static_cast<std::uint8_t>(1u << slot);
      return true;
    }
    if (!std::isfinite(a.value)) return fail("hue out of range: " + quoted(a.token), a.token);
    value = normalizedHue(a.value);
    return true;
  }

  bool alpha(const Args &a, float &value, std::uint8_t &missing) {
    value = 1.0f;
    if (!a.hasAlpha) return true;
    if (a.alpha.kind == Arg::kAngle)
      return fail("an angle is no alpha: " + quoted(a.alpha.token), a.alpha.token);
    return component(a.alpha, kAlphaRule, 3, value, missing);
  }

  // The legacy comma syntax has no `none`.
  bool noNoneInLegacy(const Args &a) {
    if (!a.legacy) return true;
    for (int i = 0; i < a.count; ++i) {
      if (a.items[i].kind == Arg::kNone)
        return fail("'none' is not allowed with commas", a.items[i].token);
    }
    if (a.hasAlpha && a.alpha.kind == Arg::kNone)
      return fail("'none' is not allowed with commas", a.alpha.token);
    return true;
  }

  bool rgb(const Token &t, CssColor &out) {
    Args a;
    if (!args(t, true, a) || !countIs(t, a, 3) || !noNoneInLegacy(a)) return false;
    if (a.legacy) {
      for (int i = 1; i < 3; ++i) {
        if (a.items[i].kind != a.items[0].kind) {
          return fail("rgb() with commas takes all numbers or all percentages", a.items[i].token);
        }
      }
    }
    float v[4] = {0, 0, 0, 0}, alphaValue = 1.0f;
    std::uint8_t missing = 0;
    for (int i = 0; i < 3; ++i) {
      if (!component(a.items[i], kRgbRule, i, v[i], missing)) return false;
    }
    if (!alpha(a, alphaValue, missing)) return false;
    return build(stSrgb, v, alphaValue, missing, t, out);
  }

  bool hslOrHwb(const Token &t, SpaceTag space, CssColor &out) {
    Args a;
    if (!args(t, space == stHsl, a) || !countIs(t, a, 3) || !noNoneInLegacy(a)) return false;
    if (a.legacy) {
      for (int i = 1; i < 3; ++i) {
        if (a.items[i].kind != Arg::kPercent) {
          return fail("hsl() with commas takes percentages for S and L", a.items[i].token);
        }
      }
    }
    float v[4] = {0, 0, 0, 0}, alphaValue = 1.0f;
    std::uint8_t missing = 0;
    const Rule &second = space == stHsl ? kSaturationRule : kUnitPercentRule;
    if (!hue(a.items[0], 0, v[0], missing) || !component(a.items[1], second, 1, v[1], missing) ||
        !component(a.items[2], kUnitPercentRule, 2, v[2], missing) ||
        !alpha(a, alphaValue, missing)) {
      return false;
    }
    return build(space, v, alphaValue, missing, t, out);
  }

  // lab() and oklab() (a and b on the second rule), lch() and oklch()
  // (chroma on the second rule, then a hue).
  bool labLike(const Token &t, SpaceTag space, const Rule &lightness, const Rule &second,
               CssColor &out) {
    Args a;
    if (!args(t, false, a) || !countIs(t, a, 3)) return false;
    float v[4] = {0, 0, 0, 0}, alphaValue = 1.0f;
    std::uint8_t missing = 0;
    const bool polar = polarLayout(space).hue == 2;
    if (!component(a.items[0], lightness, 0, v[0], missing) ||
        !component(a.items[1], second, 1, v[1], missing) ||
        !(polar ? hue(a.items[2], 2, v[2], missing)
                : component(a.items[2], second, 2, v[2], missing)) ||
        !alpha(a, alphaValue, missing)) {
      return false;
    }
    return build(space, v, alphaValue, missing, t, out);
  }

  // color(<predefined space> c1 c2 c3 [/ alpha]) and, for every registered
  // space, color(--<registry name> c1 c2 c3 [c4] [/ alpha]) without clamping.
  bool colorFunction(const Token &t, CssColor &out) {
    const Token spaceToken = tokens_.next();
    if (spaceToken.kind != Tok::Ident)
      return fail("expected a colour space but found " + quoted(spaceToken), spaceToken);
    SpaceTag space = stUnknown;
    bool d50 = false;
    int count = 3;
    const Rule *rule = &kPredefinedRule;
    if (spaceToken.name.starts_with("--")) {
      const SpaceDescriptor *d = findSpaceByName(spaceToken.name.substr(2));
      if (d == nullptr) return fail("unknown colour space " + quoted(spaceToken), spaceToken);
      space = d->tag;
      count = static_cast<int>(d->componentCount);
      rule = &kPlainRule;
    } else {
      char buffer[24];
      if (spaceToken.name.size() < sizeof buffer) {
        for (std::size_t i = 0; i < spaceToken.name.size(); ++i)
          buffer[i] = lower(spaceToken.name[i]);
        space = predefinedSpace(std::string_view(buffer, spaceToken.name.size()), false, d50);
      }
      if (space == stUnknown) return fail("unknown colour space " + quoted(spaceToken), spaceToken);
    }
    Args a;
    if (!args(t, false, a) || !countIs(t, a, count)) return false;
    float v[4] = {0, 0, 0, 0}, alphaValue = 1.0f;
    std::uint8_t missing = 0;
    for (int i = 0; i < count; ++i) {
      // The fourth component (CMYK's K) has no bit of its own in `missing`.
      if (i == 3 && a.items[i].kind == Arg::kNone)
        return fail("'none' is no value for K", a.items[i].token);
      if (!component(a.items[i], *rule, i, v[i], missing)) return false;
    }
    if (!alpha(a, alphaValue, missing)) return false;
    if (d50) {
      const Vec3 xyz = adapt(Vec3{v[0], v[1], v[2]}, wpD50, wpD65);
      for (int i = 0; i < 3; ++i) v[i] = (missing & (1u << i)) ? 0.0f : toFloat32(xyz[i]);
    }
    return build(space, v, alphaValue, missing, t, out);
  }

  // One colour of color-mix() with its optional percentage before or after.
  bool mixItem(int depth, CssColor &c, double &percent, bool &given) {
    given = false;
    auto percentage = [&]() {
      const Token p = tokens_.next();
      if (!(p.value >= 0 && p.value <= 100))
        return fail("color-mix() percentage " + quoted(p) + " outside 0% to 100%", p);
      percent = p.value;
      given = true;
      return true;
    };
    if (tokens_.peek().kind == Tok::Percentage && !percentage()) return false;
    if (!color(depth, c)) return false;
    if (!given && tokens_.peek().kind == Tok::Percentage && !percentage()) return false;
    return true;
  }

  bool colorMix(const Token &t, int depth, CssColor &out) {
    if (depth >= kMaxNesting) return fail("color-mix() nested too deeply", t);
    SpaceTag space = stOklab;
    HueMethod method = hmShorter;
    const Token in = tokens_.peek();
    if (in.kind == Tok::Ident && equalsIgnoringCase(in.name, "in")) {
      tokens_.next();
      if (!mixSpace(space, method) || !expect(Tok::Comma, "','")) return false;
    }
    CssColor first, second;
    double p1 = 0, p2 = 0;
    bool given1 = false, given2 = false;
    if (!mixItem(depth + 1, first, p1, given1) || !expect(Tok::Comma, "','") ||
        !mixItem(depth + 1, second, p2, given2)) {
      return false;
    }
    const Token close = tokens_.peek();
    if (!expect(Tok::Close, "')'")) return false;
    if (!given1 && !given2) p1 = p2 = 50;
    if (!given1 && given2) p1 = 100 - p2;
    if (given1 && !given2) p2 = 100 - p1;
    const double sum = p1 + p2;
    if (sum == 0) return fail("color-mix() percentages add up to zero", close);
    // Percentages adding up to less than 100% leave the rest transparent.
    const double alphaScale = sum < 100 ? sum / 100 : 1.0;
    const Result<Interpolator> interpolator = Interpolator::make(first, second, space, method);
    if (!interpolator.isOk()) return fail("color-mix() cannot convert its colours", t);
    const Result<CssColor> mixed = interpolator.value().at(p2 / sum, alphaScale);
    if (!mixed.isOk()) return fail("color-mix() result out of range", t);
    out = mixed.value();
    return true;
  }

  bool mixSpace(SpaceTag &space, HueMethod &method) {
    const Token name = tokens_.next();
    char buffer[24];
    bool d50 = false;
    space = stUnknown;
    if (name.kind == Tok::Ident && name.name.size() < sizeof buffer) {
      for (std::size_t i = 0; i < name.name.size(); ++i) buffer[i] = lower(name.name[i]);
      space = predefinedSpace(std::string_view(buffer, name.name.size()), true, d50);
    }
    if (space == stUnknown) return fail("unknown interpolation space " + quoted(name), name);
    const Token hueToken = tokens_.peek();
    if (hueToken.kind != Tok::Ident) return true;
    constexpr std::string_view kMethods[] = {"shorter", "longer", "increasing", "decreasing"};
    for (int i = 0; i < 4; ++i) {
      if (!equalsIgnoringCase(hueToken.name, kMethods[i])) continue;
      if (polarLayout(space).hue < 0) return fail("a hue method needs a polar space", hueToken);
      tokens_.next();
      method = static_cast<HueMethod>(i);
      const Token word = tokens_.next();
      if (word.kind == Tok::Ident && equalsIgnoringCase(word.name, "hue")) return true;
      return fail("expected 'hue' but found " + quoted(word), word);
    }
    return fail("unexpected " + quoted(hueToken) + " after the interpolation space", hueToken);
  }

  Tokenizer tokens_;
  ColorError error_;
};

}  // namespace

Result<CssColor> parseCss(std::string_view text) { return Parser(text).parse(); }

}  // namespace zd::color
