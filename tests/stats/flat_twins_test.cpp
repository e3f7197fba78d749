#include "support/twin_check.hpp"
#include "stoka/stats.hpp"

// Every flat twin of the statistics, the Pearson statistic and the fits to
// data forwards unchanged (the sample counts are 0 to 5: the fits stay cheap).
TEST(FlatTwins, Statistics) {
  stoka_silence_output();
  STOKA_FLAT_STATS(STOKA_CHECK_TWIN, STOKA_SKIP_FLAT)
  stoka_default_output();
}
