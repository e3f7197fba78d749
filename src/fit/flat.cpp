// Flat twins of the percentile fitters, generated from their one list; each
// fit records how far it misses its judged values (fit/misses.hpp).
#include "core/guard.hpp"
#include "fit/misses.hpp"
#include "stoka/fit.hpp"
#include "stoka/stoka.h"

STOKA_FIT_ROWS(STOKA_FIT_DEFINE_FLAT_ROW, STOKA_DEFINE_TWIN)
