// Soak: a correlation manager with 1,000 quantities at data count 10^4,
// recalculated 100 times with registrations replaced and removed in between.
// Resident memory is read after every recalculation; it must stay flat.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "stoka/stoka.h"

namespace {

double ResidentMiB() {
  long pages_total = 0, pages_resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages_total, &pages_resident) != 2) pages_resident = 0;
    std::fclose(f);
  }
  return pages_resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

IDistribution* MakeDistribution(int i) {
  IDistribution* d = nullptr;
  // Mostly closed-form families; one in ten is a Beta or Pert, whose GSL
  // quantile costs about twenty times more.
  switch (i % 10) {
    case 0: CreateBetaDistribution(2.0, 3.0 + i % 4, 0.0, 10.0, &d); break;
    case 5: CreatePertDistribution(5.0, 0.0, 20.0 + i % 9, &d); break;
    case 1: case 3: case 7: CreateNormalDistribution(i % 13, 1.0 + i % 3, &d); break;
    case 2: case 8: CreateUniformDistribution(-1.0 - i % 3, 4.0, &d); break;
    default: CreateTriangularDistribution(1.0 + i % 7, 0.0, 10.0 + i % 5, &d); break;
  }
  return d;
}

void BM_ManagerSoak(benchmark::State& state) {
  const int quantities = 1000, recalculations = static_cast<int>(state.range(0));
  const unsigned count = 10000;
  stoka_init();
  stoka_silence_output();
  std::srand(2026);
  stoka_ran_seed(2026);
  std::vector<IDistribution*> distributions;
  std::vector<AbstractGenerationMethod*> methods;
  CorrelationManager* manager = nullptr;
  CreateCorrelationManager(&manager);
  SetDataCount(manager, count);
  for (int i = 0; i < quantities; ++i) {
    distributions.push_back(MakeDistribution(i));
    AbstractGenerationMethod* m = nullptr;
    CreateLatinCubeMethod(&m, distributions.back(), 0.0, 1.0, static_cast<int>(count));
    methods.push_back(m);
    AddDistribution(manager, reinterpret_cast<stoka_id>(m));
  }
  // A forest: each quantity correlated with its parent in a binary tree.
  for (int i = 1; i < quantities; ++i)
    SetCorrelation(manager, reinterpret_cast<stoka_id>(methods[(i - 1) / 2]),
                   reinterpret_cast<stoka_id>(methods[i]), 0.3 + 0.4 * (i % 5) / 4.0, 0);
  std::vector<double> rss;
  for (auto _ : state) {
    for (int r = 0; r < recalculations; ++r) {
      if (RecalculateManager(manager) != 0) state.SkipWithError("recalculation failed");
      rss.push_back(ResidentMiB());
      // Replace ten registrations by fresh methods, and remove and re-add ten.
      for (int k = 0; k < 10; ++k) {
        const int i = (r * 37 + k * 101) % quantities;
        AbstractGenerationMethod* fresh = nullptr;
        CreateLatinCubeMethod(&fresh, distributions[i], 0.0, 1.0, static_cast<int>(count));
        ReplaceDistribution(manager, reinterpret_cast<stoka_id>(methods[i]),
                            reinterpret_cast<stoka_id>(fresh));
        DestroyLatinCubeMethod(&methods[i]);
        methods[i] = fresh;
      }
      for (int k = 0; k < 10; ++k) {
        const int i = 1 + (r * 53 + k * 89) % (quantities - 1);
        const stoka_id id = reinterpret_cast<stoka_id>(methods[i]);
        RemoveDistribution(manager, id);
        AddDistribution(manager, id);
        SetCorrelation(manager, reinterpret_cast<stoka_id>(methods[(i - 1) / 2]), id, 0.5, 0);
        for (int child : {2 * i + 1, 2 * i + 2})
          if (child < quantities)
            SetCorrelation(manager, id, reinterpret_cast<stoka_id>(methods[child]), 0.5, 0);
      }
    }
  }
  state.counters["rss_first_MiB"] = rss.front();
  state.counters["rss_tenth_MiB"] = rss[std::min<size_t>(9, rss.size() - 1)];
  state.counters["rss_last_MiB"] = rss.back();
  state.counters["rss_max_MiB"] = *std::max_element(rss.begin(), rss.end());
  DestroyCorrelationManager(&manager);
  for (auto*& m : methods) DestroyLatinCubeMethod(&m);
  for (auto*& d : distributions) DestroyTriangularDistribution(&d);
  stoka_done();
}
BENCHMARK(BM_ManagerSoak)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
