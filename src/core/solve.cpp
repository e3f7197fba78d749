// The simplex and root-search drivers.
#include "core/solve.hpp"

#include <gsl/gsl_errno.h>

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "core/constants.hpp"
#include "core/output.hpp"
#include "stoka/core.hpp"

namespace stoka {

namespace {
// Halvings of a Newton step that left the domain before the search gives up.
constexpr int kMaxHalvings = 60;
// The floor of a measured delta test, in units of the last place of the root.
constexpr double kUlpFloor = 4.0;
}  // namespace

// ---------------------------------------------------------------------------
// Simplex.

namespace {

// Brent's cycle finder over the states a simplex reports: the state seen at
// the last power of two is kept and each new one compared with it, so a cycle
// of any length is found within twice its length of its start.
class CycleWatch {
 public:
  bool Returned(const gsl_multimin_fminimizer* s, double size) {
    const gsl_vector* x = gsl_multimin_fminimizer_x(s);
    const double f = gsl_multimin_fminimizer_minimum(s);
    const size_t n = x->size;
    if (!kept_.empty()) {
      bool same = kept_[n] == f && kept_[n + 1] == size;
      for (size_t i = 0; same && i < n; ++i) same = kept_[i] == gsl_vector_get(x, i);
      if (same) return true;
    }
    if (kept_.empty() || ++since_ >= power_) {
      kept_.resize(n + 2);
      for (size_t i = 0; i < n; ++i) kept_[i] = gsl_vector_get(x, i);
      kept_[n] = f;
      kept_[n + 1] = size;
      power_ *= 2;
      since_ = 0;
    }
    return false;
  }

 private:
  std::vector<double> kept_;  // x, f, size
  long power_ = 1, since_ = 0;
};

// Whether the best point and its value are those of the last iteration and
// the size is that of the last iteration, or, with a band, the best value is
// that of the last iteration and the size within that share of what it was
// when the best last moved: summed anew from vertices that only take turns
// about a best one, the size can drift in its last bits or swing between two
// values, and where two vertices tie for the best, the one reported can swap
// at every step while neither moves.
class StillWatch {
 public:
  explicit StillWatch(double band) : band_(band) {}
  bool Same(const gsl_multimin_fminimizer* s, double size) {
    const gsl_vector* x = gsl_multimin_fminimizer_x(s);
    const size_t n = x->size;
    bool same = last_.size() == n + 1 && last_[n] == gsl_multimin_fminimizer_minimum(s);
    last_.resize(n + 1);
    for (size_t i = 0; i < n; ++i) {
      same = same && (band_ > 0 || last_[i] == gsl_vector_get(x, i));
      last_[i] = gsl_vector_get(x, i);
    }
    last_[n] = gsl_multimin_fminimizer_minimum(s);
    same = same && (band_ > 0 ? std::fabs(size - since_) <= band_ * since_ : size == previous_);
    if (!same) since_ = size;
    previous_ = size;
    return same;
  }

 private:
  double band_;
  std::vector<double> last_;  // x, f
  double previous_ = 0.0;     // the size of the last iteration
  double since_ = 0.0;        // the size when the best last moved or the size left the band
};

std::atomic<bool> mending{true};

}  // namespace

SimplexEnd RunSimplex(gsl_multimin_fminimizer* s, const SimplexRun& run) {
  const SimplexRule& rule = run.rule;
  // A NaN tolerance is never met; a start where the objective is not finite
  // leaves the simplex unset, and iterating it would read garbage.
  if (std::isnan(rule.tolerance) ||
      gsl_multimin_fminimizer_set(s, run.function, run.start, run.steps) != GSL_SUCCESS)
    return {End::kNotStarted, 0};
  int iterations = 0, nan_run = 0, still = 0;
  CycleWatch watch;
  StillWatch stand(rule.still_band);
  bool cycled = false;
  do {
    ++iterations;
    stoka_count_iteration();
    const int stepped = gsl_multimin_fminimizer_iterate(s);
    if (stepped != GSL_SUCCESS && rule.stop_on_step_error)
      return {End::kStepFailed, iterations, cycled};
    const double size = gsl_multimin_fminimizer_size(s);
    const int status = rule.stop_on_infinite_size && !std::isfinite(size)
                           ? GSL_EBADFUNC
                           : gsl_multimin_test_size(size, rule.tolerance);
    if (run.trace) run.trace(SimplexStep{s, iterations, size, status});
    if (status == GSL_SUCCESS) return {End::kConverged, iterations, cycled};
    if (status != GSL_CONTINUE) return {End::kTestFailed, iterations, cycled};
    const double best = gsl_multimin_fminimizer_minimum(s);
    if (std::fabs(best) < rule.floor) return {End::kGoodEnough, iterations, cycled};
    nan_run = std::isnan(best) ? nan_run + 1 : 0;
    if (rule.nan_run > 0 && nan_run >= rule.nan_run) return {End::kNoValue, iterations, cycled};
    if (!cycled && watch.Returned(s, size)) {
      cycled = true;
      if (rule.stop_on_cycle) return {End::kCycle, iterations, cycled};
    }
    // A simplex whose best point stands while it does not shrink (every trial
    // point refused, or vertices taking turns) is where the limit would find
    // it: the run ends as it would there.
    still = stand.Same(s, size) ? still + 1 : 0;
    if (still >= kStillRun) return {End::kLimit, rule.limit, true};
  } while (iterations < rule.limit);
  return {End::kLimit, iterations, cycled};
}

void EnableSimplexMending(bool on) { mending = on; }
bool SimplexMendingEnabled() { return mending; }

namespace {

// One restart of the second phase into `spare`: the run as given, or, with a
// smooth stand-in, the stand-in's run followed by the polish on the run's own
// objective from where the stand-in stopped.
SimplexEnd Restart(gsl_multimin_fminimizer* spare, SimplexRun again,
                   gsl_multimin_function* smooth, double polish, int& restarts) {
  ++restarts;
  if (!smooth) return RunSimplex(spare, again);
  gsl_multimin_function* own = again.function;
  again.function = smooth;
  const SimplexEnd stood = RunSimplex(spare, again);
  if (stood.end == End::kNotStarted) return stood;
  const size_t n = again.start->size;
  gsl_vector* from = gsl_vector_alloc(n);
  gsl_vector* steps = gsl_vector_alloc(n);
  SimplexEnd end{};
  if (from && steps) {
    gsl_vector_memcpy(from, gsl_multimin_fminimizer_x(spare));
    gsl_vector_memcpy(steps, again.steps);
    gsl_vector_scale(steps, polish);
    again.function = own;
    again.start = from;
    again.steps = steps;
    end = RunSimplex(spare, again);
    ++restarts;
  }
  if (from) gsl_vector_free(from);
  if (steps) gsl_vector_free(steps);
  return end;
}

}  // namespace

SimplexEnd MendSimplex(gsl_multimin_fminimizer*& s, const SimplexRun& run, SimplexEnd first,
                       const SimplexMend& mend) {
  const bool converged = first.end == End::kConverged;
  const bool any = mend.from_any_end && first.end != End::kNotStarted;
  const double reached = gsl_multimin_fminimizer_minimum(s);
  double best = converged || any ? reached : std::numeric_limits<double>::infinity();
  const bool bad = any ? !(reached <= mend.enough)
                       : (converged && !(best <= mend.enough)) || first.end == End::kCycle ||
                             first.end == End::kStepFailed ||
                             (first.end == End::kLimit && (first.cycled || reached >= mend.no_fit));
  if (!mending) return first;
  // A run that used up its limit at or below enough has landed by its value,
  // as a restart does: on values of order 10^8 the simplex can keep stepping
  // between points that meet every value exactly, its size never shrinking.
  // One that cycled or stood still is mended as such.
  if (!any && first.end == End::kLimit && !first.cycled && reached <= mend.enough) {
    SimplexEnd landed = first;
    landed.end = End::kConverged;
    return landed;
  }
  if (!bad) return first;
  if (mend.shortcut && (converged || any || first.end == End::kLimit) && mend.shortcut(s)) {
    SimplexEnd landed = first;
    landed.end = End::kConverged;
    return landed;
  }
  gsl_multimin_fminimizer* spare = gsl_multimin_fminimizer_alloc(s->type, run.start->size);
  if (!spare) return first;
  SimplexEnd end = first;
  bool have = converged || any;  // whether s holds a point to restart from
  SimplexRun again = run;
  if (mend.judge) {
    again.function = mend.judge;
    if (have) best = GSL_MULTIMIN_FN_EVAL(mend.judge, gsl_multimin_fminimizer_x(s));
  }
  again.rule.stop_on_cycle = true;
  again.rule.still_band = 0.0;
  again.trace = nullptr;  // the progress lines stay those of the run
  again.rule.limit = std::min(run.rule.limit, mend.limit);
  again.rule.tolerance = std::min(run.rule.tolerance, mend.tolerance);
  int restarts = 0;
  auto rounds = [&](gsl_multimin_function* smooth) {
    for (int round = 0; round < mend.rounds; ++round) {
      bool improved = false;
      for (const gsl_vector* steps : {run.steps, mend.steps}) {
        // From the run's own start with its own steps, the run would repeat.
        if (!steps ||
            (steps == run.steps && ((!have && !mend.start && !mend.new_objective) || !mend.own_steps)))
          continue;
        again.start = have ? gsl_multimin_fminimizer_x(s) : mend.start ? mend.start : run.start;
        again.steps = steps;
        const SimplexEnd e = Restart(spare, again, smooth, mend.polish, restarts);
        const double value = gsl_multimin_fminimizer_minimum(spare);
        // A restart at or below enough has landed however it ended: a
        // simplex long and thin along a flat valley of the objective can run
        // out its limit without passing the size test.
        const bool close_enough = !any && value <= mend.enough;
        const bool landed = e.end == End::kConverged || (any && e.end == End::kGoodEnough) || close_enough;
        if (!landed || !(value < best)) continue;
        std::swap(s, spare);
        best = value;
        end = e;
        if (close_enough) end.end = End::kConverged;
        have = improved = true;
        if (best <= mend.enough) break;
      }
      if (!improved || best <= mend.enough) break;
    }
  };
  rounds(nullptr);
  // Where the restarts on the run's own objective end above enough, the same
  // rounds on the smooth stand-in.
  if (mend.smooth && !(best <= mend.enough)) rounds(mend.smooth);
  gsl_multimin_fminimizer_free(spare);
  end.restarts = restarts;
  return end;
}

Simplex::Simplex(size_t n)
    : n_(n),
      x_(gsl_vector_alloc(n)),
      steps_(gsl_vector_alloc(n)),
      s_(gsl_multimin_fminimizer_alloc(gsl_multimin_fminimizer_nmsimplex2, n)) {}

Simplex::~Simplex() {
  if (x_) gsl_vector_free(x_);
  if (steps_) gsl_vector_free(steps_);
  if (s_) gsl_multimin_fminimizer_free(s_);
}

SimplexEnd Simplex::Run(gsl_multimin_function* function, const double* start,
                        const double* steps, const SimplexRule& rule,
                        std::function<void(const SimplexStep&)> trace) {
  if (!ok()) return SimplexEnd{};
  for (size_t i = 0; i < n_; ++i) {
    gsl_vector_set(x_, i, start[i]);
    gsl_vector_set(steps_, i, steps[i]);
  }
  SimplexRun run{function, x_, steps_, rule, std::move(trace)};
  return RunSimplex(s_, run);
}

SimplexEnd Simplex::Run(gsl_multimin_function* function, const double* start,
                        const double* steps, const SimplexRule& rule,
                        std::function<void(const SimplexStep&)> trace, const double* scaled,
                        SimplexMend mend) {
  const SimplexEnd first = Run(function, start, steps, rule, trace);
  if (!ok()) return first;
  gsl_vector* scaled_steps = scaled ? gsl_vector_alloc(n_) : nullptr;
  if (scaled_steps)
    for (size_t i = 0; i < n_; ++i) gsl_vector_set(scaled_steps, i, scaled[i]);
  SimplexRun run{function, x_, steps_, rule, std::move(trace)};
  mend.steps = scaled_steps;
  const SimplexEnd end = MendSimplex(s_, run, first, mend);
  if (scaled_steps) gsl_vector_free(scaled_steps);
  return end;
}

// ---------------------------------------------------------------------------
// Root search.

namespace {

// A bracketing solver (Brent) or a derivative solver (Newton) behind one face.
class RootSolver {
 public:
  explicit RootSolver(const RootRun& run) : run_(run) {
    if (run.fdf)
      fdf_ = gsl_root_fdfsolver_alloc(gsl_root_fdfsolver_newton);
    else
      f_ = gsl_root_fsolver_alloc(gsl_root_fsolver_brent);
  }
  ~RootSolver() {
    if (f_) gsl_root_fsolver_free(f_);
    if (fdf_) gsl_root_fdfsolver_free(fdf_);
  }
  RootSolver(const RootSolver&) = delete;
  RootSolver& operator=(const RootSolver&) = delete;

  bool ok() const { return f_ || fdf_; }
  int Set() {
    if (fdf_) return Restart(run_.start);
    return gsl_root_fsolver_set(f_, run_.f, run_.lower, run_.upper);
  }
  // Newton only: starts again from u.
  int Restart(double u) {
    return gsl_root_fdfsolver_set(fdf_, run_.fdf, u);
  }
  const char* Name() const {
    return fdf_ ? gsl_root_fdfsolver_name(fdf_) : gsl_root_fsolver_name(f_);
  }
  int Iterate() { return fdf_ ? gsl_root_fdfsolver_iterate(fdf_) : gsl_root_fsolver_iterate(f_); }
  double Root() const { return fdf_ ? gsl_root_fdfsolver_root(fdf_) : gsl_root_fsolver_root(f_); }
  double Lower() const { return f_ ? gsl_root_fsolver_x_lower(f_) : kNaN; }
  double Upper() const { return f_ ? gsl_root_fsolver_x_upper(f_) : kNaN; }

 private:
  const RootRun& run_;
  gsl_root_fsolver* f_ = nullptr;
  gsl_root_fdfsolver* fdf_ = nullptr;
};

}  // namespace

RootEnd RunRoot(const RootRun& run) {
  RootSolver solver(run);
  if (!solver.ok() || solver.Set() != GSL_SUCCESS) return {End::kNotStarted, 0};
  if (run.trace.started) run.trace.started(solver.Name());
  void* params = run.fdf ? run.fdf->params : run.f->params;
  if (run.inside && !run.inside(run.start, params)) return {End::kOutside, 0};

  double previous = run.start;
  int iterations = 0;
  do {
    ++iterations;
    stoka_count_iteration();
    // A Newton step that breaks down (zero derivative, non-finite value)
    // leaves the root where it was; the delta test would take that for
    // convergence.
    const int stepped = solver.Iterate();
    if (stepped != GSL_SUCCESS && run.stop_on_step_error) return {End::kStepFailed, iterations};
    double u = solver.Root();
    int status;
    if (run.inside && !run.inside(u, params)) {
      int halvings = 0;
      while (!run.inside(u, params) && ++halvings <= kMaxHalvings)
        u = previous + (u - previous) * 0.5;
      if (!run.inside(u, params) || u == previous) return {End::kOutside, iterations};
      if (solver.Restart(u) != GSL_SUCCESS) return {End::kStepFailed, iterations};
      status = GSL_CONTINUE;
    } else if (!run.fdf) {
      status = gsl_root_test_interval(solver.Lower(), solver.Upper(), run.epsabs, run.epsrel);
    } else if (run.reach) {
      const double tolerance =
          run.epsrel * run.reach(u, params) + kUlpFloor * DBL_EPSILON * std::fabs(u);
      status = gsl_root_test_delta(u, previous, tolerance, 0.0);
    } else {
      status = gsl_root_test_delta(u, previous, run.epsabs, run.epsrel);
    }
    if (run.trace.step)
      run.trace.step(RootStep{iterations, u, previous, solver.Lower(), solver.Upper(), status});
    previous = u;
    if (status == GSL_SUCCESS) return {End::kConverged, iterations, u};
    if (status != GSL_CONTINUE) return {End::kTestFailed, iterations};
    if (run.adrift && run.adrift(u, run.limit - iterations, params))
      return {End::kLimit, iterations};
  } while (iterations < run.limit);
  return {End::kLimit, iterations};
}

}  // namespace stoka
