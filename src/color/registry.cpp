#include "color/registry.hpp"

#include <array>
#include <cmath>
#include <map>
#include <string>

#include "color/spaces.hpp"

namespace zd::color {

namespace {

struct Registry {
  std::map<std::string, SpaceDescriptor, std::less<>> byName;  // looked up by string_view
  std::map<SpaceTag, SpaceDescriptor> byTag;
  bool sealed = false;
  // Direct index of the small tags, filled when the registry is sealed.
  std::array<const SpaceDescriptor *, 64> small{};
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
  if (r.sealed && tag >= 0 && static_cast<std::size_t>(tag) < r.small.size()) {
    return r.small[static_cast<std::size_t>(tag)];
  }
  const auto it = r.byTag.find(tag);
  // A registered descriptor always has a name; an empty one counts as absent.
  if (it == r.byTag.end() || it->second.name.empty()) return nullptr;
  return &it->second;
}

const SpaceDescriptor *findSpaceByName(std::string_view name) {
  const Registry &r = registry();
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
  r.byTag.clear();
  r.byName.clear();
  r.sealed = false;
}

}  // namespace zd::color
