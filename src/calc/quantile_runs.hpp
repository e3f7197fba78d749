// Quantiles of many probabilities in one call, the very numbers of the
// families' one-value quantiles, computed so that a run goes faster.
#ifndef STOKA_SRC_CALC_QUANTILE_RUNS_HPP
#define STOKA_SRC_CALC_QUANTILE_RUNS_HPP

namespace stoka {

// x[i] = gsl_cdf_gaussian_Pinv(p[i], sigma) + mean for i < n, the very
// numbers, evaluated here as GSL evaluates them: the central region
// 0.075 <= p <= 0.925 (most draws) several probabilities at once, the tails
// and ends one by one. x and p do not overlap. portable: the baseline build of
// the central loop whatever the processor offers.
void NormalQuantiles(int n, const double* p, double sigma, double mean, double* x,
                     bool portable = false);

// True when NormalQuantiles evaluates them itself: the process checked once
// that this gives the linked GSL's numbers (false: every quantile calls GSL).
bool NormalQuantilesOwn();

// x[i] = TriangularValueByCDF_(min, max, ml, p[i]) for i < n, without a branch
// on p (one square root a value).
void TriangularQuantiles(int n, const double* p, double min, double max, double ml, double* x);

}  // namespace stoka

#endif
