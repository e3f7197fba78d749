// Normal fits through the flat interface: closed forms over the table
// quantile, the fixed-percent fit, the simplex twin and the flat twins.
#include <gsl/gsl_cdf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "fit/normal_testing.hpp"
#include "stoka/core.hpp"
#include "stoka/fit_normal.hpp"
#include "support/twin_check.hpp"

using fitn_test::Capture;
using fitn_test::kUntouched;

namespace {
// The standard normal quantile at 90 %: sqrt(2) erf^-1(0.8) (mpmath, 30 digits).
constexpr double kZ90 = 1.2815515655446006;
// At 99 %: sqrt(2) erf^-1(0.98).
constexpr double kZ99 = 2.3263478740408408;

struct Case {
  const char* what;
  std::function<int(double*, double*)> call;
  int rc;
  double first, second;  // expected outputs, or kUntouched
};

// Each row: a call through the flat interface, its code and both outputs.
const Case kCases[] = {
    {"mean and P 10", [](double* m, double* s) { return CalcGaussianDistributionByMeanPerc(100, 119.22327348316901, 10, m, s); }, 1, 100, 15},
    {"mean and P 50", [](double* m, double* s) { return CalcGaussianDistributionByMeanPerc(100, 119.2, 50, m, s); }, 0, kUntouched, kUntouched},
    {"value at the mean", [](double* m, double* s) { return CalcGaussianDistributionByMeanPerc(100, 100, 10, m, s); }, 0, kUntouched, kUntouched},
    {"minimum above the mean", [](double* m, double* s) { return CalcGaussianDistributionByMeanPerc(10, 11, kPercentileMin, m, s); }, 0, kUntouched, kUntouched},
    {"minimum below the mean", [](double* m, double* s) { return CalcGaussianDistributionByMeanPerc(10, -2.3, kPercentileMin, m, s); }, 1, 10, 12.3 / 6},
    {"maximum above the mean", [](double* m, double* s) { return CalcGaussianDistributionByMeanPerc(-4.5, 8.1, kPercentileMax, m, s); }, 1, -4.5, 12.6 / 6},
    // Cumulative 50.3 rounds to the median's score 0: no scale can follow.
    {"percent at the median's entry", [](double* m, double* s) { return CalcGaussianDistributionByMeanPerc(5, 5.2, 49.7, m, s); }, 0, kUntouched, kUntouched},
    {"sigma at P 50", [](double* m, double* s) { return CalcGaussianDistributionByStDevPerc(2, 7, 50, m, s); }, 1, 7, 2},
    {"sigma at the maximum", [](double* m, double* s) { return CalcGaussianDistributionByStDevPerc(2.5, 7, kPercentileMax, m, s); }, 1, 7 - 15, 2.5},
    {"sigma at P 0.5 (99.5 read as 99)", [](double* m, double* s) { return CalcGaussianDistributionByStDevPerc(2, 7, 0.5, m, s); }, 1, 7 - 2 * kZ99, 2},
    {"sigma at P 99.5 (0.5 read as 0)", [](double* m, double* s) { return CalcGaussianDistributionByStDevPerc(2, 7, 99.5, m, s); }, 0, kUntouched, kUntouched},
    {"sigma 0", [](double* m, double* s) { return CalcGaussianDistributionByStDevPerc(0, 7, 10, m, s); }, 0, kUntouched, kUntouched},
    {"minimum and maximum", [](double* m, double* s) { return CalcGaussianDistributionBy2Perc(0, 12, kPercentileMin, kPercentileMax, m, s); }, 1, 6, 1},
    {"two percents", [](double* m, double* s) { return CalcGaussianDistributionBy2Perc(3.7 - 1.25 * kZ90, 3.7 + 1.25 * kZ99, 90, 1, m, s); }, 1, 3.7, 1.25},
    {"equal percents", [](double* m, double* s) { return CalcGaussianDistributionBy2Perc(1, 2, 25, 25, m, s); }, 0, kUntouched, kUntouched},
    {"values against percents", [](double* m, double* s) { return CalcGaussianDistributionBy2Perc(2, 1, 90, 10, m, s); }, 0, kUntouched, kUntouched},
    // 10.2 and 10.4 pass the check but share the table entry of 90 %.
    {"percents sharing an entry", [](double* m, double* s) { return CalcGaussianDistributionBy2Perc(1, 2, 10.4, 10.2, m, s); }, 0, kUntouched, kUntouched},
    {"percent out of range", [](double* m, double* s) { return CalcGaussianDistributionBy2Perc(1, 2, 99.2, 10, m, s); }, 0, kUntouched, kUntouched},
    // Fixed cumulative percents, outputs (sigma, mean): sigma = (x1 - x2) / (z1 - z2).
    {"fixed 10 and 90", [](double* s, double* m) { return stoka_ran_gaussian_params(10, 4.1, 90, 9.6, s, m); }, 1, -5.5 / -2.5631, 9.6 - 1.28155 * (5.5 / 2.5631)},
    {"fixed, falling values", [](double* s, double* m) { return stoka_ran_gaussian_params(10, 9.6, 90, 4.1, s, m); }, 1, 5.5 / -2.5631, 4.1 - 1.28155 * (-5.5 / 2.5631)},
    {"fixed 20", [](double* s, double* m) { return stoka_ran_gaussian_params(20, 4.1, 90, 9.6, s, m); }, 0, kUntouched, kUntouched},
    {"fixed, one percent twice", [](double* s, double* m) { return stoka_ran_gaussian_params(25, 4.1, 25, 9.6, s, m); }, 0, kUntouched, kUntouched},
};

TEST(NormalFit, ClosedFormsSeenByAHost) {
  for (const Case& c : kCases) {
    double a = kUntouched, b = kUntouched;
    EXPECT_EQ(c.call(&a, &b), c.rc) << c.what;
    EXPECT_NEAR(a, c.first, 1e-12 * (1 + std::fabs(c.first))) << c.what;
    EXPECT_NEAR(b, c.second, 1e-12 * (1 + std::fabs(c.second))) << c.what;
  }
}

TEST(NormalFit, SixSigmaBounds) {
  EXPECT_NEAR(NormalCalcMin(10, 2), -2, 1e-13);
  EXPECT_NEAR(NormalCalcMax(10, 2), 22, 1e-13);
  EXPECT_NEAR(NormalCalcMax(-3.125, 0.75), -3.125 + 4.5, 1e-13);
}

TEST(NormalFit, ChecksOfTheCodes) {
  // The codes stand for 0 and 100 in the order test.
  EXPECT_EQ(CheckParamsNormal2Perc(kPercentileMin, 1, kPercentileMax, 2), 1);
  EXPECT_EQ(CheckParamsNormal2Perc(kPercentileMax, 1, kPercentileMin, 2), 0);
  EXPECT_EQ(CheckParamsNormal2Perc(kPercentileMin, 1, kPercentileMin, 2), 0);
  EXPECT_EQ(CheckParamsNormalSigmaPerc(1.5, kPercentileMin, -1e300), 1);
  EXPECT_EQ(CheckParamsNormalSigmaPerc(1.5, NAN, 1), 0);
  EXPECT_EQ(CheckParamsNormalMeanPerc(0, NAN, 1), 0);
}

// Known (mean, sigma) -> values at whole percents from GSL's exact quantile ->
// each entry point gives the parameters back, and the fitted distribution
// puts the values at their percents.
TEST(NormalFit, RoundTripsAtWholePercents) {
  const double means[] = {-412.5, 0.0, 2.385, 7731.0};
  const double sigmas[] = {0.0173, 1.9, 240.0};
  const double percents[][2] = {{90, 10}, {1, 99}, {37, 50}, {75, 2}, {50, 3}};
  for (double mean : means)
    for (double sigma : sigmas)
      for (const auto& P : percents) {
        auto value = [&](double p) { return mean + sigma * gsl_cdf_ugaussian_Pinv((100 - p) / 100); };
        const double x1 = value(P[0]), x2 = value(P[1]);
        const double tol = 1e-12 * (std::fabs(mean) + sigma);
        double m, s;
        ASSERT_EQ(CalcGaussianDistributionBy2Perc(x1, x2, P[0], P[1], &m, &s), 1);
        EXPECT_NEAR(m, mean, tol);
        EXPECT_NEAR(s, sigma, 1e-12 * sigma + tol * 1e-2);
        EXPECT_NEAR(stoka_ran_gaussian_cdf_inv((100 - P[0]) / 100, m, s), x1, tol);
        EXPECT_NEAR(stoka_ran_gaussian_cdf_inv((100 - P[1]) / 100, m, s), x2, tol);
        const double Pv = P[0] == 50 ? P[1] : P[0], xv = P[0] == 50 ? x2 : x1;
        ASSERT_EQ(CalcGaussianDistributionByMeanPerc(mean, xv, Pv, &m, &s), 1);
        EXPECT_NEAR(s, sigma, 1e-11 * sigma + tol * 1e-2);
        ASSERT_EQ(CalcGaussianDistributionByStDevPerc(sigma, x1, P[0], &m, &s), 1);
        EXPECT_NEAR(m, mean, tol);
      }
}

// The simplex twin agrees with the closed form where the table is exact, and
// reports its progress through the output sink.
TEST(NormalFit, SimplexTwinMatchesTheClosedForm) {
  struct Row {
    double x1, x2, P1, P2;
  };
  const Row rows[] = {{0, 12, kPercentileMin, kPercentileMax},
                      {100 - 15 * kZ90, 100 + 15 * kZ90, 90, 10},
                      {-3.3, 41.7, 75, 5},
                      {0.25, 0.31, 60, 20}};
  for (const Row& r : rows) {
    double m0, s0, m = kUntouched, s = kUntouched;
    ASSERT_EQ(CalcGaussianDistributionBy2Perc_(r.x1, r.x2, r.P1, r.P2, &m0, &s0), 1);
    Capture out;
    ASSERT_EQ(CalcGaussianDistributionBy2Perc__(r.x1, r.x2, r.P1, r.P2, &m, &s), 1) << r.x1;
    // The size test stops at a simplex of 0.001: the point is that close.
    EXPECT_NEAR(m, m0, 2e-3) << r.x1;
    EXPECT_NEAR(s, s0, 2e-3) << r.x1;
    ASSERT_GE(out.lines.size(), 2u);
    EXPECT_EQ(out.Count("converged to minimum at\n"), 1);
    EXPECT_EQ(out.Count("    1 mean = "), 1) << out.lines.front();
    char last[128];
    std::snprintf(last, sizeof last, "mean = %.3f st_dev = %.3f", m, s);
    EXPECT_NE(out.lines.back().find(last), std::string::npos) << out.lines.back();
  }
  double m = kUntouched, s = kUntouched;
  EXPECT_EQ(CalcGaussianDistributionBy2Perc__(2, 1, 90, 10, &m, &s), 0);
  EXPECT_EQ(m, kUntouched);
}

TEST(NormalFit, SimplexObjective) {
  // Block (x1, x2, P1, P2); at the exact parameters the distance is 0, and a
  // negative deviation is charged on top of the distance.
  double block[4] = {100 - 15 * kZ90, 100 + 15 * kZ90, 90, 10};
  gsl_vector* x = gsl_vector_alloc(2);
  gsl_vector_set(x, 0, 100), gsl_vector_set(x, 1, 15);
  EXPECT_NEAR(gaussian_min(x, block), 0.0, 1e-6);
  gsl_vector_set(x, 1, -15);
  EXPECT_NEAR(gaussian_min(x, block), 999999.0 + std::sqrt(4 * 15 * kZ90), 1e-6);
  gsl_vector_set(x, 1, 0);
  EXPECT_NEAR(gaussian_min(x, block), std::sqrt(2 * 15 * kZ90), 1e-9);
  gsl_vector_free(x);
}

}  // namespace

// Every flat twin of the Normal and LogNormal fitters forwards unchanged.
TEST(FlatTwins, NormalAndLogNormalFits) {
  stoka_silence_output();
  STOKA_FLAT_FIT_NORMAL(STOKA_CHECK_TWIN, STOKA_SKIP_FLAT)
  stoka_default_output();
}
