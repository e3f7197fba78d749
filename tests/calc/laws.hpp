// The continuous laws as a host sees them: each parameter set once through a
// distribution handle (GetPDFValue and its siblings, the handle's generator
// for draws) and once through the family's flat free functions. The contract
// and reference tests walk the same table.
#ifndef STOKA_TESTS_CALC_LAWS_HPP
#define STOKA_TESTS_CALC_LAWS_HPP

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "stoka/distribution.hpp"
#include "stoka/stoka.h"

namespace laws {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Tolerance tiers, relative to max(1, |expected|).
constexpr double kClosedForm = 1e-13;  // arithmetic closed forms
constexpr double kSpecial = 1e-11;     // GSL special functions (erfc, incomplete beta)
constexpr double kInverse = 1e-9;      // GSL's iterative inverses

inline bool Near(double got, double expected, double tolerance) {
  return std::fabs(got - expected) <= tolerance * std::fmax(1.0, std::fabs(expected));
}

enum class Source { kGslStream, kRuntime };

struct Law {
  std::string label;     // what a failure names
  std::string key;       // the parameter set, shared by its handle and free forms
  const char* name;      // GetDistributionName, or nullptr for free functions
  IDistribution* handle; // nullptr for free functions
  double lo, hi;         // the support
  double snap, band;     // the mode's cumulative probability and its snap band (0: none)
  double tolerance;      // tier of the cumulative and quantile functions
  std::vector<double> xs;  // interior points, clear of the snap band
  std::function<double(double)> pdf, cdf, quantile;
  std::function<double()> draw;
  Source source;
};

inline double Uniform01() { return stoka_ran_uniform(); }

struct HandleDeleter {
  void operator()(IDistribution* h) const { DestroyUniformDistribution(&h); }
};

// Every continuous parameter set of the tests, in both forms. The handles live
// as long as the set.
class LawSet {
 public:
  LawSet() {
    using std::log;
    Uniform("Uniform", 2.385, 7.91, {2.5, 3.1831, 5.0, 7.9});
    Triangular("Triangular", 1.25, 2.385, 7.9, {1.7, 2.2, 4.2, 7.3});
    Triangular("Triangular, mode at min", 0.5, 0.5, 3.7, {0.52, 1.3, 2.9, 3.65});
    Triangular("Triangular, mode at max", -2.2, 4.6, 4.6, {-2.1, 0.3, 3.9, 4.55});
    LogTriangular("LogTriangular", 1.5, 3.7, 12.4, {2.1, 3.3, 6.35, 11.2});
    LogTriangular("LogTriangular, negative", -10.0, -5.0, -1.0, {-9.3, -6.1, -3.2, -1.4});
    LogTriangular("LogTriangular, mode at min", 0.8, 0.8, 6.5, {0.83, 1.7, 3.3, 6.2});
    Normal("Normal", 3.27, 1.85, {-1.4, 2.2, 3.27, 7.9});
    LogNormal("LogNormal", 0.731, 0.442, 2.15, {2.6, 4.2, 6.8, 11.5});
    Beta("Beta", 2.35, 4.1, 1.5, 9.25, {1.9, 3.6, 5.8, 8.7});
    Beta("Beta, U-shaped", 0.55, 0.8, -3.1, 2.4, {-3.0, -1.2, 0.7, 2.3});
    Pert("Pert", 1.2, 3.05, 9.7, {1.6, 3.05, 5.5, 9.1});
    Pert("Pert, mode at min", 0.0, 0.0, 7.3, {0.2, 1.9, 4.4, 7.0});
    Exponential("Exponential", 1.75, 2.6, {1.8, 2.3, 5.9, 14.2});
  }
  const std::vector<Law>& all() const { return laws_; }

 private:
  IDistribution* Keep(IDistribution* h) {
    handles_.emplace_back(h);
    return h;
  }

  // The handle form: queries through the flat handle functions, draws from
  // the handle's own generator.
  void AddHandle(Law law, IDistribution* h, const char* name) {
    law.label += ", handle";
    law.name = name;
    law.handle = Keep(h);
    law.pdf = [h](double x) { return GetPDFValue(h, x); };
    law.cdf = [h](double x) { return GetCDFValue(h, x); };
    law.quantile = [h](double p) { return GetInverseCDFValue(h, p); };
    law.draw = [h] { return h->Generator()->GenerateRandomValue(); };
    laws_.push_back(law);
  }
  void AddFree(Law law) {
    law.label += ", free functions";
    laws_.push_back(law);
  }
  static Law Base(const std::string& key, double lo, double hi, double tolerance,
                  std::vector<double> xs, Source source) {
    Law law{key, key, nullptr, nullptr, lo, hi, kNaN, 0.0, tolerance, std::move(xs),
            {}, {}, {}, {}, source};
    return law;
  }

  void Uniform(const std::string& key, double min, double max, std::vector<double> xs) {
    Law law = Base(key, min, max, kClosedForm, xs, Source::kRuntime);
    IDistribution* h = nullptr;
    CreateUniformDistribution(min, max, &h);
    AddHandle(law, h, "Uniform");
    law.pdf = [=](double x) { return UniformPDFValue(min, max, x); };
    law.cdf = [=](double x) { return UniformCDFValue(min, max, x); };
    law.quantile = [=](double p) { return UniformValueByCDF(min, max, p); };
    law.draw = [=] { return UniformRandom(min, max, Uniform01); };
    law.source = Source::kGslStream;
    AddFree(law);
  }

  void Triangular(const std::string& key, double min, double ml, double max,
                  std::vector<double> xs) {
    Law law = Base(key, min, max, kClosedForm, xs, Source::kRuntime);
    law.snap = (ml - min) / (max - min);
    law.band = 1e-4;
    IDistribution* h = nullptr;
    CreateTriangularDistribution(ml, min, max, &h);
    AddHandle(law, h, "Triangular");
    law.pdf = [=](double x) { return TriangularPDFValue(min, max, ml, x); };
    law.cdf = [=](double x) { return TriangularCDFValue(min, max, ml, x); };
    law.quantile = [=](double p) { return TriangularValueByCDF(min, max, ml, p); };
    law.draw = [=] { return TriangularRandom(min, max, ml, Uniform01); };
    law.source = Source::kGslStream;
    AddFree(law);
  }

  void LogTriangular(const std::string& key, double min, double ml, double max,
                     std::vector<double> xs) {
    Law law = Base(key, min, max, kClosedForm, xs, Source::kRuntime);
    law.snap = std::log(ml / min) / std::log(max / min);
    law.band = 1e-4;
    IDistribution* h = nullptr;
    CreateLogTriangularDistribution(ml, min, max, &h);
    AddHandle(law, h, "LogTriangular");
    law.pdf = [=](double x) { return LogTriangularPDFValue(min, max, ml, x); };
    law.cdf = [=](double x) { return LogTriangularCDFValue(min, max, ml, x); };
    law.quantile = [=](double p) { return LogTriangularValueByCDF(min, max, ml, p); };
    law.draw = [=] { return LogTriangularRandom(min, max, ml, Uniform01); };
    law.source = Source::kGslStream;
    AddFree(law);
  }

  void Normal(const std::string& key, double mean, double sigma, std::vector<double> xs) {
    Law law = Base(key, -kInf, kInf, kSpecial, xs, Source::kGslStream);
    IDistribution* h = nullptr;
    CreateNormalDistribution(mean, sigma, &h);
    AddHandle(law, h, "Normal");
    law.pdf = [=](double x) { return stoka_ran_gaussian_pdf(x, mean, sigma); };
    law.cdf = [=](double x) { return stoka_ran_gaussian_cdf(x, mean, sigma); };
    law.quantile = [=](double p) { return stoka_ran_gaussian_cdf_inv(p, mean, sigma); };
    law.draw = [=] { return stoka_ran_gaussian(mean, sigma); };
    AddFree(law);
  }

  void LogNormal(const std::string& key, double mu, double sigma, double location,
                 std::vector<double> xs) {
    Law law = Base(key, location, kInf, kSpecial, xs, Source::kGslStream);
    IDistribution* h = nullptr;
    CreateLogNormalDistribution(mu, sigma, location, &h);
    AddHandle(law, h, "LogNormal");
    law.pdf = [=](double x) { return stoka_ran_lognormal_pdf(x, location, mu, sigma); };
    law.cdf = [=](double x) { return stoka_ran_lognormal_cdf(x, location, mu, sigma); };
    law.quantile = [=](double p) { return stoka_ran_lognormal_cdf_inv(p, location, mu, sigma); };
    law.draw = [=] { return stoka_ran_lognormal(location, mu, sigma); };
    AddFree(law);
  }

  void Beta(const std::string& key, double a, double b, double min, double max,
            std::vector<double> xs) {
    Law law = Base(key, min, max, kInverse, xs, Source::kGslStream);
    IDistribution* h = nullptr;
    CreateBetaDistribution(a, b, min, max, &h);
    AddHandle(law, h, "Beta");
    const double scale = max - min;
    law.pdf = [=](double x) { return stoka_ran_beta_pdf(x, min, scale, a, b); };
    law.cdf = [=](double x) { return stoka_ran_beta_cdf(x, min, scale, a, b); };
    law.quantile = [=](double p) { return stoka_ran_beta_cdf_inv(p, min, scale, a, b); };
    law.draw = [=] { return stoka_ran_beta(min, scale, a, b); };
    AddFree(law);
  }

  void Pert(const std::string& key, double min, double ml, double max, std::vector<double> xs) {
    Law law = Base(key, min, max, kInverse, xs, Source::kGslStream);
    IDistribution* h = nullptr;
    CreatePertDistribution(ml, min, max, &h);
    AddHandle(law, h, "Pert");
    law.pdf = [=](double x) { return stoka_ran_pert_pdf(x, min, max, ml); };
    law.cdf = [=](double x) { return stoka_ran_pert_cdf(x, min, max, ml); };
    law.quantile = [=](double p) { return stoka_ran_pert_cdf_inv(p, min, max, ml); };
    law.draw = [=] { return stoka_ran_pert(min, max, ml); };
    AddFree(law);
  }

  void Exponential(const std::string& key, double shift, double mu, std::vector<double> xs) {
    Law law = Base(key, shift, kInf, kSpecial, xs, Source::kGslStream);
    law.pdf = [=](double x) { return stoka_ran_exponential_pdf(x, shift, mu); };
    law.cdf = [=](double x) { return stoka_ran_exponential_cdf(x, shift, mu); };
    law.quantile = [=](double p) { return stoka_ran_exponential_cdf_inv(p, shift, mu); };
    law.draw = [=] { return stoka_ran_exponential(shift, mu); };
    AddFree(law);
  }

  std::vector<Law> laws_;
  std::vector<std::unique_ptr<IDistribution, HandleDeleter>> handles_;
};

}  // namespace laws

#endif
