// What a flat call costs at the C boundary: a query of a distribution handle,
// a draw from a method, a manager getter (each looks its handle up), and a
// flat twin without a handle beside them (the guard alone). The handle table
// holds 1000 other live distributions, as a host's model would.
#include <benchmark/benchmark.h>

#include <vector>

#include "stoka/stoka.h"

namespace {

struct Model {
  std::vector<IDistribution*> others;
  IDistribution* normal = nullptr;
  AbstractGenerationMethod* method = nullptr;
  CorrelationManager* manager = nullptr;
  Model() {
    others.resize(1000);
    for (auto*& d : others) CreateTriangularDistribution(1, 0, 4, &d);
    CreateNormalDistribution(2.385, 1.5, &normal);
    CreateMonteCarloMethod(&method, normal, 0, 1);
    CreateCorrelationManager(&manager);
  }
  ~Model() {
    DestroyCorrelationManager(&manager);
    DestroyMonteCarloMethod(&method);
    DestroyNormalDistribution(&normal);
    for (auto*& d : others) DestroyTriangularDistribution(&d);
  }
};

void BM_Query(benchmark::State& state) {
  const Model m;
  double x = 1.25;
  for (auto _ : state) benchmark::DoNotOptimize(x = 1.25 + 1e-3 * GetCDFValue(m.normal, x));
}
BENCHMARK(BM_Query);

void BM_Draw(benchmark::State& state) {
  const Model m;
  double value, p;
  for (auto _ : state) {
    GetRandomValueFromMethod(m.method, &value, &p);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_Draw);

void BM_ManagerGetter(benchmark::State& state) {
  const Model m;
  for (auto _ : state) benchmark::DoNotOptimize(GetDataCount(m.manager));
}
BENCHMARK(BM_ManagerGetter);

void BM_TwinWithoutHandle(benchmark::State& state) {
  double x = 1.25;
  for (auto _ : state) benchmark::DoNotOptimize(x = 1.25 + 1e-3 * stoka_ran_gaussian_cdf(x, 2.385, 1.5));
}
BENCHMARK(BM_TwinWithoutHandle);

}  // namespace
