// stoka: fit distributions to judged percentiles, run correlated Monte Carlo
// or Latin hypercube models, and fit families to data, through libstoka.
#include <CLI/CLI.hpp>
#include <iostream>
#include <new>
#include <sstream>

#include "cli.hpp"
#include "cluster.hpp"
#include "fit_command.hpp"
#include "model.hpp"
#include "output_file.hpp"
#include "run.hpp"
#include "stats_command.hpp"

namespace {

const char* const kConvention =
    "Percentiles: P10 is the value with a 10 % chance that the quantity lies BELOW it (the\n"
    "usual convention of risk tools). The library itself reads a percent as the chance of\n"
    "exceeding a value; stoka converts (P10 is given to the library as 90).";

const char* const kModelHelp =
    "Model files are JSON (see the README). A quantity may also carry \"occurs\": p (a risk\n"
    "event: it occurs with chance p and then costs its distribution; correlated through that\n"
    "cost), \"low\" and \"high\" (the distribution truncated to [low, high]) and \"total\": false\n"
    "(left out of the total). Correlations: the pairwise method (default) targets Pearson\n"
    "coefficients, \"correlation_method\": \"rank\" Spearman coefficients; run reports both\n"
    "reached beside each target. The tornado ranks the total's inputs by their rank\n"
    "correlation with the total, with each one's share cov(input, total) / var(total) of the\n"
    "total's variance.";
const char* const kExitCodes =
    "Exit status: 0 when the command did its work; 1 on any error, said on standard error: a\n"
    "bad command line, model or data file, an output that cannot be written (no output is\n"
    "then changed), a judged value missed under --strict, or too little memory.";

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"stoka: uncertain quantities with probability distributions (libstoka)"};
  app.footer(std::string(kConvention) + "\n\n" + kExitCodes);
  app.require_subcommand(1);
  bool verbose = false;
  app.add_flag("-v,--verbose", verbose, "Show the library's own progress lines");

  auto* fit = app.add_subcommand("fit", "Fit a family to values judged at percentiles");
  std::string family;
  std::vector<std::string> given;
  fit->add_option("family", family, "Family: triangular, logtriangular, pert, beta, normal, lognormal")
      ->required();
  fit->add_option("values", given,
                  "Judged values and fixed parameters as KEY=VALUE: P10=4.2 P90=9 min=1 mode=3 "
                  "max=12 mean=5 sd=2 location=0 alpha=2 beta=3");
  fit->footer(std::string(kConvention) + "\n\n" + cli::FitCasesHelp());
  bool strict_fit = false;
  const char* const kStrict =
      "Fail (exit 1) when no distribution of the family meets a judged value within 0.1 % of "
      "the judged values' span";
  fit->add_flag("--strict", strict_fit, kStrict);

  auto* run = app.add_subcommand("run", "Sample a model file with target correlations");
  std::string model_file;
  cli::RunOptions run_options;
  std::vector<std::string> percentile_list;
  run->add_option("model", model_file, "Model file (JSON)")->required()->check(CLI::ExistingFile);
  for (auto* command : {run, app.add_subcommand("demo", "Run the shipped project cost model")}) {
    command->add_option("--csv", run_options.csv,
                        "Write the samples to this CSV file (- for standard output, the report "
                        "then goes to standard error)");
    command->add_option("--plot", run_options.plot,
                        "Write histograms and cumulative curves (.svg or .html, - for SVG on "
                        "standard output)");
    command->add_option("--seed", run_options.seed, "Seed of both random sources");
    command->add_option("--samples", run_options.samples, "Sample count")
        ->check(CLI::Range(2u, 100000000u));
    command->add_flag("--strict", run_options.strict, kStrict);
    command->add_option("--percentiles", percentile_list,
                        "Percentiles of the total to report and mark on its S-curve, e.g. "
                        "10,50,80,90 (the default)")
        ->delimiter(',');
    command->add_flag("--json", run_options.json, "Print the report as JSON instead of text");
    command->add_flag("-q,--quiet", run_options.quiet, "Print nothing but errors");
    command->footer(std::string(kConvention) + "\n\n" + kModelHelp);
  }
  auto* demo = app.get_subcommand("demo");
  cli::ClusterOptions cluster_options;
  cli::AddClusterOptions(run, cluster_options);

  auto* stats = app.add_subcommand("stats", "Statistics of a CSV column and families fitted to it");
  std::string csv_file, column;
  stats->add_option("file", csv_file, "CSV file")->required()->check(CLI::ExistingFile);
  stats->add_option("-c,--column", column, "Column: header name or number from 1 (default 1)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help is a success; every mistake of the command line is status 1.
    return app.exit(e) == 0 ? 0 : 1;
  }

  cli::ReportWriteFailures();
  stoka_init();
  if (!verbose) stoka_silence_output();
  int status = 0;
  // With an output on standard output, the report goes to standard error.
  std::ostream& out = run_options.csv == "-" || run_options.plot == "-" ? std::cerr : std::cout;
  if (*run) run_options.inputs.push_back(model_file);
  try {
    if (!percentile_list.empty()) {
      run_options.percentiles.clear();
      for (const auto& p : percentile_list) {
        run_options.percentiles.push_back(cli::ParsePercentName("P" + p, "--percentiles"));
        if (!(run_options.percentiles.back() >= 0 && run_options.percentiles.back() <= 100))
          throw cli::InputError("--percentiles", "P" + p + " lies outside P0 to P100");
      }
    }
    if (*fit) {
      status = cli::FitCommand(family, given, strict_fit, std::cout);
    } else if (*run && cluster_options.Wanted()) {
      status = cli::RunInBlocks(cli::ParseModel(cli::ReadFile(model_file), model_file), run_options,
                               cluster_options, out);
    } else if (*run) {
      status = cli::RunModel(cli::ParseModel(cli::ReadFile(model_file), model_file), run_options, out);
    } else if (*demo) {
      status = cli::RunModel(cli::ParseModel(cli::kDemoModel, "demo model"), run_options, out);
    } else if (*stats) {
      status = cli::StatsCommand(cli::ReadColumn(cli::ReadFile(csv_file), csv_file, column),
                                 std::cout);
    }
  } catch (const cli::InputError& e) {
    std::cerr << "stoka: " << e.what() << '\n';
    status = 1;
  } catch (const std::bad_alloc&) {
    std::cerr << "stoka: out of memory: the run needs more memory than the machine gives it "
                 "(fewer samples or quantities need less)\n";
    status = 1;
  } catch (const std::exception& e) {
    std::cerr << "stoka: " << e.what() << '\n';
    status = 1;
  }
  stoka_done();
  if (!std::cout.flush()) {
    std::cerr << "stoka: standard output cannot be written\n";
    status = 1;
  }
  return status;
}
