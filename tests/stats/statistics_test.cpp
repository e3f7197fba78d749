// Sample statistics and the Pearson statistic through the flat interface:
// hand-computed values, the selection-based percentiles against
// sort-then-interpolate, empty and degenerate samples, the frequency table.
#include <gsl/gsl_sort.h>
#include <gsl/gsl_statistics_double.h>

#include <climits>
#include <random>

#include "stoka/stats.hpp"
#include "support/rows.hpp"

using rows::Same;

namespace {

// n values uniform on [lo, hi), or on `distinct` values lo + 1.375 k only.
std::vector<double> Uniform(unsigned seed, int n, double lo, double hi, int distinct = 0) {
  std::mt19937_64 g(seed);
  std::uniform_real_distribution<double> u(lo, hi);
  std::uniform_int_distribution<int> k(0, distinct > 0 ? distinct - 1 : 0);
  std::vector<double> v(n);
  for (double& x : v) x = distinct > 0 ? lo + 1.375 * k(g) : u(g);
  return v;
}

// Expected values: mpmath at 40 digits, from the textbook definitions (sample
// variance over n - 1, skew and excess kurtosis standardised by that sd, lag-1
// autocorrelation over the full sum of squares); percentiles are held against
// GSL below. A percent outside [0, 100] or NaN gives 0; too few values NaN.
TEST(Statistics, HandComputedValuesAndEdges) {
  const double x[] = {2.385, 7.12, 4.4, 9.031, 5.5, 3.2875}, y[] = {1.75, 6.02, 3.3, 8.8, 6.1, 2.05};
  const double three[] = {3, 1, 2}, one[] = {4.75}, tight = 1e-14;
  rows::Check({
      NEAR(stoka_stats_mean(x, 6), 5.28725, tight), NEAR(stoka_stats_variance(x, 6), 6.125833375, tight),
      NEAR(stoka_stats_sd(x, 6), 2.4750420956016081465, tight), NEAR(stoka_stats_skew(x, 6), 0.28026397922744649705, tight),
      NEAR(stoka_stats_kurtosis(x, 6), -1.6885339578910859985, tight), ROW(stoka_stats_max(x, 6), 9.031),
      ROW(stoka_stats_min(x, 6), 2.385), NEAR(stoka_stats_correlation(x, y, 6), 0.96980893183171316088, tight),
      NEAR(stoka_stats_autocorrelation(x, 6), -0.32308460601901369869, tight),
      ROW(stoka_stats_percentile(three, 3, 100.1, false), 0), ROW(stoka_stats_percentile(three, 3, kNaN, false), 0),
      ROW(stoka_stats_mean(one, -3), kNaN), ROW(stoka_stats_variance(one, 1), kNaN),
      ROW(stoka_stats_correlation(one, nullptr, 4), kNaN), ROW(expected_value(nullptr, 0), kNaN),
      ROW(mean_frequency_value(one, 0), kNaN),
  });
}

// Selection gives the very bits of sorting then interpolating with GSL, and
// leaves the caller's array as it was.
TEST(Statistics, SelectionIdenticalToSort) {
  std::vector<std::vector<double>> samples = {
      std::vector<double>(17, 2.385), {0.0, -0.0, 1.5, -0.0, 0.0, -2.25}, {-0.0, -0.0, 3.0, 1.0},  // signed zeros
      {1.0, kNaN, 0.5, 3.5, kNaN},  // no order: both take the sort
      {-1e308, 1e308, 0.25, kInf, -kInf}};
  for (int n : {1, 2, 3, 4, 5, 7, 10, 64, 1001, 4096}) samples.push_back(Uniform(11u + n, n, -3.7, 12.9));
  for (int n : {2, 9, 100, 2500}) samples.push_back(Uniform(7u + n, n, -2.5, 0, 4));
  for (const auto& s : samples) {
    std::vector<double> sorted = s, again = s;
    const int n = static_cast<int>(s.size());
    gsl_sort(sorted.data(), 1, n);
    for (double p : {0.0, 0.1, 1.0, 10.0, 25.0, 33.3, 50.0, 62.5, 75.0, 90.0, 99.0, 99.99, 100.0})
      for (bool upper : {false, true})
        EXPECT_TRUE(Same(stoka_stats_percentile(again.data(), n, p, upper),
                         gsl_stats_quantile_from_sorted_data(sorted.data(), 1, n, (upper ? 100 - p : p) / 100)))
            << "n " << n << " p " << p << " upper " << upper;
    EXPECT_TRUE(Same(stoka_stats_median(again.data(), n), gsl_stats_median_from_sorted_data(sorted.data(), 1, n)));
    for (int i = 0; i < n; ++i) EXPECT_TRUE(Same(again[i], s[i]) && !std::signbit(again[i]) == !std::signbit(s[i]));
  }
}

// Runs of values within 1e-6 of a run's first value; a NaN equals nothing, not
// even itself, so each NaN is a run of its own and there are never more runs
// than elements. expected_value prints one line per run.
TEST(FrequencyTable, RunsWithinTolerance) {
  const std::vector<double> cases[][3] = {
      {{1, 1, 2, 2, 2, 5}, {1, 2, 5}, {1.0 / 3, 0.5, 1.0 / 6}},
      {{1.0, 1.0000005, 1.0000012}, {1.0, 1.0000012}, {2.0 / 3, 1.0 / 3}},
      {{0.3, 0.3000009, 0.3000018, 0.3000027}, {0.3, 0.3000018}, {0.5, 0.5}},
      {{kNaN, kNaN, kNaN}, {kNaN, kNaN, kNaN}, {1.0 / 3, 1.0 / 3, 1.0 / 3}},
  };
  for (const auto& c : cases) {
    const int n = static_cast<int>(c[0].size());
    std::vector<double> values(n, -7.0), probs(n, -7.0);
    int count = -1;
    EXPECT_EQ(table_of_prob_for_sorted_data(c[0].data(), n, values.data(), probs.data(), &count), 0);
    EXPECT_EQ(std::vector<double>(values.begin(), values.begin() + count).size(), c[1].size());
    for (int i = 0; i < count; ++i) EXPECT_TRUE(Same(values[i], c[1][i]) && std::fabs(probs[i] - c[2][i]) < 1e-15);
  }
  int count = -1;
  EXPECT_TRUE(table_of_prob_for_sorted_data(nullptr, 0, nullptr, nullptr, &count) == 0 && count == 0);
  const double data[] = {2, 1, 2}, nans[] = {kNaN, kNaN, kNaN};
  std::string out;
  stoka_set_output_callback([](const char* line, void* s) { static_cast<std::string*>(s)->append(line); }, &out);
  rows::Check({NEAR(expected_value(data, 3), 5.0 / 3, 1e-15), NEAR(mean_frequency_value(data, 3), 0.5, 1e-15),
               ROW(expected_value(nans, 3), kNaN), NEAR(mean_frequency_value(nans, 3), 1.0 / 3, 1e-15),
               ROW(data[0], 2), ROW(data[1], 1)});  // the caller's order is kept
  stoka_default_output();
  EXPECT_EQ(out.find("i = 0, val = 1.000000, p_val = 0.333333 \ni = 1, val = 2.000000, p_val = 0.666667 \n"), 0u);
}

// n = 10, k = 4 intervals of width 1 over [0, 4]; the values on the edges 1,
// 2, 3, 4 belong to the interval below them: counts 3, 2, 2, 3; three terms.
// Uniform on [0, 4]: p = 1/4; on [0, 8]: p = 1/8. Triangular(ml 4, min 0, max
// 4): F = x^2/16, p = 1/16, 3/16, 5/16. Degenerate samples give the penalty
// before anything is counted; a support that gives an interval no probability
// costs it for that term.
TEST(Pearson, IntervalsAndHandComputedStatistics) {
  const int counts[][2] = {{-5, 0}, {2, 0}, {3, 1}, {4, 2}, {10, 4}, {100, 17}, {10000, 66}, {1000000, 149}};
  for (const auto& c : counts)
    EXPECT_TRUE(define_intervals_count(c[0]) == c[1] && stoka_ran_define_intervals_count(c[0]) == c[1]) << c[0];
  const double d[] = {0, 0.5, 1, 1.5, 2, 2.5, 3, 3.5, 3.9, 4};
  const double tri = std::pow(1.0 / 16 - 0.3, 2) * 16 + std::pow(3.0 / 16 - 0.2, 2) * 16 / 3 +
                     std::pow(5.0 / 16 - 0.2, 2) * 16 / 5;
  const std::vector<double> u = Uniform(3u, 100, 0.4, 9.6), constant(50, 2.385);
  std::vector<double> with_nan = u, with_inf = u, edge(20, 0.035);
  with_nan[17] = kNaN;
  with_inf[3] = kInf;
  // 20 values over [0, 0.07]: k = 7 intervals of 0.01; the maximum rounds past
  // the last one, which takes no part in the sum: counts 1, 0, 0, 18, 0, 0.
  edge[0] = 0.0;
  edge[1] = 0.07;
  const double edged = 7 * std::pow(1.0 / 7 - 0.05, 2) + 7 * std::pow(1.0 / 7 - 0.9, 2) + 4.0 / 7;
  rows::Check({
      ROW(calc_interval_number(2.385, 2.385, 0.75), 0), ROW(calc_interval_number(3.135, 2.385, 0.75), 0),  // t = 1
      ROW(calc_interval_number(3.1351, 2.385, 0.75), 1), ROW(calc_interval_number(5.385, 2.385, 0.75), 3),
      ROW(calc_interval_number(-1.0, 0.0, 0.5), -3), ROW(calc_interval_number(kNaN, 0.0, 0.5), -1),
      ROW(calc_interval_number(1e300, 0.0, 1e-300), INT_MAX), ROW(calc_interval_number(-1e300, 0.0, 1e-300), INT_MIN),
      NEAR(pearson_uniform(0, 4, 10, d), 0.03, 1e-15), NEAR(pearson_uniform(0, 8, 10, d), 0.335, 1e-15),
      NEAR(stoka_ran_pearson_triangular(4, 0, 4, 10, d), tri, 1e-15), NEAR(pearson_uniform(0, 0.07, 20, edge.data()), edged, 1e-12),
      ROW(pearson_uniform(0, 1, 3, u.data()), kPenaltyVal), ROW(pearson_uniform(0, 1, 0, nullptr), kPenaltyVal),
      ROW(stoka_ran_pearson_gaussian(0, 1, -8, u.data()), kPenaltyVal),
      ROW(stoka_ran_pearson_beta(2, 2, 0, 10, 100, nullptr), kPenaltyVal),
      ROW(stoka_ran_pearson_gaussian(2.385, 1, 50, constant.data()), kPenaltyVal),
      ROW(pearson_uniform(0.4, 9.6, 100, with_nan.data()), kPenaltyVal),
      ROW(pearson_uniform(0.4, 9.6, 100, with_inf.data()), kPenaltyVal),
      ROW(stoka_ran_pearson_triangular(11, 10, 12, 100, u.data()), 16 * kPenaltyVal),  // 17 intervals
      ROW(stoka_ran_pearson_pert(kNaN, 0.4, 9.6, 100, u.data()), 16 * kPenaltyVal),
  });
}

// The callbacks against closed forms worked by hand, and every entry point
// against calc_pearson on a strided copy of its sample.
TEST(Pearson, CallbacksAndEntryPoints) {
  const double e = std::exp(1.0), ln_mean = 10 + std::exp(0.5), ln_sd = std::sqrt((e - 1) * e);
  const struct {
    stoka_cdf_fn cdf;
    std::vector<double> params;
    double v, expected;
  } cases[] = {
      {beta_cdf, {2, 4, 1, 5}, 3, 26.0 / 32},  // I_0.5(2, 4) = (10 + 10 + 5 + 1) / 32
      {pert_cdf, {2, 1, 5}, 3, 26.0 / 32},     // Beta(2, 4) on [1, 5]
      {triangular_cdf, {3, 1, 6}, 2.5, 1.5 * 1.5 / 10},
      // ln x triangular on [0, 2] with mode 1: F(e^0.5) = 0.25 / 2
      {logtriangular_cdf, {e, 1, e * e}, std::exp(0.5), 0.125},
      {gaussian_cdf, {1.5, 2}, 1.5, 0.5}, {uniform_cdf, {2, 6}, 3, 0.25},
      // mu 0, sigma 1, location 10 in arithmetic terms: F(10 + e^z) = Phi(z)
      {lognormal_cdf_arf, {ln_mean, ln_sd, 10}, 11, 0.5}, {lognormal_cdf_arf, {ln_mean, ln_sd, 10}, 10 + e, 0.84134474606854293},
  };
  for (const auto& c : cases) {
    gsl_vector_const_view x = gsl_vector_const_view_array(c.params.data(), c.params.size());
    EXPECT_NEAR(c.cdf(&x.vector, c.v), c.expected, 1e-14) << c.v;
  }
  std::vector<std::vector<double>> samples = {Uniform(5u, 3000, 1.5, 0, 6)};  // few values, on interval edges
  for (int n : {4, 10, 57, 100, 1000, 10000}) samples.push_back(Uniform(n, n, 0.4, 9.6));
  for (const auto& data : samples) {
    const int n = static_cast<int>(data.size());
    const double* d = data.data();
    std::vector<double> strided(2 * n, kNaN);
    for (int i = 0; i < n; ++i) strided[2 * i] = data[i];
    gsl_vector_const_view sv = gsl_vector_const_view_array_with_stride(strided.data(), 2, n);
    const struct {
      stoka_cdf_fn cdf;
      std::vector<double> p;  // around and away from the sample
      double chi;
    } rows[] = {
        {beta_cdf, {1, 1, 0.4, 9.6}, stoka_ran_pearson_beta(1, 1, 0.4, 9.6, n, d)},
        {beta_cdf, {2, 2, 9.7, 12.5}, stoka_ran_pearson_beta(2, 2, 9.7, 12.5, n, d)},
        {lognormal_cdf_arf, {3.0, 2.0, 2.9}, stoka_ran_pearson_lognormal(3.0, 2.0, 2.9, n, d)},
        {logtriangular_cdf, {0.5, 0.1, 4.0}, stoka_ran_pearson_logtriangular(0.5, 0.1, 4.0, n, d)},
        {gaussian_cdf, {-30, 1.5}, stoka_ran_pearson_gaussian(-30, 1.5, n, d)},
        {pert_cdf, {6.6, 6.0, 7.0}, stoka_ran_pearson_pert(6.6, 6.0, 7.0, n, d)},
        {triangular_cdf, {0.4, 0.4, 9.6}, stoka_ran_pearson_triangular(0.4, 0.4, 9.6, n, d)},
        {triangular_cdf, {11, 10, 12}, stoka_ran_pearson_triangular(11, 10, 12, n, d)},
        {uniform_cdf, {-5.0, 40.0}, pearson_uniform(-5.0, 40.0, n, d)},
    };
    for (const auto& r : rows) {
      gsl_vector_const_view x = gsl_vector_const_view_array(r.p.data(), r.p.size());
      EXPECT_TRUE(r.chi >= 0 && Same(calc_pearson(&x.vector, &sv.vector, r.cdf), r.chi)) << r.chi;
    }
  }
}

}  // namespace
