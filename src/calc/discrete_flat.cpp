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

// The set behind a handle, or null for a null handle or a continuous family.
GenericDiscreteDistribution* DiscreteOf(IDistribution* handle) {
  return dynamic_cast<GenericDiscreteDistribution*>(handle);
}

template <class F>
double Query(const char* name, IDistribution* handle, F query) {
  if (handle == nullptr) {
    debug_log("Called %s with nullptr", name);
    return kNaN;
  }
  return stoka::guard(kNaN, [&] { return query(*handle); });
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
  return Query(__func__, handle, [x](IDistribution& d) { return d.PdfValue(x); });
}
STOKA_API double GenericDiscreteCDFValue(double x, IDistribution* handle) {
  return Query(__func__, handle, [x](IDistribution& d) { return d.CdfValue(x); });
}
STOKA_API double GenericDiscreteValueByCDF(double p, IDistribution* handle) {
  return Query(__func__, handle, [p](IDistribution& d) { return d.ValueByCDF(p); });
}

STOKA_API const double* GenericDiscreteGetValues(IDistribution* handle, unsigned* count) {
  unsigned n = 0;
  const double* data = nullptr;
  if (GenericDiscreteDistribution* d = DiscreteOf(handle))
    data = stoka::guard(data, [&] { return d->generator().GetSortedDataC(&n); });
  if (count) *count = n;
  return data;
}

STOKA_API void GenericDiscreteSetValues(IDistribution* handle, unsigned n, const double* values) {
  if (GenericDiscreteDistribution* d = DiscreteOf(handle))
    stoka::guard(STOKA_VOID, [&] { d->SetValues(n, values); });
}
STOKA_API void GenericDiscreteSetWeightedValues(IDistribution* handle, unsigned n,
                                                const double* values, const unsigned* weights) {
  if (n > 0 && weights == nullptr) return;
  if (GenericDiscreteDistribution* d = DiscreteOf(handle))
    stoka::guard(STOKA_VOID, [&] { d->SetWeightedValues(n, values, weights); });
}

}  // extern "C"
