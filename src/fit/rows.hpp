// The rows of the fitting lists in stoka/flat/fit.h and stoka/flat/fit_normal.h,
// read as data. A row states, for one fitting entry point, its family, its
// kind (check, fit, or a ConvertParams form) and what each of its arguments is,
// in order; the number of judged points and the fixed parameters follow from
// those arguments. The engine binds its entry points from the rows, and the
// program and the tests call them through the same rows.
//
// In a list a row reads
//   ROW(TWIN, family, kind, (words...), ret, name, params, args, fail)
// with the words ITER, TOL, KIND, X1..X4, P1..P4, the fixed parameters ML, MIN,
// MAX, ALPHA, BETA, MEAN, SIGMA, LOC, and the outputs ML_OUT ... LOC_OUT;
// STOKA_FIT_ROW turns the family, the kind and the words into a Row.
#ifndef STOKA_SRC_FIT_ROWS_HPP
#define STOKA_SRC_FIT_ROWS_HPP

#include <initializer_list>
#include <type_traits>

namespace stoka::fit {

// Every parameter a fitted family has. The percentile-fit engine's families use
// the first five; LogNormal rows read mean and sigma in the kind's
// parameterisation (mean-like and deviation-like).
enum Field : int { kMl, kMin, kMax, kAlpha, kBeta, kMean, kSigma, kLocation, kFieldCount };
constexpr unsigned Bit(Field f) { return 1u << f; }
constexpr int kMaxPoints = 4;

enum class Kind { kCheck, kFit, kConvert };

// One argument of an entry point.
struct Arg {
  enum What : unsigned char { kIter, kTolerance, kKind, kValue, kPercent, kFixed, kOutput };
  What what = kIter;
  unsigned char index = 0;  // the point (0-based) of a value or percent; the Field otherwise
};

constexpr int kMaxArgs = 16;

struct Row {
  const char* family = "";
  Kind kind = Kind::kCheck;
  int count = 0;
  Arg arg[kMaxArgs] = {};
  unsigned fixed = 0, outputs = 0;  // Bit(field) of each fixed parameter, each output
  int points = 0;                   // judged values, each with its percent
};

constexpr int FieldCount(unsigned mask) {
  int n = 0;
  for (int f = 0; f < kFieldCount; ++f) n += (mask >> f) & 1u;
  return n;
}

constexpr Row MakeRow(const char* family, Kind kind, std::initializer_list<Arg> args) {
  Row r;
  r.family = family;
  r.kind = kind;
  unsigned values = 0, percents = 0;
  for (const Arg& a : args) {
    if (r.count == kMaxArgs) throw "too many arguments";
    r.arg[r.count++] = a;
    if (a.what == Arg::kFixed) r.fixed |= 1u << a.index;
    if (a.what == Arg::kOutput) r.outputs |= 1u << a.index;
    if (a.what == Arg::kValue) values |= 1u << a.index;
    if (a.what == Arg::kPercent) percents |= 1u << a.index;
  }
  if (values != percents) throw "every value needs its percent";
  while (values & (1u << r.points)) ++r.points;
  if (values != (1u << r.points) - 1) throw "points are numbered from 1 without gaps";
  return r;
}

// The C++ type an argument of each kind has.
template <class T>
constexpr bool Takes(Arg::What w) {
  if constexpr (std::is_same_v<T, int>) return w == Arg::kIter || w == Arg::kKind;
  if constexpr (std::is_same_v<T, double>)
    return w == Arg::kTolerance || w == Arg::kValue || w == Arg::kPercent || w == Arg::kFixed;
  if constexpr (std::is_same_v<T, double*>) return w == Arg::kOutput;
  return false;
}

// The row describes every parameter of fn, in order.
template <class R, class... A>
constexpr bool Matches(R (*)(A...), const Row& r) {
  bool ok = r.count == static_cast<int>(sizeof...(A));
  int i = 0;
  ((ok = ok && Takes<A>(r.arg[i++].what)), ...);
  return ok;
}

// The words of the rows.
namespace words {
constexpr Kind CHECK = Kind::kCheck, FIT = Kind::kFit, CONVERT = Kind::kConvert;
constexpr Arg ITER{Arg::kIter, 0}, TOL{Arg::kTolerance, 0}, KIND{Arg::kKind, 0};
constexpr Arg X1{Arg::kValue, 0}, X2{Arg::kValue, 1}, X3{Arg::kValue, 2}, X4{Arg::kValue, 3};
constexpr Arg P1{Arg::kPercent, 0}, P2{Arg::kPercent, 1}, P3{Arg::kPercent, 2},
    P4{Arg::kPercent, 3};
constexpr Arg ML{Arg::kFixed, kMl}, MIN{Arg::kFixed, kMin}, MAX{Arg::kFixed, kMax},
    ALPHA{Arg::kFixed, kAlpha}, BETA{Arg::kFixed, kBeta}, MEAN{Arg::kFixed, kMean},
    SIGMA{Arg::kFixed, kSigma}, LOC{Arg::kFixed, kLocation};
constexpr Arg ML_OUT{Arg::kOutput, kMl}, MIN_OUT{Arg::kOutput, kMin}, MAX_OUT{Arg::kOutput, kMax},
    ALPHA_OUT{Arg::kOutput, kAlpha}, BETA_OUT{Arg::kOutput, kBeta},
    MEAN_OUT{Arg::kOutput, kMean}, SIGMA_OUT{Arg::kOutput, kSigma},
    LOC_OUT{Arg::kOutput, kLocation};
}  // namespace words

}  // namespace stoka::fit

#define STOKA_FIT_UNPAREN(...) __VA_ARGS__

// The Row of a list row, as a constant expression.
#define STOKA_FIT_ROW(family, kind, words_)                                     \
  [] {                                                                          \
    using namespace ::stoka::fit::words;                                        \
    return ::stoka::fit::MakeRow(#family, kind, {STOKA_FIT_UNPAREN words_});    \
  }()

// For the TWIN entries of a fitting list that a consumer of its rows skips.
#define STOKA_FIT_SKIP_TWIN(ret, name, params, args, fail)

#endif
