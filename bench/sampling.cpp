// A full cycle of N Latin hypercube draws, N Monte Carlo draws, and the floor
// beside them: the same runtime draws (KessaRandomInt over the free count, then
// KessaRandom) and quantile calls with nothing else.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "core/stream.hpp"
#include "sampling/free_strata.hpp"
#include "stoka/sampling.hpp"
#include "stoka/stoka.h"

namespace {

// 0..2 as in the Latin hypercube and floor cases; 3.. for Monte Carlo of every family.
const char* const kNames[] = {"Triangular(0,1,4)", "Normal(0,1)", "Beta(2,3) on [0,10]",
                              "Uniform(-1.5,6.5)", "Pert(1,3,9)", "LogNormal(0.2,0.5,1)",
                              "LogTriangular(1.25,3.2,11.5)", "Discrete 0/100/250 (70/20/10)",
                              "DiscreteUniform(1,6)", "Bernoulli(0.3)"};
constexpr int kFamilies = 10;

struct Destroy {
  void operator()(IDistribution* d) const { DestroyNormalDistribution(&d); }
};
using Handle = std::unique_ptr<IDistribution, Destroy>;

Handle Family(int which) {
  IDistribution* d = nullptr;
  const double values[] = {0, 100, 250};
  const unsigned weights[] = {70, 20, 10};
  switch (which) {
    case 0: CreateTriangularDistribution(1, 0, 4, &d); break;
    case 1: CreateNormalDistribution(0, 1, &d); break;
    case 2: CreateBetaDistribution(2, 3, 0, 10, &d); break;
    case 3: CreateUniformDistribution(-1.5, 6.5, &d); break;
    case 4: CreatePertDistribution(3, 1, 9, &d); break;
    case 5: CreateLogNormalDistribution(0.2, 0.5, 1, &d); break;
    case 6: CreateLogTriangularDistribution(3.2, 1.25, 11.5, &d); break;
    case 7: CreateDiscreteDistributionWeighted(values, weights, 3, &d); break;
    case 8: CreateDiscreteUniformDistribution(1, 6, &d); break;
    default: CreateBernoulliDistribution(0.3, &d); break;
  }
  return Handle(d);
}

void Label(benchmark::State& state) {
  state.SetLabel(kNames[state.range(0)]);
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

// The same cycle through the flat array call, values and positions into
// buffers reused by every iteration.
void BM_LatinArray(benchmark::State& state) {
  const auto d = Family(static_cast<int>(state.range(0)));
  const int n = static_cast<int>(state.range(1));
  AbstractGenerationMethod* method = nullptr;
  CreateLatinCubeMethod(&method, d.get(), 0.0, 1.0, n);
  std::vector<double> values(n), positions(n);
  for (auto _ : state) {
    GetRandomValuesFromMethod(method, n, values.data(), positions.data());
    benchmark::DoNotOptimize(values.data());
  }
  DestroyLatinCubeMethod(&method);
  Label(state);
}

// Monte Carlo through the array call, a fresh method every iteration.
void BM_MonteCarloArray(benchmark::State& state) {
  const auto d = Family(static_cast<int>(state.range(0)));
  const int n = static_cast<int>(state.range(1));
  std::vector<double> values(n), positions(n);
  for (auto _ : state) {
    AbstractGenerationMethod* method = nullptr;
    CreateMonteCarloMethod(&method, d.get(), 0.0, 1.0);
    GetRandomValuesFromMethod(method, n, values.data(), positions.data());
    benchmark::DoNotOptimize(values.data());
    DestroyMonteCarloMethod(&method);
  }
  Label(state);
}

// A fresh method every iteration: the quantiles it keeps by runtime draw are
// computed within the timed loop.
void BM_MonteCarlo(benchmark::State& state) {
  const auto d = Family(static_cast<int>(state.range(0)));
  const int n = static_cast<int>(state.range(1));
  for (auto _ : state) {
    MonteCarloMethod method(d.get(), 0.0, 1.0);
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

// The parts of a Latin hypercube draw alone, over a cycle of N: the runtime
// draws of positions and offsets (stepped in place), and the free strata's Take.
void BM_RuntimeRun(benchmark::State& state) {
  const int n = static_cast<int>(state.range(1));
  for (auto _ : state) {
    stoka::RuntimeRun run;
    long sum = 0;
    for (int i = 0; i < n; ++i) sum += stoka::RandomInt(run, n - i) + run.Next15();
    benchmark::DoNotOptimize(sum);
  }
  Label(state);
}

void BM_FreeStrataTake(benchmark::State& state) {
  const int n = static_cast<int>(state.range(1));
  std::vector<unsigned> positions(n);
  std::srand(1u);
  for (int i = 0; i < n; ++i) positions[i] = static_cast<unsigned>(KessaRandomInt(n - i));
  FreeStrata strata;
  for (auto _ : state) {
    strata.Reset(static_cast<unsigned>(n));
    unsigned sum = 0;
    for (int i = 0; i < n; ++i) sum += strata.Take(positions[i]);
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
BENCHMARK(BM_LatinCycle)->Args({4, 1000000})->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_MonteCarlo)->Apply(Sizes);
BENCHMARK(BM_MonteCarlo)
    ->ArgsProduct({benchmark::CreateDenseRange(3, kFamilies - 1, 1), {1000000}})
   ->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_Floor)->Apply(Sizes);
BENCHMARK(BM_LatinArray)->Apply(Sizes);
BENCHMARK(BM_MonteCarloArray)
    ->ArgsProduct({benchmark::CreateDenseRange(0, kFamilies - 1, 1), {1000000}})
    ->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_RuntimeRun)->Args({0, 1000000})->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_FreeStrataTake)->Args({0, 1000000})->Unit(benchmark::kMillisecond)->MinTime(0.2);
