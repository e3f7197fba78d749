/* Fitting from judged percentiles. */
#include <stdio.h>

#include "stoka/stoka.h"
#include "tour.h"

int tour_fitting(void) {
  printf("\n== Fitting from judged percentiles\n(not yet part of the tour)\n");
  return 0;
}
