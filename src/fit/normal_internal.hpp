// Shared pieces of the Normal and LogNormal fitters: result publishing, the
// GSL object lifetimes and the two iteration drivers (Nelder-Mead simplex and
// Newton root search).
#ifndef STOKA_SRC_FIT_NORMAL_INTERNAL_HPP
#define STOKA_SRC_FIT_NORMAL_INTERNAL_HPP

#include <gsl/gsl_multimin.h>
#include <gsl/gsl_roots.h>
#include <gsl/gsl_vector.h>

#include <cmath>
#include <initializer_list>
#include <memory>

#include "stoka/core.hpp"

namespace stoka::fitn {

constexpr int kFound = 1;
constexpr int kNotFound = 0;
// Value of a trial point outside a search's domain (the library's penalty).
constexpr double kOutside = 999999.0;

inline bool IsPercentCode(double p) { return p == kPercentileMin || p == kPercentileMax; }

// The table standard score of a given percent, divided by sqrt(2): erf^-1 at
// the nearest whole cumulative percent, -3 sqrt(2) / +3 sqrt(2) for the codes.
inline double HalfScore(double P) { return erf_invPerc(InvertPercentile(P)); }

struct Out {
  double* to;
  double value;
};

// Writes every value, or none when one of them is not a finite number.
inline int PublishFinite(std::initializer_list<Out> outs) {
  for (const Out& o : outs)
    if (!std::isfinite(o.value)) return kNotFound;
  for (const Out& o : outs) *o.to = o.value;
  return kFound;
}

inline void WriteZeros(double* a, double* b, double* c) { *a = 0.0, *b = 0.0, *c = 0.0; }

// Runs the check's code through, or the conversion when the check passed.
template <class Conversion>
int Checked(int code, Conversion&& conversion) {
  return code != 1 ? code : conversion();
}

struct GslFree {
  void operator()(gsl_vector* v) const { gsl_vector_free(v); }
  void operator()(gsl_multimin_fminimizer* s) const { gsl_multimin_fminimizer_free(s); }
  void operator()(gsl_root_fdfsolver* s) const { gsl_root_fdfsolver_free(s); }
};
template <class T>
using GslPtr = std::unique_ptr<T, GslFree>;

// One Nelder-Mead run (nmsimplex2) with the size test. Each iteration hands
// the minimizer to the trace, which prints the progress line; a converged run
// prints "converged to minimum at" first. Returns kFound with the best point
// in best[0..n-1] when the size test succeeds within the limit.
struct SimplexRun {
  size_t n;
  double (*objective)(const gsl_vector*, void*);
  void* params;
  const double* start;
  const double* steps;
  double tolerance;
  int limit;
  void (*trace)(size_t iteration, const gsl_multimin_fminimizer* s, double size);
};
int RunSimplex(const SimplexRun& run, double* best, double* best_value);

// One Newton search (gsl_root_fdfsolver_newton) with the relative delta test
// 1e-9. Printing: kQuiet nothing, kConverged "Converged:" on success, kTable
// the method, a header and a line per iteration as well.
//
// A search with a domain (inside != nullptr) starts inside it. Its callbacks
// answer 999999 outside, so a plain Newton step that leaves the domain would
// crawl back one unit per iteration; the driver instead takes the step back
// by halves until it lands inside, and restarts the solver there. Only a
// plain step can end the search. Such a search also measures its steps
// against the distance from the domain's end (reach), not against the
// unknown's own size: a location close to the lowest value must be found to
// a fraction of that distance, or sigma comes out wrong. The test never asks
// for less than a few units in the last place of the unknown.
enum class NewtonTrace { kQuiet, kConverged, kTable };
struct NewtonCase {
  const char* name;
  double (*f)(double, void*);
  double (*df)(double, void*);
  void (*fdf)(double, void*, double*, double*);
  int limit;
  NewtonTrace trace;
  bool (*inside)(double u, const double* block);
  double (*reach)(double u, const double* block);
};
// kFound with the root in *root when the delta test succeeds before the
// limit and before any step breaks down.
int RunNewton(const NewtonCase& search, double* block, double u0, double* root);

// Mean and standard deviation of location + e^(mu + sigma Z); e^(s^2) - 1 is
// taken as expm1 so that a small sigma keeps its digits.
inline double ArMean(double location, double mu, double sigma) {
  return std::exp(sigma * sigma * 0.5 + mu) + location;
}
inline double ArSd(double mu, double sigma) {
  const double s2 = sigma * sigma;
  return std::sqrt(std::expm1(s2) * std::exp(mu + mu + s2));
}

// Writes (location, mu, sigma) in the kind's parameterisation: 0 arithmetic,
// 1 log scale, 2 geometric. Nothing is written, and the result is 0, for an
// unknown kind, a sigma that is not positive or a result that is not finite.
int PublishKind(int kind, double location, double mu, double sigma, double* o1, double* o2,
                double* o3);

}  // namespace stoka::fitn

#endif
