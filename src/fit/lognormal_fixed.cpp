// LogNormal fits at the fixed cumulative percents of the p_gauss table
// (1, 5, 10, 25, 50, 75, 90, 95, 99; five-decimal scores).
#include <cmath>

#include "core/output.hpp"
#include "fit/normal_internal.hpp"
#include "stoka/fit_normal.hpp"

using namespace stoka::fitn;

namespace {
// Middle values tried by the selecting three-point fit: halfway between the
// outer values minus 0.0002, 0.0004, 0.0008, ... A second difference below
// 1e-4 is taken for zero.
constexpr double kSelectionStep = 0.0002;
constexpr int kSelectionTries = 64;
constexpr double kFlatTolerance = 1e-4;

// x1 - 2 x2 + x3 and K = (x2 - x3)(x1 - x2) / d: the middle value can serve
// when d is not zero and K > 0.
bool UsableMiddle(double x1, double x2, double x3) {
  const double d = x1 - 2.0 * x2 + x3;
  return !IsDoubleZero(d, 0.0, kFlatTolerance) && (x2 - x3) * (x1 - x2) / d > 0.0;
}
}  // namespace

int stoka_ran_lognormal_params_(int p1, double x1, int p2, double x2, double* sigma, double* mu) {
  debug_log("stoka_ran_lognormal_params: %d(%f), %d(%f)", p1, x1, p2, x2);
  double z1, z2;
  if (!_p_gauss_perc(p1, &z1) || !_p_gauss_perc(p2, &z2)) return kCantFind;
  if (x1 < 0 || x2 < 0) return kCantFind;
  if (z1 == z2) return kCantFind;  // one percent twice: no scale
  const double s = (std::log(x1) - std::log(x2)) / (z1 - z2);
  const double m = std::log(x2) - s * z2;
  if (!PublishFinite({{sigma, s}, {mu, m}})) return kCantFind;
  debug_log("stoka_ran_lognormal_params: %f, %f", s, m);
  return kFind;
}

int stoka_ran_lognormal_percentile_(int p1, int p2, double sigma, double mu, double* x1,
                                    double* x2) {
  debug_log("stoka_ran_lognormal_percentile: %d(%f), %d(%f)", p1, sigma, p2, mu);
  double z1, z2;
  if (!_p_gauss_perc(p1, &z1) || !_p_gauss_perc(p2, &z2)) return kCantFind;
  // The percents are read in the exceedance sense here: the score flips.
  const double v1 = std::exp(mu - sigma * z1), v2 = std::exp(mu - sigma * z2);
  if (!PublishFinite({{x1, v1}, {x2, v2}})) return kCantFind;
  debug_log("stoka_ran_lognormal_params: %f, %f", v1, v2);
  return kFind;
}

// With x = location + e^(mu + z sigma) at z = -z3, 0, +z3 (either order):
// A = x2 - x3, B = x1 - x2, d = B - A; then e^mu = A B / d, sigma =
// log(A / B) / z3 and location = x3 - A^2 / d.
int stoka_ran_lognormal_by_three_percentile_(int p1, double x1, int p2, double x2, int p3,
                                             double x3, double* sigma, double* mu,
                                             double* location) {
  debug_log("stoka_ran_lognormal_by_three_percentile: %d(%f), %d(%f)", p1, x1, p3, x3);
  double z1, z2, z3;
  if (!_p_gauss_perc(p1, &z1) || !_p_gauss_perc(p2, &z2) || !_p_gauss_perc(p3, &z3))
    return kCantFind;
  if (!IsDoubleZero(z1, -z3, 1e-4) || p2 != 50 || z3 == 0.0) return kCantFind;
  const double d = x1 - 2.0 * x2 + x3;
  if (IsDoubleZero(d, 0.0, kFlatTolerance)) return kCantFind;
  const double A = x2 - x3, B = x1 - x2, K = A * B / d;
  if (!(K > 0.0)) return kCantFind;
  const double s = std::log(A / B) / z3;
  // Values that fall as the percents rise give sigma < 0: no lognormal.
  if (!(s > 0.0)) return kCantFind;
  const double m = std::log(K), loc = x3 - A * A / d;
  if (!PublishFinite({{sigma, s}, {mu, m}, {location, loc}})) return kCantFind;
  debug_log("stoka_ran_lognormal_by_three_percentile: %f, %f, %f", s, m, loc);
  return kFind;
}

int stoka_ran_lognormal_by_three_percentile_with_selection_(int p1, double x1, int p2, double x2,
                                                            int p3, double x3, double* sigma,
                                                            double* mu, double* location) {
  if (!UsableMiddle(x1, x2, x3)) {
    // Halfway minus step works exactly while step < |x3 - x1| / 2, so nothing
    // can serve when the outer values lie within two first steps.
    if (!(std::fabs(x3 - x1) > 2.0 * kSelectionStep)) return kCantFind;
    const double middle = (x1 + x3) * 0.5;
    double step = kSelectionStep;
    int tries = 0;
    do {
      stoka_count_iteration();
      x2 = middle - step;
      step *= 2.0;
    } while (!UsableMiddle(x1, x2, x3) && ++tries < kSelectionTries);
    if (!UsableMiddle(x1, x2, x3)) return kCantFind;
  }
  return stoka_ran_lognormal_by_three_percentile_(p1, x1, p2, x2, p3, x3, sigma, mu, location);
}
