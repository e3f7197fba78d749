/* Flat functions of libstoka: life cycle, random stream, tolerances and
   percentile checks, the output sink. Included by stoka.h. */
#ifndef STOKA_FLAT_CORE_H
#define STOKA_FLAT_CORE_H

/* The process-wide GSL stream (NULL before stoka_init) and the stack of saved
   states: slots below r_stack_count hold clones owned by the library. */
extern STOKA_API gsl_rng* r_global;
extern STOKA_API gsl_rng* r_stack[256];
extern STOKA_API int r_stack_count;

/* Tolerances and tables shared by the fitters. */
extern STOKA_API const double eps;      /* 1e-4 */
extern STOKA_API const double epsilon;  /* 1e-6 */
extern STOKA_API const double kSqrt2;
extern STOKA_API const double erfinv[50];  /* erf^-1(k/50), k = 0..49 */
extern STOKA_API const double p_gauss[9];  /* z at 1,5,10,25,50,75,90,95,99 % */

/* Special percent codes standing for the minimum and the maximum. */
#define kPercentileMin (-2.0)
#define kPercentileMax (-3.0)

#define STOKA_FLAT_CORE(TWIN, FLAT)                                                   \
  /* Life cycle: stoka_init before anything draws from the GSL stream, stoka_done   \
     last. stoka_init also switches GSL's error handler off for the rest of the    \
     process. A stream used before stoka_init (or after stoka_done) is created on  \
     first use, as stoka_init creates it, and the handler is left as it was. */     \
  FLAT(void, stoka_init, (void))                                                    \
  FLAT(void, stoka_done, (void))                                                    \
  /** The version of the library that was loaded, "MAJOR.MINOR.PATCH": compare   \
      it with STOKA_VERSION, the version of the header the host was built with. */ \
  FLAT(const char*, stoka_version, (void))                                          \
  /* The GSL stream: its saved states, its seed, uniform draws. */                  \
  /** Save the stream's state; refused (nothing happens) when 256 are saved. */     \
  TWIN(void, stoka_ran_poke_state, (void), (), STOKA_VOID)                          \
  /** Restore the last saved state; nothing happens when none is saved. */          \
  TWIN(void, stoka_ran_peek_state, (void), (), STOKA_VOID)                          \
  /** Seeds the GSL stream only: draws from the runtime generator (see stoka.h)  \
     do not change. */                                                              \
  TWIN(void, stoka_ran_seed, (uint32_t seed), (seed), STOKA_VOID)                   \
  /** Seeds both random sources from one number: the GSL stream as stoka_ran_seed  \
     does, and the runtime generator with srand(seed), which the host's own rand() \
     shares. The library never seeds either source by itself. */                   \
  TWIN(void, stoka_seed_all, (uint32_t seed), (seed), STOKA_VOID)                   \
  /** A uniform double in [0, 1) from the GSL stream. */                           \
  TWIN(double, stoka_ran_uniform, (void), (), STOKA_NAN)                            \
  /* Argument checks: 1 when the condition holds, 0 otherwise. Percents c are     \
     cumulative percents; x a value; ml the most likely value. */                   \
  TWIN(int, CheckMinMax, (double min, double max), (min, max), 0)                   \
  TWIN(int, CheckMLMin, (double ml, double min), (ml, min), 0)                      \
  TWIN(int, CheckMLMinMax, (double min, double ml, double max), (min, ml, max), 0)  \
  TWIN(int, CheckMLMax, (double ml, double max), (ml, max), 0)                      \
  TWIN(int, CheckSigma, (double sigma), (sigma), 0)                                 \
  TWIN(int, CheckSigmaGeo, (double gsd), (gsd), 0)                                  \
  TWIN(int, CheckMeanGeo, (double gm), (gm), 0)                                     \
  /** -1 for a kind other than 0, 1 or 2 (with c != 50). */                         \
  TWIN(int, CheckLognormLocationMeanPerc,                                           \
       (int kind, double location, double mean, double c, double x),                \
       (kind, location, mean, c, x), -1)                                            \
  TWIN(int, CompareWithLocation, (double location, double x), (location, x), 0)     \
  TWIN(int, CheckPercentile, (double c), (c), 0)                                    \
  TWIN(int, CheckPercentilesConformity, (double c1, double x1, double c2, double x2), \
       (c1, x1, c2, x2), 0)                                                         \
  TWIN(int, CheckPercentilesEquality, (double c1, double c2), (c1, c2), 0)          \
  TWIN(int, CheckPercMin, (double x, double min), (x, min), 0)                      \
  TWIN(int, CheckPercMinMax, (double min, double x, double max), (min, x, max), 0)  \
  TWIN(int, CheckPercMax, (double x, double max), (x, max), 0)                      \
  TWIN(int, CheckOneBetaParam, (double a), (a), 0)                                  \
  TWIN(int, CheckBothBetaParams, (double a, double b), (a, b), 0)                   \
  TWIN(int, CheckBetaParamsConformity, (double a, double b), (a, b), 0)             \
  /* (percent, value) pairs written back in ascending order of percent. */          \
  TWIN(void, Sort2Percentiles,                                                      \
       (double c1, double x1, double c2, double x2, double* c1_out, double* x1_out, \
        double* c2_out, double* x2_out),                                            \
       (c1, x1, c2, x2, c1_out, x1_out, c2_out, x2_out), STOKA_VOID)                \
  TWIN(void, Sort3Percentiles,                                                      \
       (double c1, double x1, double c2, double x2, double c3, double x3,           \
        double* c1_out, double* x1_out, double* c2_out, double* x2_out,             \
        double* c3_out, double* x3_out),                                            \
       (c1, x1, c2, x2, c3, x3, c1_out, x1_out, c2_out, x2_out, c3_out, x3_out),    \
       STOKA_VOID)                                                                  \
  TWIN(void, Sort4Percentiles,                                                      \
       (double c1, double x1, double c2, double x2, double c3, double x3,           \
        double c4, double x4, double* c1_out, double* x1_out, double* c2_out,       \
        double* x2_out, double* c3_out, double* x3_out, double* c4_out,             \
        double* x4_out),                                                            \
       (c1, x1, c2, x2, c3, x3, c4, x4, c1_out, x1_out, c2_out, x2_out, c3_out,     \
        x3_out, c4_out, x4_out),                                                    \
       STOKA_VOID)                                                                  \
  /* Output sink of the progress lines some fitters and statistics print.         \
     Standard output is the default. A callback receives each formatted line;     \
     a NULL callback silences the lines. */                                         \
  FLAT(void, stoka_set_output_callback, (stoka_output_fn callback, void* user))     \
  FLAT(void, stoka_silence_output, (void))                                          \
  FLAT(void, stoka_default_output, (void))

#endif
