/* Correlated samples: three distributions, a Latin hypercube method over each,
   a correlation manager with two target correlations, recalculation, and what
   came out. */
#include <stdio.h>
#include <stdlib.h>

#include "stoka/stoka.h"
#include "tour.h"

#define QUANTITIES 3
#define DATA_COUNT 5000u

static double mean_of(const double* x, unsigned n) {
  double sum = 0.0;
  unsigned i;
  for (i = 0; i < n; ++i) sum += x[i];
  return n ? sum / n : 0.0;
}

int tour_sampling(void) {
  static const char* names[QUANTITIES] = {"cost", "duration", "overrun"};
  static const double expected_mean[QUANTITIES] = {
      (80.0 + 100.0 + 150.0) / 3.0, /* triangular: (min + ml + max) / 3 */
      24.0,                         /* normal */
      0.0 + 20.0 * 2.0 / (2.0 + 5.0) /* beta on [0, 20]: scale * a / (a + b) */
  };
  IDistribution* dist[QUANTITIES] = {NULL, NULL, NULL};
  AbstractGenerationMethod* method[QUANTITIES] = {NULL, NULL, NULL};
  stoka_id id[QUANTITIES];
  CorrelationManager* manager = NULL;
  double r_cost_duration = 0.0, r_duration_overrun = 0.0;
  int failed = 0, code, i;

  printf("\n== Correlated samples\n");
  if (!CreateTriangularDistribution(100.0, 80.0, 150.0, &dist[0]) ||
      !CreateNormalDistribution(24.0, 3.5, &dist[1]) ||
      !CreateBetaDistribution(2.0, 5.0, 0.0, 20.0, &dist[2])) {
    fprintf(stderr, "a distribution was refused\n");
    failed = 1;
    goto done;
  }
  for (i = 0; i < QUANTITIES; ++i) {
    CreateLatinCubeMethod(&method[i], dist[i], 0.0, 1.0, (int)DATA_COUNT);
    if (method[i] == NULL) {
      fprintf(stderr, "CreateLatinCubeMethod refused %s\n", names[i]);
      failed = 1;
      goto done;
    }
    id[i] = (stoka_id)method[i];
    printf("%-8s %s, Latin hypercube with %u strata\n", names[i], GetDistributionName(dist[i]),
           DATA_COUNT);
  }

  if (!CreateCorrelationManager(&manager)) {
    fprintf(stderr, "CreateCorrelationManager failed\n");
    failed = 1;
    goto done;
  }
  SetDataCount(manager, DATA_COUNT);
  for (i = 0; i < QUANTITIES; ++i) AddDistribution(manager, id[i]);
  SetCorrelation(manager, id[0], id[1], 0.7, 1);
  SetCorrelation(manager, id[1], id[2], -0.4, 1);
  printf("targets: cost~duration %.2f, duration~overrun %.2f (tolerance %.2f, %u steps)\n",
         GetCorrelation(manager, id[0], id[1]), GetCorrelation(manager, id[1], id[2]),
         GetCorrelationTolerance(&manager), GetCorrelationMaxSteps(manager));

  /* Both random sources seeded: the same samples on every run. */
  srand(20261206u);
  stoka_ran_seed(20261206u);
  code = RecalculateManager(manager);
  printf("RecalculateManager: %d\n", code);
  if (code != 0) {
    failed = 1;
    goto done;
  }
  CalculateCorrelation(manager, id[0], id[1], &r_cost_duration);
  CalculateCorrelation(manager, id[1], id[2], &r_duration_overrun);
  printf("reached: cost~duration %.4f, duration~overrun %.4f\n", r_cost_duration,
         r_duration_overrun);
  for (i = 0; i < QUANTITIES; ++i) {
    unsigned n = 0;
    const double* sample = GetDistributedData(manager, id[i], &n);
    printf("%-8s %u values, mean %.4f (distribution mean %.4f)\n", names[i], n,
           mean_of(sample, n), expected_mean[i]);
    if (n != DATA_COUNT) failed = 1;
  }

done:
  DestroyCorrelationManager(&manager);
  DestroyLatinCubeMethod(&method[0]);
  DestroyLatinCubeMethod(&method[1]);
  DestroyLatinCubeMethod(&method[2]);
  DestroyTriangularDistribution(&dist[0]);
  DestroyNormalDistribution(&dist[1]);
  DestroyBetaDistribution(&dist[2]);
  return failed;
}
