/* A host's tour of libstoka: life cycle, the families, fitting from judged
   percentiles, and correlated samples. */
#include <stdio.h>

#include "stoka/stoka.h"
#include "tour.h"

int main(void) {
  int failed = 0;
  stoka_init();
  printf("stoka_init: GSL stream ready (%s)\n", gsl_rng_name(r_global));
  failed |= tour_lifecycle();
  failed |= tour_families();
  failed |= tour_fitting();
  failed |= tour_sampling();
  stoka_done();
  printf("stoka_done\n");
  return failed;
}
