// Boundaries of the distribution handles and the continuous families: hand
// derived values at the points where a formula changes or a tolerance band
// decides, refused parameters, null handles, the window over a distribution,
// and which random source each family's draws follow.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "calc/laws.hpp"
#include "stoka/continuous.hpp"
#include "stoka/discrete.hpp"

namespace {

using laws::kInf;
using laws::kNaN;

const double kE = std::exp(1.0);

// Handles shared by the rows below, created once.
struct Zoo {
  IDistribution *uniform02 = nullptr, *triangle213 = nullptr, *beta22 = nullptr,
                *pert0510 = nullptr, *lognormal5 = nullptr;
  Zoo() {
    CreateUniformDistribution(0.0, 2.0, &uniform02);
    CreateTriangularDistribution(2.0, 1.0, 3.0, &triangle213);
    CreateBetaDistribution(2.0, 2.0, 0.0, 10.0, &beta22);
    CreatePertDistribution(5.0, 0.0, 10.0, &pert0510);
    CreateLogNormalDistribution(0.4137, 0.62, 5.0, &lognormal5);
  }
  ~Zoo() {
    for (IDistribution** h : {&uniform02, &triangle213, &beta22, &pert0510, &lognormal5})
      DestroyUniformDistribution(h);
  }
};
const Zoo& Z() {
  static const Zoo zoo;
  return zoo;
}

double Half() { return 0.5; }
double Zero() { return 0.0; }

struct Spot {
  const char* what;
  double (*got)();
  double expected;
  double tolerance;  // 0: exactly; NaN expected: NaN
};

// Hand-derived values (and the fixes): one row per case.
const Spot kSpots[] = {
    // Bounded handle queries: both ends belong to the support.
    {"uniform [0,2] pdf at 0", [] { return GetPDFValue(Z().uniform02, 0.0); }, 0.5, 0},
    {"uniform [0,2] pdf at 2", [] { return GetPDFValue(Z().uniform02, 2.0); }, 0.5, 0},
    {"uniform [0,2] pdf just below", [] { return GetPDFValue(Z().uniform02, -1e-12); }, 0.0, 0},
    {"uniform [0,2] pdf just above", [] { return GetPDFValue(Z().uniform02, 2 + 1e-12); }, 0.0, 0},
    {"triangle (2, 1, 3) mode", [] { return GetPDFValue(Z().triangle213, 2.0); }, 1.0, 0},
    {"triangle (2, 1, 3) min", [] { return GetMinValue(Z().triangle213); }, 1.0, 0},
    {"triangle (2, 1, 3) max", [] { return GetMaxValue(Z().triangle213); }, 3.0, 0},
    // Uniform on [2, 6].
    {"uniform pdf at 2", [] { return UniformPDFValue(2, 6, 2); }, 0.25, 0},
    {"uniform pdf at 6", [] { return UniformPDFValue(2, 6, 6); }, 0.25, 0},
    {"uniform pdf at 6.5", [] { return UniformPDFValue(2, 6, 6.5); }, 0.0, 0},
    {"uniform cdf at 1", [] { return UniformCDFValue(2, 6, 1); }, 0.0, 0},
    {"uniform cdf at 4", [] { return UniformCDFValue(2, 6, 4); }, 0.5, 0},
    {"uniform cdf at 7", [] { return UniformCDFValue(2, 6, 7); }, 1.0, 0},
    {"uniform quantile at -0.5", [] { return UniformValueByCDF(2, 6, -0.5); }, 2.0, 0},
    {"uniform quantile at 0.25", [] { return UniformValueByCDF(2, 6, 0.25); }, 3.0, 0},
    {"uniform quantile at 1", [] { return UniformValueByCDF(2, 6, 1); }, 6.0, 0},
    // Triangle min 0, ml 1, max 4: the mode's probability is 0.25.
    {"triangle pdf at the mode", [] { return TriangularPDFValue(0, 4, 1, 1); }, 0.5, 0},
    {"triangle pdf at 0.5", [] { return TriangularPDFValue(0, 4, 1, 0.5); }, 0.25, 1e-15},
    {"triangle pdf at 2.5", [] { return TriangularPDFValue(0, 4, 1, 2.5); }, 0.25, 1e-15},
    {"triangle cdf at 0", [] { return TriangularCDFValue(0, 4, 1, 0); }, 0.0, 0},
    {"triangle cdf at 1", [] { return TriangularCDFValue(0, 4, 1, 1); }, 0.25, 1e-15},
    {"triangle cdf at 2.5", [] { return TriangularCDFValue(0, 4, 1, 2.5); }, 0.8125, 1e-15},
    {"triangle cdf at 4", [] { return TriangularCDFValue(0, 4, 1, 4); }, 1.0, 0},
    {"triangle quantile 0.25", [] { return TriangularValueByCDF(0, 4, 1, 0.25); }, 1.0, 0},
    {"triangle quantile snaps", [] { return TriangularValueByCDF(0, 4, 1, 0.25009); }, 1.0, 0},
    {"triangle quantile 0", [] { return TriangularValueByCDF(0, 4, 1, 0); }, 0.0, 0},
    {"triangle quantile -0.3", [] { return TriangularValueByCDF(0, 4, 1, -0.3); }, 0.0, 0},
    {"triangle quantile 1.5", [] { return TriangularValueByCDF(0, 4, 1, 1.5); }, 4.0, 0},
    {"fitter triangle quantile, band 1e-6",
     [] { return stoka_ran_triangular_cdf_inv(0.25009, 1, 0, 4); },
     4 - std::sqrt(4 * 0.74991 * 3), 1e-14},
    {"fitter triangle cdf below min", [] { return stoka_ran_triangular_cdf(-1, 1, 0, 4); }, 0, 0},
    {"fitter triangle cdf within 1e-6 of min",
     [] { return stoka_ran_triangular_cdf(5e-7, 1, 0, 4); }, 0, 0},
    // Log-triangle min 1, ml e, max e^2: the mode's probability is 0.5.
    {"log-triangle cdf at e", [] { return LogTriangularCDFValue(1, kE * kE, kE, kE); }, 0.5, 1e-15},
    {"log-triangle quantile 0.5", [] { return LogTriangularValueByCDF(1, kE * kE, kE, 0.5); }, kE, 0},
    {"log-triangle quantile 0.125",
     [] { return LogTriangularValueByCDF(1, kE * kE, kE, 0.125); }, std::exp(0.5), 1e-15},
    {"log-triangle draw at u = 0.5", [] { return LogTriangularRandom(1, kE * kE, kE, Half); }, kE, 0},
    {"log-triangle draw at u = 0", [] { return LogTriangularRandom(1, kE * kE, kE, Zero); }, 1.0, 0},
    // All-negative log-triangle (-10, -5, -1).
    {"negative log-triangle cdf at -10", [] { return LogTriangularCDFValue(-10, -1, -5, -10); }, 0, 0},
    {"negative log-triangle cdf at -5", [] { return LogTriangularCDFValue(-10, -1, -5, -5); },
     std::log(0.5) / std::log(0.1), 1e-15},
    {"negative log-triangle cdf at -1", [] { return LogTriangularCDFValue(-10, -1, -5, -1); }, 1, 1e-15},
    {"negative log-triangle draw at u = 0", [] { return LogTriangularRandom(-10, -1, -5, Zero); },
     -10, 0},
    {"negative log-triangle fitter quantile 0.1",
     [] { return stoka_ran_logtriangular_cdf_inv(0.1, -5, -10, -1); },
     -10 * std::exp(-std::sqrt(0.1 * std::log(0.5) * std::log(0.1))), 1e-14},
    // Normal, lognormal, exponential.
    {"gaussian cdf at its mean", [] { return stoka_ran_gaussian_cdf(3, 3, 2); }, 0.5, 0},
    {"gaussian quantile 0.5", [] { return stoka_ran_gaussian_cdf_inv(0.5, 3, 2); }, 3.0, 1e-15},
    {"lognormal handle pdf at its location", [] { return GetPDFValue(Z().lognormal5, 5); }, 0, 0},
    {"lognormal handle cdf at its location", [] { return GetCDFValue(Z().lognormal5, 5); }, 0, 0},
    {"lognormal handle median", [] { return GetInverseCDFValue(Z().lognormal5, 0.5); },
     5 + std::exp(0.4137), 1e-14},
    {"lognormal cdf below its location", [] { return stoka_ran_lognormal_cdf(1.5, 2.0, 0.3, 0.8); },
     0.0, 0},
    {"exponential median", [] { return stoka_ran_exponential_cdf_inv(0.5, 1, 2); },
     1 + 2 * std::log(2.0), 1e-15},
    {"exponential cdf at its shift", [] { return stoka_ran_exponential_cdf(1, 1, 2); }, 0, 0},
    {"exponential quantile below 0", [] { return stoka_ran_exponential_cdf_inv(-0.5, 1, 2); },
     kNaN, 0},
    // Beta(2, 2) on [0, 10]: a proper density, 6 z (1 - z) / 10 at z = 0.5.
    {"beta handle pdf at 5", [] { return GetPDFValue(Z().beta22, 5); }, 0.15, 1e-15},
    {"beta free pdf at 5", [] { return stoka_ran_beta_pdf(5, 0, 10, 2, 2); }, 0.15, 1e-15},
    {"beta handle cdf at 5", [] { return GetCDFValue(Z().beta22, 5); }, 0.5, 1e-15},
    {"beta handle median", [] { return GetInverseCDFValue(Z().beta22, 0.5); }, 5, 1e-12},
    {"beta handle pdf below", [] { return GetPDFValue(Z().beta22, -0.1); }, 0, 0},
    {"beta handle pdf above", [] { return GetPDFValue(Z().beta22, 10.1); }, 0, 0},
    {"beta flat quantile (p, min, scale, a, b)",
     [] { return stoka_ran_beta_cdf_inv(0.5, 10, 4, 2, 2); }, 12, 1e-12},
    {"beta object quantile (p, a, b, min, max)",
     [] { return stoka_ran_beta_cdf_inv_(0.5, 2, 2, 10, 14); }, 12, 1e-12},
    // Pert(0, 5, 10) is Beta(3, 3) on [0, 10]: 30 z^2 (1 - z)^2 / 10 at z = 0.5.
    {"pert handle pdf at 5", [] { return GetPDFValue(Z().pert0510, 5); }, 0.1875, 1e-15},
    {"pert free pdf at 5", [] { return stoka_ran_pert_pdf(5, 0, 10, 5); }, 0.1875, 1e-15},
    {"pert handle median", [] { return GetInverseCDFValue(Z().pert0510, 0.5); }, 5, 1e-12},
    {"pert alpha (0, 2, 10)",
     [] { double a, b; CalcAlphaBetaForPert(0, 10, 2, &a, &b); return a; }, 1.8, 1e-15},
    {"pert beta (0, 2, 10)",
     [] { double a, b; CalcAlphaBetaForPert(0, 10, 2, &a, &b); return b; }, 4.2, 1e-15},
    {"pert alpha, other form",
     [] { double a, b; CalcBetaParamsByPert(0, 10, 2, &a, &b); return a; }, 1.8, 1e-15},
    {"pert beta, other form",
     [] { double a, b; CalcBetaParamsByPert(0, 10, 2, &a, &b); return b; }, 4.2, 1e-15},
    // GSL's beta inverse never ends on these; the library answers NaN.
    {"beta quantile at NaN", [] { return stoka_ran_beta_cdf_inv(kNaN, 0, 1, 2, 3); }, kNaN, 0},
    {"beta quantile, NaN shape", [] { return stoka_ran_beta_cdf_inv(0.5, 0, 1, kNaN, 3); }, kNaN, 0},
    {"beta quantile, zero shape", [] { return stoka_ran_beta_cdf_inv(0.5, 0, 1, 0, 3); }, kNaN, 0},
    {"beta quantile, infinite shape", [] { return stoka_ran_beta_cdf_inv(0.5, 0, 1, 2, kInf); },
     kNaN, 0},
    {"beta quantile, shape 1e300", [] { return stoka_ran_beta_cdf_inv(0.5, 0, 1, 1e300, 3); },
     kNaN, 0},
    {"pert quantile, min = max", [] { return stoka_ran_pert_cdf_inv(0.5, 2, 2, 2); }, kNaN, 0},
    {"handle beta quantile at NaN", [] { return GetInverseCDFValue(Z().beta22, kNaN); }, kNaN, 0},
    // Shapes beyond GSL's reach are bisected on the cumulative function.
    {"beta quantile, shapes 2.5e5 and 4e5",
     [] {
       const double q = stoka_ran_beta_cdf_inv(0.3183, 0, 1, 2.5e5, 4e5);
       return stoka_ran_beta_cdf(q, 0, 1, 2.5e5, 4e5);
     },
     0.3183, 1e-9},
    {"beta quantile, shapes 2e6 and 2e6, ends (NaN or inside [0, 1])",
     [] {
       const double q = stoka_ran_beta_cdf_inv(0.5, 0, 1, 2e6, 2e6);
       return std::isnan(q) || (q >= 0 && q <= 1) ? 1.0 : 0.0;
     },
     1.0, 0},
    {"beta quantile, shapes 1e-300 and 1e300, ends (NaN or inside [0, 1])",
     [] {
       const double q = stoka_ran_beta_cdf_inv(0.7, 0, 1, 1e-300, 1e300);
       return std::isnan(q) || (q >= 0 && q <= 1) ? 1.0 : 0.0;
     },
     1.0, 0},
    // Draws without a source, or with shapes GSL's variate cannot take.
    {"beta draw, shape -1e6", [] { return stoka_ran_beta(0, 1, -1e6, 3); }, kNaN, 0},
    {"uniform draw without source", [] { return UniformRandom(0, 1, nullptr); }, kNaN, 0},
    {"triangle draw without source", [] { return TriangularRandom(0, 1, 0.5, nullptr); }, kNaN, 0},
    {"log-triangle draw without source", [] { return LogTriangularRandom(1, 2, 1.5, nullptr); },
     kNaN, 0},
    // Null handles: the neutral values.
    {"null GetCDFValue", [] { return GetCDFValue(nullptr, 1.0); }, -1.0, 0},
    {"null GetPDFValue", [] { return GetPDFValue(nullptr, 1.0); }, -1.0, 0},
    {"null GetInverseCDFValue", [] { return GetInverseCDFValue(nullptr, 0.5); }, kInf, 0},
    {"null GetSFValue", [] { return GetSFValue(nullptr, 1.0); }, -1.0, 0},
    {"null GetMinValue", [] { return GetMinValue(nullptr); }, kInf, 0},
    {"null GetMaxValue", [] { return GetMaxValue(nullptr); }, -kInf, 0},
};

TEST(FamilyEdges, HandDerivedValues) {
  for (const Spot& s : kSpots) {
    const double got = s.got();
    if (std::isnan(s.expected))
      EXPECT_TRUE(std::isnan(got)) << s.what << ": " << got;
    else if (s.tolerance == 0)
      EXPECT_EQ(got, s.expected) << s.what;
    else
      EXPECT_NEAR(got, s.expected, s.tolerance) << s.what;
  }
  EXPECT_EQ(GetDistributionName(nullptr), nullptr);
}

// A refused creation returns 0 and leaves the host's variable as it was.
struct Refusal {
  const char* what;
  int (*create)(IDistribution** out);
};
const double kThree[] = {2.385, -1.7, 9.25};
const unsigned kWeights[] = {3, 1, 2};
const unsigned kHuge[] = {1u << 25, 1u << 25, 1};
const double kWithNaN[] = {1.5, kNaN, 2.5};

const Refusal kRefusals[] = {
    {"uniform min = max", [](IDistribution** o) { return CreateUniformDistribution(3, 3, o); }},
    {"uniform NaN", [](IDistribution** o) { return CreateUniformDistribution(kNaN, 3, o); }},
    {"normal sigma 0", [](IDistribution** o) { return CreateNormalDistribution(1, 0, o); }},
    {"normal sigma < 0", [](IDistribution** o) { return CreateNormalDistribution(1, -2, o); }},
    {"lognormal sigma 0", [](IDistribution** o) { return CreateLogNormalDistribution(1, 0, 2, o); }},
    {"triangle mode below min",
     [](IDistribution** o) { return CreateTriangularDistribution(1, 2, 3, o); }},
    {"triangle mode above max",
     [](IDistribution** o) { return CreateTriangularDistribution(3.5, 2, 3, o); }},
    {"log-triangle mode below min",
     [](IDistribution** o) { return CreateLogTriangularDistribution(1, 2, 3, o); }},
    {"pert max < min", [](IDistribution** o) { return CreatePertDistribution(2, 3, 1, o); }},
    {"beta alpha 0.3", [](IDistribution** o) { return CreateBetaDistribution(0.3, 2, 0, 1, o); }},
    {"beta max = min", [](IDistribution** o) { return CreateBetaDistribution(2, 2, 1, 1, o); }},
    {"bernoulli p > 1", [](IDistribution** o) { return CreateBernoulliDistribution(1.01, o); }},
    {"bernoulli p < 0", [](IDistribution** o) { return CreateBernoulliDistribution(-0.01, o); }},
    {"bernoulli NaN", [](IDistribution** o) { return CreateBernoulliDistribution(kNaN, o); }},
    {"discrete uniform min > max",
     [](IDistribution** o) { return CreateDiscreteUniformDistribution(3, 2, o); }},
    {"discrete uniform over every int",
     [](IDistribution** o) { return CreateDiscreteUniformDistribution(INT_MIN, INT_MAX, o); }},
    {"discrete uniform of 2^26 + 1 integers",
     [](IDistribution** o) { return CreateDiscreteUniformDistribution(-5, (1 << 26) - 5, o); }},
    {"discrete, null values", [](IDistribution** o) { return CreateDiscreteDistribution(nullptr, 3, o); }},
    {"discrete, NaN value", [](IDistribution** o) { return CreateDiscreteDistribution(kWithNaN, 3, o); }},
    {"weighted, null values",
     [](IDistribution** o) { return CreateDiscreteDistributionWeighted(nullptr, kWeights, 3, o); }},
    {"weighted, null weights",
     [](IDistribution** o) { return CreateDiscreteDistributionWeighted(kThree, nullptr, 3, o); }},
    {"weighted, total above 2^26",
     [](IDistribution** o) { return CreateDiscreteDistributionWeighted(kThree, kHuge, 3, o); }},
    {"constant NaN", [](IDistribution** o) { return CreateConstantDistribution(kNaN, o); }},
};

TEST(FamilyEdges, RefusedCreationLeavesTheHandle) {
  for (const Refusal& r : kRefusals) {
    IDistribution* const sentinel = reinterpret_cast<IDistribution*>(0x5eed);
    IDistribution* h = sentinel;
    EXPECT_EQ(r.create(&h), 0) << r.what;
    EXPECT_EQ(h, sentinel) << r.what;
  }
  EXPECT_EQ(CreateUniformDistribution(0, 1, nullptr), 0);
  EXPECT_EQ(CreateDiscreteDistribution(kThree, 3, nullptr), 0);
}

TEST(FamilyEdges, DiscreteUniformConstructorKeepsItsException) {
  EXPECT_THROW(DiscreteUniformGenerator(3, 2), std::exception);
  EXPECT_THROW(DiscreteUniformGenerator(INT_MIN, INT_MAX), std::length_error);
}

TEST(FamilyEdges, DestroyAcceptsNull) {
  IDistribution* h = nullptr;
  DestroyNormalDistribution(&h);
  EXPECT_EQ(h, nullptr);
  DestroyBetaDistribution(nullptr);
  // Any destroyer takes any family.
  ASSERT_EQ(CreateBernoulliDistribution(0.3, &h), 1);
  DestroyPertDistribution(&h);
  EXPECT_EQ(h, nullptr);
}

TEST(DistributionWindow, ByValuesAndByProbabilities) {
  IDistribution* u = nullptr;
  ASSERT_EQ(CreateUniformDistribution(0, 8, &u), 1);
  DistributionPlot plot(u, 2, 4);
  EXPECT_EQ(plot.cdf_min_, 0.25);
  EXPECT_EQ(plot.cdf_range_, 0.25);
  EXPECT_EQ(plot.CdfValue(3), 0.5);
  EXPECT_EQ(plot.CdfValue(1), 0.0);
  EXPECT_EQ(plot.CdfValue(5), 1.0);
  EXPECT_EQ(plot.ValueByCDF(0.5), 3.0);
  EXPECT_EQ(plot.PdfValue(3), 0.125);  // the distribution's own density

  plot.SetCDFBounds(0.25, 0.75);
  EXPECT_EQ(plot.min_, 2.0);
  EXPECT_EQ(plot.max_, 6.0);
  EXPECT_EQ(plot.cdf_min_, 0.25);
  EXPECT_EQ(plot.cdf_range_, 0.5);

  double p = 0.5, value = 0;
  EXPECT_TRUE(plot.ValueByCDFOnPlot(&p, &value));
  EXPECT_EQ(value, 4.0);
  std::srand(8128u);
  for (int i = 0; i < 50; ++i) {
    p = -1;
    ASSERT_TRUE(plot.ValueByCDFOnPlot(&p, &value));
    EXPECT_GE(p, 0.0);
    EXPECT_LE(p, 1.0);
    EXPECT_EQ(value, plot.ValueByCDF(p));
    EXPECT_GE(value, 2.0);
    EXPECT_LE(value, 6.0);
  }
  DestroyUniformDistribution(&u);
}

TEST(DistributionWindow, RefusesBadWindows) {
  IDistribution* u = nullptr;
  ASSERT_EQ(CreateUniformDistribution(0, 8, &u), 1);
  EXPECT_THROW(DistributionPlot(nullptr, 0, 1), std::invalid_argument);
  EXPECT_THROW(DistributionPlot(u, 4, 2), std::invalid_argument);
  EXPECT_THROW(DistributionPlot(u, 3, 3), std::invalid_argument);
  EXPECT_THROW(DistributionPlot(u, kNaN, 3), std::invalid_argument);
  DestroyUniformDistribution(&u);
}

// A window between two values of a discrete set: the quantile never lands in
// it, and the draws give up instead of running forever.
TEST(DistributionWindow, GivesUpOnAWindowNeverReached) {
  const double values[] = {1.0, 5.0};
  IDistribution* d = nullptr;
  ASSERT_EQ(CreateDiscreteDistribution(values, 2, &d), 1);
  DistributionPlot plot(d, 2, 4);
  double p = -1, value = 0;
  EXPECT_FALSE(plot.ValueByCDFOnPlot(&p, &value));
  DestroyDiscreteDistribution(&d);
}

// Bernoulli(0.25) over its whole support [0, 1]: the window spans every
// probability, and three quarters of evenly spread positions give 0.
TEST(DistributionWindow, BernoulliOverItsSupport) {
  IDistribution* b = nullptr;
  ASSERT_EQ(CreateBernoulliDistribution(0.25, &b), 1);
  DistributionPlot plot(b, 0, 1);
  EXPECT_EQ(plot.cdf_min_, 0.0);
  EXPECT_EQ(plot.cdf_range_, 1.0);
  int zeros = 0;
  for (int i = 0; i < 1000; ++i) zeros += plot.ValueByCDF((i + 0.5) / 1000) == 0.0;
  EXPECT_EQ(zeros, 750);
  DestroyBernoulliDistribution(&b);
}

std::vector<double> Draws(IDistribution* h, int n) {
  std::vector<double> v(n);
  for (double& x : v) x = h->Generator()->GenerateRandomValue();
  return v;
}

// Which source each family draws from: the GSL stream (seeded, saved and
// restored by the library) or the runtime generator (srand).
TEST(RandomSources, GslFamiliesFollowTheStream) {
  IDistribution* h[4] = {};
  ASSERT_EQ(CreateNormalDistribution(3.27, 1.85, &h[0]), 1);
  ASSERT_EQ(CreateLogNormalDistribution(0.731, 0.442, 2.15, &h[1]), 1);
  ASSERT_EQ(CreateBetaDistribution(2.35, 4.1, 1.5, 9.25, &h[2]), 1);
  ASSERT_EQ(CreatePertDistribution(3.05, 1.2, 9.7, &h[3]), 1);
  for (IDistribution* d : h) {
    SCOPED_TRACE(GetDistributionName(d));
    stoka_ran_seed(2718u);
    std::srand(1u);
    const auto first = Draws(d, 16);
    stoka_ran_seed(2718u);
    std::srand(2u);  // the runtime generator plays no part
    EXPECT_EQ(Draws(d, 16), first);
    stoka_ran_poke_state();
    const auto saved = Draws(d, 16);
    stoka_ran_peek_state();
    EXPECT_EQ(Draws(d, 16), saved);
    EXPECT_NE(saved, first);
  }
  for (IDistribution*& d : h) DestroyNormalDistribution(&d);

  stoka_ran_seed(31u);
  const double e1 = stoka_ran_exponential(1.75, 2.6), p1 = stoka_ran_pert(10, 20, 15);
  stoka_ran_seed(31u);
  EXPECT_EQ(stoka_ran_exponential(1.75, 2.6), e1);
  EXPECT_EQ(stoka_ran_pert(10, 20, 15), p1);
}

TEST(RandomSources, RuntimeFamiliesFollowSrand) {
  IDistribution* h[3] = {};
  ASSERT_EQ(CreateUniformDistribution(2.385, 7.91, &h[0]), 1);
  ASSERT_EQ(CreateTriangularDistribution(2.385, 1.25, 7.9, &h[1]), 1);
  ASSERT_EQ(CreateLogTriangularDistribution(3.7, 1.5, 12.4, &h[2]), 1);
  for (IDistribution* d : h) {
    SCOPED_TRACE(GetDistributionName(d));
    std::srand(5u);
    stoka_ran_seed(1u);
    const auto first = Draws(d, 16);
    std::srand(5u);
    stoka_ran_seed(999u);  // seeding and restoring the stream play no part
    stoka_ran_poke_state();
    stoka_ran_peek_state();
    EXPECT_EQ(Draws(d, 16), first);
    std::srand(6u);
    EXPECT_NE(Draws(d, 16), first);
  }
  for (IDistribution*& d : h) DestroyUniformDistribution(&d);
}

// Pert(10, 15, 20) is Beta(3, 3) on [10, 20]: mean 15, sd 10 / sqrt(28).
TEST(RandomSources, PertDrawsCentreOnTheMean) {
  constexpr int kDraws = 20000;
  stoka_ran_seed(4099u);
  double sum = 0;
  for (int i = 0; i < kDraws; ++i) {
    const double x = stoka_ran_pert(10, 20, 15);
    ASSERT_GE(x, 10.0);
    ASSERT_LE(x, 20.0);
    sum += x;
  }
  // Five standard errors.
  EXPECT_NEAR(sum / kDraws, 15.0, 5 * 10 / std::sqrt(28.0) / std::sqrt(double(kDraws)));
}

}  // namespace
