// Flat twins of the library frame, generated from their one list.
#include "core/guard.hpp"
#include "stoka/core.hpp"
#include "stoka/stoka.h"

STOKA_FLAT_CORE(STOKA_DEFINE_TWIN, STOKA_IGNORE_FLAT)

// stoka_init_ leaves GSL's handler off when the guard's scope ends.
extern "C" STOKA_API void stoka_init(void) {
  stoka::guard(STOKA_VOID, [] {
    init_logging();
    stoka_init_();
  });
}

extern "C" STOKA_API void stoka_done(void) {
  stoka::guard(STOKA_VOID, [] {
    stoka_done_();
    destroy_logging();
  });
}

extern "C" STOKA_API const char* stoka_version(void) { return STOKA_VERSION; }
