// Triangular, LogTriangular, Pert and Beta fits as a host calls them: the
// checks, the fits' codes, outputs and steps, hostile numbers, the penalties.
// Percents are exceedance percents (90 is the cumulative 10 %).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "fit/fit_table.hpp"
#include "stoka/fit.hpp"
#include "support/gsl_handler.hpp"
#include "support/twin_check.hpp"

namespace {
using fit_table::kKeep;
const double kNaN = NAN, kInf = INFINITY, kP = 999999.0;

// Points of the triangle (ml 5.3, min 2.1, max 11.7) and of Beta(2.5, 4.2) on
// [1.3, 9.7] at cumulative fractions.
double Tri(double q) { return stoka_ran_triangular_cdf_inv(q, 5.3, 2.1, 11.7); }
double Bet(double q) { return stoka_ran_beta_cdf_inv(q, 1.3, 8.4, 2.5, 4.2); }

OutDataBeta beta_record{2.385, 4.17, -1.25, 9.5};
OutDataTD td_record{5.3, 2.1, 11.7};
OutDataLTD ltd_record{4.7, 1.9, 13.3};

// An initializer whose minimizer could not be allocated.
void NoMinimizer(double*, gsl_vector** x, gsl_vector** step, gsl_multimin_fminimizer** s,
                 gsl_multimin_function_struct*) {
  *x = gsl_vector_alloc(1), *step = gsl_vector_alloc(1), *s = nullptr;
}

// clang-format off
const fit_table::Case kFlat[] = {
  // Checks: every percent in [1, 99], points ordered as their percents and
  // distinct, fixed bounds on the right side of the values.
  FIT_CASE(CheckParamsTriangularMinMLPerc(2.1, 5.3, 99, 3.3), 1, 0),
  FIT_CASE(CheckParamsTriangularMinMLPerc(2.1, 5.3, 0.5, 3.3), 0, 0),
  FIT_CASE(CheckParamsTriangularMinMLPerc(2.1, 1.9, 50, 3.3), 0, 0),   // ml below min
  FIT_CASE(CheckParamsTriangularMinMLPerc(-0.5, 1.2, 50, 0.9), 1, 0),  // negative bounds are fine
  FIT_CASE(CheckParamsTriangularMLMaxPerc(5.3, 11.7, 30, 1.0), 1, 0),  // x below ml is allowed
  FIT_CASE(CheckParamsTriangularML2Perc(-1e9, 90, 3.1, 10, 8.2), 1, 0),  // ml is not examined
  FIT_CASE(CheckParamsTriangularML2Perc(5.3, 40, 3.1, 40, 8.2), 0, 0),
  FIT_CASE(CheckParamsTriangularML2Perc(5.3, 100, 3.1, 10, 8.2), 0, 0),
  FIT_CASE(CheckParamsTriangularML2Perc(5.3, 90, kNaN, 10, 8.2), 0, 0),
  FIT_CASE(CheckParamsTriangularMax2Perc(8.2, 90, 3.1, 10, 8.2), 0, 0),
  FIT_CASE(CheckParamsTriangular3Perc(10, 8.2, 50, 5.2, 90, 3.1), 1, 0),  // any order of the points
  FIT_CASE(CheckParamsTriangular3Perc(90, 3.1, 50, 9.0, 10, 8.2), 0, 0),
  FIT_CASE(CheckParamsTriangular3Perc(90, 3.1, 50, 5.2, 10, kInf), 1, 0),  // the fit stops on it
  // LogTriangular: every value and fixed parameter > 0 as well.
  FIT_CASE(CheckParamsLogTriangularMinMLMax(0, 1, 2), 0, 0),
  FIT_CASE(CheckParamsLogTriangularML2Perc(0, 90, 1, 10, 2), 0, 0),
  FIT_CASE(CheckParamsLogTriangular3Perc(90, -1, 50, 1, 10, 2), 0, 0),
  // Beta: shapes above 0.3 (by more than 1e-4) summing below 100000; bounds
  // never compared with the values.
  FIT_CASE(CheckParamsBetaAlpha3Perc(0.3, 90, 1, 50, 2, 10, 3), 0, 0),
  FIT_CASE(CheckParamsBetaBeta3Perc(0.3002, 90, 1, 50, 2, 10, 3), 1, 0),
  FIT_CASE(CheckParamsBetaMin3Perc(kNaN, 90, 1, 50, 2, 10, 3), 1, 0),
  FIT_CASE(CheckParamsBetaAlphaBeta2Perc(60000, 50000, 90, 1, 10, 2), 0, 0),
  // A failed check writes nothing; a fit out of iterations writes zeros.
  FIT_CASE(CalcTriangularDistributionBy3Perc(100, 1e-4, 3.1, 9.0, 8.2, 90, 50, 10, &o[0], &o[1], &o[2]), 0, 0, kKeep, kKeep, kKeep),
  FIT_CASE(CalcPertDistributionByMin2Perc(100, 1e-4, 5.0, 3.1, 90, 8.2, 10, &o[0], &o[1], &o[2]), 0, 0, kKeep, kKeep, kKeep),
  FIT_CASE(CalcBetaDistributionByAlphaMin2Perc(100, 1e-4, 0.1, 0.0, 1.0, 2.0, 90, 10, &o[0], &o[1], &o[2], &o[3]), 0, 0, kKeep, kKeep, kKeep, kKeep),
  FIT_CASE(CalcTriangularDistributionByMinMlPerc(2.1, 1.0, 3.3, 50, &o[0], &o[1], &o[2]), 0, 0, kKeep, kKeep, kKeep),
  FIT_STEPS(2, CalcBetaDistributionBy4Perc(2, 1e-12, 1, 2, 3, 4, 95, 70, 30, 5, &o[0], &o[1], &o[2], &o[3]), 0, 0, 0, 0, 0, 0),
  // The simplex's stops: at least one step; a met size ends the run, a
  // negative or NaN tolerance fails (NaN before the first step).
  FIT_STEPS(1, CalcTriangularDistributionBy3Perc(-7, 1e-12, 3.1, 5.2, 8.2, 90, 50, 10, &o[0], &o[1], &o[2]), 0, 0, 0, 0, 0),
  FIT_STEPS(1, CalcTriangularDistributionBy3Perc(100, 1e3, 3.1, 5.2, 8.2, 90, 50, 10, &o[0], &o[1], &o[2]), 1, 0),
  FIT_STEPS(1, CalcTriangularDistributionBy3Perc(100, -1, 3.1, 5.2, 8.2, 90, 50, 10, &o[0], &o[1], &o[2]), 0, 0, 0, 0, 0),
  FIT_STEPS(0, CalcBetaDistributionBy4Perc(INT_MAX, kNaN, 1.0, 2.0, 3.0, 4.0, 95, 70, 30, 5, &o[0], &o[1], &o[2], &o[3]), 0, 0, 0, 0, 0, 0),
  // Output orders: the simplex fits write the record (ml, min, max; alpha,
  // beta, min, max), the closed forms min, ml, max.
  FIT_CASE(CalcTriangularDistributionBy3Perc(iter_count, 1e-9, Tri(.1), Tri(.5), Tri(.9), 90, 50, 10, &o[0], &o[1], &o[2]), 1, 7.8e-7, 5.3, 2.1, 11.7),
  FIT_CASE(CalcBetaDistributionByAlphaMin2Perc(iter_count, 1e-9, 2.5, 1.3, Bet(.2), Bet(.8), 80, 20, &o[0], &o[1], &o[2], &o[3]), 1, 9e-5, 2.5, 4.2, 1.3, 9.7),
  // A point at the mode's probability (x - min)/(max - min) is the mode.
  FIT_CASE(CalcTriangularDistributionByMinMaxPerc(2.0, 12.0, 4.5, 75, &o[0], &o[1], &o[2]), 1, 0, 2.0, 4.5, 12.0),
  // Percents that round to one whole percent leave the root search an empty
  // bracket: 0, min and max 0.0, the mode written.
  FIT_CASE(CalcTriangularDistributionByMl2Perc(5.3, 89.8, 3.0, 89.6, 8.0, &o[0], &o[1], &o[2]), 0, 0, 0, 5.3, 0),
  FIT_CASE(stoka_ran_triangular_params(10, 3.0, 10, 8.0, 5.3, &o[0], &o[1]), 0, 0, 0, 0),
  FIT_CASE(stoka_ran_triangular_params(10, Tri(.1), 90, Tri(.9), 5.3, &o[0], &o[1]), 1, 3.9e-4, 2.1, 11.7),
  // An infinite or NaN number that passes the check ends the fit at once with
  // zeros: a simplex whose size is not finite after one step, or one that
  // never starts (it would run a million steps, or hang in GSL's beta inverse).
  FIT_STEPS(1, CalcTriangularDistributionByMin2Perc(INT_MAX, 1e-4, 4.885, 1e308, 7.385, 8.635, 9.885, &o[0], &o[1], &o[2]), 0, 0, 0, 0, 0),
  FIT_STEPS(0, CalcTriangularDistributionByMin2Perc(INT_MAX, 1e-4, 0.5, 1.0, kInf, 90, 10, &o[0], &o[1], &o[2]), 0, 0, 0, 0, 0),
  FIT_STEPS(0, CalcLogTriangularDistributionByMinMaxPerc(INT_MAX, 1e-4, 100, kInf, 150, 50, &o[0], &o[1], &o[2]), 0, 0, 0, 0, 0),
  FIT_CASE(CalcPertDistributionBy3Perc(INT_MAX, 1e-4, 1.0, 2.0, kInf, 90, 50, 10, &o[0], &o[1], &o[2]), 0, 0, 0, 0, 0),
  FIT_CASE(CalcBetaDistributionBy4Perc(INT_MAX, 1e-4, -kInf, 2.0, 3.0, kInf, 95, 70, 30, 5, &o[0], &o[1], &o[2], &o[3]), 0, 0, 0, 0, 0, 0),
  FIT_CASE(CalcBetaDistributionByAlphaBetaMinPerc(INT_MAX, 1e-4, 2.5, 4.2, -kInf, 3.0, 50, &o[0], &o[1], &o[2], &o[3]), 0, 0, 0, 0, 0, 0),
};

// C++ only: the ConvertParams forms (the check's argument order, min first,
// the library's limit, no check of their own), penalties (kP per broken
// condition), the records, the frame when the minimizer cannot be allocated.
const fit_table::Case kObject[] = {
  FIT_CASE(ConvertParamsTriangular3Perc_(50, Tri(.5), 10, Tri(.9), 90, Tri(.1), &o[0], &o[1], &o[2]), 1, 7.8e-5, 2.1, 5.3, 11.7),
  FIT_CASE(ConvertParamsBetaMinAlpha2Perc_(1.3, 2.5, 20, Bet(.8), 80, Bet(.2), &o[0], &o[1], &o[2], &o[3]), 1, 9e-4, 1.3, 9.7, 2.5, 4.2),
  FIT_CASE(ConvertParamsTriangularML2Perc_(5.3, 90, 8.0, 10, 3.0, &o[0], &o[1], &o[2]), 0, 0, kKeep, 5.3, kKeep),
  FIT_CASE(ConvertParamsLogTriangularMinMaxPerc_(100, kInf, 50, 150, &o[0], &o[1], &o[2]), 0, 0, 0, 0, 0),
  FIT_CASE(ConvertParamsBetaMax3Perc_(kInf, 90, 1.0, 50, 2.0, 10, 3.0, &o[0], &o[1], &o[2], &o[3]), 0, 0, 0, 0, 0, 0),
  FIT_CASE(PenaltyFuncTriangular(2.1, 2.1, 11.7), 0, 0),  // a mode on either end is a triangle
  FIT_CASE(PenaltyFuncTriangular(1.5, 2.1, 11.7), kP, 0),
  FIT_CASE(PenaltyFuncTriangular(2.1, 2.1, 2.1000005), 3 * kP, 0),  // zero width counts three times
  FIT_CASE(PenaltyFuncTriangular(kNaN, 2.1, 11.7), 0, 0),          // NaN comparisons do not hold
  FIT_CASE(PenaltyFuncLogTriangular(2, 1, 2), kP, 0),
  FIT_CASE(PenaltyFuncLogTriangular(-0.5, -2, -0.25), 3 * kP, 0),
  FIT_CASE(PenaltyFuncPert(12.0, 2.1, 11.7), kP, 0),      // ml > max; beta = 0.875 still fine
  FIT_CASE(PenaltyFuncPert(30.0, 2.1, 11.7), 2 * kP, 0),  // and beta < 0.3
  FIT_CASE(PenaltyFuncPert(3.0, 3.0, 3.0), kP, 0),        // an empty range: NaN shapes count nothing
  FIT_CASE(PenaltyFuncBeta(0.3, 0.3, 0.0, 1.0), 0, 0),
  FIT_CASE(PenaltyFuncBeta(60000, 50000, 0.0, 1.0), kP, 0),
  FIT_CASE(PenaltyFuncBeta(0.2, 0.2, 3.0, 3.0), 3 * kP, 0),
  FIT_CASE((CopyParamsFromOutDataBeta(&beta_record, &o[0], &o[1], &o[2], &o[3]), 1), 1, 0, 2.385, 4.17, -1.25, 9.5),
  FIT_CASE((CopyParamsFromOutDataTriangular(&td_record, &o[0], &o[1], &o[2]), 1), 1, 0, 5.3, 2.1, 11.7),
  FIT_CASE((CopyParamsFromOutDataLogTriangular(&ltd_record, &o[0], &o[1], &o[2]), 1), 1, 0, 4.7, 1.9, 13.3),
  FIT_STEPS(0, CalcDistributionByParams(100, 1e-4, o, NoMinimizer, nullptr, nullptr, initialization_result_triangular_err, o), 0, 0, 0, 0, 0),
};
// clang-format on

TEST(PercentileFits, Table) {
  for (const fit_table::Case& c : kFlat) fit_table::Run(c);
  const GslHandler quiet(IgnoreGslError);
  for (const fit_table::Case& c : kObject) fit_table::Run(c);
}

// Every flat twin of the percentile fitters forwards unchanged. The sample
// iteration limits are small (0 to 5), so each simplex round is cheap.
TEST(PercentileFits, FlatTwins) {
  stoka_silence_output();
  STOKA_FLAT_FIT(STOKA_CHECK_TWIN, STOKA_SKIP_FLAT)
  stoka_default_output();
}

}  // namespace
