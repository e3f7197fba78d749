// The Normal quantile's central region in 256-bit vectors (this file alone is
// compiled for AVX where the compiler can target it).
#include "calc/normal_centre.hpp"

#if defined(__AVX__)
namespace stoka {
void NormalCentresFast(int n, const double* p, double sigma, double mean, double* x) {
  normal_centre::Centres(n, p, sigma, mean, x);
}
}  // namespace stoka
#endif
