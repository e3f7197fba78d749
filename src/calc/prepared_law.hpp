// A distribution's quantile and bounded cumulative function for a run of many
// queries: what depends on its parameters alone is worked out once (the Beta
// and Pert shape terms). The numbers are the distribution's own, bit for bit.
#ifndef STOKA_SRC_CALC_PREPARED_LAW_HPP
#define STOKA_SRC_CALC_PREPARED_LAW_HPP

#include <optional>

#include "calc/beta_shape.hpp"
#include "stoka/distribution.hpp"

namespace stoka {

// True for the shapes on which the Beta quantile runs GSL's algorithm
// (positive normal numbers up to the limit above which it bisects).
bool BetaShapeServes(double alpha, double beta);

class PreparedLaw {
 public:
  // The distribution must outlive the law and keep its parameters meanwhile.
  explicit PreparedLaw(const IDistribution& distribution);

  // The distribution it was prepared for.
  const IDistribution* For() const { return distribution_; }
  // distribution.ValueByCDF(p)
  double Quantile(double p) const {
    return shape_ ? min_ + (max_ - min_) * shape_->Quantile(p) : distribution_->ValueByCDF(p);
  }
  // x[i] = Quantile(p[i]) for i < n (x and p apart): a Normal or Triangular
  // law evaluates them together (calc/quantile_runs.hpp).
  void Quantiles(int n, const double* p, double* x) const;
  // distribution.CdfValue(x)
  double Cdf(double x) const {
    if (!shape_) return distribution_->CdfValue(x);
    if (x < min_) return 0.0;
    if (x >= max_) return 1.0;
    return shape_->Cdf((x - min_) / (max_ - min_));
  }
  // True when the quantile may be kept in a table by probability and is worth
  // it: one of the library's own continuous families, whose parameters never
  // change after creation, with a quantile that costs more than reading a
  // table (all but the uniform and the triangle). Discrete sets can be
  // refilled, and a class derived by the host may compute anything.
  bool Tabled() const { return tabled_; }
  // True for exactly the library's own families (not a class derived from one),
  // whose quantile computes and draws nothing else: a run of draws may hold
  // the runtime generator across it.
  bool Pure() const { return pure_; }

 private:
  const IDistribution* distribution_;
  std::optional<BetaShape> shape_;
  double min_ = 0.0, max_ = 0.0;
  bool tabled_ = false;
  bool pure_ = false;
  enum class Run { kOneByOne, kNormal, kTriangular } run_ = Run::kOneByOne;
};

}  // namespace stoka

#endif
