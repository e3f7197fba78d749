// Pairwise correlation induction.

#include <climits>

#include "correlation/induction.hpp"
#include "stoka/continuous.hpp"
#include "stoka/correlation.hpp"
#include "support/rows.hpp"

namespace {

// n values of d by its quantile at evenly spread, shuffled probabilities.
std::vector<double> Sample(const IDistribution& d, int n, unsigned seed) {
  std::srand(seed);
  std::vector<double> out(n);
  for (int i = 0; i < n; ++i) out[i] = d.ValueByCDF((i + 0.5) / n);
  for (int i = n - 1; i > 0; --i) std::swap(out[i], out[std::rand() % (i + 1)]);
  return out;
}

// a = 1..5, b = 2,1,4,3,5: deviations (-2,-1,0,1,2) and (-1,-2,1,0,2), products
// sum 8, squares 10 and 10: r = 0.8; of samples of different sizes the shorter
// length counts. Targets of +-1 map probabilities through (mirrored about the
// median). A target of 0.75 on 100 elements replaces 25 positions, the same 25
// in every attempt; each attempt at 0.5 on 100 elements of a bounded family
// takes 50 runtime draws, and the attempts follow tolerance and step count, with
// their draws, also on constant or one-element data (empty result).
TEST(MakeCorrelated, PearsonPositionsAttemptsAndFullTargets) {
  EXPECT_NEAR(Correlation({1, 2, 3, 4, 5, 99}, {2, 1, 4, 3, 5}), 0.8, 1e-15);
  EXPECT_NEAR(Correlation({2.385, 4.77, 7.155}, {-1, -2, -3}), -1.0, 1e-15);
  EXPECT_TRUE(std::isnan(Correlation({}, {})) && std::isnan(Correlation({1.5}, {})));
  NormalDistribution n(new NormalRandomGenerator(2.385, 1.25));
  TriangularDistribution t(new TriangularRandomGenerator(-2.0, 6.5, 0.5));
  const auto data = Sample(n, 500, 11u), tdata = Sample(t, 100, 3u);
  const auto same = MakeCorrelated(data, &n, &n, 1.0, 0.03, 10), mirror = MakeCorrelatedStep(data, &n, &n, -1.0);
  ASSERT_TRUE(same.size() == data.size() && mirror.size() == data.size());
  for (size_t i = 0; i < data.size(); ++i)
    EXPECT_TRUE(std::fabs(same[i] - data[i]) < 1e-9 && std::fabs(mirror[i] - (2 * 2.385 - data[i])) < 1e-9) << i;
  std::srand(41u);
  const auto first = MakeCorrelatedStep(tdata, &t, &t, 0.75), second = MakeCorrelatedStep(tdata, &t, &t, 0.75);
  std::vector<size_t> changed[2];
  for (size_t i = 0; i < tdata.size(); ++i)
    for (int k : {0, 1})
      if (std::fabs((k ? second : first)[i] - tdata[i]) > 1e-9) changed[k].push_back(i);
  EXPECT_TRUE(changed[0].size() == 25u && changed[0] == changed[1]);
  const std::vector<double> flat(100, 2.0), one{2.0};
  for (auto [d, target, tolerance, steps, draws] : {std::tuple{&tdata, 0.5, 0.0, 0u, 50}, {&tdata, 0.5, 0.0, 3u, 200},
       {&tdata, 0.5, 0.0, 7u, 400}, {&tdata, 0.5, 1.5, 7u, 50}, {&flat, 0.5, 1.5, 7u, 400}, {&one, 0.0, 0.0, 2u, 3}}) {
    std::srand(606u);
    EXPECT_EQ(MakeCorrelated(*d, &t, &t, target, tolerance, steps).size(), d == &tdata ? 100u : 0u);
    const int next = std::rand();
    std::srand(606u);
    for (int k = 0; k < draws; ++k) std::rand();
    EXPECT_EQ(std::rand(), next) << tolerance << " " << steps;
  }
}

// Bad targets give empty results at once, even with every step allowed.
// Derived samples are always finite:
// probabilities of exactly 0 and 1 come from data beyond the first's float
// reach and from KessaRandom's ends on replaced positions (2 * 10^5 draws); a
// lognormal with sigma 400 overflows well short of probability 1.
TEST(MakeCorrelated, RefusedInputsAndFiniteResults) {
  TriangularDistribution t(new TriangularRandomGenerator(0.0, 4.0, 1.0));
  const std::vector<double> data{0.5, 1.25, 3.1, 2.2};
  const std::pair<std::vector<double>, double> rows[] = {
      {{}, 0.5}, {data, 1.0000001}, {data, -1.5}, {data, kNaN}};
  for (const auto& [d, target] : rows)
    EXPECT_TRUE(MakeCorrelated(d, &t, &t, target, 0.03, 10).empty() &&
                MakeCorrelated(d, &t, &t, target, 1e-9, UINT_MAX).empty()) << target;
  EXPECT_TRUE(MakeCorrelatedStep({}, &t, &t, 0.5).empty() && MakeCorrelatedStep(data, &t, &t, 2.0).empty() &&
              MakeCorrelatedStep(data, &t, &t, kNaN).empty());
  NormalDistribution n(new NormalRandomGenerator(0.0, 1.0));
  LogNormalDistribution wide(new LogNormalRandomGenerator(0.0, 400.0, 0.0));
  std::vector<double> big = Sample(n, 200000, 21u);
  big[0] = -45.0;
  big[1] = 45.0;
  std::srand(77u);
  for (IDistribution* second : {static_cast<IDistribution*>(&n), static_cast<IDistribution*>(&wide)})
    for (double target : {1.0, -1.0, 0.0, 0.6}) {
      const auto out = MakeCorrelatedStep(big, &n, second, target);
      EXPECT_EQ(out.size(), big.size());
      EXPECT_EQ(std::count_if(out.begin(), out.end(), [](double v) { return !std::isfinite(v); }), 0) << target;
    }
}

// The library's own families take kept shape terms and, with 4096 replaced
// positions or more, quantiles kept by runtime outcome; a class derived by a
// host is computed plainly through its virtual functions. Both give the same
// samples, value for value, and leave the runtime generator alike.
template <class D>
struct Plain : D {
  using D::D;
};
TEST(MakeCorrelated, KeptQuantilesEqualPlainOnes) {
  NormalDistribution n(new NormalRandomGenerator(2.385, 1.25));
  BetaDistribution b(new BetaRandomGenerator(2.385, 0.75, -1.5, 4.0));
  PertDistribution p(new PertRandomGenerator(3.2, 1.25, 11.5));
  Plain<NormalDistribution> pn(new NormalRandomGenerator(2.385, 1.25));
  Plain<BetaDistribution> pb(new BetaRandomGenerator(2.385, 0.75, -1.5, 4.0));
  Plain<PertDistribution> pp(new PertRandomGenerator(3.2, 1.25, 11.5));
  const std::tuple<IDistribution*, IDistribution*, IDistribution*, IDistribution*, double> pairs[] = {
      {&n, &b, &pn, &pb, 0.45}, {&b, &p, &pb, &pp, -0.25}, {&p, &n, &pp, &pn, 0.6}};
  for (auto [first, second, plain_first, plain_second, target] : pairs) {
    const auto data = Sample(*first, 12000, 5u);
    std::srand(808u);
    const auto kept = MakeCorrelated(data, first, second, target, 0.0, 2);
    const int next = std::rand();
    std::srand(808u);
    EXPECT_TRUE(MakeCorrelated(data, plain_first, plain_second, target, 0.0, 2) == kept && std::rand() == next);
  }
}

// The search never leaves a sample farther from its target than it found it:
// not one whose kept share points the wrong way (the attempt for -target), nor
// under a tolerance that no share can meet, nor at a target beyond the bound.
TEST(MakeCorrelated, SearchNeverWorsens) {
  NormalDistribution n(new NormalRandomGenerator(2.385, 1.25));
  LogNormalDistribution ln(new LogNormalRandomGenerator(0.2, 0.5, 1.0));
  const auto data = Sample(n, 2000, 5u);
  for (auto [target, attempt] : {std::pair{0.3, -0.3}, {-0.7, 0.7}, {0.05, -0.05}, {0.9, 0.9}, {1.0, 1.0}}) {
    std::srand(9u);
    auto sample = MakeCorrelatedStep(data, &n, &ln, attempt);
    const double before = Correlation(sample, data);
    stoka::induction::ReachTarget(data, n, ln, target, 1e-6, before, sample);
    EXPECT_LE(std::fabs(Correlation(sample, data) - target), std::fabs(before - target)) << target;
  }
}

}  // namespace
