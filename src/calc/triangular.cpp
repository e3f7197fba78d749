// Triangular with mode ml on [min, max]:
//   f(x) = 2(x - min) / ((ml - min)(max - min))  for min <= x <= ml,
//   f(x) = 2(max - x) / ((max - ml)(max - min))  for ml <= x <= max.
// Two sets of functions: the one named after the family serves the classes and
// the flat interface (snap band eps around the mode's probability); the
// stoka_ran_ set serves the fitters (band 1e-6, other argument order).
#include <cmath>

#include "calc/quantile_runs.hpp"
#include "core/constants.hpp"
#include "stoka/continuous.hpp"

double TriangularPDFValue_(double min, double max, double ml, double x) {
  if (min > x) return 0.0;
  if (ml > x) return 2 * (x - min) / ((ml - min) * (max - min));
  if (x == ml) return 2 / (max - min);
  if (x > max) return 0.0;
  return 2 * (max - x) / ((max - ml) * (max - min));
}

double TriangularCDFValue_(double min, double max, double ml, double x) {
  if (std::isnan(x)) return x;
  if (min >= x) return 0.0;
  if (ml >= x) return (x - min) * (x - min) / ((ml - min) * (max - min));
  if (max > x) return 1 - (max - x) * (max - x) / ((max - ml) * (max - min));
  return 1.0;
}

namespace {
// Quantile below and above the mode; a negative radicand (p outside [0, 1])
// gives the end of the support.
double LowerBranch(double p, double min, double max, double ml) {
  const double t = p * (max - min) * (ml - min);
  return t < 0 ? min : min + std::sqrt(t);
}
double UpperBranch(double p, double min, double max, double ml) {
  const double t = (max - min) * (1 - p) * (max - ml);
  return t < 0 ? max : max - std::sqrt(t);
}
}  // namespace

double TriangularValueByCDF_(double min, double max, double ml, double p) {
  const double fm = (ml - min) / (max - min);
  if (std::fabs(p - fm) < eps) return ml;  // snap to the mode inside the band
  if (fm - p > eps) return LowerBranch(p, min, max, ml);
  return UpperBranch(p, min, max, ml);
}

void stoka::TriangularQuantiles(int n, const double* p, double min, double max, double ml, double* x) {
  const double fm = (ml - min) / (max - min);
  for (int i = 0; i < n; ++i) {
    // The branches' radicands and results as they compute them; no square
    // root of a negative number, which would set errno.
    const bool lower = fm - p[i] > eps;
    const double t = lower ? p[i] * (max - min) * (ml - min) : (max - min) * (1 - p[i]) * (max - ml);
    const double root = std::sqrt(t < 0 ? 0.0 : t);
    const double value = lower ? (t < 0 ? min : min + root) : (t < 0 ? max : max - root);
    x[i] = std::fabs(p[i] - fm) < eps ? ml : value;
  }
}

double TriangularRandom_(double min, double max, double ml, stoka_uniform_fn fn) {
  if (fn == nullptr) return stoka::kNaN;
  const double u = fn();
  const double fm = (ml - min) / (max - min);
  if (fm > u) return min + std::sqrt(u * (max - min) * (ml - min));
  return max - std::sqrt((1 - u) * (max - min) * (max - ml));
}

double stoka_ran_triangular_cdf(double x, double ml, double min, double max) {
  if (min > x) return 0.0;
  if (IsDoubleZeroVal(x - min)) return 0.0;
  if (ml > x || IsDoubleZeroVal(x - ml)) return (x - min) * (x - min) / ((max - min) * (ml - min));
  if (max > x) return 1 - (max - x) * (max - x) / ((max - min) * (max - ml));
  return 1.0;
}

double stoka_ran_triangular_cdf_inv(double p, double ml, double min, double max) {
  const double fm = (ml - min) / (max - min);
  if (IsDoubleZeroVal(p - fm)) return ml;
  if (fm > p) return LowerBranch(p, min, max, ml);
  return UpperBranch(p, min, max, ml);
}

std::string TriangularRandomGenerator::Name() const { return "Triangular"; }
double TriangularRandomGenerator::GenerateRandomValue() {
  return TriangularRandom_(min_, max_, ml_, KessaRandom);
}

double TriangularDistribution::ValueByCDF(double p) const {
  const auto& g = generator();
  return TriangularValueByCDF_(g.Min(), g.Max(), g.MostLikely(), p);
}
double TriangularDistribution::XMin() const { return generator().Min(); }
double TriangularDistribution::XMax() const { return generator().Max(); }
double TriangularDistribution::CdfValueImpl(double x) const {
  const auto& g = generator();
  return TriangularCDFValue_(g.Min(), g.Max(), g.MostLikely(), x);
}
double TriangularDistribution::PdfValueImpl(double x) const {
  const auto& g = generator();
  return TriangularPDFValue_(g.Min(), g.Max(), g.MostLikely(), x);
}

int CheckParamsTriangularMinMLMax_(double min, double ml, double max) {
  return CheckMinMax_(min, max) && CheckMLMinMax_(min, ml, max);
}
