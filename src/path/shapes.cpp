// Shape builders. All arithmetic is float32, one rounding per operation,
// except where std::fma / std::fmaf or doubles are written out.
#include "path/shapes.hpp"

#include <cmath>

namespace zd::path {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
// 2*pi - pi*1e-4: a sweep above this is a full turn.
constexpr double kFullTurn = 6.282871147914228;

void appendAndAdvance(Path &path, const PathCommand &command) {
  add(path, command);
  advanceState(path, &command, 1);
}

// Squared length with the last addition fused: x*x, then fma(y, y, that).
float squaredLength(Vec2 d) { return std::fmaf(d.y, d.y, d.x * d.x); }

Vec2 minus(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }

}  // namespace

// The single-command builders set the state directly, as advanceState
// would over their one command: hosts call them once per vertex.
void moveTo(Path &path, Vec2 p) {
  path.commands.push_back(PathCommand::point(pMove, p));
  path.start = path.current = p;
}
void lineTo(Path &path, Vec2 p) {
  path.commands.push_back(PathCommand::point(pLine, p));
  path.current = p;
}
void cubicTo(Path &path, Vec2 c1, Vec2 c2, Vec2 end) {
  path.commands.push_back(PathCommand::cubic(pCubic, c1, c2, end));
  path.current = end;
}
void quadTo(Path &path, Vec2 c, Vec2 end) {
  path.commands.push_back(PathCommand::controlEnd(pQuad, c, end));
  path.current = end;
}
void closePath(Path &path) {
  path.commands.push_back(PathCommand::close());
  path.current = path.start;
}

void rect(Path &path, bool clockwise, float x, float y, float w, float h) {
  const float x2 = x + w;
  const float y2 = y + h;
  moveTo(path, {x, y});
  if (clockwise) {
    lineTo(path, {x2, y});
    lineTo(path, {x2, y2});
    lineTo(path, {x, y2});
  } else {
    lineTo(path, {x, y2});
    lineTo(path, {x2, y2});
    lineTo(path, {x2, y});
  }
  closePath(path);
}

void roundedRect(Path &path, bool clockwise, float x, float y, float w, float h, float rTopLeft,
                 float rTopRight, float rBottomRight, float rBottomLeft) {
  const float halfW = w * 0.5f;
  const float halfH = h * 0.5f;
  const float m = halfW > halfH ? halfH : halfW;
  auto clamp = [m](float r) {
    r = m < r ? m : r;
    return r < 0.0f ? 0.0f : r;
  };
  const float a = clamp(rTopLeft);
  const float b = clamp(rTopRight);
  const float c = clamp(rBottomRight);
  const float d = clamp(rBottomLeft);
  if (a == 0.0f && b == 0.0f && c == 0.0f && d == 0.0f) {
    rect(path, clockwise, x, y, w, h);
    return;
  }
  const float x2 = x + w;
  const float y2 = y + h;
  const float k = kKappa;
  const float nk = -kKappa;
  if (clockwise) {
    moveTo(path, {x + a, y});
    lineTo(path, {x2 - b, y});
    cubicTo(path, {(x2 - b) + k * b, y}, {x2, (y + b) + nk * b}, {x2, y + b});
    lineTo(path, {x2, y2 - c});
    cubicTo(path, {x2, (y2 - c) + k * c}, {(x2 - c) + k * c, y2}, {x2 - c, y2});
    lineTo(path, {x + d, y2});
    cubicTo(path, {(x + d) + nk * d, y2}, {x, (y2 - d) + k * d}, {x, y2 - d});
    lineTo(path, {x, y + a});
    cubicTo(path, {x, (y + a) + nk * a}, {(x + a) + nk * a, y}, {x + a, y});
  } else {
    moveTo(path, {x + a, y});
    cubicTo(path, {(x + a) + nk * a, y}, {x, (y + a) + nk * a}, {x, y + a});
    lineTo(path, {x, y2 - d});
    cubicTo(path, {x, (y2 - d) + k * d}, {(x + d) + nk * d, y2}, {x + d, y2});
    lineTo(path, {x2 - c, y2});
    cubicTo(path, {(x2 - c) + k * c, y2}, {x2, (y2 - c) + k * c}, {x2, y2 - c});
    lineTo(path, {x2, y + b});
    cubicTo(path, {x2, (y + b) + nk * b}, {(x2 - b) + k * b, y}, {x2 - b, y});
    lineTo(path, {x + a, y});
  }
  closePath(path);
}

void ellipse(Path &path, float cx, float cy, float rx, float ry) {
  const float kx = rx * kKappa;
  const float ky = ry * kKappa;
  moveTo(path, {cx + rx, cy});
  cubicTo(path, {cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
  cubicTo(path, {cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
  cubicTo(path, {cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
  cubicTo(path, {cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
  closePath(path);
}

void polygon(Path &path, std::int32_t n, float cx, float cy, float r) {
  moveTo(path, {std::fmaf(r, 0.0f, cx), cy - r});
  const double count = static_cast<double>(static_cast<float>(n));
  for (std::int32_t i = 1; i < n; ++i) {
    const float fi = static_cast<float>(i);
    const double theta = (static_cast<double>(fi + fi) * kPi) / count;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const float x =
        static_cast<float>(std::fma(static_cast<double>(r), s, static_cast<double>(cx)));
    const float y =
        static_cast<float>(std::fma(-static_cast<double>(r), c, static_cast<double>(cy)));
    lineTo(path, {x, y});
  }
  closePath(path);
}

void arc(Path &path, bool counterclockwise, float cx, float cy, float r, float startAngle,
         float endAngle) {
  if (r == 0.0f) return;
  const float sin0 = std::sin(startAngle);
  const float cos0 = std::cos(startAngle);
  const float sx = cx + r * cos0;
  const float sy = cy + r * sin0;
  if (path.commands.empty()) {
    moveTo(path, {sx, sy});
  } else if (std::fabs(path.current.x - sx) > kArcEpsilon ||
             std::fabs(path.current.y - sy) > kArcEpsilon) {
    lineTo(path, {sx, sy});
  }
  const bool sweep = !counterclockwise;
  float delta = counterclockwise ? startAngle - endAngle : endAngle - startAngle;
  if (delta < 0.0f) {
    delta = static_cast<float>(std::fmod(static_cast<double>(delta), kTwoPi) + kTwoPi);
  }
  const double sweepAngle = static_cast<double>(delta);
  if (sweepAngle > kFullTurn) {
    const Vec2 radii{r, r};
    appendAndAdvance(
        path, PathCommand::arc(pArc, radii, 0.0f, true, sweep, {cx - r * cos0, cy - r * sin0}));
    appendAndAdvance(path, PathCommand::arc(pArc, radii, 0.0f, true, sweep, {sx, sy}));
  } else if (delta > kArcEpsilon) {
    const float sin1 = std::sin(endAngle);
    const float cos1 = std::cos(endAngle);
    const Vec2 end{std::fmaf(r, cos1, cx), std::fmaf(r, sin1, cy)};
    appendAndAdvance(path, PathCommand::arc(pArc, {r, r}, 0.0f, sweepAngle >= kPi, sweep, end));
  }
}

void arcTo(Path &path, float x1, float y1, float x2, float y2, float r) {
  const Vec2 p0 = path.current;
  if (path.commands.empty()) {
    moveTo(path, p0);
    return;
  }
  const Vec2 p1{x1, y1};
  const Vec2 p2{x2, y2};
  const Vec2 d0 = minus(p0, p1);
  const float l0Squared = squaredLength(d0);
  if (l0Squared <= kArcEpsilon) return;
  const Vec2 d2 = minus(p2, p1);
  const float l2Squared = squaredLength(d2);
  const float cross = std::fmaf(d0.y, d2.x, -(d0.x * d2.y));
  if (l2Squared <= kArcEpsilon || r == 0.0f || std::fabs(cross) <= kArcEpsilon) {
    lineTo(path, p1);
    return;
  }
  const Vec2 d02 = minus(p2, p0);
  const float d02Squared = squaredLength(d02);
  const float l2 = std::sqrt(l2Squared);
  const float l0 = std::sqrt(l0Squared);
  const float theta = std::acos(((l2Squared + l0Squared) - d02Squared) / ((l2 + l2) * l0));
  const double t = std::tan((kPi - static_cast<double>(theta)) * 0.5);
  const float tangentDistance = static_cast<float>(t * static_cast<double>(r));
  const float k0 = tangentDistance / l0;
  if (std::fabs(k0 - 1.0f) > kArcEpsilon) {
    lineTo(path, {std::fmaf(k0, d0.x, x1), std::fmaf(k0, d0.y, y1)});
  }
  const float k2 = tangentDistance / l2;
  const Vec2 end{std::fmaf(k2, d2.x, x1), std::fmaf(k2, d2.y, y1)};
  const bool sweep = d0.x * d02.y < d02.x * d0.y;
  appendAndAdvance(path, PathCommand::arc(pArc, {r, r}, 0.0f, false, sweep, end));
}

void ellipticalArcTo(Path &path, bool largeArc, bool sweep, float rx, float ry, float rotation,
                     float x, float y) {
  appendAndAdvance(path, PathCommand::arc(pArc, {rx, ry}, rotation, largeArc, sweep, {x, y}));
}

}  // namespace zd::path
