// libstoka object interface: fitting Triangular, LogTriangular, Pert and Beta
// distributions from values judged at percentiles.
//
// The minimization frame
// ----------------------
// Where no closed form exists, a fit minimizes with GSL's Nelder-Mead simplex
// (nmsimplex2) a distance between the trial distribution's quantiles and the
// given values. CalcDistributionByParams runs one such minimization; a fitting
// case supplies it five callbacks:
//
//   initializer    allocates the start vector, the step vector and the
//                  minimizer, fills the function record (objective, dimension,
//                  parameter block);
//   objective      the value to minimize at a trial point;
//   trace          observes each iteration (never steers);
//   result writer  copies the best point and the fixed parameters into the
//                  result record, returns kSolveFind;
//   failure writer zeroes the record, returns kSolveCantFind.
//
// The parameter block is an array of doubles owned by the caller for the
// length of the call: the frame never reads it, it only hands it to the
// initializer (which stores it in the function record), to the objective and to
// the result writer. The frame owns the vectors and the minimizer and frees
// them on every path.
//
// Objectives follow one convention: the family's penalty function (below) on
// the full trial parameter set; a non-zero penalty is returned as it is;
// otherwise sqrt(sum |Q(q_i) - x_i|) over the given points.
#ifndef STOKA_FIT_HPP
#define STOKA_FIT_HPP

#include <gsl/gsl_multimin.h>

#include "stoka/continuous.hpp"

// The fitting lists, whose entries' counterparts are declared below, with the
// result codes and the defaults that the fits share.
extern "C" {
#include "stoka/flat/fit.h"
}

// Result records, in field order.
struct OutDataBeta {
  double alpha, beta, min, max;
};
struct OutDataPert {
  double ml, min, max;
};
struct OutDataTD {  // Triangular
  double ml, min, max;
};
struct OutDataLTD {  // LogTriangular
  double ml, min, max;
};

using FitInitializer = void (*)(double* params, gsl_vector** x, gsl_vector** step,
                                gsl_multimin_fminimizer** s, gsl_multimin_function_struct* f);
using FitObjective = double (*)(const gsl_vector* x, void* params);
using FitTrace = void (*)(gsl_multimin_fminimizer* s, int iter, double size);
using FitResultWriter = int (*)(gsl_multimin_fminimizer* s, double* params, void* out);
using FitFailureWriter = int (*)(void* out);

// Runs one minimization: initializer, then iterate / measure the simplex /
// trace until the size falls below tolerance (result writer's code) or
// max_iter iterations have run (failure writer's code); at least one
// iteration is made. It also fails, at once, when the initializer could not
// allocate, when the objective is not finite at the start simplex, when the
// tolerance is NaN, and as soon as the simplex size is not finite (a NaN or
// infinite argument that slipped through a check): such a run could never
// meet the size test. Switches GSL's error handler off, as stoka_init does.
STOKA_API int CalcDistributionByParams(int max_iter, double tolerance, double* params,
                                       FitInitializer init, FitTrace trace,
                                       FitResultWriter write, FitFailureWriter fail, void* out);
// The same for one family's record type (each also notes its name in the
// debug log).
STOKA_API int CalcBetaDistributionByParams(int max_iter, double tolerance, double* params,
                                           FitInitializer init, FitTrace trace,
                                           FitResultWriter write, FitFailureWriter fail,
                                           OutDataBeta* out);
STOKA_API int CalcPertDistributionByParams(int max_iter, double tolerance, double* params,
                                           FitInitializer init, FitTrace trace,
                                           FitResultWriter write, FitFailureWriter fail,
                                           OutDataPert* out);
STOKA_API int CalcTriangularDistributionByParams(int max_iter, double tolerance, double* params,
                                                 FitInitializer init, FitTrace trace,
                                                 FitResultWriter write, FitFailureWriter fail,
                                                 OutDataTD* out);
STOKA_API int CalcLogTriangularDistributionByParams(int max_iter, double tolerance,
                                                    double* params, FitInitializer init,
                                                    FitTrace trace, FitResultWriter write,
                                                    FitFailureWriter fail, OutDataLTD* out);

// Failure writers: every field 0.0, result kSolveCantFind.
STOKA_API int initialization_result_beta_err(void* out);
STOKA_API int initialization_result_pert_err(void* out);
STOKA_API int initialization_result_triangular_err(void* out);
STOKA_API int initialization_result_logtriangular_err(void* out);

// Penalty functions: 0.0 for a valid parameter set, otherwise kPenaltyVal for
// each broken condition (a comparison with NaN does not hold). Usable by any
// minimization over these families.
//   Triangular: min > max, ml > max, min > ml; each also when max - min is
//     within 1e-6 of 0 (a zero-width range scores 3 * kPenaltyVal).
//   LogTriangular: min > max or max - min ~ 0; ml > max or ml - max ~ 0;
//     min >= ml or ml - min ~ 0; and each of min, max, ml < 0 or ~ 0.
//   Pert: min > ml or ml > max, plus the Beta penalty of its shapes
//     alpha = (max + 4 ml - 5 min)/(max - min), beta = (5 max - min - 4 ml)/(max - min).
//   Beta: alpha + beta > 100000; min > max or min - max ~ 0; alpha < 0.3; beta < 0.3.
STOKA_API double PenaltyFuncTriangular(double ml, double min, double max);
STOKA_API double PenaltyFuncLogTriangular(double ml, double min, double max);
STOKA_API double PenaltyFuncPert(double ml, double min, double max);
STOKA_API double PenaltyFuncBeta(double alpha, double beta, double min, double max);

// Record fields, in record order, to out-parameters.
STOKA_API void CopyParamsFromOutDataBeta(OutDataBeta* data, double* alpha, double* beta,
                                         double* min, double* max);
STOKA_API void CopyParamsFromOutDataTriangular(OutDataTD* data, double* ml, double* min,
                                               double* max);
STOKA_API void CopyParamsFromOutDataLogTriangular(OutDataLTD* data, double* ml, double* min,
                                                  double* max);

// The Triangular root search for the probability r of the mode, given points
// left (x1 at probability q1) and right (x2 at q2) of the mode ml:
// calc_g_val is the probability of the mode that a trial r implies;
// calc_func_for_trinagular_opt(r, block) = r - calc_g_val(...) with block
// (q1, x1, q2, x2, ml).
STOKA_API double calc_g_val(double q1, double x1, double q2, double x2, double ml, double q);
STOKA_API double calc_func_for_trinagular_opt(double q, void* params);

// The fitting entry points of the rows in stoka/flat/fit.h (name + "_", same
// arguments): the object-interface twins of the flat fitters and the
// ConvertParams forms.
#define STOKA_DECLARE_FIT_ROW(TWIN, family, kind, words, ret, name, params, args, fail) \
  STOKA_API ret name##_ params;
#define STOKA_DECLARE_FIT_ENTRY(ret, name, params, args, fail) STOKA_API ret name##_ params;
STOKA_FIT_ROWS(STOKA_DECLARE_FIT_ROW, STOKA_DECLARE_FIT_ENTRY)

// The callbacks of every simplex case, X(family, case, objective case):
//   initialization_<family>_<case>, <family>_min_<objective case>,
//   initialization_result_<family>_<case>, debug_log_func_<family>_<case>.
#define STOKA_FIT_CASES(X)                                                                    \
  X(triangular, by_3perc, by_3perc)                                                           \
  X(triangular, by_min_2perc, by_min_2perc)                                                   \
  X(triangular, by_max_2perc, by_max_2perc)                                                   \
  X(logtriangular, by_3perc, by_3perc)                                                        \
  X(logtriangular, by_min_2perc, by_min_2perc)                                                \
  X(logtriangular, by_max_2perc, by_max_2perc)                                                \
  X(logtriangular, by_ml_2perc, by_ml_2perc)                                                  \
  X(logtriangular, by_ml_min_perc, by_ml_min_perc)                                            \
  X(logtriangular, by_ml_max_perc, by_ml_max_perc)                                            \
  X(logtriangular, by_min_max_perc, by_min_max_perc)                                          \
  X(pert, 3perc, by_3perc)                                                                    \
  X(pert, min_ml_perc, by_min_ml_perc)                                                        \
  X(pert, max_ml_perc, by_max_ml_perc)                                                        \
  X(pert, max_min_perc, by_max_min_perc)                                                      \
  X(pert, min_2perc, by_min_2perc)                                                            \
  X(pert, max_2perc, by_max_2perc)                                                            \
  X(pert, ml_2perc, by_ml_2perc)                                                              \
  X(beta, 4perc, by_4_perc)                                                                   \
  X(beta, alpha_3perc, by_alpha_3_perc)                                                       \
  X(beta, beta_3perc, by_beta_3_perc)                                                         \
  X(beta, min_3perc, by_min_3_perc)                                                           \
  X(beta, max_3perc, by_max_3_perc)                                                           \
  X(beta, by_alpha_beta_2perc, by_alpha_beta_2perc)                                           \
  X(beta, by_alpha_min_2perc, by_alpha_min_2perc)                                             \
  X(beta, by_alpha_max_2perc, by_alpha_max_2perc)                                             \
  X(beta, by_beta_min_2perc, by_beta_min_2perc)                                               \
  X(beta, by_beta_max_2perc, by_beta_max_2perc)                                               \
  X(beta, by_min_max_2perc, by_min_max_2perc)                                                 \
  X(beta, by_alpha_beta_min_perc, by_alpha_beta_min_perc)                                     \
  X(beta, by_alpha_beta_max_perc, by_alpha_beta_max_perc)                                     \
  X(beta, by_alpha_min_max_perc, by_alpha_min_max_perc)                                       \
  X(beta, by_beta_min_max_perc, by_beta_min_max_perc)

#define STOKA_DECLARE_FIT_CALLBACKS(family, name, objective)                                  \
  STOKA_API void initialization_##family##_##name(double* params, gsl_vector** x,            \
                                                  gsl_vector** step,                          \
                                                  gsl_multimin_fminimizer** s,                \
                                                  gsl_multimin_function_struct* f);           \
  STOKA_API double family##_min_##objective(const gsl_vector* x, void* params);              \
  STOKA_API int initialization_result_##family##_##name(gsl_multimin_fminimizer* s,          \
                                                        double* params, void* out);           \
  STOKA_API void debug_log_func_##family##_##name(gsl_multimin_fminimizer* s, int iter,      \
                                                  double size);
STOKA_FIT_CASES(STOKA_DECLARE_FIT_CALLBACKS)

#endif
