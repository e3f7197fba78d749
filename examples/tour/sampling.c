/* Correlated samples. */
#include <stdio.h>

#include "stoka/stoka.h"
#include "tour.h"

int tour_sampling(void) {
  printf("\n== Correlated samples\n(not yet part of the tour)\n");
  return 0;
}
