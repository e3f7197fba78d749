// Flat twins of the library frame, generated from their one list.
#include "core/guard.hpp"
#include "stoka/core.hpp"
#include "stoka/stoka.h"

STOKA_FLAT_CORE(STOKA_DEFINE_TWIN, STOKA_IGNORE_FLAT)

extern "C" STOKA_API void stoka_init(void) {
  init_logging();
  stoka_init_();
}

extern "C" STOKA_API void stoka_done(void) {
  stoka_done_();
  destroy_logging();
}
