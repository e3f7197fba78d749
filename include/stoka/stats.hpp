// libstoka object interface: sample statistics, the Pearson goodness-of-fit
// statistic and the fits of a family to sample data.
#ifndef STOKA_STATS_HPP
#define STOKA_STATS_HPP

#include <gsl/gsl_vector.h>

#include "stoka/core.hpp"

// ---------------------------------------------------------------------------
// Sample statistics of data[0..n-1]. The array is only read. NaN for n < 1,
// and for n < 2 where the statistic needs two values.
STOKA_API double stoka_stats_mean_(const double* data, int n);
STOKA_API double stoka_stats_variance_(const double* data, int n);
STOKA_API double stoka_stats_sd_(const double* data, int n);
STOKA_API double stoka_stats_skew_(const double* data, int n);
STOKA_API double stoka_stats_kurtosis_(const double* data, int n);
STOKA_API double stoka_stats_max_(const double* data, int n);
STOKA_API double stoka_stats_min_(const double* data, int n);
STOKA_API double stoka_stats_correlation_(const double* data1, const double* data2, int n);
STOKA_API double stoka_stats_autocorrelation_(const double* data, int n);
// p in percent; from the top of the sample when upper is true. 0.0 for p
// outside 0..100 (NaN included) and for n < 1. Gives exactly what sorting a
// copy and interpolating between neighbouring order statistics gives.
STOKA_API double stoka_stats_percentile_(const double* data, int n, double p, bool upper);
STOKA_API double stoka_stats_median_(const double* data, int n);

// Runs of ascending data whose elements lie within 1e-6 of the run's first
// element: values[i] is that first element, probs[i] the run's share of n.
// values and probs need room for n entries; *count receives the number of
// runs (0 for n < 1). Returns 0.
STOKA_API int table_of_prob_for_sorted_data(const double* data, int n, double* values,
                                            double* probs, int* count);
// Sum of value x share over the runs of the sorted sample; prints one line per
// run to the output sink. NaN for n < 1.
STOKA_API double expected_value(const double* data, int n);
// 1 / (number of runs of the sorted sample). NaN for n < 1.
STOKA_API double mean_frequency_value(const double* data, int n);

// ---------------------------------------------------------------------------
// Pearson goodness of fit.

// The candidate's cumulative probability at v, its parameters read from a vector.
using stoka_cdf_fn = double (*)(const gsl_vector* params, double v);

// Number of intervals for n values: 1.8 ln n log10 n, rounded half away from 0.
STOKA_API int define_intervals_count(int n);
STOKA_API int stoka_ran_define_intervals_count_(int n);
// Zero-based interval of value; intervals are closed on the right and interval
// 0 also holds lo. -1 for NaN; clamped to the int range.
STOKA_API int calc_interval_number(double value, double lo, double width);

// The statistic (divided by n) of sample against cdf with params; k - 1 terms,
// the penalty 999999.0 (kPenaltyVal) for each interval without probability.
STOKA_API double calc_pearson(const gsl_vector* params, const gsl_vector* sample,
                              stoka_cdf_fn cdf);

// CDF callbacks, parameters in vector order.
STOKA_API double beta_cdf(const gsl_vector* params, double v);           // alpha, beta, min, max
STOKA_API double lognormal_cdf_arf(const gsl_vector* params, double v);  // mean, st_dev, location
STOKA_API double logtriangular_cdf(const gsl_vector* params, double v);  // most_likely, min, max
STOKA_API double gaussian_cdf(const gsl_vector* params, double v);       // mean, sigma
STOKA_API double pert_cdf(const gsl_vector* params, double v);           // most_likely, min, max
STOKA_API double triangular_cdf(const gsl_vector* params, double v);     // most_likely, min, max
STOKA_API double uniform_cdf(const gsl_vector* params, double v);        // a, b

STOKA_API double stoka_ran_pearson_beta_(double alpha, double beta, double min, double max, int n,
                                         const double* data);
STOKA_API double stoka_ran_pearson_lognormal_(double mean, double st_dev, double location, int n,
                                              const double* data);
STOKA_API double stoka_ran_pearson_logtriangular_(double most_likely, double min, double max,
                                                  int n, const double* data);
STOKA_API double stoka_ran_pearson_gaussian_(double mean, double sigma, int n,
                                             const double* data);
STOKA_API double stoka_ran_pearson_pert_(double most_likely, double min, double max, int n,
                                         const double* data);
STOKA_API double stoka_ran_pearson_triangular_(double most_likely, double min, double max, int n,
                                               const double* data);
STOKA_API double pearson_uniform_(double a, double b, int n, const double* data);

// ---------------------------------------------------------------------------
// Fits of a family to sample data by a simplex search on the Pearson statistic.

constexpr int kBetaDParamSize = 4, kBetaDAlphaId = 0, kBetaDBetaId = 1, kBetaDMinId = 2,
              kBetaDMaxId = 3;
constexpr int kLNDParamSize = 3, kLNDMeanId = 0, kLNDStDevId = 1, kLNDLocationId = 2;

// Objectives: penalty of the trial point, plus the statistic of the sample in
// global_params when the penalty is exactly 0. A host's params are not read
// (the running fit tags its own second phase through them).
STOKA_API double beta_xi_min(const gsl_vector* x, void* params);
STOKA_API double lognormal_xi_min(const gsl_vector* x, void* params);
STOKA_API double logtriangular_xi_min(const gsl_vector* x, void* params);
STOKA_API double pert_xi_min(const gsl_vector* x, void* params);
STOKA_API double triangular_xi_min(const gsl_vector* x, void* params);

// kSolveFind when the search converged or reached a statistic below 1e-6,
// else kSolveCantFind; the point reached and the statistic there are written
// in both cases. A fit whose first run ends well above the statistic's size
// under a correct fit restarts on the statistic with tail intervals under 1e-6
// scored on a probability floored at 1/n^2 (no penalty); where that restart
// stands, the statistic written is this one. kSolveCantFind and nothing written for n < 1, a null array or
// output, or a failed allocation.
STOKA_API int CalcBetaByXi(double alpha, double beta, double min, double max, int n,
                           const double* data, double* out_alpha, double* out_beta,
                           double* out_min, double* out_max, double* out_f);
STOKA_API int CalcLogNormalByXi(double mean, double st_dev, double location, int n,
                                const double* data, double* out_mean, double* out_st_dev,
                                double* out_location, double* out_f);
STOKA_API int CalcLogTriangularByXi(double most_likely, double min, double max, int n,
                                    const double* data, double* out_most_likely,
                                    double* out_min, double* out_max, double* out_f);
STOKA_API int CalcPertByXi(double most_likely, double min, double max, int n, const double* data,
                           double* out_most_likely, double* out_min, double* out_max,
                           double* out_f);
STOKA_API int CalcTriangularByXi(double most_likely, double min, double max, int n,
                                 const double* data, double* out_most_likely, double* out_min,
                                 double* out_max, double* out_f);

// The same, with the result as 1.0 or 0.0.
STOKA_API double stoka_ran_beta_by_xi_(double alpha, double beta, double min, double max, int n,
                                       const double* data, double* out_alpha, double* out_beta,
                                       double* out_min, double* out_max, double* out_f);
STOKA_API double stoka_ran_lognormal_by_xi_(double mean, double st_dev, double location, int n,
                                            const double* data, double* out_mean,
                                            double* out_st_dev, double* out_location,
                                            double* out_f);
STOKA_API double stoka_ran_logtriangular_by_xi_(double most_likely, double min, double max, int n,
                                                const double* data, double* out_most_likely,
                                                double* out_min, double* out_max, double* out_f);
STOKA_API double stoka_ran_pert_by_xi_(double most_likely, double min, double max, int n,
                                       const double* data, double* out_most_likely,
                                       double* out_min, double* out_max, double* out_f);
STOKA_API double stoka_ran_triangular_by_xi_(double most_likely, double min, double max, int n,
                                             const double* data, double* out_most_likely,
                                             double* out_min, double* out_max, double* out_f);

// Uniform fit in closed form (see the flat list).
STOKA_API int CalcUniformByXi_(int n, const double* data, double* out_a, double* out_b,
                               double* out_f);

#endif
