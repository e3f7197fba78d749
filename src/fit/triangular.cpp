// Triangular fitting, record (ml, min, max). One percentile with two fixed
// parameters, and the mode with two percentiles, have closed forms (the latter
// a Brent root search when the points straddle the mode); min or max with two
// percentiles, and three percentiles, are simplex fits.
//
// With F(ml) = (ml - min)/(max - min):
//   F(x) = (x - min)^2 / ((max - min)(ml - min))        left of the mode,
//   1 - F(x) = (max - x)^2 / ((max - min)(max - ml))    right of it.
#include <algorithm>
#include <cmath>

#include "core/output.hpp"
#include "core/solve.hpp"
#include "fit/engine.hpp"

namespace {
using namespace stoka::fit;
using stoka::kCantFind;
using stoka::kFind;

double Probability(double p) { return InvertPercentile(p) / 100.0; }

// max from min, ml and one point.
int SolveMinMl(const Call& c) {
  const double min = c.given[kMin], ml = c.given[kMl], x = c.x[0], q = Probability(c.p[0]);
  *c.out[kMin] = min;
  *c.out[kMl] = ml;
  if (ml >= x) {
    *c.out[kMax] = min + (x - min) * (x - min) / (q * (ml - min));
  } else {
    // (1 - q)(y + a)(y + b) = y^2 for y = max - x.
    const double a = x - ml, b = x - min, r = 1 - q, t = (a - b) * r;
    *c.out[kMax] = x + (r * (a + b) + std::sqrt(4 * a * b * r + t * t)) / (2 * q);
  }
  return kFind;
}

// ml from min, max and one point.
int SolveMinMax(const Call& c) {
  const double min = c.given[kMin], max = c.given[kMax], x = c.x[0], q = Probability(c.p[0]);
  *c.out[kMin] = min;
  *c.out[kMax] = max;
  const double d = (1 - q) / (max - x) - 1 / (max - min);
  // d is in 1 / units of the values: on a range of 10^6 and more the test
  // below holds wherever the point lies. The point is taken for the mode only
  // where d over the range's reciprocal vanishes too; both forms meet there.
  if (IsDoubleZeroVal(d) && IsDoubleZeroVal(d * (max - min))) {
    *c.out[kMl] = x;
  } else if (d > 0) {  // the point lies left of the mode
    *c.out[kMl] = min + (x - min) * (x - min) / ((max - min) * q);
  } else {
    *c.out[kMl] = max - (max - x) * (max - x) / ((max - min) * (1 - q));
  }
  return kFind;
}

// min from ml, max and one point.
int SolveMlMax(const Call& c) {
  const double ml = c.given[kMl], max = c.given[kMax], x = c.x[0], q = Probability(c.p[0]);
  *c.out[kMl] = ml;
  *c.out[kMax] = max;
  if (x >= ml) {
    *c.out[kMin] = max - (max - x) * (max - x) / ((1 - q) * (max - ml));
  } else {
    // q(y + a)(y + c) = y^2 for y = x - min.
    const double a = ml - x, cc = max - x, t = q * (a - cc);
    *c.out[kMin] = x - (q * (a + cc) + std::sqrt(4 * a * cc * q + t * t)) / (2 * (1 - q));
  }
  return kFind;
}

// A cumulative percent rounded half away from zero; 0 where it is no number.
int WholePercent(double c) {
  return std::isfinite(c) && std::fabs(c) < 1e6 ? static_cast<int>(std::lround(c)) : 0;
}

// min and max from the mode and two points.
int SolveMl2(const Call& c) {
  const double ml = c.given[kMl];
  double ca, xa, cb, xb;
  Sort2Percentiles_(InvertPercentile(c.p[0]), c.x[0], InvertPercentile(c.p[1]), c.x[1], &ca, &xa,
                    &cb, &xb);
  *c.out[kMl] = ml;
  if (xa < ml && ml < xb)
    return stoka_ran_triangular_params_(WholePercent(ca), xa, WholePercent(cb), xb, ml,
                                        c.out[kMin], c.out[kMax]);
  if (xb <= xa) return kCantFind;
  Call one = c;  // the first point as the caller gave it
  one.points = 1;
  if (ml >= xb) {  // both points left of the mode: sqrt(F) grows linearly from min
    const double r = cb / ca, s = std::sqrt(r);
    one.given[kMin] = *c.out[kMin] = xa - (xb - xa) * (s + 1) / (r - 1);
    return SolveMinMl(one);
  }
  // both at or right of the mode: sqrt(1 - F) falls linearly to max
  const double r = (100 - ca) / (100 - cb), s = std::sqrt(r);
  one.given[kMax] = *c.out[kMax] = xb + (xb - xa) * (s + 1) / (r - 1);
  return SolveMlMax(one);
}

constexpr Case Closed(unsigned fixed, int (*solve)(const Call&)) {
  Case c;
  c.fixed = fixed;
  c.closed = solve;
  return c;
}
constexpr Case kMinMl = Closed(Bit(kMin) | Bit(kMl), &SolveMinMl);
constexpr Case kMinMax = Closed(Bit(kMin) | Bit(kMax), &SolveMinMax);
constexpr Case kMlMax = Closed(Bit(kMl) | Bit(kMax), &SolveMlMax);
constexpr Case kMl2 = Closed(Bit(kMl), &SolveMl2);

// The simplex cases: family, case, objective case, fixed, start, steps, trace.
#define TRIANGULAR_CASES(CASE)                                                              \
  CASE(triangular, by_3perc, by_3perc, 0u, (X(1), X(0), X(2)), (Abs(X(2) - X(0)) / 3),      \
       "%5d ml = %.3f min = %.3f max = %.3f  f() = %7.3f size = %.3f\n")                    \
  CASE(triangular, by_min_2perc, by_min_2perc, Bit(kMin), (X(0), X(1)),                     \
       (Abs(X(1) - X(0)) / 3), "%5d ml = %.3f max = %.3f  f() = %7.3f size = %.3f\n")       \
  CASE(triangular, by_max_2perc, by_max_2perc, Bit(kMax), (X(1), X(0)),                     \
       (Abs(X(1) - X(0)) / 3), "%5d ml = %.3f min = %.3f  f() = %7.3f size = %.3f\n")
TRIANGULAR_CASES(STOKA_FIT_SIMPLEX_CASE)

// clang-format off
constexpr const Case* kCases[] = {TRIANGULAR_CASES(STOKA_FIT_CASE_ADDRESS) &kMinMl, &kMinMax, &kMlMax, &kMl2};
// clang-format on

double Penalty(const double* v) { return PenaltyFuncTriangular(v[0], v[1], v[2]); }
double Quantile(double q, const double* v) {
  return stoka_ran_triangular_cdf_inv(q, v[0], v[1], v[2]);
}
using Record = RecordOf<OutDataTD, &OutDataTD::ml, &OutDataTD::min, &OutDataTD::max>;

// 9 doubles: values at 0..2, probabilities at 3..5, fixed ml, min, max at 6, 7, 8;
// values must lie inside fixed bounds.
constexpr Family kFamily = {
    9, 0, 3, 3, {kMl, kMin, kMax}, {6, 7, 8, -1, -1},
    false, true, &Penalty, &EachQuantile<&Quantile>, &Record::Store,
    &RunFrame<OutDataTD, Record, &CalcTriangularDistributionByParams,
              &initialization_result_triangular_err>,
    kCases, static_cast<int>(sizeof kCases / sizeof kCases[0])};
static_assert(kFamily.block_size == 9 && BlockFits(kFamily), "the parameter block");

}  // namespace

TRIANGULAR_CASES(STOKA_FIT_BIND_CALLBACKS)
int initialization_result_triangular_err(void* out) { return WriteFailure(kFamily, out); }

STOKA_FIT_TRIANGULAR(STOKA_FIT_DEFINE_ENTRY, STOKA_FIT_SKIP_TWIN)

// ---------------------------------------------------------------------------
// The root search for the probability r of the mode.

double calc_g_val(double q1, double x1, double q2, double x2, double ml, double q) {
  debug_log("call calc_g_val");
  const double a = (ml - x1) * (1 - std::sqrt((1 - q2) / (1 - q)));
  const double b = (x2 - ml) * (1 - std::sqrt(q1 / q));
  return a / (a + b);
}

double calc_func_for_trinagular_opt(double q, void* params) {
  const double* p = static_cast<const double*>(params);
  const double res = q - calc_g_val(p[0], p[1], p[2], p[3], p[4], q);
  debug_log("q = %f, res = %f\n", q, res);
  return res;
}

int stoka_ran_triangular_params_(int p1, double x1, int p2, double x2, double ml, double* min_out,
                                 double* max_out) {
  constexpr int kMaxIterations = 100;
  constexpr double kProbabilityTolerance = 0.005;  // relative, on the probability of the mode
  const double q1 = p1 / 100.0, q2 = p2 / 100.0;
  double block[5] = {q1, x1, q2, x2, ml};
  debug_log("%8s %.3f, %.12f %.3f %.12f %.3f\n", "params: ", q1, x1, q2, x2, ml);
  stoka::RootEnd end;
  // Two percents that round alike leave an empty bracket: no search.
  if (q1 != q2) {
    gsl_function f{&calc_func_for_trinagular_opt, block};
    stoka::RootRun run;
    run.f = &f;
    run.lower = std::min(q1, q2);
    run.upper = std::max(q1, q2);
    run.epsrel = kProbabilityTolerance;
    run.limit = kMaxIterations;
    run.stop_on_step_error = false;
    run.trace.step = [](const stoka::RootStep& at) {
      debug_log("%5d [%.7f, %.7f] %.7f %.7f\n", at.iteration, at.lower, at.upper, at.root,
                at.upper - at.lower);
    };
    end = stoka::RunRoot(run);
  }
  if (end.end != stoka::End::kConverged) {
    *min_out = 0.0;
    *max_out = 0.0;
    return kCantFind;
  }
  const double r = end.root;
  const double s1 = std::sqrt(q1 / r), s2 = std::sqrt((1 - q2) / (1 - r));
  *min_out = (x1 - ml * s1) / (1 - s1);
  *max_out = (x2 - ml * s2) / (1 - s2);
  debug_log("min = %f, max = %f, g(q) =  %f \n", *min_out, *max_out, r);
  return kFind;
}
