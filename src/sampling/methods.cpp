// Monte Carlo and Latin hypercube generation methods. Both draw from the
// runtime generator (KessaRandom, KessaRandomInt), never from the GSL stream.
#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>

#include "core/constants.hpp"
#include "core/registry.hpp"
#include "sampling/free_strata.hpp"
#include "sampling/quantile_table.hpp"
#include "stoka/sampling.hpp"

namespace {
using stoka::kNaN;

DistributionPlot MakePlot(IDistribution* distribution, double min, double max, int count) {
  if (count < 1) throw std::invalid_argument("count >= 1");
  if (distribution == nullptr) throw std::invalid_argument("distribution != nullptr");
  // The plot's value window: the quantiles at the two probability bounds.
  return DistributionPlot(distribution, distribution->ValueByCDF(min),
                          distribution->ValueByCDF(max));
}
}  // namespace

AbstractGenerationMethod::AbstractGenerationMethod(IDistribution* distribution)
    : distribution_(distribution), min_(0.0), max_(1.0) {
  stoka::EnlistMethod(this, distribution);
}

AbstractGenerationMethod::~AbstractGenerationMethod() { stoka::DelistMethod(this, distribution_); }

MonteCarloMethod::MonteCarloMethod(IDistribution* distribution, double min, double max)
    : AbstractGenerationMethod(distribution) {
  min_ = min;
  max_ = max;
}

MonteCarloMethod::~MonteCarloMethod() = default;

void MonteCarloMethod::SetBounds(double min, double max) {
  min_ = min;
  max_ = max;
}

std::pair<double, double> MonteCarloMethod::RandomValue() {
  if (distribution_ == nullptr) return {kNaN, kNaN};
  MonteCarloTable& table = stoka::KeptFor(table_, *distribution_);
  if (table.Tabled()) return table.Draw(min_, max_);
  return stoka::DrawFinite(min_, max_, [&](int, double p) { return distribution_->ValueByCDF(p); });
}

LatinCubeMethod::LatinCubeMethod(IDistribution* distribution, double min, double max,
                                 int count)
    : AbstractGenerationMethod(distribution),
      plot_(MakePlot(distribution, min, max, count)),
      count_(count),
      width_(1.0 / count),
      segment_indices_(std::make_unique<FreeStrata>()) {
  min_ = min;
  max_ = max;
  RebuildSegmentList();
}

LatinCubeMethod::~LatinCubeMethod() = default;

void LatinCubeMethod::SetBounds(double min, double max) {
  if (distribution_ == nullptr) return;
  plot_.SetCDFBounds(min, max);
  min_ = min;
  max_ = max;
  RebuildSegmentList();
}

std::pair<double, double> LatinCubeMethod::Segment(unsigned k) const {
  // Computed exactly as a stored table would hold them: k * w is the stored
  // upper end of stratum k - 1.
  const double lower = k == 0 ? 0.0 : static_cast<double>(k) * width_;
  return {lower, static_cast<double>(k + 1) * width_};
}

// The strata are products with the reciprocal and need no table: only the
// free set is rebuilt.
void LatinCubeMethod::RebuildSegmentList() { RebuildSegmentIndices(); }

void LatinCubeMethod::RebuildSegmentIndices() {
  segment_indices_->Reset(static_cast<unsigned>(count_));
}

unsigned LatinCubeMethod::FreeCount() const { return segment_indices_->Size(); }

std::pair<double, double> LatinCubeMethod::RandomValue() {
  if (distribution_ == nullptr) return {kNaN, kNaN};
  if (segment_indices_->Empty()) RebuildSegmentIndices();
  const stoka::PreparedLaw& law = stoka::KeptFor(law_, *plot_.distribution);
  double p = kNaN;
  // A value outside the plot's window (rounding at its ends) or not finite (an
  // unbounded family at 0 or 1) sends the draw to a new position; nothing is
  // used up. A window without finite values gives up after kMaxRedraws.
  for (int draw = 0; draw < kMaxRedraws; ++draw) {
    const int position = KessaRandomInt(static_cast<int>(segment_indices_->Size()));
    // Taken at once, handed back if the draw is refused: the common path
    // walks the tree once.
    const unsigned stratum = segment_indices_->Take(static_cast<unsigned>(position));
    const auto [lower, upper] = Segment(stratum);
    p = lower + (upper - lower) * KessaRandom();
    // The plot's quantile at p (DistributionPlot::ValueByCDFOnPlot, p >= 0)
    // through the kept law: the same number, the shape terms not recomputed.
    const double value = law.Quantile(p * plot_.cdf_range_ + plot_.cdf_min_);
    if (plot_.min_ <= value && value <= plot_.max_ && std::isfinite(value)) {
      if (segment_indices_->Empty()) RebuildSegmentIndices();
      return {value, p};
    }
    segment_indices_->Restore(stratum);
  }
  return {kNaN, p};
}

void DeleteListElement(std::list<int>& list, unsigned int position) {
  if (position >= list.size()) return;
  list.erase(std::next(list.begin(), position));
}

int GetListElementByPosition(unsigned int position, std::list<int>& list, int* out) {
  if (position >= list.size()) {
    *out = 0;
    return 0;
  }
  *out = *std::next(list.begin(), position);
  return 1;
}
