// The ramps of each thread's recent gradients, so that shapes painted with
// one gradient share one ramp (see rampOf in gradient.hpp).
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

#include "color/registry.hpp"
#include "raster/gradient.hpp"

namespace zd::raster {

namespace {

// What a ramp depends on, as words: the space and the hue method, then per
// stop its offset and colour with every float by its bits, so that -0 and 0
// (or two NaNs) never pass for each other.
using RampKey = std::vector<std::uint32_t>;

std::uint32_t bitsOf(float v) { return std::bit_cast<std::uint32_t>(v); }

void keyOf(const zd::paint::Gradient &gradient, RampKey &key) {
  key.clear();
  key.push_back(static_cast<std::uint32_t>(gradient.space));
  key.push_back(static_cast<std::uint32_t>(gradient.hue));
  for (const zd::paint::GradientStop &stop : gradient.stops) {
    const zd::color::CssColor &c = stop.color;
    key.insert(key.end(), {bitsOf(stop.offset), bitsOf(c.color.comps[0]), bitsOf(c.color.comps[1]),
                           bitsOf(c.color.comps[2]), bitsOf(c.color.alpha),
                           static_cast<std::uint32_t>(c.color.space), bitsOf(c.fourth),
                           static_cast<std::uint32_t>(c.missing)});
  }
}

struct CachedRamp {
  RampKey key;
  std::shared_ptr<const Ramp> ramp;  // null: an empty slot
};

// Most recent first.
using RampCache = std::array<CachedRamp, kCachedRamps>;

}  // namespace

std::shared_ptr<const Ramp> rampOf(const zd::paint::Gradient &gradient) {
  // The colours' mapping reads the registry's tables, which never change
  // once it is sealed; before that nothing is kept.
  if (!zd::color::spacesSealed()) return std::make_shared<const Ramp>(gradient);
  thread_local RampCache cache;
  thread_local RampKey wanted;
  keyOf(gradient, wanted);
  const auto hit = std::find_if(cache.begin(), cache.end(), [](const CachedRamp &entry) {
    return entry.ramp && entry.key == wanted;
  });
  if (hit != cache.end()) {
    std::rotate(cache.begin(), hit, hit + 1);
    return cache.front().ramp;
  }
  // Built before anything is replaced: a build that raises leaves the
  // cache as it was.
  std::shared_ptr<const Ramp> built = std::make_shared<const Ramp>(gradient);
  std::rotate(cache.begin(), cache.end() - 1, cache.end());
  cache.front().ramp = built;
  std::swap(cache.front().key, wanted);
  return built;
}

}  // namespace zd::raster
