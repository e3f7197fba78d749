// The library's two iteration drivers, written the way GSL writes its own:
// the caller describes a run, the driver sets the solver, then iterates and
// tests until the run's rule ends it. The trace observes each step and never
// steers; every step is counted (stoka_count_iteration) so that a test can
// bound the work of a call.
//
// RunSimplex drives a Nelder-Mead minimizer (every percentile fit, every fit
// to sample data, the LogNormal and Normal simplex fits); RunRoot drives a
// root search, bracketing (Brent) or with a derivative (Newton). Both return
// how the run ended; the solver's final state stays readable by the caller,
// so a further phase can start from where a run stopped.
#ifndef STOKA_SRC_CORE_SOLVE_HPP
#define STOKA_SRC_CORE_SOLVE_HPP

#include <gsl/gsl_multimin.h>
#include <gsl/gsl_roots.h>

#include <functional>
#include <limits>

namespace stoka {

// The result codes of every fitter and solver, published as kSolveFind and
// kSolveCantFind.
enum SolveCode : int { kCantFind = 0, kFind = 1 };

// How a run ended.
enum class End {
  kConverged,   // the test succeeded
  kLimit,       // the iteration limit was reached while the test asked to go on
  kGoodEnough,  // the best value fell below the run's floor
  kNotStarted,  // no memory, a solver that could not be set, or a NaN tolerance
  kStepFailed,  // an iteration reported an error and the rule stops on that
  kTestFailed,  // the test reported an error, or the simplex size was not finite
  kOutside,     // a Newton step could not be brought back into the domain
  kCycle,       // the simplex came back to a state it had been in (a second phase only)
  kNoValue,     // the best value stayed NaN for the rule's run of iterations
};

// ---------------------------------------------------------------------------
// Simplex.

struct SimplexRule {
  double tolerance = 0.0;  // on the simplex size (gsl_multimin_test_size)
  int limit = 0;           // iterations; at least one is made
  // A failed gsl_multimin_fminimizer_iterate ends the run; otherwise the
  // run goes on and its status is ignored.
  bool stop_on_step_error = true;
  // A simplex size that is not finite ends the run at once (kTestFailed);
  // otherwise the size test, which such a size never passes, goes on.
  bool stop_on_infinite_size = false;
  // A best value below this in magnitude ends the run (kGoodEnough); 0: never.
  double floor = 0.0;
  // A simplex that comes back to a state it was in (its best point, value and
  // size all equal) ends the run (kCycle): on a penalty plateau the simplex
  // can reflect back and forth until the iteration limit. Otherwise such a
  // return is only noted (SimplexEnd::cycled).
  bool stop_on_cycle = false;
  // A best point that stands for kStillRun iterations ends the run as its
  // limit would, where the size stays as it was the iteration before, or with
  // a band, within that share of what it was when the best last moved; with a
  // band it is the best value that must stand (vertices that tie for the best
  // can take turns as the point reported).
  double still_band = 0.0;
  // A best value that stays NaN for this many iterations in a row ends the
  // run (kNoValue); 0: never. GSL's simplex reports a NaN vertex as its best
  // and never picks it as the worst, so such a vertex can stay while the
  // others shuffle about it with no end, at the full cost of the objective.
  int nan_run = 0;
};

struct SimplexStep {
  gsl_multimin_fminimizer* minimizer;
  int iteration;  // from 1
  double size;
  int status;  // of the size test, GSL_EBADFUNC for a size that ends the run
};

struct SimplexRun {
  gsl_multimin_function* function = nullptr;
  const gsl_vector* start = nullptr;
  const gsl_vector* steps = nullptr;
  SimplexRule rule;
  std::function<void(const SimplexStep&)> trace;  // after each step's test
};

struct SimplexEnd {
  End end = End::kNotStarted;
  int iterations = 0;
  bool cycled = false;  // the simplex came back to a state it had been in
  int restarts = 0;     // runs of the second phase (MendSimplex); 0 when it did not start
};

// Sets the minimizer on the run's function at its start and steps, then
// iterates, measures the simplex and tests its size until the rule ends the
// run. The minimizer then holds the point reached and its value.
SimplexEnd RunSimplex(gsl_multimin_fminimizer* s, const SimplexRun& run);

// A second phase for a run that ended badly: it converged at a value above
// `enough`, it cycled (to the iteration limit or not), or an iteration
// failed. A run that converged at or below `enough` is left exactly as it
// is; so is one that merely used up its limit without cycling (the caller's
// budget; where its value is at or below `enough` it counts as converged),
// and one whose size test failed (a negative tolerance, a size that is no
// number: no restart could pass it). The simplex restarts from the
// point reached (after a failure from `start`, or the run's start), once with
// the run's own steps and once with `steps` (scaled to the problem); a
// restart stands only when it converges at a strictly lower value than the
// best so far, and the rounds go on while one of them stands, up to `rounds`.
// Where they end above enough, the same rounds run on the `smooth` stand-in.
// Restarts stop on a cycle and are not traced.
struct SimplexMend {
  const gsl_vector* steps = nullptr;  // the scaled steps; null: the run's own alone
  // Where a failed run restarts: a point inside the domain where the run's own
  // start may lie outside it; null: the run's start.
  const gsl_vector* start = nullptr;
  // The size test of a restart, when finer than the run's own (a tolerance in
  // the values' units is coarse for parameters without units, such as shapes,
  // on values of order 10^6 and more).
  double tolerance = std::numeric_limits<double>::infinity();
  // A run that used up its limit at a value at or above this found no point
  // of the domain (a penalty plateau the cycle watch missed): it is mended as
  // one that cycled.
  double no_fit = std::numeric_limits<double>::infinity();
  double enough = 0.0;
  int rounds = 8;
  // The iteration limit of a restart, when below the run's own: a restart
  // that has not landed by then is not going to.
  int limit = 20000;
  // Whether a round restarts with the run's own steps too.
  bool own_steps = true;
  // Whether the restarts' objective answers where the run's did not (the
  // run met NaN values the phase computes): the run's own start and steps
  // are then worth a restart of their own.
  bool new_objective = false;
  // Whether the phase starts whenever the value reached is above enough,
  // however the run ended, from the point reached. A restart then stands when
  // it converges or ends below the rule's floor, lower than that value.
  bool from_any_end = false;
  // A smooth stand-in for the run's objective with the same minimum where it
  // is zero (squares for absolute values: no kinks for the simplex to
  // collapse on), or null. Each restart then minimizes the stand-in and is
  // polished by a run on the run's own objective from the point it reached,
  // with `polish` times the restart's steps; the polished run is the one
  // judged and kept.
  gsl_multimin_function* smooth = nullptr;
  double polish = 1e-3;
  // The phase's own objective, or null: where set, the phase starts on the
  // run's value as ever, but the restarts minimize this one, and a restart
  // stands only where it ends lower by this one than the point the run
  // reached (the value then held is this one's).
  gsl_multimin_function* judge = nullptr;
  // Tried before any restart where the run reached a point (it converged
  // above enough, or used up its limit), with s holding that point; where it
  // lands the fit it returns true with s holding the landed point, and the
  // phase ends there. Null: the restarts alone.
  std::function<bool(gsl_multimin_fminimizer*& s)> shortcut;
};

// Mends the run that s holds and that ended as `first` (see SimplexMend).
// Afterwards s holds the run whose end is returned: the first run, or the
// best restart (the minimizer behind s may have been exchanged for the one
// that ran it). restarts counts the runs made.
SimplexEnd MendSimplex(gsl_multimin_fminimizer*& s, const SimplexRun& run, SimplexEnd first,
                       const SimplexMend& mend);

// For measurement: with false, MendSimplex returns the first run untouched,
// so that a program can compare with the specified run alone. Process-wide.
void EnableSimplexMending(bool on);
// Whether it is on; the mended paths that are not simplex runs follow it too.
bool SimplexMendingEnabled();

// A minimizer of n dimensions with its start and step vectors, freed
// together. ok() is false when memory ran out.
class Simplex {
 public:
  explicit Simplex(size_t n);
  ~Simplex();
  Simplex(const Simplex&) = delete;
  Simplex& operator=(const Simplex&) = delete;

  bool ok() const { return x_ && steps_ && s_; }
  // start and steps hold n values each.
  SimplexEnd Run(gsl_multimin_function* function, const double* start, const double* steps,
                 const SimplexRule& rule, std::function<void(const SimplexStep&)> trace);
  // Run, then MendSimplex with the scaled steps (null: the run's own alone)
  // in place of mend.steps.
  SimplexEnd Run(gsl_multimin_function* function, const double* start, const double* steps,
                 const SimplexRule& rule, std::function<void(const SimplexStep&)> trace,
                 const double* scaled, SimplexMend mend);
  const gsl_vector* x() const { return gsl_multimin_fminimizer_x(s_); }
  double value() const { return gsl_multimin_fminimizer_minimum(s_); }

 private:
  size_t n_;
  gsl_vector* x_;
  gsl_vector* steps_;
  gsl_multimin_fminimizer* s_;
};

// ---------------------------------------------------------------------------
// Root search.

struct RootStep {
  int iteration;  // from 1
  double root;
  double previous;      // the root before this step (Newton)
  double lower, upper;  // the bracket after this step (Brent)
  int status;           // of the test
};

struct RootTrace {
  std::function<void(const char* method)> started;  // after the solver is set
  std::function<void(const RootStep&)> step;        // after each step's test
};

struct RootRun {
  // Brent: f on the bracket [lower, upper]; the interval test.
  gsl_function* f = nullptr;
  double lower = 0.0, upper = 0.0;
  // Newton: fdf from start; the delta test on successive roots.
  gsl_function_fdf* fdf = nullptr;
  double start = 0.0;

  double epsabs = 0.0, epsrel = 0.0;  // of the test
  int limit = 0;                      // iterations; at least one is made
  bool stop_on_step_error = true;     // as for the simplex

  // Newton only: the domain of the unknown. A step that leaves it is taken
  // back by halves until it lands inside, and the solver is set again there;
  // such a step cannot end the search.
  bool (*inside)(double u, void* params) = nullptr;
  // Newton only: when given, the delta test measures steps against this
  // distance instead of the root itself (epsabs = epsrel * reach(u) plus a
  // few units in the last place of u, epsrel 0).
  double (*reach)(double u, void* params) = nullptr;
  // Newton only: when this holds after a step that the test did not accept,
  // with the iterations the limit leaves, the search ends there (kLimit): it
  // can no longer reach a root in them.
  bool (*adrift)(double u, int left, void* params) = nullptr;

  RootTrace trace;
};

struct RootEnd {
  End end = End::kNotStarted;
  int iterations = 0;
  double root = 0.0;  // the last root (meaningful when converged)
};

RootEnd RunRoot(const RootRun& run);

}  // namespace stoka

#endif
