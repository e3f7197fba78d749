/* One distribution of each family. */
#include <stdio.h>

#include "stoka/stoka.h"
#include "tour.h"

int tour_families(void) {
  printf("\n== One distribution of each family\n(not yet part of the tour)\n");
  return 0;
}
