// The colour ramp of a gradient: exact evaluation between stops, and the
// piecewise-linear curve and bins that stand in for it (see gradient.hpp).
#include <algorithm>
#include <cmath>

#include "color/registry.hpp"
#include "common/errors.hpp"
#include "raster/gradient.hpp"

namespace zd::raster {

namespace {

RampSample sampleOf(const Paint &paint) { return RampSample{paint, solidBytes(paint)}; }

bool sameColor(const zd::color::CssColor &a, const zd::color::CssColor &b) {
  return a.color == b.color && a.fourth == b.fourth && a.missing == b.missing;
}

bool within(const Paint &a, const Paint &b, float limit) {
  return std::fabs(a.red - b.red) <= limit && std::fabs(a.green - b.green) <= limit &&
         std::fabs(a.blue - b.blue) <= limit && std::fabs(a.alpha - b.alpha) <= limit;
}

Paint mix(const Paint &a, const Paint &b, float u) {
  return Paint{a.red + (b.red - a.red) * u, a.green + (b.green - a.green) * u,
               a.blue + (b.blue - a.blue) * u, a.alpha + (b.alpha - a.alpha) * u};
}

bool inUnitRange(const zd::color::Color &c) {
  for (const float v : c.comps) {
    if (!(v >= 0.0f && v <= 1.0f)) return false;
  }
  return true;
}

}  // namespace

// Kept per thread, so that a build neither allocates nor clears 64 KiB of
// colours it may mostly not use; only the marks are cleared. No build
// starts another on the same thread, so one memo serves every build.
struct Ramp::EdgeMemo {
  std::vector<Paint> colour;
  std::vector<std::uint8_t> known;
  std::vector<Paint> middleColour;  // at the middle of each bin
  std::vector<std::uint8_t> knownMiddle;
};

Ramp::Ramp(const zd::paint::Gradient &gradient) {
  if (gradient.stops.empty()) throw Error("drawPath: the gradient has no stops");
  // Interpolated colours are painted as three components, so a space with
  // four (CMYK) is refused here, before anything is painted; otherwise a
  // ramp whose only changing stretch lies inside one exactly evaluated bin
  // would build and then fail in the middle of the fill.
  const zd::color::SpaceDescriptor *space = zd::color::findSpace(gradient.space);
  if (space == nullptr || space->componentCount != 3) {
    throw Error("drawPath: a gradient stop cannot be interpolated in its space");
  }
  srgbSpace_ = gradient.space == zd::color::stSrgb;
  stops_.reserve(gradient.stops.size());
  for (const zd::paint::GradientStop &stop : gradient.stops) {
    const Paint paint = paintFromColor(stop.color.color);
    stops_.push_back(Stop{stop.offset, stop.color, sampleOf(paint)});
    if (!sameColor(stop.color, gradient.stops.front().color)) uniform_ = false;
    if (paint.alpha > 0.0f) invisible_ = false;
  }
  between_.resize(stops_.size() - 1);
  for (std::size_t i = 0; i + 1 < stops_.size(); ++i) {
    const Stop &a = stops_[i], &b = stops_[i + 1];
    if (a.offset == b.offset || sameColor(a.color, b.color)) continue;
    auto made = zd::color::Interpolator::make(a.color, b.color, gradient.space, gradient.hue);
    if (!made.isOk()) throw Error("drawPath: a gradient stop cannot be interpolated in its space");
    between_[i] = made.value();
  }
  if (uniform_) return;
  binMode_.assign(kBins, binLinear);
  edges_ = UnsetArray<Paint>(kBins + 1);
  bins_ = UnsetArray<RampSample>(kBins);
  thread_local EdgeMemo memo;
  memo.colour.resize(kBins + 1);
  memo.known.assign(kBins + 1, 0);
  memo.middleColour.resize(kBins);
  memo.knownMiddle.assign(kBins, 0);
  edgeMemo_ = &memo;
  constexpr int kBinsPerPiece = kBins / kPieces;
  for (int piece = 0; piece < kPieces; ++piece) {
    approximate(piece * kBinsPerPiece, (piece + 1) * kBinsPerPiece);
  }
  edgeMemo_ = nullptr;
}

// The exact colour at edge k of the bins, evaluated once.
const Paint &Ramp::exactEdge(int k) {
  Paint &colour = edgeMemo_->colour[k];
  if (!edgeMemo_->known[k]) {
    colour = exact(static_cast<double>(k) / kBins).paint;
    edgeMemo_->known[k] = 1;
  }
  return colour;
}

// The exact colour at the middle of a bin, evaluated once.
const Paint &Ramp::exactBinMiddle(int bin) {
  Paint &colour = edgeMemo_->middleColour[bin];
  if (!edgeMemo_->knownMiddle[bin]) {
    colour = exact((bin + 0.5) / kBins).paint;
    edgeMemo_->knownMiddle[bin] = 1;
  }
  return colour;
}

RampSample Ramp::exact(double t) const {
  // The first stop at or beyond t, so that t at a shared offset takes the
  // first stop there.
  const auto at =
      std::lower_bound(stops_.begin(), stops_.end(), t,
                       [](const Stop &stop, double value) { return stop.offset < value; });
  if (at == stops_.begin()) return stops_.front().sample;
  if (at == stops_.end()) return stops_.back().sample;
  const Stop &end = *at;
  if (t == end.offset) return end.sample;
  const std::size_t index = static_cast<std::size_t>(at - stops_.begin()) - 1;
  const Stop &start = stops_[index];
  const std::optional<zd::color::Interpolator> &between = between_[index];
  if (!between) return start.sample;
  const double u = (t - start.offset) / (end.offset - start.offset);
  const auto mixed = between->at(u);
  if (!mixed.isOk()) throw Error("drawPath: a gradient colour is out of range");
  const zd::color::Color &c = mixed.value().color;
  // An sRGB colour within range is its own gamut mapping.
  if (srgbSpace_ && inUnitRange(c))
    return sampleOf(Paint{c.comps[0], c.comps[1], c.comps[2], c.alpha});
  return sampleOf(paintFromColor(c));
}

// True when the ramp is smooth over bins [from, to): no stop strictly
// inside, and no jump just after `from`.
bool Ramp::smoothOver(int from, int to) const {
  const double low = static_cast<double>(from) / kBins, high = static_cast<double>(to) / kBins;
  const auto before = [](const Stop &stop, double value) { return stop.offset < value; };
  const auto after = [](double value, const Stop &stop) { return value < stop.offset; };
  // The stops at `low`, then the first one past it.
  const auto atLow = std::lower_bound(stops_.begin(), stops_.end(), low, before);
  const auto pastLow = std::upper_bound(atLow, stops_.end(), low, after);
  if (pastLow != stops_.end() && pastLow->offset < high) return false;
  for (auto stop = atLow; stop != pastLow && stop + 1 != pastLow; ++stop) {
    if (!sameColor(stop->color, (stop + 1)->color)) return false;
  }
  return true;
}

// Fills edges_ over bins [from, to) with a chord, or halves the range.
void Ramp::approximate(int from, int to) {
  if (!smoothOver(from, to)) {
    if (to - from == 1) {
      binMode_[from] = binExact;
      return;
    }
    const int middle = (from + to) / 2;
    approximate(from, middle);
    approximate(middle, to);
    return;
  }
  const Paint low = exactEdge(from);
  const Paint high = exactEdge(to);
  if (to - from > 1) {
    const int middle = (from + to) / 2;
    const Paint &exactMiddle = exactEdge(middle);
    if (!within(exactMiddle, mix(low, high, 0.5f), kChordError) ||
        !quartersOnChord(from, to, low, high)) {
      approximate(from, middle);
      approximate(middle, to);
      return;
    }
  } else {
    // One bin: where the mapping into sRGB bends sharply (its chroma
    // search settles on nearby but different answers), even one bin may
    // not be straight; such a bin is evaluated exactly.
    const Paint &exactMiddle = exactBinMiddle(from);
    if (!within(exactMiddle, mix(low, high, 0.5f), kChordError)) {
      binMode_[from] = binExact;
      return;
    }
  }
  drawChord(from, to, low, high);
}

// Bins [from, to) follow the chord from `low` to `high`: each is
// interpolated between its edges, or looked up as one colour (the mean of
// its edges) where the curve changes by less than kFlatChange across it.
// Only interpolated bins read their edges, so each stores its own two.
// Ranges are approximated from left to right, and edge `from` is stored
// whatever its bin: the previous chord's last bin reads this chord's value
// there, which is that chord's `high` up to the sign of a zero.
void Ramp::drawChord(int from, int to, const Paint &low, const Paint &high) {
  const float width = static_cast<float>(to - from);
  Paint lower = mix(low, high, 0.0f);
  edges_.set(from, lower);
  for (int bin = from; bin < to; ++bin) {
    const Paint upper =
        bin + 1 == to ? high : mix(low, high, static_cast<float>(bin + 1 - from) / width);
    if (within(lower, upper, kFlatChange)) {
      bins_.set(bin, sampleOf(mix(lower, upper, 0.5f)));
      binMode_[bin] = binTable;
    } else {
      edges_.set(bin, lower);
      edges_.set(bin + 1, upper);
    }
    lower = upper;
  }
}

// The middle alone cannot vouch for a chord: where the curve turns a corner
// (a channel let go of 0 or 1, the gamut mapping starting to cut chroma) and
// then bends the other way, it can cross the chord near the middle while
// lying several steps off it at a quarter. The quarters of a range of four
// bins or more are bin edges, those of two bins the bins' middles: points
// that subdividing would evaluate anyway. Two bins need it too: a curve that
// all but jumps inside one of them (where the gamut mapping starts cutting
// chroma near black) can still meet the chord at the middle edge.
bool Ramp::quartersOnChord(int from, int to, const Paint &low, const Paint &high) {
  if (to - from == 2) {
    return within(exactBinMiddle(from), mix(low, high, 0.25f), kChordError) &&
           within(exactBinMiddle(from + 1), mix(low, high, 0.75f), kChordError);
  }
  if (to - from < 4) return true;
  const int quarter = (to - from) / 4;
  return within(exactEdge(from + quarter), mix(low, high, 0.25f), kChordError) &&
         within(exactEdge(to - quarter), mix(low, high, 0.75f), kChordError);
}

RampSample Ramp::between(int bin, float u) const {
  return sampleOf(mix(edges_[bin], edges_[bin + 1], u));
}

}  // namespace zd::raster
