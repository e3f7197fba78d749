// The frame every part shares: checks and percentile conversions, the table
// normal quantile, the GSL stream and its state stack, the runtime generator,
// the output sink, GSL's error handler, and the walk over the flat lists.
#include <gsl/gsl_cdf.h>

#include "stoka/continuous.hpp"
#include "stoka/core.hpp"
#include "stoka/discrete.hpp"
#include "stoka/stats.hpp"
#include "support/twin_check.hpp"
#include "core/output.hpp"

namespace {

// Checks at their boundaries, the percentile codes (kPercentileMin stands for
// 0 %, kPercentileMax for 100 %), and the table normal quantile: whole percents
// only, its last entry beyond the table, NaN for NaN.
TEST(Checks, ChecksCodesAndTheNormalTable) {
  double z = 42;
  rows::Check({
      ROW(CheckPercentile(1), 1), ROW(CheckPercentile(99.001), 0), ROW(CheckPercentile(kNaN), 0),
      ROW(CheckPercentilesConformity(10, 5, 90, 7), 1), ROW(CheckPercentilesConformity(90, 7, 10, 5), 1),
      ROW(CheckPercentilesConformity(10, 7, 90, 5), 0), ROW(CheckPercentilesConformity(10, 5, 10, 7), 0),
      ROW(CheckPercentilesConformity(-2, 1, -3, 2), 1), ROW(CheckPercentilesConformity(-3, 1, -3, 2), 0),
      ROW(CheckPercentilesConformity(-2, 1, -2, 2), 0), ROW(CheckBothBetaParams(0.31, 5), 1),
      ROW(CheckBothBetaParams(5, 0.3), 0), ROW(CheckBothBetaParams(60000, 50000), 0), ROW(IsDoubleLess(1.0, 1.0000005), 0), ROW(IsDoubleLess(1.0, 1.000002), 1),
      // Median of kind 1 with location 2 and mean 0.5: 2 + e^0.5 = 3.6487; of
      // kind 2 location + mean. An unknown kind gives -1 at the C boundary.
      ROW(CheckLognormLocationMeanPerc(1, 2, 0.5, 50, 9), 0), ROW(CheckLognormLocationMeanPerc(0, 2, 0.5, 10, 99), 1),
      ROW(CheckLognormLocationMeanPerc(1, 2, 0.5, 90, 3.7), 1), ROW(CheckLognormLocationMeanPerc(1, 2, 0.5, 10, 3.7), 0),
      ROW(CheckLognormLocationMeanPerc(2, 2, 4, 75, 6.01), 1), ROW(CheckLognormLocationMeanPerc(2, 2, 4, 75, 6.0), 0),
      ROW(CheckLognormLocationMeanPerc(3, 2, 0.5, 10, 1), -1), ROW(InvertPercentile(10), 90),
      ROW(InvertPercentile(kPercentileMin), kPercentileMin), ROW(PercentileMultiply100(kPercentileMax), kPercentileMax),
      ROW(erf_invPerc(90), erfinv[40]), ROW(erf_invPerc(10), -erfinv[40]), ROW(erf_invPerc(12.5), erf_invPerc(12)),
      NEAR(kSqrt2 * erf_invPerc(90), 1.2815515655446006, 1e-15), ROW(erf_invPerc(kPercentileMin), -4.242640687119285),
      ROW(erf_mult_sqrt(0.9), kSqrt2 * erf_invPerc(90)), ROW(erf_mult_sqrt(kPercentileMin), -6),
      ROW(erf_mult_sqrt(kPercentileMax), 6), ROW(erf_inv(0.9999), erfinv[49]), ROW(erf_inv(-5.0), -erfinv[49]),
      ROW(erf_inv(kNaN), kNaN), ROW(_p_gauss_perc(5, &z), 1), ROW(z, -1.64485), ROW(_p_gauss_perc(20, &z), 0), ROW(z, 0),
  });
  for (int k = 1; k < 50; ++k) EXPECT_NEAR(std::erf(erfinv[k]), k / 50.0, 4e-16) << k;  // erf^-1(k/50)
  EXPECT_THROW(CheckLognormLocationMeanPerc_(3, 2, 0.5, 10, 1), int);  // the object throws the kind
  std::vector<double> b(5, -1.0);
  FillArrayByVal(b.data(), 7.5, 2.5);  // indices 0, 1, 2
  FillArrayByVal(b.data(), 1.0, kNaN);
  EXPECT_EQ(b, (std::vector<double>{7.5, 7.5, 7.5, -1, -1}));
  // The sorts carry each value with its percent. Of two equal percents the
  // later pair goes first; an inserted one goes behind its equal.
  double s[8];
  Sort2Percentiles(30, 1, 30, 2, s, s + 1, s + 2, s + 3);
  EXPECT_EQ(std::vector<double>(s, s + 4), (std::vector<double>{30, 2, 30, 1}));
  Sort4Percentiles(75, 4, 25, 2, 95, 5, 25, 3, s, s + 1, s + 2, s + 3, s + 4, s + 5, s + 6, s + 7);
  EXPECT_EQ(std::vector<double>(s, s + 8), (std::vector<double>{25, 2, 25, 3, 75, 4, 95, 5}));
}

std::vector<double> Draw(int k) {
  std::vector<double> v(k);
  std::generate(v.begin(), v.end(), stoka_ran_uniform);
  return v;
}

// The stream is created on first use, so draws before init and after done
// cannot crash; saves nest last in first out, a restore on an empty stack
// changes nothing, and the 257th save is refused.
TEST(Stream, LifeCycleAndStateStack) {
  stoka_done();
  ASSERT_EQ(r_global, nullptr);
  EXPECT_GE(stoka_ran_uniform(), 0.0);
  EXPECT_NE(r_global, nullptr);
  stoka_init();  // replaces the stream: GSL's default seed again
  const auto fresh = Draw(6);
  stoka_init();
  EXPECT_EQ(Draw(6), fresh);
  stoka_ran_seed(2385u);
  stoka_ran_poke_state();
  const auto outer = Draw(5);
  stoka_ran_poke_state();
  const auto inner = Draw(5);
  stoka_ran_seed(99u);
  stoka_ran_peek_state();
  EXPECT_EQ(Draw(5), inner);
  stoka_ran_peek_state();
  EXPECT_TRUE(r_stack_count == 0 && r_stack[0] == nullptr);
  EXPECT_EQ(Draw(5), outer);
  stoka_ran_seed(2385u);
  stoka_ran_peek_state();
  EXPECT_EQ(Draw(5), outer);
  for (int i = 0; i < 300; ++i) stoka_ran_poke_state();
  EXPECT_EQ(r_stack_count, 256);
  stoka_ran_peek_state();
  EXPECT_EQ(r_stack_count, 255);
  stoka_done();  // the sanitizer build shows that all 255 clones are freed
  EXPECT_TRUE(r_stack_count == 0 && r_global == nullptr);
  stoka_init();
}

// KessaRandom is the high 15 bits of rand() over 32767, and seeding the GSL
// stream leaves it alone. KessaRandomInt: 0 for n <= 0, the plain remainder up
// to 32768 (above that every position is reached: the large discrete set).
TEST(RuntimeGenerator, KessaRandomAndKessaRandomInt) {
  std::vector<int> k(50);
  for (int n : {3, 1000, 32767, 32768, 0, -40000}) {
    std::srand(static_cast<unsigned>(n));
    for (int& x : k) x = std::rand() >> 16;
    std::srand(static_cast<unsigned>(n));
    stoka_ran_seed(777u);
    for (int x : k) ASSERT_EQ(KessaRandomInt(n), n <= 0 ? 0 : x % n) << n;
    std::srand(static_cast<unsigned>(n));
    for (int x : k) ASSERT_EQ(KessaRandom(), x / 32767.0);
  }
}

void Collect(const char* line, void* user) { static_cast<std::string*>(user)->append(line); }

TEST(OutputSink, CallbackSilenceAndDefault) {
  std::string got;
  stoka_set_output_callback(Collect, &got);
  const std::string long_line(2000, 'x');
  stoka_print("fit %d: %.3f\n%s\n", 7, 2.385, long_line.c_str());
  stoka_silence_output();
  stoka_print("never seen %d\n", 1);
  EXPECT_EQ(got, "fit 7: 2.385\n" + long_line + "\n");
  testing::internal::CaptureStdout();
  stoka_default_output();
  stoka_print("to standard output %s\n", "again");
  fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "to standard output again\n");
}

// Every function of the lists but the fits (walked with the fits' tests):
// twins forward unchanged, and no call touches a host's GSL handler.
TEST(FlatWalk, EveryListButTheFits) {
  stoka_silence_output();
  STOKA_FLAT_CORE(STOKA_CHECK_TWIN, STOKA_CHECK_FLAT)
  STOKA_FLAT_CALC(STOKA_CHECK_TWIN, STOKA_CHECK_FLAT)
  STOKA_FLAT_DISCRETE(STOKA_CHECK_TWIN, STOKA_CHECK_FLAT)
  STOKA_FLAT_SAMPLING(STOKA_CHECK_TWIN, STOKA_CHECK_FLAT)
  STOKA_FLAT_CORRELATION(STOKA_CHECK_TWIN, STOKA_CHECK_FLAT)
  STOKA_FLAT_RANK(STOKA_CHECK_TWIN, STOKA_CHECK_FLAT)
  STOKA_FLAT_STATS(STOKA_CHECK_TWIN, STOKA_CHECK_FLAT)
  const GslHandler host(twin::CountingHandler);
  twin::host_calls = 0;
  gsl_cdf_beta_Pinv(1.5, 2.0, 3.0);  // the counting handler works: GSL itself reaches it
  EXPECT_EQ(twin::host_calls, 1);
  stoka_default_output();
}

// Each row reaches GSL's handler unless the boundary switches it off. They run
// under GSL's aborting default, as in a host that never called stoka_init.
TEST(GslHandler, NothingAbortsBeforeInit) {
  IDistribution* beta = nullptr;
  ASSERT_EQ(CreateBetaDistribution(2.35, 4.1, 1.5, 9.25, &beta), 1);
  std::vector<double> d(50);
  for (int k = 0; k < 50; ++k) d[k] = 1.2 + std::fmod(k * 0.618034, 1.0) * 7.7;
  double a, b, c, e, f = kNaN;
  stoka_silence_output();
  {
    const GslHandler fatal(nullptr);
    rows::Check({
        ROW(GetInverseCDFValue(beta, 1.5), kNaN), ROW(stoka_ran_beta_cdf_inv(1.5, 1.0, 2.0, 2.35, 4.1), kNaN),
        ROW(stoka_ran_beta_cdf(0.0, 1e308, kNaN, kInf, -kInf), kNaN), ROW(stoka_ran_pert_cdf(kNaN, kInf, -kInf, 1.5), kNaN),
        ROW(stoka_ran_pert_cdf_inv(-kInf, 1.5, -2.385, 0.0), kNaN),
        ROW(stoka_ran_triangular_params(-1, kInf, 3, 1.5, -2.385, &a, &b), 0),
        ROW(CalcLogTriangularDistributionByMinMaxPerc(100, 1e-4, 100, kInf, 150, 50, &a, &b, &c), 0),
        ROW(std::isnan(stoka_ran_pearson_beta(-1.5, 2.0, 0, 10, 50, d.data())), 0),  // a bad shape's domain error
        ROW((stoka_ran_beta_by_xi(-1.5, 2.0, 0, 10, 50, d.data(), &a, &b, &c, &e, &f), std::isfinite(f)), 1),
        ROW(CurrentGslHandler() == nullptr, 1)});
  }
  stoka_default_output();
  DestroyBetaDistribution(&beta);
}

// stoka_init switches GSL's handler off for good, also when a call is inside
// the library at the time (from an output callback).
TEST(GslHandler, InitLeavesErrorsOff) {
  const GslHandler host(twin::CountingHandler);
  stoka_init();
  twin::host_calls = 0;
  gsl_cdf_beta_Pinv(1.5, 2.0, 3.0);
  EXPECT_TRUE(CurrentGslHandler() != &twin::CountingHandler && twin::host_calls == 0);
  gsl_set_error_handler(twin::CountingHandler);
  stoka_set_output_callback([](const char*, void*) { stoka_init(); }, nullptr);
  const double sample[] = {2.385, 3.1, 4.7};
  double a, b, f;
  CalcUniformByXi(3, sample, &a, &b, &f);  // prints its table: the callback inits
  stoka_default_output();
  EXPECT_NE(CurrentGslHandler(), &twin::CountingHandler);
}

}  // namespace
