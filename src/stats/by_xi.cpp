// Fitting a family to sample data: a Nelder-Mead simplex search moves the
// family's parameters until the Pearson statistic of the sample against the
// candidate's CDF is least. Infeasible candidates are held off by the family's
// penalty, and the statistic is then not computed. The Uniform family is
// chosen in closed form between two candidate intervals.
//
// Every member is one row of a table; one driver and one objective run any row.
#include <gsl/gsl_errno.h>
#include <gsl/gsl_multimin.h>
#include <gsl/gsl_statistics_double.h>

#include <cmath>
#include <vector>

#include "core/constants.hpp"
#include "core/output.hpp"
#include "core/solve.hpp"
#include "stats/pearson_counts.hpp"
#include "stoka/fit.hpp"
#include "stoka/fit_normal.hpp"
#include "stoka/stats.hpp"
#include "stoka/stoka.h"

// The sample of the running fit, for its objective.
double* global_params = nullptr;
int global_params_size = 0;

namespace {
using stoka::kCantFind;
using stoka::kFind;

// ---------------------------------------------------------------------------
// The sample of a fit. Its counts depend only on the sample, so they are made
// once here and every evaluation of the objective costs k CDF calls. A scope
// restores what it found on leaving: nothing is left published once no fit
// runs, and a fit started from inside another one (from an output callback)
// hands the outer fit its sample back.
struct Published {
  const double* buffer;
  int size;
  const PearsonCounts* counts;
  const void* mended;  // the objective's params that ask for the mended statistic
};
Published active = {nullptr, 0, nullptr, nullptr};

// The mended statistic's floor on an interval's probability, for n values:
// 1/n^2 is an expected count of 1/n. An empty interval then adds at most its
// probability, as the plain term does; one that holds c values c^2, what the
// plain term gives a count c where 1/n was expected (the statistic is not
// multiplied by n): a strong push to cover the values, and no wall.
double ProbabilityFloor(int n) { return 1.0 / (static_cast<double>(n) * n); }

class SampleScope {
 public:
  SampleScope(const double* data, int n)
      : copy_(data, data + n),
        counts_(copy_.data(), n),
        saved_params_(global_params),
        saved_size_(global_params_size),
        saved_active_(active) {
    global_params = copy_.data();
    global_params_size = n;
    active = {copy_.data(), n, &counts_, &mended_};
  }
  ~SampleScope() {
    global_params = saved_params_;
    global_params_size = saved_size_;
    active = saved_active_;
  }
  SampleScope(const SampleScope&) = delete;
  SampleScope& operator=(const SampleScope&) = delete;
  void* mended() { return &mended_; }

 private:
  std::vector<double> copy_;
  PearsonCounts counts_;
  char mended_ = 0;
  double* saved_params_;
  int saved_size_;
  Published saved_active_;
};

// The statistic of the published sample. The counts of the running fit serve
// while global_params still shows its sample; a sample that a host published
// by hand is counted on the spot.
// With params the running fit's mended tag, the mended statistic (the
// second phase's).
double SampleStatistic(const gsl_vector* x, stoka_cdf_fn cdf, const void* params) {
  if (active.counts && global_params == active.buffer && global_params_size == active.size)
    return active.counts->Statistic(
        x, cdf, params && params == active.mended ? ProbabilityFloor(active.size) : 0.0);
  return PearsonCounts(global_params, global_params_size).Statistic(x, cdf);
}

double P(const gsl_vector* x, size_t i) { return gsl_vector_get(x, i); }

// ---------------------------------------------------------------------------
// The members.
using Objective = double (*)(const gsl_vector*, void*);

struct XiCase {
  const char* title;      // first debug-log line of the driver
  const char* objective_line;
  Objective objective;
  int dim;
  double step;
  int shapes;  // leading parameters that are shapes, not values
  double (*penalty)(const gsl_vector* x);
  stoka_cdf_fn cdf;
  bool penalty_line;      // the objective's third output line
  const char* start_line;
  const char* indices_line;  // named indices, or null
  const char* iteration_line;
};

const XiCase kBeta = {
    "CalcBetaByXi\n", "beta_xi_min \n", beta_xi_min, kBetaDParamSize, 1.0, 2,
    [](const gsl_vector* x) { return PenaltyFuncBeta(P(x, 0), P(x, 1), P(x, 2), P(x, 3)); },
    beta_cdf, true,
    "alpha = %.3f, beta = %.3f, min = %.3f, max = %.3f \n",
    "kBetaDParamSize = %d, kBetaDAlphaId = %d, kBetaDBetaId = %d, kBetaDMinId = %d, "
    "kBetaDMaxId = %d \n",
    "%5d alpha = %.3f beta = %.3f min = %.3f max = %.3f f() = %7.3f size = %.3f\n "
    "f_min_all_iter = %.3f"};
const XiCase kLogNormal = {
    "CalcLogNormalByXi \n", "lognormal_xi_min \n", lognormal_xi_min, kLNDParamSize, 100.0, 0,
    [](const gsl_vector* x) { return PenaltyFuncLogNormalAr(P(x, 0), P(x, 1), P(x, 2)); },
    lognormal_cdf_arf, true,
    "mean = %.3f, st_dev = %.3f, location = %.3f \n",
    "kLNDParamSize = %d, kLNDMeanId = %d, kLNDStDevId = %d, kLNDLocationId = %d \n",
    "%5d mean = %.3f st_Dev = %.3f location = %.3f f() = %7.3f size = %.3f\n "
    "f_min_all_iter = %.3f"};

#define STOKA_XI_THREE(title, line, objective, penalty_fn, cdf, penalty_line, start)           \
  {title, line, objective, 3, 1.0, 0,                                                       \
   [](const gsl_vector* x) { return penalty_fn(P(x, 0), P(x, 1), P(x, 2)); }, cdf,           \
   penalty_line, start, nullptr,                                                              \
   "%5d most_likely = %.3f min = %.3f max = %.3f f() = %7.3f size = %.3f\n "                 \
   "f_min_all_iter = %.3f"}

const XiCase kLogTriangular =
    STOKA_XI_THREE("CalcLogTriangularByXi\n", "logtriangular_xi_min \n", logtriangular_xi_min,
                   PenaltyFuncLogTriangular, logtriangular_cdf, false,
                   "most_likely = %.3f, min = %.3f, max = %.3f \n");
const XiCase kPert = STOKA_XI_THREE("CalcPertByXi\n", "pert_xi_min \n", pert_xi_min,
                                    PenaltyFuncPert, pert_cdf, true,
                                    "most_likely = %.3f, min = %.3f, , min = %.3f \n");
const XiCase kTriangular =
    STOKA_XI_THREE("CalcTriangularByXi\n", "triangular_xi_min \n", triangular_xi_min,
                   PenaltyFuncTriangular, triangular_cdf, true,
                   "most_likely = %.3f, min = %.3f, max = %.3f \n");
#undef STOKA_XI_THREE

// The objective: penalty, plus the statistic only where the penalty is exactly
// 0 (a NaN penalty counts as not 0).
double XiObjective(const XiCase& c, const gsl_vector* x, const void* params) {
  stoka_print("%s", c.objective_line);
  const double penalty = c.penalty(x);
  const double target = penalty == 0.0 ? SampleStatistic(x, c.cdf, params) : 0.0;
  stoka_print("gsl_vector_free\n");
  if (c.penalty_line) stoka_print("penal = %.3f\n, target = %.3f", penalty, target);
  return target + penalty;
}

// ---------------------------------------------------------------------------
// The run.
constexpr int kMaxIterations = 1000;
constexpr double kSizeTolerance = 0.001;
constexpr double kGoodEnough = stoka::kEpsilon;  // a statistic this small counts as found
// A run that ends with the statistic above its size under a correct fit,
// (k - 1)/n, by more than this many of its standard deviations there,
// sqrt(2 (k - 1))/n, restarts once from where it ended, with steps of this
// share of the sample's standard deviation for the values (the run's own for
// shapes); the restart minimizes the mended statistic (tail intervals under
// 1e-6 scored with a floored probability, not walled off) and stands only
// where it ends lower by it than the point the run reached. (Three times the
// size itself lets a fit to 10^5 values stop with its location 3 % off.)
constexpr double kRestartAbove = 3.0;
constexpr double kSpreadStep = 0.5;

void LogValues(const char* format, int dim, const double* v) {
  if (dim == 4)
    debug_log(format, v[0], v[1], v[2], v[3]);
  else
    debug_log(format, v[0], v[1], v[2]);
}

void LogIteration(const XiCase& c, int iter, const gsl_vector* x, double f, double size,
                  double f_min) {
  if (c.dim == 4)
    debug_log(c.iteration_line, iter, P(x, 0), P(x, 1), P(x, 2), P(x, 3), f, size, f_min);
  else
    debug_log(c.iteration_line, iter, P(x, 0), P(x, 1), P(x, 2), f, size, f_min);
}

// start and out hold c.dim entries.
int RunXiFit(const XiCase& c, const double* start, int n, const double* data,
             double* const* out, double* out_f) {
  if (n < 1 || data == nullptr || out_f == nullptr) return kCantFind;
  for (int i = 0; i < c.dim; ++i)
    if (out[i] == nullptr) return kCantFind;

  debug_log("%s", c.title);
  debug_log("do start \n");
  LogValues(c.start_line, c.dim, start);
  if (c.indices_line) {
    if (c.dim == 4)
      debug_log(c.indices_line, kBetaDParamSize, kBetaDAlphaId, kBetaDBetaId, kBetaDMinId,
                kBetaDMaxId);
    else
      debug_log(c.indices_line, kLNDParamSize, kLNDMeanId, kLNDStDevId, kLNDLocationId);
  }

  SampleScope sample(data, n);
  debug_log("do iter 1\n");
  stoka::Simplex simplex(c.dim);
  if (!simplex.ok()) return kCantFind;
  double dummy = 0.0;  // the objective reads the sample from global_params
  gsl_multimin_function fn = {c.objective, static_cast<size_t>(c.dim), &dummy};
  const double steps[] = {c.step, c.step, c.step, c.step};
  const double spread = gsl_stats_sd(data, 1, n);
  double scaled[4];
  for (int i = 0; i < c.dim; ++i)
    scaled[i] = i < c.shapes || !(spread > 0) ? c.step : spread * kSpreadStep;
  stoka::SimplexMend mend;
  const double freedom = stoka_ran_define_intervals_count_(n) - 1;
  mend.enough = (freedom + kRestartAbove * std::sqrt(2.0 * freedom)) / n;
  mend.rounds = 1;
  mend.own_steps = false;
  mend.from_any_end = true;
  // The phase minimizes and judges the mended statistic: where the sample is
  // large, the true parameters leave tail intervals under 1e-6 whose
  // penalties put the statistic's own minimum away from them.
  gsl_multimin_function judge = {c.objective, static_cast<size_t>(c.dim), sample.mended()};
  mend.judge = &judge;
  stoka::SimplexRule rule;
  rule.tolerance = kSizeTolerance;
  rule.limit = kMaxIterations;
  rule.floor = kGoodEnough;
  // f is known once an iteration has run; a search that could not even start
  // reports the objective at the point it holds.
  bool have_f = false;
  double f = 0.0, f_min = 0.0;
  debug_log("do iter 2\n");  // the driver sets the minimizer, then iterates
  debug_log("do iter 3\n");
  const stoka::SimplexEnd end =
      simplex.Run(&fn, start, steps, rule, [&](const stoka::SimplexStep& at) {
        f = gsl_multimin_fminimizer_minimum(at.minimizer);
        f_min = have_f ? std::fmin(f_min, f) : f;
        have_f = true;
        LogIteration(c, at.iteration, gsl_multimin_fminimizer_x(at.minimizer), f, at.size, f_min);
        if (at.status == GSL_SUCCESS) debug_log("converged to minimum at\n");
      }, scaled, mend);
  const gsl_vector* reached = simplex.x();
  // The run that stands: a restart that stood holds the mended statistic.
  if (end.restarts > 0) f = simplex.value();
  if (!have_f) f = c.objective(reached, &dummy);

  const bool found = end.end == stoka::End::kConverged || std::fabs(f) < kGoodEnough;
  debug_log(found ? "solve find\n" : "solve can't find\n");
  for (int i = 0; i < c.dim; ++i) *out[i] = P(reached, i);
  *out_f = f;
  debug_log("free the vectors, the minimizer and the sample\n");
  return found ? kFind : kCantFind;
}

double AsDouble(int result) { return result == kFind ? 1.0 : 0.0; }

}  // namespace

// ---------------------------------------------------------------------------
// Objectives.
double beta_xi_min(const gsl_vector* x, void* params) { return XiObjective(kBeta, x, params); }
double lognormal_xi_min(const gsl_vector* x, void* params) { return XiObjective(kLogNormal, x, params); }
double logtriangular_xi_min(const gsl_vector* x, void* params) { return XiObjective(kLogTriangular, x, params); }
double pert_xi_min(const gsl_vector* x, void* params) { return XiObjective(kPert, x, params); }
double triangular_xi_min(const gsl_vector* x, void* params) { return XiObjective(kTriangular, x, params); }

// ---------------------------------------------------------------------------
// Entry points.
int CalcBetaByXi(double alpha, double beta, double min, double max, int n, const double* data,
                 double* out_alpha, double* out_beta, double* out_min, double* out_max,
                 double* out_f) {
  const double start[] = {alpha, beta, min, max};
  double* const out[] = {out_alpha, out_beta, out_min, out_max};
  return RunXiFit(kBeta, start, n, data, out, out_f);
}
int CalcLogNormalByXi(double mean, double st_dev, double location, int n, const double* data,
                      double* out_mean, double* out_st_dev, double* out_location,
                      double* out_f) {
  const double start[] = {mean, st_dev, location};
  double* const out[] = {out_mean, out_st_dev, out_location};
  return RunXiFit(kLogNormal, start, n, data, out, out_f);
}
int CalcLogTriangularByXi(double most_likely, double min, double max, int n, const double* data,
                          double* out_most_likely, double* out_min, double* out_max,
                          double* out_f) {
  const double start[] = {most_likely, min, max};
  double* const out[] = {out_most_likely, out_min, out_max};
  return RunXiFit(kLogTriangular, start, n, data, out, out_f);
}
int CalcPertByXi(double most_likely, double min, double max, int n, const double* data,
                 double* out_most_likely, double* out_min, double* out_max, double* out_f) {
  const double start[] = {most_likely, min, max};
  double* const out[] = {out_most_likely, out_min, out_max};
  return RunXiFit(kPert, start, n, data, out, out_f);
}
int CalcTriangularByXi(double most_likely, double min, double max, int n, const double* data,
                       double* out_most_likely, double* out_min, double* out_max,
                       double* out_f) {
  const double start[] = {most_likely, min, max};
  double* const out[] = {out_most_likely, out_min, out_max};
  return RunXiFit(kTriangular, start, n, data, out, out_f);
}

double stoka_ran_beta_by_xi_(double alpha, double beta, double min, double max, int n,
                             const double* data, double* out_alpha, double* out_beta,
                             double* out_min, double* out_max, double* out_f) {
  return AsDouble(
      CalcBetaByXi(alpha, beta, min, max, n, data, out_alpha, out_beta, out_min, out_max, out_f));
}
double stoka_ran_lognormal_by_xi_(double mean, double st_dev, double location, int n,
                                  const double* data, double* out_mean, double* out_st_dev,
                                  double* out_location, double* out_f) {
  return AsDouble(CalcLogNormalByXi(mean, st_dev, location, n, data, out_mean, out_st_dev,
                                    out_location, out_f));
}
double stoka_ran_logtriangular_by_xi_(double most_likely, double min, double max, int n,
                                      const double* data, double* out_most_likely,
                                      double* out_min, double* out_max, double* out_f) {
  return AsDouble(CalcLogTriangularByXi(most_likely, min, max, n, data, out_most_likely, out_min,
                                        out_max, out_f));
}
double stoka_ran_pert_by_xi_(double most_likely, double min, double max, int n,
                             const double* data, double* out_most_likely, double* out_min,
                             double* out_max, double* out_f) {
  return AsDouble(
      CalcPertByXi(most_likely, min, max, n, data, out_most_likely, out_min, out_max, out_f));
}
double stoka_ran_triangular_by_xi_(double most_likely, double min, double max, int n,
                                   const double* data, double* out_most_likely, double* out_min,
                                   double* out_max, double* out_f) {
  return AsDouble(CalcTriangularByXi(most_likely, min, max, n, data, out_most_likely, out_min,
                                     out_max, out_f));
}

// Uniform: k distinct values (at 1e-6) with mean e suggest [e - k/2, e + k/2],
// which covers k consecutive integers with half a unit on either side; the
// sample's own range is the other candidate. The smaller statistic wins, the
// sample's range on a tie.
int CalcUniformByXi_(int n, const double* data, double* out_a, double* out_b, double* out_f) {
  if (n < 1 || data == nullptr || !out_a || !out_b || !out_f) return kCantFind;
  const double e = expected_value(data, n);
  const double m = mean_frequency_value(data, n);
  const double h = 1 / (2 * m);
  const double b1 = e + h, a1 = 2 * e - b1;
  const double chi1 = pearson_uniform_(a1, b1, n, data);
  double lo = data[0], hi = data[0];
  for (int i = 1; i < n; ++i) {
    if (data[i] < lo) lo = data[i];
    if (data[i] > hi) hi = data[i];
  }
  const double chi2 = pearson_uniform_(lo, hi, n, data);
  if (chi2 > chi1) {
    *out_a = a1;
    *out_b = b1;
    *out_f = chi1;
  } else {
    *out_a = lo;
    *out_b = hi;
    *out_f = chi2;
  }
  return kFind;
}
