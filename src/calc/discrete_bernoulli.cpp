// Bernoulli with success probability p: P(X = 1) = p, P(X = 0) = 1 - p.
// Draws compare p with one uniform value from the runtime generator.
#include <cmath>

#include "core/constants.hpp"
#include "stoka/discrete.hpp"

namespace {
using stoka::kNaN;

// Success when u < p. The runtime generator's uniform values include 1.0
// itself, so a certain success (p = 1) is settled apart.
double Outcome(double p, double u) { return p > u || p >= 1 ? 1.0 : 0.0; }
}  // namespace

int CheckParamsBernoulli_(double p) {
  if (p < 0) return 0;
  return p <= 1 ? 1 : 0;
}

double BernoulliPDFValue_(double tolerance, double p, double x) {
  if (std::isnan(x)) return x;
  if (IsDoubleZero(x, 1.0, tolerance)) return p;
  if (IsDoubleZeroVal(x)) return 1 - p;
  return 0.0;
}

double BernoulliCDFValue_(double p, double x) {
  if (x <= 0) return 0.0;
  if (x < 1) return 1 - p;
  if (x >= 1) return 1.0;
  return kNaN;  // x is NaN
}

double BernoulliRandom_(double p, stoka_uniform_fn fn) {
  if (fn == nullptr) return kNaN;
  return Outcome(p, fn());
}

int BernoulliApprox_(double* out, double u, double p, stoka_uniform_fn fn) {
  if (out == nullptr) return 0;
  if (u < 0) {
    if (fn == nullptr) return 0;
    u = fn();
  }
  *out = Outcome(p, u);
  return 1;
}

int BernoulliGetCount_() { return 2; }
int BernoulliGetEvent_(int i) { return i == 0 ? 0 : 1; }

namespace {
// The base data: 0 and 1 with the weights 1000 - k and k, k = floor(1000 p)
// kept within 0..1000 whatever p the object interface was given.
unsigned SuccessWeight(double p) {
  const double k = std::floor(1000.0 * p);
  if (!(k > 0)) return 0;
  return k < 1000 ? static_cast<unsigned>(k) : 1000u;
}
}  // namespace

BernoulliRandomGenerator::BernoulliRandomGenerator(double p) : success_probability_(p) {
  const double values[2] = {0.0, 1.0};
  const unsigned k = SuccessWeight(p);
  const unsigned weights[2] = {1000u - k, k};
  construct(values, weights, 2);
}
std::string BernoulliRandomGenerator::Name() const { return "Bernoulli"; }
double BernoulliRandomGenerator::GenerateRandomValue() {
  return Outcome(success_probability_, KessaRandom());
}

// A Bernoulli distribution is never refilled, so its generator stays a
// BernoulliRandomGenerator for its whole life.
IRandomGenerator* BernoulliDistribution::Generator() { return generator_; }
double BernoulliDistribution::P() const {
  return static_cast<const BernoulliRandomGenerator&>(generator()).SuccessProbability();
}

double BernoulliDistribution::ValueByCDF(double q) const {
  if (std::isnan(q)) return kNaN;
  if (q <= 0) return 0.0;
  if (q >= 1) return 1.0;
  return q <= 1 - P() ? 0.0 : 1.0;
}
double BernoulliDistribution::XMin() const { return 0.0; }
double BernoulliDistribution::XMax() const { return 1.0; }
double BernoulliDistribution::CdfValueImpl(double x) const { return BernoulliCDFValue_(P(), x); }
double BernoulliDistribution::PdfValueImpl(double x) const {
  return BernoulliPDFValue_(1e-7, P(), x);
}
