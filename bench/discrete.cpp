// Discrete sets: building one (the discrete uniform over 0..n-1, a generic set
// of n distinct values given in scrambled order) and answering from it (a draw
// of the runtime generator, a quantile). Each benchmark reports the peak
// resident size of its process, so a build's own peak is read by running one
// benchmark per process (--benchmark_filter).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <vector>

#include "stoka/discrete.hpp"
#include "stoka/stoka.h"

namespace {

void Peak(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// n distinct values, 0.5 apart, in the order of a multiplicative scramble.
std::vector<double> Scrambled(std::int64_t n) {
  std::vector<double> values(static_cast<std::size_t>(n));
  for (std::int64_t i = 0; i < n; ++i)
    values[i] = 0.5 * static_cast<double>((static_cast<std::uint64_t>(i) * 2654435761u) % n);
  return values;
}

// 0: the discrete uniform; 1: the values with weight 1; 2: with weights 1 to 4.
IDistribution* Make(int family, std::int64_t n, const std::vector<double>& values) {
  IDistribution* h = nullptr;
  std::vector<unsigned> weights(family == 2 ? values.size() : 0);
  for (std::size_t i = 0; i < weights.size(); ++i) weights[i] = 1 + i % 4;
  if (family == 0)
    CreateDiscreteUniformDistribution(0, static_cast<int>(n - 1), &h);
  else if (family == 1)
    CreateDiscreteDistribution(values.data(), static_cast<unsigned>(n), &h);
  else
    CreateDiscreteDistributionWeighted(values.data(), weights.data(), static_cast<unsigned>(n), &h);
  return h;
}

const char* Label(int family) {
  return family == 0 ? "discrete uniform" : family == 1 ? "generic, distinct" : "generic, weights 1-4";
}

void BM_Build(benchmark::State& state) {
  const int family = static_cast<int>(state.range(0));
  const std::int64_t n = state.range(1);
  const std::vector<double> values = family == 0 ? std::vector<double>() : Scrambled(n);
  for (auto _ : state) {
    IDistribution* h = Make(family, n, values);
    benchmark::DoNotOptimize(GetInverseCDFValue(h, 0.3183));
    DestroyDiscreteDistribution(&h);
  }
  state.SetLabel(Label(family));
  Peak(state);
}

// Draws and quantiles from one set, 10^5 a round.
void BM_Answer(benchmark::State& state) {
  const int family = static_cast<int>(state.range(0));
  const std::int64_t n = state.range(1);
  const bool draw = state.range(2) == 0;
  IDistribution* h = Make(family, n, family == 0 ? std::vector<double>() : Scrambled(n));
  std::srand(2385u);
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < 100000; ++i)
      sum += draw ? h->Generator()->GenerateRandomValue() : h->ValueByCDF((i + 0.5) / 100000.0);
    benchmark::DoNotOptimize(sum);
  }
  DestroyDiscreteDistribution(&h);
  state.SetLabel(std::string(Label(family)) + (draw ? ", draw" : ", quantile"));
  state.SetItemsProcessed(state.iterations() * 100000);
  Peak(state);
}

}  // namespace

BENCHMARK(BM_Build)
    ->ArgsProduct({{0, 1}, {1 << 20, 10000000, 1 << 26}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_Answer)
    ->ArgsProduct({{0, 1, 2}, {1 << 20}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3);
