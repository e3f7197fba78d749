// Walks a flat list: each flat twin must return what its object-interface
// counterpart returns, and write the same outputs, on the same arguments.
#ifndef STOKA_TESTS_TWIN_CHECK_HPP
#define STOKA_TESTS_TWIN_CHECK_HPP

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/guard.hpp"
#include "support/gsl_handler.hpp"
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
  explicit Arena(int round)
      : doubles(20, std::vector<double>(kArrayLength)),
        unsigneds(20, std::vector<unsigned>(kArrayLength)),
        ints(20, std::vector<int>(kArrayLength)) {
    for (int i = 0; i < 20; ++i)
      for (int k = 0; k < kArrayLength; ++k) {
        doubles[i][k] = 1.0 + std::fmod(0.618034 * (k + 7 * i + 13 * round), 1.0) * 9.0;
        unsigneds[i][k] = static_cast<unsigned>(1 + (k * 7 + i + round) % 5);
        ints[i][k] = (k * 3 + i + round) % 7;
      }
  }
};

inline double FixedUniform() { return 0.3183; }

// The argument at position i of a call in this round. Doubles increase within
// a call (min < ml < max reads well) and take high-entropy values; bools are
// the one-byte flag of the percentile.
template <class T>
struct Sample {
  static T Get(Arena& a, int round, int i) {
    static const double base[kRounds] = {2.385, 0.137, 11.71, 48.2};
    static const double step[kRounds] = {1.25, 0.211, 3.9, 7.5};
    static const int small[kRounds] = {1, 2, 0, 5};
    if constexpr (std::is_same_v<T, double>) return base[round] + step[round] * i;
    else if constexpr (std::is_same_v<T, int>) return small[(round + i) % kRounds];
    else if constexpr (std::is_same_v<T, bool>) return (round + i) % 2 != 0;
    else if constexpr (std::is_same_v<T, unsigned>) return 3u + unsigned(round + i);
    else if constexpr (std::is_same_v<T, stoka_uniform_fn>) return FixedUniform;
    else if constexpr (std::is_same_v<std::remove_const_t<std::remove_pointer_t<T>>, double>)
      return a.doubles[i].data();
    else if constexpr (std::is_same_v<T, unsigned*>) return a.unsigneds[i].data();
    else return a.ints[i].data();
  }
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

// Calls both faces of one function on identical arguments and arenas, both
// random sources reset alike before each call. Where the object interface
// throws, the flat twin reports its failure value (void functions: nothing).
template <class R, class... A, class F, size_t... I>
void CheckRound(const char* name, R (*flat)(A...), R (*object)(A...), F failure, int round,
                std::index_sequence<I...>) {
  Arena arenas[2] = {Arena(round), Arena(round)};
  auto call = [&](R (*fn)(A...), Arena& arena) {
    std::srand(1234u + static_cast<unsigned>(round));
    stoka_ran_seed(4321u + static_cast<uint32_t>(round));
    std::tuple<A...> args{Sample<std::decay_t<A>>::Get(arena, round, int(I))...};
    if constexpr (std::is_void_v<R>) {
      std::apply(fn, args);
      return 0;
    } else {
      return std::apply(fn, args);
    }
  };
  const auto from_flat = call(flat, arenas[0]);
  auto from_object = from_flat;
  try {
    const GslHandler quiet(IgnoreGslError);  // what stoka_init gives the object interface
    from_object = call(object, arenas[1]);
  } catch (...) {
    if constexpr (!std::is_void_v<R>) from_object = failure;
  }
  EXPECT_TRUE(Same(from_flat, from_object)) << name << " round " << round;
  EXPECT_TRUE(Same(arenas[0], arenas[1])) << name << " outputs differ, round " << round;
}

template <class R, class... A, class F>
void Check(const char* name, R (*flat)(A...), R (*object)(A...), F failure) {
  for (int round = 0; round < kRounds; ++round)
    CheckRound(name, flat, object, failure, round, std::index_sequence_for<A...>{});
}

}  // namespace twin

#define STOKA_CHECK_TWIN(ret, name, params, args, fail) \
  ::twin::Check(#name, &::name, &::name##_, fail);
#define STOKA_SKIP_FLAT(ret, name, params)

#endif
