// The correlation manager under size: registering quantities one by one,
// removing half of them, and recalculating a tree of 16,000 quantities at the
// default data count. Each quantity is a Latin hypercube method over its own
// Triangular distribution; tree edges join each quantity to an earlier one.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "stoka/stoka.h"

namespace {

class Quantities {
 public:
  explicit Quantities(int count) {
    for (int i = 0; i < count; ++i) {
      IDistribution* d = nullptr;
      CreateTriangularDistribution(1.0 + 0.001 * i, 0.0, 4.0 + 0.001 * i, &d);
      AbstractGenerationMethod* m = nullptr;
      CreateLatinCubeMethod(&m, d, 0.0, 1.0, 1000);
      dists_.push_back(d);
      methods_.push_back(m);
    }
  }
  ~Quantities() {
    for (auto& m : methods_) DestroyLatinCubeMethod(&m);
    for (auto& d : dists_) DestroyTriangularDistribution(&d);
  }
  stoka_id Id(int i) const { return reinterpret_cast<stoka_id>(methods_[i]); }
  int size() const { return static_cast<int>(methods_.size()); }

 private:
  std::vector<IDistribution*> dists_;
  std::vector<AbstractGenerationMethod*> methods_;
};

CorrelationManager* Registered(const Quantities& q) {
  CorrelationManager* manager = nullptr;
  CreateCorrelationManager(&manager);
  for (int i = 0; i < q.size(); ++i) AddDistribution(manager, q.Id(i));
  return manager;
}

void BM_AddDistribution(benchmark::State& state) {
  const Quantities q(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CorrelationManager* manager = Registered(q);
    state.PauseTiming();
    DestroyCorrelationManager(&manager);
    state.ResumeTiming();
  }
}

// Every other quantity, in registration order.
void BM_RemoveHalf(benchmark::State& state) {
  const Quantities q(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    CorrelationManager* manager = Registered(q);
    state.ResumeTiming();
    for (int i = 0; i < q.size(); i += 2) RemoveDistribution(manager, q.Id(i));
    state.PauseTiming();
    DestroyCorrelationManager(&manager);
    state.ResumeTiming();
  }
}

void BM_RecalculateTree(benchmark::State& state) {
  const Quantities q(static_cast<int>(state.range(0)));
  CorrelationManager* manager = Registered(q);
  std::srand(4711u);
  for (int i = 1; i < q.size(); ++i)
    SetCorrelation(manager, q.Id(std::rand() % i), q.Id(i), i % 2 ? 0.6 : -0.45, 1);
  stoka_seed_all(20240611u);
  for (auto _ : state) benchmark::DoNotOptimize(RecalculateManager(manager));
  DestroyCorrelationManager(&manager);
}

}  // namespace

BENCHMARK(BM_AddDistribution)->Arg(2000)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RemoveHalf)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RecalculateTree)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(1);
