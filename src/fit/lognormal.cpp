// Shifted LogNormal fits from values at percentiles: X = location + e^Y with
// Y normal (mu, sigma), so a value x at the given percent P satisfies
// log(x - location) = mu + z sigma, z = sqrt(2) e, e the table erf^-1 at the
// cumulative percent 100 - P. Cases given on the log or geometric scale are
// closed forms; the arithmetic ones, the fixed mean or sigma with two values
// and three values go to the solvers.
#include <gsl/gsl_cdf.h>

#include <cmath>

#include "core/output.hpp"
#include "fit/normal_internal.hpp"
#include "stoka/continuous.hpp"
#include "stoka/fit_normal.hpp"

using namespace stoka::fitn;

// ------------------------------------------------------- conversions

namespace {
// The fixed deviation on the log scale.
double LogSigma(int kind, double sigma) { return kind == 2 ? std::log(sigma) : sigma; }

// A solver's (first, second, third) result goes to (o2, o3, o1). A solver that
// found nothing wrote zeros, which are passed on; one whose own check failed
// wrote nothing, and nothing is written.
struct Solved {
  int code = kCantFind;
  double a = kNaN, b = kNaN, location = kNaN;
};
int PublishSolved(const Solved& s, double* o1, double* o2, double* o3) {
  if (s.code == kFind) {
    *o1 = s.location, *o2 = s.a, *o3 = s.b;
  } else if (!std::isnan(s.location)) {
    WriteZeros(o1, o2, o3);
  }
  return s.code;
}

// A solved result that cannot be published in the caller's kind counts as
// nothing found.
Solved Failed(Solved s) {
  if (s.code == kFind) s.code = kCantFind, s.location = 0.0;
  return s;
}

// The summed distance of the quantiles at 10, 50 and 90 % from x.
double Distance3(const double* x, double location, double mu, double sigma) {
  const double q[] = {0.1, 0.5, 0.9};
  double sum = 0.0;
  for (int i = 0; i < 3; ++i)
    sum += std::fabs(stoka_ran_lognormal_cdf_inv_(q[i], location, mu, sigma) - x[i]);
  return sum;
}

// Values at 10, 50 and 90 % fix the location and mu whatever the standard
// score, and sigma = log((x90 - x50) / (x50 - x10)) / z90. The closed form
// takes z90 to five decimals, which leaves each value about 1e-6 of the
// span from its percent. Where the three miss by more than kThreeTolerance
// of the span each, sigma comes from the exact score instead, and is kept
// where it misses less.
constexpr double kThreeTolerance = 1e-9;
double ExactScoreSigma(const double* x, double location, double mu, double sigma) {
  const double reached = Distance3(x, location, mu, sigma);
  if (!stoka::SimplexMendingEnabled() || !(reached > 3.0 * kThreeTolerance * std::fabs(x[2] - x[0])))
    return sigma;
  const double exact = std::log((x[1] - x[2]) / (x[0] - x[1])) / gsl_cdf_ugaussian_Pinv(0.9);
  return Distance3(x, location, mu, exact) < reached ? exact : sigma;
}

struct SortedPair {
  double c_lo, x_lo, c_hi, x_hi;
};
SortedPair SortTwo(double P1, double x1, double P2, double x2) {
  SortedPair s;
  Sort2Percentiles_(InvertPercentile(P1), x1, InvertPercentile(P2), x2, &s.c_lo, &s.x_lo, &s.c_hi,
                    &s.x_hi);
  return s;
}
}  // namespace

int ConvertParamsLogNormalLocMeanPerc_(int kind, double location, double mean, double P, double x,
                                       double* o1, double* o2, double* o3) {
  const double e = HalfScore(P);
  const double log_x = std::log(x - location);
  if (kind == 0) {
    // log(x - loc) - log(mean - loc) = z sigma - sigma^2 / 2: the larger root.
    const double a = -kSqrt2 * e;
    const double L = std::log((x - location) / (mean - location));
    const double D = a * a - 2.0 * L;
    if (!(D >= 0.0)) return kCantFind;
    const double sigma = std::sqrt(D) - a;
    const double mu = std::log(mean - location) - sigma * sigma * 0.5;
    return PublishKind(0, location, mu, sigma, o1, o2, o3);
  }
  if (kind != 1 && kind != 2) return kCantFind;
  if (e == 0.0) return kCantFind;  // the percent rounds to the median: no scale
  const double mu = kind == 2 ? std::log(mean) : mean;
  return PublishKind(kind, location, mu, (log_x - mu) / (e * kSqrt2), o1, o2, o3);
}

int CalcLogNormalDistributionByLocMeanPerc__(double location, double mean, double P, double x,
                                             double* o1, double* o2, double* o3) {
  return CalcLogNormalDistributionByLocMeanPerc_(0, location, mean, P, x, o1, o2, o3);
}

int ConvertParamsLogNormalLocSigmaPerc_(int kind, double location, double sigma, double P,
                                        double x, double* o1, double* o2, double* o3) {
  if (kind == 0) {
    Solved s;
    s.code = CalcLogNormalDistributionByLocStDevPercAR(location, sigma, x, InvertPercentile(P) / 100.0,
                                                       &s.a, &s.b, &s.location);
    return PublishSolved(s, o1, o2, o3);
  }
  if (kind != 1 && kind != 2) return kCantFind;
  const double s = LogSigma(kind, sigma);
  const double mu = std::log(x - location) - HalfScore(P) * (s * kSqrt2);
  return PublishKind(kind, location, mu, s, o1, o2, o3);
}

int ConvertParamsLogNormalLoc2Perc_(int kind, double location, double P1, double x1, double P2,
                                    double x2, double* o1, double* o2, double* o3) {
  const double e1 = HalfScore(P1), e2 = HalfScore(P2);
  if (e1 == e2) return kCantFind;  // both percents share one table entry
  const double log1 = std::log(x1 - location);
  const double sigma = (log1 - std::log(x2 - location)) / ((e1 - e2) * kSqrt2);
  const double mu = log1 - e1 * (sigma * kSqrt2);
  return PublishKind(kind, location, mu, sigma, o1, o2, o3);
}

int ConvertParamsLogNormalMeanSigmaPerc_(int kind, double mean, double sigma, double P, double x,
                                         double* o1, double* o2, double* o3) {
  if (kind == 0) {
    Solved s;
    s.code = CalcLogNormalDistributionByStDevMeanPercAR(sigma, mean, x, InvertPercentile(P) / 100.0,
                                                        &s.a, &s.b, &s.location);
    return PublishSolved(s, o1, o2, o3);
  }
  if (kind != 1 && kind != 2) return kCantFind;
  const double mu = kind == 2 ? std::log(mean) : mean;
  const double s = LogSigma(kind, sigma);
  const double location = x - std::exp(mu + HalfScore(P) * (s * kSqrt2));
  stoka_print("\n\nLoc = %f\n\n", location);
  return PublishKind(kind, location, mu, s, o1, o2, o3);
}

int ConvertParamsLogNormalMean2Perc_(int kind, double mean, double P1, double x1, double P2,
                                     double x2, double* o1, double* o2, double* o3) {
  if (kind < 0 || kind > 2) return kCantFind;
  const SortedPair p = SortTwo(P1, x1, P2, x2);
  const double q_lo = p.c_lo / 100.0, q_hi = p.c_hi / 100.0;
  Solved s;
  if (kind == 0) {
    s.code = CalcLogNormalDistributionByMean2percAR(mean, p.x_lo, q_lo, p.x_hi, q_hi, &s.a, &s.b,
                                                    &s.location);
    return PublishSolved(s, o1, o2, o3);
  }
  const double mu = kind == 2 ? std::log(mean) : mean;
  s.code = CalcLogNormalDistributionByMu2percLOG(mu, p.x_lo, q_lo, p.x_hi, q_hi, &s.a, &s.b,
                                                 &s.location);
  if (s.code == kFind && PublishKind(kind, s.location, s.a, s.b, o1, o2, o3)) return kFind;
  return PublishSolved(Failed(s), o1, o2, o3);
}

int ConvertParamsLogNormalSigma2Perc_(int kind, double sigma, double P1, double x1, double P2,
                                      double x2, double* o1, double* o2, double* o3) {
  const SortedPair p = SortTwo(P1, x1, P2, x2);
  if (kind == 0) {
    Solved s;
    s.code = CalcLogNormalDistributionByStDev2percAR(sigma, p.x_lo, p.c_lo / 100.0, p.x_hi,
                                                     p.c_hi / 100.0, &s.a, &s.b, &s.location);
    return PublishSolved(s, o1, o2, o3);
  }
  if (kind != 1 && kind != 2) return kCantFind;
  const double e_lo = erf_invPerc(p.c_lo), e_hi = erf_invPerc(p.c_hi);
  if (e_lo == e_hi) return kCantFind;  // both percents share one table entry
  const double s = LogSigma(kind, sigma);
  // R = (x_lo - location) / (x_hi - location), fixed by sigma alone.
  const double R = std::exp((e_lo - e_hi) * s * kSqrt2);
  const double location = p.x_lo - (p.x_hi - p.x_lo) * R / (1.0 - R);
  const double mu = std::log(p.x_lo - location) - e_lo * (s * kSqrt2);
  return PublishKind(kind, location, mu, s, o1, o2, o3);
}

int ConvertParamsLogNormal3Perc_(int kind, double P1, double x1, double P2, double x2, double P3,
                                 double x3, double* o1, double* o2, double* o3) {
  if (kind < 0 || kind > 2) return kCantFind;
  double ca, xa, cb, xb, cc, xc;
  Sort3Percentiles_(InvertPercentile(P1), x1, InvertPercentile(P2), x2, InvertPercentile(P3), x3,
                    &ca, &xa, &cb, &xb, &cc, &xc);
  if (ca == 10.0 && cb == 50.0 && cc == 90.0) {
    double sigma, mu, location;
    if (stoka_ran_lognormal_by_three_percentile_(10, xa, 50, xb, 90, xc, &sigma, &mu, &location)) {
      const double x[] = {xa, xb, xc};
      sigma = ExactScoreSigma(x, location, mu, sigma);
      if (PublishKind(kind, location, mu, sigma, o1, o2, o3)) return kFind;
    }
  }
  Solved s;
  s.code = CalcLogNormalDistributionBy3PercAR(xa, xb, xc, ca / 100.0, cb / 100.0, cc / 100.0, &s.a,
                                              &s.b, &s.location);
  if (s.code != kFind || kind == 0) return PublishSolved(s, o1, o2, o3);
  double mu, sigma;
  if (ConvertParamsLogNormalArToLog_(s.location, s.a, s.b, &mu, &sigma) &&
      PublishKind(kind, s.location, mu, sigma, o1, o2, o3))
    return kFind;
  return PublishSolved(Failed(s), o1, o2, o3);
}

// ------------------------------------------------------- entry points

int CalcLogNormalDistributionByLocMeanPerc_(int kind, double location, double mean, double P,
                                            double x, double* o1, double* o2, double* o3) {
  return Checked(CheckParamsLogNormalLocMeanPerc_(kind, location, mean, P, x), [&] {
    return ConvertParamsLogNormalLocMeanPerc_(kind, location, mean, P, x, o1, o2, o3);
  });
}
int CalcLogNormalDistributionByLocStDevPerc_(int kind, double location, double sigma, double P,
                                             double x, double* o1, double* o2, double* o3) {
  return Checked(CheckParamsLogNormalLocSigmaPerc_(kind, location, sigma, P, x), [&] {
    return ConvertParamsLogNormalLocSigmaPerc_(kind, location, sigma, P, x, o1, o2, o3);
  });
}
int CalcLogNormalDistributionByMeanStDevPerc_(int kind, double mean, double sigma, double P,
                                              double x, double* o1, double* o2, double* o3) {
  return Checked(CheckParamsLogNormalMeanSigmaPerc_(kind, mean, sigma, P, x), [&] {
    return ConvertParamsLogNormalMeanSigmaPerc_(kind, mean, sigma, P, x, o1, o2, o3);
  });
}
int CalcLogNormalDistributionByStDev2Perc_(int kind, double sigma, double P1, double x1, double P2,
                                           double x2, double* o1, double* o2, double* o3) {
  return Checked(CheckParamsLogNormalSigma2Perc_(kind, sigma, P1, x1, P2, x2), [&] {
    return ConvertParamsLogNormalSigma2Perc_(kind, sigma, P1, x1, P2, x2, o1, o2, o3);
  });
}
int CalcLogNormalDistributionByLoc2Perc_(int kind, double location, double P1, double x1,
                                         double P2, double x2, double* o1, double* o2,
                                         double* o3) {
  return Checked(CheckParamsLogNormalLoc2Perc_(kind, location, P1, x1, P2, x2), [&] {
    return ConvertParamsLogNormalLoc2Perc_(kind, location, P1, x1, P2, x2, o1, o2, o3);
  });
}
int CalcLogNormalDistributionByMean2Perc_(int kind, double mean, double P1, double x1, double P2,
                                          double x2, double* o1, double* o2, double* o3) {
  return Checked(CheckParamsLogNormalMean2Perc_(kind, mean, P1, x1, P2, x2), [&] {
    return ConvertParamsLogNormalMean2Perc_(kind, mean, P1, x1, P2, x2, o1, o2, o3);
  });
}
int CalcLogNormalDistributionBy3Perc_(int kind, double P1, double x1, double P2, double x2,
                                      double P3, double x3, double* o1, double* o2, double* o3) {
  return Checked(CheckParamsLogNormal3Perc_(kind, P1, x1, P2, x2, P3, x3), [&] {
    return ConvertParamsLogNormal3Perc_(kind, P1, x1, P2, x2, P3, x3, o1, o2, o3);
  });
}
