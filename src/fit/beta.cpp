// Beta fitting, record (alpha, beta, min, max): fifteen simplex cases, one per
// choice of fixed parameters, each with as many percentiles as parameters
// left to fit. A fitted shape starts at 3 and every step is 1. The quantile is
// min + (max - min) * gsl_cdf_beta_Pinv(q, alpha, beta).
#include "fit/engine.hpp"

namespace {
using namespace stoka::fit;

constexpr unsigned kA = Bit(kAlpha), kB = Bit(kBeta), kLo = Bit(kMin), kHi = Bit(kMax);

#define STOKA_BETA_TRACE(elements) "%5d " elements " f() = %.3f size = %.3f\n"
// The simplex cases: family, case, objective case, fixed, start, steps, trace.
#define BETA_CASES(CASE)                                                                      \
  CASE(beta, 4perc, by_4_perc, 0u, (3.0, 3.0, X(0), X(3)), (1.0),                             \
       STOKA_BETA_TRACE("alpha = %.3f beta = %.3f min = %.3f max = %.3f"))                    \
  CASE(beta, alpha_3perc, by_alpha_3_perc, kA, (3.0, X(0), X(2)), (1.0),                      \
       STOKA_BETA_TRACE("beta = %.3f min = %.3f max = %.3f"))                                 \
  CASE(beta, beta_3perc, by_beta_3_perc, kB, (3.0, X(0), X(2)), (1.0),                        \
       STOKA_BETA_TRACE("alpha = %.3f min = %.3f max = %.3f"))                                \
  CASE(beta, min_3perc, by_min_3_perc, kLo, (3.0, 3.0, X(2)), (1.0),                          \
       STOKA_BETA_TRACE("alpha = %.3f beta = %.3f max = %.3f"))                               \
  CASE(beta, max_3perc, by_max_3_perc, kHi, (3.0, 3.0, X(0)), (1.0),                          \
       STOKA_BETA_TRACE("alpha = %.3f beta = %.3f min = %.3f"))                               \
  CASE(beta, by_alpha_beta_2perc, by_alpha_beta_2perc, kA | kB, (X(0), X(1)), (1.0),          \
       STOKA_BETA_TRACE("min = %.3f max = %.3f"))                                             \
  CASE(beta, by_alpha_min_2perc, by_alpha_min_2perc, kA | kLo, (3.0, X(1)), (1.0),            \
       STOKA_BETA_TRACE("beta = %.3f max = %.3f"))                                            \
  CASE(beta, by_alpha_max_2perc, by_alpha_max_2perc, kA | kHi, (3.0, X(0)), (1.0),            \
       STOKA_BETA_TRACE("beta = %.3f min = %.3f"))                                            \
  CASE(beta, by_beta_min_2perc, by_beta_min_2perc, kB | kLo, (3.0, X(1)), (1.0),              \
       STOKA_BETA_TRACE("alpha = %.3f max = %.3f"))                                           \
  CASE(beta, by_beta_max_2perc, by_beta_max_2perc, kB | kHi, (3.0, X(0)), (1.0),              \
       STOKA_BETA_TRACE("alpha = %.3f min = %.3f"))                                           \
  CASE(beta, by_min_max_2perc, by_min_max_2perc, kLo | kHi, (3.0, 3.0), (1.0),                \
       STOKA_BETA_TRACE("alpha = %.3f beta = %.3f"))                                          \
  CASE(beta, by_alpha_beta_min_perc, by_alpha_beta_min_perc, kA | kB | kLo, (X(0)), (1.0),    \
       STOKA_BETA_TRACE("max = %.3f"))                                                        \
  CASE(beta, by_alpha_beta_max_perc, by_alpha_beta_max_perc, kA | kB | kHi, (X(0)), (1.0),    \
       STOKA_BETA_TRACE("min = %.3f"))                                                        \
  CASE(beta, by_alpha_min_max_perc, by_alpha_min_max_perc, kA | kLo | kHi, (3.0), (1.0),      \
       STOKA_BETA_TRACE("beta = %.3f"))                                                       \
  CASE(beta, by_beta_min_max_perc, by_beta_min_max_perc, kB | kLo | kHi, (3.0), (1.0),        \
       STOKA_BETA_TRACE("alpha = %.3f"))
BETA_CASES(STOKA_FIT_SIMPLEX_CASE)
constexpr const Case* kCases[] = {BETA_CASES(STOKA_FIT_CASE_ADDRESS)};

double Penalty(const double* v) { return PenaltyFuncBeta(v[0], v[1], v[2], v[3]); }
void Quantiles(const double* v, const double* q, int n, double* out) {
  BetaQuantiles(v[0], v[1], v[2], v[3], q, n, out);
}
using Record = RecordOf<OutDataBeta, &OutDataBeta::alpha, &OutDataBeta::beta, &OutDataBeta::min,
                        &OutDataBeta::max>;

// 12 doubles: values at 0..3, probabilities at 4..7, fixed alpha, beta, min, max
// at 8..11; fixed bounds are not compared with the values.
constexpr Family kFamily = {
    12, 0, 4, 4, {kAlpha, kBeta, kMin, kMax}, {-1, 10, 11, 8, 9},
    false, false, &Penalty, &Quantiles, &Record::Store,
    &RunFrame<OutDataBeta, Record, &CalcBetaDistributionByParams,
              &initialization_result_beta_err>,
    kCases, static_cast<int>(sizeof kCases / sizeof kCases[0])};
static_assert(kFamily.block_size == 12 && BlockFits(kFamily), "the parameter block");

}  // namespace

BETA_CASES(STOKA_FIT_BIND_CALLBACKS)
int initialization_result_beta_err(void* out) { return WriteFailure(kFamily, out); }

STOKA_FIT_BETA(STOKA_FIT_DEFINE_ENTRY, STOKA_FIT_SKIP_TWIN)
