// Walks a flat list: each flat twin must return what its object-interface
// counterpart returns, and write the same outputs, on the same arguments.
#ifndef STOKA_TESTS_TWIN_CHECK_HPP
#define STOKA_TESTS_TWIN_CHECK_HPP

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/guard.hpp"
#include "stoka/stoka.h"
#include "support/gsl_handler.hpp"

namespace twin {

constexpr int kRounds = 4;
constexpr int kArrayLength = 256;

// Arrays handed to pointer parameters: inputs with plausible data, and the
// place where outputs land. Both calls of a pair get identical arenas.
struct Arena {
  std::vector<std::vector<double>> doubles;
  std::vector<std::vector<unsigned>> unsigneds;
  std::vector<std::vector<int>> ints;
  explicit Arena(int round) {
    for (int i = 0; i < 20; ++i) {
      std::vector<double> d(kArrayLength);
      std::vector<unsigned> u(kArrayLength);
      std::vector<int> n(kArrayLength);
      for (int k = 0; k < kArrayLength; ++k) {
        d[k] = 1.0 + std::fmod(0.618034 * (k + 7 * i + 13 * round), 1.0) * 9.0;
        u[k] = static_cast<unsigned>(1 + (k * 7 + i + round) % 5);
        n[k] = (k * 3 + i + round) % 7;
      }
      doubles.push_back(d);
      unsigneds.push_back(u);
      ints.push_back(n);
    }
  }
};

inline double SampleDouble(int round, int i) {
  // Increasing within a call (min < ml < max reads well), high-entropy values.
  static const double base[kRounds] = {2.385, 0.137, 11.71, 48.2};
  static const double step[kRounds] = {1.25, 0.211, 3.9, 7.5};
  return base[round] + step[round] * i;
}

inline double FixedUniform() { return 0.3183; }

template <class T>
struct Sample;
template <>
struct Sample<double> {
  static double Get(Arena&, int round, int i) { return SampleDouble(round, i); }
};
template <>
struct Sample<int> {
  static int Get(Arena&, int round, int i) {
    static const int v[kRounds] = {1, 2, 0, 5};
    return v[(round + i) % kRounds];
  }
};
// The one-byte flag of the percentile.
template <>
struct Sample<bool> {
  static bool Get(Arena&, int round, int i) { return (round + i) % 2 != 0; }
};
template <>
struct Sample<unsigned> {
  static unsigned Get(Arena&, int round, int i) { return 3u + static_cast<unsigned>(round + i); }
};
template <>
struct Sample<double*> {
  static double* Get(Arena& a, int, int i) { return a.doubles[i].data(); }
};
template <>
struct Sample<const double*> {
  static const double* Get(Arena& a, int, int i) { return a.doubles[i].data(); }
};
template <>
struct Sample<unsigned*> {
  static unsigned* Get(Arena& a, int, int i) { return a.unsigneds[i].data(); }
};
template <>
struct Sample<int*> {
  static int* Get(Arena& a, int, int i) { return a.ints[i].data(); }
};
template <>
struct Sample<stoka_uniform_fn> {
  static stoka_uniform_fn Get(Arena&, int, int) { return FixedUniform; }
};

inline bool Same(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}
template <class T>
bool Same(const T& a, const T& b) {
  return a == b;
}
inline bool Same(const Arena& a, const Arena& b) {
  for (size_t i = 0; i < a.doubles.size(); ++i)
    for (int k = 0; k < kArrayLength; ++k)
      if (!Same(a.doubles[i][k], b.doubles[i][k])) return false;
  return a.unsigneds == b.unsigneds && a.ints == b.ints;
}

// Both random sources start alike for each call of a pair.
inline void ResetRandom(int round) {
  std::srand(1234u + static_cast<unsigned>(round));
  stoka_ran_seed(4321u + static_cast<uint32_t>(round));
}

// Calls both faces of one function on identical arguments and arenas.
template <class R, class... A, size_t... I>
void CheckRound(const char* name, R (*flat)(A...), R (*object)(A...), R failure, int round,
                std::index_sequence<I...>) {
  Arena arena_flat(round), arena_object(round);
  std::tuple<A...> flat_args{Sample<std::decay_t<A>>::Get(arena_flat, round, int(I))...};
  std::tuple<A...> object_args{Sample<std::decay_t<A>>::Get(arena_object, round, int(I))...};
  ResetRandom(round);
  const R from_flat = std::apply(flat, flat_args);
  ResetRandom(round);
  R from_object;
  const GslHandler quiet(IgnoreGslError);  // what stoka_init gives the object interface
  try {
    from_object = std::apply(object, object_args);
  } catch (...) {
    // Where the object interface throws, the flat twin reports its failure value.
    from_object = failure;
  }
  EXPECT_TRUE(Same(from_flat, from_object)) << name << " round " << round;
  EXPECT_TRUE(Same(arena_flat, arena_object)) << name << " outputs differ, round " << round;
}

template <class... A, size_t... I>
void CheckVoidRound(const char* name, void (*flat)(A...), void (*object)(A...), int round,
                    std::index_sequence<I...>) {
  Arena arena_flat(round), arena_object(round);
  std::tuple<A...> flat_args{Sample<std::decay_t<A>>::Get(arena_flat, round, int(I))...};
  std::tuple<A...> object_args{Sample<std::decay_t<A>>::Get(arena_object, round, int(I))...};
  ResetRandom(round);
  std::apply(flat, flat_args);
  ResetRandom(round);
  const GslHandler quiet(IgnoreGslError);
  try {
    std::apply(object, object_args);
  } catch (...) {
  }
  EXPECT_TRUE(Same(arena_flat, arena_object)) << name << " outputs differ, round " << round;
}

template <class R, class... A>
void Check(const char* name, R (*flat)(A...), R (*object)(A...), R failure) {
  for (int round = 0; round < kRounds; ++round)
    CheckRound(name, flat, object, failure, round, std::index_sequence_for<A...>{});
}

template <class... A>
void Check(const char* name, void (*flat)(A...), void (*object)(A...), stoka::VoidResult) {
  for (int round = 0; round < kRounds; ++round)
    CheckVoidRound(name, flat, object, round, std::index_sequence_for<A...>{});
}

}  // namespace twin

#define STOKA_CHECK_TWIN(ret, name, params, args, fail) \
  ::twin::Check(#name, &::name, &::name##_, fail);
#define STOKA_SKIP_FLAT(ret, name, params)

#endif
