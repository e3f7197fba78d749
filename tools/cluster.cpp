// `stoka run --block-size`, `--workers`, `--scheduler`: handed to stoka.cluster.
#include "cluster.hpp"

#include <unistd.h>

#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <vector>

namespace cli {

void AddClusterOptions(CLI::App* run, ClusterOptions& options) {
  run->add_option("--block-size", options.block_size,
                  "Run in blocks of this many samples, each seeded from the seed and its index "
                  "(default 100000 with --workers or --scheduler); the numbers depend on the "
                  "block size, never on the workers")
      ->check(CLI::Range(2u, 100000000u));
  run->add_option("--workers", options.workers, "Run the blocks on this many local processes (Dask)")
      ->check(CLI::Range(1u, 1024u));
  run->add_option("--scheduler", options.scheduler,
                  "Run the blocks on the Dask scheduler at this address (its workers import stoka)");
}

int RunOnCluster(const std::string& model_file, const RunOptions& run, const ClusterOptions& cluster) {
  if (!run.plot.empty()) throw InputError("--plot", "draws a run in one process only");
  // The interpreter's full path as its argv[0]: it names the interpreter of
  // the worker processes.
  const char* python = std::getenv("STOKA_PYTHON") ? std::getenv("STOKA_PYTHON") : "/usr/bin/python3";
  std::vector<std::string> args = {python, "-m", "stoka.cluster", model_file};
  auto add = [&](const char* flag, const std::string& value) {
    args.push_back(flag);
    args.push_back(value);
  };
  if (run.samples) add("--samples", std::to_string(*run.samples));
  if (run.seed) add("--seed", std::to_string(*run.seed));
  if (cluster.block_size) add("--block-size", std::to_string(cluster.block_size));
  if (cluster.workers) add("--workers", std::to_string(cluster.workers));
  if (!cluster.scheduler.empty()) add("--scheduler", cluster.scheduler);
  if (!run.csv.empty()) add("--csv", run.csv);
  if (run.strict) args.push_back("--strict");
  std::ostringstream percents;
  percents << std::setprecision(17);
  for (const double& p : run.percentiles) percents << (&p == run.percentiles.data() ? "" : ",") << p;
  add("--percentiles", percents.str());

  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::cout.flush();
  ::execv(python, argv.data());
  std::cerr << "stoka: cannot start " << python << " for a run in blocks (it runs the Python "
               "package stoka: pip install ./python)\n";
  return 1;
}

}  // namespace cli
