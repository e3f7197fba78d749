/* Flat functions of libstoka: fitting the Normal and the shifted LogNormal
   families from values at percentiles. Included by stoka.h; see there for the
   meaning of TWIN and FLAT.

   The checks and fits are rows, as in stoka/flat/fit.h: KIND is the kind
   below; LOC, MEAN and SIGMA fix the location and the kind's mean-like and
   deviation-like parameters. Percents P are given percents (exceedance sense,
   in percent, 1 to 99); the Normal fitters also take kPercentileMin / kPercentileMax (the values 6
   sigma below and above the mean). Results: 1 found, 0 invalid arguments or
   nothing found; a fitter whose check fails writes nothing. A result that
   would not be a finite number (two percents sharing one whole-percent table
   entry, equal fixed percents, a zero denominator) gives 0 with nothing
   written. Fitters that search numerically write 0.0 to every output when
   they find nothing.

   LogNormal kind: 0 arithmetic mean (location included) and standard
   deviation, 1 mu and sigma of the logarithm, 2 geometric mean and geometric
   standard deviation. LogNormal fitters write (o1, o2, o3) = (location,
   mean-like, deviation-like) in the kind's parameterisation; an unknown kind
   gives 0 (-1 where stated). Numeric searches (kind 0, the fits with a fixed
   mean or sigma, three percents) print progress lines through the output
   sink. */
#ifndef STOKA_FLAT_FIT_NORMAL_H
#define STOKA_FLAT_FIT_NORMAL_H

#define STOKA_FLAT_FIT_NORMAL(TWIN, FLAT) STOKA_FIT_NORMAL(STOKA_FIT_TWIN, TWIN)

/* The rows and the other entries of this header, in the form of
   stoka/flat/fit.h. */
#define STOKA_FIT_NORMAL(ROW, TWIN)                                                            \
  /* Normal checks. */                                                                         \
  ROW(TWIN, normal, CHECK, (MEAN, P1, X1), int, CheckParamsNormalMeanPerc,                     \
      (double mean, double P, double x), (mean, P, x), 0)                                      \
  ROW(TWIN, normal, CHECK, (SIGMA, P1, X1), int, CheckParamsNormalSigmaPerc,                   \
      (double sigma, double P, double x), (sigma, P, x), 0)                                    \
  ROW(TWIN, normal, CHECK, (P1, X1, P2, X2), int, CheckParamsNormal2Perc,                      \
      (double P1, double x1, double P2, double x2), (P1, x1, P2, x2), 0)                       \
  /* Normal fits: outputs (mean, sigma). */                                                    \
  ROW(TWIN, normal, FIT, (MEAN, X1, P1, MEAN_OUT, SIGMA_OUT), int,                             \
      CalcGaussianDistributionByMeanPerc,                                                      \
      (double mean, double x, double P, double* mean_out, double* sigma_out),                  \
      (mean, x, P, mean_out, sigma_out), 0)                                                    \
  ROW(TWIN, normal, FIT, (SIGMA, X1, P1, MEAN_OUT, SIGMA_OUT), int,                            \
      CalcGaussianDistributionByStDevPerc,                                                     \
      (double sigma, double x, double P, double* mean_out, double* sigma_out),                 \
      (sigma, x, P, mean_out, sigma_out), 0)                                                   \
  ROW(TWIN, normal, FIT, (X1, X2, P1, P2, MEAN_OUT, SIGMA_OUT), int,                           \
      CalcGaussianDistributionBy2Perc,                                                         \
      (double x1, double x2, double P1, double P2, double* mean_out, double* sigma_out),       \
      (x1, x2, P1, P2, mean_out, sigma_out), 0)                                                \
  /** Cumulative percents c1, c2 from 1, 5, 10, 25, 50, 75, 90, 95, 99 (no inversion);         \
      outputs (sigma, mean); 0 for another or a repeated percent. */                           \
  TWIN(int, stoka_ran_gaussian_params,                                                         \
       (int c1, double x1, int c2, double x2, double* sigma_out, double* mean_out),            \
       (c1, x1, c2, x2, sigma_out, mean_out), 0)                                               \
  /* mean - 6 sigma and mean + 6 sigma. */                                                     \
  TWIN(double, NormalCalcMin, (double mean, double sigma), (mean, sigma), STOKA_NAN)           \
  TWIN(double, NormalCalcMax, (double mean, double sigma), (mean, sigma), STOKA_NAN)           \
  /* LogNormal parameterisation conversions (1, or 0 with nothing written when a result        \
     would not be finite, e.g. a mean equal to the location). */                               \
  TWIN(int, ConvertParamsLogNormalArToLog,                                                     \
       (double location, double mean, double sd, double* mu, double* sigma),                   \
       (location, mean, sd, mu, sigma), 0)                                                     \
  TWIN(int, ConvertParamsLogNormalLogToAr,                                                     \
       (double location, double mu, double sigma, double* mean, double* sd),                   \
       (location, mu, sigma, mean, sd), 0)                                                     \
  TWIN(int, ConvertParamsLogNormalGeoToLog,                                                    \
       (double location, double gm, double gsd, double* mu, double* sigma),                    \
       (location, gm, gsd, mu, sigma), 0)                                                      \
  TWIN(int, ConvertParamsLogNormalLogToGeo,                                                    \
       (double location, double mu, double sigma, double* gm, double* gsd),                    \
       (location, mu, sigma, gm, gsd), 0)                                                      \
  TWIN(int, ConvertParamsLogNormalArToGeo,                                                     \
       (double location, double mean, double sd, double* gm, double* gsd),                     \
       (location, mean, sd, gm, gsd), 0)                                                       \
  TWIN(int, ConvertParamsLogNormalGeoToAr,                                                     \
       (double location, double gm, double gsd, double* mean, double* sd),                     \
       (location, gm, gsd, mean, sd), 0)                                                       \
  /* LogNormal checks: 1 valid, 0 not. */                                                      \
  /** -1 for an unknown kind (unless an earlier test fails or the percent is 50). */           \
  ROW(TWIN, lognormal, CHECK, (KIND, LOC, MEAN, P1, X1), int, CheckParamsLogNormalLocMeanPerc, \
      (int kind, double location, double mean, double P, double x),                            \
      (kind, location, mean, P, x), -1)                                                        \
  ROW(TWIN, lognormal, CHECK, (KIND, LOC, SIGMA, P1, X1), int,                                 \
      CheckParamsLogNormalLocSigmaPerc,                                                        \
      (int kind, double location, double sigma, double P, double x),                           \
      (kind, location, sigma, P, x), 0)                                                        \
  ROW(TWIN, lognormal, CHECK, (KIND, LOC, P1, X1, P2, X2), int, CheckParamsLogNormalLoc2Perc,  \
      (int kind, double location, double P1, double x1, double P2, double x2),                 \
      (kind, location, P1, x1, P2, x2), 0)                                                     \
  ROW(TWIN, lognormal, CHECK, (KIND, MEAN, SIGMA, P1, X1), int,                                \
      CheckParamsLogNormalMeanSigmaPerc,                                                       \
      (int kind, double mean, double sigma, double P, double x), (kind, mean, sigma, P, x), 0) \
  ROW(TWIN, lognormal, CHECK, (KIND, MEAN, P1, X1, P2, X2), int,                               \
      CheckParamsLogNormalMean2Perc,                                                           \
      (int kind, double mean, double P1, double x1, double P2, double x2),                     \
      (kind, mean, P1, x1, P2, x2), 0)                                                         \
  ROW(TWIN, lognormal, CHECK, (KIND, SIGMA, P1, X1, P2, X2), int,                              \
      CheckParamsLogNormalSigma2Perc,                                                          \
      (int kind, double sigma, double P1, double x1, double P2, double x2),                    \
      (kind, sigma, P1, x1, P2, x2), 0)                                                        \
  ROW(TWIN, lognormal, CHECK, (KIND, P1, X1, P2, X2, P3, X3), int, CheckParamsLogNormal3Perc,  \
      (int kind, double P1, double x1, double P2, double x2, double P3, double x3),            \
      (kind, P1, x1, P2, x2, P3, x3), 0)                                                       \
  /* LogNormal fits: outputs (location, mean-like, deviation-like) in the kind's               \
     parameterisation. */                                                                      \
  /** -1 for an unknown kind, as its check. */                                                 \
  ROW(TWIN, lognormal, FIT, (KIND, LOC, MEAN, P1, X1, LOC_OUT, MEAN_OUT, SIGMA_OUT), int,      \
      CalcLogNormalDistributionByLocMeanPerc,                                                  \
      (int kind, double location, double mean, double P, double x, double* o1, double* o2,     \
       double* o3),                                                                            \
      (kind, location, mean, P, x, o1, o2, o3), -1)                                            \
  ROW(TWIN, lognormal, FIT, (KIND, LOC, SIGMA, P1, X1, LOC_OUT, MEAN_OUT, SIGMA_OUT), int,     \
      CalcLogNormalDistributionByLocStDevPerc,                                                 \
      (int kind, double location, double sigma, double P, double x, double* o1,                \
       double* o2, double* o3),                                                                \
      (kind, location, sigma, P, x, o1, o2, o3), 0)                                            \
  ROW(TWIN, lognormal, FIT, (KIND, LOC, P1, X1, P2, X2, LOC_OUT, MEAN_OUT, SIGMA_OUT), int,    \
      CalcLogNormalDistributionByLoc2Perc,                                                     \
      (int kind, double location, double P1, double x1, double P2, double x2, double* o1,      \
       double* o2, double* o3),                                                                \
      (kind, location, P1, x1, P2, x2, o1, o2, o3), 0)                                         \
  ROW(TWIN, lognormal, FIT, (KIND, MEAN, SIGMA, P1, X1, LOC_OUT, MEAN_OUT, SIGMA_OUT), int,    \
      CalcLogNormalDistributionByMeanStDevPerc,                                                \
      (int kind, double mean, double sigma, double P, double x, double* o1, double* o2,        \
       double* o3),                                                                            \
      (kind, mean, sigma, P, x, o1, o2, o3), 0)                                                \
  ROW(TWIN, lognormal, FIT, (KIND, MEAN, P1, X1, P2, X2, LOC_OUT, MEAN_OUT, SIGMA_OUT), int,   \
      CalcLogNormalDistributionByMean2Perc,                                                    \
      (int kind, double mean, double P1, double x1, double P2, double x2, double* o1,          \
       double* o2, double* o3),                                                                \
      (kind, mean, P1, x1, P2, x2, o1, o2, o3), 0)                                             \
  ROW(TWIN, lognormal, FIT, (KIND, SIGMA, P1, X1, P2, X2, LOC_OUT, MEAN_OUT, SIGMA_OUT), int,  \
      CalcLogNormalDistributionByStDev2Perc,                                                   \
      (int kind, double sigma, double P1, double x1, double P2, double x2, double* o1,         \
       double* o2, double* o3),                                                                \
      (kind, sigma, P1, x1, P2, x2, o1, o2, o3), 0)                                            \
  ROW(TWIN, lognormal, FIT,                                                                    \
      (KIND, P1, X1, P2, X2, P3, X3, LOC_OUT, MEAN_OUT, SIGMA_OUT), int,                       \
      CalcLogNormalDistributionBy3Perc,                                                        \
      (int kind, double P1, double x1, double P2, double x2, double P3, double x3,             \
       double* o1, double* o2, double* o3),                                                    \
      (kind, P1, x1, P2, x2, P3, x3, o1, o2, o3), 0)                                           \
  /* Fixed cumulative percents 1, 5, 10, 25, 50, 75, 90, 95, 99. */                            \
  /** From two values: (sigma, mu), 0 for an unknown or repeated percent or a negative         \
      value. */                                                                                \
  TWIN(int, stoka_ran_lognormal_params,                                                        \
       (int p1, double x1, int p2, double x2, double* sigma, double* mu),                      \
       (p1, x1, p2, x2, sigma, mu), 0)                                                         \
  /** The values e^(mu - sigma z) at two percents read in the exceedance sense. */             \
  TWIN(int, stoka_ran_lognormal_percentile,                                                    \
       (int p1, int p2, double sigma, double mu, double* x1, double* x2),                      \
       (p1, p2, sigma, mu, x1, x2), 0)                                                         \
  /** Three values at percents symmetric about 50 (the middle one 50): (sigma, mu,             \
      location) in closed form. */                                                             \
  TWIN(int, stoka_ran_lognormal_by_three_percentile,                                           \
       (int p1, double x1, int p2, double x2, int p3, double x3, double* sigma, double* mu,    \
        double* location),                                                                     \
       (p1, x1, p2, x2, p3, x3, sigma, mu, location), 0)                                       \
  /** As stoka_ran_lognormal_by_three_percentile, after first moving an unusable               \
      middle value below halfway; 0 when the outer values lie within 0.0004. */                \
  TWIN(int, stoka_ran_lognormal_by_three_percentile_with_selection,                            \
       (int p1, double x1, int p2, double x2, int p3, double x3, double* sigma, double* mu,    \
        double* location),                                                                     \
       (p1, x1, p2, x2, p3, x3, sigma, mu, location), 0)

#endif
