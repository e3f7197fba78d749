// Generation-method handles of the flat interface. A handle the guard refuses
// (NULL, destroyed, another kind, a method whose distribution was destroyed)
// is refused quietly: nothing happens, value outputs read NaN.
#include <cmath>
#include <limits>
#include <memory>

#include "core/guard.hpp"
#include "stoka/discrete.hpp"
#include "stoka/sampling.hpp"
#include "stoka/stoka.h"

namespace {
using stoka::kNaN;

// Writes a new method over the distribution (or NULL when it cannot be built)
// to *out.
template <class Make>
void Create(AbstractGenerationMethod** out, IDistribution* distribution, Make make) noexcept {
  if (out == nullptr) return;
  *out = nullptr;
  stoka::guard(STOKA_VOID, distribution, [&](IDistribution& d) { *out = make(d).release(); });
}

void Put(double* out, double value) {
  if (out != nullptr) *out = value;
}

// Where a window of values that starts at min opens on the probability scale.
// A discrete family's CDF at an atom x already includes x's probability, so F(x)
// would leave x out: the window opens at the left limit F(min-) = P(X < min),
// stepped up past the quantile's rounding there, so that every position drawn
// maps to a value >= min and the lowest value in the window keeps its whole
// probability. Continuous families have no atoms and keep F(min).
double WindowStart(const IDistribution& d, double min) {
  const double at = d.CdfValue(min);
  if (dynamic_cast<const GenericDiscreteDistribution*>(&d) == nullptr) return at;
  double p = d.CdfValue(std::nextafter(min, -INFINITY));
  for (int step = 0; step < 64 && d.ValueByCDF(p) < min; ++step)
    p = std::nextafter(p, INFINITY);
  return d.ValueByCDF(p) < min ? at : p;
}

// An infinite bound reads as the end of the unit interval.
double FiniteOr(double bound, double fallback) {
  return std::fabs(bound) > std::numeric_limits<double>::max() ? fallback : bound;
}
}  // namespace

extern "C" {

// A method over anything but a live distribution could only crash on its
// first draw: none is made.
STOKA_API void CreateLatinCubeMethod(AbstractGenerationMethod** out, IDistribution* distribution,
                                     double min, double max, int count) {
  Create(out, distribution, [&](IDistribution& d) {
    return std::make_unique<LatinCubeMethod>(&d, min, max, count);
  });
}

STOKA_API void CreateMonteCarloMethod(AbstractGenerationMethod** out, IDistribution* distribution,
                                      double min, double max) {
  Create(out, distribution,
         [&](IDistribution& d) { return std::make_unique<MonteCarloMethod>(&d, min, max); });
}

STOKA_API void DestroyLatinCubeMethod(AbstractGenerationMethod** handle) { stoka::Destroy(handle); }
STOKA_API void DestroyMonteCarloMethod(AbstractGenerationMethod** handle) { stoka::Destroy(handle); }

STOKA_API void GetRandomValueFromMethod(AbstractGenerationMethod* handle, double* value,
                                        double* probability) {
  const std::pair<double, double> drawn = stoka::guard(
      std::pair<double, double>{kNaN, kNaN}, handle,
      [](AbstractGenerationMethod& m) { return m.RandomValue(); });
  Put(value, drawn.first);
  Put(probability, drawn.second);
}

STOKA_API int GetRandomValuesFromMethod(AbstractGenerationMethod* handle, int n, double* values,
                                       double* probabilities) {
  if (values == nullptr || n < 1) return 0;
  return stoka::guard(0, handle, [&](AbstractGenerationMethod& m) {
    m.RandomValues(n, values, probabilities);
    return n;
  });
}

STOKA_API void MethodSetBounds(AbstractGenerationMethod* handle, double min, double max) {
  if (!(max > min)) return;
  stoka::guard(STOKA_VOID, handle, [&](AbstractGenerationMethod& m) {
    const IDistribution* distribution = m.GetDistribution();
    m.SetBounds(WindowStart(*distribution, min), distribution->CdfValue(max));
  });
}

STOKA_API void MethodGetBounds(AbstractGenerationMethod* handle, double* min, double* max) {
  double low = kNaN, high = kNaN;
  stoka::guard(STOKA_VOID, handle, [&](AbstractGenerationMethod& m) {
    const IDistribution* distribution = m.GetDistribution();
    low = distribution->ValueByCDF(FiniteOr(m.GetMin(), 0.0));
    high = distribution->ValueByCDF(FiniteOr(m.GetMax(), 1.0));
  });
  Put(min, low);
  Put(max, high);
}

}  // extern "C"
