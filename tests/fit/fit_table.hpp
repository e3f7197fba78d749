// One row of a fitting table: a call, what it returns, what it leaves in its
// outputs o[0..4], which start at kKeep (a value no fit produces), and (when
// not -1) the iteration steps it takes. Values agree within tolerance *
// (1 + |expected|); kKeep must stay exactly; an expected NaN is not examined.
#ifndef STOKA_TESTS_FIT_TABLE_HPP
#define STOKA_TESTS_FIT_TABLE_HPP

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "core/output.hpp"
#include "stoka/core.hpp"
#include "stoka/stoka.h"

namespace fit_table {

constexpr double kKeep = -7.25e13;

struct Case {
  const char* call;
  std::function<double(double* o)> run;
  double result, tolerance;
  std::vector<double> want;
  long long steps = -1;
};

inline void Run(const Case& c) {
  auto expect = [&](int i, double got, double want) {
    if (!std::isnan(want)) EXPECT_NEAR(got, want, want == kKeep ? 0.0 : c.tolerance * (1 + std::fabs(want))) << c.call << ", " << i;
  };
  double o[5] = {kKeep, kKeep, kKeep, kKeep, kKeep};
  const unsigned long long before = stoka_iteration_count();
  expect(-1, c.run(o), c.result);
  if (c.steps >= 0) EXPECT_EQ(stoka_iteration_count() - before, static_cast<unsigned long long>(c.steps)) << c.call;
  for (size_t i = 0; i < c.want.size(); ++i) expect(int(i), o[i], c.want[i]);
}

}  // namespace fit_table

#define FIT_STEPS(steps, call, result, tolerance, ...) \
  ::fit_table::Case{#call, [](double* o) -> double { return call; }, result, tolerance, {__VA_ARGS__}, steps}
#define FIT_CASE(...) FIT_STEPS(-1, __VA_ARGS__)

#endif
