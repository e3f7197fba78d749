// The minimization frame, the penalty functions, the result records, the named
// callbacks, and the behaviour on hostile input.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <algorithm>
#include <cstring>
#include <functional>

#include "stoka/fit.hpp"
#include "stoka/stoka.h"
#include "support/gsl_handler.hpp"

namespace {
const double kNaN = NAN;
const double kInf = INFINITY;

// ---------------------------------------------------------------------------
// Penalties: kPenaltyVal for each broken condition.

struct PenaltyRow {
  const char* call;
  double value;
  double expected;
};
#define PEN(call, broken) PenaltyRow{#call, call, (broken) * 999999.0}

TEST(Penalty, Table) {
  // clang-format off
  const PenaltyRow rows[] = {
    PEN(PenaltyFuncTriangular(5.3, 2.1, 11.7), 0),
    PEN(PenaltyFuncTriangular(2.1, 2.1, 11.7), 0),      // mode on either end is a triangle
    PEN(PenaltyFuncTriangular(11.7, 2.1, 11.7), 0),
    PEN(PenaltyFuncTriangular(1.5, 2.1, 11.7), 1),      // mode below min
    PEN(PenaltyFuncTriangular(5.0, 2.0, 1.0), 2),       // min > max and ml > max
    PEN(PenaltyFuncTriangular(2.1, 2.1, 2.1000005), 3), // zero width counts three times
    PEN(PenaltyFuncTriangular(kNaN, 2.1, 11.7), 0),     // NaN comparisons do not hold
    PEN(PenaltyFuncLogTriangular(1, 1, 2), 1),
    PEN(PenaltyFuncLogTriangular(1.5, 1, 2), 0),
    PEN(PenaltyFuncLogTriangular(0, -1, 1), 2),
    PEN(PenaltyFuncLogTriangular(1, 1, 1), 3),
    PEN(PenaltyFuncLogTriangular(2, 1, 2), 1),          // mode at max
    PEN(PenaltyFuncLogTriangular(-0.5, -2, -0.25), 3),  // all negative
    PEN(PenaltyFuncPert(5.3, 2.1, 11.7), 0),
    PEN(PenaltyFuncPert(12.0, 2.1, 11.7), 1),           // ml > max; beta = 0.875 still fine
    PEN(PenaltyFuncPert(30.0, 2.1, 11.7), 2),           // ml > max and beta < 0.3
    PEN(PenaltyFuncPert(3.0, 3.0, 3.0), 1),             // empty range; NaN shapes count nothing
    PEN(PenaltyFuncBeta(2.5, 4.2, 1.3, 9.7), 0),
    PEN(PenaltyFuncBeta(0.2, 0.2, 3.0, 3.0), 3),
    PEN(PenaltyFuncBeta(0.3, 0.3, 0.0, 1.0), 0),        // 0.3 itself is allowed
    PEN(PenaltyFuncBeta(60000, 50000, 0.0, 1.0), 1),
    PEN(PenaltyFuncBeta(2.5, 0.29, 9.7, 1.3), 2),
  };
  // clang-format on
  for (const PenaltyRow& r : rows) EXPECT_EQ(r.value, r.expected) << r.call;
}

// A trial point that breaks two conditions costs twice the penalty and no quantile.
TEST(Penalty, ObjectiveReturnsThePenaltyItself) {
  double block[9] = {3.1, 5.2, 8.2, 0.1, 0.5, 0.9, 0, 0, 0};
  gsl_vector* x = gsl_vector_alloc(3);
  gsl_vector_set(x, 0, 5.0);  // ml
  gsl_vector_set(x, 1, 2.0);  // min
  gsl_vector_set(x, 2, 1.0);  // max
  EXPECT_EQ(triangular_min_by_3perc(x, block), 1999998.0);
  gsl_vector_set(x, 0, 5.3);
  gsl_vector_set(x, 1, 2.1);
  gsl_vector_set(x, 2, 11.7);
  // sqrt of the summed absolute deviations, by the closed-form quantile
  double sum = 0;
  for (int i = 0; i < 3; ++i)
    sum += std::fabs(stoka_ran_triangular_cdf_inv(block[3 + i], 5.3, 2.1, 11.7) - block[i]);
  EXPECT_DOUBLE_EQ(triangular_min_by_3perc(x, block), std::sqrt(sum));
  gsl_vector_free(x);
}

// ---------------------------------------------------------------------------
// The frame on a toy case: |x - 2.385| from 0 with step 1.

int iterations = 0;
void Count(gsl_multimin_fminimizer*, int, double) { ++iterations; }
double Vee(const gsl_vector* x, void*) { return std::fabs(gsl_vector_get(x, 0) - 2.385); }
double NotANumber(const gsl_vector*, void*) { return kNaN; }
// Finite everywhere, so that an infinite simplex still starts.
double Bounded(const gsl_vector* x, void* p) {
  return std::isfinite(gsl_vector_get(x, 0)) ? Vee(x, p) : 5.0;
}

double toy_step = 1.0;
FitObjective toy_objective = Vee;
bool toy_alloc_fails = false;
void ToyInit(double* params, gsl_vector** x, gsl_vector** step, gsl_multimin_fminimizer** s,
             gsl_multimin_function_struct* f) {
  *x = gsl_vector_alloc(1);
  *step = gsl_vector_alloc(1);
  gsl_vector_set(*x, 0, 0.0);
  gsl_vector_set_all(*step, toy_step);
  f->f = toy_objective;
  f->n = 1;
  f->params = params;
  *s = toy_alloc_fails ? nullptr : gsl_multimin_fminimizer_alloc(gsl_multimin_fminimizer_nmsimplex2, 1);
}
int ToyWrite(gsl_multimin_fminimizer* s, double*, void* out) {
  *static_cast<double*>(out) = gsl_vector_get(gsl_multimin_fminimizer_x(s), 0);
  return kSolveFind;
}
int ToyFail(void* out) {
  *static_cast<double*>(out) = 0.0;
  return kSolveCantFind;
}

struct FrameRow {
  const char* what;
  int max_iter;
  double tolerance;
  double step;
  FitObjective objective;
  bool alloc_fails;
  int result;
  int iterations;  // -1: not checked
};

TEST(Frame, LoopAndStops) {
  const GslHandler quiet(IgnoreGslError);
  // clang-format off
  const FrameRow rows[] = {
    {"converges",                    100000, 1e-9, 1.0,  Vee,        false, 1, -1},
    {"a limit of 0 runs once",       0,      1e-9, 1.0,  Vee,        false, 0, 1},
    {"a negative limit runs once",   -7,     1e-9, 1.0,  Vee,        false, 0, 1},
    {"a met tolerance stops at once", 100,   1e3,  1.0,  Vee,        false, 1, 1},
    {"the limit reached fails",      3,      1e-9, 1.0,  Vee,        false, 0, 3},
    {"a negative tolerance fails",   100,    -1.0, 1.0,  Vee,        false, 0, 1},
    {"a NaN tolerance fails at once", INT_MAX, kNaN, 1.0, Vee,       false, 0, 0},
    {"an infinite size stops at once", INT_MAX, 1e-4, kInf, Bounded, false, 0, 1},
    {"an infinite start is never iterated", INT_MAX, 1e-4, kInf, Vee, false, 0, 0},
    {"a NaN start is never iterated", INT_MAX, 1e-4, 1.0, NotANumber, false, 0, 0},
    {"a failed allocation fails",    100,    1e-4, 1.0,  Vee,        true,  0, 0},
  };
  // clang-format on
  for (const FrameRow& r : rows) {
    toy_step = r.step;
    toy_objective = r.objective;
    toy_alloc_fails = r.alloc_fails;
    iterations = 0;
    double out = -1.0, block[1] = {0.0};
    const int result = CalcDistributionByParams(r.max_iter, r.tolerance, block, ToyInit, Count,
                                                ToyWrite, ToyFail, &out);
    EXPECT_EQ(result, r.result) << r.what;
    if (r.iterations >= 0) EXPECT_EQ(iterations, r.iterations) << r.what;
    if (r.result == 1 && r.tolerance < 1) EXPECT_NEAR(out, 2.385, 1e-6) << r.what;
    if (r.result == 0) EXPECT_EQ(out, 0.0) << r.what;
  }
  toy_step = 1.0;
  toy_objective = Vee;
  toy_alloc_fails = false;
}

// A real case handed an infinite bound: the start and the step are infinite;
// the run stops (here at the start, where the objective is not finite)
// instead of running to the limit.
TEST(Frame, InfiniteBoundStopsAtOnce) {
  const GslHandler quiet(IgnoreGslError);
  double block[9] = {150.0, 0, 0, 0.5, 0, 0, 0, 100.0, kInf};
  OutDataLTD record{7.7, 7.7, 7.7};
  iterations = 0;
  const int result = CalcLogTriangularDistributionByParams(
      INT_MAX, eps, block, initialization_logtriangular_by_min_max_perc, Count,
      initialization_result_logtriangular_by_min_max_perc, initialization_result_logtriangular_err,
      &record);
  EXPECT_EQ(result, 0);
  EXPECT_LE(iterations, 1);
  EXPECT_EQ(record.ml, 0.0);
  EXPECT_EQ(record.min, 0.0);
  EXPECT_EQ(record.max, 0.0);
}

// ---------------------------------------------------------------------------
// Hostile input through the flat interface: an infinite value that passes the
// check ends in 0 with every output 0.0, quickly (each would otherwise run a
// million iterations, or never return from GSL's beta inverse).

struct HostileRow {
  const char* call;
  std::function<int(double*)> run;
};
#define HOSTILE(call) HostileRow{#call, [](double* o) { return call; }}

TEST(Hostile, InfiniteValuesStopWithZeros) {
  // clang-format off
  const HostileRow rows[] = {
    HOSTILE(CalcTriangularDistributionBy3Perc(INT_MAX, 1e-4, 1.0, 2.0, kInf, 90, 50, 10, &o[0], &o[1], &o[2])),
    HOSTILE(CalcTriangularDistributionByMin2Perc(INT_MAX, 1e-4, 0.5, 1.0, kInf, 90, 10, &o[0], &o[1], &o[2])),
    HOSTILE(CalcLogTriangularDistributionByMinMaxPerc(INT_MAX, 1e-4, 100, kInf, 150, 50, &o[0], &o[1], &o[2])),
    HOSTILE(CalcLogTriangularDistributionByMlMinPerc(INT_MAX, 1e-4, kInf, 1.0, 3.0, 50, &o[0], &o[1], &o[2])),
    HOSTILE(CalcLogTriangularDistributionBy3Perc(INT_MAX, 1e-4, 1.0, 2.0, kInf, 90, 50, 10, &o[0], &o[1], &o[2])),
    HOSTILE(CalcPertDistributionBy3Perc(INT_MAX, 1e-4, 1.0, 2.0, kInf, 90, 50, 10, &o[0], &o[1], &o[2])),
    HOSTILE(CalcPertDistributionByMaxMinPerc(INT_MAX, 1e-4, kInf, 1.0, 3.0, 50, &o[0], &o[1], &o[2])),
    HOSTILE(CalcPertDistributionByMin2Perc(INT_MAX, 1e-4, -kInf, 1.0, 90, 2.0, 10, &o[0], &o[1], &o[2])),
    HOSTILE(CalcBetaDistributionBy4Perc(INT_MAX, 1e-4, -kInf, 2.0, 3.0, kInf, 95, 70, 30, 5, &o[0], &o[1], &o[2], &o[3])),
    HOSTILE(CalcBetaDistributionByMin3Perc(INT_MAX, 1e-4, kNaN, 1.0, 2.0, 3.0, 90, 50, 10, &o[0], &o[1], &o[2], &o[3])),
    HOSTILE(CalcBetaDistributionByMax3Perc(INT_MAX, 1e-4, kInf, 1.0, 2.0, 3.0, 90, 50, 10, &o[0], &o[1], &o[2], &o[3])),
    HOSTILE(CalcBetaDistributionByAlphaBetaMinPerc(INT_MAX, 1e-4, 2.5, 4.2, -kInf, 3.0, 50, &o[0], &o[1], &o[2], &o[3])),
    HOSTILE(CalcBetaDistributionBy4Perc(INT_MAX, kNaN, 1.0, 2.0, 3.0, 4.0, 95, 70, 30, 5, &o[0], &o[1], &o[2], &o[3])),
  };
  // clang-format on
  for (const HostileRow& r : rows) {
    double out[4] = {7.7, 7.7, 7.7, 7.7};
    EXPECT_EQ(r.run(out), 0) << r.call;
    const int count = std::strstr(r.call, "Beta") ? 4 : 3;
    for (int i = 0; i < count; ++i) EXPECT_EQ(out[i], 0.0) << r.call << " output " << i;
  }
}

// The same through the ConvertParams forms, which use the library's limit.
TEST(Hostile, ConvertFormsStopWithZeros) {
  const GslHandler quiet(IgnoreGslError);
  double a = 7.7, b = 7.7, c = 7.7, d = 7.7;
  EXPECT_EQ(ConvertParamsLogTriangularMinMaxPerc_(100, kInf, 50, 150, &a, &b, &c), 0);
  EXPECT_EQ(a + b + c, 0.0);
  EXPECT_EQ(ConvertParamsTriangular3Perc_(10, kInf, 50, 2.0, 90, 1.0, &a, &b, &c), 0);
  EXPECT_EQ(a + b + c, 0.0);
  EXPECT_EQ(ConvertParamsBetaMax3Perc_(kInf, 90, 1.0, 50, 2.0, 10, 3.0, &a, &b, &c, &d), 0);
  EXPECT_EQ(a + b + c + d, 0.0);
}

// ---------------------------------------------------------------------------
// Entry points: a failed check writes nothing; a fit that runs out of
// iterations writes zeros; output orders.

TEST(Entries, FailedCheckWritesNothing) {
  double o[4] = {7.7, 7.7, 7.7, 7.7};
  EXPECT_EQ(CalcTriangularDistributionBy3Perc(100, 1e-4, 3.1, 9.0, 8.2, 90, 50, 10, &o[0], &o[1], &o[2]), 0);
  EXPECT_EQ(CalcPertDistributionByMin2Perc(100, 1e-4, 5.0, 3.1, 90, 8.2, 10, &o[0], &o[1], &o[2]), 0);
  EXPECT_EQ(CalcBetaDistributionByAlphaMin2Perc(100, 1e-4, 0.1, 0.0, 1.0, 2.0, 90, 10, &o[0], &o[1], &o[2], &o[3]), 0);
  EXPECT_EQ(CalcTriangularDistributionByMinMlPerc(2.1, 1.0, 3.3, 50, &o[0], &o[1], &o[2]), 0);
  for (double v : o) EXPECT_EQ(v, 7.7);
}

TEST(Entries, LimitReachedWritesZeros) {
  double o[4] = {7.7, 7.7, 7.7, 7.7};
  EXPECT_EQ(CalcTriangularDistributionBy3Perc(2, 1e-12, 3.1, 5.2, 8.2, 90, 50, 10, &o[0], &o[1], &o[2]), 0);
  EXPECT_EQ(o[0] + o[1] + o[2], 0.0);
  EXPECT_EQ(CalcBetaDistributionBy4Perc(2, 1e-12, 1, 2, 3, 4, 95, 70, 30, 5, &o[0], &o[1], &o[2], &o[3]), 0);
  EXPECT_EQ(o[0] + o[1] + o[2] + o[3], 0.0);
}

// The minimizing entry points write the record's order, the ConvertParams
// forms min first. Points of a known triangle (ml 5.3, min 2.1, max 11.7) at
// 10 %, 50 %, 90 %, from its closed-form quantile.
TEST(Entries, OutputOrders) {
  double x[3];
  const double q[3] = {0.1, 0.5, 0.9};
  for (int i = 0; i < 3; ++i) x[i] = stoka_ran_triangular_cdf_inv(q[i], 5.3, 2.1, 11.7);
  double a, b, c;
  ASSERT_EQ(CalcTriangularDistributionBy3Perc(iter_count, 1e-9, x[0], x[1], x[2], 90, 50, 10, &a, &b, &c), 1);
  EXPECT_NEAR(a, 5.3, 1e-5);
  EXPECT_NEAR(b, 2.1, 1e-5);
  EXPECT_NEAR(c, 11.7, 1e-5);
  ASSERT_EQ(ConvertParamsTriangular3Perc_(50, x[1], 10, x[2], 90, x[0], &a, &b, &c), 1);
  EXPECT_NEAR(a, 2.1, 1e-3);
  EXPECT_NEAR(b, 5.3, 1e-3);
  EXPECT_NEAR(c, 11.7, 1e-3);
  // Beta with alpha and min fixed: alpha, beta, min, max against min, max, alpha, beta.
  const double y1 = stoka_ran_beta_cdf_inv_(0.2, 2.5, 4.2, 1.3, 9.7);
  const double y2 = stoka_ran_beta_cdf_inv_(0.8, 2.5, 4.2, 1.3, 9.7);
  double d;
  ASSERT_EQ(CalcBetaDistributionByAlphaMin2Perc(iter_count, 1e-9, 2.5, 1.3, y1, y2, 80, 20, &a, &b, &c, &d), 1);
  EXPECT_EQ(a, 2.5);
  EXPECT_NEAR(b, 4.2, 1e-3);
  EXPECT_EQ(c, 1.3);
  EXPECT_NEAR(d, 9.7, 1e-3);
  ASSERT_EQ(ConvertParamsBetaMinAlpha2Perc_(1.3, 2.5, 20, y2, 80, y1, &a, &b, &c, &d), 1);
  EXPECT_EQ(a, 1.3);
  EXPECT_NEAR(b, 9.7, 1e-2);
  EXPECT_EQ(c, 2.5);
  EXPECT_NEAR(d, 4.2, 1e-2);
}

TEST(Records, CopyInFieldOrder) {
  OutDataBeta beta{2.385, 4.17, -1.25, 9.5};
  double a, b, c, d;
  CopyParamsFromOutDataBeta(&beta, &a, &b, &c, &d);
  EXPECT_EQ(a, 2.385);
  EXPECT_EQ(b, 4.17);
  EXPECT_EQ(c, -1.25);
  EXPECT_EQ(d, 9.5);
  OutDataTD td{5.3, 2.1, 11.7};
  CopyParamsFromOutDataTriangular(&td, &a, &b, &c);
  EXPECT_EQ(a, 5.3);
  EXPECT_EQ(b, 2.1);
  EXPECT_EQ(c, 11.7);
  OutDataLTD ltd{4.7, 1.9, 13.3};
  CopyParamsFromOutDataLogTriangular(&ltd, &a, &b, &c);
  EXPECT_EQ(a, 4.7);
  EXPECT_EQ(b, 1.9);
  EXPECT_EQ(c, 13.3);
}

// ---------------------------------------------------------------------------
// Every named callback set is bound to its case: the initializer builds a
// simplex of the case's dimension on the named objective and the block, and
// the frame runs it with the named trace and result writer.

struct NamedCase {
  const char* name;
  FitInitializer init;
  FitObjective objective;
  FitResultWriter write;
  FitTrace trace;
};
#define NAMED(family, name, objective)                                                      \
  NamedCase{#family "_" #name, initialization_##family##_##name, family##_min_##objective, \
            initialization_result_##family##_##name, debug_log_func_##family##_##name},

TEST(NamedCallbacks, BoundToTheirCases) {
  const NamedCase cases[] = {STOKA_FIT_CASES(NAMED)};
  EXPECT_EQ(sizeof cases / sizeof cases[0], 32u);
  for (const NamedCase& c : cases) {
    // Values 1.25 to 4.75, probabilities 0.1 to 0.9, fixed parameters 0.6 to 7.5.
    double block[12] = {1.25, 2.5, 3.75, 4.75, 0.1, 0.4, 0.6, 0.9, 2.5, 4.25, 0.6, 7.5};
    if (c.name[0] != 'b') {  // the 9-double layout: q at 3..5, fixed at 6..8
      const double nine[12] = {1.25, 2.5, 3.75, 0.1, 0.5, 0.9, 2.0, 0.6, 7.5, 0, 0, 0};
      std::copy(nine, nine + 12, block);
    }
    gsl_vector* x = nullptr;
    gsl_vector* step = nullptr;
    gsl_multimin_fminimizer* s = nullptr;
    gsl_multimin_function_struct f{};
    c.init(block, &x, &step, &s, &f);
    ASSERT_TRUE(x && step && s) << c.name;
    EXPECT_EQ(f.f, c.objective) << c.name;
    EXPECT_EQ(f.params, block) << c.name;
    EXPECT_EQ(f.n, x->size) << c.name;
    EXPECT_EQ(step->size, x->size) << c.name;
    EXPECT_GE(f.n, 1u) << c.name;
    EXPECT_LE(f.n, 4u) << c.name;
    const double start = c.objective(x, block);
    EXPECT_FALSE(std::isnan(start)) << c.name;
    EXPECT_GE(start, 0.0) << c.name;
    gsl_vector_free(x);
    gsl_vector_free(step);
    gsl_multimin_fminimizer_free(s);
    // A tolerance that the first step meets: one traced step, then the writer.
    alignas(OutDataBeta) unsigned char record[sizeof(OutDataBeta)];  // room for any record
    EXPECT_EQ(CalcDistributionByParams(1, 1e9, block, c.init, c.trace, c.write, ToyFail, record), 1)
        << c.name;
  }
}

}  // namespace
