// The path model: checked command records, the kinds' parameter counts and
// names, and how the builder state follows the commands.
#include "path/path.hpp"

#include <string>

#include "common/errors.hpp"

namespace zd::path {

void detail::missingField(PathCommandKind kind, const char *field) {
  throw Defect(std::string("field '") + field + "' is not accessible for kind " +
               std::string(toString(kind)));
}

namespace {

using detail::missingField;

bool carriesValue(PathCommandKind k) {
  PathCommandKind a = absoluteKind(k);
  return a == pHLine || a == pVLine;
}
bool isCubic(PathCommandKind k) { return absoluteKind(k) == pCubic; }
bool carriesControlEnd(PathCommandKind k) {
  PathCommandKind a = absoluteKind(k);
  return a == pSCubic || a == pQuad;
}
bool isArc(PathCommandKind k) { return absoluteKind(k) == pArc; }

}  // namespace

int parameterCount(PathCommandKind kind) {
  return kind < kKindCount ? kKindInfo[kind].parameters : -1;
}

std::string_view toString(int kind) {
  if (kind < 0 || kind >= kKindCount) return {};
  return kKindInfo[kind].name;
}

PathCommand PathCommand::close() { return PathCommand(); }

PathCommand PathCommand::value(PathCommandKind kind, float v) {
  if (!carriesValue(kind)) missingField(kind, "v");
  PathCommand c;
  c.kind_ = kind;
  c.f_[0] = v;
  return c;
}

PathCommand PathCommand::cubic(PathCommandKind kind, Vec2 c1, Vec2 c2, Vec2 c3) {
  if (!isCubic(kind)) missingField(kind, "c1");
  PathCommand c;
  c.kind_ = kind;
  c.f_[0] = c1.x;
  c.f_[1] = c1.y;
  c.f_[2] = c2.x;
  c.f_[3] = c2.y;
  c.f_[4] = c3.x;
  c.f_[5] = c3.y;
  return c;
}

PathCommand PathCommand::controlEnd(PathCommandKind kind, Vec2 control, Vec2 end) {
  if (!carriesControlEnd(kind)) missingField(kind, "c");
  PathCommand c;
  c.kind_ = kind;
  c.f_[0] = control.x;
  c.f_[1] = control.y;
  c.f_[2] = end.x;
  c.f_[3] = end.y;
  return c;
}

PathCommand PathCommand::arc(PathCommandKind kind, Vec2 r, float rot, bool largeArc, bool sweep,
                             Vec2 a) {
  if (!isArc(kind)) missingField(kind, "r");
  PathCommand c;
  c.kind_ = kind;
  c.f_[0] = r.x;
  c.f_[1] = r.y;
  c.f_[2] = rot;
  c.f_[3] = a.x;
  c.f_[4] = a.y;
  c.largeArc_ = largeArc;
  c.sweep_ = sweep;
  return c;
}

float PathCommand::v() const {
  if (!carriesValue(kind_)) missingField(kind_, "v");
  return f_[0];
}
Vec2 PathCommand::c1() const {
  if (!isCubic(kind_)) missingField(kind_, "c1");
  return {f_[0], f_[1]};
}
Vec2 PathCommand::c2() const {
  if (!isCubic(kind_)) missingField(kind_, "c2");
  return {f_[2], f_[3]};
}
Vec2 PathCommand::c3() const {
  if (!isCubic(kind_)) missingField(kind_, "c3");
  return {f_[4], f_[5]};
}
Vec2 PathCommand::c() const {
  if (!carriesControlEnd(kind_)) missingField(kind_, "c");
  return {f_[0], f_[1]};
}
Vec2 PathCommand::e() const {
  if (!carriesControlEnd(kind_)) missingField(kind_, "e");
  return {f_[2], f_[3]};
}
Vec2 PathCommand::r() const {
  if (!isArc(kind_)) missingField(kind_, "r");
  return {f_[0], f_[1]};
}
float PathCommand::rot() const {
  if (!isArc(kind_)) missingField(kind_, "rot");
  return f_[2];
}
bool PathCommand::largeArc() const {
  if (!isArc(kind_)) missingField(kind_, "largeArc");
  return largeArc_;
}
bool PathCommand::sweep() const {
  if (!isArc(kind_)) missingField(kind_, "sweep");
  return sweep_;
}
Vec2 PathCommand::a() const {
  if (!isArc(kind_)) missingField(kind_, "a");
  return {f_[3], f_[4]};
}

int PathCommand::parameters(float out[7]) const {
  for (int i = 0; i < 7; ++i) out[i] = 0.0f;
  if (isArc(kind_)) {
    out[0] = f_[0];
    out[1] = f_[1];
    out[2] = f_[2];
    out[3] = largeArc_ ? 1.0f : 0.0f;
    out[4] = sweep_ ? 1.0f : 0.0f;
    out[5] = f_[3];
    out[6] = f_[4];
    return 7;
  }
  int count = parameterCount(kind_);
  for (int i = 0; i < count; ++i) out[i] = f_[i];
  return count;
}

void add(Path &path, const PathCommand &command) { path.commands.push_back(command); }

void add(Path &path, const PathCommand *commands, std::size_t n) {
  if (n == 0) return;
  path.commands.insert(path.commands.end(), commands, commands + n);
}

void advanceState(Path &path, const PathCommand *commands, std::int64_t n) {
  Vec2 s = path.start;
  Vec2 q = path.current;
  // The switch has settled each kind, so the fields are read from the raw
  // slots (see PathCommand::raw) without a check per access.
  for (std::int64_t i = 0; i < n; ++i) {
    const float *f = commands[i].raw();
    switch (commands[i].kind()) {
      case pClose: q = s; break;
      case pMove: s = q = {f[0], f[1]}; break;
      case pLine:
      case pTQuad: q = {f[0], f[1]}; break;
      case pHLine: q.x = f[0]; break;
      case pVLine: q.y = f[0]; break;
      case pCubic: q = {f[4], f[5]}; break;
      case pSCubic:
      case pQuad: q = {f[2], f[3]}; break;
      case pArc: q = {f[3], f[4]}; break;
      case pRMove:
        q = q + Vec2{f[0], f[1]};
        s = q;
        break;
      case pRLine:
      case pRTQuad: q = q + Vec2{f[0], f[1]}; break;
      case pRHLine: q.x = q.x + f[0]; break;
      case pRVLine: q.y = q.y + f[0]; break;
      case pRCubic: q = q + Vec2{f[4], f[5]}; break;
      case pRSCubic:
      case pRQuad: q = q + Vec2{f[2], f[3]}; break;
      case pRArc: q = q + Vec2{f[3], f[4]}; break;
    }
  }
  path.start = s;
  path.current = q;
}

void refreshState(Path &path) {
  path.start = {};
  path.current = {};
  advanceState(path, path.commands.data(), static_cast<std::int64_t>(path.commands.size()));
}

void appendPath(Path &destination, const Path &source) {
  if (&destination == &source) {
    // Copy first: appending a list to itself would read it after it grew.
    const std::vector<PathCommand> own = source.commands;
    add(destination, own.data(), own.size());
    advanceState(destination, own.data(), static_cast<std::int64_t>(own.size()));
    return;
  }
  add(destination, source.commands.data(), source.commands.size());
  advanceState(destination, source.commands.data(),
               static_cast<std::int64_t>(source.commands.size()));
}

}  // namespace zd::path
