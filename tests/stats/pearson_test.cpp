// The Pearson statistic: interval rule, hand-computed statistics, degenerate
// samples, and bit identity of the counted-once evaluation with a
// straightforward computation written here.
#include <gsl/gsl_vector.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "stats/pearson_counts.hpp"
#include "stats/support.hpp"
#include "stoka/stats.hpp"

using stats_test::ReferencePearson;
using stats_test::SameBits;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDegenerate = 999999.0;

// One family: its callback, its flat entry point, and candidate parameter sets
// around (and away from) the samples below, which lie in [0.4, 9.6).
struct Family {
  const char* name;
  stoka_cdf_fn cdf;
  double (*entry)(const std::vector<double>& p, const std::vector<double>& data);
  std::vector<std::vector<double>> candidates;
};

int N(const std::vector<double>& d) { return static_cast<int>(d.size()); }

const Family kFamilies[] = {
    {"beta", beta_cdf,
     [](const std::vector<double>& p, const std::vector<double>& d) {
       return stoka_ran_pearson_beta(p[0], p[1], p[2], p[3], N(d), d.data());
     },
     {{1.0, 1.0, 0.4, 9.6}, {2.385, 3.14, 0.1, 10.2}, {0.7, 0.45, 0.4, 9.6}, {5.5, 1.2, -3, 20},
      {2, 2, 9.7, 12.5}}},
    {"lognormal", lognormal_cdf_arf,
     [](const std::vector<double>& p, const std::vector<double>& d) {
       return stoka_ran_pearson_lognormal(p[0], p[1], p[2], N(d), d.data());
     },
     {{5.0, 2.5, 0.0}, {4.0, 1.0, 0.2}, {6.0, 3.0, -2.0}, {3.0, 2.0, 2.9}}},
    {"logtriangular", logtriangular_cdf,
     [](const std::vector<double>& p, const std::vector<double>& d) {
       return stoka_ran_pearson_logtriangular(p[0], p[1], p[2], N(d), d.data());
     },
     {{3.3, 0.35, 9.7}, {1.2, 0.4, 9.6}, {8.75, 2.5, 11.0}, {0.5, 0.1, 4.0}}},
    {"gaussian", gaussian_cdf,
     [](const std::vector<double>& p, const std::vector<double>& d) {
       return stoka_ran_pearson_gaussian(p[0], p[1], N(d), d.data());
     },
     {{5.0, 2.6}, {4.1, 0.9}, {-30, 1.5}, {5.2, 40.0}}},
    {"pert", pert_cdf,
     [](const std::vector<double>& p, const std::vector<double>& d) {
       return stoka_ran_pearson_pert(p[0], p[1], p[2], N(d), d.data());
     },
     {{5.0, 0.4, 9.6}, {2.2, 0.0, 10.0}, {9.1, 3.3, 9.5}, {6.6, 6.0, 7.0}}},
    {"triangular", triangular_cdf,
     [](const std::vector<double>& p, const std::vector<double>& d) {
       return stoka_ran_pearson_triangular(p[0], p[1], p[2], N(d), d.data());
     },
     {{5.0, 0.4, 9.6}, {0.4, 0.4, 9.6}, {9.6, 0.4, 9.6}, {3.1, -1.0, 12.0}, {11, 10, 12}}},
    {"uniform", uniform_cdf,
     [](const std::vector<double>& p, const std::vector<double>& d) {
       return pearson_uniform(p[0], p[1], N(d), d.data());
     },
     {{0.4, 9.6}, {0.0, 10.0}, {2.0, 7.5}, {-5.0, 40.0}}},
};

std::vector<std::vector<double>> Samples() {
  std::vector<std::vector<double>> s;
  for (int n : {2, 4, 10, 57, 100, 1000, 10000}) s.push_back(stats_test::Uniform(n, n, 0.4, 9.6));
  auto few = stats_test::FewDistinct(5u, 3000, 6);  // values on the interval edges
  for (double& x : few) x = 4.0 + x;
  s.push_back(few);
  return s;
}

}  // namespace

TEST(Pearson, IntervalCount) {
  const int cases[][2] = {{-5, 0},  {0, 0},     {1, 0},     {2, 0},      {3, 1},
                          {4, 2},   {10, 4},    {20, 7},    {50, 12},    {100, 17},
                          {1000, 37}, {10000, 66}, {100000, 104}, {1000000, 149}};
  for (const auto& c : cases) {
    EXPECT_EQ(define_intervals_count(c[0]), c[1]) << c[0];
    EXPECT_EQ(stoka_ran_define_intervals_count(c[0]), c[1]) << c[0];
  }
}

TEST(Pearson, IntervalsClosedOnTheRight) {
  struct Case {
    double value, lo, width;
    int expected;
  } cases[] = {
      {2.385, 2.385, 0.75, 0},  // the minimum itself is in interval 0
      {3.135, 2.385, 0.75, 0},  // t = 1 exactly: the upper end of interval 0
      {3.1351, 2.385, 0.75, 1},
      {5.385, 2.385, 0.75, 3},  // t = 4
      {5.3, 2.385, 0.75, 3},
      {-1.0, 0.0, 0.5, -3},  // t = -2 is whole: the rule applies below lo too
      {kNaN, 0.0, 0.5, -1},
      {1e300, 0.0, 1e-300, std::numeric_limits<int>::max()},
      {-1e300, 0.0, 1e-300, std::numeric_limits<int>::min()},
  };
  for (const auto& c : cases)
    EXPECT_EQ(calc_interval_number(c.value, c.lo, c.width), c.expected) << c.value;
}

// n = 10, k = 4 intervals of width 1 over [0, 4]; the values on the edges 1, 2,
// 3, 4 belong to the interval below them: counts 3, 2, 2, 3. Three terms.
TEST(Pearson, HandComputedStatistic) {
  const std::vector<double> d = {0, 0.5, 1, 1.5, 2, 2.5, 3, 3.5, 3.9, 4};
  // p = 1/4: (0.25 - 0.3)^2/0.25 + 2 (0.25 - 0.2)^2/0.25
  EXPECT_NEAR(pearson_uniform(0, 4, 10, d.data()), 0.03, 1e-15);
  // p = 1/8: (0.125 - 0.3)^2/0.125 + 2 (0.125 - 0.2)^2/0.125
  EXPECT_NEAR(pearson_uniform(0, 8, 10, d.data()), 0.335, 1e-15);
  // Triangular(ml 4, min 0, max 4): F = x^2/16, p = 1/16, 3/16, 5/16.
  const double tri = std::pow(1.0 / 16 - 0.3, 2) * 16 + std::pow(3.0 / 16 - 0.2, 2) * 16 / 3 +
                     std::pow(5.0 / 16 - 0.2, 2) * 16 / 5;
  EXPECT_NEAR(stoka_ran_pearson_triangular(4, 0, 4, 10, d.data()), tri, 1e-15);
}

TEST(Pearson, DegenerateSamplesAndCandidates) {
  const std::vector<double> u = stats_test::Uniform(3u, 100, 0.4, 9.6);
  const std::vector<double> constant(50, 2.385);
  std::vector<double> with_nan = u, with_inf = u;
  with_nan[17] = kNaN;
  with_inf[3] = INFINITY;
  struct Case {
    const char* name;
    double got, expected;
  } cases[] = {
      {"three values", pearson_uniform(0, 1, 3, u.data()), kDegenerate},
      {"one value", pearson_uniform(0, 1, 1, u.data()), kDegenerate},
      {"no value", pearson_uniform(0, 1, 0, nullptr), kDegenerate},
      {"negative n", stoka_ran_pearson_gaussian(0, 1, -8, u.data()), kDegenerate},
      {"null data", stoka_ran_pearson_beta(2, 2, 0, 10, 100, nullptr), kDegenerate},
      {"constant", stoka_ran_pearson_gaussian(2.385, 1, 50, constant.data()), kDegenerate},
      {"NaN value", pearson_uniform(0.4, 9.6, 100, with_nan.data()), kDegenerate},
      {"infinite value", pearson_uniform(0.4, 9.6, 100, with_inf.data()), kDegenerate},
      // Support above the sample: no interval has probability; 17 intervals, 16 terms.
      {"triangular above", stoka_ran_pearson_triangular(11, 10, 12, 100, u.data()),
       16 * kDegenerate},
      {"NaN parameter", stoka_ran_pearson_pert(kNaN, 0.4, 9.6, 100, u.data()), 16 * kDegenerate},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.name;
}

// A Uniform candidate on the sample's own range gives every interval 1 / k.
TEST(Pearson, UniformOnTheSampleRangeGivesEqualShares) {
  const std::vector<double> u = stats_test::Uniform(9u, 100, -2.5, 7.75);
  const PearsonCounts counts(u.data(), 100);
  ASSERT_EQ(counts.Intervals(), 17);
  double expected = 0;
  for (int i = 0; i < 16; ++i) {
    const double d = 1.0 / 17 - counts.Frequencies()[i];
    expected += d * d * 17;
  }
  const double lo = stoka_stats_min(u.data(), 100), hi = stoka_stats_max(u.data(), 100);
  EXPECT_NEAR(pearson_uniform(lo, hi, 100, u.data()), expected, 1e-13);
  double total = 0;
  for (double f : counts.Frequencies()) total += f;
  EXPECT_NEAR(total, 1.0, 1e-14);  // the maximum is counted too
}

// The callbacks against closed forms worked by hand.
TEST(Pearson, CallbacksAtHandComputedPoints) {
  struct Case {
    const char* name;
    stoka_cdf_fn cdf;
    std::vector<double> params;
    double v, expected;
  } cases[] = {
      // I_0.5(2, 4) = (10 + 10 + 5 + 1) / 32
      {"beta", beta_cdf, {2, 4, 1, 5}, 3, 26.0 / 32},
      // Pert(ml 2, min 1, max 5) is Beta(2, 4) on [1, 5]
      {"pert", pert_cdf, {2, 1, 5}, 3, 26.0 / 32},
      {"triangular", triangular_cdf, {3, 1, 6}, 2.5, 1.5 * 1.5 / 10},
      {"triangular below", triangular_cdf, {3, 1, 6}, 0.5, 0.0},
      // ln x triangular on [0, 2] with mode 1: F(e^0.5) = 0.25 / 2
      {"logtriangular", logtriangular_cdf, {M_E, 1, M_E * M_E}, std::exp(0.5), 0.125},
      {"logtriangular below", logtriangular_cdf, {M_E, 1, M_E * M_E}, 0.5, 0.0},
      {"gaussian", gaussian_cdf, {1.5, 2}, 1.5, 0.5},
      // mu 0, sigma 1, location 10 in arithmetic terms: F(10 + e^z) = Phi(z)
      {"lognormal median", lognormal_cdf_arf,
       {10 + std::exp(0.5), std::sqrt((M_E - 1) * M_E), 10}, 11, 0.5},
      {"lognormal at z = 1", lognormal_cdf_arf,
       {10 + std::exp(0.5), std::sqrt((M_E - 1) * M_E), 10}, 10 + M_E, 0.84134474606854293},
      {"uniform", uniform_cdf, {2, 6}, 3, 0.25},
  };
  for (const auto& c : cases) {
    gsl_vector_const_view x = gsl_vector_const_view_array(c.params.data(), c.params.size());
    EXPECT_NEAR(c.cdf(&x.vector, c.v), c.expected, 1e-14) << c.name;
  }
}

// Every entry point, calc_pearson on a strided vector, and counts reused over
// many candidates all give the bits of the straightforward computation.
TEST(Pearson, IdenticalToStraightforwardComputation) {
  for (const auto& data : Samples()) {
    const PearsonCounts counts(data.data(), N(data));
    std::vector<double> strided(2 * data.size(), kNaN);
    for (size_t i = 0; i < data.size(); ++i) strided[2 * i] = data[i];
    gsl_vector_const_view sv = gsl_vector_const_view_array_with_stride(strided.data(), 2,
                                                                       data.size());
    for (const auto& f : kFamilies)
      for (const auto& p : f.candidates) {
        const double expected = ReferencePearson(p, data, f.cdf);
        gsl_vector_const_view x = gsl_vector_const_view_array(p.data(), p.size());
        EXPECT_TRUE(SameBits(f.entry(p, data), expected)) << f.name << " n " << data.size();
        EXPECT_TRUE(SameBits(counts.Statistic(&x.vector, f.cdf), expected)) << f.name;
        EXPECT_TRUE(SameBits(calc_pearson(&x.vector, &sv.vector, f.cdf), expected)) << f.name;
      }
  }
}
