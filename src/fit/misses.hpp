// How far the last percentile fit of a thread misses its judged values: the
// flat fitting functions record, after each fit, the judged points beside the
// fitted distribution's values at their percents; stoka_fit_miss_count and
// stoka_fit_miss read them back.
#ifndef STOKA_SRC_FIT_MISSES_HPP
#define STOKA_SRC_FIT_MISSES_HPP

#include <type_traits>

#include "fit/rows.hpp"

namespace stoka::fit {

// A fit's points and its outputs by field, as a row names them.
struct Recorded {
  int kind = 1;  // the LogNormal parameterisation
  int points = 0;
  double x[kMaxPoints] = {}, p[kMaxPoints] = {};
  double* out[kFieldCount] = {};
};

// Keeps the points of a fit that returned result (none unless it is 1).
void RecordMisses(const Row& row, int result, const Recorded& fit);

template <class T>
void Note(Recorded& r, Arg a, T v) {
  if constexpr (std::is_same_v<T, int>) {
    if (a.what == Arg::kKind) r.kind = v;
  } else if constexpr (std::is_same_v<T, double>) {
    if (a.what == Arg::kValue) r.x[a.index] = v;
    if (a.what == Arg::kPercent) r.p[a.index] = v;
  } else if constexpr (std::is_same_v<T, double*>) {
    if (a.what == Arg::kOutput) r.out[a.index] = v;
  }
}

// Records the misses of a fitting row's call and returns its result; checks
// pass through.
template <class... A>
int WithMisses(const Row& row, int result, A... args) {
  if (row.kind != Kind::kFit) return result;
  Recorded r;
  r.points = row.points;
  int i = 0;
  (Note(r, row.arg[i++], args), ...);
  RecordMisses(row, result, r);
  return result;
}

}  // namespace stoka::fit

// The flat function of a row: the object interface's entry under the guard,
// its misses recorded.
#define STOKA_FIT_DEFINE_FLAT_ROW(TWIN, family, kind, words, ret, name, params, args, fail) \
  STOKA_FIT_FLAT_##kind(                                                                    \
      static constexpr ::stoka::fit::Row kRow_##name = STOKA_FIT_ROW(family, kind, words);   \
      extern "C" STOKA_API ret name params {                                                \
        return ::stoka::guard(fail, [&]() -> ret {                                          \
          return ::stoka::fit::WithMisses(kRow_##name, ::name##_ args, STOKA_FIT_UNPAREN args); \
        });                                                                                 \
      })

#endif
