// Shifted LogNormal: ln(X - location) is normal with mean mu and deviation
// sigma. GSL's lognormal, shifted; draws come from the GSL stream.
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_randist.h>

#include <cmath>
#include <limits>

#include "core/stream.hpp"
#include "stoka/continuous.hpp"

double stoka_ran_lognormal_(double location, double mu, double sigma) {
  return gsl_ran_lognormal(stoka_rng(), mu, sigma) + location;
}
double stoka_ran_lognormal_pdf_(double x, double location, double mu, double sigma) {
  return gsl_ran_lognormal_pdf(x - location, mu, sigma);
}
double stoka_ran_lognormal_cdf_(double x, double location, double mu, double sigma) {
  // GSL takes the logarithm of x - location: below the location that is NaN,
  // where the probability is 0.
  if (x < location) return 0.0;
  return gsl_cdf_lognormal_P(x - location, mu, sigma);
}
double stoka_ran_lognormal_cdf_inv_(double p, double location, double mu, double sigma) {
  return gsl_cdf_lognormal_Pinv(p, mu, sigma) + location;
}

int CheckParamsLogNormalLocMeanSigma_(int kind, double location, double mean, double sigma) {
  switch (kind) {
    case 0:
      return sigma > 0 && mean > location;
    case 1:
      return sigma > 0 && location + std::exp(0.5 * sigma * sigma + mean) > location;
    case 2: {
      const double log_gsd = std::log(sigma);
      return sigma > 0 && mean > 0 && location + std::exp(0.5 * log_gsd * log_gsd) * mean > location;
    }
    default:
      return -1;
  }
}

std::string LogNormalRandomGenerator::Name() const { return "LogNormal"; }
double LogNormalRandomGenerator::GenerateRandomValue() {
  return stoka_ran_lognormal_(location_, mu_, sigma_);
}

double LogNormalDistribution::ValueByCDF(double p) const {
  const auto& g = generator();
  return stoka_ran_lognormal_cdf_inv_(p, g.Location(), g.Mu(), g.Sigma());
}
double LogNormalDistribution::XMin() const { return generator().Location(); }
double LogNormalDistribution::XMax() const { return std::numeric_limits<double>::infinity(); }
double LogNormalDistribution::CdfValueImpl(double x) const {
  const auto& g = generator();
  if (g.Location() >= x) return 0.0;
  return gsl_cdf_lognormal_P(x - g.Location(), g.Mu(), g.Sigma());
}
double LogNormalDistribution::PdfValueImpl(double x) const {
  const auto& g = generator();
  if (g.Location() >= x) return 0.0;
  return gsl_ran_lognormal_pdf(x - g.Location(), g.Mu(), g.Sigma());
}
