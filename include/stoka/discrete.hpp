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
#include <mutex>
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
// most kMaxElements elements and is given at most kMaxElements values: a
// larger count is refused before any value is read, a larger total weight or
// integer range before anything is allocated. A set given values whose
// weights are all 0 is refused.
//
// The ascending sequence is never spelled out: the set keeps runs of equal
// values with their cumulative counts (one run per distinct value, so memory
// grows with the distinct values, not with the weights), and a discrete
// uniform keeps its range alone. Element i of the sequence is found by binary
// search; GetSortedData and GetSortedDataC write the sequence out on request.
class STOKA_API GenericDiscreteGenerator : public IRandomGenerator {
 public:
  static constexpr std::uint64_t kMaxElements = std::uint64_t{1} << 26;

  GenericDiscreteGenerator() = default;
  // Each value with weight 1. Throws std::invalid_argument for a null array
  // with n > 0 or a NaN value, std::length_error for more than kMaxElements.
  GenericDiscreteGenerator(const double* values, unsigned n);
  // As above; weights may be null, meaning weight 1 for each value. Throws
  // std::invalid_argument as well for n > 0 values of total weight 0.
  GenericDiscreteGenerator(const double* values, const unsigned* weights, unsigned n);
  GenericDiscreteGenerator(const GenericDiscreteGenerator&) = delete;
  GenericDiscreteGenerator& operator=(const GenericDiscreteGenerator&) = delete;

  // Replaces the contents by the n values with their weights (null: 1 each).
  // Duplicates accumulate. On an exception the contents are unchanged.
  void construct(const double* values, const unsigned* weights, unsigned n);
  // Inserts weight copies of value in front of the equal ones; a weight of 0
  // inserts nothing (the value is still listed by GetData).
  void AddValue(double value, unsigned weight);
  void AddValue(double value);

  // Smallest and largest value; NaN for an empty set.
  double GetMin() const;
  double GetMax() const;
  // The ascending sequence, each value repeated as often as its weight.
  std::vector<double> GetSortedData() const;
  // The same sequence kept by the set (written out on the first request),
  // valid until the set changes; null and 0 when empty.
  const double* GetSortedDataC(unsigned* count) const;
  // Each distinct value with its accumulated weight.
  std::map<double, std::uint32_t> GetData() const;
  unsigned GetTotalWeight() const { return total_; }

  // The sequence without writing it out: its length, its element at a
  // zero-based index below the length, the number of its elements at or below
  // x, and the accumulated weight of the values equal to x (x not NaN).
  std::uint32_t Size() const { return total_; }
  double Element(std::uint32_t i) const;
  std::uint32_t CountAtOrBelow(double x) const;
  std::uint32_t WeightOf(double x) const;

  std::string Name() const override;
  // One element of the sequence, each equally likely (KessaRandomInt over
  // the whole length); NaN for an empty set.
  double GenerateRandomValue() override;

 protected:
  // The integers first, first + 1, ..., first + count - 1, weight 1 each.
  void SetIntegerRange(std::int64_t first, std::uint32_t count);

 private:
  // Elements before run j: 0 for j = 0, else the end of run j - 1.
  std::uint32_t Before(std::size_t j) const { return j == 0 ? 0 : ends_[j - 1]; }
  // A range becomes runs before a value is added to it.
  void RangeToRuns();
  // Notes whether every run holds one element, so that element i is run i.
  void SetSingles();
  // Forgets the written-out sequence.
  void Discard() const;

  // Runs in ascending order: values_[j] fills the elements from Before(j) up
  // to ends_[j]. Equal values share one run unless their bits differ (-0.0
  // and 0.0 keep the order that inserting at the lower bound gives them); a
  // value of weight 0 keeps an empty run so that GetData lists it.
  std::vector<double> values_;
  std::vector<std::uint32_t> ends_;
  bool singles_ = true;
  // An integer range instead of runs.
  bool range_ = false;
  std::int64_t first_ = 0;
  std::uint32_t total_ = 0;
  // The written-out sequence of GetSortedDataC, made once under the lock.
  mutable std::mutex written_lock_;
  mutable std::vector<double> written_;
  mutable bool is_written_ = false;
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

// The integers min..max, each with weight 1, kept as the range alone. Its
// name is "GenericDiscrete".
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
