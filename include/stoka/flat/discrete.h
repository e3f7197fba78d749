/* Flat functions of libstoka: discrete. Included by stoka.h; see there for the
   meaning of TWIN and FLAT. Exported variables of this group stand here too. */
#ifndef STOKA_FLAT_DISCRETE_H
#define STOKA_FLAT_DISCRETE_H

#define STOKA_FLAT_DISCRETE(TWIN, FLAT)                                                  \
  /* Creators: 1 and the new handle in *out, or 0 with *out untouched. Bernoulli      \
     needs 0 <= p <= 1. The generic discrete creators copy count values (each of     \
     weight 1, or of the given weights; duplicates accumulate); they return 0 for a  \
     NULL array with count > 0, a count above 2^26 (refused before any element of   \
     the arrays is read), a NaN value, a total weight above 2^26, or count > 0      \
     values whose weights are all 0. A count of 0 gives an empty set, whose bounds, \
     queries and draws are NaN. The discrete uniform takes the integers min..max;   \
     0 for min > max or more than 2^26 of them. A set keeps one entry per distinct  \
     value (a discrete uniform its range alone), however large the weights. The     \
     constant refuses NaN. Destroy them with any Destroy...Distribution. */         \
  FLAT(int, CreateBernoulliDistribution, (double p, IDistribution** out))             \
  FLAT(int, CreateDiscreteDistribution,                                               \
       (const double* values, unsigned count, IDistribution** out))                  \
  FLAT(int, CreateDiscreteDistributionWeighted,                                       \
       (const double* values, const unsigned* weights, unsigned count,               \
        IDistribution** out))                                                        \
  FLAT(int, CreateDiscreteUniformDistribution, (int min, int max, IDistribution** out)) \
  FLAT(int, CreateConstantDistribution, (double value, IDistribution** out))          \
  /* Bounded density, cumulative probability and quantile of any handle (the value   \
     comes first); NaN for a NULL handle. */                                         \
  FLAT(double, GenericDiscretePDFValue, (double x, IDistribution* handle))            \
  FLAT(double, GenericDiscreteCDFValue, (double x, IDistribution* handle))            \
  FLAT(double, GenericDiscreteValueByCDF, (double p, IDistribution* handle))          \
  /* The values of a generic discrete, discrete uniform, constant or Bernoulli       \
     handle in ascending order, each repeated as often as its weight, with their     \
     number in *count. The array is written out on the first call (8 bytes an       \
     element: 512 MiB for 2^26), belongs to the handle and stays valid until it is  \
     refilled or destroyed. NULL and *count = 0 for an empty set, a NULL handle or  \
     a handle of a continuous family, or when the array cannot be allocated. */     \
  FLAT(const double*, GenericDiscreteGetValues, (IDistribution* handle, unsigned* count)) \
  /* Replace the set of a generic discrete, discrete uniform or constant handle      \
     (which becomes a plain generic discrete one). Nothing changes for a NULL        \
     handle, a Bernoulli or continuous handle, or values the creators refuse (a     \
     count above 2^26 before any element is read, weights all 0, ...). */           \
  FLAT(void, GenericDiscreteSetValues,                                                \
       (IDistribution* handle, unsigned n, const double* values))                    \
  FLAT(void, GenericDiscreteSetWeightedValues,                                        \
       (IDistribution* handle, unsigned n, const double* values,                     \
        const unsigned* weights))                                                    \
  /* Bernoulli with success probability p. Check: 1 for 0 <= p <= 1, else 0.        \
     PDF: p at x = 1 (within tolerance), 1 - p at x = 0 (within 1e-6), else 0.      \
     CDF: 0 for x <= 0, 1 - p below 1, 1 from 1 on. Random: 1 if p > fn() or        \
     p >= 1, else 0 (NaN for a NULL fn). Approx: *out = the same outcome for u,     \
     u = fn() when u < 0; returns 1, or 0 with nothing written for a NULL out (or   \
     u < 0 and a NULL fn). GetCount: 2 outcomes; GetEvent: 0 for i = 0, else 1. */  \
  TWIN(int, CheckParamsBernoulli, (double p), (p), 0)                                 \
  TWIN(double, BernoulliPDFValue, (double tolerance, double p, double x),             \
       (tolerance, p, x), STOKA_NAN)                                                 \
  TWIN(double, BernoulliCDFValue, (double p, double x), (p, x), STOKA_NAN)            \
  TWIN(double, BernoulliRandom, (double p, stoka_uniform_fn fn), (p, fn), STOKA_NAN)  \
  TWIN(int, BernoulliApprox, (double* out, double u, double p, stoka_uniform_fn fn),  \
       (out, u, p, fn), 0)                                                           \
  TWIN(int, BernoulliGetCount, (void), (), 0)                                         \
  TWIN(int, BernoulliGetEvent, (int i), (i), -1)                                      \
  /* The constant: GetConstantDistribution returns value. ConstantPDFValue and      \
     ConstantCDFValue know no constant and are 0 for every x; query a constant     \
     handle for its real density and cumulative probability. */                     \
  TWIN(double, GetConstantDistribution, (double value), (value), STOKA_NAN)           \
  TWIN(double, ConstantPDFValue, (double x), (x), STOKA_NAN)                          \
  TWIN(double, ConstantCDFValue, (double x), (x), STOKA_NAN)

#endif
