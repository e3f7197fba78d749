// Distribution handles of the flat interface: creation, destruction, queries.
#include "calc/handles.hpp"

#include <limits>
#include <mutex>
#include <set>
#include <string>

#include "stoka/continuous.hpp"
#include "stoka/stoka.h"

using stoka::CreateDistribution;

extern "C" {

STOKA_API int CreateUniformDistribution(double min, double max, IDistribution** out) {
  return CreateDistribution<UniformDistribution, UniformRandomGenerator>(
      CheckParamsUniform_(min, max), out, min, max);
}
STOKA_API int CreateNormalDistribution(double mean, double sigma, IDistribution** out) {
  return CreateDistribution<NormalDistribution, NormalRandomGenerator>(
      CheckParamsNormalMeanSigma_(mean, sigma), out, mean, sigma);
}
STOKA_API int CreateLogNormalDistribution(double mu, double sigma, double location,
                                          IDistribution** out) {
  return CreateDistribution<LogNormalDistribution, LogNormalRandomGenerator>(
      CheckParamsLogNormalLocMeanSigma_(1, location, mu, sigma), out, mu, sigma, location);
}
STOKA_API int CreateTriangularDistribution(double ml, double min, double max, IDistribution** out) {
  return CreateDistribution<TriangularDistribution, TriangularRandomGenerator>(
      CheckParamsTriangularMinMLMax_(min, ml, max), out, min, max, ml);
}
STOKA_API int CreateLogTriangularDistribution(double ml, double min, double max,
                                              IDistribution** out) {
  return CreateDistribution<LogTriangularDistribution, LogTriangularRandomGenerator>(
      CheckParamsTriangularMinMLMax_(min, ml, max), out, min, max, ml);
}
STOKA_API int CreatePertDistribution(double ml, double min, double max, IDistribution** out) {
  return CreateDistribution<PertDistribution, PertRandomGenerator>(
      CheckParamsPertMinMLMax_(min, ml, max), out, ml, min, max);
}
STOKA_API int CreateBetaDistribution(double alpha, double beta, double min, double max,
                                     IDistribution** out) {
  return CreateDistribution<BetaDistribution, BetaRandomGenerator>(
      CheckParamsBetaMinMaxAlphaBeta_(min, max, alpha, beta), out, alpha, beta, min, max);
}

}  // extern "C"

// Every family's destroyer is the same: any distribution goes through its
// virtual destructor, and the host's variable is left null.
#define STOKA_DEFINE_DESTROY(name)                                 \
  extern "C" STOKA_API void name(IDistribution** handle) { stoka::Destroy(handle); }
STOKA_DEFINE_DESTROY(DestroyUniformDistribution)
STOKA_DEFINE_DESTROY(DestroyNormalDistribution)
STOKA_DEFINE_DESTROY(DestroyLogNormalDistribution)
STOKA_DEFINE_DESTROY(DestroyTriangularDistribution)
STOKA_DEFINE_DESTROY(DestroyLogTriangularDistribution)
STOKA_DEFINE_DESTROY(DestroyPertDistribution)
STOKA_DEFINE_DESTROY(DestroyBetaDistribution)
STOKA_DEFINE_DESTROY(DestroyBernoulliDistribution)
STOKA_DEFINE_DESTROY(DestroyDiscreteDistribution)
STOKA_DEFINE_DESTROY(DestroyDiscreteUniformDistribution)
STOKA_DEFINE_DESTROY(DestroyConstantDistribution)

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();

// A query on a handle: the neutral value for a handle the guard refuses (NULL,
// destroyed, another kind) and when the family throws.
template <class F>
double Query(IDistribution* handle, double neutral, F query) {
  return stoka::guard(neutral, handle, query);
}

// The same query over n inputs under one guard, element by element what the
// one-value query gives (in == out is allowed); 0 and nothing written for a
// handle the guard refuses, a null array or n < 1, else n.
template <class F>
int Queries(IDistribution* handle, int n, const double* in, double* out, double neutral,
            F query) {
  if (in == nullptr || out == nullptr || n < 1) return 0;
  return stoka::guard(0, handle, [&](IDistribution& d) {
    for (int i = 0; i < n; ++i) {
      try {
        out[i] = query(d, in[i]);
      } catch (...) {
        out[i] = neutral;
      }
    }
    return n;
  });
}

// Each query of a handle, by value and over an array.
#define STOKA_DEFINE_QUERY(name, neutral, expr)                                           \
  STOKA_API double name##Value(IDistribution* handle, double x) {                         \
    return Query(handle, neutral, [x](IDistribution& d) { return expr; });                \
  }                                                                                       \
  STOKA_API int name##Values(IDistribution* handle, int n, const double* x, double* out) { \
    return Queries(handle, n, x, out, neutral, [](IDistribution& d, double x) { return expr; }); \
  }
}  // namespace

extern "C" {

STOKA_DEFINE_QUERY(GetCDF, -1.0, d.CdfValue(x))
STOKA_DEFINE_QUERY(GetPDF, -1.0, d.PdfValue(x))
STOKA_DEFINE_QUERY(GetInverseCDF, kInf, d.ValueByCDF(x))
STOKA_DEFINE_QUERY(GetSF, -1.0, 1.0 - d.CdfValue(x))
STOKA_API double GetMinValue(IDistribution* handle) {
  return Query(handle, kInf, [](IDistribution& d) { return d.XMin(); });
}
STOKA_API double GetMaxValue(IDistribution* handle) {
  return Query(handle, -kInf, [](IDistribution& d) { return d.XMax(); });
}

STOKA_API const char* GetDistributionName(IDistribution* handle) {
  return stoka::guard(static_cast<const char*>(nullptr), handle,
                      [&](IDistribution& d) -> const char* {
    // Names are fixed texts; each is kept once for the life of the process.
    // Queries may run on several threads, so the set is locked.
    static std::mutex lock;
    static std::set<std::string> names;
    const std::string name = d.Generator()->Name();
    std::lock_guard<std::mutex> hold(lock);
    return names.insert(name).first->c_str();
  });
}

STOKA_API double stoka_ran_beta_cdf_inv(double p, double min, double scale, double alpha,
                                        double beta) {
  return stoka::guard(stoka::kNaN,
                      [&] { return stoka_ran_beta_cdf_inv_(p, alpha, beta, min, min + scale); });
}

}  // extern "C"
