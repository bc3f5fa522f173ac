// The chroma search's candidates for a bounded RGB-encoded target (sRGB,
// Display P3, ...), the common case of gamut mapping, worked in plain
// float64 and float32 numbers. Each step is the one the conversion hub
// takes (the same functions, the same float32 rounding points), so every
// bit comes out as converting each candidate with `to` gives it; only the
// Result wrappers and the re-validation of colours known to be valid are
// left out.
#pragma once

#include <cstdint>

#include "color/descriptor.hpp"

namespace zd::color {

class RgbChromaLine {
 public:
  // A candidate: its direct OKLab step (C·cos h, C·sin h) and its
  // conversion into the target, each with whether it made a valid colour.
  struct Candidate {
    float lab[3];
    bool labOk;
    float rgb[3];
    bool rgbOk;
  };
  // A candidate's conversion clamped to the target's ranges.
  struct Clipped {
    float rgb[3];
  };

  // True when the target is a three-channel RGB-encoded space; the
  // general search serves any other target.
  static bool serves(const SpaceDescriptor &target);
  // The line of `oklch` (a valid OKLCH colour) into a target it serves;
  // `linear` is what plainOklabRoutes gave.
  RgbChromaLine(const Color &oklch, const SpaceDescriptor &target, const SpaceDescriptor &linear);

  Candidate at(float chroma) const;
  bool inGamut(const Candidate &candidate) const;
  Clipped clip(const Candidate &candidate) const;
  // deltaEOK between the clipped colour and the candidate.
  double distance(const Candidate &candidate, const Clipped &clipped) const;
  // The candidate's conversion, which inGamut accepted, and a clipped colour.
  Result<Color> converted(const Candidate &candidate) const;
  Result<Color> result(const Clipped &clipped) const;

 private:
  // The decoded value of a channel clamped to one of its bounds, which a
  // clipped channel very often is.
  struct DecodedBounds {
    std::uint32_t lowBits;  // of the float32 bound
    double low;
    std::uint32_t highBits;
    double high;
  };
  // Fills bounds_ on the first clipped colour: a colour inside the gamut
  // never needs it.
  void decodeBounds() const;
  double decoded(int channel, float value) const;

  float lightness_, hue_, alpha_;
  Vec3 direct_;  // (0, cos h, sin h) of the hue as it is
  double reducedHue_;
  bool shared_;    // the hue is already reduced: both steps share one OKLab
  Vec3 route_;     // (0, cos h, sin h) of the reduced hue, which `to` uses
  bool ownWhite_;  // the target's white is not D65
  const SpaceDescriptor &target_;
  const SpaceDescriptor &linear_;
  mutable bool boundsDecoded_ = false;
  mutable DecodedBounds bounds_[3] = {};
};

}  // namespace zd::color
