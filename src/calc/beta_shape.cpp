// The beta law with its shape terms worked out once. Every expression keeps
// GSL's order of operations and types (int k in the continued fraction, the
// ternary of GSL_MAX), so that the rounding is GSL's.
#include "calc/beta_shape.hpp"

#include "core/constants.hpp"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_machine.h>
#include <gsl/gsl_sf_gamma.h>

#include <cmath>

namespace stoka {
namespace {

// The continued fraction of the incomplete beta function (cdf/beta_inc.c).
double BetaContFrac(const double a, const double b, const double x, const double epsabs) {
  const unsigned int max_iter = 512;
  const double cutoff = 2.0 * GSL_DBL_MIN;
  unsigned int iter_count = 0;
  double cf;
  double num_term = 1.0;
  double den_term = 1.0 - (a + b) * x / (a + 1.0);
  if (std::fabs(den_term) < cutoff) den_term = kNaN;
  den_term = 1.0 / den_term;
  cf = den_term;
  while (iter_count < max_iter) {
    const int k = iter_count + 1;
    // One half step of the fraction: its two terms, guarded against zero.
    auto half_step = [&](double coeff) {
      den_term = 1.0 + coeff * den_term;
      num_term = 1.0 + coeff / num_term;
      if (std::fabs(den_term) < cutoff) den_term = kNaN;
      if (std::fabs(num_term) < cutoff) num_term = kNaN;
      den_term = 1.0 / den_term;
      const double delta_frac = den_term * num_term;
      cf *= delta_frac;
      return delta_frac;
    };
    half_step(k * (b - k) * x / (((a - 1.0) + 2 * k) * (a + 2 * k)));
    const double delta_frac = half_step(-(a + k) * (a + b + k) * x / ((a + 2 * k) * (a + 2 * k + 1.0)));
    if (std::fabs(delta_frac - 1.0) < 2.0 * GSL_DBL_EPSILON) break;
    if (cf * std::fabs(delta_frac - 1.0) < epsabs) break;
    ++iter_count;
  }
  if (iter_count >= max_iter) return kNaN;
  return cf;
}

// The ends and the domain, settled before any iteration: true with *out set
// when p needs no search. GSL's inverse never returns for a NaN p.
bool Settled(double p, double a, double b, double* out) {
  if (std::isnan(p)) {
    *out = kNaN;
    return true;
  }
  if (p < 0.0 || p > 1.0) {
    gsl_error("P must be in range 0 < P < 1", __FILE__, __LINE__, GSL_EDOM);
    *out = kNaN;
    return true;
  }
  if (a < 0.0 || b < 0.0) {
    gsl_error(a < 0.0 ? "a < 0" : "b < 0", __FILE__, __LINE__, GSL_EDOM);
    *out = kNaN;
    return true;
  }
  if (p == 0.0 || p == 1.0) {
    *out = p == 0.0 ? 0.0 : 1.0;  // -0 too gives +0
    return true;
  }
  return false;
}

}  // namespace

BetaShape::Side::Side(double a_, double b_)
    : Side(a_, b_, {gsl_sf_lnbeta(a_, b_), gsl_sf_lngamma(a_ + b_), gsl_sf_lngamma(a_),
                    gsl_sf_lngamma(b_)}) {}

BetaShape::Side::Side(double a_, double b_, const Gammas& g_)
    : g(g_), a(a_), b(b_), mean(a_ / (a_ + b_)) {
  ln_beta = g.ln_beta;
  ln_norm = g.ab - g.a - g.b;
  ln_guess = std::log(a) + g.a + g.b - g.ab;
  tail_pow = -(b - 1) / a;
}

BetaShape::Side::Gammas BetaShape::Side::Mirrored() const {
  // ln B and the sum are symmetric in the shapes (GSL orders them itself).
  return {g.ln_beta, g.ab, g.b, g.a};
}

// gsl_cdf_beta_P: beta_inc_AXPY with A = 1 and Y = 0, ln B kept.
double BetaShape::Side::Cdf(double x, Logs* logs) const {
  const double A = 1.0, Y = 0.0;
  if (x <= 0.0) return 0.0;
  if (x >= 1.0) return 1.0;
  if (a > 1e5 && b < 10 && x > a / (a + b)) {
    // large a, small b, x beyond the peak [AS 26.5.17]
    const double N = a + (b - 1.0) / 2.0;
    return A * gsl_sf_gamma_inc_Q(b, -N * std::log(x)) + Y;
  }
  if (b > 1e5 && a < 10 && x < b / (a + b)) {
    const double N = b + (a - 1.0) / 2.0;
    return A * gsl_sf_gamma_inc_P(a, -N * std::log1p(-x)) + Y;
  }
  const double lx = std::log(x), l1x = std::log1p(-x);
  if (logs) *logs = {true, lx, l1x};
  const double ln_pre = -ln_beta + a * lx + b * l1x;
  const double prefactor = std::exp(ln_pre);
  if (x < (a + 1.0) / (a + b + 2.0)) {
    const double epsabs = std::fabs(Y / (A * prefactor / a)) * GSL_DBL_EPSILON;
    const double cf = BetaContFrac(a, b, x, epsabs);
    return A * (prefactor * cf / a) + Y;
  }
  // after the transformation I(a, b, x) = 1 - I(b, a, 1 - x)
  const double epsabs = std::fabs((A + Y) / (A * prefactor / b)) * GSL_DBL_EPSILON;
  const double cf = BetaContFrac(b, a, 1.0 - x, epsabs);
  const double term = prefactor * cf / b;
  return A * (1 - term) + Y;
}

// gsl_ran_beta_pdf with its three log-gamma values kept.
double BetaShape::Side::Pdf(double x, const Logs* logs) const {
  if (x < 0 || x > 1) return 0;
  if (x == 0.0 || x == 1.0) {
    if (a > 1.0 && b > 1.0) return 0.0;
    return std::exp(ln_norm) * std::pow(x, a - 1) * std::pow(1 - x, b - 1);
  }
  if (logs && logs->known) return std::exp(ln_norm + logs->x * (a - 1) + logs->x1 * (b - 1));
  return std::exp(ln_norm + std::log(x) * (a - 1) + std::log1p(-x) * (b - 1));
}

double BetaShape::Side::Bisect(double x, double p, double* cdf) const {
  const double xtol = 0.01, ptol = 0.01;
  double x0 = 0, x1 = 1;
  *cdf = kNaN;
  unsigned node = x == mean ? 1 : 0;  // 0: a start of its own, nothing kept
  while (std::fabs(x1 - x0) > xtol) {
    double px;
    if (node != 0 && node_known[node]) {
      px = node_cdf[node];
    } else {
      px = Cdf(x);
      if (node != 0) {
        node_cdf[node] = px;
        node_known.set(node);
      }
    }
    if (std::fabs(px - p) < ptol) {
      *cdf = px;
      return x;
    }
    if (px < p) {
      x0 = x;
    } else if (px > p) {
      x1 = x;
    }
    // A NaN px moves x to the middle, where it stays: off the tree (0, whose
    // children 0 and 1 are no nodes either).
    node = px < p ? 2 * node + 1 : px > p ? 2 * node : 0;
    if (node == 1 || node >= kNodes) node = 0;
    x = 0.5 * (x0 + x1);
  }
  return x;
}

// gsl_cdf_beta_Pinv below the median: a first guess (the small-x series under
// 0.1, the mean otherwise), a coarse bisection, then Newton steps with a
// second-order correction, at most 65.
double BetaShape::Side::LowerQuantile(double p, Stall stall) const {
  double x;
  if (p < 0.1) {
    const double lx = (ln_guess + std::log(p)) / a;
    if (lx <= 0) {
      x = std::exp(lx);
      x *= std::pow(1 - x, tail_pow);
    } else {
      x = mean;
    }
    if (x > mean) x = mean;
  } else {
    x = mean;
  }
  // The first Newton step starts where the bisection stopped, at a point
  // whose cumulative value it has (GSL computes it again: the same number).
  double at_x;
  x = Bisect(x, p, &at_x);
  double dp;
  unsigned int n = 0;
  for (;;) {
    Logs logs;
    dp = p - (n == 0 && !std::isnan(at_x) ? at_x : Cdf(x, &logs));
    if (dp == 0.0 || n++ > 64) break;
    const double phi = Pdf(x, &logs);
    const double lambda = dp / (2 * std::fabs(dp / x) > phi ? 2 * std::fabs(dp / x) : phi);
    const double step0 = lambda;
    const double step1 = -((a - 1) / x - (b - 1) / (1 - x)) * lambda * lambda / 2;
    double step = step0;
    if (std::fabs(step1) < std::fabs(step0)) {
      step += step1;
    } else {
      step *= 2 * std::fabs(step0 / step1);  // too large: scaled back
    }
    if (x + step > 0 && x + step < 1) {
      x += step;
    } else {
      x = std::sqrt(x) * std::sqrt(mean);  // a new starting point
    }
    if (!(std::fabs(step0) > 1e-10 * x)) break;
  }
  // Where the Newton steps wander off (alpha 1.38, beta 61341 at p = 0.15)
  // GSL gives up with NaN; a plain bisection on the cumulative function
  // answers instead unless GSL's own answer is asked for.
  if (std::fabs(dp) > GSL_SQRT_DBL_EPSILON * p) {
    if (stall == Stall::kBisect) return BisectFully(p);
    GSL_ERROR_VAL("inverse failed to converge", GSL_EFAILED, kNaN);
  }
  return x;
}

// Halves [0, 1] until the ends are neighbours in doubles, or a double's
// spacing apart relative to the upper end: about 60 steps for a quantile
// near 1e-5, 1075 at most. NaN where the cumulative function is NaN.
double BetaShape::Side::BisectFully(double p) const {
  double lo = 0.0, hi = 1.0;
  for (;;) {
    const double mid = lo + 0.5 * (hi - lo);
    if (!(mid > lo && mid < hi) || hi - lo <= GSL_DBL_EPSILON * hi) return mid;
    const double c = Cdf(mid);
    if (std::isnan(c)) return kNaN;
    (c < p ? lo : hi) = mid;
  }
}

BetaShape::BetaShape(double alpha, double beta)
    : forward_(alpha, beta), mirrored_(beta, alpha, forward_.Mirrored()) {}

// Above the median GSL goes through gsl_cdf_beta_Qinv(1 - p, a, b), which for
// 1 - p < 0.5 is 1 - Pinv(1 - p, b, a).
double BetaShape::Quantile(double p, Stall stall) const {
  double settled;
  if (Settled(p, forward_.a, forward_.b, &settled)) return settled;
  return p > 0.5 ? 1 - mirrored_.LowerQuantile(1 - p, stall) : forward_.LowerQuantile(p, stall);
}

double BetaShape::QuantileOnce(double p, double alpha, double beta) {
  double settled;
  if (Settled(p, alpha, beta, &settled)) return settled;
  return p > 0.5 ? 1 - Side(beta, alpha).LowerQuantile(1 - p, Stall::kBisect)
                 : Side(alpha, beta).LowerQuantile(p, Stall::kBisect);
}

}  // namespace stoka
