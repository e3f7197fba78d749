/* Flat functions of libstoka: fitting Triangular, LogTriangular, Pert and
   Beta distributions from values judged at percentiles. Included by stoka.h;
   see there for the meaning of TWIN and FLAT.

   Every fitter returns 1 (kSolveFind) when it found parameters and 0
   (kSolveCantFind) when its arguments are invalid or no parameters were found.
   A fitter whose check fails writes no output; a fit that does not converge
   writes 0.0 to every output.

   Percents are given in the exceedance sense (P(X > x) = p / 100) and must lie
   in [1, 99]. Values travel with their percents; the checks require them to be
   strictly ordered as the percents.

   Each fitting entry point is a row of the lists below,
     ROW(TWIN, family, kind, (words), ret, name, params, args, fail),
   where ret, name, params, args and fail are those of a TWIN entry and the
   words say what each argument is, in order:
     ITER          the iteration cap of the simplex (at least one iteration is made)
     TOL           the simplex size at which the search stops
     KIND          the LogNormal parameterisation (stoka/flat/fit_normal.h)
     X1 .. X4      the judged values; P1 .. P4 their percents
     ML MIN MAX ALPHA BETA MEAN SIGMA LOC    the fixed parameters
     ML_OUT MIN_OUT ... LOC_OUT              the outputs, in the order written
   The kind is CHECK (1 when the arguments are valid, 0 otherwise), FIT, or
   CONVERT: a ConvertParams form, a function of the C++ interface only, which
   runs the case's fit with the library defaults (iter_count, eps), takes the
   check's argument order, and sorts the points by percent before a simplex fit
   (so any order of the points gives the same start). STOKA_FIT_ROWS(ROW, TWIN)
   lists every row of this header and the TWIN entries among them;
   STOKA_FLAT_FIT the flat functions. */
#ifndef STOKA_FLAT_FIT_H
#define STOKA_FLAT_FIT_H

/* 999999.0: what an objective adds for each condition a trial point breaks. */
extern STOKA_API const double kPenaltyVal;
/* Result codes: 1 parameters found / arguments valid, 0 not found / invalid. */
extern STOKA_API const int kSolveFind;
extern STOKA_API const int kSolveCantFind;
/* 1000000: the iteration limit of the ConvertParams... forms (their tolerance
   is eps, 1e-4). */
extern STOKA_API const int iter_count;

#define STOKA_FLAT_FIT(TWIN, FLAT) \
  STOKA_FIT_ROWS(STOKA_FIT_TWIN, TWIN) STOKA_FIT_MISSES(TWIN, FLAT)

#define STOKA_FIT_MISSES(TWIN, FLAT)                                                         \
  /* How far the last fit misses its judged values. Every flat fitting function of the       \
     rows (the Calc...Distribution... fits here and in stoka/flat/fit_normal.h) keeps, on     \
     the thread that called it, its judged points beside the fitted distribution's values    \
     at their percents, until the next such fit on that thread. A fit that does not return   \
     1 keeps no points. A percentile fit returns the closest member of its family also when  \
     no member meets every judged value; this is how a host learns by how much. */           \
  /** The number of judged points of the last fit on this thread; 0 before any fit and       \
      after one that did not return 1. */                                                     \
  FLAT(int, stoka_fit_miss_count, (void))                                                     \
  /** Point i (0-based, in the order the fit took them): its percent as given (exceedance     \
      sense), the judged value, and the fitted distribution's value at that percent. 1, or 0  \
      with nothing written when i is not below stoka_fit_miss_count(). A NULL pointer is      \
      skipped. */                                                                             \
  FLAT(int, stoka_fit_miss, (int i, double* percent, double* judged, double* fitted))

#define STOKA_FIT_ROWS(ROW, TWIN)    \
  STOKA_FIT_TRIANGULAR(ROW, TWIN)    \
  STOKA_FIT_LOGTRIANGULAR(ROW, TWIN) \
  STOKA_FIT_PERT(ROW, TWIN)          \
  STOKA_FIT_BETA(ROW, TWIN)

/* A row as an entry of a flat list: its TWIN entry, or nothing for a
   ConvertParams form. STOKA_FIT_FLAT_<kind>(tokens) gives the tokens for the
   kinds that have a flat function. */
#define STOKA_FIT_TWIN(TWIN, family, kind, words, ret, name, params, args, fail) \
  STOKA_FIT_FLAT_##kind(TWIN(ret, name, params, args, fail))
#define STOKA_FIT_FLAT_CHECK(...) __VA_ARGS__
#define STOKA_FIT_FLAT_FIT(...) __VA_ARGS__
#define STOKA_FIT_FLAT_CONVERT(...)

#define STOKA_FIT_TRIANGULAR(ROW, TWIN)                                                       \
  /* Triangular (ml, min, max). The closed forms (one percentile with two fixed               \
     parameters, and the mode with two percentiles) write min, ml, max; the                   \
     simplex fits write ml, min, max. */                                                      \
  ROW(TWIN, triangular, CHECK, (MIN, ML, P1, X1), int, CheckParamsTriangularMinMLPerc,        \
      (double min, double ml, double p, double x), (min, ml, p, x), 0)                        \
  ROW(TWIN, triangular, CHECK, (MIN, MAX, P1, X1), int, CheckParamsTriangularMinMaxPerc,      \
      (double min, double max, double p, double x), (min, max, p, x), 0)                      \
  ROW(TWIN, triangular, CHECK, (ML, MAX, P1, X1), int, CheckParamsTriangularMLMaxPerc,        \
      (double ml, double max, double p, double x), (ml, max, p, x), 0)                        \
  /** ml is not examined. */                                                                  \
  ROW(TWIN, triangular, CHECK, (ML, P1, X1, P2, X2), int, CheckParamsTriangularML2Perc,       \
      (double ml, double p1, double x1, double p2, double x2), (ml, p1, x1, p2, x2), 0)       \
  ROW(TWIN, triangular, CHECK, (MIN, P1, X1, P2, X2), int, CheckParamsTriangularMin2Perc,     \
      (double min, double p1, double x1, double p2, double x2), (min, p1, x1, p2, x2), 0)     \
  ROW(TWIN, triangular, CHECK, (MAX, P1, X1, P2, X2), int, CheckParamsTriangularMax2Perc,     \
      (double max, double p1, double x1, double p2, double x2), (max, p1, x1, p2, x2), 0)     \
  ROW(TWIN, triangular, CHECK, (P1, X1, P2, X2, P3, X3), int, CheckParamsTriangular3Perc,     \
      (double p1, double x1, double p2, double x2, double p3, double x3),                     \
      (p1, x1, p2, x2, p3, x3), 0)                                                            \
  ROW(TWIN, triangular, FIT, (MIN, ML, X1, P1, MIN_OUT, ML_OUT, MAX_OUT), int,                \
      CalcTriangularDistributionByMinMlPerc,                                                  \
      (double min, double ml, double x, double p, double* min_out, double* ml_out,            \
       double* max_out),                                                                      \
      (min, ml, x, p, min_out, ml_out, max_out), 0)                                           \
  ROW(TWIN, triangular, FIT, (MIN, MAX, X1, P1, MIN_OUT, ML_OUT, MAX_OUT), int,               \
      CalcTriangularDistributionByMinMaxPerc,                                                 \
      (double min, double max, double x, double p, double* min_out, double* ml_out,           \
       double* max_out),                                                                      \
      (min, max, x, p, min_out, ml_out, max_out), 0)                                          \
  ROW(TWIN, triangular, FIT, (ML, MAX, X1, P1, MIN_OUT, ML_OUT, MAX_OUT), int,                \
      CalcTriangularDistributionByMlMaxPerc,                                                  \
      (double ml, double max, double x, double p, double* min_out, double* ml_out,            \
       double* max_out),                                                                      \
      (ml, max, x, p, min_out, ml_out, max_out), 0)                                           \
  /** Points on both sides of the mode: root search (0 with min, max 0.0 when it              \
      fails); the ml output is written even when the fit fails. */                            \
  ROW(TWIN, triangular, FIT, (ML, P1, X1, P2, X2, MIN_OUT, ML_OUT, MAX_OUT), int,             \
      CalcTriangularDistributionByMl2Perc,                                                    \
      (double ml, double p1, double x1, double p2, double x2, double* min_out,                \
       double* ml_out, double* max_out),                                                      \
      (ml, p1, x1, p2, x2, min_out, ml_out, max_out), 0)                                      \
  ROW(TWIN, triangular, FIT, (ITER, TOL, MIN, X1, X2, P1, P2, ML_OUT, MIN_OUT, MAX_OUT), int, \
      CalcTriangularDistributionByMin2Perc,                                                   \
      (int max_iter, double tolerance, double min, double x1, double x2, double p1,           \
       double p2, double* ml_out, double* min_out, double* max_out),                          \
      (max_iter, tolerance, min, x1, x2, p1, p2, ml_out, min_out, max_out), 0)                \
  ROW(TWIN, triangular, FIT, (ITER, TOL, MAX, X1, X2, P1, P2, ML_OUT, MIN_OUT, MAX_OUT), int, \
      CalcTriangularDistributionByMax2Perc,                                                   \
      (int max_iter, double tolerance, double max, double x1, double x2, double p1,           \
       double p2, double* ml_out, double* min_out, double* max_out),                          \
      (max_iter, tolerance, max, x1, x2, p1, p2, ml_out, min_out, max_out), 0)                \
  ROW(TWIN, triangular, FIT,                                                                  \
      (ITER, TOL, X1, X2, X3, P1, P2, P3, ML_OUT, MIN_OUT, MAX_OUT), int,                     \
      CalcTriangularDistributionBy3Perc,                                                      \
      (int max_iter, double tolerance, double x1, double x2, double x3, double p1,            \
       double p2, double p3, double* ml_out, double* min_out, double* max_out),               \
      (max_iter, tolerance, x1, x2, x3, p1, p2, p3, ml_out, min_out, max_out), 0)             \
  /** min and max of a triangle with mode ml through (x1, p1 %) left of the mode              \
      and (x2, p2 %) right of it; p1 < p2 are whole cumulative percents. 0 with               \
      min, max 0.0 when the search fails or the bracket is empty. */                          \
  TWIN(int, stoka_ran_triangular_params,                                                      \
       (int p1, double x1, int p2, double x2, double ml, double* min_out, double* max_out),   \
       (p1, x1, p2, x2, ml, min_out, max_out), 0)                                             \
  /* The ConvertParams forms: min, ml, max out. The closed forms among them do                \
     no checking of their own. */                                                             \
  ROW(TWIN, triangular, CONVERT, (MIN, ML, P1, X1, MIN_OUT, ML_OUT, MAX_OUT), int,            \
      ConvertParamsTriangularMinMLPerc,                                                       \
      (double min, double ml, double p, double x, double* min_out, double* ml_out,            \
       double* max_out),                                                                      \
      (min, ml, p, x, min_out, ml_out, max_out), 0)                                           \
  ROW(TWIN, triangular, CONVERT, (MIN, MAX, P1, X1, MIN_OUT, ML_OUT, MAX_OUT), int,           \
      ConvertParamsTriangularMinMaxPerc,                                                      \
      (double min, double max, double p, double x, double* min_out, double* ml_out,           \
       double* max_out),                                                                      \
      (min, max, p, x, min_out, ml_out, max_out), 0)                                          \
  ROW(TWIN, triangular, CONVERT, (ML, MAX, P1, X1, MIN_OUT, ML_OUT, MAX_OUT), int,            \
      ConvertParamsTriangularMLMaxPerc,                                                       \
      (double ml, double max, double p, double x, double* min_out, double* ml_out,            \
       double* max_out),                                                                      \
      (ml, max, p, x, min_out, ml_out, max_out), 0)                                           \
  ROW(TWIN, triangular, CONVERT, (ML, P1, X1, P2, X2, MIN_OUT, ML_OUT, MAX_OUT), int,         \
      ConvertParamsTriangularML2Perc,                                                         \
      (double ml, double p1, double x1, double p2, double x2, double* min_out,                \
       double* ml_out, double* max_out),                                                      \
      (ml, p1, x1, p2, x2, min_out, ml_out, max_out), 0)                                      \
  ROW(TWIN, triangular, CONVERT, (MIN, P1, X1, P2, X2, MIN_OUT, ML_OUT, MAX_OUT), int,        \
      ConvertParamsTriangularMin2Perc,                                                        \
      (double min, double p1, double x1, double p2, double x2, double* min_out,               \
       double* ml_out, double* max_out),                                                      \
      (min, p1, x1, p2, x2, min_out, ml_out, max_out), 0)                                     \
  ROW(TWIN, triangular, CONVERT, (MAX, P1, X1, P2, X2, MIN_OUT, ML_OUT, MAX_OUT), int,        \
      ConvertParamsTriangularMax2Perc,                                                        \
      (double max, double p1, double x1, double p2, double x2, double* min_out,               \
       double* ml_out, double* max_out),                                                      \
      (max, p1, x1, p2, x2, min_out, ml_out, max_out), 0)                                     \
  ROW(TWIN, triangular, CONVERT, (P1, X1, P2, X2, P3, X3, MIN_OUT, ML_OUT, MAX_OUT), int,     \
      ConvertParamsTriangular3Perc,                                                           \
      (double p1, double x1, double p2, double x2, double p3, double x3, double* min_out,     \
       double* ml_out, double* max_out),                                                      \
      (p1, x1, p2, x2, p3, x3, min_out, ml_out, max_out), 0)

#define STOKA_FIT_LOGTRIANGULAR(ROW, TWIN)                                                    \
  /* LogTriangular (ml, min, max), all strictly positive: every case is a simplex             \
     fit and writes ml, min, max; the ConvertParams forms write min, ml, max. */              \
  ROW(TWIN, logtriangular, CHECK, (MIN, ML, MAX), int, CheckParamsLogTriangularMinMLMax,      \
      (double min, double ml, double max), (min, ml, max), 0)                                 \
  ROW(TWIN, logtriangular, CHECK, (MIN, ML, P1, X1), int, CheckParamsLogTriangularMinMLPerc,  \
      (double min, double ml, double p, double x), (min, ml, p, x), 0)                        \
  ROW(TWIN, logtriangular, CHECK, (MIN, MAX, P1, X1), int,                                    \
      CheckParamsLogTriangularMinMaxPerc,                                                     \
      (double min, double max, double p, double x), (min, max, p, x), 0)                      \
  ROW(TWIN, logtriangular, CHECK, (ML, MAX, P1, X1), int, CheckParamsLogTriangularMLMaxPerc,  \
      (double ml, double max, double p, double x), (ml, max, p, x), 0)                        \
  ROW(TWIN, logtriangular, CHECK, (ML, P1, X1, P2, X2), int,                                  \
      CheckParamsLogTriangularML2Perc,                                                        \
      (double ml, double p1, double x1, double p2, double x2), (ml, p1, x1, p2, x2), 0)       \
  ROW(TWIN, logtriangular, CHECK, (MIN, P1, X1, P2, X2), int,                                 \
      CheckParamsLogTriangularMin2Perc,                                                       \
      (double min, double p1, double x1, double p2, double x2), (min, p1, x1, p2, x2), 0)     \
  ROW(TWIN, logtriangular, CHECK, (MAX, P1, X1, P2, X2), int,                                 \
      CheckParamsLogTriangularMax2Perc,                                                       \
      (double max, double p1, double x1, double p2, double x2), (max, p1, x1, p2, x2), 0)     \
  ROW(TWIN, logtriangular, CHECK, (P1, X1, P2, X2, P3, X3), int,                              \
      CheckParamsLogTriangular3Perc,                                                          \
      (double p1, double x1, double p2, double x2, double p3, double x3),                     \
      (p1, x1, p2, x2, p3, x3), 0)                                                            \
  ROW(TWIN, logtriangular, FIT, (ITER, TOL, ML, MIN, X1, P1, ML_OUT, MIN_OUT, MAX_OUT), int,  \
      CalcLogTriangularDistributionByMlMinPerc,                                               \
      (int max_iter, double tolerance, double ml, double min, double x, double p,             \
       double* ml_out, double* min_out, double* max_out),                                     \
      (max_iter, tolerance, ml, min, x, p, ml_out, min_out, max_out), 0)                      \
  ROW(TWIN, logtriangular, FIT, (ITER, TOL, ML, MAX, X1, P1, ML_OUT, MIN_OUT, MAX_OUT), int,  \
      CalcLogTriangularDistributionByMlMaxPerc,                                               \
      (int max_iter, double tolerance, double ml, double max, double x, double p,             \
       double* ml_out, double* min_out, double* max_out),                                     \
      (max_iter, tolerance, ml, max, x, p, ml_out, min_out, max_out), 0)                      \
  ROW(TWIN, logtriangular, FIT, (ITER, TOL, MIN, MAX, X1, P1, ML_OUT, MIN_OUT, MAX_OUT), int, \
      CalcLogTriangularDistributionByMinMaxPerc,                                              \
      (int max_iter, double tolerance, double min, double max, double x, double p,            \
       double* ml_out, double* min_out, double* max_out),                                     \
      (max_iter, tolerance, min, max, x, p, ml_out, min_out, max_out), 0)                     \
  ROW(TWIN, logtriangular, FIT, (ITER, TOL, ML, X1, X2, P1, P2, ML_OUT, MIN_OUT, MAX_OUT),    \
      int, CalcLogTriangularDistributionByMl2Perc,                                            \
      (int max_iter, double tolerance, double ml, double x1, double x2, double p1,            \
       double p2, double* ml_out, double* min_out, double* max_out),                          \
      (max_iter, tolerance, ml, x1, x2, p1, p2, ml_out, min_out, max_out), 0)                 \
  ROW(TWIN, logtriangular, FIT, (ITER, TOL, MIN, X1, X2, P1, P2, ML_OUT, MIN_OUT, MAX_OUT),   \
      int, CalcLogTriangularDistributionByMin2Perc,                                           \
      (int max_iter, double tolerance, double min, double x1, double x2, double p1,           \
       double p2, double* ml_out, double* min_out, double* max_out),                          \
      (max_iter, tolerance, min, x1, x2, p1, p2, ml_out, min_out, max_out), 0)                \
  ROW(TWIN, logtriangular, FIT, (ITER, TOL, MAX, X1, X2, P1, P2, ML_OUT, MIN_OUT, MAX_OUT),   \
      int, CalcLogTriangularDistributionByMax2Perc,                                           \
      (int max_iter, double tolerance, double max, double x1, double x2, double p1,           \
       double p2, double* ml_out, double* min_out, double* max_out),                          \
      (max_iter, tolerance, max, x1, x2, p1, p2, ml_out, min_out, max_out), 0)                \
  ROW(TWIN, logtriangular, FIT,                                                               \
      (ITER, TOL, X1, X2, X3, P1, P2, P3, ML_OUT, MIN_OUT, MAX_OUT), int,                     \
      CalcLogTriangularDistributionBy3Perc,                                                   \
      (int max_iter, double tolerance, double x1, double x2, double x3, double p1,            \
       double p2, double p3, double* ml_out, double* min_out, double* max_out),               \
      (max_iter, tolerance, x1, x2, x3, p1, p2, p3, ml_out, min_out, max_out), 0)             \
  ROW(TWIN, logtriangular, CONVERT, (MIN, ML, P1, X1, MIN_OUT, ML_OUT, MAX_OUT), int,         \
      ConvertParamsLogTriangularMinMLPerc,                                                    \
      (double min, double ml, double p, double x, double* min_out, double* ml_out,            \
       double* max_out),                                                                      \
      (min, ml, p, x, min_out, ml_out, max_out), 0)                                           \
  ROW(TWIN, logtriangular, CONVERT, (MIN, MAX, P1, X1, MIN_OUT, ML_OUT, MAX_OUT), int,        \
      ConvertParamsLogTriangularMinMaxPerc,                                                   \
      (double min, double max, double p, double x, double* min_out, double* ml_out,           \
       double* max_out),                                                                      \
      (min, max, p, x, min_out, ml_out, max_out), 0)                                          \
  ROW(TWIN, logtriangular, CONVERT, (ML, MAX, P1, X1, MIN_OUT, ML_OUT, MAX_OUT), int,         \
      ConvertParamsLogTriangularMLMaxPerc,                                                    \
      (double ml, double max, double p, double x, double* min_out, double* ml_out,            \
       double* max_out),                                                                      \
      (ml, max, p, x, min_out, ml_out, max_out), 0)                                           \
  ROW(TWIN, logtriangular, CONVERT, (ML, P1, X1, P2, X2, MIN_OUT, ML_OUT, MAX_OUT), int,      \
      ConvertParamsLogTriangularML2Perc,                                                      \
      (double ml, double p1, double x1, double p2, double x2, double* min_out,                \
       double* ml_out, double* max_out),                                                      \
      (ml, p1, x1, p2, x2, min_out, ml_out, max_out), 0)                                      \
  ROW(TWIN, logtriangular, CONVERT, (MIN, P1, X1, P2, X2, MIN_OUT, ML_OUT, MAX_OUT), int,     \
      ConvertParamsLogTriangularMin2Perc,                                                     \
      (double min, double p1, double x1, double p2, double x2, double* min_out,               \
       double* ml_out, double* max_out),                                                      \
      (min, p1, x1, p2, x2, min_out, ml_out, max_out), 0)                                     \
  ROW(TWIN, logtriangular, CONVERT, (MAX, P1, X1, P2, X2, MIN_OUT, ML_OUT, MAX_OUT), int,     \
      ConvertParamsLogTriangularMax2Perc,                                                     \
      (double max, double p1, double x1, double p2, double x2, double* min_out,               \
       double* ml_out, double* max_out),                                                      \
      (max, p1, x1, p2, x2, min_out, ml_out, max_out), 0)                                     \
  ROW(TWIN, logtriangular, CONVERT, (P1, X1, P2, X2, P3, X3, MIN_OUT, ML_OUT, MAX_OUT), int,  \
      ConvertParamsLogTriangular3Perc,                                                        \
      (double p1, double x1, double p2, double x2, double p3, double x3, double* min_out,     \
       double* ml_out, double* max_out),                                                      \
      (p1, x1, p2, x2, p3, x3, min_out, ml_out, max_out), 0)

#define STOKA_FIT_PERT(ROW, TWIN)                                                          \
  /* Pert (ml, min, max): every case is a simplex fit and writes ml, min, max; the         \
     ConvertParams forms write min, ml, max. The two-percentile fits take each             \
     value next to its percent. */                                                         \
  ROW(TWIN, pert, CHECK, (MIN, ML, P1, X1), int, CheckParamsPertMinMLPerc,                 \
      (double min, double ml, double p, double x), (min, ml, p, x), 0)                     \
  ROW(TWIN, pert, CHECK, (MIN, MAX, P1, X1), int, CheckParamsPertMinMaxPerc,               \
      (double min, double max, double p, double x), (min, max, p, x), 0)                   \
  ROW(TWIN, pert, CHECK, (ML, MAX, P1, X1), int, CheckParamsPertMLMaxPerc,                 \
      (double ml, double max, double p, double x), (ml, max, p, x), 0)                     \
  ROW(TWIN, pert, CHECK, (MIN, P1, X1, P2, X2), int, CheckParamsPertMin2Perc,              \
      (double min, double p1, double x1, double p2, double x2), (min, p1, x1, p2, x2), 0)  \
  ROW(TWIN, pert, CHECK, (MAX, P1, X1, P2, X2), int, CheckParamsPertMax2Perc,              \
      (double max, double p1, double x1, double p2, double x2), (max, p1, x1, p2, x2), 0)  \
  /** ml is not examined. */                                                               \
  ROW(TWIN, pert, CHECK, (ML, P1, X1, P2, X2), int, CheckParamsPertML2Perc,                \
      (double ml, double p1, double x1, double p2, double x2), (ml, p1, x1, p2, x2), 0)    \
  ROW(TWIN, pert, CHECK, (P1, X1, P2, X2, P3, X3), int, CheckParamsPert3Perc,              \
      (double p1, double x1, double p2, double x2, double p3, double x3),                  \
      (p1, x1, p2, x2, p3, x3), 0)                                                         \
  ROW(TWIN, pert, FIT, (ITER, TOL, MIN, ML, X1, P1, ML_OUT, MIN_OUT, MAX_OUT), int,        \
      CalcPertDistributionByMinMlPerc,                                                     \
      (int max_iter, double tolerance, double min, double ml, double x, double p,          \
       double* ml_out, double* min_out, double* max_out),                                  \
      (max_iter, tolerance, min, ml, x, p, ml_out, min_out, max_out), 0)                   \
  ROW(TWIN, pert, FIT, (ITER, TOL, MAX, MIN, X1, P1, ML_OUT, MIN_OUT, MAX_OUT), int,       \
      CalcPertDistributionByMaxMinPerc,                                                    \
      (int max_iter, double tolerance, double max, double min, double x, double p,         \
       double* ml_out, double* min_out, double* max_out),                                  \
      (max_iter, tolerance, max, min, x, p, ml_out, min_out, max_out), 0)                  \
  ROW(TWIN, pert, FIT, (ITER, TOL, MAX, ML, X1, P1, ML_OUT, MIN_OUT, MAX_OUT), int,        \
      CalcPertDistributionByMaxMlPerc,                                                     \
      (int max_iter, double tolerance, double max, double ml, double x, double p,          \
       double* ml_out, double* min_out, double* max_out),                                  \
      (max_iter, tolerance, max, ml, x, p, ml_out, min_out, max_out), 0)                   \
  ROW(TWIN, pert, FIT, (ITER, TOL, MIN, X1, P1, X2, P2, ML_OUT, MIN_OUT, MAX_OUT), int,    \
      CalcPertDistributionByMin2Perc,                                                      \
      (int max_iter, double tolerance, double min, double x1, double p1, double x2,        \
       double p2, double* ml_out, double* min_out, double* max_out),                       \
      (max_iter, tolerance, min, x1, p1, x2, p2, ml_out, min_out, max_out), 0)             \
  ROW(TWIN, pert, FIT, (ITER, TOL, MAX, X1, P1, X2, P2, ML_OUT, MIN_OUT, MAX_OUT), int,    \
      CalcPertDistributionByMax2Perc,                                                      \
      (int max_iter, double tolerance, double max, double x1, double p1, double x2,        \
       double p2, double* ml_out, double* min_out, double* max_out),                       \
      (max_iter, tolerance, max, x1, p1, x2, p2, ml_out, min_out, max_out), 0)             \
  ROW(TWIN, pert, FIT, (ITER, TOL, ML, X1, P1, X2, P2, ML_OUT, MIN_OUT, MAX_OUT), int,     \
      CalcPertDistributionByMl2Perc,                                                       \
      (int max_iter, double tolerance, double ml, double x1, double p1, double x2,         \
       double p2, double* ml_out, double* min_out, double* max_out),                       \
      (max_iter, tolerance, ml, x1, p1, x2, p2, ml_out, min_out, max_out), 0)              \
  ROW(TWIN, pert, FIT, (ITER, TOL, X1, X2, X3, P1, P2, P3, ML_OUT, MIN_OUT, MAX_OUT), int, \
      CalcPertDistributionBy3Perc,                                                         \
      (int max_iter, double tolerance, double x1, double x2, double x3, double p1,         \
       double p2, double p3, double* ml_out, double* min_out, double* max_out),            \
      (max_iter, tolerance, x1, x2, x3, p1, p2, p3, ml_out, min_out, max_out), 0)          \
  ROW(TWIN, pert, CONVERT, (MIN, ML, P1, X1, MIN_OUT, ML_OUT, MAX_OUT), int,               \
      ConvertParamsPertMinMLPerc,                                                          \
      (double min, double ml, double p, double x, double* min_out, double* ml_out,         \
       double* max_out),                                                                   \
      (min, ml, p, x, min_out, ml_out, max_out), 0)                                        \
  ROW(TWIN, pert, CONVERT, (MIN, MAX, P1, X1, MIN_OUT, ML_OUT, MAX_OUT), int,              \
      ConvertParamsPertMinMaxPerc,                                                         \
      (double min, double max, double p, double x, double* min_out, double* ml_out,        \
       double* max_out),                                                                   \
      (min, max, p, x, min_out, ml_out, max_out), 0)                                       \
  ROW(TWIN, pert, CONVERT, (ML, MAX, P1, X1, MIN_OUT, ML_OUT, MAX_OUT), int,               \
      ConvertParamsPertMLMaxPerc,                                                          \
      (double ml, double max, double p, double x, double* min_out, double* ml_out,         \
       double* max_out),                                                                   \
      (ml, max, p, x, min_out, ml_out, max_out), 0)                                        \
  ROW(TWIN, pert, CONVERT, (ML, P1, X1, P2, X2, MIN_OUT, ML_OUT, MAX_OUT), int,            \
      ConvertParamsPertML2Perc,                                                            \
      (double ml, double p1, double x1, double p2, double x2, double* min_out,             \
       double* ml_out, double* max_out),                                                   \
      (ml, p1, x1, p2, x2, min_out, ml_out, max_out), 0)                                   \
  ROW(TWIN, pert, CONVERT, (MIN, P1, X1, P2, X2, MIN_OUT, ML_OUT, MAX_OUT), int,           \
      ConvertParamsPertMin2Perc,                                                           \
      (double min, double p1, double x1, double p2, double x2, double* min_out,            \
       double* ml_out, double* max_out),                                                   \
      (min, p1, x1, p2, x2, min_out, ml_out, max_out), 0)                                  \
  ROW(TWIN, pert, CONVERT, (MAX, P1, X1, P2, X2, MIN_OUT, ML_OUT, MAX_OUT), int,           \
      ConvertParamsPertMax2Perc,                                                           \
      (double max, double p1, double x1, double p2, double x2, double* min_out,            \
       double* ml_out, double* max_out),                                                   \
      (max, p1, x1, p2, x2, min_out, ml_out, max_out), 0)                                  \
  ROW(TWIN, pert, CONVERT, (P1, X1, P2, X2, P3, X3, MIN_OUT, ML_OUT, MAX_OUT), int,        \
      ConvertParamsPert3Perc,                                                              \
      (double p1, double x1, double p2, double x2, double p3, double x3, double* min_out,  \
       double* ml_out, double* max_out),                                                   \
      (p1, x1, p2, x2, p3, x3, min_out, ml_out, max_out), 0)

#define STOKA_FIT_BETA(ROW, TWIN)                                                               \
  /* Beta (alpha, beta) on [min, max]: every case is a simplex fit. The fitters                 \
     take the iteration limit, the tolerance, the fixed parameters, the values,                 \
     then the percents, and write alpha, beta, min, max; the ConvertParams forms                \
     write min, max, alpha, beta. A fixed shape must exceed 0.3 (by 1e-4) and two               \
     fixed shapes must sum to less than 100000; fixed bounds are not compared                   \
     with the values. */                                                                        \
  ROW(TWIN, beta, CHECK, (P1, X1, P2, X2, P3, X3, P4, X4), int, CheckParamsBeta4Perc,           \
      (double p1, double x1, double p2, double x2, double p3, double x3, double p4,             \
       double x4),                                                                              \
      (p1, x1, p2, x2, p3, x3, p4, x4), 0)                                                      \
  ROW(TWIN, beta, CHECK, (ALPHA, P1, X1, P2, X2, P3, X3), int, CheckParamsBetaAlpha3Perc,       \
      (double alpha, double p1, double x1, double p2, double x2, double p3, double x3),         \
      (alpha, p1, x1, p2, x2, p3, x3), 0)                                                       \
  ROW(TWIN, beta, CHECK, (BETA, P1, X1, P2, X2, P3, X3), int, CheckParamsBetaBeta3Perc,         \
      (double beta, double p1, double x1, double p2, double x2, double p3, double x3),          \
      (beta, p1, x1, p2, x2, p3, x3), 0)                                                        \
  ROW(TWIN, beta, CHECK, (MIN, P1, X1, P2, X2, P3, X3), int, CheckParamsBetaMin3Perc,           \
      (double min, double p1, double x1, double p2, double x2, double p3, double x3),           \
      (min, p1, x1, p2, x2, p3, x3), 0)                                                         \
  ROW(TWIN, beta, CHECK, (MAX, P1, X1, P2, X2, P3, X3), int, CheckParamsBetaMax3Perc,           \
      (double max, double p1, double x1, double p2, double x2, double p3, double x3),           \
      (max, p1, x1, p2, x2, p3, x3), 0)                                                         \
  ROW(TWIN, beta, CHECK, (ALPHA, BETA, P1, X1, P2, X2), int, CheckParamsBetaAlphaBeta2Perc,     \
      (double alpha, double beta, double p1, double x1, double p2, double x2),                  \
      (alpha, beta, p1, x1, p2, x2), 0)                                                         \
  ROW(TWIN, beta, CHECK, (MIN, ALPHA, P1, X1, P2, X2), int, CheckParamsBetaMinAlpha2Perc,       \
      (double min, double alpha, double p1, double x1, double p2, double x2),                   \
      (min, alpha, p1, x1, p2, x2), 0)                                                          \
  ROW(TWIN, beta, CHECK, (MIN, BETA, P1, X1, P2, X2), int, CheckParamsBetaMinBeta2Perc,         \
      (double min, double beta, double p1, double x1, double p2, double x2),                    \
      (min, beta, p1, x1, p2, x2), 0)                                                           \
  ROW(TWIN, beta, CHECK, (MAX, ALPHA, P1, X1, P2, X2), int, CheckParamsBetaMaxAlpha2Perc,       \
      (double max, double alpha, double p1, double x1, double p2, double x2),                   \
      (max, alpha, p1, x1, p2, x2), 0)                                                          \
  ROW(TWIN, beta, CHECK, (MAX, BETA, P1, X1, P2, X2), int, CheckParamsBetaMaxBeta2Perc,         \
      (double max, double beta, double p1, double x1, double p2, double x2),                    \
      (max, beta, p1, x1, p2, x2), 0)                                                           \
  ROW(TWIN, beta, CHECK, (MIN, MAX, P1, X1, P2, X2), int, CheckParamsBetaMinMax2Perc,           \
      (double min, double max, double p1, double x1, double p2, double x2),                     \
      (min, max, p1, x1, p2, x2), 0)                                                            \
  ROW(TWIN, beta, CHECK, (MIN, ALPHA, BETA, P1, X1), int, CheckParamsBetaMinAlphaBetaPerc,      \
      (double min, double alpha, double beta, double p, double x), (min, alpha, beta, p, x), 0) \
  ROW(TWIN, beta, CHECK, (MAX, ALPHA, BETA, P1, X1), int, CheckParamsBetaMaxAlphaBetaPerc,      \
      (double max, double alpha, double beta, double p, double x), (max, alpha, beta, p, x), 0) \
  ROW(TWIN, beta, CHECK, (MIN, MAX, ALPHA, P1, X1), int, CheckParamsBetaMinMaxAlphaPerc,        \
      (double min, double max, double alpha, double p, double x), (min, max, alpha, p, x), 0)   \
  ROW(TWIN, beta, CHECK, (MIN, MAX, BETA, P1, X1), int, CheckParamsBetaMinMaxBetaPerc,          \
      (double min, double max, double beta, double p, double x), (min, max, beta, p, x), 0)     \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, X1, X2, X3, X4, P1, P2, P3, P4, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,  \
      CalcBetaDistributionBy4Perc,                                                              \
      (int max_iter, double tolerance, double x1, double x2, double x3, double x4, double p1,   \
       double p2, double p3, double p4, double* alpha_out, double* beta_out,                    \
       double* min_out, double* max_out),                                                       \
      (max_iter, tolerance, x1, x2, x3, x4, p1, p2, p3, p4, alpha_out, beta_out, min_out,       \
       max_out), 0)                                                                             \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, ALPHA, X1, X2, X3, P1, P2, P3, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,   \
      CalcBetaDistributionByAlpha3Perc,                                                         \
      (int max_iter, double tolerance, double alpha, double x1, double x2, double x3,           \
       double p1, double p2, double p3, double* alpha_out, double* beta_out,                    \
       double* min_out, double* max_out),                                                       \
      (max_iter, tolerance, alpha, x1, x2, x3, p1, p2, p3, alpha_out, beta_out, min_out,        \
       max_out), 0)                                                                             \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, BETA, X1, X2, X3, P1, P2, P3, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,    \
      CalcBetaDistributionByBeta3Perc,                                                          \
      (int max_iter, double tolerance, double beta, double x1, double x2, double x3,            \
       double p1, double p2, double p3, double* alpha_out, double* beta_out,                    \
       double* min_out, double* max_out),                                                       \
      (max_iter, tolerance, beta, x1, x2, x3, p1, p2, p3, alpha_out, beta_out, min_out,         \
       max_out), 0)                                                                             \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, MIN, X1, X2, X3, P1, P2, P3, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,     \
      CalcBetaDistributionByMin3Perc,                                                           \
      (int max_iter, double tolerance, double min, double x1, double x2, double x3,             \
       double p1, double p2, double p3, double* alpha_out, double* beta_out,                    \
       double* min_out, double* max_out),                                                       \
      (max_iter, tolerance, min, x1, x2, x3, p1, p2, p3, alpha_out, beta_out, min_out,          \
       max_out), 0)                                                                             \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, MAX, X1, X2, X3, P1, P2, P3, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,     \
      CalcBetaDistributionByMax3Perc,                                                           \
      (int max_iter, double tolerance, double max, double x1, double x2, double x3,             \
       double p1, double p2, double p3, double* alpha_out, double* beta_out,                    \
       double* min_out, double* max_out),                                                       \
      (max_iter, tolerance, max, x1, x2, x3, p1, p2, p3, alpha_out, beta_out, min_out,          \
       max_out), 0)                                                                             \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, ALPHA, BETA, X1, X2, P1, P2, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,     \
      CalcBetaDistributionByAlphaBeta2Perc,                                                     \
      (int max_iter, double tolerance, double alpha, double beta, double x1, double x2,         \
       double p1, double p2, double* alpha_out, double* beta_out, double* min_out,              \
       double* max_out),                                                                        \
      (max_iter, tolerance, alpha, beta, x1, x2, p1, p2, alpha_out, beta_out, min_out,          \
       max_out), 0)                                                                             \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, ALPHA, MIN, X1, X2, P1, P2, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,      \
      CalcBetaDistributionByAlphaMin2Perc,                                                      \
      (int max_iter, double tolerance, double alpha, double min, double x1, double x2,          \
       double p1, double p2, double* alpha_out, double* beta_out, double* min_out,              \
       double* max_out),                                                                        \
      (max_iter, tolerance, alpha, min, x1, x2, p1, p2, alpha_out, beta_out, min_out,           \
       max_out), 0)                                                                             \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, ALPHA, MAX, X1, X2, P1, P2, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,      \
      CalcBetaDistributionByAlphaMax2Perc,                                                      \
      (int max_iter, double tolerance, double alpha, double max, double x1, double x2,          \
       double p1, double p2, double* alpha_out, double* beta_out, double* min_out,              \
       double* max_out),                                                                        \
      (max_iter, tolerance, alpha, max, x1, x2, p1, p2, alpha_out, beta_out, min_out,           \
       max_out), 0)                                                                             \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, BETA, MIN, X1, X2, P1, P2, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,       \
      CalcBetaDistributionByBetaMin2Perc,                                                       \
      (int max_iter, double tolerance, double beta, double min, double x1, double x2,           \
       double p1, double p2, double* alpha_out, double* beta_out, double* min_out,              \
       double* max_out),                                                                        \
      (max_iter, tolerance, beta, min, x1, x2, p1, p2, alpha_out, beta_out, min_out,            \
       max_out), 0)                                                                             \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, BETA, MAX, X1, X2, P1, P2, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,       \
      CalcBetaDistributionByBetaMax2Perc,                                                       \
      (int max_iter, double tolerance, double beta, double max, double x1, double x2,           \
       double p1, double p2, double* alpha_out, double* beta_out, double* min_out,              \
       double* max_out),                                                                        \
      (max_iter, tolerance, beta, max, x1, x2, p1, p2, alpha_out, beta_out, min_out,            \
       max_out), 0)                                                                             \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, MIN, MAX, X1, X2, P1, P2, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,        \
      CalcBetaDistributionByMinMax2Perc,                                                        \
      (int max_iter, double tolerance, double min, double max, double x1, double x2,            \
       double p1, double p2, double* alpha_out, double* beta_out, double* min_out,              \
       double* max_out),                                                                        \
      (max_iter, tolerance, min, max, x1, x2, p1, p2, alpha_out, beta_out, min_out,             \
       max_out), 0)                                                                             \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, ALPHA, BETA, MIN, X1, P1, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,        \
      CalcBetaDistributionByAlphaBetaMinPerc,                                                   \
      (int max_iter, double tolerance, double alpha, double beta, double min, double x,         \
       double p, double* alpha_out, double* beta_out, double* min_out, double* max_out),        \
      (max_iter, tolerance, alpha, beta, min, x, p, alpha_out, beta_out, min_out, max_out),     \
      0)                                                                                        \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, ALPHA, BETA, MAX, X1, P1, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,        \
      CalcBetaDistributionByAlphaBetaMaxPerc,                                                   \
      (int max_iter, double tolerance, double alpha, double beta, double max, double x,         \
       double p, double* alpha_out, double* beta_out, double* min_out, double* max_out),        \
      (max_iter, tolerance, alpha, beta, max, x, p, alpha_out, beta_out, min_out, max_out),     \
      0)                                                                                        \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, ALPHA, MIN, MAX, X1, P1, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,         \
      CalcBetaDistributionByAlphaMinMaxPerc,                                                    \
      (int max_iter, double tolerance, double alpha, double min, double max, double x,          \
       double p, double* alpha_out, double* beta_out, double* min_out, double* max_out),        \
      (max_iter, tolerance, alpha, min, max, x, p, alpha_out, beta_out, min_out, max_out),      \
      0)                                                                                        \
  ROW(TWIN, beta, FIT,                                                                          \
      (ITER, TOL, BETA, MIN, MAX, X1, P1, ALPHA_OUT, BETA_OUT, MIN_OUT, MAX_OUT), int,          \
      CalcBetaDistributionByBetaMinMaxPerc,                                                     \
      (int max_iter, double tolerance, double beta, double min, double max, double x,           \
       double p, double* alpha_out, double* beta_out, double* min_out, double* max_out),        \
      (max_iter, tolerance, beta, min, max, x, p, alpha_out, beta_out, min_out, max_out),       \
      0)                                                                                        \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (P1, X1, P2, X2, P3, X3, P4, X4, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,             \
      ConvertParamsBeta4Perc,                                                                   \
      (double p1, double x1, double p2, double x2, double p3, double x3, double p4,             \
       double x4, double* min_out, double* max_out, double* alpha_out, double* beta_out),       \
      (p1, x1, p2, x2, p3, x3, p4, x4, min_out, max_out, alpha_out, beta_out), 0)               \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (ALPHA, P1, X1, P2, X2, P3, X3, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,              \
      ConvertParamsBetaAlpha3Perc,                                                              \
      (double alpha, double p1, double x1, double p2, double x2, double p3, double x3,          \
       double* min_out, double* max_out, double* alpha_out, double* beta_out),                  \
      (alpha, p1, x1, p2, x2, p3, x3, min_out, max_out, alpha_out, beta_out), 0)                \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (BETA, P1, X1, P2, X2, P3, X3, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,               \
      ConvertParamsBetaBeta3Perc,                                                               \
      (double beta, double p1, double x1, double p2, double x2, double p3, double x3,           \
       double* min_out, double* max_out, double* alpha_out, double* beta_out),                  \
      (beta, p1, x1, p2, x2, p3, x3, min_out, max_out, alpha_out, beta_out), 0)                 \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (MIN, P1, X1, P2, X2, P3, X3, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                \
      ConvertParamsBetaMin3Perc,                                                                \
      (double min, double p1, double x1, double p2, double x2, double p3, double x3,            \
       double* min_out, double* max_out, double* alpha_out, double* beta_out),                  \
      (min, p1, x1, p2, x2, p3, x3, min_out, max_out, alpha_out, beta_out), 0)                  \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (MAX, P1, X1, P2, X2, P3, X3, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                \
      ConvertParamsBetaMax3Perc,                                                                \
      (double max, double p1, double x1, double p2, double x2, double p3, double x3,            \
       double* min_out, double* max_out, double* alpha_out, double* beta_out),                  \
      (max, p1, x1, p2, x2, p3, x3, min_out, max_out, alpha_out, beta_out), 0)                  \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (ALPHA, BETA, P1, X1, P2, X2, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                \
      ConvertParamsBetaAlphaBeta2Perc,                                                          \
      (double alpha, double beta, double p1, double x1, double p2, double x2,                   \
       double* min_out, double* max_out, double* alpha_out, double* beta_out),                  \
      (alpha, beta, p1, x1, p2, x2, min_out, max_out, alpha_out, beta_out), 0)                  \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (MIN, ALPHA, P1, X1, P2, X2, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                 \
      ConvertParamsBetaMinAlpha2Perc,                                                           \
      (double min, double alpha, double p1, double x1, double p2, double x2,                    \
       double* min_out, double* max_out, double* alpha_out, double* beta_out),                  \
      (min, alpha, p1, x1, p2, x2, min_out, max_out, alpha_out, beta_out), 0)                   \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (MIN, BETA, P1, X1, P2, X2, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                  \
      ConvertParamsBetaMinBeta2Perc,                                                            \
      (double min, double beta, double p1, double x1, double p2, double x2,                     \
       double* min_out, double* max_out, double* alpha_out, double* beta_out),                  \
      (min, beta, p1, x1, p2, x2, min_out, max_out, alpha_out, beta_out), 0)                    \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (MAX, ALPHA, P1, X1, P2, X2, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                 \
      ConvertParamsBetaMaxAlpha2Perc,                                                           \
      (double max, double alpha, double p1, double x1, double p2, double x2,                    \
       double* min_out, double* max_out, double* alpha_out, double* beta_out),                  \
      (max, alpha, p1, x1, p2, x2, min_out, max_out, alpha_out, beta_out), 0)                   \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (MAX, BETA, P1, X1, P2, X2, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                  \
      ConvertParamsBetaMaxBeta2Perc,                                                            \
      (double max, double beta, double p1, double x1, double p2, double x2,                     \
       double* min_out, double* max_out, double* alpha_out, double* beta_out),                  \
      (max, beta, p1, x1, p2, x2, min_out, max_out, alpha_out, beta_out), 0)                    \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (MIN, MAX, P1, X1, P2, X2, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                   \
      ConvertParamsBetaMinMax2Perc,                                                             \
      (double min, double max, double p1, double x1, double p2, double x2,                      \
       double* min_out, double* max_out, double* alpha_out, double* beta_out),                  \
      (min, max, p1, x1, p2, x2, min_out, max_out, alpha_out, beta_out), 0)                     \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (MIN, ALPHA, BETA, P1, X1, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                   \
      ConvertParamsBetaMinAlphaBetaPerc,                                                        \
      (double min, double alpha, double beta, double p, double x, double* min_out,              \
       double* max_out, double* alpha_out, double* beta_out),                                   \
      (min, alpha, beta, p, x, min_out, max_out, alpha_out, beta_out), 0)                       \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (MAX, ALPHA, BETA, P1, X1, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                   \
      ConvertParamsBetaMaxAlphaBetaPerc,                                                        \
      (double max, double alpha, double beta, double p, double x, double* min_out,              \
       double* max_out, double* alpha_out, double* beta_out),                                   \
      (max, alpha, beta, p, x, min_out, max_out, alpha_out, beta_out), 0)                       \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (MIN, MAX, ALPHA, P1, X1, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                    \
      ConvertParamsBetaMinMaxAlphaPerc,                                                         \
      (double min, double max, double alpha, double p, double x, double* min_out,               \
       double* max_out, double* alpha_out, double* beta_out),                                   \
      (min, max, alpha, p, x, min_out, max_out, alpha_out, beta_out), 0)                        \
  ROW(TWIN, beta, CONVERT,                                                                      \
      (MIN, MAX, BETA, P1, X1, MIN_OUT, MAX_OUT, ALPHA_OUT, BETA_OUT), int,                     \
      ConvertParamsBetaMinMaxBetaPerc,                                                          \
      (double min, double max, double beta, double p, double x, double* min_out,                \
       double* max_out, double* alpha_out, double* beta_out),                                   \
      (min, max, beta, p, x, min_out, max_out, alpha_out, beta_out), 0)

#endif
