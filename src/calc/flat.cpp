// Flat twins of the continuous families, generated from their one list.
#include "core/guard.hpp"
#include "stoka/continuous.hpp"
#include "stoka/stoka.h"

STOKA_FLAT_CALC(STOKA_DEFINE_TWIN, STOKA_IGNORE_FLAT)
