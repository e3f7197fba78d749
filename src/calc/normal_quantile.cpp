// Normal quantiles in runs: the central region by the rational function GSL
// uses there, several probabilities at once; everything else through GSL.
#include "calc/quantile_runs.hpp"

#include <gsl/gsl_cdf.h>

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "calc/normal_centre.hpp"

namespace stoka {

#if defined(STOKA_NORMAL_FAST)
// normal_quantile_fast.cpp: the same loop in 256-bit vectors.
void NormalCentresFast(int n, const double* p, double sigma, double mean, double* x);
#endif

namespace {
bool Central(double p) { return std::fabs(p - 0.5) <= 0.425; }  // GSL's test: NaN is not

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

// Once per process: the formula gives the linked GSL's numbers, bit for bit,
// across the central region, at its ends and next to them, for a standard and
// a shifted, scaled law. A GSL built otherwise (with fused multiply-adds, say)
// fails somewhere here and is then called for every quantile.
bool CentreAgrees() {
  constexpr int kGrid = 4096;
  double p[kGrid + 8], x[kGrid + 8];
  for (int i = 0; i <= kGrid; ++i) p[i] = 0.075 + 0.85 * (i / static_cast<double>(kGrid));
  const double ends[] = {0.075, 0.925, 0.5};
  for (int i = 0; i < 3; ++i) {
    p[kGrid + 1 + 2 * i] = std::nextafter(ends[i], 0.0);
    p[kGrid + 2 + 2 * i] = std::nextafter(ends[i], 1.0);
  }
  p[kGrid + 7] = 0.5;
  for (const double sigma : {1.0, 2.385}) {
    const double mean = sigma == 1.0 ? 0.0 : -1.5;
    Centres(kGrid + 8, p, sigma, mean, x, false);
    for (int i = 0; i < kGrid + 8; ++i) {
      const double gsl = gsl_cdf_gaussian_Pinv(p[i], sigma) + mean;
      if (Central(p[i]) && std::memcmp(&gsl, &x[i], sizeof gsl) != 0) return false;
    }
  }
  return true;
}
}  // namespace

bool NormalQuantilesOwnCentre() {
  static const bool agrees = CentreAgrees();
  return agrees;
}

void NormalQuantiles(int n, const double* p, double sigma, double mean, double* x, bool portable) {
  const bool own = NormalQuantilesOwnCentre();
  if (own) Centres(n, p, sigma, mean, x, portable);
  for (int i = 0; i < n; ++i)
    if (!own || !Central(p[i])) x[i] = gsl_cdf_gaussian_Pinv(p[i], sigma) + mean;
}

}  // namespace stoka
