/* A C host: stoka.h compiles as C and the library links from C. */
#define _GNU_SOURCE /* RTLD_DEFAULT */
#include <dlfcn.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "stoka/stoka.h"

static int failures = 0;
#define CHECK(cond) \
  ((cond) ? (void)0 : (void)(fprintf(stderr, "c_host: %s failed (line %d)\n", #cond, __LINE__), ++failures))

int main(void) {
  IDistribution* h = NULL;
  CorrelationManager* m = NULL;
  double (*get[2])(CorrelationManager**);
  unsigned n = 0;
  int code, other;
  /* The library is the version of its header; every manager code has its own text. */
  CHECK(strcmp(stoka_version(), STOKA_VERSION) == 0);
  for (code = STOKA_MANAGER_NULL; code <= STOKA_MANAGER_NO_SAMPLE + 1; ++code)
    for (other = STOKA_MANAGER_NULL; other < code; ++other)
      CHECK(strcmp(stoka_manager_code_text(code), stoka_manager_code_text(other)) != 0);
  CHECK(strcmp(stoka_manager_code_text(-2), stoka_manager_code_text(9)) == 0);
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
  /* The tolerance getter under its C and its C++ name; rebuild is one byte. */
  *(void**)&get[0] = dlsym(RTLD_DEFAULT, "GetCorrelationTolerance");
  *(void**)&get[1] = dlsym(RTLD_DEFAULT, "_Z23GetCorrelationTolerancePP18CorrelationManager");
  CHECK(CreateCorrelationManager(&m) == 1 && SetCorrelationTolerance(m, 0.0125) == 0);
  CHECK(get[0] && get[1] && get[0](&m) == 0.0125 && get[1](&m) == 0.0125);
  CHECK(SetCorrelation(m, 13, 14, 0.5, true) == 0 && (GetAllDistributions(m, &n), n == 2));
  DestroyCorrelationManager(&m);
  stoka_done();
  CHECK(r_global == NULL);
  if (failures == 0) printf("c_host: 1 passed, 0 failed\n");
  return failures != 0;
}
