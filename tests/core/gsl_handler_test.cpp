// GSL's error handler at the C boundary: with GSL's aborting default in force
// (a host that never called stoka_init) no argument makes a flat function
// abort, and a host's own handler is in place after every flat call and is
// never called from inside one.
#include <gsl/gsl_cdf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <tuple>
#include <type_traits>
#include <utility>

#include "stoka/stoka.h"
#include "support/gsl_handler.hpp"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

int host_calls = 0;
void CountingHandler(const char*, const char*, int, int) { ++host_calls; }

// Each row reaches GSL's handler unless the boundary switches it off. They run
// with GSL's default handler in force: a row that reaches it aborts the program.
TEST(GslHandler, NothingAbortsBeforeInit) {
  IDistribution* beta = nullptr;
  ASSERT_EQ(CreateBetaDistribution(2.35, 4.1, 1.5, 9.25, &beta), 1);
  double a, b, c;
  const struct {
    const char* call;
    std::function<double()> run;
    double expected;
  } rows[] = {
      {"GetInverseCDFValue(Beta, 1.5)", [&] { return GetInverseCDFValue(beta, 1.5); }, kNaN},
      {"stoka_ran_beta_cdf_inv(p 1.5)",
       [] { return stoka_ran_beta_cdf_inv(1.5, 1.0, 2.0, 2.35, 4.1); }, kNaN},
      {"stoka_ran_beta_cdf(non-finite)",
       [] { return stoka_ran_beta_cdf(0.0, 1e308, kNaN, kInf, -kInf); }, kNaN},
      {"stoka_ran_pert_cdf(non-finite)", [] { return stoka_ran_pert_cdf(kNaN, kInf, -kInf, 1.5); },
       kNaN},
      {"stoka_ran_pert_cdf_inv(x -inf)",
       [] { return stoka_ran_pert_cdf_inv(-kInf, 1.5, -2.385, 0.0); }, kNaN},
      {"stoka_ran_triangular_params(x1 inf)",
       [&] { return stoka_ran_triangular_params(-1, kInf, 3, 1.5, -2.385, &a, &b); }, 0},
      {"CalcLogTriangularDistributionByMinMaxPerc(max inf)",
       [&] {
         return CalcLogTriangularDistributionByMinMaxPerc(100, 1e-4, 100, kInf, 150, 50, &a, &b,
                                                          &c);
       },
       0},
  };
  stoka_silence_output();
  {
    const GslHandler fatal(nullptr);
    for (const auto& row : rows) {
      const double got = row.run();
      EXPECT_TRUE(got == row.expected || (std::isnan(got) && std::isnan(row.expected)))
          << row.call << " gave " << got;
      EXPECT_EQ(CurrentGslHandler(), nullptr) << row.call;
    }
  }
  stoka_default_output();
  DestroyBetaDistribution(&beta);
}

// stoka_init switches GSL's handler off for good, also when a call is inside
// the library at the time (from an output callback).
TEST(GslHandler, InitLeavesErrorsOff) {
  const GslHandler host(CountingHandler);
  stoka_init();
  EXPECT_NE(CurrentGslHandler(), &CountingHandler);
  host_calls = 0;
  gsl_cdf_beta_Pinv(1.5, 2.0, 3.0);
  EXPECT_EQ(host_calls, 0);

  gsl_set_error_handler(CountingHandler);
  stoka_set_output_callback([](const char*, void*) { stoka_init(); }, nullptr);
  const double sample[] = {2.385, 3.1, 4.7};
  double a, b, f;
  CalcUniformByXi(3, sample, &a, &b, &f);  // prints its table: the callback inits
  stoka_silence_output();
  EXPECT_NE(CurrentGslHandler(), &CountingHandler);
  stoka_default_output();
}

// ---------------------------------------------------------------------------
// Every function of the lists on hostile arguments: numbers from a table,
// small counts, arrays of them, and NULL or live handles.

const double kHostile[] = {kNaN, kInf, -kInf, 1.5, -2.385, 0.0, 1e308};
constexpr int kRounds = sizeof kHostile / sizeof kHostile[0];

double EdgeUniform() { return 1.0; }
double NanUniform() { return kNaN; }

// Handles shared by the odd rounds; even rounds pass NULL.
using Handles = std::tuple<IDistribution*, AbstractGenerationMethod*, CorrelationManager*>;
Handles live;

struct Arena {
  double doubles[20][64];
  unsigned unsigneds[20][64];
  int ints[20][64];
  Handles out[20] = {};  // slots for out-handles, released after the call
  explicit Arena(int round) {
    for (int i = 0; i < 20; ++i)
      for (int k = 0; k < 64; ++k) {
        doubles[i][k] = kHostile[(round + i + k) % kRounds];
        unsigneds[i][k] = 1u + static_cast<unsigned>((i + k) % 3);
        ints[i][k] = (i + k) % 3;
      }
  }
  ~Arena() {
    for (auto& [distribution, method, manager] : out) {
      DestroyBetaDistribution(&distribution);
      DestroyLatinCubeMethod(&method);
      DestroyCorrelationManager(&manager);
    }
  }
};

template <class T>
T Hostile(Arena& a, int round, int i) {
  const bool odd = (round + i) % 2 != 0;
  using P = std::remove_const_t<std::remove_pointer_t<T>>;
  if constexpr (std::is_same_v<T, double>) {
    return kHostile[(round + i) % kRounds];
  } else if constexpr (std::is_same_v<T, bool>) {
    return odd;
  } else if constexpr (std::is_same_v<T, int>) {
    return (round + i) % 4 - 1;  // counts and iteration caps: -1 to 2
  } else if constexpr (std::is_same_v<T, unsigned>) {
    return odd ? 3u : 0u;
  } else if constexpr (std::is_same_v<T, stoka_id>) {
    return odd ? reinterpret_cast<stoka_id>(std::get<AbstractGenerationMethod*>(live)) : 0;
  } else if constexpr (std::is_same_v<P, double>) {
    return a.doubles[i];
  } else if constexpr (std::is_same_v<P, unsigned>) {
    return a.unsigneds[i];
  } else if constexpr (std::is_same_v<P, int>) {
    return a.ints[i];
  } else if constexpr (std::is_same_v<T, stoka_uniform_fn>) {
    return odd ? NanUniform : EdgeUniform;
  } else if constexpr (std::is_pointer_v<P>) {
    return &std::get<P>(a.out[i]);
  } else if constexpr (std::is_class_v<P>) {
    return odd ? std::get<T>(live) : nullptr;
  } else {
    return T{};  // output callbacks and their user data: NULL
  }
}

template <class R, class... A, size_t... I>
void CallOnce(const char* name, R (*f)(A...), int round, std::index_sequence<I...>) {
  Arena arena(round);
  std::tuple<A...> args{Hostile<std::decay_t<A>>(arena, round, int(I))...};
  host_calls = 0;
  if constexpr (std::is_void_v<R>) {
    std::apply(f, args);
  } else {
    R r = std::apply(f, args);
    if constexpr (std::is_same_v<R, double*> || std::is_same_v<R, int*>) std::free(r);
  }
  EXPECT_EQ(CurrentGslHandler(), &CountingHandler) << name << " round " << round;
  EXPECT_EQ(host_calls, 0) << name << " round " << round;
  stoka_silence_output();
}

template <class R, class... A>
void Walk(const char* name, R (*f)(A...)) {
  if (std::strcmp(name, "stoka_init") == 0) return;  // off for good, on purpose
  for (int round = 0; round < kRounds; ++round)
    CallOnce(name, f, round, std::index_sequence_for<A...>{});
}

#define WALK_TWIN(ret, name, params, args, fail) Walk(#name, &::name);
#define WALK_FLAT(ret, name, params) Walk(#name, &::name);

TEST(GslHandler, HostHandlerSurvivesEveryFlatCall) {
  stoka_silence_output();
  auto& [distribution, method, manager] = live;
  ASSERT_EQ(CreateBetaDistribution(2.35, 4.1, 1.5, 9.25, &distribution), 1);
  CreateMonteCarloMethod(&method, distribution, 0.0, 1.0);
  ASSERT_EQ(CreateCorrelationManager(&manager), 1);
  ASSERT_EQ(SetDataCount(manager, 5), STOKA_MANAGER_OK);
  {
    const GslHandler host(CountingHandler);
    STOKA_FLAT_CORE(WALK_TWIN, WALK_FLAT)
    STOKA_FLAT_CALC(WALK_TWIN, WALK_FLAT)
    STOKA_FLAT_DISCRETE(WALK_TWIN, WALK_FLAT)
    STOKA_FLAT_SAMPLING(WALK_TWIN, WALK_FLAT)
    STOKA_FLAT_CORRELATION(WALK_TWIN, WALK_FLAT)
    STOKA_FLAT_FIT(WALK_TWIN, WALK_FLAT)
    STOKA_FLAT_FIT_NORMAL(WALK_TWIN, WALK_FLAT)
    STOKA_FLAT_STATS(WALK_TWIN, WALK_FLAT)
    // The handler is live: GSL itself still reaches it.
    gsl_cdf_beta_Pinv(1.5, 2.0, 3.0);
    EXPECT_EQ(host_calls, 1);
  }
  DestroyCorrelationManager(&manager);
  DestroyMonteCarloMethod(&method);
  DestroyBetaDistribution(&distribution);
  stoka_default_output();
}

}  // namespace
