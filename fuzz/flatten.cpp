// Flattens arbitrary command lists (any kind, any float bits, any tolerance)
// and checks what must hold whatever the input: the cap is never passed, a
// failure is the one documented error, results are reproducible to the bit
// and both flatten forms agree. A second mode drives the curve and arc
// flatteners directly, from a late subdivision depth and onto an array close
// to the cap, so that forced emission at the deepest level and the segment
// limit are reached without flattening a million segments per input.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "common/errors.hpp"
#include "geom/geom.hpp"
#include "path/path.hpp"
#include "require.hpp"
#include "segment_budget.hpp"

namespace {

using zd::geom::Segment;
using zd::path::PathCommand;
using zd::path::Vec2;

float pickFloat(FuzzedDataProvider &in) {
  switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: return static_cast<float>(in.ConsumeIntegralInRange<int>(-50, 50));
    case 1: return in.ConsumeFloatingPointInRange<float>(-500.0f, 500.0f);
    default: {
      const auto bits = in.ConsumeIntegral<std::uint32_t>();
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return f;
    }
  }
}

Vec2 pickPoint(FuzzedDataProvider &in) { return {pickFloat(in), pickFloat(in)}; }

PathCommand pickCommand(FuzzedDataProvider &in) {
  const auto kind = static_cast<zd::path::PathCommandKind>(in.ConsumeIntegralInRange<int>(0, 18));
  switch (zd::path::absoluteKind(kind)) {
    case zd::path::pClose: return PathCommand::close();
    case zd::path::pHLine:
    case zd::path::pVLine: return PathCommand::value(kind, pickFloat(in));
    case zd::path::pCubic:
      return PathCommand::cubic(kind, pickPoint(in), pickPoint(in), pickPoint(in));
    case zd::path::pSCubic:
    case zd::path::pQuad: return PathCommand::controlEnd(kind, pickPoint(in), pickPoint(in));
    case zd::path::pArc: {
      const Vec2 radii = pickPoint(in);
      const float rotation = pickFloat(in);
      const bool large = in.ConsumeBool();
      const bool sweep = in.ConsumeBool();
      return PathCommand::arc(kind, radii, rotation, large, sweep, pickPoint(in));
    }
    default: return PathCommand::point(kind, pickPoint(in));
  }
}

bool sameBits(const std::vector<Segment> &a, const std::vector<Segment> &b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Segment)) == 0);
}

// Whether a path is worth flattening here (see segment_budget.hpp).
bool withinBudget(const zd::path::Path &path, float tolerance) {
  zd::fuzzing::SegmentEstimate estimate(tolerance);
  for (const PathCommand &command : path.commands) {
    float params[7];
    const int count = command.parameters(params);
    estimate.add(static_cast<int>(command.kind()), params, count);
  }
  return estimate.withinBudget();
}

// Segments appended after `from`, all finite end points within the curve's
// own ends: the first starts at `first`, the last ends at `last`.
void checkEnds(const std::vector<Segment> &segments, std::size_t from, Vec2 first, Vec2 last) {
  if (segments.size() == from) return;
  const Segment &a = segments[from];
  const Segment &z = segments.back();
  REQUIRE(std::memcmp(&a.x0, &first.x, 4) == 0 && std::memcmp(&a.y0, &first.y, 4) == 0);
  REQUIRE(std::memcmp(&z.x1, &last.x, 4) == 0 && std::memcmp(&z.y1, &last.y, 4) == 0);
}

// One curve or arc straight into a segment array: either an empty one, or
// one so full that the curve may meet the cap. The depth starts late so the
// deepest levels, where pieces are emitted without a flatness test, are
// reached in at most 2^10 segments.
void flattenPiece(FuzzedDataProvider &in) {
  static std::vector<Segment> nearlyFull(zd::geom::kSegmentCap - 600);
  static const std::size_t fullBase = nearlyFull.size();
  std::vector<Segment> empty;
  std::vector<Segment> &out = in.ConsumeBool() ? nearlyFull : empty;
  const std::size_t from = out.size();
  const int depth = in.ConsumeIntegralInRange<int>(zd::geom::kMaxDepth - 10, zd::geom::kMaxDepth);
  const float tolerance = in.ConsumeFloatingPointInRange<float>(1e-4f, 20.0f);
  const Vec2 p0 = pickPoint(in), p1 = pickPoint(in), p2 = pickPoint(in), p3 = pickPoint(in);
  const int which = in.ConsumeIntegralInRange<int>(0, 2);
  std::string failure;
  try {
    if (which == 0) {
      zd::geom::flattenCubic(out, depth, p0, p1, p2, p3, tolerance);
      checkEnds(out, from, p0, p3);
      REQUIRE(out.size() - from <= (std::size_t{1} << (zd::geom::kMaxDepth - depth)));
    } else if (which == 1) {
      zd::geom::flattenQuad(out, depth, p0, p1, p2, tolerance);
      checkEnds(out, from, p0, p2);
      REQUIRE(out.size() - from <= (std::size_t{1} << (zd::geom::kMaxDepth - depth)));
    } else {
      zd::geom::arcToSegments(out, in.ConsumeBool(), in.ConsumeBool(), p0.x, p0.y, p1.x, p1.y, p2.x,
                              p2.y, p3.x, tolerance);
      if (out.size() > from) REQUIRE(out[from].x0 == p0.x || std::isnan(p0.x));
    }
  } catch (const zd::Error &error) {
    failure = error.what();
  }
  if (!failure.empty()) REQUIRE(failure == zd::geom::kSegmentLimitMessage);
  REQUIRE(out.size() <= zd::geom::kSegmentCap);
  if (&out == &nearlyFull) nearlyFull.resize(fullBase);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
    flattenPiece(in);
    return 0;
  }
  float tolerance = in.ConsumeFloatingPointInRange<float>(0.01f, 20.0f);
  zd::path::Path path;
  while (in.remaining_bytes() > 0 && path.commands.size() < 64) {
    zd::path::add(path, pickCommand(in));
  }
  // Curves far larger than the tolerance only repeat the deepest
  // subdivision, which flattenPiece reaches cheaply.
  if (!withinBudget(path, tolerance)) return -1;

  std::vector<Segment> first;
  std::string failure;
  try {
    first = zd::geom::flatten(path, tolerance);
  } catch (const zd::Error &error) {
    failure = error.what();
  }
  if (!failure.empty()) {
    REQUIRE(failure == zd::geom::kSegmentLimitMessage);
    return 0;
  }
  REQUIRE(first.size() <= zd::geom::kSegmentCap);

  std::vector<Segment> second = {{1, 2, 3, 4}};
  zd::geom::flatten(path, tolerance, second);
  REQUIRE(sameBits(first, second));

  const zd::geom::Bounds box = zd::geom::computeBounds(first);
  if (first.empty()) REQUIRE(box.minX == 0 && box.minY == 0 && box.width == 0 && box.height == 0);
  return static_cast<double>(first.size()) > zd::fuzzing::kSegmentBudget ? -1 : 0;
}
