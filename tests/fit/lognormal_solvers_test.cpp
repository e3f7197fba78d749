// The LogNormal solvers: the cases worked by hand, the exact derivatives of
// the Newton callbacks, the progress lines, the three-point retries, and a
// wide-grid convergence study of the location searches.
#include <gsl/gsl_cdf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "fit/normal_testing.hpp"
#include "stoka/core.hpp"
#include "stoka/fit_normal.hpp"
#include "support/gsl_handler.hpp"

using fitn_test::Capture;
using fitn_test::kUntouched;
using fitn_test::Quiet;

namespace {
constexpr double kZ90 = 1.2815515655446006;  // sqrt(2) erf^-1(0.8), mpmath
const double kE = std::exp(1.0);

TEST(LogNormalSolvers, CasesByHand) {
  double a, b, c;
  {
    // sigma 1, mu 0, location 0 through e^z(90) at 0.9 and sd sqrt((e - 1) e).
    Capture out;
    ASSERT_EQ(CalcLogNormalDistributionByLocStDevPercAR(0, std::sqrt((kE - 1) * kE), std::exp(kZ90), 0.9, &a, &b, &c), 1);
    EXPECT_NEAR(a, std::exp(0.5), 1e-12);
    EXPECT_NEAR(b, std::sqrt((kE - 1) * kE), 1e-12);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(out.All(), "Converged:\n");
  }
  {
    Capture out;
    ASSERT_EQ(CalcLogNormalDistributionByMu2percLOG(0, 10 + std::exp(-kZ90), 0.1, 10 + std::exp(kZ90), 0.9, &a, &b, &c), 1);
    EXPECT_EQ(a, 0);
    EXPECT_NEAR(b, 1, 1e-12);
    EXPECT_NEAR(c, 10, 1e-12);
    ASSERT_GE(out.lines.size(), 5u);
    EXPECT_EQ(out.lines[0], "using newton method\n");
    EXPECT_EQ(out.lines[1], "iter        root   function \n");
    EXPECT_EQ(out.Count("Converged:\n"), 1);
    // The last iteration: "Converged:" and its line, root 1 and function 0.
    EXPECT_EQ(out.lines[out.lines.size() - 2], "Converged:\n");
    EXPECT_NE(out.lines.back().find(" 1.000 "), std::string::npos) << out.lines.back();
    EXPECT_GE(out.Count("lognormal_fdf_by_mu_2perc \n"), 1);
    EXPECT_GE(out.Count("p1_rank = 0.100 p1_val = 10.278 p2_rank = 0.900 p2_val = 13.602\n"), 1);
  }
  {
    // sd 2, mean 7, the value at 25 %: no progress lines.
    Capture out;
    ASSERT_EQ(CalcLogNormalDistributionByStDevMeanPercAR(2, 7, 5.9, 0.25, &a, &b, &c), 1);
    EXPECT_TRUE(out.lines.empty());
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 2);
    double mu, sigma;
    ConvertParamsLogNormalArToLog(c, 7, 2, &mu, &sigma);
    EXPECT_NEAR(stoka_ran_lognormal_cdf_inv(0.25, c, mu, sigma), 5.9, 1e-9);
  }
}

// A failed check writes nothing; a search that breaks down writes zeros.
TEST(LogNormalSolvers, FailuresAndTheirOutputs) {
  Quiet quiet;
  const GslHandler gsl_quiet(IgnoreGslError);
  struct Row {
    const char* what;
    std::function<int(double*, double*, double*)> call;
    double written;  // kUntouched: nothing written; 0: zeros
  };
  const Row rows[] = {
      {"Mean2perc values against fractions", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByMean2percAR(5, 3, 0.1, 2, 0.9, a, b, c); }, kUntouched},
      {"StDev2perc sd 0", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByStDev2percAR(0, 2, 0.1, 3, 0.9, a, b, c); }, kUntouched},
      {"StDevMeanPerc fraction 0.005", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByStDevMeanPercAR(1, 2, 3, 0.005, a, b, c); }, kUntouched},
      {"LocStDevPerc value at the location", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByLocStDevPercAR(3, 1, 3, 0.5, a, b, c); }, kUntouched},
      {"3Perc equal fractions", [](double* a, double* b, double* c) { return CalcLogNormalDistributionBy3PercAR(1, 2, 3, 0.1, 0.1, 0.9, a, b, c); }, kUntouched},
      // Two fractions sharing one table entry leave sigma undetermined.
      {"Mu2perc fractions sharing an entry", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByMu2percLOG(0, 2, 0.101, 3, 0.104, a, b, c); }, kUntouched},
      // e^(sigma^2 + 2 log(1e300)) overflows at every trial sigma.
      {"LocStDevPerc overflowing", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByLocStDevPercAR(0, 1, 1e300, 0.9, a, b, c); }, 0.0},
      // sigma 0 solves the mean-sd equation for any data; it is no fit.
      {"StDevMeanPerc, only sigma 0", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByStDevMeanPercAR(1, 2, 2, 0.5, a, b, c); }, 0.0},
  };
  for (const Row& r : rows) {
    double a = kUntouched, b = kUntouched, c = kUntouched;
    EXPECT_EQ(r.call(&a, &b, &c), 0) << r.what;
    EXPECT_EQ(a, r.written) << r.what;
    EXPECT_EQ(b, r.written) << r.what;
    EXPECT_EQ(c, r.written) << r.what;
  }
}

// Each derivative callback is the derivative of its function: central
// differences agree at points inside the domain.
TEST(LogNormalSolvers, DerivativesAreExact) {
  Quiet quiet;
  // Location 518, mu 0.3, sigma 0.7: values at 10 % and 90 %.
  const double loc = 518, mu = 0.3, sigma = 0.7;
  const double x1 = loc + std::exp(mu - kZ90 * sigma), x2 = loc + std::exp(mu + kZ90 * sigma);
  const double mean = loc + std::exp(mu + sigma * sigma / 2);
  const double sd = std::sqrt(std::expm1(sigma * sigma) * std::exp(2 * mu + sigma * sigma));
  double block[11] = {x1, x2, 0, 0.1, 0.9, 0, loc, sd, mean, 0, mu};
  struct Pair {
    const char* what;
    double (*f)(double, void*);
    double (*df)(double, void*);
    void (*fdf)(double, void*, double*, double*);
    double at[3];
  };
  const Pair pairs[] = {
      {"LocStDevPerc", lognormal_by_loc_stdev_perc, lognormal_deriv__by_loc_stdev_perc, lognormal_fdf_by_loc_stdev_perc, {0.35, 0.7, 1.9}},
      {"Mu2perc", lognormal_by_mu_2perc, lognormal_deriv_by_mu_2perc, lognormal_fdf_by_mu_2perc, {0.2, 0.7, 3.1}},
      {"Mean2perc", lognormal_by_mean_2perc, lognormal_deriv_by_mean_2perc, lognormal_fdf_by_mean_2perc, {450.0, 510.0, 517.5}},
      {"StDev2perc", lognormal_by_st_dev_2perc, lognormal_deriv_by_st_dev_2perc, lognormal_fdf_by_st_dev_2perc, {450.0, 510.0, 517.5}},
      {"StDevMeanPerc", lognormal_by_st_dev_mean_perc, lognormal_deriv_by_st_dev_mean_perc, lognormal_fdf_by_st_dev_mean_perc, {0.35, 0.7, 1.9}},
  };
  for (const Pair& p : pairs)
    for (double u : p.at) {
      const double h = 1e-7 * (1 + std::fabs(u));
      const double numeric = (p.f(u + h, block) - p.f(u - h, block)) / (2 * h);
      const double exact = p.df(u, block);
      EXPECT_NEAR(exact, numeric, 1e-5 * (std::fabs(exact) + 1e-3)) << p.what << " at " << u;
      double f, df;
      p.fdf(u, block, &f, &df);
      EXPECT_EQ(f, p.f(u, block)) << p.what;
      EXPECT_EQ(df, exact) << p.what;
    }
  // Outside the location searches' domains: 999999 from all three.
  for (double u : {x1, x1 + 3.0}) {
    double f, df;
    lognormal_fdf_by_mean_2perc(u, block, &f, &df);
    EXPECT_EQ(f, 999999.0);
    EXPECT_EQ(df, 999999.0);
    EXPECT_EQ(lognormal_by_st_dev_2perc(u, block), 999999.0);
    EXPECT_EQ(lognormal_deriv_by_st_dev_2perc(u, block), 999999.0);
  }
  double s, m, x, q;
  lognormal_by_st_dev_mean_perc_copyparams(block, &s, &m, &x, &q);
  EXPECT_TRUE(s == sd && m == mean && x == x1 && q == 0.1);
  double a1, a2, q1, q2;
  lognormal_by_st_dev_2perc_copyparams(block, &s, &a1, &q1, &a2, &q2);
  EXPECT_TRUE(s == sd && a1 == x1 && q1 == 0.1 && a2 == x2 && q2 == 0.9);
}

// Three values that no location fits (the spread of the values is far too
// wide for the percents): every step size of the list is tried, then 0.
TEST(LogNormalSolvers, ThreePointsRetryEveryStep) {
  Capture out;
  double a = kUntouched, b = kUntouched, c = kUntouched;
  EXPECT_EQ(CalcLogNormalDistributionBy3PercAR(1, 2, 3, 0.1, 0.11, 0.12, &a, &b, &c), 0);
  EXPECT_TRUE(a == 0 && b == 0 && c == 0);
  EXPECT_EQ(out.Count("    1 location = "), 7);
  EXPECT_EQ(out.Count("converged to minimum at\n"), 0);
  // With a usable step size the first run succeeds, and says so.
  Capture again;
  const double x1 = 2 + std::exp(-kZ90 * 0.4), x3 = 2 + std::exp(kZ90 * 0.4);
  ASSERT_EQ(CalcLogNormalDistributionBy3PercWithStepAR(x1, 3.0, x3, 0.1, 0.5, 0.9, &a, &b, &c, 100.0), 1);
  EXPECT_EQ(again.Count("    1 location = "), 1);
  EXPECT_EQ(again.Count("converged to minimum at\n"), 1);
  EXPECT_NEAR(c, 2, 1e-4);
}

// A lowest value of 0 puts the usual start (a tenth below it) on the value
// itself; the simplex starts one step below instead and finds the location.
TEST(LogNormalSolvers, ThreePointsFromZero) {
  Quiet quiet;
  double mean, sd, loc;
  // The closed form through (0, 1, 5) at 10/50/90 gives location -1/3.
  ASSERT_EQ(CalcLogNormalDistributionBy3PercAR(0, 1, 5, 0.1, 0.5, 0.9, &mean, &sd, &loc), 1);
  EXPECT_NEAR(loc, -1.0 / 3.0, 1e-3);
}

struct Study {
  int runs = 0, found = 0;
  double worst = 0;
};

// Known distributions on a wide grid -> two values at whole percents and the
// mean or the standard deviation -> the location searches. A run counts as
// converged when it reports 1; its residual is the largest of the distances
// of the fitted quantiles from the values (relative to their spread) and of
// the fitted mean or deviation from the given one (relative to the deviation).
Study RunStudy(bool by_mean) {
  const double locations[] = {-5000, -37.2, 0, 2.385, 518, 1e5};
  const double mus[] = {-2.3, 0, 1.7, 4.6, 9.2};
  const double sigmas[] = {0.05, 0.3, 0.8, 1.5, 2.5};
  const int percents[][2] = {{1, 99}, {5, 50}, {10, 90}, {25, 75}, {60, 95}, {3, 17}, {50, 51}, {88, 99}};
  Study st;
  for (double L : locations)
    for (double mu : mus)
      for (double s : sigmas)
        for (const auto& p : percents) {
          const double q1 = p[0] / 100.0, q2 = p[1] / 100.0;
          const double z1 = gsl_cdf_ugaussian_Pinv(q1), z2 = gsl_cdf_ugaussian_Pinv(q2);
          const double x1 = L + std::exp(mu + z1 * s), x2 = L + std::exp(mu + z2 * s);
          if (!(x2 > x1)) continue;  // too close to tell apart in doubles
          const double mean = L + std::exp(mu + s * s / 2);
          const double sd = std::sqrt(std::expm1(s * s) * std::exp(2 * mu + s * s));
          double m, d, loc;
          ++st.runs;
          const int r = by_mean ? CalcLogNormalDistributionByMean2percAR(mean, x1, q1, x2, q2, &m, &d, &loc)
                                : CalcLogNormalDistributionByStDev2percAR(sd, x1, q1, x2, q2, &m, &d, &loc);
          if (r != 1) continue;
          ++st.found;
          double fmu, fs;
          ConvertParamsLogNormalArToLog(loc, m, d, &fmu, &fs);
          const double y1 = loc + std::exp(fmu + z1 * fs), y2 = loc + std::exp(fmu + z2 * fs);
          const double given = by_mean ? std::fabs(m - mean) : std::fabs(d - sd);
          st.worst = std::max({st.worst, std::fabs(y1 - x1) / (x2 - x1), std::fabs(y2 - x2) / (x2 - x1), given / sd});
        }
  return st;
}

TEST(LogNormalSolvers, LocationSearchesConvergeOnAWideGrid) {
  Quiet quiet;
  const GslHandler gsl_quiet(IgnoreGslError);
  for (bool by_mean : {true, false}) {
    const Study st = RunStudy(by_mean);
    std::printf("%s: %d of %d runs converged, worst residual %.3g\n",
                by_mean ? "Mean2perc" : "StDev2perc", st.found, st.runs, st.worst);
    EXPECT_GT(st.runs, 1100);
    EXPECT_EQ(st.found, st.runs);
    EXPECT_LT(st.worst, 1e-7);
  }
}

}  // namespace
