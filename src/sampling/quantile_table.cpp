#include "sampling/quantile_table.hpp"

#include <algorithm>
#include <cstring>

namespace stoka {

void QuantileTable::Allocate() {
  values_ = std::make_unique<double[]>(kOutcomes);
  filled_ = std::make_unique<std::uint64_t[]>(kOutcomes / 64);
}

void QuantileTable::Clear() {
  if (filled_) std::fill_n(filled_.get(), kOutcomes / 64, std::uint64_t{0});
}

}  // namespace stoka

namespace {
// Bitwise, so that a NaN bound compares equal to itself.
bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
}  // namespace

double MonteCarloTable::Quantile(const IDistribution* distribution, double min, double max, int r,
                                 double p) {
  if (distribution != distribution_ || !Same(min, min_) || !Same(max, max_)) {
    distribution_ = distribution;
    min_ = min;
    max_ = max;
    draws_ = 0;
    law_.emplace(*distribution);
    table_.Clear();
  }
  if (!law_->Fixed() || ++draws_ <= stoka::QuantileTable::kWorthwhile) return law_->Quantile(p);
  return table_.At(r, p, *law_);
}
