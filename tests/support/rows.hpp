// What every test program starts from: GoogleTest, the standard headers the
// tests share, the flat interface, NaN and infinity, and tables of scalar
// results, one row a case, each row labelled by its own expression:
// ROW(expr, expected) holds exactly (NaN expected: NaN), NEAR within a
// tolerance. The rows of one table are evaluated in order.
#ifndef STOKA_TESTS_ROWS_HPP
#define STOKA_TESTS_ROWS_HPP

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "stoka/stoka.h"

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

namespace rows {

struct Row {
  const char* what;
  double got, expected, tolerance;
};

inline void Check(std::initializer_list<Row> table) {
  for (const Row& r : table) {
    if (std::isnan(r.expected))
      EXPECT_TRUE(std::isnan(r.got)) << r.what << " gives " << r.got;
    else if (r.tolerance == 0)
      EXPECT_EQ(r.got, r.expected) << r.what;
    else
      EXPECT_NEAR(r.got, r.expected, r.tolerance) << r.what;
  }
}

// The very same double, bit for bit, or NaN both.
inline bool Same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace rows

#define ROW(expr, expected) {#expr, double(expr), double(expected), 0.0}
#define NEAR(expr, expected, tolerance) {#expr, double(expr), double(expected), tolerance}

#endif
