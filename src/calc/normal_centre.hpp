// The central region of the Normal quantile, compiled once for the baseline
// instruction set and once more with 256-bit vectors (normal_quantile_fast.cpp),
// chosen at run time. Everything here has internal linkage, so each
// compilation keeps its own copy.
#ifndef STOKA_SRC_CALC_NORMAL_CENTRE_HPP
#define STOKA_SRC_CALC_NORMAL_CENTRE_HPP

#include <cstring>

namespace {
namespace normal_centre {

// Wichura's AS 241 (PPND16, Applied Statistics 37, 1988), |p - 0.5| <= 0.425:
// with q = p - 0.5 and r = 0.180625 - q^2 the quantile is q * (A(r) / B(r)),
// A and B of degree 7 evaluated by Horner's rule from the highest coefficient,
// which is how GSL's gsl_cdf_ugaussian_Pinv computes it. Every operation is
// rounded on its own (no contraction), so a vector lane gives what a scalar
// evaluation gives.
constexpr double kA[8] = {3.387132872796366608,    133.14166789178437745, 1971.5909503065514427,
                          13731.693765509461125,   45921.953931549871457, 67265.770927008700853,
                          33430.575583588128105,   2509.0809287301226727};
constexpr double kB[8] = {1.0,                     42.313330701600911252, 687.1870074920579083,
                          5394.1960214247511077,   21213.794301586595867, 39307.89580009271061,
                          28729.085735721942674,   5226.4952788528544610};

// A(r) / B(r), both of degree 7 (b[0] = 1).
template <class T>
inline T Rational(const double (&a)[8], const double (&b)[8], T r) {
  T u = r * a[7] + a[6], v = r * b[7] + b[6];
  for (int i = 5; i >= 0; --i) {
    u = r * u + a[i];
    v = r * v + b[i];
  }
  return u / v;
}

template <class T>
inline T Quantile(T q) {
  return q * Rational(kA, kB, 0.180625 - q * q);
}

// x[i] = sigma * (the central formula at p[i]) + mean for every i < n, in or
// out of the central region: the caller mends the others.
inline void Centres(int n, const double* p, double sigma, double mean, double* x) {
  int i = 0;
#if defined(__GNUC__)
#if defined(__AVX__)
  typedef double Lanes __attribute__((vector_size(32)));
#else
  typedef double Lanes __attribute__((vector_size(16)));
#endif
  constexpr int kLanes = sizeof(Lanes) / sizeof(double);
  for (; i + kLanes <= n; i += kLanes) {
    Lanes q;
    std::memcpy(&q, p + i, sizeof q);
    const Lanes y = Quantile(q - 0.5) * sigma + mean;
    std::memcpy(x + i, &y, sizeof y);
  }
#endif
  for (; i < n; ++i) x[i] = Quantile(p[i] - 0.5) * sigma + mean;
}

}  // namespace normal_centre
}  // namespace

#endif
