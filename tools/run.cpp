// `stoka run`: fit, sample, correlate through the correlation manager (or the
// rank-correlation engine), report.
#include "run.hpp"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <iomanip>
#include <map>
#include <set>
#include <sstream>

#include "charts.hpp"
#include "core/constants.hpp"
#include "outcome.hpp"

namespace cli {
namespace {

// A bar on standard error, only when it is a terminal and the run is long.
class Progress {
 public:
  Progress(bool enabled, int steps) : enabled_(enabled && ::isatty(2)), steps_(steps) {}
  ~Progress() {
    if (enabled_) std::fprintf(stderr, "\r%60s\r", "");
  }
  void Step(const std::string& what) {
    if (!enabled_) return;
    ++done_;
    const int width = 30, filled = done_ * width / std::max(1, steps_);
    std::fprintf(stderr, "\r[%s%s] %-24.24s", std::string(filled, '#').c_str(),
                 std::string(width - filled, ' ').c_str(), what.c_str());
    std::fflush(stderr);
  }

 private:
  bool enabled_;
  int steps_, done_ = 0;
};

// The handles of one run, released in the order the library asks: manager,
// then methods, then (through the quantities) distributions.
struct Handles {
  CorrelationManager* manager = nullptr;
  RankCorrelation* rank = nullptr;
  std::vector<AbstractGenerationMethod*> methods;
  ~Handles() {
    DestroyRankCorrelation(&rank);
    DestroyCorrelationManager(&manager);
    for (auto*& m : methods) DestroyLatinCubeMethod(&m);
  }
};

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

// A cycle among the correlation pairs, as names joined by dashes; empty if none.
std::string FindCycle(const Model& model) {
  std::map<std::string, std::vector<std::string>> next;
  for (const auto& c : model.correlations) {
    next[c.a].push_back(c.b);
    next[c.b].push_back(c.a);
  }
  std::map<std::string, std::string> parent;
  std::set<std::string> seen;
  std::string found;
  std::function<bool(const std::string&, const std::string&)> visit =
      [&](const std::string& at, const std::string& from) {
        seen.insert(at);
        bool skipped_parent = false;
        for (const auto& to : next[at]) {
          if (to == from && !skipped_parent) {
            skipped_parent = true;  // the edge we came by (a second one is a cycle)
            continue;
          }
          if (seen.count(to)) {
            found = to;
            for (std::string x = at; x != to && !x.empty(); x = parent[x]) found = x + " - " + found;
            found = to + " - " + found;
            return true;
          }
          parent[to] = at;
          if (visit(to, at)) return true;
        }
        return false;
      };
  for (const auto& [name, unused] : next)
    if (!seen.count(name) && visit(name, "")) return found;
  return "";
}

// The samples rearranged so that their rank correlations meet the model's
// pairs (every other pair 0); the largest change the matrix needed to be valid.
void RankReorder(const Model& model, std::vector<std::vector<double>>& samples,
                 RankCorrelation*& engine, double& repaired) {
  std::map<std::string, unsigned> index;
  for (const auto& q : model.quantities) index.emplace(q.name, static_cast<unsigned>(index.size()));
  const unsigned d = static_cast<unsigned>(samples.size()), n = static_cast<unsigned>(samples[0].size());
  if (!CreateRankCorrelation(&engine, d))
    throw InputError(model.file, "the rank-correlation engine takes 1 to 1024 quantities");
  auto check = [&](int code, const std::string& where) {
    if (code != STOKA_RANK_OK) throw InputError(where, stoka_rank_code_text(code));
  };
  for (const auto& c : model.correlations)
    check(SetRankCorrelation(engine, index[c.a], index[c.b], c.coefficient), c.where);
  check(CheckRankMatrix(engine, &repaired), model.file + ": correlations");
  std::vector<double> data;
  for (const auto& s : samples) data.insert(data.end(), s.begin(), s.end());
  check(ApplyRankCorrelation(engine, data.data(), n), model.file);
  for (unsigned k = 0; k < d; ++k) std::copy_n(data.begin() + size_t{k} * n, n, samples[k].begin());
}

void PrintSummaryRow(std::ostream& out, const std::string& name, const Summary& s) {
  out << "  " << std::left << std::setw(18) << name.substr(0, 18) << std::right;
  for (double v : {s.mean, s.sd, s.min, s.p5, s.p50, s.p95, s.max})
    out << std::setw(12) << std::setprecision(6) << v;
  out << '\n';
}

}  // namespace

int RunModel(const Model& model, const RunOptions& options, std::ostream& report) {
  const unsigned n = options.samples ? *options.samples : model.samples;
  const uint32_t seed = options.seed ? *options.seed : model.seed;
  // The text report goes nowhere when the report is JSON or nothing is asked.
  std::ostream nowhere(nullptr);
  std::ostream& out = options.json || options.quiet ? nowhere : report;
  Progress progress(!options.quiet && n >= 200000, static_cast<int>(model.quantities.size()) + 3);

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
    if (options.strict && !quantities.back().miss.empty())
      throw InputError(spec.where, quantities.back().miss);
    progress.Step("fitting " + spec.name);
  }

  // Same seed, same numbers: both of the library's random sources start here.
  stoka_seed_all(seed);

  Handles h;
  if (!CreateCorrelationManager(&h.manager))
    throw InputError(model.file, "the correlation manager could not be created");
  if (int code = SetDataCount(h.manager, n); code != STOKA_MANAGER_OK)
    throw InputError(model.file + ": samples", ManagerSentence(code));
  std::map<std::string, stoka_id> ids;
  const Windows windows(model);
  for (auto& q : quantities) {
    AbstractGenerationMethod* method = nullptr;
    // A constant has no strata: it is drawn by Monte Carlo whatever the method.
    if (model.latin) CreateLatinCubeMethod(&method, q.handle, 0.0, 1.0, static_cast<int>(n));
    const bool latin = method != nullptr;
    if (!method) CreateMonteCarloMethod(&method, q.handle, 0.0, 1.0);
    if (!method) throw InputError(model.file, "cannot sample \"" + q.name + "\"");
    h.methods.push_back(method);
    windows.Set(h.methods.size() - 1, method, latin, q.handle);
    const stoka_id id = reinterpret_cast<stoka_id>(method);
    if (int code = AddDistribution(h.manager, id); code != STOKA_MANAGER_OK)
      throw InputError(model.file, q.name + ": " + ManagerSentence(code));
    ids[q.name] = id;
  }
  for (const auto& c : model.correlations)
    if (int code = model.rank ? 0 : SetCorrelation(h.manager, ids[c.a], ids[c.b], c.coefficient, 0);
        code != STOKA_MANAGER_OK)
      throw InputError(c.where, ManagerSentence(code));
  progress.Step("sampling");
  if (int code = RecalculateManager(h.manager); code != STOKA_MANAGER_OK)
    throw InputError(model.file + ": correlations", ManagerSentence(code));

  std::vector<std::vector<double>> samples;
  for (const auto& q : quantities) {
    unsigned count = 0;
    const double* data = GetDistributedData(h.manager, ids[q.name], &count);
    if (!data || count != n) throw InputError(model.file, "no sample was drawn for " + q.name);
    samples.emplace_back(data, data + count);
  }
  double repaired = 0.0;
  if (model.rank) RankReorder(model, samples, h.rank, repaired);
  windows.MapGrouped(quantities, samples);
  // Correlations are measured on what was correlated: a risk event's impact.
  std::vector<PairOutcome> reached = PairsReached(model, samples);
  for (auto& p : reached) {
    int met = 1;
    if (!model.rank) GetCorrelationOutcome(h.manager, ids[p.a], ids[p.b], nullptr, &met, &p.bound);
    p.missed = !met;
  }
  ApplyOccurrences(model, samples);
  progress.Step("statistics");
  Outcome outcome = Analyse(model, quantities, samples, n, seed, options.percentiles);
  outcome.pairs = std::move(reached);
  outcome.repaired = repaired;

  out << "Model " << model.file << ": " << quantities.size() << " quantities, " << n << " "
      << (model.latin ? "Latin hypercube" : "Monte Carlo") << " samples, seed " << seed << "\n\n";
  out << "Quantities\n";
  for (const auto& q : quantities) {
    out << "  " << q.name << ": " << q.family;
    for (const auto& [name, value] : q.params) out << " " << name << "=" << value;
    if (!q.fit_case.empty()) out << "  (fitted by " << q.fit_case << ")";
    const QuantitySpec& spec = model.quantities[&q - quantities.data()];
    if (spec.occurs < 1) out << "; occurs with chance " << spec.occurs;
    if (!WindowWords(spec).empty()) out << "; " << WindowWords(spec);
    if (!spec.in_total) out << "; not in the total";
    out << '\n';
    if (!q.miss.empty()) out << "    note: " << q.miss << '\n';
  }
  out << "\nSummary\n  " << std::left << std::setw(18) << "quantity" << std::right;
  for (const char* h2 : {"mean", "sd", "min", "P5", "P50", "P95", "max"}) out << std::setw(12) << h2;
  out << '\n';
  for (size_t q = 0; q < quantities.size(); ++q)
    PrintSummaryRow(out, quantities[q].name, outcome.summaries[q]);
  PrintSummaryRow(out, "Total", outcome.total_summary);
  PrintPercentiles(out, outcome);

  if (!model.correlations.empty()) {
    out << (model.rank ? "\nCorrelations: targets of ranks (Spearman), every pair of a full matrix\n  "
                       : "\nCorrelations: Pearson targets, met by the pairwise method\n  ")
        << std::left << std::setw(36) << "pair" << std::right << std::setw(10) << "target"
        << std::setw(10) << "Pearson" << std::setw(10) << "Spearman" << '\n';
    for (const PairOutcome& p : outcome.pairs) {
      out << "  " << std::left << std::setw(36) << (p.a + " / " + p.b).substr(0, 36) << std::right
          << std::fixed << std::setprecision(3) << std::setw(10) << p.target << std::setw(10)
          << p.pearson << std::setw(10) << p.spearman;
      // A target beyond what the two marginals allow is missed, and said so.
      if (p.missed) out << "  missed; the bound of the two is " << p.bound;
      out << std::defaultfloat << '\n';
    }
    if (repaired > 0)
      out << "  The targets cannot all be met together: they were moved to the nearest matrix\n"
             "  that can, each by at most " << std::setprecision(3) << repaired << ".\n";
  }
  PrintTornado(out, outcome);
  out << "\nHistograms\n";
  for (size_t q = 0; q < quantities.size(); ++q)
    out << "  " << quantities[q].name << '\n' << Histogram(samples[q], 12, 40);
  progress.Step("writing");

  if (!options.csv.empty()) {
    std::ostringstream csv;
    csv << std::setprecision(17);
    for (size_t q = 0; q < quantities.size(); ++q) csv << (q ? "," : "") << quantities[q].name;
    csv << '\n';
    for (unsigned i = 0; i < n; ++i) {
      for (size_t q = 0; q < quantities.size(); ++q) csv << (q ? "," : "") << samples[q][i];
      csv << '\n';
    }
    WriteFileAtomically(options.csv, csv.str());
    out << "\nSamples written to " << options.csv << '\n';
  }
  if (!options.plot.empty()) {
    const bool html = options.plot.size() >= 5 &&
                      (options.plot.substr(options.plot.size() - 5) == ".html" ||
                       options.plot.substr(options.plot.size() - 4) == ".htm");
    std::ostringstream picture;
    if (html)
      WriteHtml(picture, outcome);
    else
      WriteSvg(picture, outcome);
    WriteFileAtomically(options.plot, picture.str());
    out << "Picture written to " << options.plot << '\n';
  }
  if (options.json) WriteJson(report, outcome);
  return 0;
}

}  // namespace cli
