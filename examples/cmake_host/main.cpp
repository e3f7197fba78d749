// A C++ host over the object interface: a Latin hypercube sample of a cost,
// and a duration sample induced to correlate with it.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <stoka/continuous.hpp>
#include <stoka/correlation.hpp>
#include <stoka/sampling.hpp>
#include <stoka/stoka.h>

int main() {
  stoka_init();
  std::srand(7);
  TriangularDistribution cost(new TriangularRandomGenerator(80, 150, 100));
  NormalDistribution duration(new NormalRandomGenerator(40, 6));
  LatinCubeMethod method(&cost, 0.0, 1.0, 2000);
  std::vector<double> costs;
  for (int i = 0; i < 2000; ++i) costs.push_back(method.RandomValue().first);
  const std::vector<double> durations = MakeCorrelated(costs, &cost, &duration, 0.6, 0.01, 20);
  std::printf("cost mean %.3f (exact %.3f), duration mean %.3f\n",
              stoka_stats_mean(costs.data(), 2000), (80 + 150 + 100) / 3.0,
              stoka_stats_mean(durations.data(), 2000));
  std::printf("correlation: target 0.60, achieved %.3f\n", Correlation(durations, costs));
  stoka_done();
  return durations.size() == costs.size() ? 0 : 1;
}
