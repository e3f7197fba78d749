// What a run found: correlations reached, the total's S-curve, the tornado;
// and the truncation windows and risk events of the quantities.
#include "outcome.hpp"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <limits>
#include <map>
#include <numeric>
#include <sstream>

#include "core/constants.hpp"

namespace cli {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Ranks from 1, ties sharing their mean rank. Values sorted with their
// positions beside them: one pass over contiguous memory.
std::vector<double> Ranks(Sample x) {
  std::vector<std::pair<double, size_t>> order(x.size());
  for (size_t i = 0; i < x.size(); ++i) order[i] = {x[i], i};
  std::sort(order.begin(), order.end());
  std::vector<double> rank(x.size());
  for (size_t i = 0; i < order.size();) {
    size_t j = i;
    while (j + 1 < order.size() && order[j + 1].first == order[i].first) ++j;
    const double shared = (static_cast<double>(i) + static_cast<double>(j)) / 2 + 1;
    for (size_t k = i; k <= j; ++k) rank[order[k].second] = shared;
    i = j + 1;
  }
  return rank;
}

// The index of the first quantity (in the model's order) of each quantity's
// group of correlated quantities. Union by first index, iteratively.
std::vector<size_t> GroupFirst(const Model& model) {
  std::map<std::string, size_t> index;
  for (const auto& q : model.quantities) index.emplace(q.name, index.size());
  std::vector<size_t> parent(model.quantities.size());
  std::iota(parent.begin(), parent.end(), size_t{0});
  auto find = [&](size_t x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
  };
  for (const auto& c : model.correlations) {
    if (!(std::fabs(c.coefficient) > 1e-6)) continue;  // the manager's test of an edge
    const size_t a = find(index[c.a]), b = find(index[c.b]);
    parent[std::max(a, b)] = std::min(a, b);
  }
  for (size_t i = 0; i < parent.size(); ++i) parent[i] = find(i);
  return parent;
}

// The window's ends as cumulative probabilities. The lower end is taken just
// below low, so that a discrete family keeps low itself.
std::pair<double, double> WindowProbabilities(const QuantitySpec& spec, IDistribution* d) {
  const double below = std::nextafter(spec.low, -kInf);
  return {std::isfinite(spec.low) ? GetCDFValue(d, below) : 0.0,
          std::isfinite(spec.high) ? GetCDFValue(d, spec.high) : 1.0};
}

// Quantity q's sample as a copy of its own, to be changed in place.
std::vector<double>& Own(std::vector<Sample>& samples, size_t q, OwnedSamples& owned) {
  std::vector<double>& copy = owned.emplace_back(samples[q].begin(), samples[q].end());
  samples[q] = Sample(copy);
  return copy;
}

bool Truncated(const QuantitySpec& spec) {
  return std::isfinite(spec.low) || std::isfinite(spec.high);
}

}  // namespace

double Pearson(Sample a, Sample b) {
  return stoka_stats_correlation(a.data(), b.data(), static_cast<int>(a.size()));
}

double Spearman(Sample a, Sample b) {
  return Pearson(Ranks(a), Ranks(b));
}

std::vector<PairOutcome> PairsReached(const Model& model,
                                      const std::vector<Sample>& samples) {
  std::map<std::string, size_t> index;
  for (const auto& q : model.quantities) index.emplace(q.name, index.size());
  std::vector<PairOutcome> pairs;
  for (const auto& c : model.correlations) {
    const auto& a = samples[index[c.a]];
    const auto& b = samples[index[c.b]];
    pairs.push_back({c.a, c.b, c.coefficient, Pearson(a, b), Spearman(a, b)});
  }
  return pairs;
}

void SumTotal(const Model& model, const std::vector<Sample>& samples, unsigned n, double* total) {
  std::fill(total, total + n, 0.0);
  for (size_t q = 0; q < samples.size(); ++q)
    if (model.quantities[q].in_total)
      for (unsigned i = 0; i < n; ++i) total[i] += samples[q][i];
}

Outcome Analyse(const Model& model, const std::vector<Quantity>& quantities,
                const std::vector<Sample>& samples, unsigned n, uint32_t seed,
                const std::vector<double>& percents) {
  Outcome o;
  o.model = &model;
  o.quantities = &quantities;
  o.samples = &samples;
  o.n = n;
  o.seed = seed;
  std::vector<double> total(n);
  SumTotal(model, samples, n, total.data());
  for (size_t q = 0; q < quantities.size(); ++q) o.summaries.push_back(Summarise(samples[q]));
  o.total_summary = Summarise(total);
  o.percents = percents;
  for (double p : percents)
    o.total_at.push_back(stoka_stats_percentile(total.data(), static_cast<int>(n), p, false));

  const double total_sd = o.total_summary.sd;
  const std::vector<double> total_ranks = Ranks(total);
  for (size_t q = 0; q < quantities.size(); ++q) {
    if (!model.quantities[q].in_total) continue;
    // A constant input, or a constant total, moves nothing: 0 for both.
    Sensitivity s{quantities[q].name, 0.0, 0.0};
    if (o.summaries[q].sd > 0 && total_sd > 0) {
      s.rank_correlation = Pearson(Ranks(samples[q]), total_ranks);
      s.variance_share = Pearson(samples[q], total) * o.summaries[q].sd / total_sd;
    }
    o.sensitivity.push_back(s);
  }
  SortSensitivity(o.sensitivity);
  for (size_t q = 0; q < quantities.size(); ++q) o.histograms.push_back(Count(samples[q], 12));
  std::sort(total.begin(), total.end());
  o.sorted_total = std::move(total);
  return o;
}

void SortSensitivity(std::vector<Sensitivity>& sensitivity) {
  std::stable_sort(sensitivity.begin(), sensitivity.end(),
                   [](const Sensitivity& a, const Sensitivity& b) {
                     return std::fabs(a.rank_correlation) > std::fabs(b.rank_correlation);
                   });
}

Windows::Windows(const Model& model) : model_(model), grouped_(model.quantities.size(), false) {
  if (model.rank) return;
  const std::vector<size_t> first = GroupFirst(model);
  for (size_t q = 0; q < first.size(); ++q)
    if (first[q] != q) grouped_[q] = grouped_[first[q]] = true;
}

void Windows::Set(size_t q, AbstractGenerationMethod* method, bool latin, IDistribution* d) const {
  const QuantitySpec& spec = model_.quantities[q];
  if (!Truncated(spec)) return;
  const auto [lo, hi] = WindowProbabilities(spec, d);
  if (!(hi > lo))
    throw InputError(spec.where, "no value of the distribution lies between \"low\" and \"high\"");
  if (grouped_[q]) return;
  // A Latin hypercube window opens at the bottom of the atom of its lowest
  // value; a Monte Carlo window opens at the CDF of its lower bound, so it is
  // given the value just below low. The two agree for continuous families.
  const double low = latin ? spec.low : std::nextafter(spec.low, -kInf);
  MethodSetBounds(method, std::isfinite(low) ? low : -kInf, std::isfinite(spec.high) ? spec.high : kInf);
}

void Windows::MapGrouped(const std::vector<Quantity>& quantities, std::vector<Sample>& samples,
                         OwnedSamples& owned) const {
  for (size_t q = 0; q < quantities.size(); ++q) {
    if (!grouped_[q] || !Truncated(model_.quantities[q])) continue;
    IDistribution* d = quantities[q].handle;
    const auto [lo, hi] = WindowProbabilities(model_.quantities[q], d);
    for (double& x : Own(samples, q, owned)) x = GetInverseCDFValue(d, lo + GetCDFValue(d, x) * (hi - lo));
  }
}

std::string WindowWords(const QuantitySpec& spec) {
  std::ostringstream s;
  s << std::setprecision(6);
  if (std::isfinite(spec.low) && std::isfinite(spec.high))
    s << "kept within " << spec.low << " to " << spec.high;
  else if (std::isfinite(spec.low))
    s << "kept at or above " << spec.low;
  else if (std::isfinite(spec.high))
    s << "kept at or below " << spec.high;
  return s.str();
}

void ApplyOccurrences(const Model& model, std::vector<Sample>& samples, OwnedSamples& owned) {
  for (size_t q = 0; q < samples.size(); ++q) {
    const double p = model.quantities[q].occurs;
    if (!(p < 1)) continue;
    IDistribution* event = nullptr;
    AbstractGenerationMethod* method = nullptr;
    CreateBernoulliDistribution(p, &event);
    // A certain outcome (p = 0) has no strata: Monte Carlo, as for a constant.
    if (model.latin)
      CreateLatinCubeMethod(&method, event, 0.0, 1.0, static_cast<int>(samples[q].size()));
    if (!method) CreateMonteCarloMethod(&method, event, 0.0, 1.0);
    for (double& x : Own(samples, q, owned)) {
      double occurred = 0.0;
      GetRandomValueFromMethod(method, &occurred, nullptr);
      if (!(occurred > 0)) x = 0.0;  // not -0 for a negative impact
    }
    DestroyLatinCubeMethod(&method);
    DestroyConstantDistribution(&event);
  }
}

}  // namespace cli
