// Flat twins of the percentile fitters, generated from their one list.
#include "core/guard.hpp"
#include "stoka/fit.hpp"
#include "stoka/stoka.h"

STOKA_FLAT_FIT(STOKA_DEFINE_TWIN, STOKA_IGNORE_FLAT)
