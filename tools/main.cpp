// stoka: fit distributions to judged percentiles, run correlated Monte Carlo
// or Latin hypercube models, and fit families to data, through libstoka.
#include <CLI/CLI.hpp>
#include <iostream>
#include <sstream>

#include "cli.hpp"
#include "cluster.hpp"
#include "fit_command.hpp"
#include "run.hpp"
#include "stats_command.hpp"

namespace {

const char* const kConvention =
    "Percentiles: P10 is the value with a 10 % chance that the quantity lies BELOW it (the\n"
    "usual convention of risk tools). The library itself reads a percent as the chance of\n"
    "exceeding a value; stoka converts (P10 is given to the library as 90).";

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"stoka: uncertain quantities with probability distributions (libstoka)"};
  app.footer(kConvention);
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
  run->add_option("model", model_file, "Model file (JSON)")->required()->check(CLI::ExistingFile);
  for (auto* command : {run, app.add_subcommand("demo", "Run the shipped project cost model")}) {
    command->add_option("--csv", run_options.csv, "Write the samples to this CSV file");
    command->add_option("--plot", run_options.plot,
                        "Write histograms and cumulative curves (.svg or .html)");
    command->add_option("--seed", run_options.seed, "Seed of both random sources");
    command->add_option("--samples", run_options.samples, "Sample count")
        ->check(CLI::Range(2u, 100000000u));
    command->add_flag("--strict", run_options.strict, kStrict);
    command->footer(kConvention);
  }
  auto* demo = app.get_subcommand("demo");
  cli::ClusterOptions cluster_options;
  cli::AddClusterOptions(run, cluster_options);

  auto* stats = app.add_subcommand("stats", "Statistics of a CSV column and families fitted to it");
  std::string csv_file, column;
  stats->add_option("file", csv_file, "CSV file")->required()->check(CLI::ExistingFile);
  stats->add_option("-c,--column", column, "Column: header name or number from 1 (default 1)");

  CLI11_PARSE(app, argc, argv);

  stoka_init();
  if (!verbose) stoka_silence_output();
  int status = 0;
  try {
    if (*fit) {
      status = cli::FitCommand(family, given, strict_fit, std::cout);
    } else if (*run && cluster_options.Wanted()) {
      status = cli::RunOnCluster(model_file, run_options, cluster_options);
    } else if (*run) {
      status = cli::RunModel(cli::ParseModel(cli::ReadFile(model_file), model_file), run_options,
                             std::cout);
    } else if (*demo) {
      status = cli::RunModel(cli::ParseModel(cli::kDemoModel, "demo model"), run_options, std::cout);
    } else if (*stats) {
      status = cli::StatsCommand(cli::ReadColumn(cli::ReadFile(csv_file), csv_file, column),
                                 std::cout);
    }
  } catch (const cli::InputError& e) {
    std::cerr << "stoka: " << e.what() << '\n';
    status = 1;
  } catch (const std::exception& e) {
    std::cerr << "stoka: " << e.what() << '\n';
    status = 1;
  }
  stoka_done();
  return status;
}
