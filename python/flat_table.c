/* Run through the C preprocessor only (never compiled) when the Python package
   is built: every entry of the flat lists comes out as
     @F ret @N name @P (params) @E
   and every row of the fitting lists as
     @R family @K kind @W (words) @N name @E
   from which setup.py writes the ctypes prototypes and the fitting cases. */
#define STOKA_API
#define PY_TWIN(ret, name, params, args, fail) @F ret @N name @P params @E
#define PY_FLAT(ret, name, params) @F ret @N name @P params @E
#define PY_ROW(TWIN, family, kind, words, ret, name, params, args, fail) \
  @R family @K kind @W words @N name @E
#define PY_SKIP(ret, name, params, args, fail)

#include "stoka/flat/core.h"
#include "stoka/flat/calc.h"
#include "stoka/flat/discrete.h"
#include "stoka/flat/sampling.h"
#include "stoka/flat/correlation.h"
#include "stoka/flat/rank.h"
#include "stoka/flat/fit.h"
#include "stoka/flat/fit_normal.h"
#include "stoka/flat/stats.h"

STOKA_FLAT_CORE(PY_TWIN, PY_FLAT)
STOKA_FLAT_CALC(PY_TWIN, PY_FLAT)
STOKA_FLAT_DISCRETE(PY_TWIN, PY_FLAT)
STOKA_FLAT_SAMPLING(PY_TWIN, PY_FLAT)
STOKA_FLAT_CORRELATION(PY_TWIN, PY_FLAT)
STOKA_FLAT_RANK(PY_TWIN, PY_FLAT)
STOKA_FLAT_FIT(PY_TWIN, PY_FLAT)
STOKA_FLAT_FIT_NORMAL(PY_TWIN, PY_FLAT)
STOKA_FLAT_STATS(PY_TWIN, PY_FLAT)
STOKA_FIT_ROWS(PY_ROW, PY_SKIP)
STOKA_FIT_NORMAL(PY_ROW, PY_SKIP)
