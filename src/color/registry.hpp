// The colour-space registry: every known space's descriptor, filled once at
// start-up in a fixed order, then sealed and only read.
#pragma once

#include <optional>
#include <string_view>

#include "color/descriptor.hpp"

namespace zd::color {

// Stores a copy of `d` under its name and its tag. False, with nothing
// changed, when the registry is sealed, the name is empty, or the name or
// the tag is already present (tested in that order).
bool registerSpace(const SpaceDescriptor &d);

// A copy of the descriptor registered under `tag`, or nothing.
std::optional<SpaceDescriptor> spaceByTag(SpaceTag tag);

// The registered descriptor itself, or nil: the conversion hub's lookup,
// which avoids a copy per conversion. Valid until destroyColorSpaces; the
// tables never change once sealed.
const SpaceDescriptor *findSpace(SpaceTag tag);

// The registered descriptor of the space with this short name ("srgb",
// "p3", "oklch", ...), or nil. Valid as long as findSpace's pointers.
const SpaceDescriptor *findSpaceByName(std::string_view name);

// Ends registration: every later registerSpace returns false.
void sealSpaces();
bool spacesSealed();

// True when the colour's space keeps chroma and the chroma is below 0.02;
// false for unregistered spaces and spaces without chroma.
bool isAchromatic(const Color &c);

// Registers the 26 built-in spaces in their fixed order and seals the registry.
void initColorSpaces();

// Empties and unseals the registry (library unload).
void destroyColorSpaces();

}  // namespace zd::color
