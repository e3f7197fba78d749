// The stand-alone Latin hypercube design functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "stoka/stoka.h"

TEST(LatinDesign, EachDimensionHoldsOnePointPerStratum) {
  stoka_ran_seed(424242u);
  const struct {
    int dims, points;
  } rows[] = {{1, 1}, {3, 10}, {2, 97}, {5, 1000}};
  for (const auto& r : rows) {
    double* x = latin_random_new(r.dims, r.points);
    ASSERT_NE(x, nullptr);
    for (int i = 0; i < r.dims; ++i) {
      std::vector<int> hits(r.points, 0);
      for (int j = 0; j < r.points; ++j) {
        const double v = x[i + j * r.dims];
        ASSERT_TRUE(v >= 0.0 && v < 1.0) << v;
        ++hits[static_cast<int>(v * r.points)];
      }
      EXPECT_EQ(std::count(hits.begin(), hits.end(), 1), r.points) << r.dims << "x" << r.points;
    }
    std::free(x);
  }
}

TEST(LatinDesign, UniformMatrixIsFilledColumnAfterColumn) {
  stoka_ran_seed(17u);
  std::vector<double> expected(12);
  for (double& v : expected) v = stoka_ran_uniform();
  stoka_ran_seed(17u);
  double* x = r8mat_uniform_01_new(3, 4);
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(std::vector<double>(x, x + 12), expected);
  std::free(x);
}

TEST(LatinDesign, PermutationsAndIntegers) {
  stoka_ran_seed(5150u);
  for (int n : {1, 2, 9, 500}) {
    int* p = perm_uniform_new(n);
    ASSERT_NE(p, nullptr);
    std::vector<int> v(p, p + n);
    std::sort(v.begin(), v.end());
    for (int k = 0; k < n; ++k) EXPECT_EQ(v[k], k);
    std::free(p);
  }
  // Each of the 8 integers of [-3, 4] about 1/8 of the time (sd ~ 33 of 2500).
  std::vector<int> hits(8, 0);
  for (int i = 0; i < 20000; ++i) {
    const int k = i4_uniform_ab(-3, 4);
    ASSERT_TRUE(k >= -3 && k <= 4) << k;
    ++hits[k + 3];
  }
  for (int h : hits) EXPECT_NEAR(h, 2500, 250);
  EXPECT_EQ(i4_uniform_ab(7, 7), 7);
  EXPECT_EQ(i4_uniform_ab(9, 2), 2);  // raised to a, then lowered to b
  const int big = i4_uniform_ab(-2147483647, 2147483647);
  (void)big;  // full int range: defined, no overflow
}

TEST(LatinDesign, CountsBelowOneGiveNull) {
  EXPECT_EQ(latin_random_new(0, 5), nullptr);
  EXPECT_EQ(latin_random_new(3, -1), nullptr);
  EXPECT_EQ(r8mat_uniform_01_new(-2, 4), nullptr);
  EXPECT_EQ(perm_uniform_new(0), nullptr);
  EXPECT_EQ(perm_uniform_new(-9), nullptr);
}
