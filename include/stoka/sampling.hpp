// libstoka object interface: generation methods. A method draws values of one
// distribution by inverse-CDF sampling inside a window of probabilities, plain
// (Monte Carlo) or stratified (Latin hypercube).
#ifndef STOKA_SAMPLING_HPP
#define STOKA_SAMPLING_HPP

#include <list>
#include <memory>
#include <utility>

#include "stoka/distribution.hpp"

// Draws from one distribution it does not own. The bounds are probabilities.
// The distribution knows its methods: destroyed, it leaves them without one.
class STOKA_API AbstractGenerationMethod {
 public:
  explicit AbstractGenerationMethod(IDistribution* distribution);
  virtual ~AbstractGenerationMethod();
  AbstractGenerationMethod(const AbstractGenerationMethod&) = delete;
  AbstractGenerationMethod& operator=(const AbstractGenerationMethod&) = delete;

  virtual void SetBounds(double min, double max) = 0;
  // (value drawn, probability position it was drawn from). A draw is finite:
  // a quantile that is not (an unbounded family at probability 0 or 1) is
  // drawn again. A window that gives no finite value in kMaxRedraws tries
  // yields NaN.
  virtual std::pair<double, double> RandomValue() = 0;
  // n draws in a row into values[0..n) and, unless it is null, probabilities:
  // RandomValue's results in order, (NaN, NaN) for a draw that throws (as the
  // flat one-value draw gives). The same runtime sequence and state after.
  virtual void RandomValues(int n, double* values, double* probabilities);

  IDistribution* GetDistribution() { return distribution_; }
  double GetMin() const { return min_; }
  double GetMax() const { return max_; }

  static constexpr int kMaxRedraws = 1000;

 protected:
  // A destroyed distribution sets distribution_ of its methods to null; such
  // a method draws NaN and ignores new bounds.
  friend class IDistribution;
  IDistribution* distribution_;
  double min_;
  double max_;
};

// The quantiles a Monte Carlo method keeps by runtime draw (kept by the library).
class MonteCarloTable;

// Each draw uniform in the window [min_, max_]; the position returned is the
// absolute probability.
class STOKA_API MonteCarloMethod : public AbstractGenerationMethod {
 public:
  MonteCarloMethod(IDistribution* distribution, double min, double max);
  ~MonteCarloMethod() override;
  void SetBounds(double min, double max) override;
  std::pair<double, double> RandomValue() override;
  void RandomValues(int n, double* values, double* probabilities) override;

 private:
  template <class Source>
  std::pair<double, double> Draw(Source& source);
  // KessaRandom has 32768 outcomes: after some thousands of draws from one of
  // the library's continuous families the window's quantiles are kept by
  // outcome (256 KiB), the same numbers without computing them again.
  std::unique_ptr<MonteCarloTable> table_;
};

// The strata still free in the current cycle (kept by the library).
class FreeStrata;
// The distribution's quantile with its shape terms worked out once (kept by
// the library).
namespace stoka {
class PreparedLaw;
}

// The window divided into count_ equal strata; each cycle of count_ draws takes
// every stratum once, in random order. The position returned is the unit
// position within the window.
class STOKA_API LatinCubeMethod : public AbstractGenerationMethod {
 public:
  // Throws std::invalid_argument for a count below 1, a null distribution, or
  // quantiles at min and max that are not strictly increasing.
  LatinCubeMethod(IDistribution* distribution, double min, double max, int count);
  ~LatinCubeMethod() override;
  // Sets the window by probabilities and starts a new cycle.
  void SetBounds(double min, double max) override;
  std::pair<double, double> RandomValue() override;
  void RandomValues(int n, double* values, double* probabilities) override;

  void RebuildSegmentList();
  void RebuildSegmentIndices();

  int Count() const { return count_; }
  // Stratum k: the upper end is (k + 1) * w with w = 1 / count_ (a product
  // with the reciprocal, not a quotient); the lower end is the upper end of
  // stratum k - 1, and 0.0 for stratum 0. Adjacent strata share end points.
  std::pair<double, double> Segment(unsigned k) const;
  unsigned FreeCount() const;
  const DistributionPlot& Plot() const { return plot_; }

 private:
  // One draw in at most tries tries (p: the position if none is made).
  template <class Source>
  std::pair<double, double> Draw(Source& source, const stoka::PreparedLaw& law, int tries,
                                 double p);
  DistributionPlot plot_;
  int count_;
  double width_;
  std::unique_ptr<FreeStrata> segment_indices_;
  std::unique_ptr<stoka::PreparedLaw> law_;
};

// Index-list helpers: remove the element at a zero-based position (nothing at
// or past the end); read it (1), or write 0 and return 0 past the end.
STOKA_API void DeleteListElement(std::list<int>& list, unsigned int position);
STOKA_API int GetListElementByPosition(unsigned int position, std::list<int>& list, int* out);

#endif
