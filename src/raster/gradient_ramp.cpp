// The colour ramp of a gradient: exact evaluation between stops, and the
// table that stands in for it where it is accurate to half an 8-bit step.
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

// Largest difference of a table bin's two ends that keeps the mean within
// half an 8-bit step of every colour between them (so that, with the alpha
// off by as much again, a blended byte moves by at most one).
constexpr float kBinSpread = 0.9f / 255.0f;

bool closeEnough(const Paint &a, const Paint &b) {
  return std::fabs(a.red - b.red) < kBinSpread && std::fabs(a.green - b.green) < kBinSpread &&
         std::fabs(a.blue - b.blue) < kBinSpread && std::fabs(a.alpha - b.alpha) < kBinSpread;
}

}  // namespace

Ramp::Ramp(const zd::paint::Gradient &gradient) {
  if (gradient.stops.empty()) throw Error("drawPath: the gradient has no stops");
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
  bins_.resize(kBins);
  binState_.assign(kBins, binUnknown);
  edges_.resize(kBins + 1);
  edgeKnown_.assign(kBins + 1, 0);
  markStopBins();
}

// Bins where the ramp is not smooth are evaluated exactly: one with a stop
// inside it; one starting at a hard edge (the colour jumps just after its
// first point); and one holding a whole segment, whose colour may turn
// back within the bin.
void Ramp::markStopBins() {
  const auto binOf = [](double t) {
    return std::clamp(static_cast<int>(std::floor(t * kBins)), 0, kBins - 1);
  };
  for (std::size_t i = 0; i < stops_.size(); ++i) {
    const double offset = stops_[i].offset;
    const double scaled = offset * kBins;
    if (scaled != std::floor(scaled)) binState_[binOf(offset)] = binExact;
    const bool hardEdge = i + 1 < stops_.size() && stops_[i + 1].offset == offset &&
                          !sameColor(stops_[i].color, stops_[i + 1].color);
    if (hardEdge) binState_[binOf(offset)] = binExact;
    if (i + 1 < stops_.size() && stops_[i + 1].offset - offset <= 1.0 / kBins) {
      binState_[binOf(offset)] = binExact;
      binState_[binOf(stops_[i + 1].offset)] = binExact;
    }
  }
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
  return sampleOf(paintFromColor(mixed.value().color));
}

const RampSample &Ramp::edge(int k) {
  if (!edgeKnown_[k]) {
    edges_[k] = exact(static_cast<double>(k) / kBins);
    edgeKnown_[k] = 1;
  }
  return edges_[k];
}

void Ramp::fillBin(int bin) {
  const Paint &low = edge(bin).paint;
  const Paint &high = edge(bin + 1).paint;
  if (!closeEnough(low, high)) {
    binState_[bin] = binExact;
    return;
  }
  const Paint mean{(low.red + high.red) * 0.5f, (low.green + high.green) * 0.5f,
                   (low.blue + high.blue) * 0.5f, (low.alpha + high.alpha) * 0.5f};
  bins_[bin] = sampleOf(mean);
  binState_[bin] = binTable;
}

const RampSample &Ramp::lookup(double t, RampSample &scratch) {
  if (!(t > 0.0 && t < 1.0)) {
    scratch = exact(t);
    return scratch;
  }
  const int bin = static_cast<int>(t * kBins);  // in [0, kBins)
  if (binState_[bin] == binUnknown) fillBin(bin);
  if (binState_[bin] == binTable) return bins_[bin];
  scratch = exact(t);
  return scratch;
}

}  // namespace zd::raster
