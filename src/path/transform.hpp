// Affine transforms of paths and points.
//
// A Matrix maps (x, y) to (a*x + c*y + e, b*x + d*y + f), the order SVG and
// Canvas use. Points are mapped in double precision and rounded once to
// float, so the same inputs give the same bytes everywhere.
#pragma once

#include "path/path.hpp"

namespace zd::path {

struct Matrix {
  float a = 1.0f, b = 0.0f, c = 0.0f, d = 1.0f, e = 0.0f, f = 0.0f;
};

// True when every entry is finite.
bool isFinite(const Matrix &m);
// True for the identity (negative zeros count as zeros).
bool isIdentity(const Matrix &m);

// m applied to p (double arithmetic, one rounding to float per coordinate).
Vec2 apply(const Matrix &m, Vec2 p);

// The largest factor by which m stretches a vector: the larger singular
// value of its linear part (0 for the zero map).
double largestScale(const Matrix &m);

// Transforms every command of `path` in place, start and current point
// included. Relative commands become absolute; horizontal and vertical lines
// become lines unless the matrix keeps the axes (b = c = 0); elliptical arcs
// get the radii and rotation of the transformed ellipse, and their sweep flag
// flips when the matrix mirrors (negative determinant). A path whose first
// command is not a move starts from (0, 0), so it gets a leading move to the
// image of (0, 0) when that is not the origin. The identity changes nothing.
// Raises zd::Error, leaving the path as it was, for a matrix entry that is not
// finite or a transformed value that overflows.
void transform(Path &path, const Matrix &m);

}  // namespace zd::path
