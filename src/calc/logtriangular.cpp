// LogTriangular: ln X is triangular on [ln min, ln max] with mode ln ml.
//   F(x) = ln(x/min)^2 / (ln(max/min) ln(ml/min))      for min <= x <= ml,
//   F(x) = 1 - ln(max/x)^2 / (ln(max/ml) ln(max/min))  for ml <= x <= max.
// Every formula uses ratios, so all-negative parameters also define a law.
#include <cmath>

#include "core/constants.hpp"
#include "stoka/continuous.hpp"

namespace {
// With the mode at the minimum the rising side is empty, and its formula would
// be 0/0 at x = min: the falling side answers there.
bool OnRisingSide(double x, double ml, double min) { return ml >= x && ml != min; }

// The logarithms of the ratios are negative for all-negative parameters: the
// root of each branch takes the sign of ln(max/min), so that the quantile
// stays within [min, max] for both signs.
double LowerQuantile(double p, double ml, double min, double max) {
  const double range = std::log(max / min);
  const double t = std::log(ml / min) * p * range;
  return t < 0 ? min : min * std::exp(std::copysign(std::sqrt(t), range));
}
double UpperQuantile(double p, double ml, double min, double max) {
  const double range = std::log(max / min);
  const double t = std::log(max / ml) * (1 - p) * range;
  return t < 0 ? max : max / std::exp(std::copysign(std::sqrt(t), range));
}

double LowerCdf(double x, double ml, double min, double max) {
  const double l = std::log(x / min);
  return l * l / (std::log(max / min) * std::log(ml / min));
}
double UpperCdf(double x, double ml, double min, double max) {
  const double l = std::log(max / x);
  return 1 - l * l / (std::log(max / ml) * std::log(max / min));
}
}  // namespace

double LogTriangularPDFValue_(double min, double max, double ml, double x) {
  if (std::isnan(x)) return x;
  if (min > x) return 0.0;
  if (OnRisingSide(x, ml, min))
    return 2 * std::log(x / min) / (x * std::log(max / min) * std::log(ml / min));
  if (max >= x) return 2 * std::log(max / x) / (x * std::log(max / ml) * std::log(max / min));
  return 0.0;
}

double LogTriangularCDFValue_(double min, double max, double ml, double x) {
  if (std::isnan(x)) return x;
  if (min > x) return 0.0;
  if (OnRisingSide(x, ml, min)) return LowerCdf(x, ml, min, max);
  if (max >= x) return UpperCdf(x, ml, min, max);
  return 1.0;
}

double LogTriangularValueByCDF_(double min, double max, double ml, double p) {
  const double fm = std::log(ml / min) / std::log(max / min);
  if (std::fabs(p - fm) < eps) return ml;  // snap to the mode inside the band
  if (fm - p > eps) return LowerQuantile(p, ml, min, max);
  return UpperQuantile(p, ml, min, max);
}

double LogTriangularRandom_(double min, double max, double ml, stoka_uniform_fn fn) {
  if (fn == nullptr) return stoka::kNaN;
  return LogTriangularValueByCDF_(min, max, ml, fn());
}

double stoka_ran_logtriangular_cdf(double x, double ml, double min, double max) {
  if (min > x) return 0.0;
  if (ml != min && (ml > x || IsDoubleZeroVal(x - ml))) return LowerCdf(x, ml, min, max);
  if (max > x || IsDoubleZeroVal(x - max)) return UpperCdf(x, ml, min, max);
  return 1.0;
}

double stoka_ran_logtriangular_cdf_inv(double p, double ml, double min, double max) {
  const double fm = std::log(ml / min) / std::log(max / min);
  if (IsDoubleZeroVal(p - fm)) return ml;
  if (fm > p) return LowerQuantile(p, ml, min, max);
  return UpperQuantile(p, ml, min, max);
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
