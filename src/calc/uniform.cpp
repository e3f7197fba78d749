// Uniform on [min, max]: density 1/(max - min), both ends in the support.
#include <cmath>

#include "core/constants.hpp"
#include "stoka/continuous.hpp"

double UniformPDFValue_(double min, double max, double x) {
  if (std::isnan(x)) return x;
  if (min > x) return 0.0;
  if (x > max) return 0.0;
  return 1.0 / (max - min);
}

double UniformCDFValue_(double min, double max, double x) {
  if (min > x) return 0.0;
  if (x > max) return 1.0;
  return (x - min) / (max - min);
}

double UniformValueByCDF_(double min, double max, double p) {
  if (p <= 0) return min;
  if (p >= 1) return max;
  return min + p * (max - min);
}

double UniformRandom_(double min, double max, stoka_uniform_fn fn) {
  if (fn == nullptr) return stoka::kNaN;
  return min + fn() * (max - min);
}

int CheckParamsUniform_(double min, double max) { return CheckMinMax_(min, max); }

std::string UniformRandomGenerator::Name() const { return "Uniform"; }
double UniformRandomGenerator::GenerateRandomValue() {
  return min_ + KessaRandom() * (max_ - min_);
}

double UniformDistribution::ValueByCDF(double p) const {
  return UniformValueByCDF_(generator_->A(), generator_->B(), p);
}
double UniformDistribution::XMin() const { return generator_->A(); }
double UniformDistribution::XMax() const { return generator_->B(); }
double UniformDistribution::CdfValueImpl(double x) const {
  return UniformCDFValue_(generator_->A(), generator_->B(), x);
}
double UniformDistribution::PdfValueImpl(double x) const {
  return UniformPDFValue_(generator_->A(), generator_->B(), x);
}
