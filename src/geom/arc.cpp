// Elliptical arcs to segments: the SVG endpoint-to-centre conversion, then
// equal angle steps chosen so that each chord's sagitta stays within the
// tolerance on the larger radius.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "geom/geom.hpp"

namespace zd::geom {

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPiFloat = 1.5707964f;
constexpr double kHalfPiDouble = 1.5707963267948966;

// The arc in centre form: where the ellipse sits and which angles it spans.
struct CentreArc {
  float cx, cy;          // centre
  float rx, ry;          // radii, scaled up if they could not span the chord
  float sinPhi, cosPhi;  // x-axis rotation
  float theta1;          // start angle on the unit circle
  float deltaTheta;      // signed sweep
};

CentreArc toCentre(bool largeArc, bool sweep, float x1, float y1, float x2, float y2, float rx,
                   float ry, float phi) {
  CentreArc arc{};
  rx = std::fabs(rx);
  ry = std::fabs(ry);
  const float s = std::sin(phi);
  const float c = std::cos(phi);

  // The start point in the ellipse's own axes, relative to the chord's middle.
  const float hx = (x1 - x2) * 0.5f;
  const float hy = (y1 - y2) * 0.5f;
  const float x1p = std::fmaf(c, hx, s * hy);
  const float y1p = std::fmaf(-s, hx, c * hy);

  float rx2 = rx * rx;
  float ry2 = ry * ry;
  const float x1p2 = x1p * x1p;
  const float y1p2 = y1p * y1p;

  // Radii too small to reach both end points grow until the chord is a diameter.
  const float lambda = x1p2 / rx2 + y1p2 / ry2;
  if (lambda > 1.0f) {
    const float scale = std::sqrt(lambda);
    rx = rx * scale;
    ry = ry * scale;
    rx2 = rx * rx;
    ry2 = ry * ry;
  }

  const float numerator = std::fmaf(-ry2, x1p2, std::fmaf(rx2, ry2, -(y1p2 * rx2)));
  const float denominator = std::fmaf(rx2, y1p2, x1p2 * ry2);
  float quotient = numerator / denominator;
  if (!(quotient > 0.0f)) quotient = 0.0f;  // negative from rounding, or NaN
  float k = std::sqrt(quotient);
  if (largeArc == sweep) k = -k;

  const float cxp = (y1p * (rx * k)) / ry;
  const float cyp = (x1p * (-(ry * k))) / rx;

  const float ux = (x1p - cxp) / rx;
  const float uy = (y1p - cyp) / ry;
  const float vx = (-x1p - cxp) / rx;
  const float vy = (-y1p - cyp) / ry;

  arc.theta1 = angleBetween(1.0f, 0.0f, ux, uy);
  float delta = angleBetween(ux, uy, vx, vy);
  if (!sweep && delta > 0.0f) {
    delta = delta - kTwoPi;
  } else if (sweep && delta < 0.0f) {
    delta = delta + kTwoPi;
  }
  arc.deltaTheta = delta;

  arc.cx = (x1 + x2) * 0.5f + std::fmaf(c, cxp, -(cyp * s));
  arc.cy = (y1 + y2) * 0.5f + std::fmaf(s, cxp, c * cyp);
  arc.rx = rx;
  arc.ry = ry;
  arc.sinPhi = s;
  arc.cosPhi = c;
  return arc;
}

// The number of equal steps (64-bit, possibly NaN or infinite): each step's
// central angle is that of a chord with sagitta `tolerance` on the larger
// radius, and never more than a quarter turn.
double stepCount(const CentreArc &arc, float tolerance) {
  const float radius = arc.ry > arc.rx ? arc.ry : arc.rx;
  const float step32 =
      tolerance < radius ? 2.0f * std::acos(1.0f - tolerance / radius) : kHalfPiFloat;
  double step = static_cast<double>(step32);
  if (step > kHalfPiDouble) step = kHalfPiDouble;
  return std::ceil(static_cast<double>(std::fabs(arc.deltaTheta)) / step);
}

}  // namespace

bool arcEndTangents(bool largeArc, bool sweep, float x1, float y1, float x2, float y2, float rx,
                    float ry, float phi, Vec2 &start, Vec2 &end) {
  if ((x1 == x2 && y1 == y2) || rx == 0.0f || ry == 0.0f) return false;
  const CentreArc arc = toCentre(largeArc, sweep, x1, y1, x2, y2, rx, ry, phi);
  if (!std::isfinite(arc.theta1) || !std::isfinite(arc.deltaTheta) || arc.deltaTheta == 0.0f) {
    return false;
  }
  // d/dtheta of the ellipse point, in the direction of travel.
  const double direction = arc.deltaTheta > 0.0f ? 1.0 : -1.0;
  const auto tangent = [&](double theta) {
    const double s = std::sin(theta), c = std::cos(theta);
    const double dx = -arc.rx * s, dy = arc.ry * c;
    return Vec2{static_cast<float>(direction * (dx * arc.cosPhi - dy * arc.sinPhi)),
                static_cast<float>(direction * (dx * arc.sinPhi + dy * arc.cosPhi))};
  };
  start = tangent(arc.theta1);
  end = tangent(static_cast<double>(arc.theta1) + arc.deltaTheta);
  return true;
}

float angleBetween(float ux, float uy, float vx, float vy) {
  const float dot = std::fmaf(ux, vx, uy * vy);
  const float lengths = std::sqrt(std::fmaf(ux, ux, uy * uy) * std::fmaf(vx, vx, vy * vy));
  float cosine = dot / lengths;
  if (cosine > 1.0f) {
    cosine = 1.0f;
  } else if (cosine < -1.0f) {
    cosine = -1.0f;
  }
  const float angle = std::acos(cosine);
  const float crossProduct = std::fmaf(ux, vy, -(vx * uy));
  return crossProduct < 0.0f ? -angle : angle;
}

void arcToSegments(std::vector<Segment> &segments, bool largeArc, bool sweep, float x1, float y1,
                   float x2, float y2, float rx, float ry, float phi, float tolerance) {
  if (x1 == x2 && y1 == y2) return;
  if (rx == 0.0f || ry == 0.0f) {
    addSegment(segments, {x1, y1, x2, y2});
    return;
  }
  const CentreArc arc = toCentre(largeArc, sweep, x1, y1, x2, y2, rx, ry, phi);
  const double n = stepCount(arc, tolerance);
  // Refuse the whole arc up front rather than fail half-way through it.
  const double room = static_cast<double>(kSegmentCap - std::min(segments.size(), kSegmentCap));
  if (!std::isfinite(n) || n > room) segmentLimitExceeded();
  const auto steps = static_cast<std::uint32_t>(n > 1.0 ? n : 1.0);

  const float s = arc.sinPhi;
  const float c = arc.cosPhi;
  float previousX = x1;
  float previousY = y1;
  for (std::uint32_t i = 1; i <= steps; ++i) {
    const float fraction = static_cast<float>(i) / static_cast<float>(steps);
    const float theta = std::fmaf(arc.deltaTheta, fraction, arc.theta1);
    const float sinTheta = std::sin(theta);
    const float cosTheta = std::cos(theta);
    const float x = arc.cx + std::fmaf(c * cosTheta, arc.rx, (s * sinTheta) * (-arc.ry));
    const float y = arc.cy + std::fmaf(s * cosTheta, arc.rx, arc.ry * (c * sinTheta));
    addSegment(segments, {previousX, previousY, x, y});
    previousX = x;
    previousY = y;
  }
}

}  // namespace zd::geom
