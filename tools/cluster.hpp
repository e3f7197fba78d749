// `stoka run` in blocks, on a Dask cluster: the blocks are run and merged by
// the Python package's stoka.cluster, which merges them to the same numbers at
// any worker count; the program reports what it hands back.
#ifndef STOKA_TOOLS_CLUSTER_HPP
#define STOKA_TOOLS_CLUSTER_HPP

#include <CLI/CLI.hpp>
#include <ostream>
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

// The run in blocks: the model checked and fitted and the outputs checked
// here, the blocks run and merged by `python3 -m stoka.cluster` (the Python
// package installed beside the program), and the merged statistics reported
// as RunModel reports a run: text, JSON or nothing, samples and picture.
int RunInBlocks(const Model& model, const RunOptions& run, const ClusterOptions& cluster,
                std::ostream& report);

}  // namespace cli

#endif
