// The paint of a fill: the colour mapped into sRGB and clamped, with the
// recently mapped colours of each thread remembered.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "color/gamut.hpp"
#include "color/registry.hpp"
#include "raster/raster.hpp"

namespace zd::raster {

namespace {

// The colours last mapped on this thread, by the exact bits of their floats
// and their space. The mapping is a pure function of those, so a repeated
// colour (a scene painted in one colour, shapes that alternate between a
// few colours, the same shape filled again) is mapped once. The table is
// direct-mapped: a colour has one slot, chosen by a hash of its bits, and
// replaces whatever was there. Failures are not kept: they raise every
// time. The memo is used only while the colour-space registry is sealed
// (its tables then never change).
struct PaintMemo {
  bool valid = false;
  std::uint32_t bits[4] = {};
  zd::color::SpaceTag space{};
  Paint paint;
};

constexpr std::size_t kMemoSlots = 16;

void colorBits(const zd::color::Color &color, std::uint32_t (&bits)[4]) {
  for (int i = 0; i < 3; ++i) bits[i] = std::bit_cast<std::uint32_t>(color.comps[i]);
  bits[3] = std::bit_cast<std::uint32_t>(color.alpha);
}

std::size_t slotOf(const std::uint32_t (&bits)[4], zd::color::SpaceTag space) {
  std::uint64_t h = static_cast<std::uint32_t>(space);
  for (const std::uint32_t word : bits) h = (h ^ word) * 0x9E3779B97F4A7C15u;
  return static_cast<std::size_t>(h >> 60) % kMemoSlots;
}

}  // namespace

Paint paintFromColor(const zd::color::Color &color) {
  thread_local PaintMemo memo[kMemoSlots];
  std::uint32_t bits[4];
  colorBits(color, bits);
  PaintMemo &slot = memo[slotOf(bits, color.space)];
  const bool sealed = zd::color::spacesSealed();
  if (sealed && slot.valid && slot.space == color.space &&
      std::memcmp(slot.bits, bits, sizeof bits) == 0) {
    return slot.paint;
  }
  const auto mapped = zd::color::gamutMap(color, zd::color::stSrgb);
  if (!mapped.isOk()) throw Error("fillPath: color cannot be converted to sRGB");
  const zd::color::Color &c = mapped.value();
  const Paint paint{clampUnit(c.comps[0]), clampUnit(c.comps[1]), clampUnit(c.comps[2]),
                    clampUnit(c.alpha)};
  slot.valid = sealed;
  std::memcpy(slot.bits, bits, sizeof bits);
  slot.space = color.space;
  slot.paint = paint;
  return paint;
}

}  // namespace zd::raster
