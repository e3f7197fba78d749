// Quantiles kept by outcome of the runtime generator. KessaRandom has 32768
// outcomes, so a stream of draws mapped into a fixed window of probabilities
// meets at most 32768 distinct probabilities: each quantile is computed the
// first time its outcome comes up and read back afterwards, the very number the
// plain computation gives.
#ifndef STOKA_SRC_SAMPLING_QUANTILE_TABLE_HPP
#define STOKA_SRC_SAMPLING_QUANTILE_TABLE_HPP

#include <cstdint>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "calc/prepared_law.hpp"
#include "core/stream.hpp"
#include "stoka/sampling.hpp"

namespace stoka {

class QuantileTable {
 public:
  static constexpr int kOutcomes = kKessaMax + 1;
  // Draws a table must expect before it is worth its memory (256 KiB of values
  // and a 4 KiB bitmap): fewer draws compute every quantile.
  static constexpr std::uint64_t kWorthwhile = 4096;

  // The probability that outcome r stands for in the window [min, max],
  // computed as min + (max - min) * KessaRandom() computes it.
  static double Position(int r, double min, double max) {
    return min + (max - min) * (r / static_cast<double>(kKessaMax));
  }

  // law.Quantile(p) where p = Position(r, min, max) of the window that every
  // call since the last Clear has used.
  double At(int r, double p, const PreparedLaw& law) {
    if (!values_) Allocate();
    std::uint64_t& word = filled_[r >> 6];
    const std::uint64_t bit = std::uint64_t{1} << (r & 63);
    if (!(word & bit)) {
      values_[r] = law.Quantile(p);
      word |= bit;
    }
    return values_[r];
  }
  void Clear();

 private:
  void Allocate();
  std::unique_ptr<double[]> values_;
  std::unique_ptr<std::uint64_t[]> filled_;
};

// A Monte Carlo draw: p = min + (max - min) * KessaRandom() and its
// quantile(r, p), r the runtime outcome behind p. An unbounded family is
// infinite at probability 0 or 1: draw again there (bounded families never
// redraw and keep their sequence); NaN after AbstractGenerationMethod's
// kMaxRedraws tries.
template <class Source, class Quantile>
std::pair<double, double> DrawFinite(Source& source, double min, double max, Quantile quantile) {
  double p = std::numeric_limits<double>::quiet_NaN();
  for (int draw = 0; draw < AbstractGenerationMethod::kMaxRedraws; ++draw) {
    const int r = source.Next15();
    p = QuantileTable::Position(r, min, max);
    const double value = quantile(r, p);
    if (std::isfinite(value)) return {value, p};
  }
  return {std::numeric_limits<double>::quiet_NaN(), p};
}

// What a method keeps for the distribution it draws from (a MonteCarloTable, a
// PreparedLaw): made on the first draw, made again whenever the method draws
// from another distribution than the one it was made for.
template <class Kept>
Kept& KeptFor(std::unique_ptr<Kept>& kept, const IDistribution& distribution) {
  if (!kept || kept->For() != &distribution) kept = std::make_unique<Kept>(distribution);
  return *kept;
}

}  // namespace stoka

// What a Monte Carlo method keeps between draws for one distribution: its
// window's quantiles by outcome, once the method has drawn enough to be worth
// it, when the distribution's quantile is worth a table (PreparedLaw::Tabled).
// A new window starts the table afresh.
class MonteCarloTable {
 public:
  explicit MonteCarloTable(const IDistribution& distribution)
      : distribution_(&distribution), law_(distribution) {}
  const IDistribution* For() const { return distribution_; }
  bool Tabled() const { return law_.Tabled(); }

  // True for the library's own families, whose quantile draws nothing.
  bool Pure() const { return law_.Pure(); }

  // n draws in the window [min, max] from source into values (and positions
  // unless null), each what DrawFinite gives, through a table of every
  // outcome's position and value made for this call (512 KiB, freed on
  // return): for a Pure() law, in one run of n draws at least kRun. False,
  // nothing drawn, without the memory.
  static constexpr int kRun = 2 * stoka::QuantileTable::kOutcomes;
  bool DrawMany(stoka::RuntimeRun& source, double min, double max, int n, double* values,
                double* positions);

  // A draw in the window [min, max] (DrawFinite), for a Tabled() law.
  template <class Source>
  std::pair<double, double> Draw(Source& source, double min, double max) {
    if (!Same(min, min_) || !Same(max, max_)) Reset(min, max);
    return stoka::DrawFinite(source, min, max, [this](int r, double p) {
      return ++draws_ <= stoka::QuantileTable::kWorthwhile ? law_.Quantile(p) : table_.At(r, p, law_);
    });
  }

 private:
  // Bitwise, so that a NaN bound compares equal to itself.
  static bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
  void Reset(double min, double max);

  const IDistribution* distribution_;
  stoka::PreparedLaw law_;
  double min_ = 0.0, max_ = 0.0;
  std::uint64_t draws_ = 0;
  stoka::QuantileTable table_;
};

#endif
