// The misses of the last percentile fit of each thread.
#include "fit/misses.hpp"

#include <gsl/gsl_cdf.h>

#include <cmath>
#include <cstring>

#include "core/constants.hpp"
#include "core/solve.hpp"
#include "core/guard.hpp"
#include "fit/engine.hpp"
#include "stoka/continuous.hpp"
#include "stoka/fit_normal.hpp"
#include "stoka/stoka.h"

namespace stoka::fit {
namespace {

struct Misses {
  int count = 0;
  double percent[kMaxPoints] = {}, judged[kMaxPoints] = {}, fitted[kMaxPoints] = {};
};
thread_local Misses last;

bool Is(const Row& row, const char* family) { return std::strcmp(row.family, family) == 0; }

// The fitted distribution's value at a given (exceedance) percent; v by field.
double Fitted(const Row& row, int kind, const double* v, double percent) {
  const double q = InvertPercentile(percent) / 100.0;
  if (Is(row, "normal")) {
    if (percent == kPercentileMin) return NormalCalcMin_(v[kMean], v[kSigma]);
    if (percent == kPercentileMax) return NormalCalcMax_(v[kMean], v[kSigma]);
    return v[kMean] + v[kSigma] * gsl_cdf_ugaussian_Pinv(q);
  }
  if (Is(row, "lognormal")) {
    double mu = v[kMean], sigma = v[kSigma];
    const double location = v[kLocation];
    const int ok = kind == 0   ? ConvertParamsLogNormalArToLog_(location, v[kMean], v[kSigma], &mu, &sigma)
                   : kind == 2 ? ConvertParamsLogNormalGeoToLog_(location, v[kMean], v[kSigma], &mu, &sigma)
                               : 1;
    return ok == 1 ? stoka_ran_lognormal_cdf_inv_(q, location, mu, sigma) : kNaN;
  }
  if (Is(row, "triangular")) return stoka_ran_triangular_cdf_inv(q, v[kMl], v[kMin], v[kMax]);
  if (Is(row, "logtriangular"))
    return stoka_ran_logtriangular_cdf_inv(q, v[kMl], v[kMin], v[kMax]);
  if (Is(row, "pert")) {
    double alpha = 0.0, beta = 0.0;
    CalcBetaParamsByPert(v[kMin], v[kMax], v[kMl], &alpha, &beta);
    return BetaQuantile(q, alpha, beta, v[kMin], v[kMax]);
  }
  return BetaQuantile(q, v[kAlpha], v[kBeta], v[kMin], v[kMax]);
}

}  // namespace

void RecordMisses(const Row& row, int result, const Recorded& fit) {
  last.count = 0;
  if (result != stoka::kFind) return;
  double v[kFieldCount] = {};
  for (int f = 0; f < kFieldCount; ++f)
    if (fit.out[f]) v[f] = *fit.out[f];
  for (int i = 0; i < fit.points; ++i) {
    last.percent[i] = fit.p[i];
    last.judged[i] = fit.x[i];
    last.fitted[i] = Fitted(row, fit.kind, v, fit.p[i]);
  }
  last.count = fit.points;
}

}  // namespace stoka::fit

extern "C" STOKA_API int stoka_fit_miss_count(void) {
  return stoka::guard(0, [] { return stoka::fit::last.count; });
}

extern "C" STOKA_API int stoka_fit_miss(int i, double* percent, double* judged, double* fitted) {
  return stoka::guard(0, [&] {
    const auto& m = stoka::fit::last;
    if (i < 0 || i >= m.count) return 0;
    if (percent) *percent = m.percent[i];
    if (judged) *judged = m.judged[i];
    if (fitted) *fitted = m.fitted[i];
    return 1;
  });
}
