/* Flat functions of libstoka: distribution handles and the continuous
   families. Included by stoka.h. */
#ifndef STOKA_FLAT_CALC_H
#define STOKA_FLAT_CALC_H

#define STOKA_FLAT_CALC(TWIN, FLAT)                                                      \
  /* Creators: 1 and the new handle in *out, or 0 with *out untouched when the       \
     parameters are rejected (or memory runs out). The three-parameter families take  \
     the most likely value first, then the minimum, then the maximum. */               \
  FLAT(int, CreateUniformDistribution, (double min, double max, IDistribution** out))  \
  FLAT(int, CreateNormalDistribution, (double mean, double sigma, IDistribution** out)) \
  FLAT(int, CreateLogNormalDistribution,                                               \
       (double mu, double sigma, double location, IDistribution** out))                \
  FLAT(int, CreateTriangularDistribution,                                              \
       (double ml, double min, double max, IDistribution** out))                       \
  FLAT(int, CreateLogTriangularDistribution,                                           \
       (double ml, double min, double max, IDistribution** out))                       \
  FLAT(int, CreatePertDistribution, (double ml, double min, double max, IDistribution** out)) \
  FLAT(int, CreateBetaDistribution,                                                    \
       (double alpha, double beta, double min, double max, IDistribution** out))       \
  /* Destroyers: any family's handle; *handle is NULL afterwards. A handle that is   \
     not a live distribution (destroyed already, another kind) is left alone. */      \
  FLAT(void, DestroyUniformDistribution, (IDistribution** handle))                     \
  FLAT(void, DestroyNormalDistribution, (IDistribution** handle))                      \
  FLAT(void, DestroyLogNormalDistribution, (IDistribution** handle))                   \
  FLAT(void, DestroyTriangularDistribution, (IDistribution** handle))                  \
  FLAT(void, DestroyLogTriangularDistribution, (IDistribution** handle))               \
  FLAT(void, DestroyPertDistribution, (IDistribution** handle))                        \
  FLAT(void, DestroyBetaDistribution, (IDistribution** handle))                        \
  FLAT(void, DestroyBernoulliDistribution, (IDistribution** handle))                   \
  FLAT(void, DestroyDiscreteDistribution, (IDistribution** handle))                    \
  FLAT(void, DestroyDiscreteUniformDistribution, (IDistribution** handle))             \
  FLAT(void, DestroyConstantDistribution, (IDistribution** handle))                    \
  /* Queries. A NULL handle gives -1 (CDF, PDF, SF), +inf (inverse CDF, minimum),     \
     -inf (maximum) or NULL (name). The name is a constant text: never free it. */    \
  FLAT(double, GetCDFValue, (IDistribution* handle, double x))                         \
  FLAT(double, GetPDFValue, (IDistribution* handle, double x))                         \
  FLAT(double, GetInverseCDFValue, (IDistribution* handle, double p))                  \
  FLAT(double, GetSFValue, (IDistribution* handle, double x))                          \
  /* The same four queries over n inputs: out[i] is what the one-value function     \
     gives for x[i] (x and out may be the same array). n, or 0 with nothing written  \
     for a NULL handle, a NULL array or n < 1. */                                    \
  FLAT(int, GetCDFValues, (IDistribution* handle, int n, const double* x, double* out)) \
  FLAT(int, GetPDFValues, (IDistribution* handle, int n, const double* x, double* out)) \
  FLAT(int, GetInverseCDFValues,                                                       \
       (IDistribution* handle, int n, const double* p, double* out))                   \
  FLAT(int, GetSFValues, (IDistribution* handle, int n, const double* x, double* out))  \
  /* Support. */                                                                       \
  FLAT(double, GetMinValue, (IDistribution* handle))                                   \
  FLAT(double, GetMaxValue, (IDistribution* handle))                                   \
  FLAT(const char*, GetDistributionName, (IDistribution* handle))                      \
  /* Uniform on [min, max]. */                                                          \
  TWIN(double, UniformPDFValue, (double min, double max, double x), (min, max, x), STOKA_NAN) \
  TWIN(double, UniformCDFValue, (double min, double max, double x), (min, max, x), STOKA_NAN) \
  TWIN(double, UniformValueByCDF, (double min, double max, double p), (min, max, p),   \
       STOKA_NAN)                                                                      \
  TWIN(double, UniformRandom, (double min, double max, stoka_uniform_fn fn), (min, max, fn), \
       STOKA_NAN)                                                                      \
  TWIN(int, CheckParamsUniform, (double min, double max), (min, max), 0)               \
  /* Triangular and LogTriangular with mode ml on [min, max]. */                       \
  TWIN(double, TriangularPDFValue, (double min, double max, double ml, double x),      \
       (min, max, ml, x), STOKA_NAN)                                                   \
  TWIN(double, TriangularCDFValue, (double min, double max, double ml, double x),      \
       (min, max, ml, x), STOKA_NAN)                                                   \
  TWIN(double, TriangularValueByCDF, (double min, double max, double ml, double p),    \
       (min, max, ml, p), STOKA_NAN)                                                   \
  TWIN(double, TriangularRandom, (double min, double max, double ml, stoka_uniform_fn fn), \
       (min, max, ml, fn), STOKA_NAN)                                                  \
  TWIN(double, LogTriangularPDFValue, (double min, double max, double ml, double x),   \
       (min, max, ml, x), STOKA_NAN)                                                   \
  TWIN(double, LogTriangularCDFValue, (double min, double max, double ml, double x),   \
       (min, max, ml, x), STOKA_NAN)                                                   \
  TWIN(double, LogTriangularValueByCDF, (double min, double max, double ml, double p), \
       (min, max, ml, p), STOKA_NAN)                                                   \
  TWIN(double, LogTriangularRandom,                                                    \
       (double min, double max, double ml, stoka_uniform_fn fn), (min, max, ml, fn), STOKA_NAN) \
  /* Normal, shifted LogNormal, Beta, Pert, shifted Exponential. Random draws come    \
     from the GSL stream. Beta and Pert densities integrate to 1 on [min, max]. */    \
  TWIN(double, stoka_ran_gaussian, (double mean, double sigma), (mean, sigma), STOKA_NAN) \
  TWIN(double, stoka_ran_gaussian_pdf, (double x, double mean, double sigma),          \
       (x, mean, sigma), STOKA_NAN)                                                    \
  TWIN(double, stoka_ran_gaussian_cdf, (double x, double mean, double sigma),          \
       (x, mean, sigma), STOKA_NAN)                                                    \
  TWIN(double, stoka_ran_gaussian_cdf_inv, (double p, double mean, double sigma),      \
       (p, mean, sigma), STOKA_NAN)                                                    \
  TWIN(double, stoka_ran_lognormal, (double location, double mu, double sigma),        \
       (location, mu, sigma), STOKA_NAN)                                               \
  TWIN(double, stoka_ran_lognormal_pdf, (double x, double location, double mu, double sigma), \
       (x, location, mu, sigma), STOKA_NAN)                                            \
  TWIN(double, stoka_ran_lognormal_cdf, (double x, double location, double mu, double sigma), \
       (x, location, mu, sigma), STOKA_NAN)                                            \
  TWIN(double, stoka_ran_lognormal_cdf_inv,                                            \
       (double p, double location, double mu, double sigma), (p, location, mu, sigma), \
       STOKA_NAN)                                                                      \
  TWIN(double, stoka_ran_beta, (double min, double scale, double alpha, double beta),  \
       (min, scale, alpha, beta), STOKA_NAN)                                           \
  TWIN(double, stoka_ran_beta_pdf,                                                     \
       (double x, double min, double scale, double alpha, double beta),                \
       (x, min, scale, alpha, beta), STOKA_NAN)                                        \
  TWIN(double, stoka_ran_beta_cdf,                                                     \
       (double x, double min, double scale, double alpha, double beta),                \
       (x, min, scale, alpha, beta), STOKA_NAN)                                        \
  /** Unlike stoka_ran_beta_cdf_inv_ this takes (p, min, scale, alpha, beta). */       \
  FLAT(double, stoka_ran_beta_cdf_inv,                                                 \
       (double p, double min, double scale, double alpha, double beta))                \
  TWIN(double, stoka_ran_pert, (double min, double max, double ml), (min, max, ml), STOKA_NAN) \
  TWIN(double, stoka_ran_pert_pdf, (double x, double min, double max, double ml),      \
       (x, min, max, ml), STOKA_NAN)                                                   \
  TWIN(double, stoka_ran_pert_cdf, (double x, double min, double max, double ml),      \
       (x, min, max, ml), STOKA_NAN)                                                   \
  TWIN(double, stoka_ran_pert_cdf_inv, (double p, double min, double max, double ml),  \
       (p, min, max, ml), STOKA_NAN)                                                   \
  TWIN(double, stoka_ran_exponential, (double shift, double mu), (shift, mu), STOKA_NAN) \
  TWIN(double, stoka_ran_exponential_pdf, (double x, double shift, double mu),         \
       (x, shift, mu), STOKA_NAN)                                                      \
  TWIN(double, stoka_ran_exponential_cdf, (double x, double shift, double mu),         \
       (x, shift, mu), STOKA_NAN)                                                      \
  TWIN(double, stoka_ran_exponential_cdf_inv, (double p, double shift, double mu),     \
       (p, shift, mu), STOKA_NAN)                                                      \
  /* Checks of complete parameter sets (1 valid, 0 not; -1 unknown lognormal kind). */ \
  TWIN(int, CheckParamsNormalMeanSigma, (double mean, double sigma), (mean, sigma), 0) \
  TWIN(int, CheckParamsLogNormalLocMeanSigma,                                          \
       (int kind, double location, double mean, double sigma),                         \
       (kind, location, mean, sigma), -1)                                              \
  TWIN(int, CheckParamsTriangularMinMLMax, (double min, double ml, double max),        \
       (min, ml, max), 0)                                                              \
  TWIN(int, CheckParamsPertMinMLMax, (double min, double ml, double max), (min, ml, max), 0) \
  TWIN(int, CheckParamsBetaMinMaxAlphaBeta,                                            \
       (double min, double max, double alpha, double beta), (min, max, alpha, beta), 0)

#endif
