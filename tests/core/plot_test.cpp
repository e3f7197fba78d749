// The window over a distribution: refusals never stop the host, and draws
// against a window that the quantile never reaches give up.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>

#include "stoka/continuous.hpp"

namespace {

TEST(DistributionPlot, BadWindowsAreRefusedWithTheirTexts) {
  UniformDistribution uniform(new UniformRandomGenerator(0, 8));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    IDistribution* d;
    double min, max;
    const char* text;
  } cases[] = {
      {nullptr, 2, 4, "distribution != nullptr"},
      {&uniform, 4, 4, "min_ < max_"},
      {&uniform, 5, 4, "min_ < max_"},
      {&uniform, nan, 4, "min_ < max_"},
      {&uniform, 2, nan, "min_ < max_"},
  };
  for (const auto& c : cases) {
    try {
      DistributionPlot plot(c.d, c.min, c.max);
      ADD_FAILURE() << "accepted " << c.min << ", " << c.max;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), c.text);
    }
  }
}

TEST(DistributionPlot, DrawsAgainstAnUnreachableWindowGiveUp) {
  UniformDistribution uniform(new UniformRandomGenerator(0, 8));
  DistributionPlot plot(&uniform, 2, 4);
  plot.min_ = 100;  // no quantile of the window reaches these values
  plot.max_ = 200;
  double p = -1, value = 0;
  EXPECT_FALSE(plot.ValueByCDFOnPlot(&p, &value));
}

}  // namespace
