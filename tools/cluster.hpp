// `stoka run` in blocks, on a Dask cluster: the run is handed to the Python
// package's stoka.cluster, which merges the blocks to the same numbers at any
// worker count.
#ifndef STOKA_TOOLS_CLUSTER_HPP
#define STOKA_TOOLS_CLUSTER_HPP

#include <CLI/CLI.hpp>
#include <string>

#include "run.hpp"

namespace cli {

struct ClusterOptions {
  unsigned workers = 0;   // local worker processes
  std::string scheduler;  // address of a running Dask scheduler
  unsigned block_size = 0;
  bool Wanted() const { return workers || !scheduler.empty() || block_size; }
};

void AddClusterOptions(CLI::App* run, ClusterOptions& options);

// Replaces this process by `python3 -m stoka.cluster` with the run's options
// (the Python package installed beside it runs the blocks); returns (1) only
// when that cannot start.
int RunOnCluster(const std::string& model_file, const RunOptions& run, const ClusterOptions& cluster);

}  // namespace cli

#endif
