// The correlation manager: a forest of target correlations between registered
// generation methods. Each component is sampled at its root by the root's own
// method; every other member is derived from its parent by correlation
// induction, breadth first.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <new>
#include <stdexcept>

#include "core/registry.hpp"
#include "core/output.hpp"
#include "correlation/induction.hpp"
#include "stoka/correlation.hpp"
#include "stoka/stoka.h"

namespace {
// An edge of the graph: a coefficient that is not zero within 1e-6.
bool IsEdge(double c) { return !IsDoubleZeroVal(c); }

AbstractGenerationMethod* MethodOf(stoka_id id) {
  return reinterpret_cast<AbstractGenerationMethod*>(id);
}

// Insertions that run out of memory are refused with a code, not thrown.
template <class F>
int Refusable(F&& insert) {
  try {
    insert();
    return STOKA_MANAGER_OK;
  } catch (const std::bad_alloc&) {
    return STOKA_MANAGER_REFUSED;
  } catch (const std::length_error&) {
    return STOKA_MANAGER_REFUSED;
  }
}

// Whether `samples` samples of n doubles fit in the machine's memory: a
// request beyond it is refused before anything is touched (a sanitizer would
// abort on the failed allocation instead of throwing).
bool StorageFits(unsigned n, std::size_t samples) {
#if defined(_SC_PHYS_PAGES) && defined(_SC_PAGESIZE)
  const long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page <= 0) return true;
  const double memory = static_cast<double>(pages) * static_cast<double>(page);
  return static_cast<double>(n) * sizeof(double) * static_cast<double>(samples) <= memory;
#else
  return true;
#endif
}
}  // namespace

CorrelationManager::CorrelationManager() { stoka::Enlist(this, stoka::Kind::kManager); }
CorrelationManager::CorrelationManager(const CorrelationManager& other) : CorrelationManager() {
  *this = other;
}
CorrelationManager::~CorrelationManager() { stoka::Delist(this); }

int CorrelationManager::SetDataCount(unsigned n) {
  if (n == 0) return STOKA_MANAGER_BAD_DATA_COUNT;
  data_count_ = n;
  return STOKA_MANAGER_OK;
}

int CorrelationManager::SetCorrelationTolerance(double t) {
  // Negative or zero within 1e-6 (and NaN) are refused.
  if (IsDoubleLess(t, 0) || IsDoubleZeroVal(t) || std::isnan(t)) return STOKA_MANAGER_BAD_TOLERANCE;
  correlation_tolerance_ = t;
  return STOKA_MANAGER_OK;
}

int CorrelationManager::SetCorrelationMaxSteps(unsigned n) {
  if (n == 0) return STOKA_MANAGER_BAD_MAX_STEPS;
  correlation_max_steps_ = n;
  return STOKA_MANAGER_OK;
}

CorrelationManager::Partners* CorrelationManager::PartnersOf(stoka_id id) {
  const auto it = correlations_.find(id);
  return it == correlations_.end() ? nullptr : &it->second.partners;
}

const CorrelationManager::Partners* CorrelationManager::PartnersOf(stoka_id id) const {
  const auto it = correlations_.find(id);
  return it == correlations_.end() ? nullptr : &it->second.partners;
}

void CorrelationManager::Register(stoka_id id) {
  // Room first, so that the two insertions succeed or fail together.
  if (order_.size() == order_.capacity()) order_.reserve(2 * order_.size() + 4);
  correlations_.emplace(id, Member{Partners(), order_.size()});
  order_.push_back(id);
}

void CorrelationManager::Unlink(stoka_id id) {
  const auto it = correlations_.find(id);
  bool edges = false;
  for (const auto& [partner, c] : it->second.partners) {
    edges = edges || IsEdge(c);
    Partners* theirs = PartnersOf(partner);
    if (theirs == nullptr) continue;
    theirs->erase(std::remove_if(theirs->begin(), theirs->end(),
                                 [id = id](const auto& e) { return e.first == id; }),
                  theirs->end());
  }
  order_[it->second.place] = 0;
  correlations_.erase(it);
  if (edges) EdgesRemoved();
}

// ---------------------------------------------------------------------------
// The shape of the graph, kept as edges come and go. Adding an edge to a
// forest closes a cycle exactly when its ends already share a component,
// which the union-find tells in near constant time; removing edges cannot
// close a cycle, so a forest stays one, while a graph with a cycle may become
// a forest and is walked again when next asked.

stoka_id CorrelationManager::Find(stoka_id id) const {
  stoka_id root = id;
  for (auto it = union_parent_.find(root); it != union_parent_.end();
       it = union_parent_.find(root))
    root = it->second;
  while (id != root) {  // every node on the path now points at the root
    const auto it = union_parent_.find(id);
    id = it->second;
    it->second = root;
  }
  return root;
}

void CorrelationManager::EdgeAdded(stoka_id a, stoka_id b) {
  if (shape_ != Shape::kForest) return;  // a cycle stays; unknown stays unknown
  if (!union_exact_) {
    shape_ = Shape::kUnknown;
    return;
  }
  const stoka_id ra = Find(a), rb = Find(b);
  if (ra == rb) {
    shape_ = Shape::kCycle;
    return;
  }
  try {
    union_parent_.emplace(ra, rb);
  } catch (const std::bad_alloc&) {
    shape_ = Shape::kUnknown;
    union_exact_ = false;
  }
}

void CorrelationManager::EdgesRemoved() {
  if (shape_ == Shape::kCycle) shape_ = Shape::kUnknown;
  if (union_exact_) union_parent_.clear();
  union_exact_ = false;
}

int CorrelationManager::AddDistribution(stoka_id id) {
  // Anything but a live method would be called through at the next recalculation.
  if (stoka::CheckedMethod(id) == nullptr) return STOKA_MANAGER_BAD_ID;
  if (HasDistribution(id)) return STOKA_MANAGER_REFUSED;
  const int r = Refusable([&] { Register(id); });
  if (r != STOKA_MANAGER_OK) return r;
  RebuildDistributions();
  return STOKA_MANAGER_OK;
}

void CorrelationManager::RemoveDistribution(stoka_id id) {
  if (!HasDistribution(id)) return;
  Unlink(id);
  RebuildDistributionsImpl();
}

int CorrelationManager::ReplaceDistribution(stoka_id old_id, stoka_id new_id) {
  if (old_id == new_id) return STOKA_MANAGER_OK;
  if (stoka::CheckedMethod(new_id) == nullptr || HasDistribution(new_id)) return STOKA_MANAGER_BAD_ID;
  const auto old = correlations_.find(old_id);
  if (old == correlations_.end()) return STOKA_MANAGER_OK;
  if (ReserveSamples(false) != STOKA_MANAGER_OK) return STOKA_MANAGER_REFUSED;
  ClearData();
  const Partners partners = old->second.partners;
  // The new identifier takes the old one's place in the enumeration order, and
  // stays registered even when the old one had no partners.
  const std::size_t place = old->second.place;
  Unlink(old_id);
  int r = Refusable([&] {
    correlations_.emplace(new_id, Member{Partners(), place});
    order_[place] = new_id;
  });
  for (auto it = partners.begin(); r == STOKA_MANAGER_OK && it != partners.end(); ++it)
    r = SetCorrelation(new_id, it->first, it->second, true);
  if (r != STOKA_MANAGER_OK) {
    if (HasDistribution(new_id)) Unlink(new_id);
    RebuildDistributionsImpl();
    return r;
  }
  RebuildDistributionsImpl();
  return STOKA_MANAGER_OK;
}

int CorrelationManager::SetCorrelation(stoka_id a, stoka_id b, double c, bool rebuild) {
  if (!(std::fabs(c) <= 1.0)) return STOKA_MANAGER_BAD_COEFFICIENT;  // NaN too
  if (a == b) return c == 1.0 ? STOKA_MANAGER_OK : STOKA_MANAGER_BAD_COEFFICIENT;
  if (a == 0 || b == 0) return STOKA_MANAGER_BAD_ID;
  const bool was = IsEdge(GetCorrelation(a, b));
  int r = Store(a, b, c);
  if (r == STOKA_MANAGER_OK) r = Store(b, a, c);
  if (r != STOKA_MANAGER_OK) {
    // One side may hold the new coefficient: the graph is walked when next asked.
    EdgesRemoved();
    shape_ = Shape::kUnknown;
  } else if (!was && IsEdge(c)) {
    EdgeAdded(a, b);
  } else if (was && !IsEdge(c)) {
    EdgesRemoved();
  }
  if (rebuild) RebuildDistributionsImpl();
  return r;
}

int CorrelationManager::SetCorrelationImpl(stoka_id a, stoka_id b, double c) {
  // One direction alone: what the graph now is, is found by a walk when asked.
  EdgesRemoved();
  shape_ = Shape::kUnknown;
  return Store(a, b, c);
}

int CorrelationManager::Store(stoka_id a, stoka_id b, double c) {
  return Refusable([&] {
    if (!HasDistribution(a)) Register(a);
    Partners& partners = *PartnersOf(a);
    const auto it = std::find_if(partners.begin(), partners.end(),
                                 [b](const auto& e) { return e.first == b; });
    if (it != partners.end())
      it->second = c;
    else
      partners.emplace_back(b, c);
  });
}

double CorrelationManager::GetCorrelation(stoka_id a, stoka_id b) const {
  if (a == b) return 1.0;
  const Partners* partners = PartnersOf(a);
  if (partners == nullptr) return 0.0;
  for (const auto& [partner, c] : *partners)
    if (partner == b) return c;
  return 0.0;
}

int CorrelationManager::RemoveCorrelation(stoka_id a, stoka_id b) {
  const auto drop = [](Partners& partners, stoka_id who) {
    partners.erase(std::remove_if(partners.begin(), partners.end(),
                                  [who](const auto& e) { return e.first == who; }),
                   partners.end());
  };
  Partners* of_a = PartnersOf(a);
  if (of_a == nullptr) return STOKA_MANAGER_BAD_ID;
  if (a != b && IsEdge(GetCorrelation(a, b))) EdgesRemoved();
  drop(*of_a, b);
  Partners* of_b = PartnersOf(b);
  if (of_b == nullptr) return STOKA_MANAGER_BAD_ID;
  drop(*of_b, a);
  RebuildDistributionsImpl();
  return STOKA_MANAGER_OK;
}

void CorrelationManager::ClearCorrelations() {
  for (auto& entry : correlations_) entry.second.partners.clear();
  union_parent_.clear();
  shape_ = Shape::kForest;
  union_exact_ = true;
}

int CorrelationManager::SetDistributedData(stoka_id id, const double* data, unsigned count) {
  if (data == nullptr) return STOKA_MANAGER_NULL;
  // The count is held against the data count before the host's array is read.
  if (count > data_count_) return STOKA_MANAGER_BAD_DATA_COUNT;
  return Refusable([&] { distributed_data_[id].assign(data, data + count); });
}

int CorrelationManager::FillDistributedData(stoka_id id, unsigned n) {
  // A method or distribution destroyed since it was registered: nothing is
  // drawn and the sample kept stays.
  AbstractGenerationMethod* const method = stoka::CheckedMethod(id);
  if (!HasDistribution(id) || method == nullptr) return STOKA_MANAGER_BAD_ID;
  if (n == 0 || n > data_count_) return STOKA_MANAGER_BAD_DATA_COUNT;
  std::vector<double> sample;
  const int r = Refusable([&] { sample.resize(n); });
  if (r != STOKA_MANAGER_OK) return r;
  constexpr unsigned kChunk = std::numeric_limits<int>::max();
  for (unsigned at = 0; at < n; at += std::min(n - at, kChunk))
    method->RandomValues(static_cast<int>(std::min(n - at, kChunk)), sample.data() + at, nullptr);
  return Refusable([&] { distributed_data_[id] = std::move(sample); });
}

const double* CorrelationManager::GetDistributedData(stoka_id id, unsigned* count) const {
  const auto it = distributed_data_.find(id);
  if (it == distributed_data_.end()) {
    if (count) *count = 0;
    return nullptr;
  }
  if (count) *count = static_cast<unsigned>(it->second.size());
  return it->second.data();
}

std::vector<double> CorrelationManager::GetDistributedData(stoka_id id) const {
  const auto it = distributed_data_.find(id);
  return it == distributed_data_.end() ? std::vector<double>() : it->second;
}

void CorrelationManager::ClearData() {
  // Room is kept where the machine has it; a data count beyond it is refused
  // by the calls that need the storage.
  const bool fits = StorageFits(data_count_, distributed_data_.size());
  for (auto& entry : distributed_data_) {
    entry.second.clear();
    if (fits) Refusable([&] { entry.second.reserve(data_count_); });
  }
}

int CorrelationManager::ReserveSamples(bool registered) {
  std::size_t samples = distributed_data_.size();
  if (registered)
    for (stoka_id id : order_) samples += id != 0 && !distributed_data_.count(id);
  if (!StorageFits(data_count_, samples)) return STOKA_MANAGER_REFUSED;
  // The entries a recalculation creates get their room as they are filled,
  // as before: reserving them here would only touch fresh pages twice.
  return Refusable([&] {
    for (auto& entry : distributed_data_) entry.second.reserve(data_count_);
  });
}

int CorrelationManager::CalculateCorrelation(stoka_id a, stoka_id b, double* out) const {
  if (!HasDistribution(a) || !HasDistribution(b)) return STOKA_MANAGER_BAD_ID;
  const auto sa = distributed_data_.find(a);
  const auto sb = distributed_data_.find(b);
  if (sa == distributed_data_.end() || sb == distributed_data_.end() || sa->second.empty() ||
      sb->second.empty())
    return STOKA_MANAGER_NO_SAMPLE;
  *out = Correlation(sa->second, sb->second);
  return STOKA_MANAGER_OK;
}

int CorrelationManager::CorrelationOutcome(stoka_id a, stoka_id b, double* reached, bool* met,
                                           double* bound) const {
  double r = 0;
  const int code = CalculateCorrelation(a, b, &r);
  if (code != STOKA_MANAGER_OK) return code;
  const double target = GetCorrelation(a, b);
  if (reached) *reached = r;
  if (met) *met = std::fabs(r - target) <= correlation_tolerance_;  // false for NaN
  if (bound)
    *bound = stoka::induction::ExtremeCorrelation(distributed_data_.find(a)->second,
                                                  distributed_data_.find(b)->second, target);
  return STOKA_MANAGER_OK;
}

int CorrelationManager::CountMissedCorrelations(unsigned* missed) const {
  unsigned count = 0;
  for (const auto& [a, member] : correlations_)
    for (const auto& [b, c] : member.partners) {
      bool met = false;
      // Each edge once, from its smaller identifier.
      if (a < b && IsEdge(c) && (CorrelationOutcome(a, b, nullptr, &met, nullptr) != 0 || !met))
        ++count;
    }
  *missed = count;
  return STOKA_MANAGER_OK;
}

stoka_id* CorrelationManager::GetAllDistributions(unsigned* count) {
  if (distributions_built_ && !distributions_copied_) {
    distributions_.clear();
    for (std::size_t i = 0; i < listed_; ++i)
      if (order_[i] != 0) distributions_.push_back(order_[i]);
    distributions_copied_ = true;
  }
  if (count) *count = distributions_built_ ? static_cast<unsigned>(distributions_.size()) : 0;
  return distributions_built_ ? distributions_.data() : nullptr;
}

void CorrelationManager::RebuildDistributionsImpl() {
  // The places of removed members are closed once they outnumber the members,
  // so that a removal costs constant time on average.
  if (order_.size() - correlations_.size() > correlations_.size()) {
    std::size_t kept = 0;
    for (stoka_id id : order_)
      if (id != 0) {
        correlations_.find(id)->second.place = kept;
        order_[kept++] = id;
      }
    order_.resize(kept);
  }
  listed_ = order_.size();
  distributions_built_ = true;
  distributions_copied_ = false;
}

bool CorrelationManager::RebuildDistributions() {
  RebuildDistributionsImpl();
  return HasCycles();
}

bool CorrelationManager::HasCyclesInComponent(stoka_id start,
                                              std::unordered_set<stoka_id>& visited) const {
  // Each edge is counted once, from the endpoint taken first: the component is
  // a tree exactly when it has one node more than edges.
  const std::size_t before = visited.size();
  std::size_t edges = 0;
  std::deque<stoka_id> frontier{start};
  std::unordered_set<stoka_id> queued{start};
  while (!frontier.empty()) {
    const stoka_id x = frontier.front();
    frontier.pop_front();
    visited.insert(x);
    const Partners* partners = PartnersOf(x);
    if (partners == nullptr) continue;
    for (const auto& [y, c] : *partners) {
      if (!IsEdge(c) || visited.count(y)) continue;
      ++edges;
      if (queued.insert(y).second) frontier.push_back(y);
    }
  }
  return visited.size() - before != edges + 1;
}

bool CorrelationManager::HasCycles() const {
  if (shape_ != Shape::kUnknown) return shape_ == Shape::kCycle;
  std::unordered_set<stoka_id> visited;
  bool cycle = false;
  for (auto it = order_.begin(); !cycle && it != order_.end(); ++it)
    cycle = *it != 0 && !visited.count(*it) && HasCyclesInComponent(*it, visited);
  union_parent_.clear();
  union_exact_ = false;
  shape_ = cycle ? Shape::kCycle : Shape::kForest;
  if (cycle) return true;
  // A forest: the union-find is built anew, so that further edges are
  // checked as they come.
  try {
    for (const auto& [a, member] : correlations_)
      for (const auto& [b, c] : member.partners) {
        if (!IsEdge(c)) continue;
        const stoka_id ra = Find(a), rb = Find(b);
        if (ra != rb) union_parent_.emplace(ra, rb);
      }
    union_exact_ = true;
  } catch (const std::bad_alloc&) {
    union_parent_.clear();
  }
  return false;
}

int CorrelationManager::Recalculate() {
  if (HasCycles()) return STOKA_MANAGER_CYCLE;
  // A method or distribution destroyed since it was registered: nothing is drawn.
  for (stoka_id id : order_)  // 0: the slot of a removed member
    if (id != 0 && stoka::CheckedMethod(id) == nullptr) return STOKA_MANAGER_BAD_ID;
  // Room for every sample first: a data count the machine cannot hold is
  // refused with the earlier samples kept.
  if (ReserveSamples(true) != STOKA_MANAGER_OK) return STOKA_MANAGER_REFUSED;
  ClearData();
  std::unordered_set<stoka_id> visited;
  int r = STOKA_MANAGER_OK;
  // Storage that runs out is refused like a table insertion. A member left
  // without a sample does not stop the others.
  const int stored = Refusable([&] {
    for (stoka_id id : order_)
      if (id != 0 && !visited.count(id) &&
          RecalculateComponent(id, visited) == STOKA_MANAGER_NO_SAMPLE)
        r = STOKA_MANAGER_NO_SAMPLE;
  });
  if (stored == STOKA_MANAGER_OK) return r;
  ClearData();
  return stored;
}

int CorrelationManager::RecalculateComponent(stoka_id root, std::unordered_set<stoka_id>& visited) {
  std::vector<double>& sample = distributed_data_[root];
  sample.clear();
  sample.reserve(data_count_);
  AbstractGenerationMethod* method = MethodOf(root);
  for (unsigned i = 0; i < data_count_; ++i) sample.push_back(method->RandomValue().first);
  visited.insert(root);
  std::deque<stoka_id> frontier{root};
  int r = STOKA_MANAGER_OK;
  while (!frontier.empty()) {
    const stoka_id x = frontier.front();
    frontier.pop_front();
    visited.insert(x);
    const Partners partners = *PartnersOf(x);  // a copy: derivations add entries
    for (const auto& [y, c] : partners) {
      if (!IsEdge(c) || visited.count(y)) continue;
      const std::vector<double>& parent = distributed_data_[x];
      IDistribution* from = MethodOf(x)->GetDistribution();
      IDistribution* to = MethodOf(y)->GetDistribution();
      std::vector<double> derived =
          MakeCorrelated(parent, from, to, c, correlation_tolerance_, correlation_max_steps_);
      // Attempts that keep a share |c| reach about c * rho_max: a miss is
      // searched on along the kept share.
      const double reached = derived.empty() ? c : Correlation(derived, parent);
      if (std::fabs(reached - c) > correlation_tolerance_)
        stoka::induction::ReachTarget(parent, *from, *to, c, correlation_tolerance_, reached,
                                      derived);
      if (derived.empty()) {
        // A constant sample, a single value or a coefficient that overflows:
        // no correlation to build on, and the host is told which member.
        stoka_print("RecalculateManager: no sample for identifier %llu, correlated %g with %llu\n",
                    static_cast<unsigned long long>(y), c, static_cast<unsigned long long>(x));
        r = STOKA_MANAGER_NO_SAMPLE;
      }
      distributed_data_[y] = std::move(derived);
      frontier.push_back(y);
    }
  }
  return r;
}
