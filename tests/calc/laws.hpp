// The continuous laws as a host sees them: each parameter set once through a
// distribution handle (GetPDFValue and its siblings, the handle's generator
// for draws) and once through the family's flat free functions. The contract
// and reference tests walk the same table.
#ifndef STOKA_TESTS_CALC_LAWS_HPP
#define STOKA_TESTS_CALC_LAWS_HPP

#include <functional>
#include <memory>

#include "stoka/distribution.hpp"
#include "support/rows.hpp"

namespace laws {

// Tolerance tiers, relative to max(1, |expected|).
constexpr double kClosedForm = 1e-13;  // arithmetic closed forms
constexpr double kSpecial = 1e-11;     // GSL special functions (erfc, incomplete beta)
constexpr double kInverse = 1e-9;      // GSL's iterative inverses

inline bool Near(double got, double expected, double tolerance) {
  return std::fabs(got - expected) <= tolerance * std::fmax(1.0, std::fabs(expected));
}

using Fn = std::function<double(double)>;

struct Law {
  std::string key;       // the parameter set, shared by its handle and free forms
  double lo, hi;         // the support
  double tolerance;      // tier of the cumulative and quantile functions
  std::vector<double> xs;  // interior points, clear of the snap band
  double snap = kNaN;    // the mode's cumulative probability; the quantile snaps
  double band = 0.0;     // to the mode within this band of it (0: no band)
  bool stream = true;    // draws from the GSL stream, else from the runtime generator
  std::string label;     // what a failure names
  std::string name;      // GetDistributionName: the key up to a comma; empty for free functions
  IDistribution* handle = nullptr;  // nullptr for free functions
  Fn pdf, cdf, quantile;
  std::function<double()> draw;
};

inline double Uniform01() { return stoka_ran_uniform(); }

// One parameter set: the handle that create writes to h (nothing for free
// functions only), then the free form's density and cumulative function of x,
// quantile of p and draw, written with the parameters in scope.
#define STOKA_LAW(law, create, pdf, cdf, quantile, draw)                                             \
  Add(law, [=] { IDistribution* h = nullptr; create; return h; }(), [=](double x) { return pdf; }, \
      [=](double x) { return cdf; }, [=](double p) { return quantile; }, [=] { return draw; })

struct HandleDeleter {
  void operator()(IDistribution* h) const { DestroyUniformDistribution(&h); }
};

// Every continuous parameter set of the tests, in both forms. The handles live
// as long as the set.
class LawSet {
 public:
  LawSet() {
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
    const double shift = 1.75, mu = 2.6;  // free functions only
    STOKA_LAW((Law{"Exponential", shift, kInf, kSpecial, {1.8, 2.3, 5.9, 14.2}}), (void)0,
              stoka_ran_exponential_pdf(x, shift, mu), stoka_ran_exponential_cdf(x, shift, mu),
              stoka_ran_exponential_cdf_inv(p, shift, mu), stoka_ran_exponential(shift, mu));
  }
  const std::vector<Law>& all() const { return laws_; }

 private:
  // The handle form (queries through the flat handle functions, draws from the
  // handle's own generator) when there is a handle, then the free form.
  template <class Pdf, class Cdf, class Quantile, class Draw>
  void Add(Law law, IDistribution* h, Pdf pdf, Cdf cdf, Quantile quantile, Draw draw) {
    if (h != nullptr) {
      handles_.emplace_back(h);
      Law form = law;
      form.label = law.key + ", handle";
      form.name = law.key.substr(0, law.key.find(','));
      form.stream = form.name != "Uniform" && form.name != "Triangular" && form.name != "LogTriangular";
      form.handle = h;
      form.pdf = [h](double x) { return GetPDFValue(h, x); };
      form.cdf = [h](double x) { return GetCDFValue(h, x); };
      form.quantile = [h](double p) { return GetInverseCDFValue(h, p); };
      form.draw = [h] { return h->Generator()->GenerateRandomValue(); };
      laws_.push_back(form);
    }
    law.label = law.key + ", free functions";
    law.pdf = pdf;
    law.cdf = cdf;
    law.quantile = quantile;
    law.draw = draw;
    laws_.push_back(law);
  }

  void Uniform(const char* key, double min, double max, std::vector<double> xs) {
    STOKA_LAW((Law{key, min, max, kClosedForm, xs}), CreateUniformDistribution(min, max, &h),
              UniformPDFValue(min, max, x), UniformCDFValue(min, max, x), UniformValueByCDF(min, max, p),
              UniformRandom(min, max, Uniform01));
  }
  void Triangular(const char* key, double min, double ml, double max, std::vector<double> xs) {
    STOKA_LAW((Law{key, min, max, kClosedForm, xs, (ml - min) / (max - min), 1e-4}),
              CreateTriangularDistribution(ml, min, max, &h), TriangularPDFValue(min, max, ml, x),
              TriangularCDFValue(min, max, ml, x), TriangularValueByCDF(min, max, ml, p),
              TriangularRandom(min, max, ml, Uniform01));
  }
  void LogTriangular(const char* key, double min, double ml, double max, std::vector<double> xs) {
    STOKA_LAW((Law{key, min, max, kClosedForm, xs, std::log(ml / min) / std::log(max / min), 1e-4}),
              CreateLogTriangularDistribution(ml, min, max, &h), LogTriangularPDFValue(min, max, ml, x),
              LogTriangularCDFValue(min, max, ml, x), LogTriangularValueByCDF(min, max, ml, p),
              LogTriangularRandom(min, max, ml, Uniform01));
  }
  void Normal(const char* key, double mean, double sigma, std::vector<double> xs) {
    STOKA_LAW((Law{key, -kInf, kInf, kSpecial, xs}), CreateNormalDistribution(mean, sigma, &h),
              stoka_ran_gaussian_pdf(x, mean, sigma), stoka_ran_gaussian_cdf(x, mean, sigma),
              stoka_ran_gaussian_cdf_inv(p, mean, sigma), stoka_ran_gaussian(mean, sigma));
  }
  void LogNormal(const char* key, double mu, double sigma, double loc, std::vector<double> xs) {
    STOKA_LAW((Law{key, loc, kInf, kSpecial, xs}), CreateLogNormalDistribution(mu, sigma, loc, &h),
              stoka_ran_lognormal_pdf(x, loc, mu, sigma), stoka_ran_lognormal_cdf(x, loc, mu, sigma),
              stoka_ran_lognormal_cdf_inv(p, loc, mu, sigma), stoka_ran_lognormal(loc, mu, sigma));
  }
  void Beta(const char* key, double a, double b, double min, double max, std::vector<double> xs) {
    const double s = max - min;
    STOKA_LAW((Law{key, min, max, kInverse, xs}), CreateBetaDistribution(a, b, min, max, &h),
              stoka_ran_beta_pdf(x, min, s, a, b), stoka_ran_beta_cdf(x, min, s, a, b),
              stoka_ran_beta_cdf_inv(p, min, s, a, b), stoka_ran_beta(min, s, a, b));
  }
  void Pert(const char* key, double min, double ml, double max, std::vector<double> xs) {
    STOKA_LAW((Law{key, min, max, kInverse, xs}), CreatePertDistribution(ml, min, max, &h),
              stoka_ran_pert_pdf(x, min, max, ml), stoka_ran_pert_cdf(x, min, max, ml),
              stoka_ran_pert_cdf_inv(p, min, max, ml), stoka_ran_pert(min, max, ml));
  }

  std::vector<Law> laws_;
  std::vector<std::unique_ptr<IDistribution, HandleDeleter>> handles_;
};

}  // namespace laws

#endif
