// The draw of a model, shared by `stoka run` and the blocks of a run spread
// over a cluster: checks of the correlations, quantities, both random sources
// seeded, the correlation manager (or the rank-correlation engine), windows
// and risk events.
#include "runner.hpp"

#include <algorithm>
#include <map>
#include <new>
#include <set>

namespace cli {
namespace {

const char* const kTreeOrRank =
    "pairwise correlations must form a tree, while \"correlation_method\": \"rank\" takes any "
    "matrix of rank correlations";

std::string ManagerSentence(int code) {
  switch (code) {
    case STOKA_MANAGER_CYCLE: return "the correlations form a cycle; " + std::string(kTreeOrRank);
    case STOKA_MANAGER_BAD_COEFFICIENT: return "a coefficient lies outside -1..1";
    case STOKA_MANAGER_BAD_TOLERANCE: return "the correlation tolerance is below 1e-6";
    case STOKA_MANAGER_BAD_MAX_STEPS: return "the correlation step limit is zero";
    case STOKA_MANAGER_BAD_DATA_COUNT: return "the sample count is zero";
    case STOKA_MANAGER_BAD_ID:
      return "a quantity is not registered with the correlation manager";
    case STOKA_MANAGER_REFUSED: return "a quantity is registered twice";
    case STOKA_MANAGER_NO_SAMPLE: return "there is no sample to compute with";
    case STOKA_MANAGER_NULL: return "the correlation manager is missing";
    default: return "the correlation manager answered code " + std::to_string(code);
  }
}

// A cycle among the correlation pairs, as names joined by dashes; empty if
// none. A depth-first walk with its own stack: a chain of 10^5 pairs is as
// deep as the walk goes.
std::string FindCycle(const Model& model) {
  std::map<std::string, std::vector<std::string>> next;
  for (const auto& c : model.correlations) {
    next[c.a].push_back(c.b);
    next[c.b].push_back(c.a);
  }
  std::map<std::string, std::string> parent;
  std::set<std::string> seen;
  struct Step {
    const std::string* at;
    const std::string* from;
    size_t edge;
    bool skipped_parent;  // the edge we came by (a second one is a cycle)
  };
  for (const auto& [root, unused] : next) {
    if (!seen.insert(root).second) continue;
    std::vector<Step> path{{&root, nullptr, 0, false}};
    while (!path.empty()) {
      Step& step = path.back();
      const auto& edges = next.at(*step.at);
      if (step.edge == edges.size()) {
        path.pop_back();
        continue;
      }
      const std::string& to = edges[step.edge++];
      if (step.from && to == *step.from && !step.skipped_parent) {
        step.skipped_parent = true;
        continue;
      }
      if (!seen.insert(to).second) {
        std::vector<std::string> ring{to};
        for (std::string x = *step.at; x != to && !x.empty(); x = parent[x]) ring.push_back(x);
        ring.push_back(to);
        std::reverse(ring.begin() + 1, ring.end() - 1);
        // A long cycle is named by its ends.
        const size_t kShown = 12, size = ring.size() - 1;
        if (ring.size() > kShown)
          ring.erase(ring.begin() + kShown / 2, ring.end() - kShown / 2),
              ring.insert(ring.begin() + kShown / 2, "...");
        std::string found;
        for (const auto& name : ring) found += (found.empty() ? "" : " - ") + name;
        return size < kShown ? found : found + ", " + std::to_string(size) + " quantities";
      }
      parent[to] = *step.at;
      const Step deeper{&to, step.at, 0, false};
      path.push_back(deeper);
    }
  }
  return "";
}

// The samples rearranged so that their rank correlations meet the model's
// pairs (every other pair 0); the largest change the matrix needed to be valid.
void CheckRank(int code, const std::string& where) {
  if (code != STOKA_RANK_OK) throw InputError(where, stoka_rank_code_text(code));
}

// The rank-correlation engine holding the model's targets, checked; the
// largest change the matrix needed to be valid.
void RankTargets(const Model& model, RankCorrelation*& engine, double& repaired) {
  std::map<std::string, unsigned> index;
  for (const auto& q : model.quantities) index.emplace(q.name, static_cast<unsigned>(index.size()));
  if (!CreateRankCorrelation(&engine, static_cast<unsigned>(model.quantities.size())))
    throw InputError(model.file, "the rank-correlation engine takes 1 to 1024 quantities");
  for (const auto& c : model.correlations)
    CheckRank(SetRankCorrelation(engine, index[c.a], index[c.b], c.coefficient), c.where);
  CheckRank(CheckRankMatrix(engine, &repaired), model.file + ": correlations");
}

void RankReorder(const Model& model, std::vector<double>& data, unsigned n,
                 RankCorrelation*& engine, double& repaired) {
  RankTargets(model, engine, repaired);
  CheckRank(ApplyRankCorrelation(engine, data.data(), n), model.file);
}

// A code of the manager as an error; storage refused is running out of memory.
void CheckManager(int code, const std::string& where) {
  if (code == STOKA_MANAGER_REFUSED || code == STOKA_MANAGER_NULL) throw std::bad_alloc();
  if (code != STOKA_MANAGER_OK) throw InputError(where, ManagerSentence(code));
}


std::vector<Quantity> MakeQuantities(const Model& model, bool strict,
                                     const std::function<void(const std::string&)>& made) {
  std::set<std::pair<std::string, std::string>> pairs;
  for (const auto& c : model.correlations)
    if (!pairs.insert(std::minmax(c.a, c.b)).second)
      throw InputError(c.where, "the pair " + c.a + " / " + c.b + " is given twice");
  const std::string cycle = model.rank ? "" : FindCycle(model);
  if (!cycle.empty())
    throw InputError(model.file + ": correlations",
                     "the correlations form a cycle (" + cycle + "); " + kTreeOrRank);
  std::vector<Quantity> quantities;
  for (const auto& spec : model.quantities) {
    quantities.push_back(MakeQuantity(spec));
    if (strict && !quantities.back().miss.empty()) throw InputError(spec.where, quantities.back().miss);
    if (made) made(spec.name);
  }
  return quantities;
}

}  // namespace

Draw::~Draw() {
  DestroyRankCorrelation(&rank);
  DestroyCorrelationManager(&manager);
  for (auto*& m : methods) DestroyLatinCubeMethod(&m);
}

ModelRunner::ModelRunner(Model model, bool strict, const std::function<void(const std::string&)>& made)
    : model_(std::move(model)), quantities_(MakeQuantities(model_, strict, made)), windows_(model_) {}

std::unique_ptr<Draw> ModelRunner::Run(unsigned n, uint32_t seed, bool pairs) const {
  const Model& model = model_;
  // Same seed, same numbers: both of the library's random sources start here.
  stoka_seed_all(seed);

  auto h = std::make_unique<Draw>();
  if (!CreateCorrelationManager(&h->manager))
    throw InputError(model.file, "the correlation manager could not be created");
  CheckManager(SetDataCount(h->manager, n), model.file + ": samples");
  std::map<std::string, stoka_id> ids;
  for (auto& q : quantities_) {
    AbstractGenerationMethod* method = nullptr;
    // A constant has no strata: it is drawn by Monte Carlo whatever the method.
    if (model.latin) CreateLatinCubeMethod(&method, q.handle, 0.0, 1.0, static_cast<int>(n));
    const bool latin = method != nullptr;
    if (!method) CreateMonteCarloMethod(&method, q.handle, 0.0, 1.0);
    if (!method) throw InputError(model.file, "cannot sample \"" + q.name + "\"");
    h->methods.push_back(method);
    windows_.Set(h->methods.size() - 1, method, latin, q.handle);
    const stoka_id id = reinterpret_cast<stoka_id>(method);
    CheckManager(AddDistribution(h->manager, id), model.file + ": " + q.name);
    ids[q.name] = id;
  }
  for (const auto& c : model.correlations)
    if (!model.rank)
      CheckManager(SetCorrelation(h->manager, ids[c.a], ids[c.b], c.coefficient, 0), c.where);
  if (const int code = RecalculateManager(h->manager); code == STOKA_MANAGER_NO_SAMPLE) {
    std::string names;
    for (const auto& q : quantities_) {
      unsigned count = 0;
      GetDistributedData(h->manager, ids[q.name], &count);
      if (count != n) names += (names.empty() ? "" : ", ") + q.name;
    }
    throw InputError(model.file + ": correlations",
                     "no sample could be drawn for " + names +
                         ": a correlated partner is constant, or its values are too large to correlate");
  } else {
    CheckManager(code, model.file + ": correlations");
  }

  // The samples are read where the manager keeps them; the rank path reorders
  // a matrix of its own, made before the manager's copy is released.
  std::vector<Sample>& samples = h->samples;
  for (const auto& q : quantities_) {
    unsigned count = 0;
    const double* data = GetDistributedData(h->manager, ids[q.name], &count);
    if (!data || count != n) throw InputError(model.file, "no sample was drawn for " + q.name);
    samples.emplace_back(data, count);
  }
  if (model.rank) {
    std::vector<double>& owned = h->matrix;
    owned.reserve(size_t{n} * samples.size());
    for (const auto& s : samples) owned.insert(owned.end(), s.begin(), s.end());
    DestroyCorrelationManager(&h->manager);
    RankReorder(model, owned, n, h->rank, h->repaired);
    for (size_t q = 0; q < samples.size(); ++q) samples[q] = Sample(owned.data() + q * n, n);
  }
  windows_.MapGrouped(quantities_, samples, h->changed);
  // Correlations are measured on what was correlated: a risk event's impact.
  if (pairs) h->pairs = PairsReached(model, samples);
  for (auto& p : h->pairs) {
    int met = 1;
    if (!model.rank) GetCorrelationOutcome(h->manager, ids[p.a], ids[p.b], nullptr, &met, &p.bound);
    p.missed = !met;
  }
  ApplyOccurrences(model, samples, h->changed);
  return h;
}

Outcome ModelRunner::Analyse(const Draw& draw, unsigned n, uint32_t seed,
                             const std::vector<double>& percents) const {
  Outcome outcome = cli::Analyse(model_, quantities_, draw.samples, n, seed, percents);
  outcome.pairs = draw.pairs;
  outcome.repaired = draw.repaired;
  return outcome;
}

double ModelRunner::RankRepair() const {
  double repaired = 0.0;
  if (!model_.rank) return repaired;
  RankCorrelation* engine = nullptr;
  try {
    RankTargets(model_, engine, repaired);
  } catch (...) {
    DestroyRankCorrelation(&engine);
    throw;
  }
  DestroyRankCorrelation(&engine);
  return repaired;
}

void ModelRunner::Describe(std::ostream& out) const {
  out << "Quantities\n";
  for (size_t k = 0; k < quantities_.size(); ++k) {
    const Quantity& q = quantities_[k];
    const QuantitySpec& spec = model_.quantities[k];
    out << "  " << q.name << ": " << q.family;
    for (const auto& [name, value] : q.params) out << " " << name << "=" << value;
    if (!q.fit_case.empty()) out << "  (fitted to " << JudgedNames(q.judged) << ")";
    if (spec.occurs < 1) out << "; occurs with chance " << spec.occurs;
    if (!WindowWords(spec).empty()) out << "; " << WindowWords(spec);
    if (!spec.in_total) out << "; not in the total";
    out << '\n';
    if (!q.miss.empty()) out << "    note: " << q.miss << '\n';
  }
}

}  // namespace cli
