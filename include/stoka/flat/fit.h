/* Flat functions of libstoka: fitting Triangular, LogTriangular, Pert and
   Beta distributions from values judged at percentiles. Included by stoka.h;
   see there for the meaning of TWIN and FLAT.

   Every fitter returns 1 (kSolveFind) when it found parameters and 0
   (kSolveCantFind) when its arguments are invalid or no parameters were found.
   A fitter whose check fails writes no output; a fit that does not converge
   writes 0.0 to every output.

   Percents p are given in the exceedance sense (P(X > x) = p / 100) and must
   lie in [1, 99]. Values x travel with their percents; the checks require them
   to be strictly ordered as the percents.

   Parameter names are part of each entry's meaning: x, x1..x4 values, p,
   p1..p4 their percents, ml / min / max / alpha / beta fixed parameters,
   <name>_out the outputs, in the order in which the function writes them.
   max_iter caps the simplex iterations (at least one is made); tolerance is
   the simplex size at which the search stops. */
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
  STOKA_FIT_TRIANGULAR(TWIN)       \
  STOKA_FIT_TRIANGULAR_ROOT(TWIN)  \
  STOKA_FIT_LOGTRIANGULAR(TWIN)    \
  STOKA_FIT_PERT(TWIN)             \
  STOKA_FIT_BETA(TWIN)

/* Triangular (ml, min, max). The closed forms (one percentile with two fixed
   parameters, and the mode with two percentiles) write min, ml, max; the
   simplex fits write ml, min, max. */
#define STOKA_FIT_TRIANGULAR(TWIN)                                                          \
  TWIN(int, CheckParamsTriangularMinMLPerc, (double min, double ml, double p, double x),   \
       (min, ml, p, x), 0)                                                                  \
  TWIN(int, CheckParamsTriangularMinMaxPerc, (double min, double max, double p, double x), \
       (min, max, p, x), 0)                                                                 \
  TWIN(int, CheckParamsTriangularMLMaxPerc, (double ml, double max, double p, double x),   \
       (ml, max, p, x), 0)                                                                  \
  /* ml is not examined. */                                                                 \
  TWIN(int, CheckParamsTriangularML2Perc,                                                   \
       (double ml, double p1, double x1, double p2, double x2), (ml, p1, x1, p2, x2), 0)    \
  TWIN(int, CheckParamsTriangularMin2Perc,                                                  \
       (double min, double p1, double x1, double p2, double x2), (min, p1, x1, p2, x2), 0)  \
  TWIN(int, CheckParamsTriangularMax2Perc,                                                  \
       (double max, double p1, double x1, double p2, double x2), (max, p1, x1, p2, x2), 0)  \
  TWIN(int, CheckParamsTriangular3Perc,                                                     \
       (double p1, double x1, double p2, double x2, double p3, double x3),                  \
       (p1, x1, p2, x2, p3, x3), 0)                                                         \
  TWIN(int, CalcTriangularDistributionByMinMlPerc,                                          \
       (double min, double ml, double x, double p, double* min_out, double* ml_out,         \
        double* max_out),                                                                   \
       (min, ml, x, p, min_out, ml_out, max_out), 0)                                        \
  TWIN(int, CalcTriangularDistributionByMinMaxPerc,                                         \
       (double min, double max, double x, double p, double* min_out, double* ml_out,        \
        double* max_out),                                                                   \
       (min, max, x, p, min_out, ml_out, max_out), 0)                                       \
  TWIN(int, CalcTriangularDistributionByMlMaxPerc,                                          \
       (double ml, double max, double x, double p, double* min_out, double* ml_out,         \
        double* max_out),                                                                   \
       (ml, max, x, p, min_out, ml_out, max_out), 0)                                        \
  /* Points on both sides of the mode: root search (0 with min, max 0.0 when it         \
     fails); the ml output is written even when the fit fails. */                           \
  TWIN(int, CalcTriangularDistributionByMl2Perc,                                            \
       (double ml, double p1, double x1, double p2, double x2, double* min_out,             \
        double* ml_out, double* max_out),                                                   \
       (ml, p1, x1, p2, x2, min_out, ml_out, max_out), 0)                                   \
  TWIN(int, CalcTriangularDistributionByMin2Perc,                                           \
       (int max_iter, double tolerance, double min, double x1, double x2, double p1,        \
        double p2, double* ml_out, double* min_out, double* max_out),                       \
       (max_iter, tolerance, min, x1, x2, p1, p2, ml_out, min_out, max_out), 0)             \
  TWIN(int, CalcTriangularDistributionByMax2Perc,                                           \
       (int max_iter, double tolerance, double max, double x1, double x2, double p1,        \
        double p2, double* ml_out, double* min_out, double* max_out),                       \
       (max_iter, tolerance, max, x1, x2, p1, p2, ml_out, min_out, max_out), 0)             \
  TWIN(int, CalcTriangularDistributionBy3Perc,                                              \
       (int max_iter, double tolerance, double x1, double x2, double x3, double p1,         \
        double p2, double p3, double* ml_out, double* min_out, double* max_out),            \
       (max_iter, tolerance, x1, x2, x3, p1, p2, p3, ml_out, min_out, max_out), 0)

/* min and max of a triangle with mode ml through (x1, p1 %) left of the mode
   and (x2, p2 %) right of it; p1 < p2 are whole cumulative percents. 0 with
   min, max 0.0 when the search fails or the bracket is empty. */
#define STOKA_FIT_TRIANGULAR_ROOT(TWIN)                                                    \
  TWIN(int, stoka_ran_triangular_params,                                                   \
       (int p1, double x1, int p2, double x2, double ml, double* min_out, double* max_out), \
       (p1, x1, p2, x2, ml, min_out, max_out), 0)

/* LogTriangular (ml, min, max), all strictly positive; every case is a simplex
   fit and writes ml, min, max. */
#define STOKA_FIT_LOGTRIANGULAR(TWIN)                                                       \
  TWIN(int, CheckParamsLogTriangularMinMLMax, (double min, double ml, double max),          \
       (min, ml, max), 0)                                                                   \
  TWIN(int, CheckParamsLogTriangularMinMLPerc, (double min, double ml, double p, double x), \
       (min, ml, p, x), 0)                                                                  \
  TWIN(int, CheckParamsLogTriangularMinMaxPerc,                                             \
       (double min, double max, double p, double x), (min, max, p, x), 0)                   \
  TWIN(int, CheckParamsLogTriangularMLMaxPerc, (double ml, double max, double p, double x), \
       (ml, max, p, x), 0)                                                                  \
  TWIN(int, CheckParamsLogTriangularML2Perc,                                                \
       (double ml, double p1, double x1, double p2, double x2), (ml, p1, x1, p2, x2), 0)    \
  TWIN(int, CheckParamsLogTriangularMin2Perc,                                               \
       (double min, double p1, double x1, double p2, double x2), (min, p1, x1, p2, x2), 0)  \
  TWIN(int, CheckParamsLogTriangularMax2Perc,                                               \
       (double max, double p1, double x1, double p2, double x2), (max, p1, x1, p2, x2), 0)  \
  TWIN(int, CheckParamsLogTriangular3Perc,                                                  \
       (double p1, double x1, double p2, double x2, double p3, double x3),                  \
       (p1, x1, p2, x2, p3, x3), 0)                                                         \
  TWIN(int, CalcLogTriangularDistributionByMlMinPerc,                                       \
       (int max_iter, double tolerance, double ml, double min, double x, double p,          \
        double* ml_out, double* min_out, double* max_out),                                  \
       (max_iter, tolerance, ml, min, x, p, ml_out, min_out, max_out), 0)                   \
  TWIN(int, CalcLogTriangularDistributionByMlMaxPerc,                                       \
       (int max_iter, double tolerance, double ml, double max, double x, double p,          \
        double* ml_out, double* min_out, double* max_out),                                  \
       (max_iter, tolerance, ml, max, x, p, ml_out, min_out, max_out), 0)                   \
  TWIN(int, CalcLogTriangularDistributionByMinMaxPerc,                                      \
       (int max_iter, double tolerance, double min, double max, double x, double p,         \
        double* ml_out, double* min_out, double* max_out),                                  \
       (max_iter, tolerance, min, max, x, p, ml_out, min_out, max_out), 0)                  \
  TWIN(int, CalcLogTriangularDistributionByMl2Perc,                                         \
       (int max_iter, double tolerance, double ml, double x1, double x2, double p1,         \
        double p2, double* ml_out, double* min_out, double* max_out),                       \
       (max_iter, tolerance, ml, x1, x2, p1, p2, ml_out, min_out, max_out), 0)              \
  TWIN(int, CalcLogTriangularDistributionByMin2Perc,                                        \
       (int max_iter, double tolerance, double min, double x1, double x2, double p1,        \
        double p2, double* ml_out, double* min_out, double* max_out),                       \
       (max_iter, tolerance, min, x1, x2, p1, p2, ml_out, min_out, max_out), 0)             \
  TWIN(int, CalcLogTriangularDistributionByMax2Perc,                                        \
       (int max_iter, double tolerance, double max, double x1, double x2, double p1,        \
        double p2, double* ml_out, double* min_out, double* max_out),                       \
       (max_iter, tolerance, max, x1, x2, p1, p2, ml_out, min_out, max_out), 0)             \
  TWIN(int, CalcLogTriangularDistributionBy3Perc,                                           \
       (int max_iter, double tolerance, double x1, double x2, double x3, double p1,         \
        double p2, double p3, double* ml_out, double* min_out, double* max_out),            \
       (max_iter, tolerance, x1, x2, x3, p1, p2, p3, ml_out, min_out, max_out), 0)

/* Pert (ml, min, max): every case is a simplex fit and writes ml, min, max.
   The two-percentile fits take each value next to its percent. */
#define STOKA_FIT_PERT(TWIN)                                                                \
  TWIN(int, CheckParamsPertMinMLPerc, (double min, double ml, double p, double x),         \
       (min, ml, p, x), 0)                                                                  \
  TWIN(int, CheckParamsPertMinMaxPerc, (double min, double max, double p, double x),       \
       (min, max, p, x), 0)                                                                 \
  TWIN(int, CheckParamsPertMLMaxPerc, (double ml, double max, double p, double x),         \
       (ml, max, p, x), 0)                                                                  \
  TWIN(int, CheckParamsPertMin2Perc,                                                        \
       (double min, double p1, double x1, double p2, double x2), (min, p1, x1, p2, x2), 0)  \
  TWIN(int, CheckParamsPertMax2Perc,                                                        \
       (double max, double p1, double x1, double p2, double x2), (max, p1, x1, p2, x2), 0)  \
  /* ml is not examined. */                                                                 \
  TWIN(int, CheckParamsPertML2Perc,                                                         \
       (double ml, double p1, double x1, double p2, double x2), (ml, p1, x1, p2, x2), 0)    \
  TWIN(int, CheckParamsPert3Perc,                                                           \
       (double p1, double x1, double p2, double x2, double p3, double x3),                  \
       (p1, x1, p2, x2, p3, x3), 0)                                                         \
  TWIN(int, CalcPertDistributionByMinMlPerc,                                                \
       (int max_iter, double tolerance, double min, double ml, double x, double p,          \
        double* ml_out, double* min_out, double* max_out),                                  \
       (max_iter, tolerance, min, ml, x, p, ml_out, min_out, max_out), 0)                   \
  TWIN(int, CalcPertDistributionByMaxMinPerc,                                               \
       (int max_iter, double tolerance, double max, double min, double x, double p,         \
        double* ml_out, double* min_out, double* max_out),                                  \
       (max_iter, tolerance, max, min, x, p, ml_out, min_out, max_out), 0)                  \
  TWIN(int, CalcPertDistributionByMaxMlPerc,                                                \
       (int max_iter, double tolerance, double max, double ml, double x, double p,          \
        double* ml_out, double* min_out, double* max_out),                                  \
       (max_iter, tolerance, max, ml, x, p, ml_out, min_out, max_out), 0)                   \
  TWIN(int, CalcPertDistributionByMin2Perc,                                                 \
       (int max_iter, double tolerance, double min, double x1, double p1, double x2,        \
        double p2, double* ml_out, double* min_out, double* max_out),                       \
       (max_iter, tolerance, min, x1, p1, x2, p2, ml_out, min_out, max_out), 0)             \
  TWIN(int, CalcPertDistributionByMax2Perc,                                                 \
       (int max_iter, double tolerance, double max, double x1, double p1, double x2,        \
        double p2, double* ml_out, double* min_out, double* max_out),                       \
       (max_iter, tolerance, max, x1, p1, x2, p2, ml_out, min_out, max_out), 0)             \
  TWIN(int, CalcPertDistributionByMl2Perc,                                                  \
       (int max_iter, double tolerance, double ml, double x1, double p1, double x2,         \
        double p2, double* ml_out, double* min_out, double* max_out),                       \
       (max_iter, tolerance, ml, x1, p1, x2, p2, ml_out, min_out, max_out), 0)              \
  TWIN(int, CalcPertDistributionBy3Perc,                                                    \
       (int max_iter, double tolerance, double x1, double x2, double x3, double p1,         \
        double p2, double p3, double* ml_out, double* min_out, double* max_out),            \
       (max_iter, tolerance, x1, x2, x3, p1, p2, p3, ml_out, min_out, max_out), 0)

/* Beta (alpha, beta) on [min, max]: every case is a simplex fit and writes
   alpha, beta, min, max. A fixed shape must exceed 0.3 (by 1e-4) and two fixed
   shapes must sum to less than 100000; fixed bounds are not compared with the
   values. */
#define STOKA_FIT_BETA(TWIN)                                                                 \
  TWIN(int, CheckParamsBeta4Perc,                                                            \
       (double p1, double x1, double p2, double x2, double p3, double x3, double p4,         \
        double x4),                                                                          \
       (p1, x1, p2, x2, p3, x3, p4, x4), 0)                                                  \
  TWIN(int, CheckParamsBetaAlpha3Perc,                                                       \
       (double alpha, double p1, double x1, double p2, double x2, double p3, double x3),    \
       (alpha, p1, x1, p2, x2, p3, x3), 0)                                                   \
  TWIN(int, CheckParamsBetaBeta3Perc,                                                        \
       (double beta, double p1, double x1, double p2, double x2, double p3, double x3),     \
       (beta, p1, x1, p2, x2, p3, x3), 0)                                                    \
  TWIN(int, CheckParamsBetaMin3Perc,                                                         \
       (double min, double p1, double x1, double p2, double x2, double p3, double x3),      \
       (min, p1, x1, p2, x2, p3, x3), 0)                                                     \
  TWIN(int, CheckParamsBetaMax3Perc,                                                         \
       (double max, double p1, double x1, double p2, double x2, double p3, double x3),      \
       (max, p1, x1, p2, x2, p3, x3), 0)                                                     \
  TWIN(int, CheckParamsBetaAlphaBeta2Perc,                                                   \
       (double alpha, double beta, double p1, double x1, double p2, double x2),             \
       (alpha, beta, p1, x1, p2, x2), 0)                                                     \
  TWIN(int, CheckParamsBetaMinAlpha2Perc,                                                    \
       (double min, double alpha, double p1, double x1, double p2, double x2),              \
       (min, alpha, p1, x1, p2, x2), 0)                                                      \
  TWIN(int, CheckParamsBetaMinBeta2Perc,                                                     \
       (double min, double beta, double p1, double x1, double p2, double x2),               \
       (min, beta, p1, x1, p2, x2), 0)                                                       \
  TWIN(int, CheckParamsBetaMaxAlpha2Perc,                                                    \
       (double max, double alpha, double p1, double x1, double p2, double x2),              \
       (max, alpha, p1, x1, p2, x2), 0)                                                      \
  TWIN(int, CheckParamsBetaMaxBeta2Perc,                                                     \
       (double max, double beta, double p1, double x1, double p2, double x2),               \
       (max, beta, p1, x1, p2, x2), 0)                                                       \
  TWIN(int, CheckParamsBetaMinMax2Perc,                                                      \
       (double min, double max, double p1, double x1, double p2, double x2),                \
       (min, max, p1, x1, p2, x2), 0)                                                        \
  TWIN(int, CheckParamsBetaMinAlphaBetaPerc,                                                 \
       (double min, double alpha, double beta, double p, double x), (min, alpha, beta, p, x), \
       0)                                                                                    \
  TWIN(int, CheckParamsBetaMaxAlphaBetaPerc,                                                 \
       (double max, double alpha, double beta, double p, double x), (max, alpha, beta, p, x), \
       0)                                                                                    \
  TWIN(int, CheckParamsBetaMinMaxAlphaPerc,                                                  \
       (double min, double max, double alpha, double p, double x), (min, max, alpha, p, x), \
       0)                                                                                    \
  TWIN(int, CheckParamsBetaMinMaxBetaPerc,                                                   \
       (double min, double max, double beta, double p, double x), (min, max, beta, p, x), 0) \
  TWIN(int, CalcBetaDistributionBy4Perc,                                                     \
       (int max_iter, double tolerance, double x1, double x2, double x3, double x4,         \
        double p1, double p2, double p3, double p4, double* alpha_out, double* beta_out,    \
        double* min_out, double* max_out),                                                   \
       (max_iter, tolerance, x1, x2, x3, x4, p1, p2, p3, p4, alpha_out, beta_out, min_out,  \
        max_out),                                                                            \
       0)                                                                                    \
  STOKA_FIT_BETA_3PERC(TWIN, Alpha3Perc, alpha)                                              \
  STOKA_FIT_BETA_3PERC(TWIN, Beta3Perc, beta)                                                \
  STOKA_FIT_BETA_3PERC(TWIN, Min3Perc, min)                                                  \
  STOKA_FIT_BETA_3PERC(TWIN, Max3Perc, max)                                                  \
  STOKA_FIT_BETA_2PERC(TWIN, AlphaBeta2Perc, alpha, beta)                                    \
  STOKA_FIT_BETA_2PERC(TWIN, AlphaMin2Perc, alpha, min)                                      \
  STOKA_FIT_BETA_2PERC(TWIN, AlphaMax2Perc, alpha, max)                                      \
  STOKA_FIT_BETA_2PERC(TWIN, BetaMin2Perc, beta, min)                                        \
  STOKA_FIT_BETA_2PERC(TWIN, BetaMax2Perc, beta, max)                                        \
  STOKA_FIT_BETA_2PERC(TWIN, MinMax2Perc, min, max)                                          \
  STOKA_FIT_BETA_1PERC(TWIN, AlphaBetaMinPerc, alpha, beta, min)                             \
  STOKA_FIT_BETA_1PERC(TWIN, AlphaBetaMaxPerc, alpha, beta, max)                             \
  STOKA_FIT_BETA_1PERC(TWIN, AlphaMinMaxPerc, alpha, min, max)                               \
  STOKA_FIT_BETA_1PERC(TWIN, BetaMinMaxPerc, beta, min, max)

/* The Beta fitters with fixed parameters share one shape: iteration limit,
   tolerance, the fixed parameters, the values, the percents, then alpha, beta,
   min, max out. */
#define STOKA_FIT_BETA_3PERC(TWIN, given, a)                                                 \
  TWIN(int, CalcBetaDistributionBy##given,                                                   \
       (int max_iter, double tolerance, double a, double x1, double x2, double x3,          \
        double p1, double p2, double p3, double* alpha_out, double* beta_out,               \
        double* min_out, double* max_out),                                                   \
       (max_iter, tolerance, a, x1, x2, x3, p1, p2, p3, alpha_out, beta_out, min_out,       \
        max_out),                                                                            \
       0)
#define STOKA_FIT_BETA_2PERC(TWIN, given, a, b)                                              \
  TWIN(int, CalcBetaDistributionBy##given,                                                   \
       (int max_iter, double tolerance, double a, double b, double x1, double x2, double p1, \
        double p2, double* alpha_out, double* beta_out, double* min_out, double* max_out),  \
       (max_iter, tolerance, a, b, x1, x2, p1, p2, alpha_out, beta_out, min_out, max_out),  \
       0)
#define STOKA_FIT_BETA_1PERC(TWIN, given, a, b, c)                                           \
  TWIN(int, CalcBetaDistributionBy##given,                                                   \
       (int max_iter, double tolerance, double a, double b, double c, double x, double p,   \
        double* alpha_out, double* beta_out, double* min_out, double* max_out),             \
       (max_iter, tolerance, a, b, c, x, p, alpha_out, beta_out, min_out, max_out), 0)

#endif
