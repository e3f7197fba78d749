// Flat twins of the Normal and LogNormal fitters, generated from their one list.
#include "core/guard.hpp"
#include "fit/rows.hpp"
#include "stoka/fit_normal.hpp"
#include "stoka/stoka.h"

STOKA_FLAT_FIT_NORMAL(STOKA_DEFINE_TWIN, STOKA_IGNORE_FLAT)

// Each row of the list states the arguments of its function.
#define STOKA_FIT_CHECK_ROW(TWIN, family, kind, words, ret, name, params, args, fail) \
  static_assert(::stoka::fit::Matches(&name##_, STOKA_FIT_ROW(family, kind, words)), #name);
STOKA_FIT_NORMAL(STOKA_FIT_CHECK_ROW, STOKA_FIT_SKIP_TWIN)
