// The GSL stream's life cycle and state stack, and the runtime generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "stoka/core.hpp"
#include "stoka/stoka.h"

namespace {

std::vector<double> Draw(int k) {
  std::vector<double> v(k);
  for (auto& x : v) x = stoka_ran_uniform();
  return v;
}

class Stream : public ::testing::Test {
 protected:
  void SetUp() override {
    stoka_init();
    stoka_ran_seed(2385u);
  }
  void TearDown() override { stoka_done(); }
};

TEST(StreamLifeCycle, DrawsBeforeInitAndAfterDoneDoNotCrash) {
  stoka_done();
  ASSERT_EQ(r_global, nullptr);
  const double u = stoka_ran_uniform();
  EXPECT_GE(u, 0.0);
  EXPECT_LT(u, 1.0);
  EXPECT_NE(r_global, nullptr);  // created on first use
  stoka_ran_poke_state();
  stoka_ran_peek_state();
  stoka_done();
  EXPECT_EQ(r_global, nullptr);
  EXPECT_EQ(r_stack_count, 0);
}

TEST_F(Stream, SaveDrawRestoreRepeatsTheDraws) {
  stoka_ran_poke_state();
  EXPECT_EQ(r_stack_count, 1);
  const auto first = Draw(17);
  stoka_ran_peek_state();
  EXPECT_EQ(r_stack_count, 0);
  EXPECT_EQ(r_stack[0], nullptr);
  EXPECT_EQ(Draw(17), first);
}

TEST_F(Stream, SavesNestLastInFirstOut) {
  stoka_ran_poke_state();
  const auto outer = Draw(5);
  stoka_ran_poke_state();
  const auto inner = Draw(5);
  stoka_ran_peek_state();
  EXPECT_EQ(Draw(5), inner);
  stoka_ran_peek_state();
  EXPECT_EQ(Draw(5), outer);
}

TEST_F(Stream, RestoreAfterReseedContinuesAsAtTheSave) {
  stoka_ran_poke_state();
  const auto expected = Draw(9);
  stoka_ran_peek_state();
  stoka_ran_poke_state();
  stoka_ran_seed(99u);
  Draw(3);
  stoka_ran_peek_state();
  EXPECT_EQ(Draw(9), expected);
}

TEST_F(Stream, RestoreOnEmptyStackChangesNothing) {
  const auto expected = Draw(4);
  stoka_ran_seed(2385u);
  stoka_ran_peek_state();
  EXPECT_EQ(r_stack_count, 0);
  EXPECT_EQ(Draw(4), expected);
}

TEST_F(Stream, SaveBeyond256IsRefusedAndDoneReleasesAll) {
  for (int i = 0; i < 300; ++i) stoka_ran_poke_state();
  EXPECT_EQ(r_stack_count, 256);
  EXPECT_NE(r_stack[255], nullptr);
  stoka_ran_peek_state();
  EXPECT_EQ(r_stack_count, 255);
  stoka_done();  // the sanitizer build shows that all 255 clones are freed
  EXPECT_EQ(r_stack_count, 0);
  EXPECT_EQ(r_global, nullptr);
  stoka_init();
}

TEST_F(Stream, SameSeedSameSequenceAndSecondInitStartsFresh) {
  const auto a = Draw(6);
  stoka_ran_seed(2385u);
  EXPECT_EQ(Draw(6), a);
  stoka_init();  // replaces the stream: GSL's default seed again
  const auto fresh = Draw(6);
  stoka_done();
  stoka_init();
  EXPECT_EQ(Draw(6), fresh);
}

TEST(RuntimeGenerator, KessaRandomSpansZeroToOneInSteps) {
  std::srand(11);
  bool saw_low = false, saw_high = false;
  for (int i = 0; i < 400000; ++i) {
    const double u = KessaRandom();
    ASSERT_GE(u, 0.0);
    ASSERT_LE(u, 1.0);
    const double k = u * 32767.0;
    ASSERT_DOUBLE_EQ(k, std::round(k));
    saw_low |= u < 0.001;
    saw_high |= u > 0.999;
  }
  EXPECT_TRUE(saw_low && saw_high);
}

TEST(RuntimeGenerator, KessaRandomIsTheHigh15BitsOfRand) {
  std::srand(31);
  std::vector<int> expected(50);
  for (auto& k : expected) k = std::rand() >> 16;
  std::srand(31);
  for (int k : expected) EXPECT_EQ(KessaRandom(), k / 32767.0);
}

TEST(RuntimeGenerator, SeedingTheGslStreamLeavesKessaRandomAlone) {
  std::srand(5);
  const double a = KessaRandom();
  std::srand(5);
  stoka_ran_seed(777u);
  stoka_ran_uniform();
  EXPECT_EQ(KessaRandom(), a);
}

TEST(RuntimeGenerator, KessaRandomIntSmallRangesArePlainRemainders) {
  for (int n : {1, 2, 3, 7, 1000, 32767, 32768}) {
    std::srand(static_cast<unsigned>(n));
    std::vector<int> expected(40);
    for (auto& k : expected) k = (std::rand() >> 16) % n;
    std::srand(static_cast<unsigned>(n));
    for (int k : expected) ASSERT_EQ(KessaRandomInt(n), k) << n;
  }
}

TEST(RuntimeGenerator, KessaRandomIntNonPositiveIsZero) {
  for (int n : {0, -1, -40000}) EXPECT_EQ(KessaRandomInt(n), 0);
}

TEST(RuntimeGenerator, KessaRandomIntLargeRangesReachEveryRegionEvenly) {
  // With n = 10^6 the positions above 32768 make up 96.7 % of the range; the
  // ten deciles must each take about a tenth of the draws.
  std::srand(17);
  const int n = 1000000, draws = 200000;
  std::vector<int> deciles(10, 0);
  int max_seen = 0;
  for (int i = 0; i < draws; ++i) {
    const int k = KessaRandomInt(n);
    ASSERT_GE(k, 0);
    ASSERT_LT(k, n);
    max_seen = std::max(max_seen, k);
    ++deciles[k / (n / 10)];
  }
  EXPECT_GT(max_seen, 990000);
  // Binomial sd = sqrt(200000 * 0.1 * 0.9) = 134; 7 sd keeps false failures
  // far below one in a million.
  for (int count : deciles) EXPECT_NEAR(count, draws / 10, 940);
}

}  // namespace
