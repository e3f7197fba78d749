// The walk over the flat lists. Every flat call runs under a host's GSL handler
// that counts its calls: after the call that handler is in place again and was
// never called. Each flat twin also returns what its object-interface
// counterpart returns, and writes the same outputs, on the same arguments.
// Rounds below kRounds hand plausible arguments (doubles rise along a call, so
// min < ml < max reads well), the later ones hostile ones; the functions of the
// flat interface alone meet the hostile rounds, with null or live handles.
#ifndef STOKA_TESTS_TWIN_CHECK_HPP
#define STOKA_TESTS_TWIN_CHECK_HPP

#include <type_traits>

#include "core/guard.hpp"
#include "support/args.hpp"
#include "support/gsl_handler.hpp"
#include "support/rows.hpp"

namespace twin {

constexpr double kHostile[] = {NAN, INFINITY, -INFINITY, 1.5, -2.385, 0.0, 1e308};
constexpr int kRounds = 4, kAllRounds = kRounds + 7;

// The handles of the hostile rounds (odd positions; even ones get NULL), made
// on first use and kept for the life of the process.
inline const auto& Live() {
  static const auto live = [] {
    std::tuple<IDistribution*, AbstractGenerationMethod*, CorrelationManager*, RankCorrelation*> h{};
    CreateBetaDistribution(2.35, 4.1, 1.5, 9.25, &std::get<0>(h));
    CreateMonteCarloMethod(&std::get<1>(h), std::get<0>(h), 0.0, 1.0);
    CreateCorrelationManager(&std::get<2>(h));
    SetDataCount(std::get<2>(h), 5);
    CreateRankCorrelation(&std::get<3>(h), 3);
    return h;
  }();
  return live;
}

inline int host_calls = 0;
inline void CountingHandler(const char*, const char*, int, int) { ++host_calls; }

// The numbers of one round; hostile rounds count h from 0.
struct Round {
  int r, h = r - kRounds;
  bool Odd(int i) const { return (h + i) % 2 != 0; }
  double Real(int i) const {
    static const double base[kRounds] = {2.385, 0.137, 11.71, 48.2}, step[kRounds] = {1.25, 0.211, 3.9, 7.5};
    return r < kRounds ? base[r] + step[r] * i : kHostile[(h + i) % 7];
  }
  int Int(int i) const {  // hostile counts and iteration caps: -1 to 2
    static const int small[kRounds] = {1, 2, 0, 5};
    return r < kRounds ? small[(r + i) % kRounds] : (h + i) % 4 - 1;
  }
  bool Flag(int i) const { return (r < kRounds ? r + i : h + i) % 2 != 0; }  // the percentile's one byte
  unsigned Unsigned(int i) const { return r < kRounds ? 3u + unsigned(r + i) : Odd(i) ? 3u : 0u; }
  stoka_uniform_fn Uniform(int i) const {
    return r < kRounds ? +[] { return 0.3183; } : Odd(i) ? +[] { return double(NAN); } : +[] { return 1.0; };
  }
  template <class T>
  T Handle(int i) const {
    if constexpr (std::is_same_v<T, stoka_id>)
      return Odd(i) ? reinterpret_cast<stoka_id>(std::get<AbstractGenerationMethod*>(Live())) : 0;
    else if constexpr (std::is_class_v<std::remove_pointer_t<T>>) return Odd(i) ? std::get<T>(Live()) : nullptr;
    else return T{};  // output callbacks and their user data: NULL
  }
};

// Arrays with plausible data, or hostile numbers; both calls of a pair get
// identical arenas.
struct Arena : args::Arena {
  explicit Arena(int r) {
    for (int i = 0; i < args::kArrays; ++i)
      for (int k = 0; k < args::kLength; ++k) {
        const int h = r - kRounds;
        doubles[i][k] = r < kRounds ? 1.0 + std::fmod(0.618034 * (k + 7 * i + 13 * r), 1.0) * 9.0
                                    : kHostile[(h + i + k) % 7];
        unsigneds[i][k] = r < kRounds ? 1 + (k * 7 + i + r) % 5 : 1 + (i + k) % 3;
        ints[i][k] = r < kRounds ? (k * 3 + i + r) % 7 : (i + k) % 3;
      }
  }
};

template <class T>
struct Sample {
  static T Get(args::Arena& a, int round, int i) {
    Round s{round};
    return args::Get<T>(s, a, i);
  }
};

using rows::Same;
template <class T>
bool Same(const T& a, const T& b) {
  return a == b;
}
inline bool Same(const Arena& a, const Arena& b) {
  const double* x = a.doubles[0];
  return std::equal(x, x + sizeof a.doubles / sizeof *x, b.doubles[0], [](double u, double v) { return Same(u, v); }) &&
         std::memcmp(a.unsigneds, b.unsigneds, sizeof a.unsigneds) == 0 && std::memcmp(a.ints, b.ints, sizeof a.ints) == 0;
}

// One flat call under the counting handler.
template <class R, class... A>
auto Flat(const char* name, R (*f)(A...), Arena& arena, int round) {
  const GslHandler host(CountingHandler);
  host_calls = 0;
  Round s{round};
  const auto result = args::Call(f, s, arena);
  EXPECT_EQ(CurrentGslHandler(), &CountingHandler) << name << " round " << round;
  EXPECT_EQ(host_calls, 0) << name << " round " << round;
  return result;
}

// Both faces of one twin, both random sources reset alike before each call.
// Where the object interface throws, the flat twin reports its failure value.
template <class R, class... A, class F>
void Check(const char* name, R (*flat)(A...), R (*object)(A...), F failure) {
  for (int round = 0; round < kAllRounds; ++round) {
    Arena arenas[2] = {Arena(round), Arena(round)};
    auto reset = [&] {
      std::srand(1234u + static_cast<unsigned>(round));
      stoka_ran_seed(4321u + static_cast<uint32_t>(round));
    };
    reset();
    const auto from_flat = Flat(name, flat, arenas[0], round);
    auto from_object = from_flat;
    try {
      const GslHandler quiet(IgnoreGslError);  // what stoka_init gives the object interface
      reset();
      Round s{round};
      from_object = args::Call(object, s, arenas[1]);
    } catch (...) {
      if constexpr (!std::is_void_v<R>) from_object = failure;
    }
    EXPECT_TRUE(Same(from_flat, from_object)) << name << " round " << round;
    EXPECT_TRUE(Same(arenas[0], arenas[1])) << name << " outputs differ, round " << round;
  }
}

// A function of the flat interface alone, on the hostile rounds. stoka_init
// switches the handler off for good, on purpose.
template <class R, class... A>
void Walk(const char* name, R (*f)(A...)) {
  for (int round = kRounds; round < kAllRounds && std::strcmp(name, "stoka_init") != 0; ++round) {
    Arena arena(round);
    const auto result = Flat(name, f, arena, round);
    if constexpr (std::is_same_v<R, double*> || std::is_same_v<R, int*>) std::free(result);
    stoka_silence_output();
  }
}

}  // namespace twin

#define STOKA_CHECK_TWIN(ret, name, params, args, fail) ::twin::Check(#name, &::name, &::name##_, fail);
#define STOKA_CHECK_FLAT(ret, name, params) ::twin::Walk(#name, &::name);
#define STOKA_SKIP_FLAT(ret, name, params)

#endif
