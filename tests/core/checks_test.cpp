// Tolerances, percentile conversions, the table normal quantile and the checks.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/output.hpp"
#include "stoka/core.hpp"
#include "stoka/stoka.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct CheckCase {
  const char* what;
  int result;
  int expected;
};

TEST(Checks, TableOfFlatResults) {
  const CheckCase cases[] = {
      {"CheckPercentile(1)", CheckPercentile(1), 1},
      {"CheckPercentile(99)", CheckPercentile(99), 1},
      {"CheckPercentile(0.999)", CheckPercentile(0.999), 0},
      {"CheckPercentile(99.001)", CheckPercentile(99.001), 0},
      {"CheckPercentile(-2)", CheckPercentile(kPercentileMin), 0},
      {"CheckPercentile(NaN)", CheckPercentile(kNaN), 0},
      {"Conformity(10,5,90,7)", CheckPercentilesConformity(10, 5, 90, 7), 1},
      {"Conformity(10,7,90,5)", CheckPercentilesConformity(10, 7, 90, 5), 0},
      {"Conformity(90,7,10,5)", CheckPercentilesConformity(90, 7, 10, 5), 1},
      {"Conformity(10,5,10,7)", CheckPercentilesConformity(10, 5, 10, 7), 0},
      {"Conformity(-2,1,-3,2)", CheckPercentilesConformity(-2, 1, -3, 2), 1},
      {"Conformity(-3,1,-3,2)", CheckPercentilesConformity(-3, 1, -3, 2), 0},
      {"Conformity(-2,1,-2,2)", CheckPercentilesConformity(-2, 1, -2, 2), 0},
      {"Conformity(-2,1,0,2)", CheckPercentilesConformity(-2, 1, 0, 2), 0},
      {"Conformity(-3,1,100,2)", CheckPercentilesConformity(-3, 1, 100, 2), 0},
      {"Conformity equal values", CheckPercentilesConformity(10, 3.3, 90, 3.3), 0},
      {"Equality(25,25)", CheckPercentilesEquality(25, 25), 0},
      {"Equality(25,75)", CheckPercentilesEquality(25, 75), 1},
      {"CheckMinMax(1,2)", CheckMinMax(1, 2), 1},
      {"CheckMinMax(2,2)", CheckMinMax(2, 2), 0},
      {"CheckMinMax(NaN,2)", CheckMinMax(kNaN, 2), 0},
      {"CheckMLMinMax(1,1,3)", CheckMLMinMax(1, 1, 3), 1},
      {"CheckMLMinMax(1,3,3)", CheckMLMinMax(1, 3, 3), 1},
      {"CheckMLMinMax(1,0.5,3)", CheckMLMinMax(1, 0.5, 3), 0},
      {"CheckMLMin(2,2)", CheckMLMin(2, 2), 1},
      {"CheckMLMax(2,2)", CheckMLMax(2, 2), 1},
      {"CheckMLMax(2.1,2)", CheckMLMax(2.1, 2), 0},
      {"CheckPercMin(2,2)", CheckPercMin(2, 2), 0},
      {"CheckPercMin(2.1,2)", CheckPercMin(2.1, 2), 1},
      {"CheckPercMax(2,2)", CheckPercMax(2, 2), 0},
      {"CheckPercMinMax(1,2,3)", CheckPercMinMax(1, 2, 3), 1},
      {"CheckPercMinMax(1,1,3)", CheckPercMinMax(1, 1, 3), 0},
      {"CheckSigma(0)", CheckSigma(0), 0},
      {"CheckSigma(1e-300)", CheckSigma(1e-300), 1},
      {"CheckSigmaGeo(-1)", CheckSigmaGeo(-1), 0},
      {"CheckMeanGeo(0.2)", CheckMeanGeo(0.2), 1},
      {"CompareWithLocation(3,3)", CompareWithLocation(3, 3), 0},
      {"CompareWithLocation(3,3.5)", CompareWithLocation(3, 3.5), 1},
      {"CheckBothBetaParams(0.3,5)", CheckBothBetaParams(0.3, 5), 0},
      {"CheckBothBetaParams(0.31,5)", CheckBothBetaParams(0.31, 5), 1},
      {"CheckBothBetaParams(5,0.3)", CheckBothBetaParams(5, 0.3), 0},
      {"CheckBothBetaParams(60000,50000)", CheckBothBetaParams(60000, 50000), 0},
      {"CheckOneBetaParam(0.30011)", CheckOneBetaParam(0.30011), 1},
      {"CheckBetaParamsConformity(49999,49999)", CheckBetaParamsConformity(49999, 49999), 1},
      {"CheckBetaParamsConformity(inf,1)", CheckBetaParamsConformity(kInf, 1), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
}

TEST(Checks, LognormLocationMeanPerc) {
  // Median of kind 1 with location 2 and mean 0.5: 2 + e^0.5 = 3.6487.
  const CheckCase cases[] = {
      {"c = 50 fails for every kind", CheckLognormLocationMeanPerc(1, 2, 0.5, 50, 9), 0},
      {"c = 50 fails for an unknown kind", CheckLognormLocationMeanPerc(7, 2, 0.5, 50, 9), 0},
      {"kind 0 makes no test", CheckLognormLocationMeanPerc(0, 2, 0.5, 10, 99), 1},
      {"kind 1 above the median", CheckLognormLocationMeanPerc(1, 2, 0.5, 90, 3.7), 1},
      {"kind 1 wrong side", CheckLognormLocationMeanPerc(1, 2, 0.5, 90, 3.6), 0},
      {"kind 1 below the median", CheckLognormLocationMeanPerc(1, 2, 0.5, 10, 3.6), 1},
      {"kind 2 median location + gm", CheckLognormLocationMeanPerc(2, 2, 4, 75, 6.01), 1},
      {"kind 2 at the median", CheckLognormLocationMeanPerc(2, 2, 4, 75, 6.0), 0},
      {"unknown kind: -1 at the C boundary", CheckLognormLocationMeanPerc(3, 2, 0.5, 10, 1), -1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
  // The object interface throws the kind itself.
  try {
    CheckLognormLocationMeanPerc_(3, 2, 0.5, 10, 1);
    ADD_FAILURE() << "no exception";
  } catch (int kind) {
    EXPECT_EQ(kind, 3);
  }
}

TEST(Tolerances, Comparisons) {
  EXPECT_EQ(IsDoubleZero(1.0, 1.00005, 1e-4), 1);
  EXPECT_EQ(IsDoubleZero(1.0, 1.0002, 1e-4), 0);
  EXPECT_EQ(IsDoubleZeroVal(9e-7), 1);
  EXPECT_EQ(IsDoubleZeroVal(-1.1e-6), 0);
  EXPECT_EQ(IsDoubleLess(1.0, 1.0000005), 0);
  EXPECT_EQ(IsDoubleLess(1.0, 1.000002), 1);
  EXPECT_EQ(IsDoubleLess(2, 1), 0);
  EXPECT_EQ(IsDoubleLess(1.0, 1.5, 0.5), 1);
  EXPECT_EQ(eps, 1e-4);
  EXPECT_EQ(epsilon, 1e-6);
}

TEST(Percentiles, ConversionsKeepTheCodes) {
  EXPECT_EQ(InvertPercentile(10), 90);
  EXPECT_EQ(InvertPercentile(kPercentileMin), kPercentileMin);
  EXPECT_EQ(InvertPercentile(kPercentileMax), kPercentileMax);
  EXPECT_EQ(PercentileMultiply100(0.25), 25);
  EXPECT_EQ(PercentileMultiply100(kPercentileMax), kPercentileMax);
}

TEST(NormalTable, TableEntriesMatchHighPrecisionValues) {
  // erf^-1(k/50) from mpmath at 40 digits.
  EXPECT_EQ(erfinv[0], 0.0);
  EXPECT_EQ(erfinv[25], 0.4769362762044699);
  EXPECT_EQ(erfinv[40], 0.9061938024368232);
  EXPECT_EQ(erfinv[49], 1.644976357133187);
  for (int k = 1; k < 50; ++k) EXPECT_NEAR(std::erf(erfinv[k]), k / 50.0, 4e-16) << k;
}

TEST(NormalTable, QuantileAtWholePercents) {
  EXPECT_EQ(erf_invPerc(90), erfinv[40]);
  EXPECT_DOUBLE_EQ(kSqrt2 * erf_invPerc(90), 1.2815515655446006);
  EXPECT_EQ(erf_invPerc(10), -erfinv[40]);
  EXPECT_EQ(erf_invPerc(50), 0.0);
  EXPECT_EQ(erf_invPerc(12.5), erf_invPerc(12));  // whole percents only
  EXPECT_EQ(erf_invPerc(kPercentileMin), -4.242640687119285);
  EXPECT_EQ(erf_invPerc(kPercentileMax), 4.242640687119285);
  EXPECT_EQ(erf_mult_sqrt(0.9), kSqrt2 * erf_invPerc(90));
  EXPECT_EQ(erf_mult_sqrt(kPercentileMin), -6.0);
  EXPECT_EQ(erf_mult_sqrt(kPercentileMax), 6.0);
  // Beyond the table: the last entry, never a read past it.
  EXPECT_EQ(erf_inv(0.9999), erfinv[49]);
  EXPECT_EQ(erf_inv(-5.0), -erfinv[49]);
  EXPECT_TRUE(std::isnan(erf_inv(kNaN)));
}

TEST(NormalTable, FixedPercents) {
  double z = 42;
  EXPECT_EQ(_p_gauss_perc(5, &z), 1);
  EXPECT_EQ(z, -1.64485);
  EXPECT_EQ(_p_gauss_perc(99, &z), 1);
  EXPECT_EQ(z, 2.32635);
  EXPECT_EQ(_p_gauss_perc(20, &z), 0);
  EXPECT_EQ(z, 0.0);
}

TEST(Percentiles, FillArrayByVal) {
  std::vector<double> a(12, -1.0);
  FillArrayByVal(a.data(), 0.0, 9.0);
  EXPECT_EQ(a[8], 0.0);
  EXPECT_EQ(a[9], -1.0);
  std::vector<double> b(5, -1.0);
  FillArrayByVal(b.data(), 7.5, 2.5);  // indices 0, 1, 2
  EXPECT_EQ(b, (std::vector<double>{7.5, 7.5, 7.5, -1, -1}));
  FillArrayByVal(b.data(), 1.0, -3.0);
  FillArrayByVal(b.data(), 1.0, kNaN);
  EXPECT_EQ(b[0], 7.5);
}

struct SortCase {
  std::vector<double> in, out;
};

std::vector<double> Sorted(const std::vector<double>& in) {
  std::vector<double> o(in.size());
  if (in.size() == 4)
    Sort2Percentiles(in[0], in[1], in[2], in[3], &o[0], &o[1], &o[2], &o[3]);
  else if (in.size() == 6)
    Sort3Percentiles(in[0], in[1], in[2], in[3], in[4], in[5], &o[0], &o[1], &o[2], &o[3],
                     &o[4], &o[5]);
  else
    Sort4Percentiles(in[0], in[1], in[2], in[3], in[4], in[5], in[6], in[7], &o[0], &o[1],
                     &o[2], &o[3], &o[4], &o[5], &o[6], &o[7]);
  return o;
}

TEST(Percentiles, SortsCarryValuesWithTheirPercents) {
  const SortCase cases[] = {
      {{30, 1, 30, 2}, {30, 2, 30, 1}},  // equal percents: the second pair first
      {{90, 1, 10, 2}, {10, 2, 90, 1}},
      {{50, 1, 10, 2, 90, 3}, {10, 2, 50, 1, 90, 3}},
      {{50, 1, 90, 2, 10, 3}, {10, 3, 50, 1, 90, 2}},
      {{50, 1, 90, 2, 70, 3}, {50, 1, 70, 3, 90, 2}},
      {{50, 1, 90, 2, 50, 3}, {50, 1, 50, 3, 90, 2}},
      {{75, 4, 25, 2, 95, 5, 5, 1}, {5, 1, 25, 2, 75, 4, 95, 5}},
      {{5, 1, 25, 2, 75, 4, 50, 3}, {5, 1, 25, 2, 50, 3, 75, 4}},
      {{5, 1, 25, 2, 75, 4, 10, 3}, {5, 1, 10, 3, 25, 2, 75, 4}},
      {{5, 1, 25, 2, 75, 4, 99, 3}, {5, 1, 25, 2, 75, 4, 99, 3}},
      {{5, 1, 25, 2, 75, 4, 25, 3}, {5, 1, 25, 2, 25, 3, 75, 4}},
  };
  for (const auto& c : cases) EXPECT_EQ(Sorted(c.in), c.out);
}

// The output sink: one line of our own through stoka_print.
void Collect(const char* line, void* user) { static_cast<std::string*>(user)->append(line); }

TEST(OutputSink, CallbackSilenceAndDefault) {
  std::string got;
  stoka_set_output_callback(Collect, &got);
  stoka_print("fit %d: %.3f\n", 7, 2.385);
  const std::string long_line(2000, 'x');
  stoka_print("%s\n", long_line.c_str());
  EXPECT_EQ(got, "fit 7: 2.385\n" + long_line + "\n");
  stoka_silence_output();
  stoka_print("never seen %d\n", 1);
  EXPECT_EQ(got.size(), 13u + 2001u);
  testing::internal::CaptureStdout();
  stoka_default_output();
  stoka_print("to standard output %s\n", "again");
  fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "to standard output again\n");
}

}  // namespace
