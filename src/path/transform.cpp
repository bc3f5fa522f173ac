// Affine transforms of paths: every point through the matrix, relative
// commands made absolute, arcs given the radii and rotation of the mapped
// ellipse.
#include "path/transform.hpp"

#include <cmath>
#include <vector>

#include "common/errors.hpp"

namespace zd::path {

namespace {

// The ellipse of an arc after the linear part of a matrix.
struct MappedEllipse {
  float rx, ry, rotation;
};

// The unit circle maps to the arc's ellipse by E = R(phi) * diag(rx, ry), and
// then through the linear part L of the matrix. The image of a circle under
// any 2x2 map M = L * E is the ellipse whose radii are M's singular values and
// whose rotation is the angle of M's first left singular vector; the closed
// form below splits M into a rotation-plus-scale and a reflection-plus-scale
// part. A zero radius stays a straight line: both radii come out zero.
MappedEllipse mapEllipse(const Matrix &m, float rx, float ry, float phi) {
  if (rx == 0.0f || ry == 0.0f) return {0.0f, 0.0f, 0.0f};
  const double sx = std::fabs(static_cast<double>(rx));
  const double sy = std::fabs(static_cast<double>(ry));
  const double cosPhi = std::cos(static_cast<double>(phi));
  const double sinPhi = std::sin(static_cast<double>(phi));
  const double a = m.a, b = m.b, c = m.c, d = m.d;
  // Columns of M: L * (rx cos, rx sin) and L * (-ry sin, ry cos).
  const double m00 = (a * cosPhi + c * sinPhi) * sx;
  const double m10 = (b * cosPhi + d * sinPhi) * sx;
  const double m01 = (c * cosPhi - a * sinPhi) * sy;
  const double m11 = (d * cosPhi - b * sinPhi) * sy;
  const double even = (m00 + m11) * 0.5;
  const double odd = (m00 - m11) * 0.5;
  const double symmetric = (m10 + m01) * 0.5;
  const double skew = (m10 - m01) * 0.5;
  const double rotationPart = std::hypot(even, skew);
  const double reflectionPart = std::hypot(odd, symmetric);
  const double angle = (std::atan2(skew, even) + std::atan2(symmetric, odd)) * 0.5;
  return {static_cast<float>(rotationPart + reflectionPart),
          static_cast<float>(std::fabs(rotationPart - reflectionPart)), static_cast<float>(angle)};
}

// Walks the original commands (turning relative points absolute with the
// same float additions as flattening) and writes the mapped commands.
class Mapper {
 public:
  explicit Mapper(const Matrix &m) : m_(m), keepsAxes_(m.b == 0.0f && m.c == 0.0f) {}

  std::vector<PathCommand> run(const std::vector<PathCommand> &commands) {
    std::vector<PathCommand> out;
    out.reserve(commands.size() + 1);
    const Vec2 origin = apply(m_, {0.0f, 0.0f});
    const bool startsWithMove = absoluteKind(commands.front().kind()) == pMove;
    if (!startsWithMove && (origin.x != 0.0f || origin.y != 0.0f)) {
      out.push_back(PathCommand::point(pMove, checked(origin)));
    }
    for (const PathCommand &command : commands) out.push_back(step(command));
    return out;
  }

 private:
  Vec2 map(Vec2 p) const { return checked(apply(m_, p)); }

  static Vec2 checked(Vec2 p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) overflow();
    return p;
  }
  static float checked(float v) {
    if (!std::isfinite(v)) overflow();
    return v;
  }
  [[noreturn]] static void overflow() {
    throw Error("transform: a transformed coordinate is not finite");
  }

  PathCommand line(Vec2 to) {
    q_ = to;
    return PathCommand::point(pLine, map(to));
  }
  PathCommand horizontal(float x) {
    const Vec2 to{x, q_.y};
    if (!keepsAxes_) return line(to);
    q_ = to;
    return PathCommand::value(pHLine, map(to).x);
  }
  PathCommand vertical(float y) {
    const Vec2 to{q_.x, y};
    if (!keepsAxes_) return line(to);
    q_ = to;
    return PathCommand::value(pVLine, map(to).y);
  }
  PathCommand arc(const PathCommand &command, Vec2 to) {
    const Vec2 r = command.r();
    const MappedEllipse ellipse = mapEllipse(m_, r.x, r.y, command.rot());
    checked(ellipse.rx);
    checked(ellipse.ry);
    const bool mirrors = static_cast<double>(m_.a) * m_.d - static_cast<double>(m_.b) * m_.c < 0.0;
    q_ = to;
    return PathCommand::arc(pArc, {ellipse.rx, ellipse.ry}, ellipse.rotation, command.largeArc(),
                            command.sweep() != mirrors, map(to));
  }

  PathCommand step(const PathCommand &command) {
    const Vec2 q = q_;
    switch (command.kind()) {
      case pClose: q_ = s_; return PathCommand::close();
      case pMove: s_ = q_ = command.p(); return PathCommand::point(pMove, map(q_));
      case pRMove: s_ = q_ = q + command.p(); return PathCommand::point(pMove, map(q_));
      case pLine: return line(command.p());
      case pRLine: return line(q + command.p());
      case pHLine: return horizontal(command.v());
      case pRHLine: return horizontal(q.x + command.v());
      case pVLine: return vertical(command.v());
      case pRVLine: return vertical(q.y + command.v());
      case pCubic:
        q_ = command.c3();
        return PathCommand::cubic(pCubic, map(command.c1()), map(command.c2()), map(q_));
      case pRCubic:
        q_ = q + command.c3();
        return PathCommand::cubic(pCubic, map(q + command.c1()), map(q + command.c2()), map(q_));
      case pSCubic:
      case pQuad:
        q_ = command.e();
        return PathCommand::controlEnd(absoluteKind(command.kind()), map(command.c()), map(q_));
      case pRSCubic:
      case pRQuad:
        q_ = q + command.e();
        return PathCommand::controlEnd(absoluteKind(command.kind()), map(q + command.c()), map(q_));
      case pTQuad: q_ = command.p(); return PathCommand::point(pTQuad, map(q_));
      case pRTQuad: q_ = q + command.p(); return PathCommand::point(pTQuad, map(q_));
      case pArc: return arc(command, command.a());
      case pRArc: return arc(command, q + command.a());
    }
    throw Defect("transform: unknown command kind");
  }

  const Matrix &m_;
  const bool keepsAxes_;
  Vec2 q_{};
  Vec2 s_{};
};

}  // namespace

bool isFinite(const Matrix &m) {
  return std::isfinite(m.a) && std::isfinite(m.b) && std::isfinite(m.c) && std::isfinite(m.d) &&
         std::isfinite(m.e) && std::isfinite(m.f);
}

bool isIdentity(const Matrix &m) {
  return m.a == 1.0f && m.b == 0.0f && m.c == 0.0f && m.d == 1.0f && m.e == 0.0f && m.f == 0.0f;
}

Vec2 apply(const Matrix &m, Vec2 p) {
  const double x = p.x, y = p.y;
  return {static_cast<float>(static_cast<double>(m.a) * x + static_cast<double>(m.c) * y + m.e),
          static_cast<float>(static_cast<double>(m.b) * x + static_cast<double>(m.d) * y + m.f)};
}

double largestScale(const Matrix &m) {
  const double even = (static_cast<double>(m.a) + m.d) * 0.5;
  const double odd = (static_cast<double>(m.a) - m.d) * 0.5;
  const double symmetric = (static_cast<double>(m.b) + m.c) * 0.5;
  const double skew = (static_cast<double>(m.b) - m.c) * 0.5;
  return std::hypot(even, skew) + std::hypot(odd, symmetric);
}

void transform(Path &path, const Matrix &m) {
  if (!isFinite(m)) throw Error("transform: matrix entry is not finite");
  if (isIdentity(m) || path.commands.empty()) return;
  std::vector<PathCommand> mapped = Mapper(m).run(path.commands);
  // Everything is absolute now, so the state is the image of the old one
  // (recomputed from the commands, which keeps the builder invariant).
  path.commands.swap(mapped);
  refreshState(path);
}

}  // namespace zd::path
