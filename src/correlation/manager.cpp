// The correlation manager: a forest of target correlations between registered
// generation methods. Each component is sampled at its root by the root's own
// method; every other member is derived from its parent by correlation
// induction, breadth first.
#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <new>
#include <stdexcept>

#include "core/registry.hpp"
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
}  // namespace

CorrelationManager::CorrelationManager() { stoka::Enlist(this, stoka::Kind::kManager); }
CorrelationManager::CorrelationManager(const CorrelationManager& other) : CorrelationManager() {
  *this = other;
}
CorrelationManager::~CorrelationManager() { stoka::Delist(this); }

int CorrelationManager::SetDataCount(unsigned n) {
  if (n == 0 || n > data_count_) return STOKA_MANAGER_BAD_DATA_COUNT;
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
  return it == correlations_.end() ? nullptr : &it->second;
}

const CorrelationManager::Partners* CorrelationManager::PartnersOf(stoka_id id) const {
  const auto it = correlations_.find(id);
  return it == correlations_.end() ? nullptr : &it->second;
}

void CorrelationManager::Register(stoka_id id) {
  // Room first, so that the two insertions succeed or fail together.
  if (order_.size() == order_.capacity()) order_.reserve(2 * order_.size() + 4);
  correlations_.emplace(id, Partners());
  order_.push_back(id);
}

void CorrelationManager::Unregister(stoka_id id) {
  correlations_.erase(id);
  order_.erase(std::find(order_.begin(), order_.end(), id));
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
  const Partners* partners = PartnersOf(id);
  if (partners == nullptr) return;
  for (const auto& [partner, c] : *partners) {
    Partners* theirs = PartnersOf(partner);
    if (theirs == nullptr) continue;
    theirs->erase(std::remove_if(theirs->begin(), theirs->end(),
                                 [id = id](const auto& e) { return e.first == id; }),
                  theirs->end());
  }
  Unregister(id);
  RebuildDistributions();
}

int CorrelationManager::ReplaceDistribution(stoka_id old_id, stoka_id new_id) {
  if (old_id == new_id) return STOKA_MANAGER_OK;
  if (stoka::CheckedMethod(new_id) == nullptr || HasDistribution(new_id)) return STOKA_MANAGER_BAD_ID;
  const Partners* old_partners = PartnersOf(old_id);
  if (old_partners == nullptr) return STOKA_MANAGER_OK;
  ClearData();
  const Partners partners = *old_partners;
  // The new identifier takes the old one's place in the enumeration order, and
  // stays registered even when the old one had no partners.
  const auto place = std::find(order_.begin(), order_.end(), old_id) - order_.begin();
  RemoveDistribution(old_id);
  int r = Refusable([&] {
    correlations_.emplace(new_id, Partners());
    order_.insert(order_.begin() + place, new_id);
  });
  for (auto it = partners.begin(); r == STOKA_MANAGER_OK && it != partners.end(); ++it)
    r = SetCorrelation(new_id, it->first, it->second, true);
  if (r != STOKA_MANAGER_OK) {
    RemoveDistribution(new_id);
    return r;
  }
  RebuildDistributions();
  return STOKA_MANAGER_OK;
}

int CorrelationManager::SetCorrelation(stoka_id a, stoka_id b, double c, bool rebuild) {
  if (!(std::fabs(c) <= 1.0)) return STOKA_MANAGER_BAD_COEFFICIENT;  // NaN too
  if (a == b) return c == 1.0 ? STOKA_MANAGER_OK : STOKA_MANAGER_BAD_COEFFICIENT;
  if (a == 0 || b == 0) return STOKA_MANAGER_BAD_ID;
  int r = SetCorrelationImpl(a, b, c);
  if (r == STOKA_MANAGER_OK) r = SetCorrelationImpl(b, a, c);
  if (rebuild) RebuildDistributions();
  return r;
}

int CorrelationManager::SetCorrelationImpl(stoka_id a, stoka_id b, double c) {
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
  drop(*of_a, b);
  Partners* of_b = PartnersOf(b);
  if (of_b == nullptr) return STOKA_MANAGER_BAD_ID;
  drop(*of_b, a);
  RebuildDistributions();
  return STOKA_MANAGER_OK;
}

void CorrelationManager::ClearCorrelations() {
  for (auto& entry : correlations_) entry.second.clear();
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
  for (auto& entry : distributed_data_) {
    entry.second.clear();
    entry.second.reserve(data_count_);
  }
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
  for (const auto& [a, partners] : correlations_)
    for (const auto& [b, c] : partners) {
      bool met = false;
      // Each edge once, from its smaller identifier.
      if (a < b && IsEdge(c) && (CorrelationOutcome(a, b, nullptr, &met, nullptr) != 0 || !met))
        ++count;
    }
  *missed = count;
  return STOKA_MANAGER_OK;
}

stoka_id* CorrelationManager::GetAllDistributions(unsigned* count) {
  if (count) *count = distributions_built_ ? static_cast<unsigned>(distributions_.size()) : 0;
  return distributions_built_ ? distributions_.data() : nullptr;
}

void CorrelationManager::RebuildDistributionsImpl() {
  distributions_ = order_;
  distributions_built_ = true;
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
  std::unordered_set<stoka_id> visited;
  for (stoka_id id : order_)
    if (!visited.count(id) && HasCyclesInComponent(id, visited)) return true;
  return false;
}

int CorrelationManager::Recalculate() {
  if (HasCycles()) return STOKA_MANAGER_CYCLE;
  // A method or distribution destroyed since it was registered: nothing is drawn.
  for (stoka_id id : order_)
    if (stoka::CheckedMethod(id) == nullptr) return STOKA_MANAGER_BAD_ID;
  ClearData();
  std::unordered_set<stoka_id> visited;
  int r = STOKA_MANAGER_OK;
  // Storage that runs out is refused like a table insertion.
  const int stored = Refusable([&] {
    for (auto it = order_.begin(); r == STOKA_MANAGER_OK && it != order_.end(); ++it)
      if (!visited.count(*it)) r = RecalculateComponent(*it, visited);
  });
  if (stored != STOKA_MANAGER_OK) r = stored;
  if (r != STOKA_MANAGER_OK) ClearData();
  return r;
}

int CorrelationManager::RecalculateComponent(stoka_id root, std::unordered_set<stoka_id>& visited) {
  std::vector<double>& sample = distributed_data_[root];
  sample.clear();
  sample.reserve(data_count_);
  AbstractGenerationMethod* method = MethodOf(root);
  for (unsigned i = 0; i < data_count_; ++i) sample.push_back(method->RandomValue().first);
  visited.insert(root);
  std::deque<stoka_id> frontier{root};
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
      distributed_data_[y] = std::move(derived);
      frontier.push_back(y);
    }
  }
  return STOKA_MANAGER_OK;
}
