// Pairwise correlation induction.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "stoka/continuous.hpp"
#include "stoka/correlation.hpp"

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::unique_ptr<IDistribution> Normal(double mean, double sigma) {
  return std::make_unique<NormalDistribution>(new NormalRandomGenerator(mean, sigma));
}
std::unique_ptr<IDistribution> Triangular(double min, double ml, double max) {
  return std::make_unique<TriangularDistribution>(new TriangularRandomGenerator(min, max, ml));
}

// n draws of d by its quantile at evenly spread, shuffled probabilities.
std::vector<double> Sample(const IDistribution& d, int n, unsigned seed) {
  std::srand(seed);
  std::vector<double> out(n);
  for (int i = 0; i < n; ++i) out[i] = d.ValueByCDF((i + 0.5) / n);
  for (int i = n - 1; i > 0; --i) std::swap(out[i], out[std::rand() % (i + 1)]);
  return out;
}

// How many runtime draws were used since srand(seed): the position of the
// next draw in the seeded sequence.
int DrawsUsed(unsigned seed) {
  const int next = std::rand();
  std::srand(seed);
  for (int used = 0; used < 1000000; ++used)
    if (std::rand() == next) return used;
  return -1;
}
}  // namespace

TEST(Correlation, PearsonOnHandWorkedSamples) {
  // a = 1..5, b = 2,1,4,3,5: deviations (-2,-1,0,1,2) and (-1,-2,1,0,2),
  // products sum 8, squares 10 and 10: r = 0.8.
  EXPECT_NEAR(Correlation({1, 2, 3, 4, 5}, {2, 1, 4, 3, 5}), 0.8, 1e-15);
  // Sizes differ: the shorter length is used.
  EXPECT_NEAR(Correlation({1, 2, 3, 4, 5, 99}, {2, 1, 4, 3, 5}), 0.8, 1e-15);
  EXPECT_NEAR(Correlation({2.385, 4.77, 7.155}, {-1, -2, -3}), -1.0, 1e-15);
  EXPECT_TRUE(std::isnan(Correlation({}, {})));
  EXPECT_TRUE(std::isnan(Correlation({1.5}, {})));
}

TEST(MakeCorrelated, FullTargetsMapProbabilitiesThrough) {
  const auto n = Normal(2.385, 1.25);
  const auto data = Sample(*n, 500, 11u);
  const auto same = MakeCorrelatedStep(data, n.get(), n.get(), 1.0);
  const auto mirror = MakeCorrelatedStep(data, n.get(), n.get(), -1.0);
  ASSERT_EQ(same.size(), data.size());
  ASSERT_EQ(mirror.size(), data.size());
  for (size_t i = 0; i < data.size(); ++i) {
    EXPECT_NEAR(same[i], data[i], 1e-9);
    EXPECT_NEAR(mirror[i], 2 * 2.385 - data[i], 1e-9);  // mirrored about the median
  }
  EXPECT_NEAR(Correlation(same, data), 1.0, 1e-12);
  EXPECT_EQ(MakeCorrelatedStep(data, n.get(), n.get(), 1.0), same);
  EXPECT_EQ(MakeCorrelated(data, n.get(), n.get(), 1.0, 0.03, 10), same);
}

TEST(MakeCorrelated, ReplacesTheSamePositionsInEveryAttempt) {
  // 0.75 on 100 elements: 25 positions drawn afresh, the same 25 every time.
  const auto t = Triangular(-2.0, 0.5, 6.5);
  const auto data = Sample(*t, 100, 3u);
  std::srand(41u);
  const auto first = MakeCorrelatedStep(data, t.get(), t.get(), 0.75);
  const auto second = MakeCorrelatedStep(data, t.get(), t.get(), 0.75);
  std::vector<size_t> changed_first, changed_second;
  for (size_t i = 0; i < data.size(); ++i) {
    if (std::fabs(first[i] - data[i]) > 1e-9) changed_first.push_back(i);
    if (std::fabs(second[i] - data[i]) > 1e-9) changed_second.push_back(i);
  }
  EXPECT_EQ(changed_first.size(), 25u);
  EXPECT_EQ(changed_first, changed_second);
}

TEST(MakeCorrelated, AttemptCountFollowsToleranceAndSteps) {
  // Target 0.5 on 100 elements: 50 runtime draws an attempt (bounded family).
  const auto t = Triangular(0.0, 1.0, 4.0);
  const auto data = Sample(*t, 100, 5u);
  const struct {
    double tolerance;
    unsigned max_steps;
    int attempts;
  } rows[] = {{0.0, 0, 1}, {0.0, 3, 4}, {0.0, 7, 8}, {1.5, 7, 1}};
  for (const auto& r : rows) {
    std::srand(606u);
    const auto out = MakeCorrelated(data, t.get(), t.get(), 0.5, r.tolerance, r.max_steps);
    EXPECT_EQ(out.size(), data.size());
    EXPECT_EQ(DrawsUsed(606u), 50 * r.attempts) << r.tolerance << " " << r.max_steps;
  }
}

TEST(MakeCorrelated, ReachesTargetsWithinTolerance) {
  const auto a = Normal(-1.5, 0.8);
  const auto b = Normal(10.0, 3.3);
  const auto data = Sample(*a, 4000, 9u);
  std::srand(1234u);
  for (double target : {0.9, 0.55, 0.2, -0.35, -0.8}) {
    const auto out = MakeCorrelated(data, a.get(), b.get(), target, 0.03, 10);
    ASSERT_EQ(out.size(), data.size());
    EXPECT_NEAR(Correlation(out, data), target, 0.03) << target;
  }
}

TEST(MakeCorrelated, RefusedInputsGiveEmptyResults) {
  const auto t = Triangular(0.0, 1.0, 4.0);
  const std::vector<double> data{0.5, 1.25, 3.1, 2.2};
  const struct {
    std::vector<double> data;
    double target;
  } rows[] = {
      {{}, 0.5},                    // empty
      {data, 1.0000001},            // beyond 1
      {data, -1.5},
      {data, kNaN},
      {{2.0, 2.0, 2.0, 2.0}, 0.5},  // constant: no defined correlation
      {{2.0}, 0.3},                 // one element
  };
  for (const auto& r : rows) {
    EXPECT_TRUE(MakeCorrelated(r.data, t.get(), t.get(), r.target, 0.03, 10).empty()) << r.target;
    // Even with every step allowed, the answer is immediate.
    EXPECT_TRUE(MakeCorrelated(r.data, t.get(), t.get(), r.target, 1e-9, UINT_MAX).empty());
  }
  EXPECT_TRUE(MakeCorrelatedStep({}, t.get(), t.get(), 0.5).empty());
  EXPECT_TRUE(MakeCorrelatedStep(data, t.get(), t.get(), 2.0).empty());
  EXPECT_TRUE(MakeCorrelatedStep(data, t.get(), t.get(), kNaN).empty());
}

TEST(MakeCorrelated, DerivedSamplesAreFinite) {
  // Probabilities of exactly 0 and 1 come from data beyond the first's float
  // reach, and from KessaRandom's ends on replaced positions (2 * 10^5 draws);
  // a lognormal with sigma 400 overflows well short of probability 1.
  const auto n = Normal(0.0, 1.0);
  const auto wide = std::make_unique<LogNormalDistribution>(new LogNormalRandomGenerator(0.0, 400.0, 0.0));
  std::vector<double> data = Sample(*n, 200000, 21u);
  data[0] = -45.0;
  data[1] = 45.0;
  std::srand(77u);
  for (IDistribution* second : {static_cast<IDistribution*>(n.get()), static_cast<IDistribution*>(wide.get())}) {
    for (double target : {1.0, -1.0, 0.0, 0.6}) {
      const auto out = MakeCorrelatedStep(data, n.get(), second, target);
      ASSERT_EQ(out.size(), data.size());
      int infinite = 0;
      for (double v : out) infinite += !std::isfinite(v);
      EXPECT_EQ(infinite, 0) << target;
    }
  }
}
