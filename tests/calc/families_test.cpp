// Boundaries of the distribution handles and the continuous families: hand
// derived values where a formula changes or a tolerance band decides,
// arguments on which GSL would never return, refused parameters, null
// handles, and the window over a distribution.

#include <climits>
#include <stdexcept>
#include <thread>

#include "core/output.hpp"
#include "stoka/continuous.hpp"
#include "stoka/discrete.hpp"
#include "support/rows.hpp"

namespace {

const double kE = std::exp(1.0);
double Half() { return 0.5; }
double Zero() { return 0.0; }

// 1 when a quantile is NaN or inside [0, 1]: the search ends either way.
double Ends(double q) { return std::isnan(q) || (q >= 0 && q <= 1); }

TEST(FamilyEdges, HandDerivedValues) {
  IDistribution *u02, *ln5;
  CreateUniformDistribution(0.0, 2.0, &u02);
  CreateLogNormalDistribution(0.4137, 0.62, 5.0, &ln5);
  double a = 0, b = 0;
  rows::Check({
      // Both ends belong to a bounded support; quantiles clamp p. Triangle min
      // 0, ml 1, max 4: the mode's probability is 0.25, and the quantile snaps
      // to the mode within 1e-4 of it (the fitters' within 1e-6).
      ROW(UniformValueByCDF(2, 6, -0.5), 2), ROW(TriangularPDFValue(0, 4, 1, 1), 0.5),
      NEAR(TriangularCDFValue(0, 4, 1, 1), 0.25, 1e-15), ROW(TriangularValueByCDF(0, 4, 1, 0.25009), 1),
      ROW(TriangularValueByCDF(0, 4, 1, -0.3), 0), ROW(TriangularValueByCDF(0, 4, 1, 1.5), 4),
      NEAR(stoka_ran_triangular_cdf_inv(0.25009, 1, 0, 4), 4 - std::sqrt(4 * 0.74991 * 3), 1e-14),
      ROW(stoka_ran_triangular_cdf(-1, 1, 0, 4), 0), ROW(stoka_ran_triangular_cdf(5e-7, 1, 0, 4), 0),
      // Log-triangle min 1, ml e, max e^2: the mode's probability is 0.5; the
      // all-negative one (-10, -5, -1) stays inside its support.
      ROW(LogTriangularValueByCDF(1, kE * kE, kE, 0.5), kE),
      ROW(LogTriangularRandom(1, kE * kE, kE, Half), kE), ROW(LogTriangularRandom(-10, -1, -5, Zero), -10),
      ROW(GetPDFValue(ln5, 5), 0), ROW(GetCDFValue(ln5, 5), 0), ROW(stoka_ran_lognormal_cdf(1.5, 2.0, 0.3, 0.8), 0),
      ROW(stoka_ran_exponential_cdf_inv(-0.5, 1, 2), kNaN),
      // The two argument orders of the Beta quantile; a Pert's Beta shapes.
      NEAR(stoka_ran_beta_cdf_inv(0.5, 10, 4, 2, 2), 12, 1e-12),   // (p, min, scale, a, b)
      NEAR(stoka_ran_beta_cdf_inv_(0.5, 2, 2, 10, 14), 12, 1e-12),  // (p, a, b, min, max)
      NEAR((CalcAlphaBetaForPert(0, 10, 2, &a, &b), a), 1.8, 1e-15), NEAR(b, 4.2, 1e-15),
      // Shapes beyond GSL's reach are bisected on the cumulative function.
      NEAR(stoka_ran_beta_cdf(stoka_ran_beta_cdf_inv(0.3183, 0, 1, 2.5e5, 4e5), 0, 1, 2.5e5, 4e5), 0.3183, 1e-9),
      ROW(Ends(stoka_ran_beta_cdf_inv(0.5, 0, 1, 2e6, 2e6)), 1),
      ROW(Ends(stoka_ran_beta_cdf_inv(0.7, 0, 1, 1e-300, 1e300)), 1),
      ROW(stoka_ran_beta_cdf_inv(0.5, 0, 1, 1e300, 3), kNaN), ROW(stoka_ran_pert_cdf_inv(0.5, 2, 2, 2), kNaN),
      ROW(stoka_ran_pert_cdf_inv(0.5, kNaN, kNaN, kNaN), kNaN), ROW(stoka_ran_pert(kNaN, 1, 0.5), kNaN),
      ROW(stoka_ran_beta(0, 1, -1e6, 3), kNaN),
      // Draws without a source; null handles give the neutral values.
      ROW(UniformRandom(0, 1, nullptr), kNaN), ROW(TriangularRandom(0, 1, 0.5, nullptr), kNaN),
      ROW(LogTriangularRandom(1, 2, 1.5, nullptr), kNaN), ROW(GetCDFValue(nullptr, 1.0), -1),
      ROW(GetPDFValue(nullptr, 1.0), -1), ROW(GetSFValue(nullptr, 1.0), -1),
      ROW(GetInverseCDFValue(nullptr, 0.5), kInf), ROW(GetMinValue(nullptr), kInf),
      ROW(GetMaxValue(nullptr), -kInf), ROW(GetDistributionName(nullptr) == nullptr, 1),
  });
  // GSL's beta inverse and variate never return on these; the library answers NaN.
  const double hostile[][3] = {{kNaN, kNaN, kNaN}, {kNaN, 2, 3},      {0.3, 0, 0},     {0.3, 0, 2},
                               {0.001, kInf, 1},   {0.5, 5e-324, 3},  {0.7, 2, -1},    {0.5, -kInf, 1},
                               {0.5, 2, kNaN},     {0.5, 2, kInf},    {0.999, 1e-310, 2}};
  for (const auto& c : hostile) {
    EXPECT_TRUE(std::isnan(stoka_ran_beta_cdf_inv(c[0], 1.0, 2.0, c[1], c[2]))) << c[1] << " " << c[2];
    if (!std::isnan(c[0])) EXPECT_TRUE(std::isnan(stoka_ran_beta(1.0, 2.0, c[1], c[2])));
  }
  EXPECT_NEAR(stoka_ran_beta_cdf_inv(0.5, 1.0, 2.0, 0.05, 3), 1.0, 0.01);  // extreme but valid
  // Any destroyer takes any family, a destroyed handle and no place at all
  // (they share one helper).
  for (IDistribution** h : {&u02, &ln5, &u02, static_cast<IDistribution**>(nullptr)}) DestroyTriangularDistribution(h);
  EXPECT_TRUE(u02 == nullptr && ln5 == nullptr);
}

// Fits from percentiles on several threads give what one gives alone, and the
// shared step count loses none of their steps.
TEST(FamilyEdges, FitsAcrossThreads) {
  auto fit = [](double* o) {
    o[7] = CalcBetaDistributionBy4Perc(500, 1e-6, 1.5, 2.385, 3.1, 4.75, 95, 70, 30, 5, &o[0], &o[1], &o[2], &o[3]) +
           CalcTriangularDistributionBy3Perc(500, 1e-6, 3.1, 5.2, 8.2, 90, 50, 10, &o[4], &o[5], &o[6]);
  };
  double alone[8], each[4][8];
  const auto start = stoka_iteration_count(), steps = (fit(alone), stoka_iteration_count() - start);
  std::vector<std::thread> threads;
  for (auto& o : each) threads.emplace_back(fit, o);
  for (auto& t : threads) t.join();
  EXPECT_TRUE(stoka_iteration_count() - start == 5 * steps && steps > 100) << steps;
  for (auto& o : each) EXPECT_EQ(std::memcmp(o, alone, sizeof alone), 0);
}

// A refused creation returns 0 and leaves the host's variable as it was.
TEST(FamilyEdges, RefusedCreationLeavesTheHandle) {
  const double three[] = {2.385, -1.7, 9.25}, with_nan[] = {1.5, kNaN, 2.5};
  const unsigned weights[] = {3, 1, 2}, huge[] = {1u << 25, 1u << 25, 1}, zeros[] = {0, 0, 0};
  const std::vector<double> heap(three, three + 3);
  IDistribution* const sentinel = reinterpret_cast<IDistribution*>(0x5eed);
  IDistribution* h = sentinel;
  rows::Check({
      ROW(CreateUniformDistribution(3, 3, &h), 0), ROW(CreateNormalDistribution(1, 0, &h), 0),
      ROW(CreateLogNormalDistribution(1, 0, 2, &h), 0), ROW(CreateTriangularDistribution(1, 2, 3, &h), 0),
      ROW(CreateLogTriangularDistribution(1, 2, 3, &h), 0), ROW(CreatePertDistribution(2, 3, 1, &h), 0),
      ROW(CreateBetaDistribution(0.3, 2, 0, 1, &h), 0), ROW(CreateBernoulliDistribution(1.01, &h), 0),
      ROW(CreateDiscreteUniformDistribution(3, 2, &h), 0), ROW(CreateDiscreteUniformDistribution(INT_MIN, INT_MAX, &h), 0),
      ROW(CreateDiscreteUniformDistribution(-5, (1 << 26) - 5, &h), 0),  // 2^26 + 1 integers
      ROW(CreateDiscreteDistribution(nullptr, 3, &h), 0), ROW(CreateDiscreteDistribution(with_nan, 3, &h), 0),
      ROW(CreateDiscreteDistributionWeighted(nullptr, weights, 3, &h), 0),
      ROW(CreateDiscreteDistributionWeighted(three, nullptr, 3, &h), 0),
      ROW(CreateDiscreteDistributionWeighted(three, huge, 3, &h), 0), ROW(CreateConstantDistribution(kNaN, &h), 0),
      // Counts beyond 2^26 are refused before the arrays are read (on the heap, so ASan would see it); weights all 0 too.
      ROW(CreateDiscreteDistribution(heap.data(), UINT_MAX, &h), 0), ROW(CreateDiscreteDistribution(heap.data(), (1u << 26) + 1, &h), 0),
      ROW(CreateDiscreteDistributionWeighted(heap.data(), weights, UINT_MAX, &h), 0), ROW(CreateDiscreteDistributionWeighted(three, zeros, 3, &h), 0),
      ROW(CreateUniformDistribution(0, 1, nullptr), 0), ROW(CreateDiscreteDistribution(three, 3, nullptr), 0),
  });
  EXPECT_EQ(h, sentinel);
  EXPECT_THROW(DiscreteUniformGenerator(3, 2), std::exception);
  EXPECT_THROW(DiscreteUniformGenerator(INT_MIN, INT_MAX), std::length_error);
}

// The window over a distribution: by values and by probabilities. A bad window
// is refused with std::invalid_argument carrying the assertion's text. A draw
// (p < 0) lands inside the window; draws against a window the quantile never
// reaches give up after 100000 tries.
TEST(DistributionWindow, ByValuesProbabilitiesAndRefusals) {
  IDistribution *u = nullptr, *d = nullptr;
  const double values[] = {1.0, 5.0};
  ASSERT_EQ(CreateUniformDistribution(0, 8, &u), 1);
  ASSERT_EQ(CreateDiscreteDistribution(values, 2, &d), 1);
  DistributionPlot plot(u, 2, 4), between(d, 2, 4);
  double p = 0.5, value = 0, never = -1;
  rows::Check({ROW(plot.cdf_min_, 0.25), ROW(plot.cdf_range_, 0.25), ROW(plot.CdfValue(3), 0.5),
               ROW(plot.CdfValue(1), 0), ROW(plot.CdfValue(5), 1), ROW(plot.ValueByCDF(0.5), 3),
               ROW(plot.PdfValue(3), 0.125), ROW((plot.SetCDFBounds(0.25, 0.75), plot.min_), 2),
               ROW(plot.max_, 6), ROW(plot.cdf_range_, 0.5), ROW(plot.ValueByCDFOnPlot(&p, &value), 1),
               ROW(value, 4), ROW(between.ValueByCDFOnPlot(&never, &value), 0),
               ROW((p = -1, plot.ValueByCDFOnPlot(&p, &value)), 1), ROW(value == plot.ValueByCDF(p) && value >= 2 && value <= 6, 1)});
  const std::tuple<IDistribution*, double, double, const char*> bad[] = {
      {nullptr, 2, 4, "distribution != nullptr"}, {u, 4, 4, "min_ < max_"}, {u, 5, 4, "min_ < max_"},
      {u, kNaN, 4, "min_ < max_"}, {u, 2, kNaN, "min_ < max_"}};
  for (auto [dist, min, max, text] : bad)
    try {
      DistributionPlot refused(dist, min, max);
      ADD_FAILURE() << "accepted " << min << ", " << max;
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), text);
    }
  DestroyUniformDistribution(&u);
  DestroyDiscreteDistribution(&d);
}

}  // namespace
