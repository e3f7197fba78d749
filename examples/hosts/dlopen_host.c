/* A host as risk tools write them: it loads libstoka at run time with dlopen,
   finds each function with dlsym, and walks the typical road: a triangular
   distribution fitted to three judged percentiles, two more distributions,
   Latin hypercube methods, a correlation manager with two target
   correlations, recalculation, and the achieved correlations and means.
   Usage: dlopen_host path/to/libstoka.so */
#include <dlfcn.h>
#include <stdio.h>

#include "stoka/stoka.h"

/* A function pointer of the declared type, found by name. */
#define LOAD(name)                                            \
  __typeof__(&name) p_##name = NULL;                          \
  *(void**)(&p_##name) = dlsym(lib, #name);                   \
  if (!p_##name) {                                            \
    fprintf(stderr, "dlopen_host: %s not found\n", #name);    \
    return 1;                                                 \
  }

int main(int argc, char** argv) {
  void* lib;
  double ml = 0, min = 0, max = 0, r_ab = 0, r_ac = 0;
  IDistribution *a = NULL, *b = NULL, *c = NULL;
  AbstractGenerationMethod *ma = NULL, *mb = NULL, *mc = NULL;
  CorrelationManager* manager = NULL;
  unsigned n = 0;
  const double* sample;
  if (argc < 2) {
    fprintf(stderr, "usage: dlopen_host path/to/libstoka.so\n");
    return 2;
  }
  lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "dlopen_host: %s\n", dlerror());
    return 1;
  }
  {
    LOAD(stoka_init) LOAD(stoka_done) LOAD(stoka_ran_seed)
    LOAD(CalcTriangularDistributionBy3Perc) LOAD(CreateTriangularDistribution)
    LOAD(CreateNormalDistribution) LOAD(CreateBetaDistribution)
    LOAD(DestroyTriangularDistribution) LOAD(CreateLatinCubeMethod) LOAD(DestroyLatinCubeMethod)
    LOAD(CreateCorrelationManager) LOAD(DestroyCorrelationManager) LOAD(SetDataCount)
    LOAD(AddDistribution) LOAD(SetCorrelation) LOAD(RecalculateManager)
    LOAD(GetDistributedData) LOAD(CalculateCorrelation) LOAD(stoka_stats_mean)

    p_stoka_init();
    p_stoka_ran_seed(42u);
    /* 80 with a 90 % chance of being exceeded, 100 with 50 %, 150 with 10 %. */
    if (p_CalcTriangularDistributionBy3Perc(1000000, 1e-4, 80, 100, 150, 90, 50, 10, &ml, &min,
                                            &max) != 1) {
      fprintf(stderr, "dlopen_host: the triangular fit failed\n");
      return 1;
    }
    printf("triangular fitted to P10 = 80, P50 = 100, P90 = 150: min %.3f, mode %.3f, max %.3f\n",
           min, ml, max);
    if (!p_CreateTriangularDistribution(ml, min, max, &a) ||
        !p_CreateNormalDistribution(40, 6, &b) || !p_CreateBetaDistribution(2, 3, 10, 30, &c)) {
      fprintf(stderr, "dlopen_host: a distribution was refused\n");
      return 1;
    }
    p_CreateLatinCubeMethod(&ma, a, 0.0, 1.0, 5000);
    p_CreateLatinCubeMethod(&mb, b, 0.0, 1.0, 5000);
    p_CreateLatinCubeMethod(&mc, c, 0.0, 1.0, 5000);
    if (!ma || !mb || !mc || !p_CreateCorrelationManager(&manager)) {
      fprintf(stderr, "dlopen_host: no methods or manager\n");
      return 1;
    }
    p_SetDataCount(manager, 5000);
    p_AddDistribution(manager, (stoka_id)ma);
    p_AddDistribution(manager, (stoka_id)mb);
    p_AddDistribution(manager, (stoka_id)mc);
    p_SetCorrelation(manager, (stoka_id)ma, (stoka_id)mb, 0.7, 0);
    p_SetCorrelation(manager, (stoka_id)ma, (stoka_id)mc, -0.4, 0);
    if (p_RecalculateManager(manager) != 0) {
      fprintf(stderr, "dlopen_host: recalculation failed\n");
      return 1;
    }
    p_CalculateCorrelation(manager, (stoka_id)ma, (stoka_id)mb, &r_ab);
    p_CalculateCorrelation(manager, (stoka_id)ma, (stoka_id)mc, &r_ac);
    printf("correlation triangular/normal: target 0.70, achieved %.3f\n", r_ab);
    printf("correlation triangular/beta:   target -0.40, achieved %.3f\n", r_ac);
    sample = p_GetDistributedData(manager, (stoka_id)ma, &n);
    printf("triangular sample: %u values, mean %.3f\n", n, p_stoka_stats_mean(sample, (int)n));
    sample = p_GetDistributedData(manager, (stoka_id)mb, &n);
    printf("normal sample:     %u values, mean %.3f\n", n, p_stoka_stats_mean(sample, (int)n));
    sample = p_GetDistributedData(manager, (stoka_id)mc, &n);
    printf("beta sample:       %u values, mean %.3f\n", n, p_stoka_stats_mean(sample, (int)n));

    p_DestroyCorrelationManager(&manager);
    p_DestroyLatinCubeMethod(&ma);
    p_DestroyLatinCubeMethod(&mb);
    p_DestroyLatinCubeMethod(&mc);
    p_DestroyTriangularDistribution(&a);
    p_DestroyTriangularDistribution(&b);
    p_DestroyTriangularDistribution(&c);
    p_stoka_done();
  }
  dlclose(lib);
  return 0;
}
