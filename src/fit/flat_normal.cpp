// Flat twins of the Normal and LogNormal fitters, generated from their one list;
// each fit records how far it misses its judged values (fit/misses.hpp).
#include "core/guard.hpp"
#include "fit/misses.hpp"
#include "fit/rows.hpp"
#include "stoka/fit_normal.hpp"
#include "stoka/stoka.h"

STOKA_FIT_NORMAL(STOKA_FIT_DEFINE_FLAT_ROW, STOKA_DEFINE_TWIN)

// Each row of the list states the arguments of its function.
#define STOKA_FIT_CHECK_ROW(TWIN, family, kind, words, ret, name, params, args, fail) \
  static_assert(::stoka::fit::Matches(&name##_, STOKA_FIT_ROW(family, kind, words)), #name);
STOKA_FIT_NORMAL(STOKA_FIT_CHECK_ROW, STOKA_FIT_SKIP_TWIN)
