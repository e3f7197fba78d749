// What a run found, for its text report, its pictures and its JSON report;
// and the steps of a run that turn the correlated draws into the quantities:
// truncation windows and risk events.
#ifndef STOKA_TOOLS_OUTCOME_HPP
#define STOKA_TOOLS_OUTCOME_HPP

#include <cstdint>
#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "model.hpp"

namespace cli {

// A target correlation beside what the samples reached.
struct PairOutcome {
  std::string a, b;
  double target, pearson, spearman;
  // Pairwise targets only: the target lies beyond what the two marginals
  // allow (bound, the largest coefficient of their most extreme arrangement).
  bool missed = false;
  double bound = 0.0;
};

// An input of the total: its rank (Spearman) correlation with the total and
// its share of the total's variance, cov(input, total) / var(total). The
// shares of all inputs add up to 1; a share is negative for an input that
// moves against the rest.
struct Sensitivity {
  std::string name;
  double rank_correlation, variance_share;
};

// The total's percentiles a report gives unless others are asked for.
inline const std::vector<double> kReportPercents = {10, 50, 80, 90};

// A run cut into blocks and merged (the program hands it to stoka.cluster):
// what its report says beside the numbers.
struct BlockRun {
  unsigned size = 0, count = 0;   // samples per block, blocks
  double percentile_error = 0.0;  // each percentile at most this many points above the exact one
  int64_t slack = 0;              // each histogram count within this of the exact one
};

struct Outcome {
  const Model* model = nullptr;
  const std::vector<Quantity>* quantities = nullptr;
  const std::vector<Sample>* samples = nullptr;  // as the quantities came out
  unsigned n = 0;
  uint32_t seed = 0;
  std::vector<Summary> summaries;  // one per quantity
  Summary total_summary{};
  std::vector<double> sorted_total;  // the total's samples, ascending: its S-curve
  std::vector<double> percents;      // asked for (percent below)
  std::vector<double> total_at;      // the total at each of them
  std::vector<PairOutcome> pairs;    // in the model's order
  double repaired = 0.0;             // rank matrices: the largest change made to the targets
  std::vector<Sensitivity> sensitivity;  // largest rank correlation (in magnitude) first
  std::vector<Bins> histograms;          // one per quantity, 12 bins
  std::optional<BlockRun> blocks;        // a run in blocks
};

// The samples a run changes after drawing them (windows of correlated
// quantities, risk events) are copies of their own; the others are seen
// where the correlation manager keeps them.
using OwnedSamples = std::deque<std::vector<double>>;

// Pearson's coefficient, and Spearman's (Pearson's of the ranks, ties sharing
// their mean rank).
double Pearson(Sample a, Sample b);
double Spearman(Sample a, Sample b);

// Every pair's target beside the Pearson and Spearman coefficients reached.
std::vector<PairOutcome> PairsReached(const Model& model,
                                      const std::vector<Sample>& samples);

// The total of the quantities in the total into total[0 .. n): summed from 0,
// quantity by quantity in the model's order.
void SumTotal(const Model& model, const std::vector<Sample>& samples, unsigned n, double* total);

// Summaries, the total's S-curve at the percents asked for, the tornado and
// the histograms.
Outcome Analyse(const Model& model, const std::vector<Quantity>& quantities,
                const std::vector<Sample>& samples, unsigned n, uint32_t seed,
                const std::vector<double>& percents);

// Truncation: each quantity's window [low, high]. A quantity its method draws
// by itself (uncorrelated, or under the rank method, which reorders what the
// methods drew) gets the window through its method's bounds. The correlation
// manager derives the members of a group of correlated quantities from each
// other over their whole distributions, so the members of a group are drawn
// whole and brought into their windows afterwards by the window's quantile
// map, x -> Q(F(low) + F(x) (F(high) - F(low))), which keeps their ranks.
class Windows {
 public:
  explicit Windows(const Model& model);
  // Checks that the window holds some probability; sets it on the method of
  // quantity q when the method draws it by itself.
  void Set(size_t q, AbstractGenerationMethod* method, bool latin, IDistribution* d) const;
  void MapGrouped(const std::vector<Quantity>& quantities, std::vector<Sample>& samples,
                  OwnedSamples& owned) const;

 private:
  const Model& model_;
  std::vector<bool> grouped_;
};

// The window in words ("kept within 80 to 150", "kept at or above 0"); empty
// for a quantity without one.
std::string WindowWords(const QuantitySpec& spec);

// Risk events: each sample of a quantity that occurs with chance p < 1 is
// multiplied by an independent Bernoulli(p) draw (stratified when the model
// is sampled by Latin hypercube). Drawn after everything else, so a model
// without risk events draws exactly what it drew before.
void ApplyOccurrences(const Model& model, std::vector<Sample>& samples, OwnedSamples& owned);

// The tornado's order: the largest rank correlation (in magnitude) first.
void SortSensitivity(std::vector<Sensitivity>& sensitivity);

// The report as JSON, for other programs.
void WriteJson(std::ostream& out, const Outcome& outcome);

}  // namespace cli

#endif
