#include "support/twin_check.hpp"
#include "stoka/continuous.hpp"

// Every flat twin of the frame and the continuous families forwards unchanged.
TEST(FlatTwins, CoreAndContinuousFamilies) {
  stoka_silence_output();
  STOKA_FLAT_CORE(STOKA_CHECK_TWIN, STOKA_SKIP_FLAT)
  STOKA_FLAT_CALC(STOKA_CHECK_TWIN, STOKA_SKIP_FLAT)
  stoka_default_output();
}
