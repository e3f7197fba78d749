// libstoka object interface: life cycle, random sources, tolerances and the
// percentile conventions and checks that every fitter shares.
#ifndef STOKA_CORE_HPP
#define STOKA_CORE_HPP

#include <gsl/gsl_rng.h>

#include "stoka/types.h"

// The stream with its saved states, the tolerances and tables, and the
// percent codes, as the flat interface publishes them.
extern "C" {
#include "stoka/flat/core.h"
}

// Life cycle and the GSL stream.
STOKA_API void stoka_init_();
STOKA_API void stoka_done_();
STOKA_API void stoka_ran_poke_state_();
STOKA_API void stoka_ran_peek_state_();
STOKA_API void stoka_ran_seed_(uint32_t seed);
STOKA_API void stoka_seed_all_(uint32_t seed);
STOKA_API double stoka_ran_uniform_();

// The runtime generator, the C runtime's rand(), which the library never
// seeds: k / 32767 for k in 0..32767 (both ends possible).
STOKA_API double KessaRandom();
// A position in 0..n-1; 0 for n <= 0. Up to 32768 the plain remainder of one
// draw; above, three draws are combined so that every position is reachable.
STOKA_API int KessaRandomInt(int n);

// Diagnostic channel: discards what it is given.
STOKA_API void debug_log(const char* format, ...);
STOKA_API void init_logging();
STOKA_API void destroy_logging();

// Tolerance comparisons.
STOKA_API int IsDoubleZero(double a, double b, double tolerance);
STOKA_API int IsDoubleZeroVal(double x);
STOKA_API int IsDoubleLess(double a, double b, double tolerance);
STOKA_API int IsDoubleLess(double a, double b);

// Percentile conversions and the table normal quantile.
STOKA_API double InvertPercentile(double p);
STOKA_API double PercentileMultiply100(double f);
STOKA_API double erf_inv(double x);
STOKA_API double erf_invPerc(double c);
STOKA_API double erf_mult_sqrt(double f);
STOKA_API int _p_gauss_perc(int percent, double* z);
STOKA_API void FillArrayByVal(double* array, double value, double count);

// Argument checks: 1 when the condition holds, 0 otherwise.
STOKA_API int CheckMinMax_(double min, double max);
STOKA_API int CheckMLMinMax_(double min, double ml, double max);
STOKA_API int CheckMLMin_(double ml, double min);
STOKA_API int CheckMLMax_(double ml, double max);
STOKA_API int CheckPercMin_(double x, double min);
STOKA_API int CheckPercMax_(double x, double max);
STOKA_API int CheckPercMinMax_(double min, double x, double max);
STOKA_API int CheckSigma_(double sigma);
STOKA_API int CheckSigmaGeo_(double gsd);
STOKA_API int CheckMeanGeo_(double gm);
STOKA_API int CompareWithLocation_(double location, double x);
STOKA_API int CheckPercentile_(double c);
STOKA_API int CheckPercentilesEquality_(double c1, double c2);
STOKA_API int CheckPercentilesConformity_(double c1, double x1, double c2, double x2);
// Throws the kind (an int) for a kind other than 0, 1 or 2 when c != 50.
STOKA_API int CheckLognormLocationMeanPerc_(int kind, double location, double mean, double c,
                                            double x);
STOKA_API int CheckOneBetaParam_(double a);
STOKA_API int CheckBetaParamsConformity_(double a, double b);
STOKA_API int CheckBothBetaParams_(double a, double b);

STOKA_API void Sort2Percentiles_(double c1, double x1, double c2, double x2, double* c1_out,
                                 double* x1_out, double* c2_out, double* x2_out);
STOKA_API void Sort3Percentiles_(double c1, double x1, double c2, double x2, double c3, double x3,
                                 double* c1_out, double* x1_out, double* c2_out, double* x2_out,
                                 double* c3_out, double* x3_out);
STOKA_API void Sort4Percentiles_(double c1, double x1, double c2, double x2, double c3, double x3,
                                 double c4, double x4, double* c1_out, double* x1_out,
                                 double* c2_out, double* x2_out, double* c3_out, double* x3_out,
                                 double* c4_out, double* x4_out);

#endif
