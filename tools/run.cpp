// `stoka run`: fit, sample, correlate through the correlation manager (or the
// rank-correlation engine), report.
#include "run.hpp"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <cstdio>
#include <iomanip>
#include <map>
#include <set>
#include <sstream>

#include "charts.hpp"
#include "core/constants.hpp"
#include "outcome.hpp"
#include "output_file.hpp"
#include "samples_csv.hpp"

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
void RankReorder(const Model& model, std::vector<double>& data, unsigned n,
                 RankCorrelation*& engine, double& repaired) {
  std::map<std::string, unsigned> index;
  for (const auto& q : model.quantities) index.emplace(q.name, static_cast<unsigned>(index.size()));
  const unsigned d = static_cast<unsigned>(data.size() / n);
  if (!CreateRankCorrelation(&engine, d))
    throw InputError(model.file, "the rank-correlation engine takes 1 to 1024 quantities");
  auto check = [&](int code, const std::string& where) {
    if (code != STOKA_RANK_OK) throw InputError(where, stoka_rank_code_text(code));
  };
  for (const auto& c : model.correlations)
    check(SetRankCorrelation(engine, index[c.a], index[c.b], c.coefficient), c.where);
  check(CheckRankMatrix(engine, &repaired), model.file + ": correlations");
  check(ApplyRankCorrelation(engine, data.data(), n), model.file);
}

void PrintSummaryRow(std::ostream& out, const std::string& name, const Summary& s) {
  out << "  " << std::left << std::setw(18) << name.substr(0, 18) << std::right;
  for (double v : {s.mean, s.sd, s.min, s.p5, s.p50, s.p95, s.max})
    out << std::setw(12) << std::setprecision(6) << v;
  out << '\n';
}

// The picture's format from its name: .svg, or .html (.htm); a stream with
// neither (standard output, a FIFO) takes SVG.
bool PictureIsHtml(const OutputFile& picture) {
  const std::string& path = picture.path();
  const auto dot = path.rfind('.'), slash = path.rfind('/');
  std::string extension;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
    for (char c : path.substr(dot)) extension += static_cast<char>(std::tolower(c));
  if (extension == ".html" || extension == ".htm") return true;
  if (extension == ".svg" || (extension.empty() && !picture.IsFile())) return false;
  throw InputError(path, "--plot writes .svg or .html pictures" +
                             (extension.empty() ? std::string(": name the file so")
                                                : ", not " + extension));
}

// A code of the manager as an error; storage refused is running out of memory.
void CheckManager(int code, const std::string& where) {
  if (code == STOKA_MANAGER_REFUSED || code == STOKA_MANAGER_NULL) throw std::bad_alloc();
  if (code != STOKA_MANAGER_OK) throw InputError(where, ManagerSentence(code));
}

}  // namespace

int RunModel(const Model& model, const RunOptions& options, std::ostream& report) {
  // Every output is checked, and its temporary file made, before any work.
  std::optional<OutputFile> csv, plot;
  if (!options.csv.empty()) csv.emplace(options.csv);
  if (!options.plot.empty()) plot.emplace(options.plot);
  const bool html = plot && PictureIsHtml(*plot);
  std::vector<const OutputFile*> outputs;
  for (const auto* o : {&csv, &plot})
    if (*o) outputs.push_back(&**o);
  CheckOutputs(outputs, options.inputs);

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
  CheckManager(SetDataCount(h.manager, n), model.file + ": samples");
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
    CheckManager(AddDistribution(h.manager, id), model.file + ": " + q.name);
    ids[q.name] = id;
  }
  for (const auto& c : model.correlations)
    if (!model.rank)
      CheckManager(SetCorrelation(h.manager, ids[c.a], ids[c.b], c.coefficient, 0), c.where);
  progress.Step("sampling");
  if (const int code = RecalculateManager(h.manager); code == STOKA_MANAGER_NO_SAMPLE) {
    std::string names;
    for (const auto& q : quantities) {
      unsigned count = 0;
      GetDistributedData(h.manager, ids[q.name], &count);
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
  std::vector<Sample> samples;
  std::vector<double> owned;
  for (const auto& q : quantities) {
    unsigned count = 0;
    const double* data = GetDistributedData(h.manager, ids[q.name], &count);
    if (!data || count != n) throw InputError(model.file, "no sample was drawn for " + q.name);
    samples.emplace_back(data, count);
  }
  double repaired = 0.0;
  if (model.rank) {
    owned.reserve(size_t{n} * samples.size());
    for (const auto& s : samples) owned.insert(owned.end(), s.begin(), s.end());
    DestroyCorrelationManager(&h.manager);
    RankReorder(model, owned, n, h.rank, repaired);
    for (size_t q = 0; q < samples.size(); ++q) samples[q] = Sample(owned.data() + q * n, n);
  }
  OwnedSamples changed;
  windows.MapGrouped(quantities, samples, changed);
  // Correlations are measured on what was correlated: a risk event's impact.
  std::vector<PairOutcome> reached = PairsReached(model, samples);
  for (auto& p : reached) {
    int met = 1;
    if (!model.rank) GetCorrelationOutcome(h.manager, ids[p.a], ids[p.b], nullptr, &met, &p.bound);
    p.missed = !met;
  }
  ApplyOccurrences(model, samples, changed);
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
    if (!q.fit_case.empty()) out << "  (fitted to " << JudgedNames(q.judged) << ")";
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

  if (csv) WriteSamplesCsv(*csv, quantities, samples);
  if (plot) {
    if (html)
      WriteHtml(plot->Stream(), outcome);
    else
      WriteSvg(plot->Stream(), outcome);
  }
  // Files are put in place only once every output was written whole, the
  // streams (a FIFO, standard output) first.
  for (const bool files : {false, true})
    for (auto* o : {&csv, &plot})
      if (*o && (*o)->IsFile() == files) (*o)->Commit();
  auto name = [](const std::string& path) { return path == "-" ? "standard output" : path; };
  if (csv) out << "\nSamples written to " << name(options.csv) << '\n';
  if (plot) out << "Picture written to " << name(options.plot) << '\n';
  if (options.json) WriteJson(report, outcome);
  return 0;
}

}  // namespace cli
