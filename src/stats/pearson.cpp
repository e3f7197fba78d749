// Pearson goodness of fit over k equal-width intervals spanning the sample:
//   chi = sum_{i=1}^{k-1} (p_i - c_i / n)^2 / p_i,
//   p_i = F(lo + i w) - F(lo + (i - 1) w),  w = (max - min) / k,
// c_i the count of interval i - 1, intervals closed on the right. The last
// interval is counted but takes no part in the sum; the statistic is not
// multiplied by n.
#include <gsl/gsl_cdf.h>

#include <climits>
#include <cmath>
#include <initializer_list>

#include "core/constants.hpp"
#include "stats/pearson_counts.hpp"
#include "stoka/continuous.hpp"
#include "stoka/fit_normal.hpp"
#include "stoka/stats.hpp"

namespace {

// Intervals for a sample of n values (n as a double: gsl vectors count in size_t).
int IntervalsFor(double n) {
  if (!(n >= 1)) return 0;
  return static_cast<int>(std::round(1.8 * std::log(n) * std::log10(n)));
}

// Interval of a value at t = (value - lo) / width: floor(t), one less when t is
// a whole number other than 0.
int IntervalOf(double t) {
  if (std::isnan(t)) return -1;
  const double f = std::floor(t);
  const double j = (t == f && t != 0) ? f - 1 : f;
  if (j >= INT_MAX) return INT_MAX;
  if (j <= INT_MIN) return INT_MIN;
  return static_cast<int>(j);
}

}  // namespace

int define_intervals_count(int n) { return IntervalsFor(n); }
int stoka_ran_define_intervals_count_(int n) { return define_intervals_count(n); }

int calc_interval_number(double value, double lo, double width) {
  return IntervalOf((value - lo) / width);
}

// The degenerate samples (fewer than two values or intervals, no finite range
// wider than 1e-6: a NaN or an infinite value gives none) are settled before
// anything is counted.
PearsonCounts::PearsonCounts(const double* data, int n, int stride) {
  if (data == nullptr || n <= 1 || stride < 1) return;
  const size_t step = static_cast<size_t>(stride);
  double lo = data[0], hi = data[0];
  bool nan = false;
  for (int i = 0; i < n; ++i) {
    const double x = data[i * step];
    if (x < lo) lo = x;
    if (x > hi) hi = x;
    if (x != x) nan = true;
  }
  const int k = IntervalsFor(n);
  const double range = hi - lo;
  if (nan || k <= 1 || !std::isfinite(range) || IsDoubleZeroVal(range)) return;
  const double width = range / k;
  std::vector<double> counts(k, 0.0);
  for (int i = 0; i < n; ++i) {
    const int j = IntervalOf((data[i * step] - lo) / width);
    if (j >= 0 && j < k) counts[j] += 1;
  }
  for (double& c : counts) c /= n;
  degenerate_ = false;
  k_ = k;
  lo_ = lo;
  width_ = width;
  freq_ = std::move(counts);
}

double PearsonCounts::Statistic(const gsl_vector* params, stoka_cdf_fn cdf, double floor) const {
  if (degenerate_ || params == nullptr || cdf == nullptr) return stoka::kPenalty;
  double prev = cdf(params, lo_);
  double chi = 0;
  for (int i = 1; i < k_; ++i) {
    const double c = cdf(params, lo_ + static_cast<double>(i) * width_);
    const double p = c - prev;
    if (floor > 0 && std::fabs(p) < stoka::kEpsilon && !std::isnan(p)) {
      const double d = p - freq_[i - 1];
      chi += d * d / std::fmax(p, floor);
    } else if (std::fabs(p) < stoka::kEpsilon || std::isnan(p)) {
      chi += stoka::kPenalty;
    } else {
      const double d = p - freq_[i - 1];
      chi += d * d / p;
    }
    prev = c;
  }
  return chi;
}

double calc_pearson(const gsl_vector* params, const gsl_vector* sample, stoka_cdf_fn cdf) {
  if (sample == nullptr || sample->size > static_cast<size_t>(INT_MAX) ||
      sample->stride > static_cast<size_t>(INT_MAX))
    return stoka::kPenalty;
  return PearsonCounts(sample->data, static_cast<int>(sample->size),
                       static_cast<int>(sample->stride))
      .Statistic(params, cdf);
}

// ---------------------------------------------------------------------------
// CDF callbacks.
namespace {
double P(const gsl_vector* v, size_t i) { return gsl_vector_get(v, i); }
}  // namespace

double beta_cdf(const gsl_vector* x, double v) {
  return gsl_cdf_beta_P((v - P(x, 2)) / (P(x, 3) - P(x, 2)), P(x, 0), P(x, 1));
}
// mean and st_dev arithmetic, location included.
double lognormal_cdf_arf(const gsl_vector* x, double v) {
  double mu, sigma;
  RevertParamsLogNormal(P(x, 0), P(x, 1), P(x, 2), &mu, &sigma);
  return gsl_cdf_lognormal_P(v - P(x, 2), mu, sigma);
}
double logtriangular_cdf(const gsl_vector* x, double v) {
  if (P(x, 1) > v) return 0.0;
  return stoka_ran_logtriangular_cdf(v, P(x, 0), P(x, 1), P(x, 2));
}
double gaussian_cdf(const gsl_vector* x, double v) {
  return gsl_cdf_gaussian_P(v - P(x, 0), P(x, 1));
}
double pert_cdf(const gsl_vector* x, double v) {
  return stoka_ran_pert_cdf_(v, P(x, 1), P(x, 2), P(x, 0));
}
double triangular_cdf(const gsl_vector* x, double v) {
  if (P(x, 1) > v) return 0.0;
  return stoka_ran_triangular_cdf(v, P(x, 0), P(x, 1), P(x, 2));
}
double uniform_cdf(const gsl_vector* x, double v) { return gsl_cdf_flat_P(v, P(x, 0), P(x, 1)); }

// ---------------------------------------------------------------------------
// Entry points: the sample is read in place (it is never changed), the
// parameters go into a vector on the stack. Shape parameters outside GSL's
// domain come back as NaN (an interval without probability), whether or not
// the host ran stoka_init.
namespace {
double Pearson(std::initializer_list<double> params, int n, const double* data,
               stoka_cdf_fn cdf) {
  const gsl_vector_const_view x = gsl_vector_const_view_array(params.begin(), params.size());
  return PearsonCounts(data, n).Statistic(&x.vector, cdf);
}
}  // namespace

double stoka_ran_pearson_beta_(double alpha, double beta, double min, double max, int n,
                               const double* data) {
  return Pearson({alpha, beta, min, max}, n, data, beta_cdf);
}
double stoka_ran_pearson_lognormal_(double mean, double st_dev, double location, int n,
                                    const double* data) {
  return Pearson({mean, st_dev, location}, n, data, lognormal_cdf_arf);
}
double stoka_ran_pearson_logtriangular_(double most_likely, double min, double max, int n,
                                        const double* data) {
  return Pearson({most_likely, min, max}, n, data, logtriangular_cdf);
}
double stoka_ran_pearson_gaussian_(double mean, double sigma, int n, const double* data) {
  return Pearson({mean, sigma}, n, data, gaussian_cdf);
}
double stoka_ran_pearson_pert_(double most_likely, double min, double max, int n,
                               const double* data) {
  return Pearson({most_likely, min, max}, n, data, pert_cdf);
}
double stoka_ran_pearson_triangular_(double most_likely, double min, double max, int n,
                                     const double* data) {
  return Pearson({most_likely, min, max}, n, data, triangular_cdf);
}
double pearson_uniform_(double a, double b, int n, const double* data) {
  return Pearson({a, b}, n, data, uniform_cdf);
}
