// The beta law with its shape terms kept against GSL itself, bit for bit: a
// grid of shapes (small, near 1, large) and probabilities (the ends, tiny,
// near 1, around the median), then random points.
#include <gsl/gsl_cdf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <tuple>
#include <utility>

#include "calc/beta_shape.hpp"
#include "support/gsl_handler.hpp"

namespace {
bool Same(double x, double y) { return std::memcmp(&x, &y, 8) == 0 || (x != x && y != y); }

// One shape answers many probabilities: what it keeps from call to call
// must not change an answer.
void ExpectGsl(const stoka::BetaShape& shape, double p) {
  const double a = shape.Alpha(), b = shape.Beta();
  const double q = gsl_cdf_beta_Pinv(p, a, b), c = gsl_cdf_beta_P(p, a, b);
  if (std::isnan(q) && p > 0 && p < 1 && a > 0 && b > 0) {  // GSL failed: a bisection answers
    // p between the neighbours' values, where the cumulative function can
    // tell them apart: not in its denormal tail.
    const double x = shape.Quantile(p), slack = 1e-9 * p;
    ASSERT_TRUE(x >= 0 && x <= 1);
    if (p > 1e-290)
      ASSERT_TRUE(shape.Cdf(std::nextafter(x, 0.0)) <= p + slack && shape.Cdf(std::nextafter(x, 1.0)) >= p - slack)
          << a << " " << b << " " << p << " " << x;
    return;
  }
  ASSERT_TRUE(Same(shape.Quantile(p), q) && Same(stoka::BetaShape::QuantileOnce(p, a, b), q) &&
              Same(shape.Cdf(p), c))
      << a << " " << b << " " << p;
}
}  // namespace

TEST(BetaShape, EqualsGslBitForBit) {
  const GslHandler quiet(IgnoreGslError);
  const double shapes[] = {0.3001, 0.5, 0.999, 1, 1.0000001, 2.385, 7.5, 100, 12345.6, 99999.4};
  const double edges[] = {0, -0.0, 1, 5e-324, 1e-300, 1e-17, 1e-5, 0.0999999999, 0.1, 0.5,
                          std::nextafter(0.5, 1.0), 0.9, 1 - 1e-10, std::nextafter(1.0, 0.0),
                          -1e-300, 1.0000000000000002};
  for (double a : shapes)
    for (double b : shapes) {
      const stoka::BetaShape shape(a, b);
      for (double p : edges) ExpectGsl(shape, p);
      for (int i = 0; i <= 32767; i += 331) ExpectGsl(shape, i / 32767.0);
    }
  // Negative shapes are refused as GSL refuses them; a NaN p, on which GSL
  // never returns, gives NaN. Shapes beyond 1e5 take GSL's asymptotic
  // cumulative function on the far side of the peak.
  ExpectGsl(stoka::BetaShape(-1.5, 2.385), 0.3);
  ExpectGsl(stoka::BetaShape(2.385, -1.5), 0.3);
  EXPECT_TRUE(std::isnan(stoka::BetaShape(2.385, 0.75).Quantile(NAN)));
  for (auto [a, b, x] : {std::tuple{2e5, 3.5, 0.99999}, {2e5, 3.5, 0.999999}, {3.5, 2e5, 1e-5}, {3.5, 2e5, 1e-6}})
    EXPECT_TRUE(Same(stoka::BetaShape(a, b).Cdf(x), gsl_cdf_beta_P(x, a, b))) << a << " " << b << " " << x;
  std::mt19937_64 engine(2385);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int s = 0; s < 300; ++s) {
    const stoka::BetaShape shape(0.3001 * std::exp(unit(engine) * 12), 0.3001 * std::exp(unit(engine) * 12));
    for (int i = 0; i < 100; ++i) {
      const double u = unit(engine);
      ExpectGsl(shape, i % 3 == 0 ? u : i % 3 == 1 ? std::exp(-40 * u) : 1 - std::exp(-36 * u));
    }
  }
}

// Where GSL's Newton steps fail (it gives NaN) the quantile is still the
// right one: SciPy's beta.ppf for a Beta fitted to P14 = 3, P75 = 6 on
// [2, 316611], whose upper quantiles came out NaN in a model run.
TEST(BetaShape, AnswersWhereGslFailsToConverge) {
  const GslHandler quiet(IgnoreGslError);
  const double a = 1.38094, b = 61341.1, span = 316609;
  const stoka::BetaShape shape(a, b);
  for (auto [p, scipy] : {std::pair{0.85, 14.81348978}, {0.9, 17.15570535}, {0.8, 13.12624892}}) {
    EXPECT_NEAR(2 + span * shape.Quantile(p), scipy, 1e-7) << p;
    EXPECT_NEAR(2 + span * stoka::BetaShape::QuantileOnce(p, a, b), scipy, 1e-7) << p;
  }
}
