// The discrete families through the flat interface: each set's values,
// probabilities and quantiles (worked by hand from the weights), draws in
// proportion to the weights, empty sets, refills and handles of other
// families, and the Bernoulli and constant free functions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <vector>

#include "stoka/discrete.hpp"
#include "stoka/stoka.h"
#include "support/twin_check.hpp"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Point {
  double x, pdf, cdf;
};
struct Quantile {
  double p, x;
};
struct DiscreteCase {
  const char* what;
  std::function<int(IDistribution**)> create;
  const char* name;
  std::vector<double> values;  // GenericDiscreteGetValues, in order
  std::vector<Point> points;
  std::vector<Quantile> quantiles;
};

std::vector<double> Repeat(std::vector<std::pair<double, int>> runs) {
  std::vector<double> v;
  for (auto [value, count] : runs) v.insert(v.end(), count, value);
  return v;
}

const double kPlain[] = {3, 1, 2, 2};
const double kFiveSeven[] = {5, 7};
const unsigned kFiveSevenWeights[] = {3, 1};
const double kMixed[] = {2.385, -1.7, 9.25, 2.385, 0.137};
const unsigned kMixedWeights[] = {3, 1, 2, 5, 4};
const double kZeroWeight[] = {1.5, 2.5, 0.75};
const unsigned kZeroWeightWeights[] = {0, 2, 1};
const double* kWithNaN() {
  static const double values[] = {1.5, kNaN, 2.5};
  return values;
}

const std::vector<DiscreteCase>& Cases() {
  static const std::vector<DiscreteCase> cases = {
      {"values {3, 1, 2, 2}",
       [](IDistribution** o) { return CreateDiscreteDistribution(kPlain, 4, o); },
       "GenericDiscrete",
       {1, 2, 2, 3},
       {{2, 0.5, 0.75}, {2.5, 0, 0.75}, {3, 0.25, 1}, {1, 0.25, 0.25}, {0.5, 0, 0}},
       {{0.25, 1}, {0.5, 2}, {0.75, 2}, {0.76, 3}, {0, 1}, {-1, 1}, {1, 3}, {2, 3}}},
      {"5 weighing 3, 7 weighing 1",
       [](IDistribution** o) {
         return CreateDiscreteDistributionWeighted(kFiveSeven, kFiveSevenWeights, 2, o);
       },
       "GenericDiscrete",
       {5, 5, 5, 7},
       {{5, 0.75, 0.75}, {6, 0, 0.75}, {7, 0.25, 1}},
       {{0.75, 5}, {0.76, 7}}},
      // 15 elements: -1.7 once, 0.137 four times, 2.385 eight times (3 + 5), 9.25 twice.
      {"five weighted values with a duplicate",
       [](IDistribution** o) {
         return CreateDiscreteDistributionWeighted(kMixed, kMixedWeights, 5, o);
       },
       "GenericDiscrete",
       Repeat({{-1.7, 1}, {0.137, 4}, {2.385, 8}, {9.25, 2}}),
       {{2.385, 8.0 / 15, 13.0 / 15},
        {0.137, 4.0 / 15, 5.0 / 15},
        {9.25, 2.0 / 15, 1},
        {2.384, 0, 5.0 / 15},
        {-1.7, 1.0 / 15, 1.0 / 15}},
       {{0.06, -1.7}, {0.07, 0.137}, {0.333, 0.137}, {0.34, 2.385}, {0.866, 2.385}, {0.87, 9.25}}},
      {"a value of weight 0",
       [](IDistribution** o) {
         return CreateDiscreteDistributionWeighted(kZeroWeight, kZeroWeightWeights, 3, o);
       },
       "GenericDiscrete",
       {0.75, 2.5, 2.5},
       {{1.5, 0, 1.0 / 3}, {2.5, 2.0 / 3, 1}, {0.75, 1.0 / 3, 1.0 / 3}},
       {{0.3, 0.75}, {0.34, 2.5}}},
      {"discrete uniform -2..1",
       [](IDistribution** o) { return CreateDiscreteUniformDistribution(-2, 1, o); },
       "GenericDiscrete",
       {-2, -1, 0, 1},
       {{-2, 0.25, 0.25}, {-1, 0.25, 0.5}, {0, 0.25, 0.75}, {1, 0.25, 1}, {-0.5, 0, 0.5}},
       {{0.26, -1}, {0.75, 0}}},
      {"discrete uniform of one integer",
       [](IDistribution** o) { return CreateDiscreteUniformDistribution(7, 7, o); },
       "GenericDiscrete",
       {7},
       {{7, 1, 1}, {6.9, 0, 0}},
       {{0.5, 7}}},
      {"Bernoulli 0.25",
       [](IDistribution** o) { return CreateBernoulliDistribution(0.25, o); },
       "Bernoulli",
       Repeat({{0.0, 750}, {1.0, 250}}),
       {{1, 0.25, 1}, {0, 0.75, 0}, {0.5, 0, 0.75}, {-1, 0, 0}, {1 - 5e-8, 0.25, 0.75}},
       {{0.7, 0}, {0.8, 1}, {0, 0}, {1, 1}, {0.75, 0}}},
      {"Bernoulli 0.4",
       [](IDistribution** o) { return CreateBernoulliDistribution(0.4, o); },
       "Bernoulli",
       Repeat({{0.0, 600}, {1.0, 400}}),
       {{1, 0.4, 1}, {0, 0.6, 0}},
       {{0.59, 0}, {0.61, 1}}},
      {"Bernoulli 1",
       [](IDistribution** o) { return CreateBernoulliDistribution(1.0, o); },
       "Bernoulli",
       Repeat({{1.0, 1000}}),
       {{1, 1, 1}, {0, 0, 0}},
       {{0.01, 1}}},
      {"constant 4.2",
       [](IDistribution** o) { return CreateConstantDistribution(4.2, o); },
       "Const",
       {4.2},
       {{4.2, 1, 1}, {4.1, 0, 0}, {4.3, 0, 1}},
       {{0, 4.2}, {0.3183, 4.2}, {1, 4.2}}},
  };
  return cases;
}

TEST(DiscreteFamilies, ValuesProbabilitiesAndQuantiles) {
  for (const DiscreteCase& c : Cases()) {
    SCOPED_TRACE(c.what);
    IDistribution* h = nullptr;
    ASSERT_EQ(c.create(&h), 1);
    EXPECT_STREQ(GetDistributionName(h), c.name);
    unsigned count = 12345;
    const double* values = GenericDiscreteGetValues(h, &count);
    ASSERT_EQ(count, c.values.size());
    EXPECT_EQ(std::vector<double>(values, values + count), c.values);
    const bool bernoulli = std::strcmp(c.name, "Bernoulli") == 0;
    EXPECT_EQ(GetMinValue(h), bernoulli ? 0.0 : c.values.front());
    EXPECT_EQ(GetMaxValue(h), bernoulli ? 1.0 : c.values.back());
    for (const Point& pt : c.points) {
      EXPECT_DOUBLE_EQ(GetPDFValue(h, pt.x), pt.pdf) << "pdf at " << pt.x;
      EXPECT_DOUBLE_EQ(GetCDFValue(h, pt.x), pt.cdf) << "cdf at " << pt.x;
      EXPECT_DOUBLE_EQ(GetSFValue(h, pt.x), 1 - pt.cdf) << "sf at " << pt.x;
      EXPECT_EQ(GenericDiscretePDFValue(pt.x, h), GetPDFValue(h, pt.x));
      EXPECT_EQ(GenericDiscreteCDFValue(pt.x, h), GetCDFValue(h, pt.x));
    }
    for (const Quantile& q : c.quantiles) {
      EXPECT_EQ(GetInverseCDFValue(h, q.p), q.x) << "quantile at " << q.p;
      EXPECT_EQ(GenericDiscreteValueByCDF(q.p, h), q.x) << "quantile at " << q.p;
    }
    // NaN arguments give NaN.
    EXPECT_TRUE(std::isnan(GetPDFValue(h, kNaN)));
    EXPECT_TRUE(std::isnan(GetCDFValue(h, kNaN)));
    EXPECT_TRUE(std::isnan(GetInverseCDFValue(h, kNaN)));
    DestroyDiscreteDistribution(&h);
    EXPECT_EQ(h, nullptr);
  }
}

// Each distinct value is drawn in proportion to its weight: every count lies
// within 5.5 binomial standard deviations (a false alarm below 1e-7 each).
TEST(DiscreteFamilies, DrawsFollowTheWeights) {
  constexpr int kDraws = 30000;
  for (const DiscreteCase& c : Cases()) {
    SCOPED_TRACE(c.what);
    IDistribution* h = nullptr;
    ASSERT_EQ(c.create(&h), 1);
    std::map<double, int> expected_share;
    for (double v : c.values) ++expected_share[v];
    std::srand(424242u);
    std::map<double, int> counts;
    for (int i = 0; i < kDraws; ++i) ++counts[h->Generator()->GenerateRandomValue()];
    for (auto [value, drawn] : counts) EXPECT_EQ(expected_share.count(value), 1u) << value;
    for (auto [value, share] : expected_share) {
      const double p = double(share) / c.values.size();
      EXPECT_NEAR(counts[value], kDraws * p, 5.5 * std::sqrt(kDraws * p * (1 - p)) + 1e-9)
          << value;
    }
    DestroyDiscreteDistribution(&h);
  }
}

std::vector<double> Draws(IDistribution* h, int n) {
  std::vector<double> v(n);
  for (double& x : v) x = h->Generator()->GenerateRandomValue();
  return v;
}

TEST(DiscreteFamilies, DrawsFollowSrandNotTheStream) {
  IDistribution* h[2] = {};
  ASSERT_EQ(CreateDiscreteDistributionWeighted(kMixed, kMixedWeights, 5, &h[0]), 1);
  ASSERT_EQ(CreateBernoulliDistribution(0.3183, &h[1]), 1);
  for (IDistribution* d : h) {
    std::srand(77u);
    stoka_ran_seed(1u);
    const auto first = Draws(d, 24);
    std::srand(77u);
    stoka_ran_seed(2u);
    EXPECT_EQ(Draws(d, 24), first);
    std::srand(78u);
    EXPECT_NE(Draws(d, 24), first);
  }
  for (IDistribution*& d : h) DestroyDiscreteDistribution(&d);
}

// Above 32768 elements one 15-bit draw cannot reach every position: the
// second half of these sets lies entirely beyond it.
TEST(DiscreteFamilies, LargeSetsAreDrawnWhole) {
  constexpr int kDraws = 20000;
  const double values[] = {8.25, -3.5};
  const unsigned weights[] = {40000, 40000};
  IDistribution* h = nullptr;
  ASSERT_EQ(CreateDiscreteDistributionWeighted(values, weights, 2, &h), 1);
  std::srand(99u);
  int high = 0;
  for (int i = 0; i < kDraws; ++i) high += h->Generator()->GenerateRandomValue() == 8.25;
  EXPECT_NEAR(high, kDraws / 2, 5.5 * std::sqrt(kDraws * 0.25));
  DestroyDiscreteDistribution(&h);

  ASSERT_EQ(CreateDiscreteUniformDistribution(0, 99999, &h), 1);
  std::srand(100u);
  int beyond = 0;
  double largest = 0;
  for (int i = 0; i < kDraws; ++i) {
    const double x = h->Generator()->GenerateRandomValue();
    beyond += x >= 32768;
    largest = std::fmax(largest, x);
  }
  const double p = 1 - 32768 / 100000.0;
  EXPECT_NEAR(beyond, kDraws * p, 5.5 * std::sqrt(kDraws * p * (1 - p)));
  EXPECT_GT(largest, 99000);
  DestroyDiscreteUniformDistribution(&h);
}

void ExpectEmpty(IDistribution* h) {
  EXPECT_TRUE(std::isnan(GetMinValue(h)));
  EXPECT_TRUE(std::isnan(GetMaxValue(h)));
  for (double x : {-1.0, 0.0, 2.385}) {
    EXPECT_TRUE(std::isnan(GetPDFValue(h, x)));
    EXPECT_TRUE(std::isnan(GetCDFValue(h, x)));
    EXPECT_TRUE(std::isnan(GetSFValue(h, x)));
    EXPECT_TRUE(std::isnan(GenericDiscretePDFValue(x, h)));
    EXPECT_TRUE(std::isnan(GenericDiscreteCDFValue(x, h)));
  }
  for (double p : {-0.5, 0.0, 0.5, 1.0}) {
    EXPECT_TRUE(std::isnan(GetInverseCDFValue(h, p)));
    EXPECT_TRUE(std::isnan(GenericDiscreteValueByCDF(p, h)));
  }
  EXPECT_TRUE(std::isnan(h->Generator()->GenerateRandomValue()));
  unsigned count = 9;
  EXPECT_EQ(GenericDiscreteGetValues(h, &count), nullptr);
  EXPECT_EQ(count, 0u);
}

TEST(DiscreteFamilies, EmptySetsAnswerNaN) {
  IDistribution* h = nullptr;
  ASSERT_EQ(CreateDiscreteDistribution(nullptr, 0, &h), 1);
  ExpectEmpty(h);
  // Refilled, then emptied again.
  GenericDiscreteSetValues(h, 4, kPlain);
  EXPECT_EQ(GetMaxValue(h), 3.0);
  GenericDiscreteSetValues(h, 0, nullptr);
  ExpectEmpty(h);
  DestroyDiscreteDistribution(&h);
  // Only weights of 0: no elements.
  const unsigned zeros[] = {0, 0};
  ASSERT_EQ(CreateDiscreteDistributionWeighted(kFiveSeven, zeros, 2, &h), 1);
  ExpectEmpty(h);
  DestroyDiscreteDistribution(&h);
}

std::vector<double> ValuesOf(IDistribution* h) {
  unsigned count = 0;
  const double* v = GenericDiscreteGetValues(h, &count);
  return std::vector<double>(v, v + count);
}

TEST(DiscreteFamilies, Refill) {
  IDistribution* h = nullptr;
  ASSERT_EQ(CreateDiscreteDistribution(kPlain, 4, &h), 1);
  GenericDiscreteSetWeightedValues(h, 2, kFiveSeven, kFiveSevenWeights);
  EXPECT_EQ(ValuesOf(h), (std::vector<double>{5, 5, 5, 7}));
  EXPECT_EQ(GetPDFValue(h, 5), 0.75);
  // Refused refills change nothing.
  GenericDiscreteSetValues(h, 3, nullptr);
  GenericDiscreteSetValues(h, 3, kWithNaN());
  GenericDiscreteSetWeightedValues(h, 2, kFiveSeven, nullptr);
  GenericDiscreteSetWeightedValues(h, 2, nullptr, kFiveSevenWeights);
  const unsigned huge[] = {1u << 26, 1};
  GenericDiscreteSetWeightedValues(h, 2, kFiveSeven, huge);
  EXPECT_EQ(ValuesOf(h), (std::vector<double>{5, 5, 5, 7}));
  DestroyDiscreteDistribution(&h);

  // A constant or discrete uniform handle becomes a plain generic discrete set.
  ASSERT_EQ(CreateConstantDistribution(4.2, &h), 1);
  GenericDiscreteSetValues(h, 4, kPlain);
  EXPECT_STREQ(GetDistributionName(h), "GenericDiscrete");
  EXPECT_EQ(ValuesOf(h), (std::vector<double>{1, 2, 2, 3}));
  EXPECT_EQ(GetCDFValue(h, 2), 0.75);
  DestroyConstantDistribution(&h);
  ASSERT_EQ(CreateDiscreteUniformDistribution(-2, 1, &h), 1);
  GenericDiscreteSetValues(h, 2, kFiveSeven);
  EXPECT_EQ(ValuesOf(h), (std::vector<double>{5, 7}));
  DestroyDiscreteUniformDistribution(&h);
}

// Handles the GenericDiscrete functions were not meant for: a Bernoulli set
// follows its p and is not refilled; a continuous handle has no values; a
// null handle changes nothing. The queries answer for any family.
TEST(DiscreteFamilies, OtherHandles) {
  IDistribution* b = nullptr;
  ASSERT_EQ(CreateBernoulliDistribution(0.25, &b), 1);
  GenericDiscreteSetValues(b, 4, kPlain);
  GenericDiscreteSetWeightedValues(b, 2, kFiveSeven, kFiveSevenWeights);
  EXPECT_STREQ(GetDistributionName(b), "Bernoulli");
  EXPECT_EQ(ValuesOf(b).size(), 1000u);
  EXPECT_EQ(GetPDFValue(b, 1), 0.25);
  EXPECT_EQ(GetInverseCDFValue(b, 0.8), 1.0);
  DestroyBernoulliDistribution(&b);

  IDistribution* n = nullptr;
  ASSERT_EQ(CreateNormalDistribution(3.27, 1.85, &n), 1);
  unsigned count = 77;
  EXPECT_EQ(GenericDiscreteGetValues(n, &count), nullptr);
  EXPECT_EQ(count, 0u);
  GenericDiscreteSetValues(n, 4, kPlain);
  GenericDiscreteSetWeightedValues(n, 2, kFiveSeven, kFiveSevenWeights);
  EXPECT_STREQ(GetDistributionName(n), "Normal");
  EXPECT_EQ(GenericDiscretePDFValue(3.0, n), GetPDFValue(n, 3.0));
  EXPECT_EQ(GenericDiscreteCDFValue(3.27, n), 0.5);
  EXPECT_EQ(GenericDiscreteValueByCDF(0.5, n), 3.27);
  DestroyNormalDistribution(&n);

  count = 77;
  EXPECT_EQ(GenericDiscreteGetValues(nullptr, &count), nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(GenericDiscreteGetValues(nullptr, nullptr), nullptr);
  GenericDiscreteSetValues(nullptr, 4, kPlain);
  GenericDiscreteSetWeightedValues(nullptr, 2, kFiveSeven, kFiveSevenWeights);
  EXPECT_TRUE(std::isnan(GenericDiscretePDFValue(1.0, nullptr)));
  EXPECT_TRUE(std::isnan(GenericDiscreteCDFValue(1.0, nullptr)));
  EXPECT_TRUE(std::isnan(GenericDiscreteValueByCDF(0.5, nullptr)));
}

double Tenth() { return 0.1; }
double ThreeTenths() { return 0.3; }
double One() { return 1.0; }

struct Scalar {
  const char* what;
  double got, expected;
};

TEST(DiscreteFamilies, BernoulliAndConstantFunctions) {
  double out = -7;
  const Scalar rows[] = {
      {"check p = 1", double(CheckParamsBernoulli(1.0)), 1},
      {"check p = 0", double(CheckParamsBernoulli(0.0)), 1},
      {"check p = 1.01", double(CheckParamsBernoulli(1.01)), 0},
      {"check p = -0.01", double(CheckParamsBernoulli(-0.01)), 0},
      {"check p = NaN", double(CheckParamsBernoulli(kNaN)), 0},
      {"pdf at 1", BernoulliPDFValue(1e-7, 0.25, 1), 0.25},
      {"pdf at 0", BernoulliPDFValue(1e-7, 0.25, 0), 0.75},
      {"pdf at 0.5", BernoulliPDFValue(1e-7, 0.25, 0.5), 0},
      {"pdf near 1, wide tolerance", BernoulliPDFValue(0.01, 0.25, 1.005), 0.25},
      {"pdf near 1, narrow tolerance", BernoulliPDFValue(1e-7, 0.25, 1.005), 0},
      {"pdf within 1e-6 of 0", BernoulliPDFValue(1e-7, 0.25, 5e-7), 0.75},
      {"pdf 2e-6 from 0", BernoulliPDFValue(1e-7, 0.25, 2e-6), 0},
      {"cdf at 0", BernoulliCDFValue(0.25, 0), 0},
      {"cdf at -1", BernoulliCDFValue(0.25, -1), 0},
      {"cdf at 0.5", BernoulliCDFValue(0.25, 0.5), 0.75},
      {"cdf at 0.999", BernoulliCDFValue(0.25, 0.999), 0.75},
      {"cdf at 1", BernoulliCDFValue(0.25, 1), 1},
      {"random, u = 0.1", BernoulliRandom(0.25, Tenth), 1},
      {"random, u = 0.3", BernoulliRandom(0.25, ThreeTenths), 0},
      {"random, p = u", BernoulliRandom(0.3, ThreeTenths), 0},
      {"random, a certain success at u = 1", BernoulliRandom(1.0, One), 1},
      {"random, no chance at u = 0", BernoulliRandom(0.0, [] { return 0.0; }), 0},
      {"approx, a certain success at u = 1", (BernoulliApprox(&out, 1.0, 1.0, nullptr), out), 1},
      {"approx u = 0.1 returns", double(BernoulliApprox(&out, 0.1, 0.25, nullptr)), 1},
      {"approx u = 0.1 writes", out, 1},
      {"approx u = 0.3 writes", (BernoulliApprox(&out, 0.3, 0.25, nullptr), out), 0},
      {"approx u < 0 draws", (BernoulliApprox(&out, -1, 0.25, Tenth), out), 1},
      {"approx without out", double(BernoulliApprox(nullptr, 0.1, 0.25, Tenth)), 0},
      {"approx u < 0 without source", double(BernoulliApprox(&out, -1, 0.25, nullptr)), 0},
      {"count", double(BernoulliGetCount()), 2},
      {"event 0", double(BernoulliGetEvent(0)), 0},
      {"event 1", double(BernoulliGetEvent(1)), 1},
      {"event 7", double(BernoulliGetEvent(7)), 1},
      {"event -3", double(BernoulliGetEvent(-3)), 1},
      {"constant", GetConstantDistribution(4.2), 4.2},
      {"constant pdf", ConstantPDFValue(4.2), 0},
      {"constant cdf", ConstantCDFValue(4.2), 0},
  };
  for (const Scalar& r : rows) EXPECT_EQ(r.got, r.expected) << r.what;
  EXPECT_TRUE(std::isnan(BernoulliRandom(0.25, nullptr)));
}

// Object interface: building by AddValue and by construct give the same
// ordered data, the same weights and the same total, down to the sign of zero
// (a later copy of an equal value goes first).
TEST(DiscreteFamilies, AddValueAndConstructAgree) {
  const double values[] = {2.385, -0.0, 9.25, 0.0, 2.385, -1.7, 0.0, 9.25};
  const unsigned weights[] = {2, 1, 3, 2, 1, 0, 1, 1};
  GenericDiscreteGenerator built(values, weights, 8), added;
  for (int i = 0; i < 8; ++i) added.AddValue(values[i], weights[i]);
  const auto a = built.GetSortedData(), b = added.GetSortedData();
  ASSERT_EQ(a.size(), 11u);
  ASSERT_EQ(b.size(), a.size());
  EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(double)), 0);
  EXPECT_EQ(built.GetData(), added.GetData());
  EXPECT_EQ(built.GetTotalWeight(), 11u);
  EXPECT_EQ(added.GetTotalWeight(), 11u);
  EXPECT_EQ(built.GetData().at(-1.7), 0u);
  EXPECT_EQ(built.GetMin(), 0.0);
  EXPECT_EQ(built.GetMax(), 9.25);
  EXPECT_THROW(added.AddValue(kNaN), std::invalid_argument);
  EXPECT_EQ(added.GetSortedData().size(), 11u);
  GenericDiscreteGenerator empty;
  EXPECT_TRUE(std::isnan(empty.GetMin()));
  EXPECT_TRUE(std::isnan(empty.GenerateRandomValue()));
  BernoulliRandomGenerator odd(1.7);  // outside [0, 1]: the weights stay within 0..1000
  EXPECT_EQ(odd.GetTotalWeight(), 1000u);
}

// Every flat twin of the discrete list forwards unchanged.
TEST(FlatTwins, DiscreteFamilies) { STOKA_FLAT_DISCRETE(STOKA_CHECK_TWIN, STOKA_SKIP_FLAT) }

}  // namespace
