// Sample statistics through the flat interface: hand-computed values, the
// selection-based percentiles against sort-then-interpolate, empty samples and
// the frequency table.
#include <gsl/gsl_sort.h>
#include <gsl/gsl_statistics_double.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "stats/support.hpp"
#include "stoka/stats.hpp"

using stats_test::SameBits;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTight = 1e-14;  // relative, closed forms of a handful of values

const std::vector<double> kX = {2.385, 7.12, 4.4, 9.031, 5.5, 3.2875};
const std::vector<double> kY = {1.75, 6.02, 3.3, 8.8, 6.1, 2.05};

// Reference: sort a copy, then GSL's interpolation on the sorted data.
double SortedPercentile(std::vector<double> v, double p, bool upper) {
  gsl_sort(v.data(), 1, v.size());
  return gsl_stats_quantile_from_sorted_data(v.data(), 1, v.size(),
                                             upper ? (100 - p) / 100 : p / 100);
}
double SortedMedian(std::vector<double> v) {
  gsl_sort(v.data(), 1, v.size());
  return gsl_stats_median_from_sorted_data(v.data(), 1, v.size());
}

}  // namespace

// Expected values: mpmath at 40 digits, from the textbook definitions (sample
// variance over n - 1, skew and excess kurtosis standardised by that sd, lag-1
// autocorrelation over the full sum of squares).
TEST(Statistics, MatchIndependentComputation) {
  const int n = static_cast<int>(kX.size());
  struct Case {
    const char* name;
    double got, expected;
  } cases[] = {
      {"mean", stoka_stats_mean(kX.data(), n), 5.28725},
      {"variance", stoka_stats_variance(kX.data(), n), 6.125833375},
      {"sd", stoka_stats_sd(kX.data(), n), 2.4750420956016081465},
      {"skew", stoka_stats_skew(kX.data(), n), 0.28026397922744649705},
      {"kurtosis", stoka_stats_kurtosis(kX.data(), n), -1.6885339578910859985},
      {"max", stoka_stats_max(kX.data(), n), 9.031},
      {"min", stoka_stats_min(kX.data(), n), 2.385},
      {"correlation", stoka_stats_correlation(kX.data(), kY.data(), n), 0.96980893183171316088},
      {"autocorrelation", stoka_stats_autocorrelation(kX.data(), n), -0.32308460601901369869},
      // sorted: 2.385 3.2875 4.4 5.5 7.12 9.031; index 0.375 * 5 = 1.875
      {"percentile 37.5", stoka_stats_percentile(kX.data(), n, 37.5, false), 4.2609375},
      {"upper 62.5", stoka_stats_percentile(kX.data(), n, 62.5, true), 4.2609375},
      {"median", stoka_stats_median(kX.data(), n), 4.95},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(c.got, c.expected, kTight * std::fabs(c.expected)) << c.name;
}

TEST(Statistics, PercentileEdges) {
  const double three[] = {3, 1, 2};
  const double four[] = {4, 1, 3, 2};
  struct Case {
    const double* data;
    int n;
    double p;
    bool upper;
    double expected;
  } cases[] = {
      {three, 3, 50, false, 2.0},  {three, 3, 0, false, 1.0},   {three, 3, 100, false, 3.0},
      {three, 3, 0, true, 3.0},    {three, 3, -0.1, false, 0.0}, {three, 3, 100.1, false, 0.0},
      {three, 3, kNaN, false, 0.0}, {three, 0, 50, false, 0.0},  {three, -4, 50, true, 0.0},
      {nullptr, 3, 50, false, 0.0}, {four, 4, 50, false, 2.5},   {four, 1, 73.2, true, 4.0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(stoka_stats_percentile(c.data, c.n, c.p, c.upper), c.expected)
        << "n " << c.n << " p " << c.p << " upper " << c.upper;
  // The top-counted percentile at 10 is the plain one at 90.
  EXPECT_TRUE(SameBits(stoka_stats_percentile(kX.data(), 6, 10, true),
                       stoka_stats_percentile(kX.data(), 6, 90, false)));
  EXPECT_EQ(stoka_stats_median(four, 4), 2.5);
}

// Selection gives the very bits of sorting then interpolating, and leaves the
// caller's array as it was.
TEST(Statistics, SelectionIdenticalToSort) {
  std::vector<std::vector<double>> samples;
  for (int n : {1, 2, 3, 4, 5, 7, 10, 64, 1001, 4096})
    samples.push_back(stats_test::Uniform(11u + n, n, -3.7, 12.9));
  for (int n : {2, 9, 100, 2500}) samples.push_back(stats_test::FewDistinct(7u + n, n, 4));
  samples.push_back(std::vector<double>(17, 2.385));
  samples.push_back({0.0, -0.0, 1.5, -0.0, 0.0, -2.25});  // signed zeros
  samples.push_back({-0.0, -0.0, 3.0, 1.0});
  samples.push_back({1.0, kNaN, 0.5, 3.5, kNaN});  // no order: both take the sort
  samples.push_back({-1e308, 1e308, 0.25, INFINITY, -INFINITY});
  const double ps[] = {0, 0.1, 1, 10, 25, 33.3, 50, 62.5, 75, 90, 99, 99.99, 100};
  for (const auto& s : samples) {
    const std::vector<double> before = s;
    const int n = static_cast<int>(s.size());
    for (double p : ps)
      for (bool upper : {false, true})
        EXPECT_TRUE(SameBits(stoka_stats_percentile(s.data(), n, p, upper),
                             SortedPercentile(s, p, upper)))
            << "n " << n << " p " << p << " upper " << upper;
    EXPECT_TRUE(SameBits(stoka_stats_median(s.data(), n), SortedMedian(s))) << "n " << n;
    for (int i = 0; i < n; ++i) EXPECT_TRUE(SameBits(s[i], before[i])) << "reordered at " << i;
  }
}

// Without enough values the statistics are not defined: NaN, and nothing read.
TEST(Statistics, TooFewValuesGiveNaN) {
  const double one[] = {4.75};
  struct Case {
    const char* name;
    double got;
  } cases[] = {
      {"mean 0", stoka_stats_mean(nullptr, 0)},
      {"mean -3", stoka_stats_mean(one, -3)},
      {"max 0", stoka_stats_max(nullptr, 0)},
      {"min 0", stoka_stats_min(nullptr, 0)},
      {"median 0", stoka_stats_median(nullptr, 0)},
      {"median null", stoka_stats_median(nullptr, 5)},
      {"variance 1", stoka_stats_variance(one, 1)},
      {"sd 1", stoka_stats_sd(one, 1)},
      {"skew 1", stoka_stats_skew(one, 1)},
      {"kurtosis 1", stoka_stats_kurtosis(one, 1)},
      {"correlation 1", stoka_stats_correlation(one, one, 1)},
      {"correlation null", stoka_stats_correlation(one, nullptr, 4)},
      {"autocorrelation 1", stoka_stats_autocorrelation(one, 1)},
      {"expected value 0", expected_value(nullptr, 0)},
      {"mean frequency 0", mean_frequency_value(one, 0)},
  };
  for (const auto& c : cases) EXPECT_TRUE(std::isnan(c.got)) << c.name;
  EXPECT_EQ(stoka_stats_mean(one, 1), 4.75);
  EXPECT_EQ(stoka_stats_median(one, 1), 4.75);
}

TEST(FrequencyTable, RunsWithinTolerance) {
  struct Case {
    std::vector<double> data;
    std::vector<double> values, probs;
  } cases[] = {
      {{1, 1, 2, 2, 2, 5}, {1, 2, 5}, {1.0 / 3, 0.5, 1.0 / 6}},
      // 1.0000012 is more than 1e-6 from the run's first value.
      {{1.0, 1.0000005, 1.0000012}, {1.0, 1.0000012}, {2.0 / 3, 1.0 / 3}},
      {{-2.5}, {-2.5}, {1.0}},
      {{0.3, 0.3000009, 0.3000018, 0.3000027}, {0.3, 0.3000018}, {0.5, 0.5}},
  };
  for (const auto& c : cases) {
    const int n = static_cast<int>(c.data.size());
    std::vector<double> values(n, -7.0), probs(n, -7.0);
    int count = -1;
    EXPECT_EQ(table_of_prob_for_sorted_data(c.data.data(), n, values.data(), probs.data(), &count),
              0);
    ASSERT_EQ(count, static_cast<int>(c.values.size()));
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(values[i], c.values[i]);
      EXPECT_DOUBLE_EQ(probs[i], c.probs[i]);
    }
  }
  int count = -1;
  EXPECT_EQ(table_of_prob_for_sorted_data(nullptr, 0, nullptr, nullptr, &count), 0);
  EXPECT_EQ(count, 0);
}

// A NaN equals nothing, not even itself: each NaN is a run of its own, and
// there are never more runs than elements (the arrays hold exactly n).
TEST(FrequencyTable, NaNRunsStayInsideTheArrays) {
  const std::vector<double> data = {kNaN, kNaN, kNaN};
  std::vector<double> values(3), probs(3);
  int count = 0;
  table_of_prob_for_sorted_data(data.data(), 3, values.data(), probs.data(), &count);
  EXPECT_EQ(count, 3);
  for (double p : probs) EXPECT_DOUBLE_EQ(p, 1.0 / 3);
  stats_test::Silence quiet;
  EXPECT_TRUE(std::isnan(expected_value(data.data(), 3)));
  EXPECT_DOUBLE_EQ(mean_frequency_value(data.data(), 3), 1.0 / 3);
}

TEST(FrequencyTable, ExpectedValuePrintsOneLinePerRun) {
  const double data[] = {2, 1, 2};
  double e;
  {
    stats_test::Capture out;
    e = expected_value(data, 3);
    EXPECT_EQ(out.joined(),
              "i = 0, val = 1.000000, p_val = 0.333333 \n"
              "i = 1, val = 2.000000, p_val = 0.666667 \n");
  }
  EXPECT_DOUBLE_EQ(e, 5.0 / 3);
  {
    stats_test::Capture out;
    EXPECT_DOUBLE_EQ(mean_frequency_value(data, 3), 0.5);
    EXPECT_TRUE(out.lines().empty());
  }
  // The caller's order is kept.
  EXPECT_EQ(data[0], 2);
  EXPECT_EQ(data[1], 1);
}
