#include "color/gamut.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "color/hub.hpp"
#include "color/polar.hpp"
#include "color/registry.hpp"
#include "color/rgb_chroma_line.hpp"

namespace zd::color {

namespace {

constexpr double kJnd = 0.02;        // deltaE-OK below which clipping is accepted
constexpr double kEpsilon = 0.0001;  // bisection width, smallest chroma worth searching

// At most three components are tested or clamped: a Color carries three.
std::size_t testedComponents(const SpaceDescriptor &d) {
  return static_cast<std::size_t>(std::clamp<std::int64_t>(d.componentCount, 0, 3));
}

// A colour that is known to be valid (finite components and alpha).
Color validColor(SpaceTag space, float c1, float c2, float c3, float alpha) {
  return color(space, c1, c2, c3, alpha).value();
}

// The range test on a conversion already made (inGamut without converting).
bool convertedInGamut(const Result<Color> &converted, const SpaceDescriptor &d) {
  if (!converted.isOk()) return false;
  if (d.componentCount < 1) return true;
  const Color &r = converted.value();
  const std::size_t count = testedComponents(d);
  for (std::size_t i = 0; i < count; ++i) {
    if (!withinRange(r.comps[i], d, i)) return false;
  }
  return true;
}

// Clamping of a conversion already made (clipColor without converting).
Color clipConverted(const Result<Color> &converted, const SpaceDescriptor &d, SpaceTag target,
                    float alpha) {
  if (!converted.isOk()) return validColor(target, 0.0f, 0.0f, 0.0f, alpha);
  return clampToRanges(converted.value(), d, alpha);
}

// The OKLab distance of the float32 components of two OKLab conversions;
// +inf when either failed.
double oklabDistance(const Result<Color> &labA, const Result<Color> &labB) {
  if (!labA.isOk() || !labB.isOk()) return std::numeric_limits<double>::infinity();
  const Color &p = labA.value();
  const Color &q = labB.value();
  const double dl = static_cast<double>(p.comps[0]) - q.comps[0];
  const double da = static_cast<double>(p.comps[1]) - q.comps[1];
  const double db = static_cast<double>(p.comps[2]) - q.comps[2];
  return std::sqrt(dl * dl + da * da + db * db);
}

// The OKLCH colours of one lightness, hue and alpha: the colour being
// mapped and the chromas the search tries, for any bounded target. Each
// candidate is turned into OKLab once: that serves both its distance to the
// clipped colour (the direct OKLCH -> OKLab step) and its route into the
// target (through XYZ, which starts from the same OKLab once the hue is
// reduced into [0, 360), as it already is unless rounding to float32
// carried it to 360). The hue's cosine and sine are taken once for the
// whole search, and the routes between OKLab and the target looked up once.
class ChromaLine {
 public:
  ChromaLine(const Color &oklch, const SpaceDescriptor &target)
      : lightness_(oklch.comps[0]),
        hue_(oklch.comps[2]),
        alpha_(oklch.alpha),
        direct_(unitOpponent(hue_)),
        // The target's own short step from OKLCH or OKLab (none for a
        // bounded target today) would not start from this OKLab.
        shared_(!isShortPathPair(stOklch, target.tag) && !isShortPathPair(stOklab, target.tag) &&
                std::fmod(static_cast<double>(hue_), 360.0) == hue_),
        target_(target),
        intoTarget_(Route::between(stOklab, target.tag)),
        intoOklab_(Route::between(target.tag, stOklab)) {}

  struct Candidate {
    Result<Color> oklab;     // the direct step's
    Result<Color> inTarget;  // as `to` converts the OKLCH colour itself
  };
  using Clipped = Color;

  Candidate at(float chroma) const {
    Result<Color> oklab = oklabAt(chroma);
    Result<Color> inTarget = !shared_       ? to(oklchAt(chroma), target_.tag)
                             : oklab.isOk() ? along(intoTarget_, oklab.value(), target_.tag)
                                            : Result<Color>::err(oklab);
    return Candidate{std::move(oklab), std::move(inTarget)};
  }
  bool inGamut(const Candidate &candidate) const {
    return convertedInGamut(candidate.inTarget, target_);
  }
  Clipped clip(const Candidate &candidate) const {
    return clipConverted(candidate.inTarget, target_, target_.tag, alpha_);
  }
  double distance(const Candidate &candidate, const Clipped &clipped) const {
    return oklabDistance(along(intoOklab_, clipped, stOklab), candidate.oklab);
  }
  Result<Color> converted(const Candidate &candidate) const { return candidate.inTarget; }
  Result<Color> result(const Clipped &clipped) const { return ok(clipped); }

 private:
  // (0, cos h, sin h): the polar-to-opponent step at chroma 1, whose
  // products with 1 are exact.
  static Vec3 unitOpponent(float hue) { return polarToOpponent(Vec3{0.0, 1.0, hue}); }

  Color oklchAt(float chroma) const {
    return validColor(stOklch, lightness_, chroma, hue_, alpha_);
  }

  // The direct OKLCH -> OKLab step: C·cos h and C·sin h.
  Result<Color> oklabAt(float chroma) const {
    const double c = chroma;
    return colorOf(stOklab, Vec3{lightness_, c * direct_[1], c * direct_[2]}, alpha_);
  }

  // `to(c, target)`, along the route when there is one.
  static Result<Color> along(const std::optional<Route> &route, const Color &c, SpaceTag target) {
    return route ? (*route)(c) : to(c, target);
  }

  float lightness_, hue_, alpha_;
  Vec3 direct_;
  bool shared_;
  const SpaceDescriptor &target_;
  std::optional<Route> intoTarget_, intoOklab_;
};

// Bisects the chroma of `line` from `chroma` down: below `low` the colour
// is in gamut (while lowInGamut holds) or clips acceptably; at `high`
// clipping is too far off. Each candidate is converted into the target
// once; the range test, the clamping and the returned conversion all read
// that one result.
template <class Line>
Result<Color> searchChroma(const Line &line, float chroma) {
  const typename Line::Candidate original = line.at(chroma);
  if (line.inGamut(original)) return line.converted(original);

  typename Line::Clipped clipped = line.clip(original);
  if (line.distance(original, clipped) < kJnd) return line.result(clipped);
  if (chroma <= kEpsilon) return line.result(clipped);

  double low = 0.0, high = chroma;
  bool lowInGamut = true;
  do {
    const double middle = (high + low) * 0.5;
    const typename Line::Candidate current = line.at(toFloat32(middle));
    if (lowInGamut && line.inGamut(current)) {
      low = middle;
      continue;
    }
    clipped = line.clip(current);
    const double error = line.distance(current, clipped);
    if (error < kJnd) {
      if (kJnd - error < kEpsilon) return line.result(clipped);
      lowInGamut = false;
      low = middle;
    } else {
      high = middle;
    }
  } while (high - low > kEpsilon);
  return line.result(clipped);
}

// gamutMap of the OKLCH colour `o` (with the source's alpha) into the
// bounded target `d`; `linear` is what plainOklabRoutes gave.
Result<Color> mapOklch(const Color &o, const SpaceDescriptor &d, const SpaceDescriptor *linear) {
  const float alpha = o.alpha;
  const float lightness = o.comps[0], chroma = o.comps[1];
  if (lightness >= 1.0f) return to(validColor(stOklab, 1.0f, 0.0f, 0.0f, alpha), d.tag);
  if (lightness <= 0.0f) return to(validColor(stOklab, 0.0f, 0.0f, 0.0f, alpha), d.tag);
  if (linear != nullptr && RgbChromaLine::serves(d)) {
    return searchChroma(RgbChromaLine(o, d, *linear), chroma);
  }
  return searchChroma(ChromaLine(o, d), chroma);
}

}  // namespace

bool hasNoGamut(const SpaceDescriptor &d) {
  if (!d.gamutMappable) return true;
  const std::size_t count =
      static_cast<std::size_t>(std::clamp<std::int64_t>(d.componentCount, 0, 4));
  for (std::size_t i = 0; i < count; ++i) {
    if (d.rangeMin[i] == -std::numeric_limits<double>::infinity() ||
        d.rangeMax[i] == std::numeric_limits<double>::infinity()) {
      return true;
    }
  }
  return false;
}

Color clampToRanges(const Color &c, const SpaceDescriptor &d, float alpha) {
  float clipped[3] = {0.0f, 0.0f, 0.0f};
  const std::size_t count = testedComponents(d);
  for (std::size_t i = 0; i < count; ++i) {
    clipped[i] = clampedToRange(c.comps[i], d, i);
  }
  return validColor(c.space, clipped[0], clipped[1], clipped[2], alpha);
}

bool inGamut(const Color &c, const SpaceDescriptor &d, SpaceTag target) {
  return convertedInGamut(to(c, target), d);
}

Color clipColor(const Color &c, const SpaceDescriptor &d, SpaceTag target, float alpha) {
  return clipConverted(to(c, target), d, target, alpha);
}

double deltaEOK(const Color &a, const Color &b) {
  return oklabDistance(to(a, stOklab), to(b, stOklab));
}

Result<Color> gamutMap(const Color &c, SpaceTag target) {
  const SpaceDescriptor *d = findSpace(target);
  if (d == nullptr) {
    return Result<Color>::err(
        colorError(ErrorKind::UnknownSpace, "gamutMap: target not registered", spaceName(target)));
  }
  if (hasNoGamut(*d)) return to(c, target);

  // The plain steps stand for `to` when the hub's spaces are all there.
  const SpaceDescriptor *linear = plainOklabRoutes();
  if (linear != nullptr) {
    if (const std::optional<Color> polar = quickToOklch(c, *linear)) {
      return mapOklch(*polar, *d, linear);
    }
  }
  const Result<Color> polar = to(c, stOklch);
  if (!polar.isOk()) return polar;
  return mapOklch(polar.value(), *d, linear);
}

}  // namespace zd::color
