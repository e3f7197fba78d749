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

void MonteCarloTable::Reset(double min, double max) {
  min_ = min;
  max_ = max;
  draws_ = 0;
  table_.Clear();
}

