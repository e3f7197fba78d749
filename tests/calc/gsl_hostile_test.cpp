// Arguments on which GSL's beta inverse or beta variate would never return.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "stoka/stoka.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(HostileBetaArguments, ReturnNaNInsteadOfLooping) {
  struct Case {
    double p, alpha, beta;
  } cases[] = {
      {kNaN, kNaN, kNaN}, {kNaN, 2, 3},   {0.3, 0, 0},     {0.3, 0, 2},   {0.001, kInf, 1},
      {0.5, 5e-324, 3},   {0.7, 2, -1},   {0.5, -kInf, 1}, {0.5, 2, kNaN}, {0.999, 1e-310, 2},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(std::isnan(stoka_ran_beta_cdf_inv(c.p, 1.0, 2.0, c.alpha, c.beta)))
        << c.p << " " << c.alpha << " " << c.beta;
    if (!std::isnan(c.p)) EXPECT_TRUE(std::isnan(stoka_ran_beta(1.0, 2.0, c.alpha, c.beta)));
  }
  // Pert shapes come from the bounds: NaN bounds reach the same guard.
  EXPECT_TRUE(std::isnan(stoka_ran_pert_cdf_inv(0.5, kNaN, kNaN, kNaN)));
  EXPECT_TRUE(std::isnan(stoka_ran_pert(kNaN, 1, 0.5)));
  // Valid extreme shapes still work.
  const double median = stoka_ran_beta_cdf_inv(0.5, 1.0, 2.0, 0.05, 3);
  EXPECT_GT(median, 1.0);
  EXPECT_LT(median, 1.01);
}

}  // namespace
