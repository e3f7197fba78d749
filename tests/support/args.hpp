// Arguments for any function of the flat lists, by type and position: a source
// gives the numbers, flags, uniform sources and handles, an arena the arrays
// and the places where out-handles land. The forwarding walk and the fuzzer
// both call through here.
#ifndef STOKA_TESTS_ARGS_HPP
#define STOKA_TESTS_ARGS_HPP

#include <tuple>
#include <type_traits>
#include <utility>

#include "stoka/stoka.h"

namespace args {

constexpr int kArrays = 20, kLength = 256;

struct Arena {
  double doubles[kArrays][kLength] = {};
  unsigned unsigneds[kArrays][kLength] = {};
  int ints[kArrays][kLength] = {};
  std::tuple<IDistribution*, AbstractGenerationMethod*, CorrelationManager*, RankCorrelation*> out[kArrays] = {};
  Arena() = default;
  Arena(const Arena&) = delete;
  ~Arena() {
    for (auto& [distribution, method, manager, rank] : out) {
      DestroyRankCorrelation(&rank);
      DestroyCorrelationManager(&manager);
      DestroyLatinCubeMethod(&method);
      DestroyBetaDistribution(&distribution);
    }
  }
};

// The argument of type T at position i.
template <class T, class Source>
T Get(Source& s, Arena& a, int i) {
  using P = std::remove_const_t<std::remove_pointer_t<T>>;
  if constexpr (std::is_same_v<T, double>) return s.Real(i);
  else if constexpr (std::is_same_v<T, bool>) return s.Flag(i);
  else if constexpr (std::is_same_v<T, int>) return s.Int(i);
  else if constexpr (std::is_same_v<T, unsigned>) return s.Unsigned(i);
  else if constexpr (std::is_same_v<T, stoka_uniform_fn>) return s.Uniform(i);
  else if constexpr (std::is_same_v<P, double>) return a.doubles[i];
  else if constexpr (std::is_same_v<P, unsigned>) return a.unsigneds[i];
  else if constexpr (std::is_same_v<P, int>) return a.ints[i];
  else if constexpr (std::is_pointer_v<P>) return &std::get<P>(a.out[i]);
  else return s.template Handle<T>(i);  // handles, identifiers, output callbacks
}

// Calls f with its arguments taken in order (a braced list is evaluated left
// to right); a void function gives 0.
template <class R, class... A, class Source, size_t... I>
auto Call(R (*f)(A...), Source& s, Arena& a, std::index_sequence<I...>) {
  std::tuple<A...> args{Get<std::decay_t<A>>(s, a, int(I))...};
  if constexpr (std::is_void_v<R>) {
    std::apply(f, args);
    return 0;
  } else {
    return std::apply(f, args);
  }
}

template <class R, class... A, class Source>
auto Call(R (*f)(A...), Source& s, Arena& a) {
  return Call(f, s, a, std::index_sequence_for<A...>{});
}

}  // namespace args

#endif
