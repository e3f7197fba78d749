// Stand-alone Latin hypercube design: uniform matrices, integers and
// permutations from the GSL stream. Arrays are malloc'ed for the caller to
// free; counts below 1 (or a size past the address space) give NULL.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "core/guard.hpp"
#include "stoka/core.hpp"
#include "stoka/stoka.h"

namespace {
// malloc for count elements of T, NULL for no elements or an overflowing size.
template <class T>
T* AllocArray(long long count) {
  if (count < 1 || static_cast<unsigned long long>(count) >
                       std::numeric_limits<std::size_t>::max() / sizeof(T))
    return nullptr;
  return static_cast<T*>(std::malloc(static_cast<std::size_t>(count) * sizeof(T)));
}
}  // namespace

extern "C" {

STOKA_API double* r8mat_uniform_01_new(int m, int n) {
  const stoka::GslErrorScope quiet;
  if (m < 1 || n < 1) return nullptr;
  double* x = AllocArray<double>(static_cast<long long>(m) * n);
  if (x == nullptr) return nullptr;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < m; ++i) x[i + static_cast<std::size_t>(j) * m] = stoka_ran_uniform_();
  return x;
}

STOKA_API int i4_uniform_ab(int a, int b) {
  const stoka::GslErrorScope quiet;
  const float r = static_cast<float>(stoka_ran_uniform_());
  const float x = static_cast<float>((1.0 - r) * (a - 0.5) + r * (b + 0.5));
  // Halves away from zero; clamped before the conversion so that it is defined.
  double value = std::round(static_cast<double>(x));
  if (value < a) value = a;
  if (value > b) value = b;
  return static_cast<int>(value);
}

STOKA_API int* perm_uniform_new(int n) {
  const stoka::GslErrorScope quiet;
  int* perm = AllocArray<int>(n);
  if (perm == nullptr) return nullptr;
  for (int i = 0; i < n; ++i) perm[i] = i;
  for (int i = 0; i + 1 < n; ++i) {
    const int j = i4_uniform_ab(i, n - 1);
    const int t = perm[i];
    perm[i] = perm[j];
    perm[j] = t;
  }
  return perm;
}

STOKA_API double* latin_random_new(int dim_num, int point_num) {
  const stoka::GslErrorScope quiet;
  double* x = r8mat_uniform_01_new(dim_num, point_num);
  if (x == nullptr) return nullptr;
  for (int i = 0; i < dim_num; ++i) {
    int* perm = perm_uniform_new(point_num);
    if (perm == nullptr) {
      std::free(x);
      return nullptr;
    }
    for (int j = 0; j < point_num; ++j) {
      double& cell = x[i + static_cast<std::size_t>(j) * dim_num];
      cell = (perm[j] + cell) / point_num;
    }
    std::free(perm);
  }
  return x;
}

}  // extern "C"
