// The discrete families in the flat interface: creators, the GenericDiscrete
// handle functions, and the flat twins of the Bernoulli and constant functions.
#include "calc/handles.hpp"
#include "core/guard.hpp"
#include "stoka/discrete.hpp"
#include "stoka/stoka.h"

using stoka::CreateDistribution;

STOKA_FLAT_DISCRETE(STOKA_DEFINE_TWIN, STOKA_IGNORE_FLAT)

namespace {
using stoka::kNaN;

// The set behind a live distribution, or null for a continuous family.
GenericDiscreteDistribution* DiscreteOf(IDistribution& d) {
  return dynamic_cast<GenericDiscreteDistribution*>(&d);
}

template <class F>
double Query(IDistribution* handle, F query) {
  return stoka::guard(kNaN, handle, query);
}
}  // namespace

extern "C" {

STOKA_API int CreateBernoulliDistribution(double p, IDistribution** out) {
  return CreateDistribution<BernoulliDistribution, BernoulliRandomGenerator>(
      CheckParamsBernoulli_(p), out, p);
}
// The set's constructors refuse a null array, NaN values and oversized sets
// by throwing; CreateDistribution turns that into 0.
STOKA_API int CreateDiscreteDistribution(const double* values, unsigned count,
                                         IDistribution** out) {
  return CreateDistribution<GenericDiscreteDistribution, GenericDiscreteGenerator>(
      1, out, values, count);
}
STOKA_API int CreateDiscreteDistributionWeighted(const double* values, const unsigned* weights,
                                                 unsigned count, IDistribution** out) {
  if (count > 0 && weights == nullptr) return 0;
  return CreateDistribution<GenericDiscreteDistribution, GenericDiscreteGenerator>(
      1, out, values, weights, count);
}
STOKA_API int CreateDiscreteUniformDistribution(int min, int max, IDistribution** out) {
  return CreateDistribution<DiscreteUniformDistribution, DiscreteUniformGenerator>(1, out, min,
                                                                                   max);
}
STOKA_API int CreateConstantDistribution(double value, IDistribution** out) {
  return CreateDistribution<ConstantDistribution, ConstantGenerator>(1, out, value);
}

STOKA_API double GenericDiscretePDFValue(double x, IDistribution* handle) {
  return Query(handle, [x](IDistribution& d) { return d.PdfValue(x); });
}
STOKA_API double GenericDiscreteCDFValue(double x, IDistribution* handle) {
  return Query(handle, [x](IDistribution& d) { return d.CdfValue(x); });
}
STOKA_API double GenericDiscreteValueByCDF(double p, IDistribution* handle) {
  return Query(handle, [p](IDistribution& d) { return d.ValueByCDF(p); });
}

STOKA_API const double* GenericDiscreteGetValues(IDistribution* handle, unsigned* count) {
  unsigned n = 0;
  const double* data = stoka::guard(static_cast<const double*>(nullptr), handle,
                                    [&](IDistribution& d) -> const double* {
    GenericDiscreteDistribution* set = DiscreteOf(d);
    return set ? set->generator().GetSortedDataC(&n) : nullptr;
  });
  if (count) *count = n;
  return data;
}

STOKA_API void GenericDiscreteSetValues(IDistribution* handle, unsigned n, const double* values) {
  stoka::guard(STOKA_VOID, handle, [&](IDistribution& d) {
    if (GenericDiscreteDistribution* set = DiscreteOf(d)) set->SetValues(n, values);
  });
}
STOKA_API void GenericDiscreteSetWeightedValues(IDistribution* handle, unsigned n,
                                                const double* values, const unsigned* weights) {
  if (n > 0 && weights == nullptr) return;
  stoka::guard(STOKA_VOID, handle, [&](IDistribution& d) {
    if (GenericDiscreteDistribution* set = DiscreteOf(d)) set->SetWeightedValues(n, values, weights);
  });
}

}  // extern "C"
