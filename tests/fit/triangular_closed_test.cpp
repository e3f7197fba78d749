// The Triangular closed forms and the root search for the mode's probability,
// checked against the triangle's cumulative function written out here:
//   F(x) = (x - min)^2 / ((max - min)(ml - min))       for x <= ml,
//   F(x) = 1 - (max - x)^2 / ((max - min)(max - ml))   for x >= ml.
#include <gtest/gtest.h>

#include <cmath>

#include "stoka/fit.hpp"
#include "stoka/stoka.h"

namespace {

double Cdf(double x, double min, double ml, double max) {
  if (x <= ml) return (x - min) * (x - min) / ((max - min) * (ml - min));
  return 1 - (max - x) * (max - x) / ((max - min) * (max - ml));
}

// One point, two fixed parameters: (min, ml, max) written, F(x) = 1 - p/100.
struct OneRow {
  const char* what;
  int (*fit)(double, double, double, double, double*, double*, double*);
  double a, b, x, p;
};

TEST(TriangularClosed, OnePointForms) {
  // clang-format off
  const OneRow rows[] = {
    {"MinMl, point left of the mode",   CalcTriangularDistributionByMinMlPerc, 0.0, 5.0, 3.2, 70},
    {"MinMl, point on the mode",        CalcTriangularDistributionByMinMlPerc, 0.0, 5.0, 5.0, 40},
    {"MinMl, point right of the mode",  CalcTriangularDistributionByMinMlPerc, 0.0, 5.0, 7.9, 15},
    {"MinMl, negative values",          CalcTriangularDistributionByMinMlPerc, -8.5, -2.25, -1.0, 35},
    {"MinMax, point left of the mode",  CalcTriangularDistributionByMinMaxPerc, 2.1, 11.7, 3.0, 95},
    {"MinMax, point right of the mode", CalcTriangularDistributionByMinMaxPerc, 2.1, 11.7, 10.5, 5},
    {"MlMax, point right of the mode",  CalcTriangularDistributionByMlMaxPerc, 5.3, 11.7, 8.8, 20},
    {"MlMax, point left of the mode",   CalcTriangularDistributionByMlMaxPerc, 5.3, 11.7, 3.4, 85},
  };
  // clang-format on
  for (const OneRow& r : rows) {
    double min = 0, ml = 0, max = 0;
    ASSERT_EQ(r.fit(r.a, r.b, r.x, r.p, &min, &ml, &max), 1) << r.what;
    EXPECT_NEAR(Cdf(r.x, min, ml, max), 1 - r.p / 100, 1e-12) << r.what;
    EXPECT_LE(min, ml) << r.what;
    EXPECT_LE(ml, max) << r.what;
  }
}

// The given parameters come back unchanged.
TEST(TriangularClosed, FixedParametersCopied) {
  double min, ml, max;
  ASSERT_EQ(CalcTriangularDistributionByMinMlPerc(0.0, 5.0, 7.9, 15, &min, &ml, &max), 1);
  EXPECT_EQ(min, 0.0);
  EXPECT_EQ(ml, 5.0);
  ASSERT_EQ(CalcTriangularDistributionByMlMaxPerc(5.3, 11.7, 3.4, 85, &min, &ml, &max), 1);
  EXPECT_EQ(ml, 5.3);
  EXPECT_EQ(max, 11.7);
}

// A point whose probability is (x - min)/(max - min) is the mode itself.
TEST(TriangularClosed, PointAtTheModesProbability) {
  double min, ml, max;
  ASSERT_EQ(ConvertParamsTriangularMinMaxPerc_(2.0, 12.0, 75, 4.5, &min, &ml, &max), 1);
  EXPECT_EQ(ml, 4.5);
}

// The mode and two points: both left, both right, or one on each side (root
// search); the fitted triangle passes through both points.
TEST(TriangularClosed, ModeAndTwoPoints) {
  struct Row {
    const char* what;
    double ml, p1, x1, p2, x2, tolerance;
  };
  // Points of the triangle (2.1, 5.3, 11.7): F(5.3) = 1/3.
  const double lo = 2.1, mode = 5.3, hi = 11.7;
  auto q = [&](double c) { return stoka_ran_triangular_cdf_inv(c / 100, mode, lo, hi); };
  const Row rows[] = {
      {"both left of the mode", mode, 90, q(10), 75, q(25), 1e-12},
      {"both right of the mode", mode, 50, q(50), 10, q(90), 1e-12},
      {"either side: root search", mode, 90, q(10), 20, q(80), 5e-4},
      {"either side, given high first", mode, 20, q(80), 90, q(10), 5e-4},
  };
  for (const Row& r : rows) {
    double min = 0, ml = 0, max = 0;
    ASSERT_EQ(CalcTriangularDistributionByMl2Perc(r.ml, r.p1, r.x1, r.p2, r.x2, &min, &ml, &max), 1)
        << r.what;
    EXPECT_EQ(ml, r.ml) << r.what;
    EXPECT_NEAR(min, lo, r.tolerance * (hi - lo)) << r.what;
    EXPECT_NEAR(max, hi, r.tolerance * (hi - lo)) << r.what;
    EXPECT_NEAR(Cdf(r.x1, min, ml, max), 1 - r.p1 / 100, r.tolerance) << r.what;
    EXPECT_NEAR(Cdf(r.x2, min, ml, max), 1 - r.p2 / 100, r.tolerance) << r.what;
  }
}

// Two percents that round to the same whole percent leave the root search an
// empty bracket: no solution, min and max 0.0, the mode written.
TEST(TriangularClosed, EmptyBracketFails) {
  double min = 7.7, ml = 7.7, max = 7.7;
  EXPECT_EQ(CalcTriangularDistributionByMl2Perc(5.3, 89.8, 3.0, 89.6, 8.0, &min, &ml, &max), 0);
  EXPECT_EQ(min, 0.0);
  EXPECT_EQ(max, 0.0);
  EXPECT_EQ(ml, 5.3);
  min = max = 7.7;
  EXPECT_EQ(stoka_ran_triangular_params(10, 3.0, 10, 8.0, 5.3, &min, &max), 0);
  EXPECT_EQ(min + max, 0.0);
}

// The search directly: whole cumulative percents, left point first.
TEST(TriangularClosed, RootSearch) {
  const double x1 = stoka_ran_triangular_cdf_inv(0.1, 5.3, 2.1, 11.7);
  const double x2 = stoka_ran_triangular_cdf_inv(0.9, 5.3, 2.1, 11.7);
  double min = 0, max = 0;
  ASSERT_EQ(stoka_ran_triangular_params(10, x1, 90, x2, 5.3, &min, &max), 1);
  EXPECT_NEAR(min, 2.1, 5e-3);
  EXPECT_NEAR(max, 11.7, 5e-3);
  // g at the ends of the bracket: the whole weight on one side.
  double block[5] = {0.1, x1, 0.9, x2, 5.3};
  EXPECT_DOUBLE_EQ(calc_g_val(0.1, x1, 0.9, x2, 5.3, 0.1), 1.0);
  EXPECT_DOUBLE_EQ(calc_g_val(0.1, x1, 0.9, x2, 5.3, 0.9), 0.0);
  EXPECT_DOUBLE_EQ(calc_func_for_trinagular_opt(0.1, block), 0.1 - 1.0);
  // at the true probability of the mode, 1/3, g gives it back
  EXPECT_NEAR(calc_func_for_trinagular_opt(1.0 / 3.0, block), 0.0, 1e-12);
}

// Values that do not increase with the percents: 0, the mode written, min and
// max untouched (the ConvertParams form does no checking of its own).
TEST(TriangularClosed, DecreasingValuesRefused) {
  double min = 7.7, ml = 7.7, max = 7.7;
  EXPECT_EQ(ConvertParamsTriangularML2Perc_(5.3, 90, 8.0, 10, 3.0, &min, &ml, &max), 0);
  EXPECT_EQ(ml, 5.3);
  EXPECT_EQ(min, 7.7);
  EXPECT_EQ(max, 7.7);
}

}  // namespace
