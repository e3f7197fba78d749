// LogTriangular: ln X is triangular on [ln min, ln max] with mode ln ml.
//   F(x) = ln(x/min)^2 / (ln(max/min) ln(ml/min))      for min <= x <= ml,
//   F(x) = 1 - ln(max/x)^2 / (ln(max/ml) ln(max/min))  for ml <= x <= max.
// Every formula uses ratios, so all-negative parameters also define a law.
#include <cmath>

#include "stoka/continuous.hpp"

double LogTriangularPDFValue_(double min, double max, double ml, double x) {
  if (min > x) return 0.0;
  if (ml >= x) return 2 * std::log(x / min) / (x * std::log(max / min) * std::log(ml / min));
  if (max >= x) return 2 * std::log(max / x) / (x * std::log(max / ml) * std::log(max / min));
  return 0.0;
}

namespace {
double LowerCdf(double x, double ml, double min, double max) {
  const double l = std::log(x / min);
  return l * l / (std::log(max / min) * std::log(ml / min));
}
double UpperCdf(double x, double ml, double min, double max) {
  const double l = std::log(max / x);
  return 1 - l * l / (std::log(max / ml) * std::log(max / min));
}
}  // namespace

double LogTriangularCDFValue_(double min, double max, double ml, double x) {
  if (min > x) return 0.0;
  if (ml >= x) return LowerCdf(x, ml, min, max);
  if (max >= x) return UpperCdf(x, ml, min, max);
  return 1.0;
}

double LogTriangularValueByCDF_(double min, double max, double ml, double p) {
  const double fm = std::log(ml / min) / std::log(max / min);
  if (std::fabs(p - fm) < eps) return ml;  // snap to the mode inside the band
  if (fm - p > eps) {
    const double t = std::log(ml / min) * p * std::log(max / min);
    return t < 0 ? min : min * std::exp(std::sqrt(t));
  }
  const double t = std::log(max / ml) * (1 - p) * std::log(max / min);
  return t < 0 ? max : max / std::exp(std::sqrt(t));
}

double LogTriangularRandom_(double min, double max, double ml, stoka_uniform_fn fn) {
  return LogTriangularValueByCDF_(min, max, ml, fn());
}

double stoka_ran_logtriangular_cdf(double x, double ml, double min, double max) {
  if (min > x) return 0.0;
  if (ml > x || IsDoubleZeroVal(x - ml)) return LowerCdf(x, ml, min, max);
  if (max > x || IsDoubleZeroVal(x - max)) return UpperCdf(x, ml, min, max);
  return 1.0;
}

double stoka_ran_logtriangular_cdf_inv(double p, double ml, double min, double max) {
  const double fm = std::log(ml / min) / std::log(max / min);
  if (IsDoubleZeroVal(p - fm)) return ml;
  if (fm > p) {
    const double t = std::log(ml / min) * std::log(max / min) * p;
    return t < 0 ? min : min * std::exp(std::sqrt(t));
  }
  const double t = std::log(max / ml) * (1 - p) * std::log(max / min);
  return t < 0 ? max : max / std::exp(std::sqrt(t));
}

std::string LogTriangularRandomGenerator::Name() const { return "LogTriangular"; }
double LogTriangularRandomGenerator::GenerateRandomValue() {
  return LogTriangularRandom_(min_, max_, ml_, KessaRandom);
}

double LogTriangularDistribution::ValueByCDF(double p) const {
  const auto& g = generator();
  return LogTriangularValueByCDF_(g.Min(), g.Max(), g.MostLikely(), p);
}
double LogTriangularDistribution::XMin() const { return generator().Min(); }
double LogTriangularDistribution::XMax() const { return generator().Max(); }
double LogTriangularDistribution::CdfValueImpl(double x) const {
  const auto& g = generator();
  return LogTriangularCDFValue_(g.Min(), g.Max(), g.MostLikely(), x);
}
double LogTriangularDistribution::PdfValueImpl(double x) const {
  const auto& g = generator();
  return LogTriangularPDFValue_(g.Min(), g.Max(), g.MostLikely(), x);
}
