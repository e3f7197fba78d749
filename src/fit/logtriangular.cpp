// LogTriangular fitting, record (ml, min, max), all strictly positive: every
// case is a simplex fit; the quantile is that of ln X, triangular on
// [ln min, ln max] with mode ln ml.
#include "fit/engine.hpp"

namespace {
using namespace stoka::fit;

// The simplex cases: family, case, objective case, fixed, start, steps, trace.
#define LOGTRIANGULAR_CASES(CASE)                                                            \
  CASE(logtriangular, by_3perc, by_3perc, 0u, (X(1), X(0), X(2)), (Abs(X(2) - X(0)) / 3),    \
       "%5d ml = %.3f min = %.3f max = %.3f  f() = %7.3f size = %.3f\n")                     \
  /* The start puts max at the upper value, where the simplex can fold ml onto */          \
  /* max; a restart mirrors it in the logarithms, x2^2 / x1. */                              \
  CASE(logtriangular, by_min_2perc, by_min_2perc, Bit(kMin), (X(0), X(1)),                   \
       (Abs(X(1) - X(0)) / 3), "%5d ml = %.3f max = %.3f f() = %7.3f size = %.3f\n", X(0),   \
       X(1) * X(1) / X(0))                                                                   \
  CASE(logtriangular, by_max_2perc, by_max_2perc, Bit(kMax), (X(1), X(0)),                   \
       (Abs(X(1) - X(0)) / 3), "%5d ml = %.3f min = %.3f f() = %7.3f size = %.3f\n")         \
  /* The start puts min and max at the values, no triangle when the mode lies */             \
  /* outside them; a restart spreads them about the mode by the values' ratio. */            \
  CASE(logtriangular, by_ml_2perc, by_ml_2perc, Bit(kMl), (X(0), X(1)), (Abs(X(1) - X(0))),  \
       "%5d min = %.3f max = %.3f f() = %7.3f size = %.3f\n", Fix(kMl) * X(0) / X(1),         \
       Fix(kMl) * X(1) / X(0))                                                               \
  CASE(logtriangular, by_ml_min_perc, by_ml_min_perc, Bit(kMl) | Bit(kMin),                  \
       (Fix(kMl) + (Fix(kMl) - Fix(kMin)) * 0.5), (Abs(Fix(kMl) - Fix(kMin)) * 0.5),         \
       "%5d max = %.3f f() = %7.3f size = %.3f\n")                                           \
  /* The start mirrors max at ml, below zero when max > 2 ml; a restart mirrors */          \
  /* it in the logarithms, ml^2 / max, which always lies in (0, ml). */                     \
  CASE(logtriangular, by_ml_max_perc, by_ml_max_perc, Bit(kMl) | Bit(kMax),                  \
       (Fix(kMl) - (Fix(kMax) - Fix(kMl))), (Abs(Fix(kMax) - Fix(kMl)) * 0.5),               \
       "%5d min = %.3f f() = %7.3f size = %.3f\n", Fix(kMl) * Fix(kMl) / Fix(kMax))         \
  /* The step is a third of the sum of the bounds, not of their distance. */                 \
  CASE(logtriangular, by_min_max_perc, by_min_max_perc, Bit(kMin) | Bit(kMax),               \
       ((Fix(kMin) + Fix(kMax)) * 0.5), (Abs(Fix(kMin) + Fix(kMax)) / 3),                    \
       "%5d ml = %.3f f() = %7.3f size = %.3f\n")
LOGTRIANGULAR_CASES(STOKA_FIT_SIMPLEX_CASE)
constexpr const Case* kCases[] = {LOGTRIANGULAR_CASES(STOKA_FIT_CASE_ADDRESS)};

double Penalty(const double* v) { return PenaltyFuncLogTriangular(v[0], v[1], v[2]); }
double Quantile(double q, const double* v) {
  return stoka_ran_logtriangular_cdf_inv(q, v[0], v[1], v[2]);
}
using Record = RecordOf<OutDataLTD, &OutDataLTD::ml, &OutDataLTD::min, &OutDataLTD::max>;

// 9 doubles: values at 0..2, probabilities at 3..5, fixed ml, min, max at 6, 7, 8;
// values and fixed parameters positive, values inside fixed bounds.
constexpr Family kFamily = {
    9, 0, 3, 3, {kMl, kMin, kMax}, {6, 7, 8, -1, -1},
    true, true, &Penalty, &EachQuantile<&Quantile>, &Record::Store,
    &RunFrame<OutDataLTD, Record, &CalcLogTriangularDistributionByParams,
              &initialization_result_logtriangular_err>,
    kCases, static_cast<int>(sizeof kCases / sizeof kCases[0])};
static_assert(kFamily.block_size == 9 && BlockFits(kFamily), "the parameter block");

}  // namespace

LOGTRIANGULAR_CASES(STOKA_FIT_BIND_CALLBACKS)
int initialization_result_logtriangular_err(void* out) { return WriteFailure(kFamily, out); }

STOKA_FIT_LOGTRIANGULAR(STOKA_FIT_DEFINE_ENTRY, STOKA_FIT_SKIP_TWIN)
