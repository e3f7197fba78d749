// `stoka run --block-size`, `--workers`, `--scheduler`: the blocks run by
// stoka.cluster, the merged statistics reported here.
#include "cluster.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <vector>

extern char** environ;

namespace cli {
namespace {

// The pictures of a merged run are drawn from this many values of each
// quantity standing for its run: its percentiles at (j + 1/2) / m.
constexpr unsigned kPicturePoints = 4096;

// A number of the merged statistics: not finite ones come as "nan", "inf", "-inf".
double Number(const nlohmann::json& x) {
  if (!x.is_string()) return x.get<double>();
  const std::string& s = x.get_ref<const std::string&>();
  if (s == "inf") return std::numeric_limits<double>::infinity();
  if (s == "-inf") return -std::numeric_limits<double>::infinity();
  return std::numeric_limits<double>::quiet_NaN();
}

// Reads the descriptor until `bytes` came or it ends; the bytes read.
size_t ReadInto(int fd, char* into, size_t bytes) {
  size_t done = 0;
  while (done < bytes) {
    const ssize_t got = ::read(fd, into + done, bytes - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

// What stoka.cluster hands back: a line of JSON, then (with gather) every
// sample, quantity by quantity.
struct Merged {
  std::string data;  // the JSON
  std::vector<double> samples;
  bool whole = false;  // it all came
};

Merged ReadMerged(int fd, size_t gathered) {
  Merged m;
  std::string head;
  char buffer[1 << 16];
  size_t newline = std::string::npos;
  while (newline == std::string::npos) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return m;
    head.append(buffer, static_cast<size_t>(got));
    newline = head.find('\n', head.size() - static_cast<size_t>(got));
  }
  m.data = head.substr(0, newline);
  m.samples.resize(gathered);
  const size_t bytes = gathered * sizeof(double), early = std::min(bytes, head.size() - newline - 1);
  char* into = reinterpret_cast<char*>(m.samples.data());
  if (early) std::memcpy(into, head.data() + newline + 1, early);
  m.whole = early + ReadInto(fd, into + early, bytes - early) == bytes;
  return m;
}

// Runs `python -m stoka.cluster` with the arguments, reading what it hands back
// on descriptor 3; nothing when it ended in failure (it said why on standard
// error). Throws when it cannot start or hands back less than it should.
std::optional<Merged> RunHelper(const char* python, std::vector<std::string> args, size_t gathered) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) throw InputError("", std::string("no pipe: ") + std::strerror(errno));
  // The child's end is put at 3; a descriptor above it, so that it moves there.
  const int child_end = ::fcntl(ends[1], F_DUPFD_CLOEXEC, 10);
  ::close(ends[1]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, child_end, 3);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::cout.flush();
  pid_t pid = 0;
  const int failed = child_end < 0 ? errno : ::posix_spawn(&pid, python, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (child_end >= 0) ::close(child_end);
  Merged merged;
  if (!failed) merged = ReadMerged(ends[0], gathered);
  ::close(ends[0]);
  if (failed)
    throw InputError("", std::string("cannot start ") + python + " for a run in blocks (" +
                             std::strerror(failed) + "; it runs the Python package stoka: pip install ./python)");
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status))
    throw InputError("", "the run in blocks was ended by signal " + std::to_string(WTERMSIG(status)));
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  if (!merged.whole) throw InputError("", "the run in blocks handed back less than it ran");
  return merged;
}

Summary SummaryOf(const nlohmann::json& row) {
  return {Number(row[0]), Number(row[1]), Number(row[2]), Number(row[3]),
          Number(row[4]), Number(row[5]), Number(row[6])};
}

}  // namespace

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

int RunInBlocks(const Model& model, const RunOptions& run, const ClusterOptions& cluster,
                std::ostream& report) {
  RunOutputs outputs(run);
  const ModelRunner runner(model, run.strict);
  const unsigned n = run.samples ? *run.samples : model.samples;
  const uint32_t seed = run.seed ? *run.seed : model.seed;

  // The interpreter's full path as its argv[0]: it names the interpreter of
  // the worker processes.
  const char* python = std::getenv("STOKA_PYTHON") ? std::getenv("STOKA_PYTHON") : "/usr/bin/python3";
  std::vector<std::string> args = {python, "-m", "stoka.cluster", model.file, "--result-fd", "3"};
  auto add = [&](const char* flag, const std::string& value) {
    args.push_back(flag);
    args.push_back(value);
  };
  add("--samples", std::to_string(n));
  add("--seed", std::to_string(seed));
  if (cluster.block_size) add("--block-size", std::to_string(cluster.block_size));
  if (cluster.workers) add("--workers", std::to_string(cluster.workers));
  if (!cluster.scheduler.empty()) add("--scheduler", cluster.scheduler);
  if (run.strict) args.push_back("--strict");
  if (outputs.csv) args.push_back("--gather");
  if (outputs.plot) add("--points", std::to_string(kPicturePoints));
  std::ostringstream percents;
  percents << std::setprecision(17);
  for (const double& p : run.percentiles) percents << (&p == run.percentiles.data() ? "" : ",") << p;
  add("--percentiles", percents.str());

  const std::vector<Quantity>& quantities = runner.quantities();
  const size_t d = quantities.size();
  const std::optional<Merged> merged = RunHelper(python, args, outputs.csv ? d * n : 0);
  if (!merged) return 1;
  const nlohmann::json m = nlohmann::json::parse(merged->data);

  Outcome o;
  o.model = &runner.model();
  o.quantities = &quantities;
  o.n = m.at("samples").get<unsigned>();
  o.seed = seed;
  o.blocks = BlockRun{m.at("block_size").get<unsigned>(), m.at("blocks").get<unsigned>(),
                      m.at("percentile_error").get<double>(), m.at("slack").get<int64_t>()};
  for (size_t q = 0; q < d; ++q) o.summaries.push_back(SummaryOf(m.at("summaries").at(q)));
  o.total_summary = SummaryOf(m.at("summaries").at(d));
  o.percents = run.percentiles;
  for (const auto& v : m.at("total_at")) o.total_at.push_back(Number(v));
  for (size_t k = 0; k < model.correlations.size(); ++k) {
    const CorrelationSpec& c = model.correlations[k];
    const auto& reached = m.at("pairs").at(k);
    o.pairs.push_back({c.a, c.b, c.coefficient, Number(reached[0]), Number(reached[1])});
  }
  o.repaired = runner.RankRepair();
  size_t input = 0;
  for (size_t q = 0; q < d; ++q) {
    if (!model.quantities[q].in_total) continue;
    const auto& s = m.at("sensitivity").at(input++);
    o.sensitivity.push_back({quantities[q].name, Number(s[0]), Number(s[1])});
  }
  SortSensitivity(o.sensitivity);
  for (const auto& h : m.at("histograms"))
    o.histograms.push_back({Number(h[0]), Number(h[1]), h[2].get<std::vector<int64_t>>()});
  // The pictures' values: each quantity's, and the total's as its S-curve.
  std::vector<std::vector<double>> points;
  std::vector<Sample> shown;
  if (outputs.plot) {
    for (const auto& row : m.at("points")) {
      points.emplace_back();
      for (const auto& v : row) points.back().push_back(Number(v));
    }
    o.sorted_total = points.at(d);
    for (size_t q = 0; q < d; ++q) shown.emplace_back(points[q]);
    o.samples = &shown;
  }
  std::vector<Sample> samples;
  for (size_t q = 0; outputs.csv && q < d; ++q) samples.emplace_back(merged->samples.data() + q * n, n);
  return Finish(runner, o, samples, outputs, run, report);
}

}  // namespace cli
