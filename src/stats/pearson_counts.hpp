// The interval counts of a sample, kept for any number of candidates.
#ifndef STOKA_SRC_STATS_PEARSON_COUNTS_HPP
#define STOKA_SRC_STATS_PEARSON_COUNTS_HPP

#include <vector>

#include "stoka/stats.hpp"

// The interval counts of a sample, computed once: the edges and counts depend
// only on the sample, so any number of candidates can then be measured with k
// CDF calls each. Statistic() gives exactly what calc_pearson gives.
class PearsonCounts {
 public:
  PearsonCounts(const double* data, int n, int stride = 1);
  // With floor > 0, an interval of probability under 1e-6 is scored by its
  // plain term with the probability taken as at least floor, in place of the
  // penalty (continuous where the probability crosses 1e-6).
  double Statistic(const gsl_vector* params, stoka_cdf_fn cdf, double floor = 0.0) const;
  bool Degenerate() const { return degenerate_; }
  int Intervals() const { return k_; }
  double Lo() const { return lo_; }
  double Width() const { return width_; }
  // Relative frequency of each interval (count / n), k entries.
  const std::vector<double>& Frequencies() const { return freq_; }

 private:
  bool degenerate_ = true;
  int k_ = 0;
  double lo_ = 0.0, width_ = 0.0;
  std::vector<double> freq_;
};

#endif
