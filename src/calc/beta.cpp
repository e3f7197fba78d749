// Beta(alpha, beta) on [min, max]: the standard beta law of
// z = (x - min)/(max - min). The density is divided by max - min, so that it
// integrates to 1 over [min, max]. Draws come from the GSL stream.
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_randist.h>

#include "stoka/continuous.hpp"

double stoka_ran_beta_(double min, double scale, double alpha, double beta) {
  return min + scale * gsl_ran_beta(stoka_rng(), alpha, beta);
}
double stoka_ran_beta_pdf_(double x, double min, double scale, double alpha, double beta) {
  return gsl_ran_beta_pdf((x - min) / scale, alpha, beta) / scale;
}
double stoka_ran_beta_cdf_(double x, double min, double scale, double alpha, double beta) {
  return gsl_cdf_beta_P((x - min) / scale, alpha, beta);
}
double stoka_ran_beta_cdf_inv_(double p, double alpha, double beta, double min, double max) {
  return min + (max - min) * gsl_cdf_beta_Pinv(p, alpha, beta);
}

int CheckParamsBetaMinMaxAlphaBeta_(double min, double max, double alpha, double beta) {
  return CheckMinMax_(min, max) && CheckBothBetaParams_(alpha, beta);
}

std::string BetaRandomGenerator::Name() const { return "Beta"; }
double BetaRandomGenerator::GenerateRandomValue() {
  return min_ + (max_ - min_) * gsl_ran_beta(stoka_rng(), alpha_, beta_);
}

double BetaDistribution::ValueByCDF(double p) const {
  const auto& g = generator();
  return stoka_ran_beta_cdf_inv_(p, g.Alpha(), g.Beta(), g.Min(), g.Max());
}
double BetaDistribution::XMin() const { return generator().Min(); }
double BetaDistribution::XMax() const { return generator().Max(); }
double BetaDistribution::CdfValueImpl(double x) const {
  const auto& g = generator();
  return stoka_ran_beta_cdf_(x, g.Min(), g.Max() - g.Min(), g.Alpha(), g.Beta());
}
double BetaDistribution::PdfValueImpl(double x) const {
  const auto& g = generator();
  return stoka_ran_beta_pdf_(x, g.Min(), g.Max() - g.Min(), g.Alpha(), g.Beta());
}
