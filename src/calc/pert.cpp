// Pert(min, ml, max): Beta on [min, max] with shapes a = 1 + 4(ml - min)/(max - min),
// b = 1 + 4(max - ml)/(max - min); mean (min + 4 ml + max)/6.
#include "stoka/continuous.hpp"

void CalcAlphaBetaForPert(double min, double max, double ml, double* alpha, double* beta) {
  *alpha = ((ml - min) * 4.0) / (max - min) + 1;
  *beta = ((max - ml) * 4.0) / (max - min) + 1;
}

void CalcBetaParamsByPert(double min, double max, double ml, double* alpha, double* beta) {
  *alpha = (4.0 * ml + max - 5.0 * min) / (max - min);
  *beta = (5.0 * max - min - 4.0 * ml) / (max - min);
}

double stoka_ran_pert_(double min, double max, double ml) {
  double a, b;
  CalcAlphaBetaForPert(min, max, ml, &a, &b);
  return stoka_ran_beta_(min, max - min, a, b);
}
double stoka_ran_pert_pdf_(double x, double min, double max, double ml) {
  double a, b;
  CalcAlphaBetaForPert(min, max, ml, &a, &b);
  return stoka_ran_beta_pdf_(x, min, max - min, a, b);
}
double stoka_ran_pert_cdf_(double x, double min, double max, double ml) {
  double a, b;
  CalcAlphaBetaForPert(min, max, ml, &a, &b);
  return stoka_ran_beta_cdf_(x, min, max - min, a, b);
}
double stoka_ran_pert_cdf_inv_(double p, double min, double max, double ml) {
  double a, b;
  CalcAlphaBetaForPert(min, max, ml, &a, &b);
  return stoka_ran_beta_cdf_inv_(p, a, b, min, max);
}

int CheckParamsPertMinMLMax_(double min, double ml, double max) {
  return CheckMinMax_(min, max) && CheckMLMinMax_(min, ml, max);
}

std::string PertRandomGenerator::Name() const { return "Pert"; }
double PertRandomGenerator::GenerateRandomValue() { return stoka_ran_pert_(min_, max_, ml_); }

double PertDistribution::ValueByCDF(double p) const {
  const auto& g = generator();
  return stoka_ran_pert_cdf_inv_(p, g.Min(), g.Max(), g.MostLikely());
}
double PertDistribution::XMin() const { return generator().Min(); }
double PertDistribution::XMax() const { return generator().Max(); }
double PertDistribution::CdfValueImpl(double x) const {
  const auto& g = generator();
  return stoka_ran_pert_cdf_(x, g.Min(), g.Max(), g.MostLikely());
}
double PertDistribution::PdfValueImpl(double x) const {
  const auto& g = generator();
  return stoka_ran_pert_pdf_(x, g.Min(), g.Max(), g.MostLikely());
}
