#include "sampling/quantile_table.hpp"

#include <algorithm>

namespace stoka {

void QuantileTable::Allocate() {
  values_ = std::make_unique<double[]>(kOutcomes);
  filled_ = std::make_unique<std::uint64_t[]>(kOutcomes / 64);
}

void QuantileTable::Clear() {
  if (filled_) std::fill_n(filled_.get(), kOutcomes / 64, std::uint64_t{0});
}

}  // namespace stoka

void MonteCarloTable::Reset(const IDistribution* distribution, double min, double max) {
  distribution_ = distribution;
  min_ = min;
  max_ = max;
  draws_ = 0;
  law_.emplace(*distribution);
  table_.Clear();
}
