// Numbers with a meaning, named once for the whole library.
#ifndef STOKA_SRC_CORE_CONSTANTS_HPP
#define STOKA_SRC_CORE_CONSTANTS_HPP

#include <limits>

namespace stoka {

// What an objective adds for each condition a trial point breaks; also the
// value of a trial point outside a search's domain and of a degenerate
// goodness-of-fit statistic. Published to hosts as kPenaltyVal.
constexpr double kPenalty = 999999.0;

// The one NaN the library hands out for "no value".
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Slots of the stack of saved stream states.
constexpr int kStackSlots = 256;

// The tolerances published as eps and epsilon.
constexpr double kEps = 1e-4;
constexpr double kEpsilon = 1e-6;

// Iterations in a row with a NaN best value after which a percentile fit's
// simplex is given up. No run that lands had more than one over the fit
// tests; a fit stuck on a NaN vertex would otherwise run to its iteration
// limit, a million evaluations of the family's quantiles.
constexpr int kNaNRunLimit = 1000;

// Iterations in a row in which a simplex keeps its best point, value and size
// (or its size within a band), after which it is taken to be stuck for good:
// a Beta fit whose every trial point has a NaN quantile stands so from some
// iteration on, and so do simplices whose vertices take turns about a best
// one that no trial point betters.
constexpr int kStillRun = 1000;
// The band of a percentile fit's first run: the share of its size by which
// the simplex must grow or shrink while its best value stands to count as
// moving.
constexpr double kStillBand = 1e-3;

}  // namespace stoka

#endif
