// The discrete families through the flat interface: each set's values,
// probabilities and quantiles (worked by hand from the weights), draws in
// proportion to the weights, empty sets, refills, handles of other families,
// and the Bernoulli and constant free functions.

#include <climits>
#include <map>

#include "stoka/discrete.hpp"
#include "support/rows.hpp"

namespace {

const double kPlain[] = {3, 1, 2, 2}, kFiveSeven[] = {5, 7}, kMixed[] = {2.385, -1.7, 9.25, 2.385, 0.137};
const double kZeroWeight[] = {1.5, 2.5, 0.75}, kLarge[] = {8.25, -3.5};
const unsigned kFiveSevenWeights[] = {3, 1}, kMixedWeights[] = {3, 1, 2, 5, 4}, kZeroWeightWeights[] = {0, 2, 1},
               kLargeWeights[] = {40000, 40000};
#define MAKE(call) [](IDistribution** o) { return call; }

// A creator, the values in order with how often each comes, points {x, pdf,
// cdf} and quantiles {p, x} worked by hand from the weights.
const struct Case {
  int (*create)(IDistribution**);
  std::vector<std::pair<double, int>> runs;
  std::vector<std::vector<double>> points, quantiles;
} kCases[] = {
    {MAKE(CreateDiscreteDistribution(kPlain, 4, o)), {{1, 1}, {2, 2}, {3, 1}},
     {{2, 0.5, 0.75}, {2.5, 0, 0.75}, {3, 0.25, 1}, {1, 0.25, 0.25}, {0.5, 0, 0}},
     {{0.25, 1}, {0.5, 2}, {0.75, 2}, {0.76, 3}, {0, 1}, {-1, 1}, {1, 3}, {2, 3}}},
    // 15 elements: -1.7 once, 0.137 four times, 2.385 eight times (3 + 5), 9.25 twice.
    {MAKE(CreateDiscreteDistributionWeighted(kMixed, kMixedWeights, 5, o)), {{-1.7, 1}, {0.137, 4}, {2.385, 8}, {9.25, 2}},
     {{2.385, 8.0 / 15, 13.0 / 15}, {0.137, 4.0 / 15, 5.0 / 15}, {9.25, 2.0 / 15, 1}, {2.384, 0, 5.0 / 15}},
     {{0.06, -1.7}, {0.07, 0.137}, {0.333, 0.137}, {0.34, 2.385}, {0.866, 2.385}, {0.87, 9.25}}},
    {MAKE(CreateDiscreteDistributionWeighted(kZeroWeight, kZeroWeightWeights, 3, o)), {{0.75, 1}, {2.5, 2}},
     {{1.5, 0, 1.0 / 3}, {2.5, 2.0 / 3, 1}, {0.75, 1.0 / 3, 1.0 / 3}}, {{0.3, 0.75}, {0.34, 2.5}}},
    {MAKE(CreateDiscreteUniformDistribution(-2, 1, o)), {{-2, 1}, {-1, 1}, {0, 1}, {1, 1}},
     {{-2, 0.25, 0.25}, {0, 0.25, 0.75}, {1, 0.25, 1}, {-0.5, 0, 0.5}}, {{0.26, -1}, {0.75, 0}}},
    {MAKE(CreateDiscreteUniformDistribution(7, 7, o)), {{7, 1}}, {{7, 1, 1}, {6.9, 0, 0}}, {{0.5, 7}}},
    {MAKE(CreateBernoulliDistribution(0.25, o)), {{0, 750}, {1, 250}},
     {{1, 0.25, 1}, {0, 0.75, 0}, {0.5, 0, 0.75}, {-1, 0, 0}, {1 - 5e-8, 0.25, 0.75}},
     {{0.7, 0}, {0.8, 1}, {0, 0}, {1, 1}, {0.75, 0}}},
    // p >= 1 always draws 1 (KessaRandom can return exactly 1.0).
    {MAKE(CreateBernoulliDistribution(1.0, o)), {{1, 1000}}, {{1, 1, 1}, {0, 0, 0}}, {{0.01, 1}}},
    {MAKE(CreateConstantDistribution(4.2, o)), {{4.2, 1}}, {{4.2, 1, 1}, {4.1, 0, 0}, {4.3, 0, 1}},
     {{0, 4.2}, {0.3183, 4.2}, {1, 4.2}}},
    // Above 32768 elements one 15-bit draw cannot reach every position: the
    // second half of this set lies entirely beyond it.
    {MAKE(CreateDiscreteDistributionWeighted(kLarge, kLargeWeights, 2, o)), {{-3.5, 40000}, {8.25, 40000}},
     {{8.25, 0.5, 1}}, {{0.5, -3.5}, {0.51, 8.25}}},
};

std::vector<double> ValuesOf(IDistribution* h) {
  unsigned count = 12345;
  const double* v = GenericDiscreteGetValues(h, &count);
  return v ? std::vector<double>(v, v + count) : std::vector<double>(count, kNaN);
}

// The values, bounds, probabilities and quantiles of each set, and draws of
// the runtime generator in proportion to the weights: every count within 5.5
// binomial standard deviations (a false alarm below 1e-7 each).
TEST(DiscreteFamilies, ValuesProbabilitiesQuantilesAndDraws) {
  constexpr int kDraws = 30000;
  for (const Case& c : kCases) {
    SCOPED_TRACE(&c - kCases);
    IDistribution* h = nullptr;
    ASSERT_EQ(c.create(&h), 1);
    std::vector<double> values;
    for (auto [value, count] : c.runs) values.insert(values.end(), count, value);
    const bool bernoulli = std::strcmp(GetDistributionName(h), "Bernoulli") == 0;
    EXPECT_TRUE(ValuesOf(h) == values && GetMinValue(h) == (bernoulli ? 0.0 : values.front()) &&
                GetMaxValue(h) == (bernoulli ? 1.0 : values.back()));
    for (const auto& pt : c.points) {
      EXPECT_DOUBLE_EQ(GetPDFValue(h, pt[0]), pt[1]) << "pdf at " << pt[0];
      EXPECT_DOUBLE_EQ(GetCDFValue(h, pt[0]), pt[2]) << "cdf at " << pt[0];
      EXPECT_DOUBLE_EQ(GetSFValue(h, pt[0]), 1 - pt[2]) << "sf at " << pt[0];
      EXPECT_TRUE(GenericDiscretePDFValue(pt[0], h) == GetPDFValue(h, pt[0]) &&
                  GenericDiscreteCDFValue(pt[0], h) == GetCDFValue(h, pt[0]));
    }
    for (const auto& q : c.quantiles)
      EXPECT_TRUE(GetInverseCDFValue(h, q[0]) == q[1] && GenericDiscreteValueByCDF(q[0], h) == q[1]) << q[0];
    EXPECT_TRUE(std::isnan(GetPDFValue(h, kNaN)) && std::isnan(GetCDFValue(h, kNaN)) &&
                std::isnan(GetInverseCDFValue(h, kNaN)));
    std::vector<double> draws(kDraws);
    std::map<double, int> counts;
    std::srand(424242u);
    for (double& x : draws) ++counts[x = h->Generator()->GenerateRandomValue()];
    std::srand(424242u);
    stoka_ran_seed(99u);  // the runtime generator alone decides the draws
    for (int i = 0; i < 16; ++i) EXPECT_EQ(h->Generator()->GenerateRandomValue(), draws[i]);
    EXPECT_EQ(counts.size(), c.runs.size());
    for (auto [value, share] : c.runs) {
      const double p = double(share) / values.size();
      EXPECT_NEAR(counts[value], kDraws * p, 5.5 * std::sqrt(kDraws * p * (1 - p)) + 1e-9) << value;
    }
    DestroyDiscreteDistribution(&h);
  }
}

// An empty set (no values, or emptied by a refill) answers NaN to every query
// and draw, and has no values.
TEST(DiscreteFamilies, EmptySetsAnswerNaN) {
  IDistribution* h[2] = {};
  ASSERT_EQ(CreateDiscreteDistribution(nullptr, 0, &h[0]), 1);
  ASSERT_EQ(CreateDiscreteDistribution(kPlain, 4, &h[1]), 1);
  GenericDiscreteSetValues(h[1], 0, nullptr);
  for (IDistribution*& d : h) {
    rows::Check({ROW(GetMinValue(d), kNaN), ROW(GetMaxValue(d), kNaN), ROW(GetPDFValue(d, 0), kNaN),
                 ROW(GetCDFValue(d, 2.385), kNaN), ROW(GetInverseCDFValue(d, 0.5), kNaN),
                 ROW(d->Generator()->GenerateRandomValue(), kNaN), ROW(ValuesOf(d).size(), 0)});
    DestroyDiscreteDistribution(&d);
  }
}

// Refills replace the set; a constant or discrete uniform handle becomes a
// plain generic discrete one. Refused refills, Bernoulli and continuous
// handles and null handles change nothing; the queries answer for any family.
TEST(DiscreteFamilies, RefillsAndOtherHandles) {
  IDistribution* h[4] = {};  // generic, constant, Bernoulli, normal
  MAKE(CreateDiscreteDistribution(kPlain, 4, o))(&h[0]);
  MAKE(CreateConstantDistribution(4.2, o))(&h[1]);
  MAKE(CreateBernoulliDistribution(0.25, o))(&h[2]);
  MAKE(CreateNormalDistribution(3.27, 1.85, o))(&h[3]);
  const double with_nan[] = {1.5, kNaN, 2.5};
  const unsigned huge[] = {1u << 26, 1}, zeros[] = {0, 0};
  GenericDiscreteSetWeightedValues(h[0], 2, kFiveSeven, kFiveSevenWeights);
  GenericDiscreteSetValues(h[0], 3, nullptr);
  GenericDiscreteSetValues(h[0], 3, with_nan);
  GenericDiscreteSetWeightedValues(h[0], 2, kFiveSeven, nullptr);
  GenericDiscreteSetWeightedValues(h[0], 2, nullptr, kFiveSevenWeights);
  GenericDiscreteSetWeightedValues(h[0], 2, kFiveSeven, huge);
  GenericDiscreteSetWeightedValues(h[0], 2, kFiveSeven, zeros);
  GenericDiscreteSetValues(h[0], UINT_MAX, kFiveSeven), GenericDiscreteSetValues(h[0], (1u << 26) + 1, kFiveSeven);  // no value read
  GenericDiscreteSetValues(h[1], 4, kPlain);
  for (IDistribution* other : {h[2], h[3], static_cast<IDistribution*>(nullptr)}) {
    GenericDiscreteSetValues(other, 4, kPlain);
    GenericDiscreteSetWeightedValues(other, 2, kFiveSeven, kFiveSevenWeights);
  }
  EXPECT_EQ(ValuesOf(h[0]), (std::vector<double>{5, 5, 5, 7}));
  EXPECT_TRUE(GetDistributionName(h[1]) == std::string("GenericDiscrete") && GetCDFValue(h[1], 2) == 0.75);
  EXPECT_TRUE(GetDistributionName(h[2]) == std::string("Bernoulli") && ValuesOf(h[2]).size() == 1000u);
  EXPECT_EQ(GetDistributionName(h[3]), std::string("Normal"));
  rows::Check({ROW(GetInverseCDFValue(h[2], 0.8), 1), ROW(ValuesOf(h[3]).size(), 0),
               ROW(GenericDiscretePDFValue(3.0, h[3]), GetPDFValue(h[3], 3.0)), ROW(GenericDiscreteCDFValue(3.27, h[3]), 0.5),
               ROW(GenericDiscreteValueByCDF(0.5, h[3]), 3.27), ROW(ValuesOf(nullptr).size(), 0),
               ROW(GenericDiscreteGetValues(nullptr, nullptr) == nullptr, 1), ROW(GenericDiscretePDFValue(1.0, nullptr), kNaN),
               ROW(GenericDiscreteCDFValue(1.0, nullptr), kNaN), ROW(GenericDiscreteValueByCDF(0.5, nullptr), kNaN)});
  for (IDistribution*& d : h) DestroyDiscreteDistribution(&d);
}

TEST(DiscreteFamilies, BernoulliAndConstantFunctions) {
  double out = -7;
  rows::Check({
      ROW(CheckParamsBernoulli(1.0), 1), ROW(CheckParamsBernoulli(kNaN), 0),
      ROW(BernoulliPDFValue(0.01, 0.25, 1.005), 0.25), ROW(BernoulliPDFValue(1e-7, 0.25, 1.005), 0),
      ROW(BernoulliPDFValue(1e-7, 0.25, 5e-7), 0.75), ROW(BernoulliPDFValue(1e-7, 0.25, 2e-6), 0),
      ROW(BernoulliRandom(0.25, [] { return 0.1; }), 1), ROW(BernoulliRandom(0.3, [] { return 0.3; }), 0),
      ROW(BernoulliRandom(1.0, [] { return 1.0; }), 1), ROW(BernoulliRandom(0.25, nullptr), kNaN),
      ROW((BernoulliApprox(&out, 1.0, 1.0, nullptr), out), 1), ROW(BernoulliApprox(&out, 0.1, 0.25, nullptr), 1),
      ROW(out, 1), ROW((BernoulliApprox(&out, 0.3, 0.25, nullptr), out), 0),
      ROW((BernoulliApprox(&out, -1, 0.25, [] { return 0.1; }), out), 1),
      ROW(BernoulliApprox(nullptr, 0.1, 0.25, nullptr), 0), ROW(BernoulliApprox(&out, -1, 0.25, nullptr), 0),
      ROW(BernoulliGetCount(), 2), ROW(BernoulliGetEvent(0), 0), ROW(BernoulliGetEvent(7), 1),
      ROW(GetConstantDistribution(4.2), 4.2), ROW(ConstantPDFValue(4.2), 0), ROW(ConstantCDFValue(4.2), 0),
  });
}

// Runs built by construct, AddValue or as a range give the elements, weights,
// draws and answers of the plain sorted sequence, bit for bit.
TEST(DiscreteFamilies, RunsMatchThePlainSequence) {
  const double v[] = {0.0, -0.0, 2.385, -0.0, 0.0, -1.7, 2.385, 1e300, -0.0, -kInf, 0.0, 9.25};
  const unsigned w[] = {2, 1, 3, 0, 1, 0, 40000, 70001, 2, 1, 0, 0};
  auto* range = new DiscreteUniformGenerator(5, 7);
  std::vector<std::pair<double, unsigned>> grown{{5, 1}, {6, 1}, {7, 1}}, ints;
  for (int i = 0; i < 12; ++i) grown.emplace_back(v[i], w[i]), range->AddValue(v[i], w[i]);
  for (int i = -3; i <= 40000; ++i) ints.emplace_back(i, 1);
  EXPECT_THROW(range->AddValue(kNaN), std::invalid_argument);
  EXPECT_EQ(BernoulliRandomGenerator(1.7).GetTotalWeight(), 1000u);  // p outside [0, 1]: weights within 0..1000
  const std::pair<GenericDiscreteDistribution*, std::vector<std::pair<double, unsigned>>> sets[] = {
      {new GenericDiscreteDistribution(new GenericDiscreteGenerator(v, w, 12)), {grown.begin() + 3, grown.end()}},
      {new GenericDiscreteDistribution(new GenericDiscreteGenerator(v + 5, 3)), {{-1.7, 1}, {2.385, 1}, {1e300, 1}}},
      {new DiscreteUniformDistribution(range), grown},
      {new DiscreteUniformDistribution(new DiscreteUniformGenerator(-3, 40000)), ints}};
  for (const auto& [d, added] : sets) {
    std::vector<double> plain, got = d->generator().GetSortedData(), want;
    std::map<double, std::uint32_t> weights;
    for (auto [x, k] : added) plain.insert(std::lower_bound(plain.begin(), plain.end(), x), k, x), weights[x] += k;
    const double n = double(plain.size());
    want = plain;
    for (unsigned i = 0; i < 3000; ++i)  // one runtime sequence for both
      std::srand(i), got.push_back(d->Generator()->GenerateRandomValue()), std::srand(i), want.push_back(plain[KessaRandomInt(int(n))]);
    for (const auto& [x, k] : weights)
      for (double y : {x, -x, std::nextafter(x, -kInf), std::nextafter(x, kInf)}) {
        const auto [lo, hi] = std::equal_range(plain.begin(), plain.end(), y);
        got.insert(got.end(), {d->CdfValueImpl(y), d->PdfValueImpl(y)}), want.insert(want.end(), {(hi - plain.begin()) / n, (hi - lo) / n});
      }
    for (double k = -1; k <= n + 1; ++k)
      for (double p : {k / n, std::nextafter(k / n, 2.0)})
        got.push_back(d->ValueByCDF(p)), want.push_back(plain[p <= 0 ? 0 : std::size_t(std::min(std::ceil(p * n), n)) - 1]);
    EXPECT_TRUE(got.size() == want.size() && std::memcmp(got.data(), want.data(), got.size() * sizeof(double)) == 0) << n;
    EXPECT_TRUE(d->generator().GetData() == weights && d->generator().GetTotalWeight() == n);
    delete d;
  }
}

}  // namespace
