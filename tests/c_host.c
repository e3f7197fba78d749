/* A C host: stoka.h compiles as C and the library links from C. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "stoka/stoka.h"

static int failures = 0;
#define CHECK(cond)                                              \
  do {                                                           \
    if (!(cond)) {                                               \
      fprintf(stderr, "c_host: %s failed (line %d)\n", #cond, __LINE__); \
      ++failures;                                                \
    }                                                            \
  } while (0)

int main(void) {
  IDistribution* h = NULL;
  stoka_init();
  stoka_ran_seed(7u);
  CHECK(r_global != NULL);
  CHECK(CreateUniformDistribution(2.0, 6.0, &h) == 1);
  CHECK(fabs(GetCDFValue(h, 4.0) - 0.5) < 1e-15);
  CHECK(strcmp(GetDistributionName(h), "Uniform") == 0);
  CHECK(CheckPercentile(50.0) == 1 && CheckPercentile(0.5) == 0);
  DestroyUniformDistribution(&h);
  CHECK(h == NULL);
  CHECK(GetCDFValue(h, 1.0) == -1.0);
  stoka_done();
  CHECK(r_global == NULL);
  if (failures == 0) printf("c_host: 1 passed, 0 failed\n");
  return failures != 0;
}
