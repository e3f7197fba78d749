// ApplyRankCorrelation on pre-drawn samples of mixed families: 10 quantities
// at 10^5 and 10^6 values against the completion of the correlation
// benchmark's tree (the matrix bench/peers uses), and 200 quantities at 10^4
// against random full matrices from factor models (one well conditioned, one
// nearly singular) and an inconsistent one that needs repair. Counters give the
// largest |Spearman reached - target| (the targets in force, after any repair)
// and how far the engine's own figures lie from ranking the samples afresh.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <vector>

#include "stoka/stoka.h"

namespace {

// Targets of the tree in bench/correlation.cpp, completed along its paths.
std::vector<double> TreeMatrix(int d) {
  static const double targets[] = {0.8, -0.6, 0.45, 0.3, -0.25, 0.9, 0.65, -0.75};
  std::vector<double> r(d * d, 0.0);
  for (int i = 0; i < d; ++i) r[i * d + i] = 1.0;
  std::srand(4711u);
  for (int child = 1; child < d; ++child) {
    const int parent = std::rand() % child;
    for (int k = 0; k < child; ++k) r[child * d + k] = r[k * d + child] = targets[child % 8] * r[parent * d + k];
  }
  return r;
}

// A correlation matrix of `factors` random loadings in [-1, 1] per quantity
// plus `own` on the diagonal, scaled to a unit diagonal (seeded).
std::vector<double> FactorMatrix(int d, int factors, double own, unsigned seed) {
  std::srand(seed);
  std::vector<double> w(d * factors), r(d * d);
  for (double& x : w) x = 2.0 * std::rand() / RAND_MAX - 1.0;
  for (int i = 0; i < d; ++i)
    for (int j = 0; j < d; ++j) {
      double s = i == j ? own : 0.0;
      for (int f = 0; f < factors; ++f) s += w[i * factors + f] * w[j * factors + f];
      r[i * d + j] = s;
    }
  for (int i = 0; i < d; ++i)
    for (int j = 0; j < d; ++j)
      if (i != j) r[i * d + j] /= std::sqrt(r[i * d + i] * r[j * d + j]);
  for (int i = 0; i < d; ++i) r[i * d + i] = 1.0;
  return r;
}

// Quantity k's sample, one after the other: Monte Carlo draws of the six
// families of the correlation benchmark, in turn.
std::vector<double> Samples(int d, unsigned n) {
  std::vector<double> data(size_t(d) * n);
  std::srand(20240611u);
  stoka_ran_seed(20240611u);
  for (int k = 0; k < d; ++k) {
    IDistribution* dist = nullptr;
    switch (k % 6) {
      case 0: CreateTriangularDistribution(1.0, 0.0, 4.0, &dist); break;
      case 1: CreateNormalDistribution(2.385, 0.75, &dist); break;
      case 2: CreateBetaDistribution(2.0, 3.0, 0.0, 10.0, &dist); break;
      case 3: CreateUniformDistribution(-1.5, 6.5, &dist); break;
      case 4: CreatePertDistribution(3.0, 1.0, 9.0, &dist); break;
      default: CreateLogNormalDistribution(0.2, 0.5, 1.0, &dist); break;
    }
    AbstractGenerationMethod* m = nullptr;
    CreateMonteCarloMethod(&m, dist, 0.0, 1.0);
    for (unsigned i = 0; i < n; ++i) GetRandomValueFromMethod(m, &data[size_t(k) * n + i], nullptr);
    DestroyMonteCarloMethod(&m);
    DestroyNormalDistribution(&dist);
  }
  return data;
}

// Spearman's coefficient of two samples without ties, from scratch.
double Spearman(const double* x, const double* y, unsigned n) {
  auto ranks = [n](const double* v) {
    std::vector<unsigned> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [v](unsigned a, unsigned b) { return v[a] < v[b]; });
    std::vector<double> r(n);
    for (unsigned i = 0; i < n; ++i) r[order[i]] = i - (n - 1) / 2.0;
    return r;
  };
  const std::vector<double> a = ranks(x), b = ranks(y);
  double ab = 0, aa = 0;
  for (unsigned i = 0; i < n; ++i) ab += a[i] * b[i], aa += a[i] * a[i];
  return ab / aa;
}

void Run(benchmark::State& state, int d, unsigned n, const std::vector<double>& target) {
  const std::vector<double> pristine = Samples(d, n);
  std::vector<double> data = pristine;
  RankCorrelation* engine = nullptr;
  CreateRankCorrelation(&engine, d);
  SetRankMatrix(engine, target.data(), d);
  double change = 0.0;
  const std::clock_t start = std::clock();  // the check (and repair) alone, CPU
  CheckRankMatrix(engine, &change);
  state.counters["check_s"] = double(std::clock() - start) / CLOCKS_PER_SEC;
  stoka_ran_seed(7u);
  for (auto _ : state) {
    state.PauseTiming();
    data = pristine;
    state.ResumeTiming();
    benchmark::DoNotOptimize(ApplyRankCorrelation(engine, data.data(), n));
  }
  // Errors against the targets in force (the set ones moved by the repair).
  double worst = 0, sum = 0, rechecked = 0, from_set = 0;
  for (int a = 0; a < d; ++a)
    for (int b = 0; b < a; ++b) {
      double reached = NAN, wanted = NAN;
      GetRankAchieved(engine, a, b, &reached);
      GetRankTargetInForce(engine, a, b, &wanted);
      worst = std::max(worst, std::fabs(reached - wanted));
      sum += std::fabs(reached - wanted);
      from_set = std::max(from_set, std::fabs(reached - target[a * d + b]));
      if (a < 4)  // ranking afresh is slow: the pairs among the first four
        rechecked = std::max(rechecked, std::fabs(Spearman(&data[a * size_t(n)], &data[b * size_t(n)], n) - reached));
    }
  state.counters["max_err"] = worst;
  state.counters["mean_err"] = sum / (d * (d - 1) / 2);
  state.counters["recheck"] = rechecked;
  state.counters["repair"] = change;
  state.counters["max_err_set"] = from_set;
  DestroyRankCorrelation(&engine);
}

void BM_RankTree(benchmark::State& state) {
  const int d = static_cast<int>(state.range(0));
  Run(state, d, static_cast<unsigned>(state.range(1)), TreeMatrix(d));
}

// 0: three factors and a unit own share; 1: three factors and 1 % own share
// (nearly singular); 2: the first matrix with a block of signs flipped, which
// leaves it invalid.
void BM_RankFactor(benchmark::State& state) {
  const int d = 200;
  std::vector<double> r = FactorMatrix(d, 3, state.range(0) == 1 ? 0.01 : 1.0, 99u);
  if (state.range(0) == 2)
    for (int i = 0; i < 40; ++i)
      for (int j = 40; j < 80; ++j) r[i * d + j] = r[j * d + i] = std::fabs(r[i * d + j]) * (j % 2 ? 1 : -1);
  Run(state, d, static_cast<unsigned>(state.range(1)), r);
}

}  // namespace

BENCHMARK(BM_RankTree)->Args({10, 100000})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RankTree)->Args({10, 1000000})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RankFactor)->Args({0, 10000})->Args({1, 10000})->Args({2, 10000})->Unit(benchmark::kMillisecond)->Iterations(1);
