// Normal quantiles in runs give GSL's gsl_cdf_gaussian_Pinv, bit for bit: 10^6
// probabilities over (0, 1), walks across the central region's ends, the tails'
// branch at r = 5 and the edges, through both builds of the central loop.
#include <gsl/gsl_cdf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "calc/normal_quantile.hpp"

TEST(NormalQuantiles, AreGslsBitForBit) {
  ASSERT_TRUE(stoka::NormalQuantilesOwnCentre());  // else this compares GSL with itself
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::mt19937_64 engine(2385);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> p(1000000);
  for (double& u : p) u = unit(engine);
  for (const double end : {0.075, 0.925, 0.5, std::exp(-25.0), 1.0 - std::exp(-25.0)})
    for (double down = end, up = end, k = 0; k < 20000; ++k)
      p.insert(p.end(), {down = std::nextafter(down, 0.0), up = std::nextafter(up, 1.0)});
  for (const double edge : {0.0, -0.0, 1.0, 5e-324, 2.2250738585072014e-308, 1e-300, 1.0 - 1e-16,
                            0.5 - 0.425, 0.5 + 0.425, -0.5, 1.5, kInf, -kInf, std::nan("")})
    p.insert(p.end(), {edge, std::nextafter(edge, -kInf), std::nextafter(edge, kInf)});
  std::vector<double> x(p.size());
  for (const bool portable : {false, true})
    for (const auto [sigma, mean, cut] : {std::tuple{1.0, 0.0, 0}, {2.385, -1.5, 1}, {1.75e-3, 7.25, 3}}) {
      const int n = static_cast<int>(p.size()) - cut;  // the vector loops end anywhere
      stoka::NormalQuantiles(n, p.data(), sigma, mean, x.data(), portable);
      int differ = 0;
      for (int i = 0; i < n; ++i) {
        const double gsl = gsl_cdf_gaussian_Pinv(p[i], sigma) + mean;
        if (std::memcmp(&gsl, &x[i], sizeof gsl) != 0 && ++differ < 4)
          ADD_FAILURE() << "p " << p[i] << " sigma " << sigma << ": " << x[i] << " vs GSL " << gsl;
      }
      EXPECT_EQ(differ, 0) << (portable ? "portable" : "chosen") << " build, sigma " << sigma;
    }
}
