// Normal fits from values at percentiles. A value x at the given percent P
// lies at mean + z sigma, z = sqrt(2) e with e the table erf^-1 at the
// cumulative percent 100 - P (whole percents; -6 / +6 for the min/max codes),
// so one fixed parameter and one value, or two values, give both parameters
// in closed form.
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_errno.h>

#include <cmath>

#include "core/output.hpp"
#include "fit/normal_internal.hpp"
#include "stoka/fit_normal.hpp"

using namespace stoka::fitn;

int CheckParamsNormalMeanPerc_(double mean, double P, double x) {
  const double c = InvertPercentile(P);
  if (!IsPercentCode(c) && !CheckPercentile_(c)) return 0;
  // The value lies on the side of the mean that its percent lies of 50.
  if (!CheckPercentilesConformity_(c, x, 50.0, mean)) return 0;
  return c != 50.0;
}

int CheckParamsNormalSigmaPerc_(double sigma, double P, double x) {
  if (!CheckSigma_(sigma)) return 0;
  const double c = InvertPercentile(P);
  if (IsPercentCode(c)) return 1;
  // Whole percents only: 99.7 passes as 99, 0.7 fails as 0.
  return CheckPercentile_(std::trunc(c));
}

int CheckParamsNormal2Perc_(double P1, double x1, double P2, double x2) {
  const double c1 = InvertPercentile(P1), c2 = InvertPercentile(P2);
  if (!IsPercentCode(c1) && !CheckPercentile_(c1)) return 0;
  if (!IsPercentCode(c2) && !CheckPercentile_(c2)) return 0;
  return CheckPercentilesConformity_(c1, x1, c2, x2) && CheckPercentilesEquality_(c1, c2);
}

int ConvertParamsNormalMeanPerc_(double mean, double P, double x, double* mean_out,
                                 double* sigma_out) {
  const double e = HalfScore(P);
  if (e == 0.0) return kCantFind;  // the percent rounds to the median: no scale
  return PublishFinite({{mean_out, mean}, {sigma_out, (x - mean) / (e * kSqrt2)}});
}

int ConvertParamsNormalSigmaPerc_(double sigma, double P, double x, double* mean_out,
                                  double* sigma_out) {
  const double e = HalfScore(P);
  return PublishFinite({{mean_out, x - e * (sigma * kSqrt2)}, {sigma_out, sigma}});
}

int ConvertParamsNormal2Perc_(double P1, double x1, double P2, double x2, double* mean_out,
                              double* sigma_out) {
  const double e1 = HalfScore(P1), e2 = HalfScore(P2);
  if (e1 == e2) return kCantFind;  // both percents share one table entry
  const double sigma = (x1 - x2) / ((e1 - e2) * kSqrt2);
  return ConvertParamsNormalSigmaPerc_(sigma, P1, x1, mean_out, sigma_out);
}

int CalcGaussianDistributionByMeanPerc_(double mean, double x, double P, double* mean_out,
                                        double* sigma_out) {
  return Checked(CheckParamsNormalMeanPerc_(mean, P, x),
                 [&] { return ConvertParamsNormalMeanPerc_(mean, P, x, mean_out, sigma_out); });
}

int CalcGaussianDistributionByStDevPerc_(double sigma, double x, double P, double* mean_out,
                                         double* sigma_out) {
  return Checked(CheckParamsNormalSigmaPerc_(sigma, P, x),
                 [&] { return ConvertParamsNormalSigmaPerc_(sigma, P, x, mean_out, sigma_out); });
}

int CalcGaussianDistributionBy2Perc_(double x1, double x2, double P1, double P2,
                                     double* mean_out, double* sigma_out) {
  return Checked(CheckParamsNormal2Perc_(P1, x1, P2, x2), [&] {
    return ConvertParamsNormal2Perc_(P1, x1, P2, x2, mean_out, sigma_out);
  });
}

namespace {
// The simplex twin's size tolerance and iteration cap.
constexpr double kSimplexTolerance = 0.001;
constexpr int kSimplexLimit = 1000;

// The exact standard score of a given percent; the codes stand 6 sigma out,
// as in the closed forms.
double ExactScore(double P) {
  if (P == kPercentileMin) return -6.0;
  if (P == kPercentileMax) return 6.0;
  return gsl_cdf_ugaussian_Pinv((100.0 - P) / 100.0);
}

void TraceGaussian(const stoka::SimplexStep& at) {
  if (at.status == GSL_SUCCESS) stoka_print("converged to minimum at\n");
  const gsl_vector* x = gsl_multimin_fminimizer_x(at.minimizer);
  stoka_print("%5d mean = %.3f st_dev = %.3f f() = %7.3f size = %.3f\n", at.iteration,
              gsl_vector_get(x, 0), gsl_vector_get(x, 1),
              gsl_multimin_fminimizer_minimum(at.minimizer), at.size);
}
}  // namespace

// Block: x1, x2, P1, P2. A negative deviation is charged the penalty on top
// of the distance (the quantiles are still evaluated); 0 is not charged.
double gaussian_min(const gsl_vector* x, void* block) {
  const double* b = static_cast<const double*>(block);
  const double mean = gsl_vector_get(x, 0), sd = gsl_vector_get(x, 1);
  const double penalty = sd < 0 ? kPenalty : 0.0;
  const double d1 = ExactScore(b[2]) * sd + mean - b[0];
  const double d2 = ExactScore(b[3]) * sd + mean - b[1];
  return std::sqrt(std::fabs(d1) + std::fabs(d2)) + penalty;
}

int CalcGaussianDistributionBy2Perc__(double x1, double x2, double P1, double P2,
                                      double* mean_out, double* sigma_out) {
  const int code = CheckParamsNormal2Perc_(P1, x1, P2, x2);
  if (code != kFind) return code;
  double block[4] = {x1, x2, P1, P2};
  gsl_multimin_function function{gaussian_min, 2, block};
  const double start[2] = {200.0, 200.0}, steps[2] = {100.0, 100.0};
  stoka::SimplexRule rule;
  rule.tolerance = kSimplexTolerance;
  rule.limit = kSimplexLimit;
  stoka::Simplex simplex(2);
  if (simplex.Run(&function, start, steps, rule, TraceGaussian).end != stoka::End::kConverged) {
    *mean_out = 0.0, *sigma_out = 0.0;
    return kCantFind;
  }
  *mean_out = gsl_vector_get(simplex.x(), 0), *sigma_out = gsl_vector_get(simplex.x(), 1);
  return kFind;
}

int stoka_ran_gaussian_params_(int c1, double x1, int c2, double x2, double* sigma_out,
                               double* mean_out) {
  debug_log("stoka_ran_gaussian_params: %d(%f), %d(%f)", c1, x1, c2, x2);
  double z1, z2;
  if (!_p_gauss_perc(c1, &z1) || !_p_gauss_perc(c2, &z2)) return kCantFind;
  if (z1 == z2) return kCantFind;  // one percent twice: no scale
  const double sigma = (x1 - x2) / (z1 - z2);
  const double mean = x2 - z2 * sigma;
  if (!PublishFinite({{sigma_out, sigma}, {mean_out, mean}})) return kCantFind;
  debug_log("stoka_ran_gaussian_params: %f, %f", sigma, mean);
  return kFind;
}

double NormalCalcMin_(double mean, double sigma) {
  return mean + erf_invPerc(kPercentileMin) * (sigma * kSqrt2);
}
double NormalCalcMax_(double mean, double sigma) {
  return mean + erf_invPerc(kPercentileMax) * (sigma * kSqrt2);
}
