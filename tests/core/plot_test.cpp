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

TEST(DistributionPlot, WindowByValuesAndByProbabilities) {
  UniformDistribution uniform(new UniformRandomGenerator(0, 8));
  DistributionPlot plot(&uniform, 2, 4);
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
}

TEST(DistributionPlot, ValueByCDFOnPlot) {
  UniformDistribution uniform(new UniformRandomGenerator(0, 8));
  DistributionPlot plot(&uniform, 2, 4);
  double p = 0.5, value = 0;
  EXPECT_TRUE(plot.ValueByCDFOnPlot(&p, &value));
  EXPECT_EQ(value, 3.0);
  std::srand(3);
  p = -1;
  EXPECT_TRUE(plot.ValueByCDFOnPlot(&p, &value));
  EXPECT_GE(p, 0.0);
  EXPECT_LE(p, 1.0);
  EXPECT_EQ(value, 2 + 2 * p);
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
