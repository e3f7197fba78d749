/*
 * libstoka: the flat C interface.
 *
 * Conventions
 * - Most functions are "flat twins": the function of the same name with a
 *   trailing underscore in the C++ object interface does the work, the flat
 *   function forwards its arguments unchanged and returns its result.
 * - Truth values and check results are ints: 1 valid / found (kSolveFind),
 *   0 invalid / not found (kSolveCantFind), -1 unknown lognormal kind.
 * - No C++ exception ever leaves a flat function. Where the object interface
 *   throws, the flat twin returns the failure value documented with its entry
 *   in the lists below (0 for checks and creators, NaN for numbers).
 * - No GSL error aborts the host. Each flat function switches GSL's error
 *   handler off for the length of the call and puts the host's handler back on
 *   return (nested and concurrent calls included); stoka_init switches it off
 *   for the rest of the process. The object interface has no such door: a C++
 *   host that calls it directly calls stoka_init first.
 * - Handles are owned by the host from Create... to Destroy...; Destroy...
 *   takes a pointer to the host's variable and sets it to NULL. The library
 *   keeps a table of its live objects and their kinds (distribution, method,
 *   manager, rank engine), and looks every handle up before it reads anything
 *   behind it: a handle that is not a live object of the kind the function
 *   takes (destroyed, through a copy; of another kind; never handed out) is
 *   treated as NULL, and the function returns or writes what its entry gives
 *   for NULL. Destroy... leaves such a handle and the variable alone. A method
 *   whose distribution was destroyed is treated as NULL too, except by its
 *   destroyer; the correlation manager refuses such methods, and anything but
 *   a live method, as identifiers (STOKA_MANAGER_BAD_ID) in AddDistribution
 *   and ReplaceDistribution, and checks every registered one again when it
 *   recalculates or fills a sample. A handle destroyed whose memory
 *   now holds a new object of the same kind reads as that object: the table
 *   knows addresses, not histories.
 * - Percentiles are given in the exceedance sense, in percent: (P, x) means
 *   the quantity exceeds x with probability P/100.
 * - Two random sources, and the library seeds neither by itself. The GSL stream
 *   r_global (seeded by stoka_ran_seed, saved and restored by
 *   stoka_ran_poke_state and stoka_ran_peek_state) feeds the normal, lognormal,
 *   beta, Pert and exponential draws and the design functions
 *   (latin_random_new and its companions). The C runtime's rand() (seeded by
 *   srand) feeds the Latin hypercube and Monte Carlo methods, hence the
 *   correlation manager's samples, the uniform, triangular, log-triangular and
 *   discrete draws and the independent draws of correlation induction; seeding
 *   or restoring the GSL stream leaves those unchanged. stoka_seed_all seeds
 *   both from one number.
 *
 * Threads: the library starts no threads. Process-wide and unguarded: the GSL
 * stream r_global and its saved states, the C runtime's rand() behind the
 * uniform draws of the Uniform, Triangular, LogTriangular and discrete
 * families and of the sampling methods, the output sink, and the sample
 * buffer global_params of the fits to data. A multi-threaded host calls every
 * function that draws, fits, prints, seeds or sets the sink from one thread
 * at a time (one lock of its own around such calls). Queries of existing
 * handles (densities, cumulative functions, quantiles, bounds, names), checks
 * and conversions share nothing and may run concurrently, on handles that no
 * other call is changing or destroying. So may the fits from percentiles
 * (Calc...Perc): they share only the step count, which is atomic, and the
 * output sink, whose callback (if any) then takes lines from several threads
 * at once. GSL's error handler is process-wide
 * too: while any call is inside the library it is off for every thread.
 * An array draw (GetRandomValuesFromMethod, FillDistributedData) over one of
 * the library's own families steps glibc's rand() state itself for the length
 * of the call (the same numbers as rand(), checked against it once per state
 * type and process), with glibc pointed at a spare state meanwhile: a rand()
 * or srand() of the host on another thread during the call would be lost to
 * the sequence. Keep the host's own rand() calls under the same lock.
 */
#ifndef STOKA_H
#define STOKA_H

#include <gsl/gsl_rng.h>

#include "stoka/export.h"
#include "stoka/types.h"
#include "stoka/version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Each list names a flat function once. TWIN(ret, name, params, args, fail):
   a flat function that forwards to name##_ and returns fail when the object
   interface throws. FLAT(ret, name, params): a function of the flat
   interface only. The fitting lists give their entry points as rows, which
   also say what each argument is (stoka/flat/fit.h). In a list, a comment
   opened with two stars documents the entry after it; one with one star
   documents the group of entries up to the next such comment. */
#define STOKA_DECLARE_TWIN(ret, name, params, args, fail) STOKA_API ret name params;
#define STOKA_DECLARE_FLAT(ret, name, params) STOKA_API ret name params;

#include "stoka/flat/core.h"
#include "stoka/flat/calc.h"
#include "stoka/flat/discrete.h"
#include "stoka/flat/sampling.h"
#include "stoka/flat/correlation.h"
#include "stoka/flat/rank.h"
#include "stoka/flat/fit.h"
#include "stoka/flat/fit_normal.h"
#include "stoka/flat/stats.h"

STOKA_FLAT_CORE(STOKA_DECLARE_TWIN, STOKA_DECLARE_FLAT)
STOKA_FLAT_CALC(STOKA_DECLARE_TWIN, STOKA_DECLARE_FLAT)
STOKA_FLAT_DISCRETE(STOKA_DECLARE_TWIN, STOKA_DECLARE_FLAT)
STOKA_FLAT_SAMPLING(STOKA_DECLARE_TWIN, STOKA_DECLARE_FLAT)
STOKA_FLAT_CORRELATION(STOKA_DECLARE_TWIN, STOKA_DECLARE_FLAT)
STOKA_FLAT_RANK(STOKA_DECLARE_TWIN, STOKA_DECLARE_FLAT)
STOKA_FLAT_FIT(STOKA_DECLARE_TWIN, STOKA_DECLARE_FLAT)
STOKA_FLAT_FIT_NORMAL(STOKA_DECLARE_TWIN, STOKA_DECLARE_FLAT)
STOKA_FLAT_STATS(STOKA_DECLARE_TWIN, STOKA_DECLARE_FLAT)

#ifdef __cplusplus
}
#endif

#endif
