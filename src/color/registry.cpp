#include "color/registry.hpp"

#include <array>
#include <cmath>
#include <map>
#include <string>

#include "color/spaces.hpp"

namespace zd::color {

namespace {

// The names of the sealed registry in an open-addressed table: a lookup
// hashes the name once and compares it with one or two entries, where the
// map would compare it with five.
class NameIndex {
 public:
  void clear() { slots_.fill(nullptr); }

  // False when the table is full (the map then stays the only index).
  bool insert(const SpaceDescriptor *d) {
    for (std::size_t i = 0, at = slotOf(d->name); i < kSlots; ++i, at = (at + 1) % kSlots) {
      if (slots_[at] == nullptr) {
        slots_[at] = d;
        return true;
      }
    }
    return false;
  }

  const SpaceDescriptor *find(std::string_view name) const {
    for (std::size_t i = 0, at = slotOf(name); i < kSlots; ++i, at = (at + 1) % kSlots) {
      const SpaceDescriptor *d = slots_[at];
      if (d == nullptr) return nullptr;
      if (d->name == name) return d;
    }
    return nullptr;
  }

 private:
  static constexpr std::size_t kSlots = 128;  // a power of two, well above 26 names

  // Length, first, middle and last byte: enough to spread the registry's
  // names (an average of 1.2 probes each) without reading every byte.
  static std::size_t slotOf(std::string_view name) {
    if (name.empty()) return 0;
    const auto byte = [&](std::size_t i) {
      return static_cast<std::size_t>(static_cast<unsigned char>(name[i]));
    };
    return (name.size() * 97 + byte(0) * 7 + byte(name.size() / 2) * 17 +
            byte(name.size() - 1) * 131) %
           kSlots;
  }

  std::array<const SpaceDescriptor *, kSlots> slots_{};
};

struct Registry {
  std::map<std::string, SpaceDescriptor, std::less<>> byName;  // looked up by string_view
  std::map<SpaceTag, SpaceDescriptor> byTag;
  bool sealed = false;
  // Filled when the registry is sealed: a direct index of the small tags,
  // and the names' hash table (`hashed` when it holds every name).
  std::array<const SpaceDescriptor *, 64> small{};
  NameIndex names;
  bool hashed = false;
};

Registry &registry() {
  static Registry instance;
  return instance;
}

}  // namespace

bool registerSpace(const SpaceDescriptor &d) {
  Registry &r = registry();
  if (r.sealed || d.name.empty() || r.byName.count(d.name) != 0 || r.byTag.count(d.tag) != 0) {
    return false;
  }
  r.byName.emplace(d.name, d);
  r.byTag.emplace(d.tag, d);
  return true;
}

const SpaceDescriptor *findSpace(SpaceTag tag) {
  const Registry &r = registry();
  // A negative tag becomes a huge index, beyond the small ones.
  const auto index = static_cast<std::size_t>(static_cast<std::uint32_t>(tag));
  if (r.sealed && index < r.small.size()) return r.small[index];
  const auto it = r.byTag.find(tag);
  // A registered descriptor always has a name; an empty one counts as absent.
  if (it == r.byTag.end() || it->second.name.empty()) return nullptr;
  return &it->second;
}

const SpaceDescriptor *findSpaceByName(std::string_view name) {
  const Registry &r = registry();
  if (r.sealed && r.hashed) return r.names.find(name);
  const auto it = r.byName.find(name);
  return it == r.byName.end() ? nullptr : &it->second;
}

std::optional<SpaceDescriptor> spaceByTag(SpaceTag tag) {
  const SpaceDescriptor *d = findSpace(tag);
  if (d == nullptr) return std::nullopt;
  return *d;
}

void sealSpaces() {
  Registry &r = registry();
  if (r.sealed) return;
  for (const auto &[tag, d] : r.byTag) {
    if (tag >= 0 && static_cast<std::size_t>(tag) < r.small.size() && !d.name.empty()) {
      r.small[static_cast<std::size_t>(tag)] = &d;
    }
  }
  r.hashed = true;
  for (const auto &[name, d] : r.byName) r.hashed = r.hashed && r.names.insert(&d);
  r.sealed = true;
}

bool spacesSealed() { return registry().sealed; }

bool isAchromatic(const Color &c) {
  const SpaceDescriptor *d = findSpace(c.space);
  if (d == nullptr) return false;
  // Compared in float32, the components' own precision: a chroma stored as
  // 0.02f is not below the threshold.
  float chroma = 0;
  switch (d->chromaKind) {
    case ckNone: return false;
    case ckPolar: chroma = std::fabs(c.comps[1]); break;
    case ckOpponent: chroma = std::hypot(c.comps[1], c.comps[2]); break;
  }
  return chroma < 0.02f;
}

void initColorSpaces() {
  registerSrgbSpaces();
  registerCieSpaces();
  registerOklabSpaces();
  registerWideRgbSpaces();
  registerCylindricalSpaces();
  registerCmykSpace();
  registerYcbcrSpace();
  registerHdrSpaces();
  registerCam16Spaces();
  registerHctSpace();
  sealSpaces();
}

void destroyColorSpaces() {
  Registry &r = registry();
  r.small.fill(nullptr);
  r.names.clear();
  r.hashed = false;
  r.byTag.clear();
  r.byName.clear();
  r.sealed = false;
}

}  // namespace zd::color
