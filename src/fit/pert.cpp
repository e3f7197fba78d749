// Pert fitting, record (ml, min, max): every case is a simplex fit. A Pert is
// the Beta on [min, max] with alpha = (max + 4 ml - 5 min)/(max - min) and
// beta = (5 max - min - 4 ml)/(max - min). The starts of the cases with fixed
// parameters depend on those parameters alone, not on the values.
#include "fit/engine.hpp"

namespace {
using namespace stoka::fit;

// The simplex cases: family, case, objective case, fixed, start, steps, trace.
#define PERT_CASES(CASE)                                                                     \
  CASE(pert, 3perc, by_3perc, 0u, (X(1), X(0), X(2)), (1.0),                                 \
       "%5d min = %.3f max = %.3f most_likely = %.3f f() = %7.3f size = %.3f\n")             \
  CASE(pert, min_ml_perc, by_min_ml_perc, Bit(kMin) | Bit(kMl), (Fix(kMl) + 1.0), (1.0),     \
       "%5d max = %.3f f() = %7.3f size = %.3f\n")                                           \
  CASE(pert, max_ml_perc, by_max_ml_perc, Bit(kMax) | Bit(kMl), (Fix(kMl) - 1.0), (1.0),     \
       "%5d min = %.3f f() = %7.3f size = %.3f\n")                                           \
  CASE(pert, max_min_perc, by_max_min_perc, Bit(kMin) | Bit(kMax),                           \
       ((Fix(kMin) + Fix(kMax)) * 0.5), (1.0),                                               \
       "%5d most_likely = %.3f f() = %7.3f size = %.3f\n")                                   \
  CASE(pert, min_2perc, by_min_2perc, Bit(kMin),                                             \
       (Fix(kMin) + Abs(Fix(kMin)) * 0.6, Fix(kMin) + Abs(Fix(kMin)) * 2), (1.0, 5.0),       \
       "%5d most_likely = %.3f max = %.3f f() = %7.3f size = %.3f\n")                        \
  CASE(pert, max_2perc, by_max_2perc, Bit(kMax),                                             \
       (Fix(kMax) - Abs(Fix(kMax)) * 0.6, Fix(kMax) - Abs(Fix(kMax)) * 2), (1.0, 5.0),       \
       "%5d most_likely = %.3f min = %.3f f() = %7.3f size = %.3f\n")                        \
  CASE(pert, ml_2perc, by_ml_2perc, Bit(kMl),                                                \
       (Fix(kMl) - Abs(Fix(kMl)) * 2, Fix(kMl) + Abs(Fix(kMl)) * 2), (1.0, 1.0),             \
       "%5d min = %.3f max = %.3f f() = %7.3f size = %.3f\n")
PERT_CASES(STOKA_FIT_SIMPLEX_CASE)
constexpr const Case* kCases[] = {PERT_CASES(STOKA_FIT_CASE_ADDRESS)};

double Penalty(const double* v) { return PenaltyFuncPert(v[0], v[1], v[2]); }
void Quantiles(const double* v, const double* q, int n, double* out) {
  double alpha = 0.0, beta = 0.0;
  CalcBetaParamsByPert(v[1], v[2], v[0], &alpha, &beta);
  BetaQuantiles(alpha, beta, v[1], v[2], q, n, out);
}
using Record = RecordOf<OutDataPert, &OutDataPert::ml, &OutDataPert::min, &OutDataPert::max>;

// 9 doubles: values at 0..2, probabilities at 3..5, fixed ml, min, max at 6, 7, 8;
// values must lie inside fixed bounds.
constexpr Family kFamily = {
    9, 0, 3, 3, {kMl, kMin, kMax}, {6, 7, 8, -1, -1},
    false, true, &Penalty, &Quantiles, &Record::Store,
    &RunFrame<OutDataPert, Record, &CalcPertDistributionByParams,
              &initialization_result_pert_err>,
    kCases, static_cast<int>(sizeof kCases / sizeof kCases[0])};
static_assert(kFamily.block_size == 9 && BlockFits(kFamily), "the parameter block");

}  // namespace

PERT_CASES(STOKA_FIT_BIND_CALLBACKS)
int initialization_result_pert_err(void* out) { return WriteFailure(kFamily, out); }

STOKA_FIT_PERT(STOKA_FIT_DEFINE_ENTRY, STOKA_FIT_SKIP_TWIN)
