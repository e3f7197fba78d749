// `stoka run`: the model drawn once by its runner (fitted, sampled, correlated
// through the correlation manager or the rank-correlation engine), reported.
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
#include "output_file.hpp"
#include "runner.hpp"
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

  const ModelRunner runner(model, options.strict,
                           [&](const std::string& name) { progress.Step("fitting " + name); });
  const std::vector<Quantity>& quantities = runner.quantities();
  progress.Step("sampling");
  const std::unique_ptr<Draw> draw = runner.Run(n, seed);
  const std::vector<Sample>& samples = draw->samples;
  const double repaired = draw->repaired;
  progress.Step("statistics");
  Outcome outcome = Analyse(runner.model(), quantities, samples, n, seed, options.percentiles);
  outcome.pairs = draw->pairs;
  outcome.repaired = repaired;

  out << "Model " << model.file << ": " << quantities.size() << " quantities, " << n << " "
      << (model.latin ? "Latin hypercube" : "Monte Carlo") << " samples, seed " << seed << "\n\n";
  runner.Describe(out);
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
