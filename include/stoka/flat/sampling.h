/* Flat functions of libstoka: generation methods and the Latin hypercube
   design. Included by stoka.h; see there for the meaning of TWIN and FLAT. */
#ifndef STOKA_FLAT_SAMPLING_H
#define STOKA_FLAT_SAMPLING_H

#define STOKA_FLAT_SAMPLING(TWIN, FLAT)                                                   \
  /* Creators. min and max are probabilities (0 and 1 for the whole distribution).   \
     The method does not own the distribution, which must outlive it. *out receives   \
     the new handle, or NULL for a NULL distribution, a count below 1 or quantiles    \
     at min and max that are not strictly increasing (Latin hypercube). After 4096   \
     draws, a Monte Carlo method over a Normal, LogNormal, LogTriangular, Beta or     \
     Pert distribution keeps the quantile of each of the runtime generator's 32768    \
     outcomes as they come up (260 KiB, freed with the method): the same values,      \
     computed once. */                                                                \
  FLAT(void, CreateLatinCubeMethod,                                                   \
       (AbstractGenerationMethod** out, IDistribution* distribution, double min,      \
        double max, int count))                                                       \
  FLAT(void, CreateMonteCarloMethod,                                                  \
       (AbstractGenerationMethod** out, IDistribution* distribution, double min,      \
        double max))                                                                  \
  /* Destroyers: any method (or NULL); *handle is NULL afterwards. A handle that is \
     not a live method is left alone; a method whose distribution was destroyed    \
     (which answers as NULL everywhere else) is destroyed. */                       \
  FLAT(void, DestroyLatinCubeMethod, (AbstractGenerationMethod** handle))             \
  FLAT(void, DestroyMonteCarloMethod, (AbstractGenerationMethod** handle))            \
  /* Draws and the window of a method. */                                           \
  /** One draw: its value, and the probability position it was drawn from (absolute \
     for Monte Carlo, unit position within the window for Latin hypercube). Draws   \
     are finite; NaN for a NULL handle or a window that holds no finite value. */    \
  FLAT(void, GetRandomValueFromMethod,                                                \
       (AbstractGenerationMethod* handle, double* value, double* probability))        \
  /** n draws in a row into values[0..n) and their positions into probabilities   \
     (which may be NULL): exactly what n calls of GetRandomValueFromMethod give, the \
     same runtime-generator sequence and the same state afterwards (see stoka.h on  \
     threads). A Monte Carlo call of 65536 draws or more over one of the library's  \
     families reads a table of the runtime generator's 32768 outcomes (512 KiB,    \
     freed on return). n, or 0 with nothing written for a NULL handle, NULL values  \
     or n < 1. */                                                                     \
  FLAT(int, GetRandomValuesFromMethod,                                                \
       (AbstractGenerationMethod* handle, int n, double* values, double* probabilities)) \
  /** The window by values of the random variable: converted with the CDF; ignored  \
     unless max > min. Over a discrete family the window opens just above P(X < min), \
     so the lowest value at or above min keeps its whole probability. A Latin         \
     hypercube method starts a new cycle. */                                          \
  FLAT(void, MethodSetBounds, (AbstractGenerationMethod* handle, double min, double max)) \
  /** The quantiles at the window's ends (an infinite end reads as 0 or 1): for a   \
     window set by values over a discrete family, the lowest and highest values it    \
     draws. NaN for a NULL handle. */                                                 \
  FLAT(void, MethodGetBounds,                                                         \
       (AbstractGenerationMethod* handle, double* min, double* max))                  \
  /* Latin hypercube design from the GSL stream. Arrays are allocated with malloc:  \
     the caller frees them with free(); NULL for counts below 1 (or no memory). */  \
  /** m x n uniforms, column after column. */                                         \
  FLAT(double*, r8mat_uniform_01_new, (int m, int n))                                 \
  /** A uniform integer in [a, b]. */                                                 \
  FLAT(int, i4_uniform_ab, (int a, int b))                                            \
  /** A uniform permutation of 0..n-1. */                                             \
  FLAT(int*, perm_uniform_new, (int n))                                               \
  /** dim_num x point_num, column after column: each dimension holds one point in   \
     each of the point_num equal strata of [0, 1]. */                                 \
  FLAT(double*, latin_random_new, (int dim_num, int point_num))

#endif
