// libstoka object interface: the generator and distribution model, and the
// window over a distribution that the Latin hypercube sampler uses.
#ifndef STOKA_DISTRIBUTION_HPP
#define STOKA_DISTRIBUTION_HPP

#include <string>

#include "stoka/core.hpp"

// Holds a family's parameters and draws random values.
class STOKA_API IRandomGenerator {
 public:
  virtual ~IRandomGenerator();
  virtual std::string Name() const = 0;
  virtual double GenerateRandomValue() = 0;
};

// Owns exactly one generator and answers the queries that do not draw.
// Each one is entered in the library's table of live handles while it exists,
// and cuts the generation methods still drawing from it loose when destroyed.
class STOKA_API IDistribution {
 public:
  IDistribution();
  IDistribution(const IDistribution&);
  IDistribution& operator=(const IDistribution&) = default;
  virtual ~IDistribution();
  virtual IRandomGenerator* Generator() = 0;
  // The quantile: the value at cumulative probability p (not bounded).
  virtual double ValueByCDF(double p) const = 0;
  virtual double XMin() const = 0;
  virtual double XMax() const = 0;
  virtual double CdfValueImpl(double x) const = 0;
  virtual double PdfValueImpl(double x) const = 0;

  // Density cut to the support: 0 outside [XMin, XMax], both ends included.
  double PdfValue(double x) const;
  // Cumulative cut to the support: 0 below XMin, exactly 1 from XMax on.
  double CdfValue(double x) const;
};

// A window [min_, max_] of values over a distribution it does not own. Over a
// discrete family the window's probabilities start at the CDF just below min_,
// so min_ is drawn with its whole probability.
class STOKA_API DistributionPlot {
 public:
  // Throws std::invalid_argument for a null distribution ("distribution !=
  // nullptr") or bounds that are not strictly increasing ("min_ < max_").
  DistributionPlot(IDistribution* distribution, double min, double max);

  void SetBounds(double min, double max);
  void SetCDFBounds(double pmin, double pmax);
  // Position p in [0, 1] of the window mapped onto the distribution's scale.
  double ValueByCDF(double p) const;
  double PdfValue(double x) const;
  double CdfValue(double x) const;
  // For *p >= 0: the quantile at *p, true when it lies within the window. For
  // *p < 0: draws positions with KessaRandom until the value lies within the
  // window (written back to *p and *value); false after kMaxPlotDraws misses.
  bool ValueByCDFOnPlot(double* p, double* value) const;

  static constexpr int kMaxPlotDraws = 100000;

  IDistribution* distribution;
  double min_;
  double max_;
  double cdf_min_;
  double cdf_range_;
};

// A generator that records the fields of its family in order; distributions
// hold exactly one pointer to theirs.
template <class G>
class STOKA_API OwningDistribution : public IDistribution {
 public:
  explicit OwningDistribution(G* generator) : generator_(generator) {}
  ~OwningDistribution() override { delete generator_; }
  OwningDistribution(const OwningDistribution&) = delete;
  OwningDistribution& operator=(const OwningDistribution&) = delete;
  IRandomGenerator* Generator() override { return generator_; }
  const G& generator() const { return *generator_; }

 protected:
  G* generator_;
};

#endif
