#include "sampling/quantile_table.hpp"

#include <algorithm>
#include <new>
#include <vector>

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


bool MonteCarloTable::DrawMany(stoka::RuntimeRun& source, double min, double max, int n,
                               double* values, double* positions) {
  using stoka::QuantileTable;
  struct Outcome {
    double value, position;
  };
  std::vector<Outcome> outcomes;
  try {
    outcomes.resize(QuantileTable::kOutcomes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!Same(min, min_) || !Same(max, max_)) Reset(min, max);
  for (int r = 0; r < QuantileTable::kOutcomes; ++r) {
    const double p = QuantileTable::Position(r, min, max);
    // A tabled law fills (or reads) the table that the one-value draws keep.
    outcomes[r] = {law_.Tabled() ? table_.At(r, p, law_) : law_.Quantile(p), p};
  }
  draws_ += static_cast<std::uint64_t>(n);
  for (int i = 0; i < n; ++i) {
    const Outcome* drawn = &outcomes[source.Next15()];
    // Drawn again where the quantile is not finite, as DrawFinite does.
    for (int draw = 1; !std::isfinite(drawn->value) && draw < AbstractGenerationMethod::kMaxRedraws;
         ++draw)
      drawn = &outcomes[source.Next15()];
    values[i] = std::isfinite(drawn->value) ? drawn->value : std::numeric_limits<double>::quiet_NaN();
    if (positions != nullptr) positions[i] = drawn->position;
  }
  return true;
}
