// Flat twins of the statistics, the Pearson statistic and the fits to data,
// generated from their one list.
#include "core/guard.hpp"
#include "stoka/stats.hpp"
#include "stoka/stoka.h"

STOKA_FLAT_STATS(STOKA_DEFINE_TWIN, STOKA_IGNORE_FLAT)
