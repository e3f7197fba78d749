// Statistics and fits to sample data: percentiles and the median by selection
// against sorting a copy, the Pearson statistic with counts made once against
// counting on every call, and the ByXi fits on samples drawn from the family.
//
// Samples are made once per size and reused; the library's own scratch copy
// is allocated per call (run with the GLIBC_TUNABLES of bench/RESULTS.md so
// that freed pages are reused rather than returned to the system).
#include <benchmark/benchmark.h>
#include <gsl/gsl_sort.h>
#include <gsl/gsl_statistics_double.h>
#include <gsl/gsl_vector.h>

#include <map>
#include <string>
#include <vector>

#include "stats/pearson_counts.hpp"
#include "stoka/continuous.hpp"
#include "stoka/stats.hpp"
#include "stoka/stoka.h"

namespace {

const std::vector<double>& UniformSample(int n) {
  static std::map<int, std::vector<double>> cache;
  auto& v = cache[n];
  if (v.empty()) {
    stoka_ran_seed(20261206u);
    v.resize(n);
    for (double& x : v) x = -3.5 + 11.25 * stoka_ran_uniform();
  }
  return v;
}

void BM_Percentile(benchmark::State& state) {
  const auto& v = UniformSample(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(stoka_stats_percentile(v.data(), static_cast<int>(v.size()), 37.5,
                                                    false));
}
void BM_Median(benchmark::State& state) {
  const auto& v = UniformSample(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(stoka_stats_median(v.data(), static_cast<int>(v.size())));
}
// What the percentile cost before: sort a copy, then interpolate.
void BM_PercentileBySort(benchmark::State& state) {
  const auto& v = UniformSample(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::vector<double> copy(v);
    gsl_sort(copy.data(), 1, copy.size());
    benchmark::DoNotOptimize(
        gsl_stats_quantile_from_sorted_data(copy.data(), 1, copy.size(), 0.375));
  }
}
BENCHMARK(BM_Percentile)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Median)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PercentileBySort)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);

// One evaluation of a candidate: counts made once (what a fit's objective
// does) against the public calc_pearson, which counts the sample every call.
const double kBetaCandidate[] = {2.2, 3.9, -3.6, 7.9};
void BM_StatisticCounted(benchmark::State& state) {
  const auto& v = UniformSample(static_cast<int>(state.range(0)));
  const PearsonCounts counts(v.data(), static_cast<int>(v.size()));
  gsl_vector_const_view x = gsl_vector_const_view_array(kBetaCandidate, 4);
  for (auto _ : state) benchmark::DoNotOptimize(counts.Statistic(&x.vector, beta_cdf));
}
void BM_StatisticRecounted(benchmark::State& state) {
  const auto& v = UniformSample(static_cast<int>(state.range(0)));
  gsl_vector_const_view x = gsl_vector_const_view_array(kBetaCandidate, 4);
  gsl_vector_const_view s = gsl_vector_const_view_array(v.data(), v.size());
  for (auto _ : state) benchmark::DoNotOptimize(calc_pearson(&x.vector, &s.vector, beta_cdf));
}
BENCHMARK(BM_StatisticCounted)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StatisticRecounted)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

// ---------------------------------------------------------------------------
// ByXi fits on samples drawn from the family (seeded inverse-CDF draws), with
// the output sink silenced. The counters give the fitted parameters next to
// the true ones (true_*), the statistic f and the result (1 found).
namespace {

struct Law {
  const char* names[4];
  double truth[4];
  double start[4];
  int dim;
  double (*quantile)(double u);
  int (*fit)(const double* start, int n, const double* data, double* out, double* f);
};

const Law kBetaLaw = {
    {"alpha", "beta", "min", "max"}, {2.385, 4.1, 1.5, 9.75}, {1.6, 2.9, 1.0, 10.6}, 4,
    [](double u) { return stoka_ran_beta_cdf_inv_(u, 2.385, 4.1, 1.5, 9.75); },
    [](const double* s, int n, const double* d, double* o, double* f) {
      return CalcBetaByXi(s[0], s[1], s[2], s[3], n, d, &o[0], &o[1], &o[2], &o[3], f);
    }};
const Law kTriangularLaw = {
    {"ml", "min", "max"}, {3.7, 1.2, 8.9}, {4.0, 1.0, 9.5}, 3,
    [](double u) { return stoka_ran_triangular_cdf_inv(u, 3.7, 1.2, 8.9); },
    [](const double* s, int n, const double* d, double* o, double* f) {
      return CalcTriangularByXi(s[0], s[1], s[2], n, d, &o[0], &o[1], &o[2], f);
    }};

const std::vector<double>& LawSample(const Law& law, int n) {
  static std::map<std::pair<const Law*, int>, std::vector<double>> cache;
  auto& v = cache[{&law, n}];
  if (v.empty()) {
    stoka_ran_seed(7u + static_cast<unsigned>(n));
    v.resize(n);
    for (double& x : v) x = law.quantile(stoka_ran_uniform());
  }
  return v;
}

void RunFit(benchmark::State& state, const Law& law) {
  const auto& v = LawSample(law, static_cast<int>(state.range(0)));
  stoka_silence_output();
  double out[4] = {0, 0, 0, 0}, f = 0;
  int found = 0;
  for (auto _ : state) found = law.fit(law.start, static_cast<int>(v.size()), v.data(), out, &f);
  stoka_default_output();
  for (int i = 0; i < law.dim; ++i) {
    state.counters[law.names[i]] = out[i];
    state.counters[std::string("true_") + law.names[i]] = law.truth[i];
  }
  state.counters["f"] = f;
  state.counters["found"] = found;
}
void BM_BetaByXi(benchmark::State& state) { RunFit(state, kBetaLaw); }
void BM_TriangularByXi(benchmark::State& state) { RunFit(state, kTriangularLaw); }
BENCHMARK(BM_BetaByXi)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TriangularByXi)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
