// `stoka run` and `stoka demo`.
#ifndef STOKA_TOOLS_RUN_HPP
#define STOKA_TOOLS_RUN_HPP

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "model.hpp"
#include "output_file.hpp"
#include "runner.hpp"

namespace cli {

struct RunOptions {
  std::string csv;
  std::string plot;
  std::optional<uint32_t> seed;
  std::optional<unsigned> samples;
  // A judged value that its fit misses by more than 0.1 % of the judged
  // values' span is an error (otherwise a note).
  bool strict = false;
  // The total's percentiles to report and mark (percent below).
  std::vector<double> percentiles = kReportPercents;
  bool json = false;   // the report as JSON instead of text
  bool quiet = false;  // no report at all: errors only
  // Files this run reads, which no output may replace.
  std::vector<std::string> inputs;
};

int RunModel(const Model& model, const RunOptions& options, std::ostream& out);

// The outputs a run names (--csv, --plot): checked, and their temporary files
// made, before any work.
struct RunOutputs {
  explicit RunOutputs(const RunOptions& options);
  std::optional<OutputFile> csv, plot;
  bool html = false;  // the picture is a page, not an SVG document
};

// The end of a run: its report (text, JSON or nothing), its samples and its
// picture written, and the outputs put in place once all were written whole.
int Finish(const ModelRunner& runner, const Outcome& outcome, const std::vector<Sample>& samples,
           RunOutputs& outputs, const RunOptions& options, std::ostream& report);

// The model that `stoka demo` runs: a small project cost model.
extern const char* const kDemoModel;

}  // namespace cli

#endif
