// Normal(mean, sigma) from GSL; draws come from the GSL stream.
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_randist.h>

#include <limits>

#include "core/stream.hpp"
#include "stoka/continuous.hpp"

double stoka_ran_gaussian_(double mean, double sigma) {
  return mean + gsl_ran_gaussian(stoka_rng(), sigma);
}
double stoka_ran_gaussian_pdf_(double x, double mean, double sigma) {
  return gsl_ran_gaussian_pdf(x - mean, sigma);
}
double stoka_ran_gaussian_cdf_(double x, double mean, double sigma) {
  return gsl_cdf_gaussian_P(x - mean, sigma);
}
double stoka_ran_gaussian_cdf_inv_(double p, double mean, double sigma) {
  return gsl_cdf_gaussian_Pinv(p, sigma) + mean;
}

int CheckParamsNormalMeanSigma_(double mean, double sigma) { return CheckSigma_(sigma); }

std::string NormalRandomGenerator::Name() const { return "Normal"; }
double NormalRandomGenerator::GenerateRandomValue() { return stoka_ran_gaussian_(mean_, sigma_); }

double NormalDistribution::ValueByCDF(double p) const {
  return stoka_ran_gaussian_cdf_inv_(p, generator().Mean(), generator().Sigma());
}
double NormalDistribution::XMin() const { return -std::numeric_limits<double>::infinity(); }
double NormalDistribution::XMax() const { return std::numeric_limits<double>::infinity(); }
double NormalDistribution::CdfValueImpl(double x) const {
  return stoka_ran_gaussian_cdf_(x, generator().Mean(), generator().Sigma());
}
double NormalDistribution::PdfValueImpl(double x) const {
  return stoka_ran_gaussian_pdf_(x, generator().Mean(), generator().Sigma());
}
