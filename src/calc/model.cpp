// The generator and distribution model: bounded queries shared by every family.
#include "core/registry.hpp"
#include "stoka/sampling.hpp"

IRandomGenerator::~IRandomGenerator() = default;

IDistribution::IDistribution() { stoka::Enlist(this, stoka::Kind::kDistribution); }
IDistribution::IDistribution(const IDistribution&) : IDistribution() {}

// A method left without its distribution answers failure values from now on.
IDistribution::~IDistribution() {
  for (AbstractGenerationMethod* method : stoka::DelistDistribution(this))
    method->distribution_ = nullptr;
}

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
