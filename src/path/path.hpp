// The path model: command records, the path object and its builder state.
//
// A Path is a list of SVG-style drawing commands plus the start of the
// current subpath and the current point. Builders append commands and then
// advance the state themselves; advanceState is the single definition of how
// the state follows the commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zd::path {

struct Vec2 {
  float x = 0.0f;
  float y = 0.0f;
  friend bool operator==(const Vec2 &, const Vec2 &) = default;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }

enum PathCommandKind : std::uint8_t {
  pClose = 0,
  pMove = 1,
  pLine = 2,
  pHLine = 3,
  pVLine = 4,
  pCubic = 5,
  pSCubic = 6,
  pQuad = 7,
  pTQuad = 8,
  pArc = 9,
  pRMove = 10,
  pRLine = 11,
  pRHLine = 12,
  pRVLine = 13,
  pRCubic = 14,
  pRSCubic = 15,
  pRQuad = 16,
  pRTQuad = 17,
  pRArc = 18,
};

inline constexpr int kKindCount = 19;

// What each kind is in path data: its letter, the number of float
// parameters it carries (arc flags count as parameters) and its name. The
// one table of the kinds: the parser, the serializer, parameterCount and
// toString all read it.
struct KindInfo {
  char letter;
  int parameters;
  std::string_view name;
};
inline constexpr KindInfo kKindInfo[kKindCount] = {
    {'Z', 0, "pClose"},  {'M', 2, "pMove"},   {'L', 2, "pLine"},   {'H', 1, "pHLine"},
    {'V', 1, "pVLine"},  {'C', 6, "pCubic"},  {'S', 4, "pSCubic"}, {'Q', 4, "pQuad"},
    {'T', 2, "pTQuad"},  {'A', 7, "pArc"},    {'m', 2, "pRMove"},  {'l', 2, "pRLine"},
    {'h', 1, "pRHLine"}, {'v', 1, "pRVLine"}, {'c', 6, "pRCubic"}, {'s', 4, "pRSCubic"},
    {'q', 4, "pRQuad"},  {'t', 2, "pRTQuad"}, {'a', 7, "pRArc"}};
// The lower-case close letter; 'Z' is the table's.
inline constexpr char kCloseLetterLower = 'z';

// True for the relative kinds (10..18).
constexpr bool isRelative(PathCommandKind kind) { return kind >= pRMove; }
// The absolute twin of a kind (a kind that is already absolute maps to itself).
constexpr PathCommandKind absoluteKind(PathCommandKind kind) {
  return kind >= pRMove ? static_cast<PathCommandKind>(kind - 9) : kind;
}
// True for the kinds that carry one point: move, line, smooth quadratic.
constexpr bool carriesPoint(PathCommandKind kind) {
  const PathCommandKind a = absoluteKind(kind);
  return a == pMove || a == pLine || a == pTQuad;
}

namespace detail {
// Raises the Defect of reading or writing a field the kind does not carry.
[[noreturn]] void missingField(PathCommandKind kind, const char *field);
}  // namespace detail

// Number of float parameters a kind carries (arc flags count as parameters).
int parameterCount(PathCommandKind kind);

// The name of a kind ("pMove", ...); empty for a value outside 0..18.
std::string_view toString(int kind);

// One drawing command: a kind and room for six floats, plus the arc flags.
// Fields are read through accessors that check the kind: reading a field the
// kind does not carry raises a Defect.
class PathCommand {
 public:
  PathCommand() = default;

  static PathCommand close();
  // move, line, smooth quadratic (absolute or relative; `kind` says which).
  // (Inline, as is p(): builders and the flattener take them once per vertex.)
  static PathCommand point(PathCommandKind kind, Vec2 p) {
    if (!carriesPoint(kind)) detail::missingField(kind, "p");
    PathCommand c;
    c.kind_ = kind;
    c.f_[0] = p.x;
    c.f_[1] = p.y;
    return c;
  }
  // horizontal or vertical line.
  static PathCommand value(PathCommandKind kind, float v);
  static PathCommand cubic(PathCommandKind kind, Vec2 c1, Vec2 c2, Vec2 c3);
  // smooth cubic or quadratic: one explicit control point and the end point.
  static PathCommand controlEnd(PathCommandKind kind, Vec2 c, Vec2 e);
  static PathCommand arc(PathCommandKind kind, Vec2 r, float rot, bool largeArc, bool sweep,
                         Vec2 a);

  PathCommandKind kind() const { return kind_; }

  Vec2 p() const {
    if (!carriesPoint(kind_)) detail::missingField(kind_, "p");
    return {f_[0], f_[1]};
  }
  float v() const;
  Vec2 c1() const;
  Vec2 c2() const;
  Vec2 c3() const;
  Vec2 c() const;
  Vec2 e() const;
  Vec2 r() const;
  float rot() const;
  bool largeArc() const;
  bool sweep() const;
  Vec2 a() const;

  // The stored floats without a kind check, for hot loops that have already
  // switched on the kind: p at 0-1, v at 0, c1 0-1, c2 2-3, c3 4-5, c 0-1,
  // e 2-3, arc r 0-1, rot 2, a 3-4.
  const float *raw() const { return f_; }

  // The parameters in path-data order (arc flags as 1.0 / 0.0); returns the count.
  int parameters(float out[7]) const;

 private:
  PathCommandKind kind_ = pClose;
  bool largeArc_ = false;
  bool sweep_ = false;
  float f_[6] = {0, 0, 0, 0, 0, 0};
};

struct Path {
  std::vector<PathCommand> commands;
  Vec2 start;
  Vec2 current;
};

// Appends commands without touching the state.
void add(Path &path, const PathCommand &command);
void add(Path &path, const PathCommand *commands, std::size_t n);

// Advances path.start / path.current over `n` commands (not necessarily the
// path's own), from the path's present state. n below 1 changes nothing.
void advanceState(Path &path, const PathCommand *commands, std::int64_t n);

// Recomputes the state from (0, 0) over the whole command list.
void refreshState(Path &path);

// Appends the commands of `source` to `destination` and advances the
// destination's state over them. The two may be the same path: its own
// commands are then appended once.
void appendPath(Path &destination, const Path &source);

}  // namespace zd::path
