/* Fitting from judged percentiles: three judged values of a duration give a
   triangular distribution, which the host then creates and queries. */
#include <stdio.h>

#include "stoka/stoka.h"
#include "tour.h"

int tour_fitting(void) {
  /* An expert judges: a 90 % chance to exceed 12.5 days, 50 % to exceed 17.5,
     10 % to exceed 25 (percents in the exceedance sense). */
  const double x1 = 12.5, x2 = 17.5, x3 = 25.0;
  const double p1 = 90.0, p2 = 50.0, p3 = 10.0;
  double ml = 0, min = 0, max = 0;
  IDistribution* triangle = NULL;
  int found;

  printf("\n== Fitting from judged percentiles\n");
  printf("judged: P(X > %g) = %g %%, P(X > %g) = %g %%, P(X > %g) = %g %%\n", x1, p1, x2, p2, x3,
         p3);
  found = CalcTriangularDistributionBy3Perc(iter_count, eps, x1, x2, x3, p1, p2, p3, &ml, &min,
                                            &max);
  if (found != kSolveFind) {
    fprintf(stderr, "CalcTriangularDistributionBy3Perc found no triangle\n");
    return 1;
  }
  printf("fit: ml = %.4f, min = %.4f, max = %.4f\n", ml, min, max);

  if (!CreateTriangularDistribution(ml, min, max, &triangle)) {
    fprintf(stderr, "CreateTriangularDistribution refused the fit\n");
    return 1;
  }
  printf("%s on [%.4f, %.4f]: P(X > %g) = %.2f %%, P(X > %g) = %.2f %%, P(X > %g) = %.2f %%\n",
         GetDistributionName(triangle), GetMinValue(triangle), GetMaxValue(triangle), x1,
         100 * GetSFValue(triangle, x1), x2, 100 * GetSFValue(triangle, x2), x3,
         100 * GetSFValue(triangle, x3));
  DestroyTriangularDistribution(&triangle);
  return 0;
}
