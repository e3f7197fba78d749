// Shared pieces of the Normal and LogNormal fitters: result publishing and
// the lognormal moments. The LogNormal checks and parameterisations
// (lognormal_params.cpp) sit below both the fits (lognormal.cpp) and the
// solvers (lognormal_solvers.cpp); the two searches run on the library's
// drivers (core/solve.hpp).
#ifndef STOKA_SRC_FIT_NORMAL_INTERNAL_HPP
#define STOKA_SRC_FIT_NORMAL_INTERNAL_HPP

#include <cmath>
#include <initializer_list>

#include "core/constants.hpp"
#include "core/solve.hpp"
#include "stoka/core.hpp"

namespace stoka::fitn {

// The library's names, for the fitters' files that use this namespace.
using stoka::kCantFind;
using stoka::kFind;
using stoka::kNaN;
using stoka::kPenalty;

inline bool IsPercentCode(double p) { return p == kPercentileMin || p == kPercentileMax; }

// The table standard score of a given percent, divided by sqrt(2): erf^-1 at
// the nearest whole cumulative percent, -3 sqrt(2) / +3 sqrt(2) for the codes.
inline double HalfScore(double P) { return erf_invPerc(InvertPercentile(P)); }

struct Out {
  double* to;
  double value;
};

// Writes every value, or none when one of them is not a finite number.
inline int PublishFinite(std::initializer_list<Out> outs) {
  for (const Out& o : outs)
    if (!std::isfinite(o.value)) return kCantFind;
  for (const Out& o : outs) *o.to = o.value;
  return kFind;
}

inline void WriteZeros(double* a, double* b, double* c) { *a = 0.0, *b = 0.0, *c = 0.0; }

// Runs the check's code through, or the conversion when the check passed.
template <class Conversion>
int Checked(int code, Conversion&& conversion) {
  return code != kFind ? code : conversion();
}

// e^t - 1 and log(t + 1) as written, except for |t| below 2^-12: there
// forming e^t or t + 1 would cancel twelve or more of the 53 bits (a sigma
// below 1/64 in e^(sigma^2) - 1), and expm1 and log1p keep them.
constexpr double kCancellingArgument = 0x1p-12;
inline bool Cancels(double t) { return std::fabs(t) < kCancellingArgument; }
inline double ExpMinusOne(double t) { return Cancels(t) ? std::expm1(t) : std::exp(t) - 1.0; }
inline double LogOfOnePlus(double t) { return Cancels(t) ? std::log1p(t) : std::log(t + 1.0); }

// Mean and standard deviation of location + e^(mu + sigma Z).
inline double ArMean(double location, double mu, double sigma) {
  return std::exp(sigma * sigma * 0.5 + mu) + location;
}
inline double ArSd(double mu, double sigma) {
  const double s2 = sigma * sigma;
  return std::sqrt(ExpMinusOne(s2) * std::exp(mu + mu + s2));
}

// Writes (location, mu, sigma) in the kind's parameterisation: 0 arithmetic,
// 1 log scale, 2 geometric. Nothing is written, and the result is 0, for an
// unknown kind, a sigma that is not positive or a result that is not finite.
int PublishKind(int kind, double location, double mu, double sigma, double* o1, double* o2,
                double* o3);

}  // namespace stoka::fitn

#endif
