// Monte Carlo and Latin hypercube generation methods. Both draw from the
// runtime generator (KessaRandom, KessaRandomInt), never from the GSL stream.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>

#include "core/constants.hpp"
#include "core/registry.hpp"
#include "core/stream.hpp"
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

namespace {
// n draws into the arrays, (NaN, NaN) for a draw that throws.
template <class DrawOne>
void Fill(int n, double* values, double* probabilities, DrawOne draw) {
  for (int i = 0; i < n; ++i) {
    std::pair<double, double> drawn{kNaN, kNaN};
    try {
      drawn = draw();
    } catch (...) {
    }
    values[i] = drawn.first;
    if (probabilities != nullptr) probabilities[i] = drawn.second;
  }
}
}  // namespace

void AbstractGenerationMethod::RandomValues(int n, double* values, double* probabilities) {
  Fill(n, values, probabilities, [this] { return RandomValue(); });
}

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

template <class Source>
std::pair<double, double> MonteCarloMethod::Draw(Source& source) {
  MonteCarloTable& table = stoka::KeptFor(table_, *distribution_);
  if (table.Tabled()) return table.Draw(source, min_, max_);
  return stoka::DrawFinite(source, min_, max_,
                           [&](int, double p) { return distribution_->ValueByCDF(p); });
}

std::pair<double, double> MonteCarloMethod::RandomValue() {
  if (distribution_ == nullptr) return {kNaN, kNaN};
  stoka::RuntimeCalls calls;
  return Draw(calls);
}

// Cut loose from its distribution, a method fills NaN as its single draws do.
void MonteCarloMethod::RandomValues(int n, double* values, double* probabilities) {
  if (distribution_ == nullptr) return AbstractGenerationMethod::RandomValues(n, values, probabilities);
  MonteCarloTable& table = stoka::KeptFor(table_, *distribution_);
  if (!table.Pure()) return AbstractGenerationMethod::RandomValues(n, values, probabilities);
  stoka::RuntimeRun run;
  if (n >= MonteCarloTable::kRun && table.DrawMany(run, min_, max_, n, values, probabilities)) return;
  Fill(n, values, probabilities, [&] { return Draw(run); });
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
  stoka::RuntimeCalls calls;
  return Draw(calls, stoka::KeptFor(law_, *plot_.distribution), kMaxRedraws, kNaN);
}

void LatinCubeMethod::RandomValues(int n, double* values, double* probabilities) {
  if (distribution_ == nullptr) return AbstractGenerationMethod::RandomValues(n, values, probabilities);
  const stoka::PreparedLaw& law = stoka::KeptFor(law_, *plot_.distribution);
  if (!law.Pure()) return AbstractGenerationMethod::RandomValues(n, values, probabilities);
  stoka::RuntimeRun run;
  if (!run.Stepped())
    return Fill(n, values, probabilities, [&] { return Draw(run, law, kMaxRedraws, kNaN); });
  // Draws in batches that do as a run of single draws does, in passes: the
  // runtime draws, the strata (one chain through the free set), the quantiles
  // (independent of one another), the checks. A refused draw,
  // rare, ends its batch: the strata from it on are handed back, the
  // generator is set back to just after its first try, and it goes on alone.
  constexpr int kBatch = 64;
  unsigned strata[kBatch];
  int offsets[kBatch];
  double positions[kBatch], cdfs[kBatch], drawn[kBatch];
  stoka::RuntimeRun::Mark mark;
  for (int i = 0; i < n;) {
    if (segment_indices_->Empty()) RebuildSegmentIndices();
    const unsigned free = segment_indices_->Size();
    const int batch = static_cast<int>(std::min<unsigned>({kBatch, static_cast<unsigned>(n - i), free}));
    run.Save(&mark);
    for (int j = 0; j < batch; ++j) {
      strata[j] = static_cast<unsigned>(stoka::RandomInt(run, static_cast<int>(free) - j));
      offsets[j] = run.Next15();
    }
    segment_indices_->Take(batch, strata);
    for (int j = 0; j < batch; ++j) {
      const auto [lower, upper] = Segment(strata[j]);
      positions[j] = lower + (upper - lower) * (offsets[j] / static_cast<double>(kKessaMax));
      cdfs[j] = positions[j] * plot_.cdf_range_ + plot_.cdf_min_;
    }
    law.Quantiles(batch, cdfs, drawn);
    int j = 0;
    for (; j < batch && plot_.min_ <= drawn[j] && drawn[j] <= plot_.max_ && std::isfinite(drawn[j]); ++j) {
      values[i + j] = drawn[j];
      if (probabilities != nullptr) probabilities[i + j] = positions[j];
    }
    i += j;
    if (j == batch) {
      if (segment_indices_->Empty()) RebuildSegmentIndices();
      continue;
    }
    for (int k = batch - 1; k >= j; --k) segment_indices_->Restore(strata[k]);
    run.Restore(mark);
    for (int k = 0; k <= j; ++k) {
      stoka::RandomInt(run, static_cast<int>(free) - k);
      run.Next15();
    }
    const auto [value, p] = Draw(run, law, kMaxRedraws - 1, positions[j]);
    values[i] = value;
    if (probabilities != nullptr) probabilities[i] = p;
    ++i;
  }
}

template <class Source>
std::pair<double, double> LatinCubeMethod::Draw(Source& source, const stoka::PreparedLaw& law,
                                                int tries, double p) {
  if (segment_indices_->Empty()) RebuildSegmentIndices();
  // A value outside the plot's window (rounding at its ends) or not finite (an
  // unbounded family at 0 or 1) sends the draw to a new position; nothing is
  // used up. A window without finite values gives up after kMaxRedraws.
  for (int draw = 0; draw < tries; ++draw) {
    const int position = stoka::RandomInt(source, static_cast<int>(segment_indices_->Size()));
    // Taken at once, handed back if the draw is refused: the common path
    // walks the tree once.
    const unsigned stratum = segment_indices_->Take(static_cast<unsigned>(position));
    const auto [lower, upper] = Segment(stratum);
    p = lower + (upper - lower) * (source.Next15() / static_cast<double>(kKessaMax));
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
