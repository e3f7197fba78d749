// `stoka run`: the model drawn once by its runner (fitted, sampled, correlated
// through the correlation manager or the rank-correlation engine), reported;
// and the end that a run in blocks shares: report, samples and picture.
#include "run.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

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

RunOutputs::RunOutputs(const RunOptions& options) {
  if (!options.csv.empty()) csv.emplace(options.csv);
  if (!options.plot.empty()) plot.emplace(options.plot);
  html = plot && PictureIsHtml(*plot);
  std::vector<const OutputFile*> outputs;
  for (const auto* o : {&csv, &plot})
    if (*o) outputs.push_back(&**o);
  CheckOutputs(outputs, options.inputs);
}

int Finish(const ModelRunner& runner, const Outcome& outcome, const std::vector<Sample>& samples,
           RunOutputs& outputs, const RunOptions& options, std::ostream& report) {
  // The text report goes nowhere when the report is JSON or nothing is asked.
  std::ostream nowhere(nullptr);
  std::ostream& out = options.json || options.quiet ? nowhere : report;
  WriteText(out, runner, outcome);
  auto& [csv, plot, html] = outputs;
  if (csv) WriteSamplesCsv(*csv, runner.quantities(), samples);
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

int RunModel(const Model& model, const RunOptions& options, std::ostream& report) {
  // Every output is checked, and its temporary file made, before any work.
  RunOutputs outputs(options);
  const unsigned n = options.samples ? *options.samples : model.samples;
  const uint32_t seed = options.seed ? *options.seed : model.seed;
  Progress progress(!options.quiet && n >= 200000, static_cast<int>(model.quantities.size()) + 3);

  const ModelRunner runner(model, options.strict,
                           [&](const std::string& name) { progress.Step("fitting " + name); });
  progress.Step("sampling");
  const std::unique_ptr<Draw> draw = runner.Run(n, seed);
  progress.Step("statistics");
  const Outcome outcome = runner.Analyse(*draw, n, seed, options.percentiles);
  progress.Step("writing");
  return Finish(runner, outcome, draw->samples, outputs, options, report);
}

}  // namespace cli
