// A full cycle of N Latin hypercube draws, N Monte Carlo draws, and the floor
// beside them: the same runtime draws (KessaRandomInt over the free count, then
// KessaRandom) and quantile calls with nothing else.
#include <benchmark/benchmark.h>

#include <memory>

#include "stoka/continuous.hpp"
#include "stoka/sampling.hpp"

namespace {

std::unique_ptr<IDistribution> Family(int which) {
  switch (which) {
    case 0:  // Triangular(0, 1, 4)
      return std::make_unique<TriangularDistribution>(new TriangularRandomGenerator(0, 4, 1));
    case 1:
      return std::make_unique<NormalDistribution>(new NormalRandomGenerator(0, 1));
    default:  // Beta(2, 3) on [0, 10]
      return std::make_unique<BetaDistribution>(new BetaRandomGenerator(2, 3, 0, 10));
  }
}

void Label(benchmark::State& state) {
  static const char* names[] = {"Triangular(0,1,4)", "Normal(0,1)", "Beta(2,3) on [0,10]"};
  state.SetLabel(names[state.range(0)]);
  state.SetItemsProcessed(state.iterations() * state.range(1));
}

void BM_LatinCycle(benchmark::State& state) {
  const auto d = Family(static_cast<int>(state.range(0)));
  const int n = static_cast<int>(state.range(1));
  LatinCubeMethod method(d.get(), 0.0, 1.0, n);  // reused: each iteration is one cycle
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < n; ++i) sum += method.RandomValue().first;
    benchmark::DoNotOptimize(sum);
  }
  Label(state);
}

void BM_MonteCarlo(benchmark::State& state) {
  const auto d = Family(static_cast<int>(state.range(0)));
  const int n = static_cast<int>(state.range(1));
  MonteCarloMethod method(d.get(), 0.0, 1.0);
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < n; ++i) sum += method.RandomValue().first;
    benchmark::DoNotOptimize(sum);
  }
  Label(state);
}

void BM_Floor(benchmark::State& state) {
  const auto d = Family(static_cast<int>(state.range(0)));
  const int n = static_cast<int>(state.range(1));
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < n; ++i) {
      benchmark::DoNotOptimize(KessaRandomInt(n - i));
      sum += d->ValueByCDF(KessaRandom());
    }
    benchmark::DoNotOptimize(sum);
  }
  Label(state);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int family = 0; family < 3; ++family)
    for (int n : {10000, 100000, 1000000}) b->Args({family, n});
  b->Unit(benchmark::kMillisecond)->MinTime(0.2);
}

}  // namespace

BENCHMARK(BM_LatinCycle)->Apply(Sizes);
BENCHMARK(BM_MonteCarlo)->Apply(Sizes);
BENCHMARK(BM_Floor)->Apply(Sizes);
