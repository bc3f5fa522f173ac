// The paint of a fill: the colour mapped into sRGB and clamped, with the
// last colour of each thread remembered.
#include <bit>
#include <cstring>

#include "color/gamut.hpp"
#include "color/registry.hpp"
#include "raster/raster.hpp"

namespace zd::raster {

namespace {

// The last colour mapped on this thread, by the exact bits of its floats and
// its space. The mapping is a pure function of those, so a repeated colour
// (a scene painted in one colour, or the same shape filled again) is mapped
// once. Failures are not kept: they raise every time. The memo is used only
// while the colour-space registry is sealed (its tables then never change).
struct PaintMemo {
  bool valid = false;
  std::uint32_t bits[4] = {};
  zd::color::SpaceTag space{};
  Paint paint;
};

void colorBits(const zd::color::Color &color, std::uint32_t (&bits)[4]) {
  for (int i = 0; i < 3; ++i) bits[i] = std::bit_cast<std::uint32_t>(color.comps[i]);
  bits[3] = std::bit_cast<std::uint32_t>(color.alpha);
}

}  // namespace

Paint paintFromColor(const zd::color::Color &color) {
  thread_local PaintMemo memo;
  std::uint32_t bits[4];
  colorBits(color, bits);
  const bool sealed = zd::color::spacesSealed();
  if (sealed && memo.valid && memo.space == color.space &&
      std::memcmp(memo.bits, bits, sizeof bits) == 0) {
    return memo.paint;
  }
  const auto mapped = zd::color::gamutMap(color, zd::color::stSrgb);
  if (!mapped.isOk()) throw Error("fillPath: color cannot be converted to sRGB");
  const zd::color::Color &c = mapped.value();
  const Paint paint{clampUnit(c.comps[0]), clampUnit(c.comps[1]), clampUnit(c.comps[2]),
                    clampUnit(c.alpha)};
  memo.valid = sealed;
  std::memcpy(memo.bits, bits, sizeof bits);
  memo.space = color.space;
  memo.paint = paint;
  return paint;
}

}  // namespace zd::raster
