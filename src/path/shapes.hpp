// Shape builders: each appends a fixed sequence of absolute commands to a
// path and keeps the builder state as advanceState would. They reject
// nothing: the caller has already checked for non-finite and negative input.
#pragma once

#include <cstdint>

#include "path/path.hpp"

namespace zd::path {

// Quarter-circle Bezier constant, the float nearest 0.5522848.
inline constexpr float kKappa = 0.5522848f;
// Angular and distance tolerance of the arc builders (pi * 1e-4 as a float).
inline constexpr float kArcEpsilon = 0.00031415926f;

void rect(Path &path, bool clockwise, float x, float y, float w, float h);
void roundedRect(Path &path, bool clockwise, float x, float y, float w, float h, float rTopLeft,
                 float rTopRight, float rBottomRight, float rBottomLeft);
void ellipse(Path &path, float cx, float cy, float rx, float ry);
void polygon(Path &path, std::int32_t n, float cx, float cy, float r);
void arc(Path &path, bool counterclockwise, float cx, float cy, float r, float startAngle,
         float endAngle);
void arcTo(Path &path, float x1, float y1, float x2, float y2, float r);
void ellipticalArcTo(Path &path, bool largeArc, bool sweep, float rx, float ry, float rotation,
                     float x, float y);

// The plain builders: one command each, state advanced over it.
void moveTo(Path &path, Vec2 p);
void lineTo(Path &path, Vec2 p);
void cubicTo(Path &path, Vec2 c1, Vec2 c2, Vec2 end);
void quadTo(Path &path, Vec2 c, Vec2 end);
void closePath(Path &path);

}  // namespace zd::path
