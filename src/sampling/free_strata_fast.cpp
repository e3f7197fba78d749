// FreeStrata::Take with the population count, bit deposit and AVX2 instructions
// (this file alone is compiled for them where the compiler can target them).
#include "sampling/free_strata_take.hpp"

#if defined(__POPCNT__) && defined(__BMI2__) && defined(__AVX2__)
unsigned FreeStrataTakeFast(const FreeStrata::Layout& s, unsigned k) noexcept {
  return strata::Take(s, k);
}
void FreeStrataTakeManyFast(const FreeStrata::Layout& s, int n, unsigned* k) noexcept {
  for (int i = 0; i < n; ++i) k[i] = strata::Take(s, k[i]);
}
#endif
