// Prints every entry of the flat interface's lists, one per line: "twin NAME"
// for a function with an object-interface counterpart NAME_, "flat NAME" for
// one of the flat interface only.
#include <cstdio>

#include "stoka/stoka.h"

#define PRINT_TWIN(ret, name, params, args, fail) std::puts("twin " #name);
#define PRINT_FLAT(ret, name, params) std::puts("flat " #name);

int main() {
  STOKA_FLAT_CORE(PRINT_TWIN, PRINT_FLAT)
  STOKA_FLAT_CALC(PRINT_TWIN, PRINT_FLAT)
  STOKA_FLAT_DISCRETE(PRINT_TWIN, PRINT_FLAT)
  STOKA_FLAT_SAMPLING(PRINT_TWIN, PRINT_FLAT)
  STOKA_FLAT_CORRELATION(PRINT_TWIN, PRINT_FLAT)
  STOKA_FLAT_RANK(PRINT_TWIN, PRINT_FLAT)
  STOKA_FLAT_FIT(PRINT_TWIN, PRINT_FLAT)
  STOKA_FLAT_FIT_NORMAL(PRINT_TWIN, PRINT_FLAT)
  STOKA_FLAT_STATS(PRINT_TWIN, PRINT_FLAT)
  return 0;
}
