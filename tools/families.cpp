// Families of the stoka program: a quantity is made from its parameters by the
// library's creators, or fitted from judged values by its fitters.
#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

#include "cli.hpp"
#include "fit_cases.hpp"

namespace cli {
namespace {

using Params = std::map<std::string, double>;

// A family made from parameters: the names it needs, in the order of the
// creator, the rule a host must keep, and the creator.
struct Creator {
  const char* family;
  std::vector<const char*> names;
  const char* rule;
  std::function<int(const std::vector<double>&, IDistribution**)> create;
};

const std::vector<Creator>& Creators() {
  static const std::vector<Creator> table = {
      {"uniform", {"min", "max"}, "min < max",
       [](const std::vector<double>& v, IDistribution** d) {
         return CreateUniformDistribution(v[0], v[1], d);
       }},
      {"triangular", {"min", "mode", "max"}, "min < max and min <= mode <= max",
       [](const std::vector<double>& v, IDistribution** d) {
         return CreateTriangularDistribution(v[1], v[0], v[2], d);
       }},
      {"logtriangular", {"min", "mode", "max"}, "0 < min < max and min <= mode <= max",
       [](const std::vector<double>& v, IDistribution** d) {
         if (!(v[0] > 0)) return 0;
         return CreateLogTriangularDistribution(v[1], v[0], v[2], d);
       }},
      {"pert", {"min", "mode", "max"}, "min < max and min <= mode <= max",
       [](const std::vector<double>& v, IDistribution** d) {
         return CreatePertDistribution(v[1], v[0], v[2], d);
       }},
      {"beta", {"alpha", "beta", "min", "max"},
       "min < max, alpha and beta above 0.3001 and alpha + beta below 99999.9999",
       [](const std::vector<double>& v, IDistribution** d) {
         return CreateBetaDistribution(v[0], v[1], v[2], v[3], d);
       }},
      {"normal", {"mean", "sd"}, "sd > 0",
       [](const std::vector<double>& v, IDistribution** d) {
         return CreateNormalDistribution(v[0], v[1], d);
       }},
      {"lognormal", {"mu", "sigma", "location"},
       "sigma > 0 (mu and sigma of the logarithm of value - location)",
       [](const std::vector<double>& v, IDistribution** d) {
         return CreateLogNormalDistribution(v[0], v[1], v[2], d);
       }},
      {"bernoulli", {"p"}, "0 <= p <= 1",
       [](const std::vector<double>& v, IDistribution** d) {
         return CreateBernoulliDistribution(v[0], d);
       }},
      {"constant", {"value"}, "a finite value",
       [](const std::vector<double>& v, IDistribution** d) {
         if (!std::isfinite(v[0])) return 0;
         return CreateConstantDistribution(v[0], d);
       }},
      {"discreteuniform", {"min", "max"}, "whole numbers with min <= max, at most 10^7 apart",
       [](const std::vector<double>& v, IDistribution** d) {
         if (v[0] != std::floor(v[0]) || v[1] != std::floor(v[1]) || !(v[1] - v[0] <= 1e7) ||
             std::fabs(v[0]) > 2e9 || std::fabs(v[1]) > 2e9)
           return 0;
         return CreateDiscreteUniformDistribution(static_cast<int>(v[0]), static_cast<int>(v[1]), d);
       }},
  };
  return table;
}

std::string Join(const std::vector<const char*>& names) {
  std::string s;
  for (size_t i = 0; i < names.size(); ++i) s += (i ? ", " : "") + std::string(names[i]);
  return s;
}

Quantity FromParameters(const QuantitySpec& spec, const Creator& c) {
  Quantity q;
  q.name = spec.name;
  q.family = spec.family;
  std::vector<double> v;
  for (const char* name : c.names) {
    auto it = spec.params.find(name);
    if (it == spec.params.end()) {
      if (std::string(name) == "location") {  // the lognormal's shift defaults to 0
        v.push_back(0.0);
        q.params.emplace_back(name, 0.0);
        continue;
      }
      throw InputError(spec.where, "a " + spec.family + " quantity needs " + Join(c.names) +
                                       "; \"" + name + "\" is missing");
    }
    v.push_back(it->second);
    q.params.emplace_back(name, it->second);
  }
  for (const auto& [name, value] : spec.params) {
    bool known = false;
    for (const char* n : c.names) known |= name == n;
    if (!known)
      throw InputError(spec.where, "\"" + name + "\" is not a parameter of the " + spec.family +
                                       " family (it takes " + Join(c.names) + ")");
  }
  if (!c.create(v, &q.handle))
    throw InputError(spec.where, "these parameters do not describe a " + spec.family +
                                     " distribution: it needs " + c.rule);
  return q;
}

Quantity FromValues(const QuantitySpec& spec) {
  if (spec.values.empty())
    throw InputError(spec.where, "a discrete quantity needs a non-empty list of \"values\"");
  if (!spec.weights.empty() && spec.weights.size() != spec.values.size())
    throw InputError(spec.where, "\"weights\" must have one entry per value");
  for (double v : spec.values)
    if (!std::isfinite(v)) throw InputError(spec.where, "every discrete value must be finite");
  if (!spec.weights.empty() && std::all_of(spec.weights.begin(), spec.weights.end(),
                                           [](unsigned w) { return w == 0; }))
    throw InputError(spec.where, "the weights are all 0: at least one value needs a weight");
  if (!spec.params.empty())
    throw InputError(spec.where, "\"" + spec.params.begin()->first +
                                     "\" is not a parameter of the discrete family (it takes "
                                     "values and weights)");
  Quantity q;
  q.name = spec.name;
  q.family = spec.family;
  std::vector<double> values = spec.values;
  std::vector<unsigned> weights = spec.weights;
  const unsigned n = static_cast<unsigned>(values.size());
  const int made = weights.empty()
                       ? CreateDiscreteDistribution(values.data(), n, &q.handle)
                       : CreateDiscreteDistributionWeighted(values.data(), weights.data(), n,
                                                            &q.handle);
  if (!made) throw InputError(spec.where, "the library refused the discrete values");
  q.params.emplace_back("values", static_cast<double>(n));
  return q;
}

}  // namespace

std::vector<std::string> FamilyNames() {
  std::vector<std::string> names;
  for (const auto& c : Creators()) names.push_back(c.family);
  names.push_back("discrete");
  return names;
}

Quantity MakeQuantity(const QuantitySpec& spec) {
  if (!spec.judged.empty()) return FitQuantity(spec);
  if (spec.family == "discrete") return FromValues(spec);
  for (const auto& c : Creators())
    if (spec.family == c.family) return FromParameters(spec, c);
  std::string known;
  for (const auto& n : FamilyNames()) known += (known.empty() ? "" : ", ") + n;
  throw InputError(spec.where, "unknown family \"" + spec.family + "\" (known: " + known + ")");
}

}  // namespace cli
