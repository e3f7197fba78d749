// The iteration drivers of the Normal and LogNormal fitters, and the writer of
// a lognormal result in the caller's parameterisation.
#include <gsl/gsl_errno.h>

#include <cfloat>

#include "core/output.hpp"
#include "fit/normal_internal.hpp"

namespace stoka::fitn {

namespace {
// Halvings of a step that left a search's domain before the search gives up.
constexpr int kMaxHalvings = 60;
// Relative step size that ends a Newton search, and the floor of a measured
// test in units of the last place.
constexpr double kDeltaTolerance = 1e-9;
constexpr double kUlpFloor = 4.0;
}  // namespace

int RunSimplex(const SimplexRun& run, double* best, double* best_value) {
  // GSL reports through its handler; it must return error codes, never abort.
  gsl_set_error_handler_off();
  GslPtr<gsl_vector> x(gsl_vector_alloc(run.n));
  GslPtr<gsl_vector> step(gsl_vector_alloc(run.n));
  GslPtr<gsl_multimin_fminimizer> s(
      gsl_multimin_fminimizer_alloc(gsl_multimin_fminimizer_nmsimplex2, run.n));
  if (!x || !step || !s) return kNotFound;
  for (size_t i = 0; i < run.n; ++i) {
    gsl_vector_set(x.get(), i, run.start[i]);
    gsl_vector_set(step.get(), i, run.steps[i]);
  }
  gsl_multimin_function function{run.objective, run.n, run.params};
  // A simplex that could not be set up (a non-finite value at a vertex) has no
  // state to iterate on.
  if (gsl_multimin_fminimizer_set(s.get(), &function, x.get(), step.get()) != GSL_SUCCESS)
    return kNotFound;

  size_t iteration = 0;
  int status = GSL_CONTINUE;
  do {
    ++iteration;
    stoka_count_iteration();
    if (gsl_multimin_fminimizer_iterate(s.get()) != GSL_SUCCESS) return kNotFound;
    const double size = gsl_multimin_fminimizer_size(s.get());
    status = gsl_multimin_test_size(size, run.tolerance);
    if (status == GSL_SUCCESS) stoka_print("converged to minimum at\n");
    run.trace(iteration, s.get(), size);
  } while (status == GSL_CONTINUE && iteration < static_cast<size_t>(run.limit));
  if (status != GSL_SUCCESS) return kNotFound;

  const gsl_vector* at = gsl_multimin_fminimizer_x(s.get());
  for (size_t i = 0; i < run.n; ++i) best[i] = gsl_vector_get(at, i);
  *best_value = gsl_multimin_fminimizer_minimum(s.get());
  return kFound;
}

int RunNewton(const NewtonCase& search, double* block, double u0, double* root) {
  gsl_set_error_handler_off();
  GslPtr<gsl_root_fdfsolver> s(gsl_root_fdfsolver_alloc(gsl_root_fdfsolver_newton));
  if (!s) return kNotFound;
  gsl_function_fdf function{search.f, search.df, search.fdf, block};
  if (gsl_root_fdfsolver_set(s.get(), &function, u0) != GSL_SUCCESS) return kNotFound;

  const bool table = search.trace == NewtonTrace::kTable;
  debug_log("%s \n", search.name);
  const char* method = gsl_root_fdfsolver_name(s.get());
  if (table) {
    stoka_print("using %s method\n", method);
    stoka_print("%-5s %10s %10s \n", "iter", "root", "function");
  } else {
    debug_log("using %s method\n", method);
    debug_log("%-5s %10s %10s \n", "iter", "root", "function");
  }

  if (search.inside && !search.inside(u0, block)) return kNotFound;
  double previous = u0;
  int iteration = 0;
  int status = GSL_CONTINUE;
  do {
    ++iteration;
    stoka_count_iteration();
    // A step that breaks down (zero derivative, non-finite value) leaves the
    // root where it was; the delta test would take that for convergence.
    if (gsl_root_fdfsolver_iterate(s.get()) != GSL_SUCCESS) return kNotFound;
    double u = gsl_root_fdfsolver_root(s.get());
    if (search.inside && !search.inside(u, block)) {
      int halvings = 0;
      while (!search.inside(u, block) && ++halvings <= kMaxHalvings) u = previous + (u - previous) * 0.5;
      if (!search.inside(u, block) || u == previous) return kNotFound;
      if (gsl_root_fdfsolver_set(s.get(), &function, u) != GSL_SUCCESS) return kNotFound;
      status = GSL_CONTINUE;
    } else if (search.reach) {
      const double tolerance =
          kDeltaTolerance * search.reach(u, block) + kUlpFloor * DBL_EPSILON * std::fabs(u);
      status = gsl_root_test_delta(u, previous, tolerance, 0.0);
    } else {
      status = gsl_root_test_delta(u, previous, 0.0, kDeltaTolerance);
    }
    if (status == GSL_SUCCESS && search.trace != NewtonTrace::kQuiet) stoka_print("Converged:\n");
    if (table) {
      stoka_print("%5d %.3f %.3f \n", iteration, u, search.f(u, block));
    } else {
      debug_log("%5d %.3f %.3f \n", iteration, u, previous);
    }
    previous = u;
  } while (status == GSL_CONTINUE && iteration < search.limit);
  if (status != GSL_SUCCESS) return kNotFound;
  *root = previous;
  return kFound;
}

int PublishKind(int kind, double location, double mu, double sigma, double* o1, double* o2,
                double* o3) {
  if (!(sigma > 0.0)) return kNotFound;
  switch (kind) {
    case 0:
      return PublishFinite({{o1, location}, {o2, ArMean(location, mu, sigma)}, {o3, ArSd(mu, sigma)}});
    case 1:
      return PublishFinite({{o1, location}, {o2, mu}, {o3, sigma}});
    case 2:
      return PublishFinite({{o1, location}, {o2, std::exp(mu)}, {o3, std::exp(sigma)}});
    default:
      return kNotFound;
  }
}

}  // namespace stoka::fitn
