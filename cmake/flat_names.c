/* Run through the C preprocessor only (never compiled) when the linker
   version script is made: every entry of the flat lists comes out as
   "STOKA_TWIN_NAME name" or "STOKA_FLAT_NAME name". */
#define STOKA_API
#define STOKA_NAME_TWIN(ret, name, params, args, fail) STOKA_TWIN_NAME name
#define STOKA_NAME_FLAT(ret, name, params) STOKA_FLAT_NAME name

#include "stoka/flat/core.h"
#include "stoka/flat/calc.h"
#include "stoka/flat/discrete.h"
#include "stoka/flat/sampling.h"
#include "stoka/flat/correlation.h"
#include "stoka/flat/rank.h"
#include "stoka/flat/fit.h"
#include "stoka/flat/fit_normal.h"
#include "stoka/flat/stats.h"

STOKA_FLAT_CORE(STOKA_NAME_TWIN, STOKA_NAME_FLAT)
STOKA_FLAT_CALC(STOKA_NAME_TWIN, STOKA_NAME_FLAT)
STOKA_FLAT_DISCRETE(STOKA_NAME_TWIN, STOKA_NAME_FLAT)
STOKA_FLAT_SAMPLING(STOKA_NAME_TWIN, STOKA_NAME_FLAT)
STOKA_FLAT_CORRELATION(STOKA_NAME_TWIN, STOKA_NAME_FLAT)
STOKA_FLAT_RANK(STOKA_NAME_TWIN, STOKA_NAME_FLAT)
STOKA_FLAT_FIT(STOKA_NAME_TWIN, STOKA_NAME_FLAT)
STOKA_FLAT_FIT_NORMAL(STOKA_NAME_TWIN, STOKA_NAME_FLAT)
STOKA_FLAT_STATS(STOKA_NAME_TWIN, STOKA_NAME_FLAT)
