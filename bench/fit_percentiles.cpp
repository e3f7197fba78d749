// Fits per second of the ConvertParams forms (library defaults: iter_count,
// eps), cycling over a grid of known distributions; the points are computed
// once with each family's quantile. Progress lines are silenced.
#include <benchmark/benchmark.h>

#include <vector>

#include "stoka/fit.hpp"
#include "stoka/stoka.h"

namespace {

struct Points {
  double p[4], x[4];  // exceedance percents and values, increasing cumulative order
};

template <class Quantile>
std::vector<Points> Grid(const std::vector<std::vector<double>>& truths,
                         const std::vector<double>& cumulative, Quantile q) {
  std::vector<Points> grid;
  for (const auto& t : truths) {
    Points g{};
    for (size_t i = 0; i < cumulative.size(); ++i) {
      g.p[i] = 100 - cumulative[i];
      g.x[i] = q(cumulative[i] / 100, t);
    }
    grid.push_back(g);
  }
  return grid;
}

const std::vector<double> kThree = {10, 50, 90};
const std::vector<double> kFour = {5, 35, 65, 95};

// ml, min, max
const std::vector<std::vector<double>> kTriangles = {
    {5.3, 2.1, 11.7}, {-3.2, -7.9, 4.05}, {0.41, 0.37, 2.9}, {98.6, 12.5, 101.3},
    {1234.5, 1000.25, 2500.75}};
const std::vector<std::vector<double>> kLogTriangles = {
    {4.7, 1.9, 13.3}, {0.52, 0.11, 0.97}, {600.0, 180.5, 1500.0}, {7.9, 7.2, 8.15}};
const std::vector<std::vector<double>> kPerts = {
    {5.3, 2.1, 11.7}, {-3.2, -7.9, 4.05}, {14.6, 8.25, 40.5}, {61.5, 48.0, 66.0}};
// alpha, beta, min, max
const std::vector<std::vector<double>> kBetas = {
    {2.5, 4.2, 1.3, 9.7},   {0.8, 1.6, -2.4, 3.15}, {5.5, 2.35, 100.0, 180.0},
    {1.7, 1.9, 0.0, 1.0},   {3.1, 3.6, 10.5, 14.2}, {1.25, 6.5, -40.0, 25.0}};

template <class Fit>
void Run(benchmark::State& state, const std::vector<Points>& grid, Fit fit) {
  stoka_silence_output();
  double out[4];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fit(grid[i], out));
    benchmark::ClobberMemory();
    i = (i + 1) % grid.size();
  }
  state.SetItemsProcessed(state.iterations());
  stoka_default_output();
}

void BM_ConvertParamsTriangular3Perc(benchmark::State& state) {
  static const auto grid = Grid(kTriangles, kThree, [](double q, const std::vector<double>& t) {
    return stoka_ran_triangular_cdf_inv(q, t[0], t[1], t[2]);
  });
  Run(state, grid, [](const Points& g, double* o) {
    return ConvertParamsTriangular3Perc_(g.p[0], g.x[0], g.p[1], g.x[1], g.p[2], g.x[2], &o[0],
                                         &o[1], &o[2]);
  });
}
void BM_ConvertParamsLogTriangular3Perc(benchmark::State& state) {
  static const auto grid = Grid(kLogTriangles, kThree, [](double q, const std::vector<double>& t) {
    return stoka_ran_logtriangular_cdf_inv(q, t[0], t[1], t[2]);
  });
  Run(state, grid, [](const Points& g, double* o) {
    return ConvertParamsLogTriangular3Perc_(g.p[0], g.x[0], g.p[1], g.x[1], g.p[2], g.x[2], &o[0],
                                            &o[1], &o[2]);
  });
}
void BM_ConvertParamsPert3Perc(benchmark::State& state) {
  static const auto grid = Grid(kPerts, kThree, [](double q, const std::vector<double>& t) {
    return stoka_ran_pert_cdf_inv_(q, t[1], t[2], t[0]);
  });
  Run(state, grid, [](const Points& g, double* o) {
    return ConvertParamsPert3Perc_(g.p[0], g.x[0], g.p[1], g.x[1], g.p[2], g.x[2], &o[0], &o[1],
                                   &o[2]);
  });
}
void BM_ConvertParamsBeta4Perc(benchmark::State& state) {
  static const auto grid = Grid(kBetas, kFour, [](double q, const std::vector<double>& t) {
    return stoka_ran_beta_cdf_inv_(q, t[0], t[1], t[2], t[3]);
  });
  Run(state, grid, [](const Points& g, double* o) {
    return ConvertParamsBeta4Perc_(g.p[0], g.x[0], g.p[1], g.x[1], g.p[2], g.x[2], g.p[3], g.x[3],
                                   &o[0], &o[1], &o[2], &o[3]);
  });
}

}  // namespace

BENCHMARK(BM_ConvertParamsTriangular3Perc);
BENCHMARK(BM_ConvertParamsLogTriangular3Perc);
BENCHMARK(BM_ConvertParamsPert3Perc);
BENCHMARK(BM_ConvertParamsBeta4Perc);
