// Flat twins of the Normal and LogNormal fitters, generated from their one list.
#include "core/guard.hpp"
#include "stoka/fit_normal.hpp"
#include "stoka/stoka.h"

STOKA_FLAT_FIT_NORMAL(STOKA_DEFINE_TWIN, STOKA_IGNORE_FLAT)
