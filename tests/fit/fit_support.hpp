// Calls any fitting entry point of the lists from a set of inputs by role: the
// roles come from the parameter names, read as the library reads them.
#ifndef STOKA_TESTS_FIT_SUPPORT_HPP
#define STOKA_TESTS_FIT_SUPPORT_HPP

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fit/engine.hpp"
#include "stoka/fit.hpp"
#include "stoka/stoka.h"

namespace fittest {

using stoka::fit::Field;
using stoka::fit::kFieldCount;
using stoka::fit::Layout;
using stoka::fit::Role;

struct Inputs {
  int max_iter = 0;
  double tolerance = 0.0;
  double fixed[kFieldCount] = {};  // by field
  double x[4] = {}, p[4] = {};     // values and exceedance percents
  double out[kFieldCount] = {};    // by field
};

template <class A>
struct Arg;
template <>
struct Arg<int> {
  static int Get(const Layout&, int, Inputs& in) { return in.max_iter; }
};
template <>
struct Arg<double> {
  static double Get(const Layout& l, int i, Inputs& in) {
    const Role r = l.role[i];
    switch (r.what) {
      case Role::kTolerance: return in.tolerance;
      case Role::kValue: return in.x[r.index];
      case Role::kPercent: return in.p[r.index];
      case Role::kFixed: return in.fixed[r.index];
      default: return 0.0;
    }
  }
};
template <>
struct Arg<double*> {
  static double* Get(const Layout& l, int i, Inputs& in) { return &in.out[l.role[i].index]; }
};

template <class... A, size_t... I>
int Invoke(int (*fn)(A...), const Layout& l, Inputs& in, std::index_sequence<I...>) {
  return fn(Arg<A>::Get(l, int(I), in)...);
}

struct Entry {
  std::string name;
  Layout layout;
  std::function<int(Inputs&)> call;
};

}  // namespace fittest

// One Entry per list line: flat names for the functions with a flat twin,
// the object interface for the ConvertParams forms.
#define FITTEST_ENTRY(fn, name, params)                                                    \
  fittest::Entry{#name, stoka::fit::ParseLayout(#name, #params), [](fittest::Inputs& in) { \
                   static constexpr stoka::fit::Layout kLayout = stoka::fit::ParseLayout(#name, #params); \
                   return fittest::Invoke(fn, kLayout, in,                                 \
                                          std::make_index_sequence<kLayout.count>{});      \
                 }},
#define FITTEST_FLAT(ret, name, params, args, fail) FITTEST_ENTRY(&::name, name, params)
#define FITTEST_OBJECT(ret, name, params, args, fail) FITTEST_OBJECT_(name, params)
#define FITTEST_OBJECT_(name, params) FITTEST_ENTRY(&::name##_, name, params)

#endif
