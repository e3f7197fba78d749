// Every fitter and solver returns on hostile input, and the work it does is
// bounded: counted in iteration steps, never timed.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/output.hpp"
#include "stoka/fit.hpp"
#include "stoka/fit_normal.hpp"
#include "stoka/stats.hpp"
#include "stoka/stoka.h"
#include "support/twin_check.hpp"

namespace {

// The iteration cap handed to the fitters that take one. A search that never
// converges runs to it, so every call's steps stay below a small multiple.
constexpr int kCap = 20000;
constexpr unsigned long long kMostSteps = 10ull * kCap;

const double kHostile[] = {std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           1e308, -1e308, 5e-324, 0.0};

std::vector<std::string> Names(const char* params) {
  std::vector<std::string> names;
  std::string text(params), item;
  std::istringstream in(text.substr(1, text.size() - 2));
  while (std::getline(in, item, ',')) names.push_back(item.substr(item.find_last_of(" *") + 1));
  return names;
}

// Arguments: the plausible samples of the forwarding test, the library's
// default iteration cap and tolerance, and one number replaced by a hostile one.
template <class T>
T Argument(twin::Arena& arena, const std::string& name, int i, int hostile_at, double hostile) {
  if constexpr (std::is_same_v<T, int>) {
    if (name == "max_iter") return kCap;
    return twin::Sample<int>::Get(arena, 0, i);
  } else if constexpr (std::is_same_v<T, double>) {
    // A tolerance of 0 asks for the whole iteration cap: that is the caller's
    // choice, not hostile input. It stays at the library's default.
    if (name == "tolerance") return eps;
    if (i == hostile_at) return hostile;
    return twin::Sample<double>::Get(arena, 0, i);
  } else {
    return twin::Sample<T>::Get(arena, 0, i);
  }
}

struct Worst {
  std::string call;
  unsigned long long steps = 0;
};

template <class R, class... A, size_t... I>
void Hammer(const char* name, const char* params, R (*f)(A...), Worst& worst,
            std::index_sequence<I...>) {
  const auto names = Names(params);
  for (int at = 0; at < static_cast<int>(sizeof...(A)); ++at) {
    for (double hostile : kHostile) {
      twin::Arena arena(0);
      std::tuple<A...> args{Argument<std::decay_t<A>>(arena, names[I], int(I), at, hostile)...};
      const unsigned long long before = stoka_iteration_count();
      std::apply(f, args);  // returning at all is the first half of the test
      const unsigned long long steps = stoka_iteration_count() - before;
      if (steps > worst.steps) {
        std::ostringstream call;
        call << name << " with argument " << at << " = " << hostile;
        worst = {call.str(), steps};
      }
    }
  }
}

template <class R, class... A>
void Hammer(const char* name, const char* params, R (*f)(A...), Worst& worst) {
  Hammer(name, params, f, worst, std::index_sequence_for<A...>{});
}

#define HAMMER(ret, name, params, args, fail) Hammer(#name, #params, &::name, worst);
#define SKIP(ret, name, params)

TEST(BoundedWork, FittersReturnWithinTheirCapsOnHostileNumbers) {
  stoka_silence_output();
  Worst worst;
  STOKA_FLAT_FIT(HAMMER, SKIP)
  STOKA_FLAT_FIT_NORMAL(HAMMER, SKIP)
  STOKA_FLAT_STATS(HAMMER, SKIP)
  stoka_default_output();
  // Every search stops within its cap (the fits that restart run a few).
  std::printf("most steps: %llu (%s)\n", worst.steps, worst.call.c_str());
  EXPECT_LE(worst.steps, kMostSteps) << worst.call;
}

}  // namespace
