// The generator and distribution model: bounded queries shared by every family.
#include "stoka/distribution.hpp"

IRandomGenerator::~IRandomGenerator() = default;
IDistribution::~IDistribution() = default;

double IDistribution::PdfValue(double x) const {
  if (x < XMin()) return 0.0;
  if (x > XMax()) return 0.0;
  return PdfValueImpl(x);
}

double IDistribution::CdfValue(double x) const {
  if (x < XMin()) return 0.0;
  if (x >= XMax()) return 1.0;
  return CdfValueImpl(x);
}
