// Normal quantiles in runs, by the rational functions GSL evaluates (Wichura's
// AS 241): the central region several probabilities at once, the tails one by
// one, without a call into GSL a value.
#include "calc/quantile_runs.hpp"

#include <gsl/gsl_cdf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>

#include "calc/normal_centre.hpp"

namespace stoka {

#if defined(STOKA_NORMAL_FAST)
// normal_quantile_fast.cpp: the same loop in 256-bit vectors.
void NormalCentresFast(int n, const double* p, double sigma, double mean, double* x);
#endif

namespace {
bool Central(double p) { return std::fabs(p - 0.5) <= 0.425; }  // GSL's test: NaN is not

// Outside the central region AS 241 goes on in r = sqrt(-log(min(p, 1 - p))):
// a rational function in r - 1.6 up to r = 5, in r - 5 beyond, negated below
// the median; the ends are infinite. The logarithm is the C library's, as GSL's.
constexpr double kC[8] = {1.42343711074968357734, 4.63033784615654529590, 5.76949722146069140550,
                          3.64784832476320460504, 1.27045825245236838258, 0.241780725177450611770,
                          0.0227238449892691845833, 7.74545014278341407640e-4};
constexpr double kD[8] = {1.0, 2.05319162663775882187, 1.67638483018380384940, 0.689767334985100004550,
                          0.148103976427480074590, 0.0151986665636164571966,
                          5.47593808499534494600e-4, 1.05075007164441684324e-9};
constexpr double kE[8] = {6.65790464350110377720, 5.46378491116411436990, 1.78482653991729133580,
                          0.296560571828504891230, 0.0265321895265761230930, 0.00124266094738807843860,
                          2.71155556874348757815e-5, 2.01033439929228813265e-7};
constexpr double kF[8] = {1.0, 0.599832206555887937690, 0.136929880922735805310,
                          0.0148753612908506148525, 7.86869131145613259100e-4,
                          1.84631831751005468180e-5, 1.42151175831644588870e-7,
                          2.04426310338993978564e-15};

double Outer(double p) {
  if (p == 1.0) return std::numeric_limits<double>::infinity();
  if (p == 0.0) return -std::numeric_limits<double>::infinity();
  const double r = std::sqrt(-std::log(p < 0.5 ? p : 1.0 - p));
  const double x = r <= 5.0 ? normal_centre::Rational(kC, kD, r - 1.6) : normal_centre::Rational(kE, kF, r - 5.0);
  return p < 0.5 ? -x : x;
}

void Centres(int n, const double* p, double sigma, double mean, double* x, bool portable) {
#if defined(STOKA_NORMAL_FAST)
  static const bool fast = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
  }();
  if (fast && !portable) return NormalCentresFast(n, p, sigma, mean, x);
#endif
  normal_centre::Centres(n, p, sigma, mean, x);
}

// Every quantile by this file's own evaluation. The tails' places are gathered
// first, so that no branch hangs on where each probability falls.
void Own(int n, const double* p, double sigma, double mean, double* x, bool portable) {
  Centres(n, p, sigma, mean, x, portable);
  constexpr int kChunk = 256;
  int outer[kChunk];
  for (int start = 0; start < n; start += kChunk) {
    const int end = std::min(n, start + kChunk);
    int m = 0;
    for (int i = start; i < end; ++i) {
      outer[m] = i;
      m += !Central(p[i]);
    }
    for (int j = 0; j < m; ++j) x[outer[j]] = Outer(p[outer[j]]) * sigma + mean;
  }
}

// Once per process: the own evaluation gives the linked GSL's numbers, bit for
// bit, across the central region and the tails down to the smallest numbers,
// at the ends of the three branches and next to them, for a standard and a
// shifted, scaled law. A GSL built otherwise (with fused multiply-adds, say)
// fails somewhere here and is then called for every quantile.
bool OwnAgrees() {
  constexpr int kGrid = 2048;
  double p[2 * kGrid + 32], x[2 * kGrid + 32];
  int n = 0;
  for (int i = 0; i < kGrid; ++i) p[n++] = 0.075 + 0.85 * (i / static_cast<double>(kGrid));
  for (int i = 0; i < kGrid / 2; ++i) {
    const double tail = std::exp(-0.35 * (i + 1));  // down to 1e-311
    p[n++] = tail;
    p[n++] = 1.0 - tail;
  }
  for (const double end : {0.075, 0.925, 0.5, std::exp(-25.0), 1.0 - std::exp(-25.0), 0.0, 1.0}) {
    p[n++] = end;
    p[n++] = std::nextafter(end, 0.0);
    p[n++] = std::nextafter(end, 1.0);
  }
  for (const double sigma : {1.0, 2.385}) {
    const double mean = sigma == 1.0 ? 0.0 : -1.5;
    Own(n, p, sigma, mean, x, false);
    for (int i = 0; i < n; ++i) {
      const double gsl = gsl_cdf_gaussian_Pinv(p[i], sigma) + mean;
      if (std::memcmp(&gsl, &x[i], sizeof gsl) != 0) return false;
    }
  }
  return true;
}
}  // namespace

bool NormalQuantilesOwn() {
  static const bool agrees = OwnAgrees();
  return agrees;
}

void NormalQuantiles(int n, const double* p, double sigma, double mean, double* x, bool portable) {
  if (NormalQuantilesOwn()) return Own(n, p, sigma, mean, x, portable);
  for (int i = 0; i < n; ++i) x[i] = gsl_cdf_gaussian_Pinv(p[i], sigma) + mean;
}

}  // namespace stoka
