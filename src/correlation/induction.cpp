// Pairwise correlation induction in probability space: the first sample's CDF
// probabilities (mirrored for a negative target), a share 1 - |target| of them
// replaced by independent uniforms, mapped through the second quantile.
#include <gsl/gsl_statistics_double.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>

#include "core/constants.hpp"
#include "core/output.hpp"
#include "correlation/induction.hpp"
#include "sampling/quantile_table.hpp"
#include "stoka/correlation.hpp"

namespace {
using stoka::kNaN;
using stoka::PreparedLaw;
using stoka::QuantileTable;
// The probabilities nearest 0 and 1 whose mirror images are both exact.
constexpr double kTinyProbability = 0x1p-53;
constexpr int kMaxHalvings = 64;
}  // namespace

namespace stoka::induction {

// The quantile at u, finite: an unbounded family is infinite at 0 and 1, and
// a wide one overflows short of them; such a u moves toward the median until
// the value is finite. Bounded families are unaffected.
double FiniteQuantile(const PreparedLaw& d, double u) {
  double value = d.Quantile(u);
  if (std::isfinite(value) || std::isnan(u)) return value;
  u = std::min(std::max(u, kTinyProbability), 1.0 - kTinyProbability);
  value = d.Quantile(u);
  for (int i = 0; i < kMaxHalvings && !std::isfinite(value); ++i) {
    u = 0.5 + (u - 0.5) * 0.5;
    value = d.Quantile(u);
  }
  return value;
}

// A replaced position: an independent uniform, drawn again where the quantile
// is not finite (as the generation methods do). With a table, the quantile
// of each runtime outcome is computed once.
double IndependentQuantile(const PreparedLaw& d, QuantileTable* table) {
  int r = KessaRandom15();
  double u = QuantileTable::Position(r, 0.0, 1.0);  // KessaRandom()
  for (int draw = 1; draw < AbstractGenerationMethod::kMaxRedraws; ++draw) {
    const double value = table ? table->At(r, u, d) : d.Quantile(u);
    if (std::isfinite(value)) return value;
    r = KessaRandom15();
    u = QuantileTable::Position(r, 0.0, 1.0);
  }
  return FiniteQuantile(d, u);
}

double PairedQuantile(const PreparedLaw& first, const PreparedLaw& second, double x, double target) {
  const double u = first.Cdf(x);
  return FiniteQuantile(second, target < 0 ? 1.0 - u : u);
}

std::vector<std::size_t> ReplacementOrder(std::size_t n) {
  std::vector<std::size_t> indices(n);
  std::iota(indices.begin(), indices.end(), std::size_t{0});
  // The minimal standard engine (multiplier 16807) afresh for every sample:
  // every attempt on a sample of one size replaces the same positions.
  std::minstd_rand0 engine(1);
  std::shuffle(indices.begin(), indices.end(), engine);
  return indices;
}

std::size_t ReplacedCount(std::size_t n, double target) {
  return static_cast<std::size_t>(std::floor(n * (1.0 - std::fabs(target))));
}
}  // namespace stoka::induction

namespace {
using namespace stoka::induction;

bool ValidTarget(double target) { return std::fabs(target) <= 1.0; }  // false for NaN
}  // namespace

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) debug_log("requested correlation between arrays of different size");
  const std::size_t n = std::min(a.size(), b.size());
  // GSL reads the first element even for a length of 0.
  if (n == 0) return kNaN;
  return gsl_stats_correlation(a.data(), 1, b.data(), 1, n);
}

namespace {
// What every attempt on one sample shares: the first sample's probabilities
// mapped through the second quantile, and the positions whose probabilities
// are replaced, in the shuffled order that their uniform draws follow. Only
// the replaced positions change from one attempt to the next. Both laws are
// prepared once (the Beta and Pert shape terms); the replaced positions take
// their quantiles from a table by runtime outcome when there are enough of them.
struct Induction {
  std::vector<double> kept;
  std::vector<std::size_t> replaced;
  PreparedLaw second_law;
  mutable QuantileTable table;  // a cache: filled as outcomes come up
  bool tabled = false;

  Induction(const std::vector<double>& data, const IDistribution& first,
            const IDistribution& second, double target)
      : second_law(second) {
    const PreparedLaw first_law(first);
    const std::size_t n = data.size();
    const std::vector<std::size_t> indices = ReplacementOrder(n);
    const std::size_t k = ReplacedCount(n, target);
    replaced.assign(indices.begin(), indices.begin() + static_cast<std::ptrdiff_t>(k));
    tabled = second_law.Tabled() && replaced.size() >= QuantileTable::kWorthwhile;
    std::vector<bool> is_replaced(n, false);
    for (std::size_t j : replaced) is_replaced[j] = true;
    kept.resize(n);
    for (std::size_t i = 0; i < n; ++i)
      if (!is_replaced[i]) kept[i] = PairedQuantile(first_law, second_law, data[i], target);
  }

  std::vector<double> Attempt() const {
    std::vector<double> result = kept;
    QuantileTable* outcomes = tabled ? &table : nullptr;
    for (std::size_t j : replaced) result[j] = IndependentQuantile(second_law, outcomes);
    return result;
  }
};
}  // namespace

std::vector<double> MakeCorrelatedStep(const std::vector<double>& data, IDistribution* first,
                                       IDistribution* second, double target) {
  if (data.empty() || !ValidTarget(target) || first == nullptr || second == nullptr) return {};
  return Induction(data, *first, *second, target).Attempt();
}

std::vector<double> MakeCorrelated(const std::vector<double>& data, IDistribution* first,
                                   IDistribution* second, double target, double tolerance,
                                   unsigned int max_steps) {
  std::vector<double> best;
  // Data of one element or without spread still run every attempt: no error is
  // defined (NaN never beats the best), the result stays empty, and the runtime
  // generator advances as far as the attempts draw, so the host's later draws
  // do not depend on the spread of this sample.
  if (!ValidTarget(target) || first == nullptr || second == nullptr) return best;
  const Induction induction(data, *first, *second, target);
  // With nothing replaced every attempt is the same sample: one suffices.
  const bool random = !induction.replaced.empty();
  double best_error = 2.0;
  // 64 bits: max_steps + 1 attempts never wraps the counter.
  for (std::uint64_t steps = 0;;) {
    std::vector<double> candidate = induction.Attempt();
    const double error = std::fabs(Correlation(candidate, data) - target);
    if (best_error > error) {
      best = std::move(candidate);
      best_error = error;
    }
    ++steps;
    stoka_count_iteration();
    if (best_error <= tolerance || steps > max_steps || !random) break;
  }
  return best;
}
