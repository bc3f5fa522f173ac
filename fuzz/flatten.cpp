// Flattens arbitrary command lists (any kind, any float bits, any tolerance)
// and checks what must hold whatever the input: the cap is never passed, a
// failure is the one documented error, results are reproducible to the bit
// and both flatten forms agree.
#include <fuzzer/FuzzedDataProvider.h>

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

namespace {

#define REQUIRE(cond)                                                                  \
  do {                                                                                 \
    if (!(cond)) {                                                                     \
      std::fprintf(stderr, "invariant failed at %s:%d: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

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
    case zd::path::pCubic: return PathCommand::cubic(kind, pickPoint(in), pickPoint(in), pickPoint(in));
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  float tolerance = in.ConsumeFloatingPointInRange<float>(0.01f, 20.0f);
  zd::path::Path path;
  while (in.remaining_bytes() > 0 && path.commands.size() < 64) {
    zd::path::add(path, pickCommand(in));
  }

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
  return 0;
}
