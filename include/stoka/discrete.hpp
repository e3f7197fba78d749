// libstoka object interface: the discrete families. A generic discrete
// distribution over a weighted set of values (an empirical law), and three
// families built on it: discrete uniform over a range of integers, Bernoulli
// over {0, 1}, and the constant.
//
// An empty set (no values, or a refill with none) has no support: its bounds,
// density, cumulative probability, quantile and draws are all NaN.
#ifndef STOKA_DISCRETE_HPP
#define STOKA_DISCRETE_HPP

#include <cstdint>
#include <map>
#include <vector>

#include "stoka/distribution.hpp"

// Bernoulli with success probability p over {0, 1}.
// 1 for 0 <= p <= 1, 0 otherwise (NaN included).
STOKA_API int CheckParamsBernoulli_(double p);
// p at x = 1 (within tolerance), 1 - p at x = 0 (within 1e-6), 0 elsewhere.
STOKA_API double BernoulliPDFValue_(double tolerance, double p, double x);
// 0 for x <= 0, 1 - p for 0 < x < 1, 1 from x = 1 on.
STOKA_API double BernoulliCDFValue_(double p, double x);
// 1 if p > fn() (or p >= 1: a certain success), else 0; NaN without a
// uniform source.
STOKA_API double BernoulliRandom_(double p, stoka_uniform_fn fn);
// *out = 1 if p > u (or p >= 1), else 0, with u = fn() when u < 0. Returns 1;
// 0 (and nothing written) without an out pointer, or for u < 0 without a source.
STOKA_API int BernoulliApprox_(double* out, double u, double p, stoka_uniform_fn fn);
// The number of outcomes (2) and the outcome at index i (0 for i = 0, else 1).
STOKA_API int BernoulliGetCount_();
STOKA_API int BernoulliGetEvent_(int i);

// The constant: the value itself. The two queries know no constant to compare
// with and are 0 everywhere; the distribution classes answer real queries.
STOKA_API double GetConstantDistribution_(double value);
STOKA_API double ConstantPDFValue_(double x);
STOKA_API double ConstantCDFValue_(double x);

// A weighted set of values: every value repeated as often as its weight, kept
// in ascending order, and the accumulated weight of each distinct value.
// NaN values have no place in an ordered set and are refused. The set holds at
// most kMaxElements elements (512 MiB of data): a total weight or an integer
// range beyond that is refused before anything is allocated.
class STOKA_API GenericDiscreteGenerator : public IRandomGenerator {
 public:
  static constexpr std::uint64_t kMaxElements = std::uint64_t{1} << 26;

  GenericDiscreteGenerator() = default;
  // Each value with weight 1. Throws std::invalid_argument for a null array
  // with n > 0 or a NaN value, std::length_error for more than kMaxElements.
  GenericDiscreteGenerator(const double* values, unsigned n);
  // As above; weights may be null, meaning weight 1 for each value.
  GenericDiscreteGenerator(const double* values, const unsigned* weights, unsigned n);

  // Replaces the contents by the n values with their weights (null: 1 each).
  // Duplicates accumulate. On an exception the contents are unchanged.
  void construct(const double* values, const unsigned* weights, unsigned n);
  // Inserts weight copies of value in order; a weight of 0 inserts nothing.
  void AddValue(double value, unsigned weight);
  void AddValue(double value);

  // Smallest and largest value; NaN for an empty set.
  double GetMin() const;
  double GetMax() const;
  std::vector<double> GetSortedData() const { return sorted_data_; }
  // The data themselves, valid until the set changes; null and 0 when empty.
  const double* GetSortedDataC(unsigned* count) const;
  std::map<double, std::uint32_t> GetData() const { return weights_; }
  unsigned GetTotalWeight() const { return static_cast<unsigned>(total_weight_); }
  // The same without copies.
  const std::vector<double>& SortedData() const { return sorted_data_; }
  const std::map<double, std::uint32_t>& Weights() const { return weights_; }

  std::string Name() const override;
  // One element of the sorted data, each equally likely (KessaRandomInt over
  // the whole length); NaN for an empty set.
  double GenerateRandomValue() override;

 private:
  std::vector<double> sorted_data_;
  std::map<double, std::uint32_t> weights_;
  double total_weight_ = 0.0;
};

// The empirical law of a generic discrete generator. The set can be replaced
// (SetValues, SetWeightedValues), except for a Bernoulli distribution, whose
// data follow from its p and stay as they are.
class STOKA_API GenericDiscreteDistribution : public OwningDistribution<GenericDiscreteGenerator> {
 public:
  using OwningDistribution::OwningDistribution;

  // Replace the set; false (and nothing changed) for a Bernoulli distribution.
  // Throw as the generator's constructors do, leaving the set unchanged.
  bool SetValues(unsigned n, const double* values);
  bool SetWeightedValues(unsigned n, const double* values, const unsigned* weights);

  // The smallest value whose share of elements at or below it reaches p.
  double ValueByCDF(double p) const override;
  double XMin() const override;
  double XMax() const override;
  // Share of the elements at or below x.
  double CdfValueImpl(double x) const override;
  // Weight of x (exactly a value of the set) over the total weight.
  double PdfValueImpl(double x) const override;
};

// The integers min..max, each with weight 1. Its name is "GenericDiscrete".
class STOKA_API DiscreteUniformGenerator : public GenericDiscreteGenerator {
 public:
  // Throws a plain std::exception for min > max, std::length_error for a
  // range of more than kMaxElements integers.
  DiscreteUniformGenerator(int min, int max);
  ~DiscreteUniformGenerator() override;
};

class STOKA_API DiscreteUniformDistribution : public GenericDiscreteDistribution {
 public:
  explicit DiscreteUniformDistribution(DiscreteUniformGenerator* generator)
      : GenericDiscreteDistribution(generator) {}
  ~DiscreteUniformDistribution() override;
};

// Bernoulli with success probability p. The base data hold 0 and 1 with the
// weights 1000 - k and k, k = floor(1000 p); draws and queries use p itself.
class STOKA_API BernoulliRandomGenerator : public GenericDiscreteGenerator {
 public:
  explicit BernoulliRandomGenerator(double p);
  double SuccessProbability() const { return success_probability_; }
  std::string Name() const override;
  double GenerateRandomValue() override;

 private:
  double success_probability_;
};

class STOKA_API BernoulliDistribution : public GenericDiscreteDistribution {
 public:
  explicit BernoulliDistribution(BernoulliRandomGenerator* generator)
      : GenericDiscreteDistribution(generator) {}
  IRandomGenerator* Generator() override;
  double ValueByCDF(double q) const override;
  double XMin() const override;
  double XMax() const override;
  double CdfValueImpl(double x) const override;
  double PdfValueImpl(double x) const override;

 private:
  double P() const;
};

// One value with weight 1; every draw is that value. Its name is "Const".
class STOKA_API ConstantGenerator : public GenericDiscreteGenerator {
 public:
  // Throws std::invalid_argument for a NaN value.
  explicit ConstantGenerator(double value);
  std::string Name() const override;
  double GenerateRandomValue() override;
};

class STOKA_API ConstantDistribution : public GenericDiscreteDistribution {
 public:
  explicit ConstantDistribution(ConstantGenerator* generator)
      : GenericDiscreteDistribution(generator) {}
  ~ConstantDistribution() override;
};

#endif
