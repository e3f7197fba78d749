// Reaching a target that the attempts of pairwise induction missed. Keeping a
// share s of the paired quantiles and replacing the rest by independent draws
// gives a correlation of about s * rho, where rho is the correlation of the
// fully paired (comonotone, or for a negative target countermonotone) sample:
// the attempts keep s = |target| and so land near target * rho. The search
// moves s along the replacement order until the correlation reached lies
// within the tolerance, starting from the linear estimate s = |target| / rho.
#include <algorithm>
#include <cmath>

#include "correlation/induction.hpp"

namespace stoka::induction {
namespace {
// The sample with a replaced prefix of k positions of the order: independent
// draws before k, paired quantiles from k on. Values are computed only when a
// prefix first reaches them; those of the attempts are taken over. Paired
// quantiles are held within those at 1/(2n) and 1 - 1/(2n): a parent value at
// the very end of its support (a runtime draw of exactly 0 or 1 upstream) has
// a probability of 0 or 1, whose finite quantile lies far beyond anything a
// sample of n holds and alone caps the correlation that any share can reach.
class Shares {
 public:
  Shares(const std::vector<double>& data, const IDistribution& first, const IDistribution& second,
         double target, std::vector<double>& sample)
      : data_(data), first_(first), second_(second), target_(target), sample_(sample),
        order_(ReplacementOrder(data.size())), k_(ReplacedCount(data.size(), target)),
        low_(k_), high_(k_), paired_(data.size()), independent_(data.size()) {
    const double edge = 0.5 / static_cast<double>(data.size());
    lowest_ = FiniteQuantile(second_, edge);
    highest_ = FiniteQuantile(second_, 1.0 - edge);
    for (std::size_t j = 0; j < order_.size(); ++j) {
      double& value = sample[order_[j]];
      if (j < k_) {
        independent_[j] = value;
      } else {
        value = Held(value);
        paired_[j] = value;
      }
    }
  }

  std::size_t k() const { return k_; }
  std::size_t size() const { return order_.size(); }

  // Correlation of the sample with a replaced prefix of k, which the sample
  // then holds.
  double MoveTo(std::size_t k) {
    for (; low_ > k; --low_)
      paired_[low_ - 1] = Held(PairedQuantile(first_, second_, data_[order_[low_ - 1]], target_));
    for (; high_ < k; ++high_) independent_[high_] = IndependentQuantile(second_);
    for (std::size_t j = std::min(k, k_); j < std::max(k, k_); ++j)
      sample_[order_[j]] = j < k ? independent_[j] : paired_[j];
    k_ = k;
    return Correlation(sample_, data_);
  }

 private:
  double Held(double value) const { return std::min(std::max(value, lowest_), highest_); }

  const std::vector<double>& data_;
  const PreparedLaw first_, second_;  // shape terms kept for every quantile of the search
  const double target_;
  std::vector<double>& sample_;
  const std::vector<std::size_t> order_;
  std::size_t k_, low_, high_;  // paired_ holds [low_, n), independent_ [0, high_)
  std::vector<double> paired_, independent_;
  double lowest_ = 0, highest_ = 0;
};
}  // namespace

void ReachTarget(const std::vector<double>& data, const IDistribution& first,
                 const IDistribution& second, double target, double tolerance, double reached,
                 std::vector<double>& sample) {
  const std::vector<double> attempts = sample;
  const double missed_by = std::fabs(reached - target);
  Shares shares(data, first, second, target, sample);
  const double n = static_cast<double>(shares.size()), sign = target < 0 ? -1.0 : 1.0;
  // The signed shortfall, falling as k grows (more positions replaced).
  const auto excess = [&](double r) { return sign * r - std::fabs(target); };
  std::size_t a = shares.k(), best = a;
  double fa = excess(Correlation(sample, data)), best_error = std::fabs(fa);
  // The root lies between a and the end b: k = 0 keeps every paired quantile,
  // k = n replaces every one. fb is NaN until b has been evaluated.
  std::size_t b = fa < 0 ? 0 : shares.size();
  double fb = NAN;
  bool bisect = false;
  // Secant steps on a near-linear function, a bisection after any that does
  // not halve the bracket: every step narrows it, so the search ends after
  // about 2 log2(n) steps at most.
  while (best_error > tolerance) {
    const bool bracketed = !std::isnan(fb);
    const std::size_t width = a > b ? a - b : b - a;
    if (width <= (bracketed ? 1u : 0u)) break;  // no position left between them
    double guess;
    if (bisect)
      guess = 0.5 * (double(a) + double(b));
    else if (bracketed)
      guess = a + fa * (double(b) - double(a)) / (fa - fb);  // secant
    else if (fa + std::fabs(target) > 0)
      // Through the origin of the share: rho * (n - k) / n at a gives rho.
      guess = n - std::fabs(target) * (n - a) / (fa + std::fabs(target));
    else  // the attempts' correlation points the wrong way
      guess = 0.5 * (double(a) + double(b));
    // Strictly past a, and strictly short of b once b is known.
    const double up = b > a ? 1.0 : -1.0;
    const double near = a + up, far = b - up * double(bracketed);
    const auto k = static_cast<std::size_t>(
        std::llround(std::min(std::max(guess, std::min(near, far)), std::max(near, far))));
    const double fk = excess(shares.MoveTo(k));
    if (std::isnan(fk)) break;  // a share whose sample has no spread
    if (std::fabs(fk) < best_error) {
      best = k;
      best_error = std::fabs(fk);
    }
    if ((fk < 0) == (fa < 0)) {
      if (!bracketed && k == b) break;  // the share is exhausted short of the target
      a = k;
      fa = fk;
    } else {
      b = k;
      fb = fk;
    }
    // A secant step that does not halve the bracket hands the next to bisection.
    const std::size_t left = a > b ? a - b : b - a;
    bisect = bracketed && !bisect && 2 * left > width;
  }
  // Never worse than the attempts (the held quantiles alone could be).
  if (!(std::fabs(shares.MoveTo(best) - target) < missed_by)) sample = attempts;
}

double ExtremeCorrelation(const std::vector<double>& a, const std::vector<double>& b,
                          double target) {
  const std::size_t m = std::min(a.size(), b.size());
  std::vector<double> x(a.begin(), a.begin() + m), y(b.begin(), b.begin() + m);
  std::sort(x.begin(), x.end());
  const bool up = target >= 0;
  std::sort(y.begin(), y.end(), [up](double p, double q) { return up ? p < q : p > q; });
  return Correlation(x, y);
}

}  // namespace stoka::induction
