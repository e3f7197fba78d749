// Quantiles in runs give the one-value quantiles bit for bit (GSL's
// gsl_cdf_gaussian_Pinv for the Normal): 10^6 probabilities over (0, 1), walks
// across the branch ends (the Normal's central region and its tails' branch at
// r = 5, the Triangular's band around the mode) and the edges.
#include <gsl/gsl_cdf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "calc/quantile_runs.hpp"
#include "core/constants.hpp"
#include "stoka/continuous.hpp"

namespace {
std::vector<double> Probabilities(std::initializer_list<double> ends) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::mt19937_64 engine(2385);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> p(1000000);
  for (double& u : p) u = unit(engine);
  for (double k = 0; k < 200000; ++k)  // the tails down to the smallest numbers
    p.insert(p.end(), {std::exp(-k * 745.0 / 200000), 1.0 - std::exp(-k * 37.0 / 200000)});
  for (const double end : ends)
    for (double down = end, up = end, k = 0; k < 20000; ++k)
      p.insert(p.end(), {down = std::nextafter(down, 0.0), up = std::nextafter(up, 1.0)});
  for (const double edge : {0.0, -0.0, 1.0, 5e-324, 2.2250738585072014e-308, 1e-300, 1.0 - 1e-16, -0.5,
                            1.5, kInf, -kInf, std::nan("")})
    p.insert(p.end(), {edge, std::nextafter(edge, -kInf), std::nextafter(edge, kInf)});
  return p;
}

template <class Run, class One>
void ExpectSame(const std::vector<double>& p, int cut, Run run, One one) {
  const int n = static_cast<int>(p.size()) - cut;  // vector loops end anywhere
  std::vector<double> x(p.size());
  run(n, p.data(), x.data());
  int differ = 0;
  for (int i = 0; i < n; ++i) {
    const double expected = one(p[i]);
    if (std::memcmp(&expected, &x[i], sizeof x[i]) != 0 && ++differ < 4)
      ADD_FAILURE() << "p " << p[i] << ": " << x[i] << " instead of " << expected;
  }
  EXPECT_EQ(differ, 0);
}
}  // namespace

TEST(QuantileRuns, NormalIsGslsBitForBit) {
  ASSERT_TRUE(stoka::NormalQuantilesOwn());  // else this compares GSL with itself
  const auto p = Probabilities({0.075, 0.925, 0.5, std::exp(-25.0), 1.0 - std::exp(-25.0)});
  for (const bool portable : {false, true})
    for (const auto& row : {std::tuple{1.0, 0.0, 0}, {2.385, -1.5, 1}, {1.75e-3, 7.25, 3}}) {
      const double sigma = std::get<0>(row), mean = std::get<1>(row);
      const int cut = std::get<2>(row);
      SCOPED_TRACE(::testing::Message() << (portable ? "portable" : "chosen") << " build, sigma " << sigma);
      ExpectSame(p, cut, [&](int n, const double* q, double* x) { stoka::NormalQuantiles(n, q, sigma, mean, x, portable); },
                 [&](double q) { return gsl_cdf_gaussian_Pinv(q, sigma) + mean; });
    }
}

TEST(QuantileRuns, TriangularIsTheOneValueQuantile) {
  // The mode at a quarter, inside, and at either end of the support.
  for (const auto& row : {std::tuple{0.0, 4.0, 1.0}, {-1.385, 7.25, 0.618}, {2.5, 3.75, 2.5}, {2.5, 3.75, 3.75}}) {
    const double min = std::get<0>(row), max = std::get<1>(row), ml = std::get<2>(row);
    SCOPED_TRACE(::testing::Message() << "mode " << ml);
    const double fm = (ml - min) / (max - min);
    const auto p = Probabilities({fm - eps, fm + eps, fm});
    ExpectSame(p, 1, [&](int n, const double* q, double* x) { stoka::TriangularQuantiles(n, q, min, max, ml, x); },
               [&](double q) { return TriangularValueByCDF_(min, max, ml, q); });
  }
}
