/* Seeding, drawing, saving and restoring the GSL stream; a uniform's queries. */
#include <stdio.h>

#include "stoka/stoka.h"
#include "tour.h"

int tour_lifecycle(void) {
  IDistribution* uniform = NULL;
  double first[3], again[3];
  int i;

  printf("\n== Life cycle and the random stream\n");
  stoka_ran_seed(20261206u);
  printf("stoka_ran_seed(20261206)\n");
  stoka_ran_poke_state();
  for (i = 0; i < 3; ++i) first[i] = stoka_ran_uniform();
  stoka_ran_peek_state();
  for (i = 0; i < 3; ++i) again[i] = stoka_ran_uniform();
  printf("draws after a save:      %.6f %.6f %.6f\n", first[0], first[1], first[2]);
  printf("draws after the restore: %.6f %.6f %.6f\n", again[0], again[1], again[2]);

  if (!CreateUniformDistribution(2.0, 6.0, &uniform)) {
    fprintf(stderr, "CreateUniformDistribution refused [2, 6]\n");
    return 1;
  }
  printf("%s on [%g, %g]: pdf(4) = %g, cdf(3) = %g, sf(3) = %g, quantile(0.9) = %g\n",
         GetDistributionName(uniform), GetMinValue(uniform), GetMaxValue(uniform),
         GetPDFValue(uniform, 4.0), GetCDFValue(uniform, 3.0), GetSFValue(uniform, 3.0),
         GetInverseCDFValue(uniform, 0.9));
  DestroyUniformDistribution(&uniform);
  printf("destroyed: handle is %s\n", uniform == NULL ? "NULL" : "set");
  return 0;
}
