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
  /** Pearson correlation of the first n elements of each array. */                \
  TWIN(double, stoka_stats_correlation, (const double* data1, const double* data2, int n), \
       (data1, data2, n), STOKA_NAN)                                               \
  /** Lag-1 autocorrelation. */                                                    \
  TWIN(double, stoka_stats_autocorrelation, (const double* data, int n), (data, n), \
       STOKA_NAN)                                                                  \
  /** The p-th percentile (p in percent, linear interpolation between order        \
     statistics); counted from the top when upper is true. 0.0 for p outside      \
     0..100 (NaN included) or n < 1. The array is never reordered. */              \
  TWIN(double, stoka_stats_percentile, (const double* data, int n, double p, bool upper), \
       (data, n, p, upper), STOKA_NAN)                                             \
  /** The middle order statistic, or the mean of the two middle ones. NaN for    \
     n < 1. The array is never reordered. */                                       \
  TWIN(double, stoka_stats_median, (const double* data, int n), (data, n), STOKA_NAN) \
  /* Intervals of the Pearson statistic for n values: round(1.8 ln n log10 n). */  \
  TWIN(int, stoka_ran_define_intervals_count, (int n), (n), 0)                      \
  /* Pearson statistic (divided by n) of data[0..n-1] against the family with the  \
     given parameters, over equal-width intervals spanning the sample.            \
     999999.0 for n < 2, fewer than two intervals, a sample without a finite      \
     range wider than 1e-6, and for each interval without probability. LogNormal: \
     mean and st_dev are arithmetic and include the location. */                 \
  TWIN(double, stoka_ran_pearson_beta,                                             \
       (double alpha, double beta, double min, double max, int n, const double* data), \
       (alpha, beta, min, max, n, data), STOKA_NAN)                                \
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
       (a, b, n, data), STOKA_NAN)                                                 \
  /* Fits of a family to data[0..n-1] by minimizing the Pearson statistic from    \
     the given start. 1.0 when the search converged (or reached a statistic       \
     below 1e-6), else 0.0; the parameters reached, in argument order, and the    \
     statistic there are written in both cases. 0.0 and nothing written for       \
     n < 1, a NULL array or output, or when memory runs out. Each evaluation of   \
     the statistic prints its progress lines to the output sink. One fit at a    \
     time: the sample is published in global_params while the fit runs.           \
     LogNormal: mean and st_dev are arithmetic and include the location. */       \
  TWIN(double, stoka_ran_beta_by_xi,                                               \
       (double alpha, double beta, double min, double max, int n, const double* data, \
        double* out_alpha, double* out_beta, double* out_min, double* out_max,      \
        double* out_f),                                                            \
       (alpha, beta, min, max, n, data, out_alpha, out_beta, out_min, out_max, out_f), 0.0) \
  TWIN(double, stoka_ran_lognormal_by_xi,                                          \
       (double mean, double st_dev, double location, int n, const double* data,    \
        double* out_mean, double* out_st_dev, double* out_location, double* out_f), \
       (mean, st_dev, location, n, data, out_mean, out_st_dev, out_location, out_f), 0.0) \
  TWIN(double, stoka_ran_logtriangular_by_xi,                                      \
       (double most_likely, double min, double max, int n, const double* data,     \
        double* out_most_likely, double* out_min, double* out_max, double* out_f), \
       (most_likely, min, max, n, data, out_most_likely, out_min, out_max, out_f), 0.0) \
  TWIN(double, stoka_ran_pert_by_xi,                                               \
       (double most_likely, double min, double max, int n, const double* data,     \
        double* out_most_likely, double* out_min, double* out_max, double* out_f), \
       (most_likely, min, max, n, data, out_most_likely, out_min, out_max, out_f), 0.0) \
  TWIN(double, stoka_ran_triangular_by_xi,                                         \
       (double most_likely, double min, double max, int n, const double* data,     \
        double* out_most_likely, double* out_min, double* out_max, double* out_f), \
       (most_likely, min, max, n, data, out_most_likely, out_min, out_max, out_f), 0.0) \
  /** Uniform on [a, b] chosen in closed form between the interval of width k    \
     (k distinct values) centred on the mean and [min, max]; the smaller          \
     statistic wins, [min, max] on a tie. 1 with a, b and the statistic written;  \
     0 and nothing written for n < 1, a NULL array or output, or when memory      \
     runs out. Prints the frequency table to the output sink. */                  \
  TWIN(int, CalcUniformByXi,                                                       \
       (int n, const double* data, double* out_a, double* out_b, double* out_f),   \
       (n, data, out_a, out_b, out_f), 0)

#endif
