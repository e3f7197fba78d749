// One contract over every continuous law, in both its handle and its
// free-function form: quantile and cumulative function invert each other,
// the density is the slope of the cumulative function and integrates to 1,
// draws follow the law, the support's ends and bad arguments are handled.
#include <gsl/gsl_integration.h>

#include "calc/laws.hpp"

using laws::Law;
using laws::Near;

namespace {

const std::vector<Law>& All() {
  static const laws::LawSet set;
  return set.all();
}

// The free form of a law's parameter set (a free form is its own twin).
const Law& Twin(const Law& law) {
  for (const Law& other : All())
    if (other.key == law.key && other.handle == nullptr) return other;
  return law;
}

const double kProbabilities[] = {1e-9, 1e-6, 0.001, 0.0173, 0.1, 0.25,  0.3183, 0.5,
                                 0.6271, 0.75, 0.9,  0.9827, 0.999, 1 - 1e-6};

double Integrate(laws::Fn f, double lo, double hi) {
  gsl_function g{[](double x, void* f) { return (*static_cast<laws::Fn*>(f))(x); }, &f};
  gsl_integration_workspace* w = gsl_integration_workspace_alloc(2000);
  double result = kNaN, error = kNaN;
  if (std::isfinite(lo) && std::isfinite(hi))
    gsl_integration_qags(&g, lo, hi, 1e-12, 1e-11, 2000, w, &result, &error);
  else if (std::isfinite(lo))
    gsl_integration_qagiu(&g, lo, 1e-12, 1e-11, 2000, w, &result, &error);
  else
    gsl_integration_qagi(&g, 1e-12, 1e-11, 2000, w, &result, &error);
  gsl_integration_workspace_free(w);
  return result;
}

// Quantile and cumulative function invert each other, the density is the
// slope of the cumulative function and integrates to 1, and the handle form
// agrees with the free.
TEST(ContinuousContract, QuantileCdfAndDensityAgree) {
  for (const Law& law : All()) {
    SCOPED_TRACE(law.label);
    for (double p : kProbabilities) {
      const double x = law.quantile(p);
      ASSERT_TRUE(x >= law.lo && x <= law.hi) << "p " << p << " x " << x;
      // Inside the snap band the quantile is the mode itself.
      const double tolerance = std::fabs(p - law.snap) < law.band ? law.band : law.tolerance;
      EXPECT_NEAR(law.cdf(x), p, tolerance) << "p " << p << " x " << x;
      EXPECT_TRUE(Near(x, Twin(law).quantile(p), 1e-14)) << "p " << p;
    }
    for (double x : law.xs) {
      const double p = law.cdf(x), h = 1e-6 * std::fmax(1.0, std::fabs(x));
      const double slope = (law.cdf(x + h) - law.cdf(x - h)) / (2 * h);
      ASSERT_TRUE(p > 0 && p < 1) << "x " << x;
      EXPECT_TRUE(Near(law.quantile(p), x, 1e-8)) << "x " << x << " gives " << law.quantile(p);
      EXPECT_GE(law.pdf(x), 0.0);
      EXPECT_NEAR(law.pdf(x), slope, 1e-5 * std::fmax(1.0, slope)) << "x " << x;
      EXPECT_TRUE(Near(law.pdf(x), Twin(law).pdf(x), 1e-14) && Near(p, Twin(law).cdf(x), 1e-14)) << x;
    }
    EXPECT_NEAR(Integrate(law.pdf, law.lo, law.hi), 1.0, 1e-8);
  }
}

// Seeded Kolmogorov test: sqrt(n) D above 2.7 happens with probability below
// 2 exp(-2 * 2.7^2) < 1e-6 for draws that follow the law. The draws follow one
// source, the GSL stream or the runtime generator: reseeding the other, or
// saving and restoring the stream, changes none of them.
TEST(ContinuousContract, DrawsStayInTheSupportAndFollowTheLaw) {
  constexpr int kDraws = 20000;
  for (const Law& law : All()) {
    SCOPED_TRACE(law.label);
    std::srand(20260607u);
    stoka_ran_seed(7310u);
    std::vector<double> draws(kDraws);
    for (double& d : draws) d = law.draw();
    std::srand(law.stream ? 1u : 20260607u);
    stoka_ran_seed(law.stream ? 7310u : 1u);
    stoka_ran_poke_state();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(law.draw(), draws[i]) << i;
    stoka_ran_peek_state();
    EXPECT_EQ(law.draw() == draws[0], law.stream);
    std::sort(draws.begin(), draws.end());
    ASSERT_GE(draws.front(), law.lo);
    ASSERT_LE(draws.back(), law.hi);
    double d_max = 0.0;
    for (int i = 0; i < kDraws; ++i) {
      const double f = law.cdf(draws[i]);
      d_max = std::max({d_max, f - double(i) / kDraws, double(i + 1) / kDraws - f});
    }
    EXPECT_LT(std::sqrt(double(kDraws)) * d_max, 2.7);
  }
}

TEST(ContinuousContract, EndsAndNonFiniteArguments) {
  for (const Law& law : All()) {
    SCOPED_TRACE(law.label);
    // NaN in gives NaN out, infinities give the limits, a quantile of p
    // outside [0, 1] is whatever the family gives but never a finite x outside
    // the support.
    EXPECT_TRUE(std::isnan(law.pdf(kNaN)) && std::isnan(law.cdf(kNaN)) && std::isnan(law.quantile(kNaN)));
    EXPECT_TRUE(law.pdf(kInf) == 0 && law.pdf(-kInf) == 0 && law.cdf(kInf) == 1 && law.cdf(-kInf) == 0);
    for (double p : {-0.5, 1.5, -kInf, kInf}) {
      const double x = law.quantile(p);
      EXPECT_FALSE(std::isfinite(x) && (x < law.lo || x > law.hi)) << "p " << p << " x " << x;
    }
    // Clearly beyond the ends: the free functions normalise x first, and the
    // next double past an end can round back onto it.
    const double below = law.lo - 1e-9 * std::fmax(1.0, std::fabs(law.lo));
    const double above = law.hi + 1e-9 * std::fmax(1.0, std::fabs(law.hi));
    if (std::isfinite(law.lo)) {
      EXPECT_TRUE(law.cdf(below) == 0 && law.pdf(below) == 0);
      EXPECT_NEAR(law.cdf(law.lo), 0.0, 1e-15);
    }
    if (std::isfinite(law.hi)) {
      EXPECT_TRUE(law.cdf(above) == 1 && law.pdf(above) == 0);
      EXPECT_NEAR(law.cdf(law.hi), 1.0, 1e-15);
    }
    if (law.handle == nullptr) continue;
    IDistribution* h = law.handle;
    EXPECT_TRUE(GetMinValue(h) == law.lo && GetMaxValue(h) == law.hi);
    EXPECT_EQ(GetDistributionName(h), law.name);
    EXPECT_EQ(GetDistributionName(h), GetDistributionName(h));  // one text per family, kept
    // At the ends themselves the family's own density answers.
    if (std::isfinite(law.lo)) {
      EXPECT_EQ(GetSFValue(h, below), 1.0);
      EXPECT_EQ(GetPDFValue(h, law.lo), Twin(law).pdf(law.lo));
    }
    if (std::isfinite(law.hi)) {
      EXPECT_EQ(GetCDFValue(h, law.hi), 1.0);  // exactly
      EXPECT_TRUE(GetSFValue(h, law.hi) == 0 && GetSFValue(h, above) == 0);
      EXPECT_EQ(GetPDFValue(h, law.hi), Twin(law).pdf(law.hi));
    }
  }
}

}  // namespace
