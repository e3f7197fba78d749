// The percentile-fit frame: the simplex run of a case, the penalty functions,
// the result codes, and the engine that runs any fitting case from its row.
#include <gsl/gsl_blas.h>
#include <gsl/gsl_linalg.h>

#include <algorithm>
#include <cmath>

#include "calc/beta_shape.hpp"
#include "calc/prepared_law.hpp"
#include "core/constants.hpp"
#include "core/output.hpp"
#include "core/solve.hpp"
#include "fit/engine.hpp"

extern "C" {
const double kPenaltyVal = stoka::kPenalty;
const int kSolveFind = stoka::kFind;
const int kSolveCantFind = stoka::kCantFind;
const int iter_count = 1000000;
}

// ---------------------------------------------------------------------------
// The frame.

namespace {
// What a fitting entry point knows of its judged values and the frame's
// published arguments do not carry: the steps of a restart scaled to the
// values, and the objective value that counts as landed. The entry point
// leaves it here for the one frame run it starts on this thread; a frame run
// by a host with callbacks of its own finds none and runs as specified.
struct MendRequest {
  double steps[stoka::fit::kMaxFields];
  double enough;
  gsl_multimin_function smooth;  // the restarts' stand-in objective; f null: none
  double tolerance;              // of the restarts' size test
  int starts;                    // 0, or the point a failed run restarts from
  double start[stoka::fit::kMaxFields];
  // The fitted values' deviations from the judged ones at a trial point, one
  // per element of the point; false where the point has a penalty or no value.
  bool (*deviations)(const gsl_vector* x, void* context, double* d);
  void* context;
};
thread_local const MendRequest* pending_mend = nullptr;
// How the Beta quantiles of a search answer where GSL's inverse stalls: with
// GSL's NaN in the specified run, so that its path is GSL's, and with the
// bisection in the second phase, which starts only where that run ended badly.
thread_local stoka::BetaShape::Stall search_stall = stoka::BetaShape::Stall::kNaN;
thread_local bool stalled = false;  // a quantile of the run came out NaN where GSL stalled
// Newton steps on the judged values' equations from x, where the simplex has
// stopped above landing: as many equations as unknowns, near a solution that
// they determine only weakly (a near-normal Beta) the simplex creeps along the
// valley while Newton crosses it. The Jacobian by forward differences of a
// small share of the restart steps; a step is halved until it lowers the
// summed distance. The steps go on until the summed distance is at or below
// `aim` times that of landing (1: they stop on landing). x is moved to the
// best point found; true when it moved.
constexpr int kNewtonSteps = 200;
constexpr double kNewtonShare = 1e-7;
constexpr double kShortcutAim = 1e-4;  // of landing, for the steps before the restarts
bool NewtonPolish(const MendRequest& m, gsl_vector* x, double aim = 1.0) {
  const size_t n = x->size;
  double d[stoka::fit::kMaxFields], e[stoka::fit::kMaxFields];
  auto distance = [&](const gsl_vector* at, double* out) {
    if (!m.deviations(at, m.context, out)) return stoka::kNaN;
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i) sum += std::fabs(out[i]);
    return sum;
  };
  double reached = distance(x, d);
  if (!(reached > m.enough * m.enough)) return false;
  gsl_matrix* jacobian = gsl_matrix_alloc(n, n);
  gsl_permutation* order = gsl_permutation_alloc(n);
  gsl_vector* step = gsl_vector_alloc(n);
  gsl_vector* minus = gsl_vector_alloc(n);
  gsl_vector* trial = gsl_vector_alloc(n);
  bool moved = false;
  for (int k = 0; jacobian && order && step && minus && trial && k < kNewtonSteps; ++k) {
    bool ok = true;
    for (size_t j = 0; ok && j < n; ++j) {
      gsl_vector_memcpy(trial, x);
      const double h = kNewtonShare * std::fmax(m.steps[j], std::fabs(gsl_vector_get(x, j)));
      gsl_vector_set(trial, j, gsl_vector_get(x, j) + h);
      ok = !std::isnan(distance(trial, e));
      for (size_t i = 0; ok && i < n; ++i) gsl_matrix_set(jacobian, i, j, (e[i] - d[i]) / h);
    }
    for (size_t i = 0; i < n; ++i) gsl_vector_set(minus, i, -d[i]);
    int sign;
    if (!ok || gsl_linalg_LU_decomp(jacobian, order, &sign) != GSL_SUCCESS ||
        gsl_linalg_LU_solve(jacobian, order, minus, step) != GSL_SUCCESS)
      break;
    double t = 1.0, lower = stoka::kNaN;
    for (int halvings = 0; halvings < 20 && !(lower < reached); ++halvings, t *= 0.5) {
      gsl_vector_memcpy(trial, x);
      gsl_blas_daxpy(t, step, trial);
      lower = distance(trial, e);
    }
    if (!(lower < reached)) break;
    gsl_vector_memcpy(x, trial);
    std::copy(e, e + n, d);
    reached = lower;
    moved = true;
    if (reached <= aim * m.enough * m.enough) break;
  }
  if (jacobian) gsl_matrix_free(jacobian);
  if (order) gsl_permutation_free(order);
  if (step) gsl_vector_free(step);
  if (minus) gsl_vector_free(minus);
  if (trial) gsl_vector_free(trial);
  return moved;
}

// Where the polished point x lands (its objective at or below enough), sets a
// spare simplex there in place of s: the point a result writer reads is x.
bool KeepPolished(const MendRequest& m, gsl_multimin_function* f, const gsl_vector* x,
                  gsl_multimin_fminimizer*& s) {
  if (!(GSL_MULTIMIN_FN_EVAL(f, x) <= m.enough)) return false;
  gsl_multimin_fminimizer* spare = gsl_multimin_fminimizer_alloc(s->type, x->size);
  gsl_vector* steps = gsl_vector_alloc(x->size);
  bool kept = false;
  if (spare && steps) {
    for (size_t i = 0; i < x->size; ++i) gsl_vector_set(steps, i, kNewtonShare * m.steps[i]);
    kept = gsl_multimin_fminimizer_set(spare, f, x, steps) == GSL_SUCCESS;
    if (kept) std::swap(s, spare);
  }
  if (spare) gsl_multimin_fminimizer_free(spare);
  if (steps) gsl_vector_free(steps);
  return kept;
}

}  // namespace

int CalcDistributionByParams(int max_iter, double tolerance, double* params, FitInitializer init,
                             FitTrace trace, FitResultWriter write, FitFailureWriter fail,
                             void* out) {
  gsl_vector* x = nullptr;
  gsl_vector* step = nullptr;
  gsl_multimin_fminimizer* s = nullptr;
  gsl_multimin_function_struct f{};
  const MendRequest* mend = pending_mend;
  pending_mend = nullptr;
  init(params, &x, &step, &s, &f);

  bool converged = false;
  if (x && step && s) {
    stoka::SimplexRun run;
    run.function = &f;
    run.start = x;
    run.steps = step;
    // The step status is not examined; a simplex size that is not finite (a
    // NaN or infinite argument that slipped through a check) can never pass
    // the test, so it ends the run at once.
    run.rule.tolerance = tolerance;
    run.rule.limit = max_iter;
    run.rule.stop_on_step_error = false;
    run.rule.stop_on_infinite_size = true;
    run.rule.nan_run = stoka::kNaNRunLimit;
    run.rule.still_band = stoka::kStillBand;
    run.trace = [trace](const stoka::SimplexStep& at) {
      trace(at.minimizer, at.iteration, at.size);
    };
    stalled = false;
    stoka::SimplexEnd end = stoka::RunSimplex(s, run);
    if (mend) {
      gsl_vector* scaled = gsl_vector_alloc(f.n);
      gsl_vector* start = mend->starts == int(f.n) ? gsl_vector_alloc(f.n) : nullptr;
      if (scaled) {
        for (size_t i = 0; i < f.n; ++i) gsl_vector_set(scaled, i, mend->steps[i]);
        if (start)
          for (size_t i = 0; i < f.n; ++i) gsl_vector_set(start, i, mend->start[i]);
        stoka::SimplexMend m;
        m.steps = scaled;
        m.start = start;
        m.enough = mend->enough;
        m.no_fit = stoka::kPenalty;
        m.tolerance = mend->tolerance;
        m.new_objective = stalled;
        gsl_multimin_function smooth = mend->smooth;
        smooth.n = f.n;
        if (smooth.f) m.smooth = &smooth;
        search_stall = stoka::BetaShape::Stall::kBisect;
        gsl_vector* first = gsl_vector_alloc(f.n);
        if (first) gsl_vector_memcpy(first, gsl_multimin_fminimizer_x(s));
        gsl_vector* polished = mend->deviations ? gsl_vector_alloc(f.n) : nullptr;
        // Newton steps from the run's own point before any restart: near a
        // solution that the run has only crept towards they land in a few
        // steps, where the restarts cost several runs of the simplex. They go
        // on well past landing (quadratic steps cost little there), so that
        // the values are met as closely as the restarts' size test meets
        // them. Where they do not land, the phase runs as it would without.
        bool tried = false, landed = false;
        if (polished)
          m.shortcut = [&](gsl_multimin_fminimizer*& at) {
            tried = true;
            gsl_vector_memcpy(polished, gsl_multimin_fminimizer_x(at));
            landed = NewtonPolish(*mend, polished, kShortcutAim) &&
                     KeepPolished(*mend, &f, polished, at);
            return landed;
          };
        end = stoka::MendSimplex(s, run, end, m);
        // A phase that converged above landing: Newton steps from its point,
        // then from the first run's (the restarts can creep along a valley
        // far from the solution), unless they were tried there already. One
        // that used up the caller's limit fails.
        const bool have = !landed && end.end == stoka::End::kConverged &&
                          stoka::SimplexMendingEnabled() &&
                          !(gsl_multimin_fminimizer_minimum(s) <= mend->enough);
        for (int from = 0; polished && have && !landed && from < 2; ++from) {
          if (from == 1 && (!first || tried)) break;
          gsl_vector_memcpy(polished, from == 0 ? gsl_multimin_fminimizer_x(s) : first);
          landed = NewtonPolish(*mend, polished) && KeepPolished(*mend, &f, polished, s);
        }
        if (polished) gsl_vector_free(polished);
        if (first) gsl_vector_free(first);
        search_stall = stoka::BetaShape::Stall::kNaN;
        gsl_vector_free(scaled);
      }
      if (start) gsl_vector_free(start);
    }
    converged = end.end == stoka::End::kConverged;
  }
  const int result = converged ? write(s, params, out) : fail(out);

  if (x) gsl_vector_free(x);
  if (step) gsl_vector_free(step);
  if (s) gsl_multimin_fminimizer_free(s);
  return result;
}

#define STOKA_FRAME_WRAPPER(wrapper, Record)                                                \
  int wrapper(int max_iter, double tolerance, double* params, FitInitializer init,         \
              FitTrace trace, FitResultWriter write, FitFailureWriter fail, Record* out) {  \
    debug_log("%s \n", #wrapper);                                                           \
    return CalcDistributionByParams(max_iter, tolerance, params, init, trace, write, fail, \
                                    out);                                                   \
  }
STOKA_FRAME_WRAPPER(CalcBetaDistributionByParams, OutDataBeta)
STOKA_FRAME_WRAPPER(CalcPertDistributionByParams, OutDataPert)
STOKA_FRAME_WRAPPER(CalcTriangularDistributionByParams, OutDataTD)
STOKA_FRAME_WRAPPER(CalcLogTriangularDistributionByParams, OutDataLTD)

void CopyParamsFromOutDataBeta(OutDataBeta* data, double* alpha, double* beta, double* min,
                               double* max) {
  *alpha = data->alpha;
  *beta = data->beta;
  *min = data->min;
  *max = data->max;
}
void CopyParamsFromOutDataTriangular(OutDataTD* data, double* ml, double* min, double* max) {
  *ml = data->ml;
  *min = data->min;
  *max = data->max;
}
void CopyParamsFromOutDataLogTriangular(OutDataLTD* data, double* ml, double* min, double* max) {
  *ml = data->ml;
  *min = data->min;
  *max = data->max;
}

// ---------------------------------------------------------------------------
// Penalties: kPenaltyVal per broken condition.

namespace {
double Penalty(std::initializer_list<bool> broken) {
  double sum = 0.0;
  for (bool b : broken)
    if (b) sum += stoka::kPenalty;
  return sum;
}
}  // namespace

double PenaltyFuncTriangular(double ml, double min, double max) {
  const bool zero = IsDoubleZeroVal(max - min);
  return Penalty({min > max || zero, ml > max || zero, min > ml || zero});
}

double PenaltyFuncLogTriangular(double ml, double min, double max) {
  return Penalty({min > max || IsDoubleZeroVal(max - min), ml > max || IsDoubleZeroVal(ml - max),
                  min >= ml || IsDoubleZeroVal(ml - min), min < 0 || IsDoubleZeroVal(min),
                  max < 0 || IsDoubleZeroVal(max), ml < 0 || IsDoubleZeroVal(ml)});
}

double PenaltyFuncBeta(double alpha, double beta, double min, double max) {
  return Penalty({alpha + beta > 100000.0, min > max || IsDoubleZeroVal(min - max), alpha < 0.3,
                  beta < 0.3});
}

double PenaltyFuncPert(double ml, double min, double max) {
  double alpha = 0.0, beta = 0.0;
  CalcBetaParamsByPert(min, max, ml, &alpha, &beta);
  return Penalty({min > ml || ml > max}) + PenaltyFuncBeta(alpha, beta, min, max);
}

// ---------------------------------------------------------------------------
// The engine.

namespace stoka::fit {
namespace {

bool Has(const Call& c, Field f) { return (c.fixed & Bit(f)) != 0; }

double Evaluate(const Family& family, const Expr& e, const double* block) {
  double stack[kMaxOps] = {};  // an empty expression is 0
  int top = 0;
  for (int i = 0; i < e.ops; ++i) {
    const Op& o = e.op[i];
    if (o.code == Op::kConst) {
      stack[top++] = o.c;
    } else if (o.code == Op::kValue) {
      stack[top++] = block[family.value_pos + o.index];
    } else if (o.code == Op::kFixed) {
      stack[top++] = block[family.fixed_pos[o.index]];
    } else if (o.code == Op::kAbs) {
      stack[top - 1] = std::fabs(stack[top - 1]);
    } else {
      const double r = stack[--top], l = stack[top - 1];
      stack[top - 1] = o.code == Op::kAdd   ? l + r
                       : o.code == Op::kSub ? l - r
                       : o.code == Op::kMul ? l * r
                                            : l / r;
    }
  }
  return stack[0];
}

int Dimension(const Family& family, const Case& c) {
  return family.fields - FieldCount(c.fixed);
}

// The full parameter set, in record order: the trial elements where the case
// fits, the block where the caller fixed.
void Complete(const Family& family, const Case& c, const gsl_vector* x, const double* block,
              double* v) {
  size_t j = 0;
  for (int i = 0; i < family.fields; ++i) {
    const Field f = family.field[i];
    v[i] = (c.fixed & Bit(f)) ? block[family.fixed_pos[f]] : gsl_vector_get(x, j++);
  }
}

// The penalty of the trial point x, or else the root of the sum of the
// absolute deviations of its quantiles from the judged values (squared: the
// sum of the squared deviations over span).
double Deviations(const Family& family, const Case& c, const gsl_vector* x, const double* block,
                  double span, bool squared) {
  double v[kMaxFields];
  Complete(family, c, x, block, v);
  const double penalty = family.penalty(v);
  if (penalty != 0.0) return penalty;
  double sum = 0.0;
  const int points = Dimension(family, c);
  double fitted[kMaxFields];
  family.quantiles(v, block + family.percent_pos, points, fitted);
  for (int i = 0; i < points; ++i) {
    const double d = fitted[i] - block[family.value_pos + i];
    sum += squared ? (d / span) * (d / span) : std::fabs(d);
  }
  return squared ? sum : std::sqrt(sum);
}

// Points sorted by cumulative percent, smaller first; each value travels with
// its percent. Insertion sort: NaN percents cannot upset it.
void SortPoints(Call& c) {
  double cumulative[kMaxPoints];
  for (int i = 0; i < c.points; ++i) cumulative[i] = InvertPercentile(c.p[i]);
  for (int i = 1; i < c.points; ++i)
    for (int j = i; j > 0 && cumulative[j - 1] > cumulative[j]; --j) {
      std::swap(cumulative[j - 1], cumulative[j]);
      std::swap(c.x[j - 1], c.x[j]);
    }
  for (int i = 0; i < c.points; ++i) c.p[i] = InvertPercentile(cumulative[i]);
}

// The share of the judged values' span that a scaled restart steps by.
constexpr double kScaledStep = 0.1;

// The spread of the judged values, with the fixed bounds and mode: the scale
// of every value-like parameter. One value alone gives its own magnitude.
double Span(const Call& call) {
  double lo = call.x[0], hi = call.x[0];
  auto take = [&](double v) { lo = std::fmin(lo, v), hi = std::fmax(hi, v); };
  for (int i = 1; i < call.points; ++i) take(call.x[i]);
  for (Field f : {kMl, kMin, kMax})
    if (Has(call, f)) take(call.given[f]);
  const double span = hi - lo;
  if (span > 0 && std::isfinite(span)) return span;
  return std::fabs(call.x[0]) > 0 ? std::fabs(call.x[0]) : 1.0;
}

// The percentile objective's smooth stand-in for the restarts: the squared
// deviations over the span, penalties as they are. Zero where the objective is.
struct SmoothObjective {
  const Family* family;
  const Case* c;
  const double* block;
  double span;

  static double Value(const gsl_vector* x, void* self) {
    const SmoothObjective& o = *static_cast<const SmoothObjective*>(self);
    return stoka::fit::Deviations(*o.family, *o.c, x, o.block, o.span, true);
  }
  static bool Deviations(const gsl_vector* x, void* self, double* d) {
    const SmoothObjective& o = *static_cast<const SmoothObjective*>(self);
    double v[kMaxFields];
    Complete(*o.family, *o.c, x, o.block, v);
    if (o.family->penalty(v) != 0.0) return false;
    const int points = Dimension(*o.family, *o.c);
    o.family->quantiles(v, o.block + o.family->percent_pos, points, d);
    bool finite = true;
    for (int i = 0; i < points; ++i) {
      d[i] -= o.block[o.family->value_pos + i];
      finite = finite && std::isfinite(d[i]);
    }
    return finite;
  }
};

int Fit(const Family& family, const Case& c, const char* name, const Call& call) {
  debug_log("%s \n", name);
  double block[kBlockCapacity];
  FillArrayByVal(block, 0.0, family.block_size);
  for (int i = 0; i < call.points; ++i) {
    block[family.value_pos + i] = call.x[i];
    block[family.percent_pos + i] = InvertPercentile(call.p[i]) / 100.0;
  }
  for (int f = 0; f < kFieldCount; ++f)
    if (call.fixed & Bit(Field(f))) block[family.fixed_pos[f]] = call.given[f];
  // The restart steps: the span's share for values, the case's own for shapes.
  // Where only shapes are fitted, the restarts measure their simplex against
  // the tolerance's share of the span, a tolerance without units.
  MendRequest mend{};
  const double span = Span(call);
  bool shapes = true;
  for (int i = 0, j = 0; i < family.fields; ++i) {
    const Field f = family.field[i];
    if (c.fixed & Bit(f)) continue;
    const bool shape = f == kAlpha || f == kBeta;
    shapes = shapes && shape;
    mend.steps[j] = shape ? Evaluate(family, c.step[c.steps == 1 ? 0 : j], block)
                          : span * kScaledStep;
    ++j;
  }
  mend.tolerance = shapes ? call.tolerance / span : INFINITY;
  mend.enough = std::sqrt(call.points * call.tolerance);
  mend.starts = c.restarts;
  for (int i = 0; i < c.restarts; ++i) mend.start[i] = Evaluate(family, c.restart[i], block);
  SmoothObjective smooth{&family, &c, block, span};
  mend.smooth = {&SmoothObjective::Value, 0, &smooth};
  mend.deviations = &SmoothObjective::Deviations;
  mend.context = &smooth;
  pending_mend = &mend;
  double v[kMaxFields] = {};
  const int result = family.run(call.max_iter, call.tolerance, block, c, v);
  pending_mend = nullptr;
  for (int i = 0; i < family.fields; ++i) *call.out[family.field[i]] = v[i];
  return result;
}

}  // namespace

double BetaQuantile(double q, double alpha, double beta, double min, double max) {
  if (!std::isfinite(alpha) || !std::isfinite(beta)) return kNaN;
  return stoka_ran_beta_cdf_inv_(q, alpha, beta, min, max);
}

void BetaQuantiles(double alpha, double beta, double min, double max, const double* q, int n,
                   double* out) {
  if (!BetaShapeServes(alpha, beta)) {
    for (int i = 0; i < n; ++i) out[i] = BetaQuantile(q[i], alpha, beta, min, max);
    return;
  }
  const BetaShape shape(alpha, beta);
  for (int i = 0; i < n; ++i) {
    out[i] = std::isnan(q[i]) ? kNaN : min + (max - min) * shape.Quantile(q[i], search_stall);
    stalled = stalled || (std::isnan(out[i]) && !std::isnan(q[i]));
  }
}

int Check(const Family& family, const Call& c) {
  bool ok = true;
  if (family.positive) {
    for (int f = 0; f < kFieldCount; ++f)
      if (c.fixed & Bit(Field(f))) ok = ok && c.given[f] > 0;
    for (int i = 0; i < c.points; ++i) ok = ok && c.x[i] > 0;
  }
  const double ml = c.given[kMl], min = c.given[kMin], max = c.given[kMax];
  if (Has(c, kMl) && Has(c, kMin)) ok = ok && CheckMLMin_(ml, min);
  if (Has(c, kMl) && Has(c, kMax)) ok = ok && CheckMLMax_(ml, max);
  if (Has(c, kMin) && Has(c, kMax)) ok = ok && CheckMinMax_(min, max);
  if (family.values_within_bounds)
    for (int i = 0; i < c.points; ++i) {
      if (Has(c, kMin)) ok = ok && CheckPercMin_(c.x[i], min);
      if (Has(c, kMax)) ok = ok && CheckPercMax_(c.x[i], max);
    }
  if (Has(c, kAlpha)) ok = ok && CheckOneBetaParam_(c.given[kAlpha]);
  if (Has(c, kBeta)) ok = ok && CheckOneBetaParam_(c.given[kBeta]);
  if (Has(c, kAlpha) && Has(c, kBeta))
    ok = ok && CheckBetaParamsConformity_(c.given[kAlpha], c.given[kBeta]);
  // Every percent in range; every pair of points ordered alike and distinct.
  double cumulative[kMaxPoints];
  for (int i = 0; i < c.points; ++i) {
    cumulative[i] = InvertPercentile(c.p[i]);
    ok = ok && CheckPercentile_(cumulative[i]);
  }
  for (int i = 0; i < c.points; ++i)
    for (int j = i + 1; j < c.points; ++j)
      ok = ok && CheckPercentilesConformity_(cumulative[i], c.x[i], cumulative[j], c.x[j]) &&
           CheckPercentilesEquality_(cumulative[i], cumulative[j]);
  return ok ? kFind : kCantFind;
}

int Dispatch(const Family& family, Kind kind, const char* name, Call& call) {
  if (kind == Kind::kCheck) return Check(family, call);
  const Case& c = *FindCase(family, call.fixed);
  if (kind == Kind::kConvert) {
    if (c.closed) return c.closed(call);  // the closed forms trust their caller
    if (call.points > 1) SortPoints(call);
    call.max_iter = iter_count;
    call.tolerance = eps;
  }
  const int valid = Check(family, call);
  if (valid != kFind) return valid;
  return c.closed ? c.closed(call) : Fit(family, c, name, call);
}

void Initialize(const Family& family, const Case& c, double* block, gsl_vector** x,
                gsl_vector** step, gsl_multimin_fminimizer** s, gsl_multimin_function_struct* f) {
  const int n = Dimension(family, c);
  *x = gsl_vector_alloc(n);
  *step = gsl_vector_alloc(n);
  if (*x)
    for (int i = 0; i < n; ++i) gsl_vector_set(*x, i, Evaluate(family, c.start[i], block));
  if (*step) {
    if (c.steps == 1) {
      gsl_vector_set_all(*step, Evaluate(family, c.step[0], block));
    } else {
      for (int i = 0; i < n; ++i) gsl_vector_set(*step, i, Evaluate(family, c.step[i], block));
    }
  }
  f->f = c.objective;
  f->n = n;
  f->params = block;
  *s = gsl_multimin_fminimizer_alloc(gsl_multimin_fminimizer_nmsimplex2, n);
}

double Objective(const Family& family, const Case& c, const gsl_vector* x, void* params) {
  return Deviations(family, c, x, static_cast<const double*>(params), 1.0, false);
}

int WriteResult(const Family& family, const Case& c, gsl_multimin_fminimizer* s, double* block,
                void* out) {
  double v[kMaxFields];
  Complete(family, c, gsl_multimin_fminimizer_x(s), block, v);
  family.store(out, v);
  return kFind;
}

int WriteFailure(const Family& family, void* out) {
  const double zeros[kMaxFields] = {};
  family.store(out, zeros);
  return kCantFind;
}

void Trace(const Family& family, const Case& c, gsl_multimin_fminimizer* s, int iter,
           double size) {
  const gsl_vector* x = gsl_multimin_fminimizer_x(s);
  const double f = gsl_multimin_fminimizer_minimum(s);
  auto e = [&](size_t i) { return gsl_vector_get(x, i); };
  switch (Dimension(family, c)) {
    case 1: debug_log(c.trace, iter, e(0), f, size); break;
    case 2: debug_log(c.trace, iter, e(0), e(1), f, size); break;
    case 3: debug_log(c.trace, iter, e(0), e(1), e(2), f, size); break;
    default: debug_log(c.trace, iter, e(0), e(1), e(2), e(3), f, size); break;
  }
}

}  // namespace stoka::fit
