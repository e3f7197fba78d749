// libstoka object interface: inducing a target correlation between samples of
// two distributions, and the manager that keeps a forest of correlated
// quantities and regenerates their samples.
#ifndef STOKA_CORRELATION_HPP
#define STOKA_CORRELATION_HPP

#include <cstddef>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "stoka/sampling.hpp"

// Pearson's coefficient of the first min(|a|, |b|) elements of each sample;
// NaN when that is no element.
STOKA_API double Correlation(const std::vector<double>& a, const std::vector<double>& b);

// One attempt: a sample of second, paired element by element with data (a
// sample of first), built in probability space. Empty for an empty data or a
// target that is NaN or of magnitude above 1. Every element is finite.
STOKA_API std::vector<double> MakeCorrelatedStep(const std::vector<double>& data,
                                                 IDistribution* first, IDistribution* second,
                                                 double target);

// The best of up to max_steps + 1 attempts, stopping once within tolerance of
// the target. Empty when no attempt has a defined correlation with data.
STOKA_API std::vector<double> MakeCorrelated(const std::vector<double>& data,
                                             IDistribution* first, IDistribution* second,
                                             double target, double tolerance,
                                             unsigned int max_steps);

// Registered distributions (generation-method handles as identifiers), their
// target correlations and one sample each. Identifiers are enumerated in the
// order of registration, and breadth-first walks take their frontier in the
// order partners were set, so equal seeds give equal samples on every run.
// Identifiers must be live methods (their distributions too) when they are
// added and when the manager recalculates; the manager itself is entered in
// the table of live handles while it exists.
class STOKA_API CorrelationManager {
 public:
  CorrelationManager();
  CorrelationManager(const CorrelationManager& other);
  CorrelationManager& operator=(const CorrelationManager&) = default;
  ~CorrelationManager();

  int SetDataCount(unsigned n);
  unsigned GetDataCount() const { return data_count_; }
  int SetCorrelationTolerance(double t);
  double GetCorrelationTolerance() const { return correlation_tolerance_; }
  int SetCorrelationMaxSteps(unsigned n);
  unsigned GetCorrelationMaxSteps() const { return correlation_max_steps_; }

  bool HasDistribution(stoka_id id) const { return correlations_.count(id) != 0; }
  int AddDistribution(stoka_id id);
  void RemoveDistribution(stoka_id id);
  int ReplaceDistribution(stoka_id old_id, stoka_id new_id);

  int SetCorrelation(stoka_id a, stoka_id b, double c, bool rebuild);
  int SetCorrelationImpl(stoka_id a, stoka_id b, double c);
  double GetCorrelation(stoka_id a, stoka_id b) const;
  int RemoveCorrelation(stoka_id a, stoka_id b);
  void ClearCorrelations();

  int SetDistributedData(stoka_id id, const double* data, unsigned count);
  // n draws of id's own method as its sample: what n draws followed by
  // SetDistributedData give. BAD_ID for an identifier not registered,
  // BAD_DATA_COUNT for n = 0 (nothing drawn), REFUSED without the memory.
  int FillDistributedData(stoka_id id, unsigned n);
  // The manager's own storage, valid until the sample next changes; NULL and 0
  // when id has no sample entry.
  const double* GetDistributedData(stoka_id id, unsigned* count) const;
  std::vector<double> GetDistributedData(stoka_id id) const;
  void ClearData();
  int CalculateCorrelation(stoka_id a, stoka_id b, double* out) const;
  // Over the current samples of a and b: Pearson's coefficient reached, whether
  // it lies within the tolerance of the pair's target (0 without one), and the
  // coefficient of the samples' most extreme arrangement on the target's side
  // (the bound of what the two marginals allow). Null outputs are skipped;
  // codes as CalculateCorrelation.
  int CorrelationOutcome(stoka_id a, stoka_id b, double* reached, bool* met, double* bound) const;
  // The number of edges whose samples miss their target (or are missing).
  int CountMissedCorrelations(unsigned* missed) const;

  // Every registered identifier, in registration order, as of the last rebuild.
  stoka_id* GetAllDistributions(unsigned* count);
  void RebuildDistributionsImpl();
  // Rebuilds the list; true when the graph has a cycle.
  bool RebuildDistributions();

  // Kept as coefficients are set and removed; the graph is walked only when a
  // removal may have broken its last cycle.
  bool HasCycles() const;
  bool HasCyclesInComponent(stoka_id start, std::unordered_set<stoka_id>& visited) const;
  // A derived member whose attempts miss its target by more than the
  // tolerance is searched on along the share of paired positions kept. A
  // member left without a sample (a constant or one-value parent, a
  // coefficient that overflows) is named to the output sink and makes the
  // answer STOKA_MANAGER_NO_SAMPLE, the other samples standing; storage the
  // machine cannot hold is refused with STOKA_MANAGER_REFUSED before any
  // sample changes.
  int Recalculate();
  // STOKA_MANAGER_NO_SAMPLE when a member of the component got no sample.
  int RecalculateComponent(stoka_id root, std::unordered_set<stoka_id>& visited);

  static constexpr unsigned kDefaultDataCount = 1000;
  static constexpr double kDefaultTolerance = 0.03;
  static constexpr unsigned kDefaultMaxSteps = 10;

 private:
  using Partners = std::vector<std::pair<stoka_id, double>>;  // in the order set
  struct Member {
    Partners partners;
    std::size_t place;  // in order_
  };
  // What is known of the graph without walking it: a forest, a cycle, or
  // unknown (after a removal broke up a graph that had a cycle, or an edge
  // whose ends the union-find cannot tell apart exactly).
  enum class Shape { kForest, kCycle, kUnknown };

  Partners* PartnersOf(stoka_id id);
  const Partners* PartnersOf(stoka_id id) const;
  void Register(stoka_id id);
  // Removes id and its coefficients, leaving its place in order_ empty (0),
  // without rebuilding the list.
  void Unlink(stoka_id id);
  int Store(stoka_id a, stoka_id b, double c);
  void EdgeAdded(stoka_id a, stoka_id b);
  void EdgesRemoved();
  stoka_id Find(stoka_id id) const;
  // Reserves data_count_ values in every sample entry, keeping their contents;
  // STOKA_MANAGER_REFUSED, with no sample changed, when the storage cannot be
  // had for them and (with `registered`) for the members that have none yet.
  int ReserveSamples(bool registered);

  std::unordered_map<stoka_id, Member> correlations_;
  // Registered identifiers in registration order; 0 marks the place of a
  // removed one until the next rebuild closes the gaps.
  std::vector<stoka_id> order_;
  std::unordered_map<stoka_id, std::vector<double>> distributed_data_;
  unsigned data_count_ = kDefaultDataCount;
  double correlation_tolerance_ = kDefaultTolerance;
  unsigned correlation_max_steps_ = kDefaultMaxSteps;
  // The list of GetAllDistributions is the members of order_[0, listed_) as of
  // the last rebuild; it is copied out when a host asks for it.
  std::vector<stoka_id> distributions_;
  std::size_t listed_ = 0;
  bool distributions_built_ = false;
  bool distributions_copied_ = false;
  // Union-find over the edges, exact while shape_ is kForest and union_exact_
  // (no edge removed since it was built): then a new edge closes a cycle
  // exactly when its ends share a root. Roots map to themselves or are absent.
  mutable Shape shape_ = Shape::kForest;
  mutable bool union_exact_ = true;
  mutable std::unordered_map<stoka_id, stoka_id> union_parent_;
};

#endif
