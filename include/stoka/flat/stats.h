/* Flat functions of libstoka: sample statistics, the Pearson statistic and the
   fits of a family to sample data. Included by stoka.h; see there for the
   meaning of TWIN and FLAT. Exported variables of this group stand here too. */
#ifndef STOKA_FLAT_STATS_H
#define STOKA_FLAT_STATS_H

#ifndef __cplusplus
#include <stdbool.h>
#endif

/* The sample of the fit to data that is running: a copy owned by the fit, and
   its length. NULL and 0 whenever no fit runs. */
extern STOKA_API double* global_params;
extern STOKA_API int global_params_size;

#define STOKA_FLAT_STATS(TWIN, FLAT)                                                  \
  /* Statistics of data[0..n-1] (read only). NaN for n < 1, and for n < 2 where   \
     the statistic needs two values (variance, sd, skew, kurtosis, correlation,    \
     autocorrelation); NaN when memory runs out. Variance and sd divide by n - 1;  \
     kurtosis is the excess kurtosis. */                                           \
  TWIN(double, stoka_stats_mean, (const double* data, int n), (data, n), STOKA_NAN) \
  TWIN(double, stoka_stats_variance, (const double* data, int n), (data, n), STOKA_NAN) \
  TWIN(double, stoka_stats_sd, (const double* data, int n), (data, n), STOKA_NAN)    \
  TWIN(double, stoka_stats_skew, (const double* data, int n), (data, n), STOKA_NAN)  \
  TWIN(double, stoka_stats_kurtosis, (const double* data, int n), (data, n), STOKA_NAN) \
  TWIN(double, stoka_stats_max, (const double* data, int n), (data, n), STOKA_NAN)   \
  TWIN(double, stoka_stats_min, (const double* data, int n), (data, n), STOKA_NAN)   \
  /* Pearson correlation of the first n elements of each array. */                 \
  TWIN(double, stoka_stats_correlation, (const double* data1, const double* data2, int n), \
       (data1, data2, n), STOKA_NAN)                                               \
  /* Lag-1 autocorrelation. */                                                     \
  TWIN(double, stoka_stats_autocorrelation, (const double* data, int n), (data, n), \
       STOKA_NAN)                                                                  \
  /* The p-th percentile (p in percent, linear interpolation between order         \
     statistics); counted from the top when upper is true. 0.0 for p outside      \
     0..100 (NaN included) or n < 1. The array is never reordered. */              \
  TWIN(double, stoka_stats_percentile, (const double* data, int n, double p, bool upper), \
       (data, n, p, upper), STOKA_NAN)                                             \
  TWIN(double, stoka_stats_median, (const double* data, int n), (data, n), STOKA_NAN) \
  /* Intervals of the Pearson statistic for n values: round(1.8 ln n log10 n). */  \
  TWIN(int, stoka_ran_define_intervals_count, (int n), (n), 0)                      \
  /* Pearson statistic (divided by n) of data[0..n-1] against the family with the  \
     given parameters, over equal-width intervals spanning the sample.            \
     999999.0 for n < 2, fewer than two intervals, a sample without a finite      \
     range wider than 1e-6, and for each interval without probability. */         \
  TWIN(double, stoka_ran_pearson_beta,                                             \
       (double alpha, double beta, double min, double max, int n, const double* data), \
       (alpha, beta, min, max, n, data), STOKA_NAN)                                \
  /* mean and st_dev are arithmetic and include the location. */                   \
  TWIN(double, stoka_ran_pearson_lognormal,                                        \
       (double mean, double st_dev, double location, int n, const double* data),   \
       (mean, st_dev, location, n, data), STOKA_NAN)                               \
  TWIN(double, stoka_ran_pearson_logtriangular,                                    \
       (double most_likely, double min, double max, int n, const double* data),    \
       (most_likely, min, max, n, data), STOKA_NAN)                                \
  TWIN(double, stoka_ran_pearson_gaussian, (double mean, double sigma, int n, const double* data), \
       (mean, sigma, n, data), STOKA_NAN)                                          \
  TWIN(double, stoka_ran_pearson_pert,                                             \
       (double most_likely, double min, double max, int n, const double* data),    \
       (most_likely, min, max, n, data), STOKA_NAN)                                \
  TWIN(double, stoka_ran_pearson_triangular,                                       \
       (double most_likely, double min, double max, int n, const double* data),    \
       (most_likely, min, max, n, data), STOKA_NAN)                                \
  TWIN(double, pearson_uniform, (double a, double b, int n, const double* data),    \
       (a, b, n, data), STOKA_NAN)

#endif
