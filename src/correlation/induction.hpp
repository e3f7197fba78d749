// Internal pieces of pairwise induction (induction.cpp), shared with the
// search that the correlation manager runs when the attempts miss their
// target (reach.cpp).
#ifndef STOKA_SRC_CORRELATION_INDUCTION_HPP
#define STOKA_SRC_CORRELATION_INDUCTION_HPP

#include <cstddef>
#include <vector>

#include "calc/prepared_law.hpp"
#include "stoka/correlation.hpp"

namespace stoka {
class QuantileTable;
}  // namespace stoka

namespace stoka::induction {

// The quantile of d at u, moved toward the median until it is finite.
double FiniteQuantile(const PreparedLaw& d, double u);
// A replaced position: d's quantile at an independent KessaRandom draw, kept
// in table by runtime outcome when one is given.
double IndependentQuantile(const PreparedLaw& d, QuantileTable* table = nullptr);
// A kept position: second's quantile at first's probability of x, mirrored
// for a negative target.
double PairedQuantile(const PreparedLaw& first, const PreparedLaw& second, double x, double target);
// 0..n-1 shuffled by the minimal standard engine in state 1: induction
// replaces a prefix of this list, the same for every attempt.
std::vector<std::size_t> ReplacementOrder(std::size_t n);
// The length of that prefix: floor(n (1 - |target|)).
std::size_t ReplacedCount(std::size_t n, double target);

// The search for a missed target (reach.cpp). sample is the best of the
// attempts on data (of its size, at least 2), whose correlation with data,
// reached, is off the target by more than tolerance. The share of kept
// positions moves along the same order (a longer or shorter replaced prefix)
// until the correlation with data lies within tolerance of the target, or the
// share is exhausted. Positions already replaced keep their draws; newly kept
// ones take the paired quantile, newly replaced ones a fresh independent draw.
// Paired quantiles are held within second's quantiles at 1/(2n) and
// 1 - 1/(2n). The result is never farther from the target than sample was.
void ReachTarget(const std::vector<double>& data, const IDistribution& first,
                 const IDistribution& second, double target, double tolerance, double reached,
                 std::vector<double>& sample);

// Pearson's coefficient of the most extreme arrangement of the two samples on
// the side of target: ascending against ascending (target >= 0) or against
// descending; over the first min(|a|, |b|) elements of each.
double ExtremeCorrelation(const std::vector<double>& a, const std::vector<double>& b,
                          double target);

}  // namespace stoka::induction

#endif
