// Shifted exponential with mean mu: free functions only, draws from the GSL stream.
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_randist.h>

#include <limits>

#include "core/constants.hpp"
#include "core/stream.hpp"
#include "stoka/continuous.hpp"

double stoka_ran_exponential_(double shift, double mu) {
  return shift + gsl_ran_exponential(stoka_rng(), mu);
}
double stoka_ran_exponential_pdf_(double x, double shift, double mu) {
  return gsl_ran_exponential_pdf(x - shift, mu);
}
double stoka_ran_exponential_cdf_(double x, double shift, double mu) {
  return gsl_cdf_exponential_P(x - shift, mu);
}
double stoka_ran_exponential_cdf_inv_(double p, double shift, double mu) {
  // GSL's other inverses answer NaN for p outside [0, 1]; this one would give
  // a value below the shift for p < 0.
  if (p < 0) return stoka::kNaN;
  return gsl_cdf_exponential_Pinv(p, mu) + shift;
}
