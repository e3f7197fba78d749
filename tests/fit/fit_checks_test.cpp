// The argument checks of the percentile fitters, as a host calls them. Percents
// are exceedance percents: 90 is the cumulative 10 %.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "stoka/stoka.h"

namespace {
const double kNaN = NAN;
const double kInf = INFINITY;

struct Row {
  const char* call;
  std::function<int()> run;
  int expected;
};
#define ROW(call, expected) Row{#call, [] { return call; }, expected}

// clang-format off
const Row kRows[] = {
  // Triangular, one percentile: bounds against the value, the percent in [1, 99].
  ROW(CheckParamsTriangularMinMLPerc(2.1, 5.3, 50, 3.3), 1),
  ROW(CheckParamsTriangularMinMLPerc(2.1, 5.3, 99, 3.3), 1),
  ROW(CheckParamsTriangularMinMLPerc(2.1, 5.3, 0.5, 3.3), 0),
  ROW(CheckParamsTriangularMinMLPerc(2.1, 1.9, 50, 3.3), 0),   // ml below min
  ROW(CheckParamsTriangularMinMLPerc(2.1, 5.3, 50, 2.1), 0),   // x on min
  ROW(CheckParamsTriangularMinMLPerc(-0.5, 1.2, 50, 0.9), 1),  // negative bounds are fine
  ROW(CheckParamsTriangularMinMaxPerc(2.1, 11.7, 30, 5.2), 1),
  ROW(CheckParamsTriangularMinMaxPerc(11.7, 2.1, 30, 5.2), 0),
  ROW(CheckParamsTriangularMinMaxPerc(2.1, 11.7, 30, 11.7), 0),
  ROW(CheckParamsTriangularMLMaxPerc(5.3, 11.7, 30, 1.0), 1),  // x below ml is allowed
  ROW(CheckParamsTriangularMLMaxPerc(12.0, 11.7, 30, 8.0), 0),
  ROW(CheckParamsTriangularMLMaxPerc(5.3, 11.7, 30, 11.7), 0),
  // Two and three percentiles: ordered as the percents, distinct percents.
  ROW(CheckParamsTriangularML2Perc(-1e9, 90, 3.1, 10, 8.2), 1),  // ml is not examined
  ROW(CheckParamsTriangularML2Perc(5.3, 90, 8.2, 10, 3.1), 0),
  ROW(CheckParamsTriangularML2Perc(5.3, 40, 3.1, 40, 8.2), 0),
  ROW(CheckParamsTriangularML2Perc(5.3, 100, 3.1, 10, 8.2), 0),
  ROW(CheckParamsTriangularML2Perc(5.3, 90, kNaN, 10, 8.2), 0),
  ROW(CheckParamsTriangularMin2Perc(2.1, 90, 3.1, 10, 8.2), 1),
  ROW(CheckParamsTriangularMin2Perc(3.1, 90, 3.1, 10, 8.2), 0),
  ROW(CheckParamsTriangularMax2Perc(8.3, 90, 3.1, 10, 8.2), 1),
  ROW(CheckParamsTriangularMax2Perc(8.2, 90, 3.1, 10, 8.2), 0),
  ROW(CheckParamsTriangular3Perc(90, 3.1, 50, 5.2, 10, 8.2), 1),
  ROW(CheckParamsTriangular3Perc(10, 8.2, 50, 5.2, 90, 3.1), 1),  // any order of the points
  ROW(CheckParamsTriangular3Perc(90, 3.1, 50, 9.0, 10, 8.2), 0),  // pair (3, 2) out of order
  ROW(CheckParamsTriangular3Perc(90, 3.1, 50, 5.2, 90, 8.2), 0),  // pair (1, 3) equal percents
  ROW(CheckParamsTriangular3Perc(90, 3.1, 50, 5.2, 10, kInf), 1), // infinity passes; the fit stops
  // LogTriangular: the same plus every value and fixed parameter > 0.
  ROW(CheckParamsLogTriangularMinMLMax(0, 1, 2), 0),
  ROW(CheckParamsLogTriangularMinMLMax(0.5, 1, 2), 1),
  ROW(CheckParamsLogTriangularMinMLMax(0.5, 2.5, 2), 0),
  ROW(CheckParamsLogTriangularMinMLMax(0.5, 0.5, 2), 1),
  ROW(CheckParamsLogTriangularMinMLPerc(0.5, 1.2, 50, 0.9), 1),
  ROW(CheckParamsLogTriangularMinMLPerc(-0.5, 1.2, 50, 0.9), 0),
  ROW(CheckParamsLogTriangularMinMaxPerc(0.5, 3.5, 50, 0.9), 1),
  ROW(CheckParamsLogTriangularMinMaxPerc(0.5, 3.5, 50, 3.5), 0),
  ROW(CheckParamsLogTriangularMLMaxPerc(1.2, 3.5, 50, 0.9), 1),
  ROW(CheckParamsLogTriangularMLMaxPerc(1.2, 3.5, 50, -0.9), 0),
  ROW(CheckParamsLogTriangularML2Perc(0, 90, 1, 10, 2), 0),
  ROW(CheckParamsTriangularML2Perc(0, 90, 1, 10, 2), 1),
  ROW(CheckParamsLogTriangularMin2Perc(0.5, 90, 1, 10, 2), 1),
  ROW(CheckParamsLogTriangularMin2Perc(-0.5, 90, 1, 10, 2), 0),
  ROW(CheckParamsLogTriangularMax2Perc(2.5, 90, 1, 10, 2), 1),
  ROW(CheckParamsLogTriangularMax2Perc(2.5, 90, 1, 10, 2.5), 0),
  ROW(CheckParamsLogTriangular3Perc(90, 0.4, 50, 1, 10, 2), 1),
  ROW(CheckParamsLogTriangular3Perc(90, -1, 50, 1, 10, 2), 0),
  ROW(CheckParamsTriangular3Perc(90, -1, 50, 1, 10, 2), 1),
  // Pert: the Triangular tests.
  ROW(CheckParamsPertMinMLPerc(2.1, 5.3, 50, 3.3), 1),
  ROW(CheckParamsPertMinMLPerc(2.1, 1.9, 50, 3.3), 0),
  ROW(CheckParamsPertMinMaxPerc(2.1, 11.7, 30, 5.2), 1),
  ROW(CheckParamsPertMinMaxPerc(2.1, 11.7, 30, 1.2), 0),
  ROW(CheckParamsPertMLMaxPerc(5.3, 11.7, 30, 11.8), 0),
  ROW(CheckParamsPertMin2Perc(2.1, 90, 3.1, 10, 8.2), 1),
  ROW(CheckParamsPertMax2Perc(8.2, 90, 3.1, 10, 8.2), 0),
  ROW(CheckParamsPertML2Perc(-1e9, 90, 3.1, 10, 8.2), 1),
  ROW(CheckParamsPert3Perc(90, 3.1, 50, 5.2, 10, 8.2), 1),
  ROW(CheckParamsPert3Perc(90, 3.1, 50, 5.2, 10, 5.2), 0),
  // Beta: shapes above 0.3 (by more than 1e-4) summing below 100000; the
  // six pairs of four points; bounds never compared with the values.
  ROW(CheckParamsBeta4Perc(95, 1, 70, 2, 30, 3, 5, 4), 1),
  ROW(CheckParamsBeta4Perc(5, 4, 30, 3, 70, 2, 95, 1), 1),
  ROW(CheckParamsBeta4Perc(95, 1, 70, 5, 30, 3, 5, 4), 0),   // pair (2, 4)
  ROW(CheckParamsBeta4Perc(95, 1, 70, 2, 30, 3, 70, 4), 0),  // pair (2, 4) equal percents
  ROW(CheckParamsBeta4Perc(95, 1, 70, 2, 30, 3, 0.2, 4), 0),
  ROW(CheckParamsBetaAlpha3Perc(0.3, 90, 1, 50, 2, 10, 3), 0),
  ROW(CheckParamsBetaAlpha3Perc(0.3002, 90, 1, 50, 2, 10, 3), 1),
  ROW(CheckParamsBetaBeta3Perc(0.29, 90, 1, 50, 2, 10, 3), 0),
  ROW(CheckParamsBetaBeta3Perc(4.2, 90, 1, 50, 2, 10, 3), 1),
  ROW(CheckParamsBetaMin3Perc(kNaN, 90, 1, 50, 2, 10, 3), 1),  // the bound is not examined
  ROW(CheckParamsBetaMax3Perc(-7.5, 90, 1, 50, 2, 10, 3), 1),
  ROW(CheckParamsBetaMax3Perc(-7.5, 90, 1, 50, 2, 10, 1), 0),
  ROW(CheckParamsBetaAlphaBeta2Perc(2.5, 4.2, 90, 1, 10, 2), 1),
  ROW(CheckParamsBetaAlphaBeta2Perc(60000, 50000, 90, 1, 10, 2), 0),
  ROW(CheckParamsBetaMinAlpha2Perc(100, 2.5, 90, 1, 10, 2), 1),
  ROW(CheckParamsBetaMinBeta2Perc(100, 0.25, 90, 1, 10, 2), 0),
  ROW(CheckParamsBetaMaxAlpha2Perc(-100, 2.5, 90, 1, 10, 2), 1),
  ROW(CheckParamsBetaMaxBeta2Perc(1, 2.5, 90, 2, 10, 1), 0),
  ROW(CheckParamsBetaMinMax2Perc(3, 3, 90, 1, 10, 2), 0),
  ROW(CheckParamsBetaMinMax2Perc(1, 9, 90, 1, 10, 2), 1),
  ROW(CheckParamsBetaMinAlphaBetaPerc(1, 2.5, 4.2, 50, -77), 1),  // x is not examined
  ROW(CheckParamsBetaMinAlphaBetaPerc(1, 0.2, 4.2, 50, 3), 0),
  ROW(CheckParamsBetaMaxAlphaBetaPerc(9, 2.5, 4.2, 0.5, 3), 0),
  ROW(CheckParamsBetaMinMaxAlphaPerc(1, 9, 2.5, 50, 20), 1),      // x outside [min, max]
  ROW(CheckParamsBetaMinMaxAlphaPerc(9, 1, 2.5, 50, 3), 0),
  ROW(CheckParamsBetaMinMaxBetaPerc(1, 9, 0.25, 50, 3), 0),
  ROW(CheckParamsBetaMinMaxBetaPerc(1, 9, 1.75, 50, 3), 1),
};
// clang-format on

TEST(FitChecks, Table) {
  for (const Row& r : kRows) EXPECT_EQ(r.run(), r.expected) << r.call;
}

}  // namespace
