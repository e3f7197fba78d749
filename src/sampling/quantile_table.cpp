#include "sampling/quantile_table.hpp"

#include <algorithm>
#include <new>

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


namespace {
struct Outcome {
  double value, position;
};

// Values and positions of the outcomes of m runtime draws, one value a draw,
// up to the first outcome that is not finite; their count.
int TakeFinite(const Outcome* outcomes, const int* draws, int m, double* values, double* positions) {
  int k = 0;
  for (; k < m; ++k) {
    const Outcome& drawn = outcomes[draws[k]];
    if (!std::isfinite(drawn.value)) break;
    values[k] = drawn.value;
    if (positions != nullptr) positions[k] = drawn.position;
  }
  return k;
}
}  // namespace

bool MonteCarloTable::DrawMany(stoka::RuntimeRun& source, double min, double max, int n,
                               double* values, double* positions) {
  using stoka::QuantileTable;
  // Left uninitialized: every outcome is written below.
  std::unique_ptr<Outcome[]> outcomes(new (std::nothrow) Outcome[QuantileTable::kOutcomes]);
  if (!outcomes) return false;
  if (!Same(min, min_) || !Same(max, max_)) Reset(min, max);
  for (int r = 0; r < QuantileTable::kOutcomes; ++r) {
    const double p = QuantileTable::Position(r, min, max);
    // A tabled law fills (or reads) the table that the one-value draws keep.
    outcomes[r] = {law_.Tabled() ? table_.At(r, p, law_) : law_.Quantile(p), p};
  }
  draws_ += static_cast<std::uint64_t>(n);
  // The runtime draws come a block at a time, never more than the values
  // still to fill, so that the run ends where single draws would leave it.
  constexpr int kBlock = 1024;
  int block[kBlock];
  int taken = 0, filled = 0;
  auto next = [&](int i) {
    if (taken == filled) {
      filled = std::min(kBlock, n - i);
      source.Fill15(block, filled);
      taken = 0;
    }
    return &outcomes[block[taken++]];
  };
  for (int i = 0; i < n;) {
    const Outcome* drawn = next(i);
    if (std::isfinite(drawn->value)) {
      --taken;
      const int k = TakeFinite(outcomes.get(), block + taken, filled - taken, values + i,
                               positions == nullptr ? nullptr : positions + i);
      taken += k;
      i += k;
      continue;
    }
    // Drawn again where the quantile is not finite, as DrawFinite does.
    for (int draw = 1; !std::isfinite(drawn->value) && draw < AbstractGenerationMethod::kMaxRedraws; ++draw)
      drawn = next(i);
    values[i] = std::isfinite(drawn->value) ? drawn->value : std::numeric_limits<double>::quiet_NaN();
    if (positions != nullptr) positions[i] = drawn->position;
    ++i;
  }
  return true;
}
