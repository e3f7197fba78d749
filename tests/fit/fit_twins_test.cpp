#include "support/twin_check.hpp"
#include "stoka/fit.hpp"

// Every flat twin of the percentile fitters forwards unchanged. The sample
// iteration limits are small (0 to 5), so each simplex round is cheap.
TEST(FlatTwins, PercentileFits) {
  stoka_silence_output();
  STOKA_FLAT_FIT(STOKA_CHECK_TWIN, STOKA_SKIP_FLAT)
  stoka_default_output();
}
