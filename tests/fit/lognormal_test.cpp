// LogNormal fits through the flat interface: every entry point and kind by
// round trip, the parameterisation conversions, the checks, the fixed-percent
// fits and the results that must not be reported as found.
#include <gsl/gsl_cdf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "fit/normal_testing.hpp"
#include "stoka/core.hpp"
#include "stoka/fit_normal.hpp"

using fitn_test::Capture;
using fitn_test::kUntouched;
using fitn_test::Quiet;

namespace {
constexpr double kZ90 = 1.2815515655446006;  // sqrt(2) erf^-1(0.8), mpmath
const double kE = std::exp(1.0);

struct Truth {
  double location, mu, sigma;
  // The value at given percent P (exceedance sense), from GSL's exact quantile.
  double At(double P) const {
    return location + std::exp(mu + sigma * gsl_cdf_ugaussian_Pinv((100.0 - P) / 100.0));
  }
  // The fixed mean and deviation in each kind's parameterisation.
  double Mean(int kind) const {
    return kind == 0 ? location + std::exp(mu + sigma * sigma / 2) : kind == 1 ? mu : std::exp(mu);
  }
  double Dev(int kind) const {
    return kind == 0 ? std::sqrt(std::expm1(sigma * sigma) * std::exp(2 * mu + sigma * sigma))
                     : kind == 1 ? sigma : std::exp(sigma);
  }
};

// Outputs in the kind's parameterisation back to (location, mu, sigma).
Truth FromKind(int kind, double o1, double o2, double o3) {
  Truth t{o1, o2, o3};
  if (kind == 0) ConvertParamsLogNormalArToLog(o1, o2, o3, &t.mu, &t.sigma);
  if (kind == 2) t.mu = std::log(o2), t.sigma = std::log(o3);
  return t;
}

const Truth kTruths[] = {{0, 0, 1}, {10, -0.7, 0.35}, {-250.5, 3.2, 0.8}, {1.5e4, 5.1, 1.6}};
// Given-percent pairs, none at 50 (a single percent of 50 tells no scale).
const double kPairs[][2] = {{90, 10}, {99, 1}, {75, 40}, {5, 62}};

using Entry = std::function<int(int kind, const Truth&, double P1, double x1, double P2,
                                double x2, double*, double*, double*)>;
// What an entry point is given besides the first value: the location, the
// mean or the deviation in the kind's parameterisation, a second value. Where
// the given facts fix the distribution uniquely the parameters must come
// back; elsewhere (a mean or a deviation with values above the median can
// be met by two distributions) the fitted one must meet every given fact.
enum Given { kLocation = 1, kMean = 2, kDev = 4, kSecond = 8, kUnique = 16 };
struct EntryRow {
  const char* name;
  Entry call;
  int given;
  double tolerance;  // relative
};

const EntryRow kEntries[] = {
    {"ByLocMeanPerc", [](int k, const Truth& t, double P1, double x1, double, double, double* a, double* b, double* c) {
       return CalcLogNormalDistributionByLocMeanPerc(k, t.location, t.Mean(k), P1, x1, a, b, c); }, kLocation | kMean, 1e-10},
    {"ByLocStDevPerc", [](int k, const Truth& t, double P1, double x1, double, double, double* a, double* b, double* c) {
       return CalcLogNormalDistributionByLocStDevPerc(k, t.location, t.Dev(k), P1, x1, a, b, c); }, kLocation | kDev | kUnique, 1e-8},
    {"ByLoc2Perc", [](int k, const Truth& t, double P1, double x1, double P2, double x2, double* a, double* b, double* c) {
       return CalcLogNormalDistributionByLoc2Perc(k, t.location, P1, x1, P2, x2, a, b, c); }, kLocation | kSecond | kUnique, 1e-10},
    {"ByMeanStDevPerc", [](int k, const Truth& t, double P1, double x1, double, double, double* a, double* b, double* c) {
       return CalcLogNormalDistributionByMeanStDevPerc(k, t.Mean(k), t.Dev(k), P1, x1, a, b, c); }, kMean | kDev, 1e-8},
    {"ByMean2Perc", [](int k, const Truth& t, double P1, double x1, double P2, double x2, double* a, double* b, double* c) {
       return CalcLogNormalDistributionByMean2Perc(k, t.Mean(k), P1, x1, P2, x2, a, b, c); }, kMean | kSecond, 1e-7},
    {"ByStDev2Perc", [](int k, const Truth& t, double P1, double x1, double P2, double x2, double* a, double* b, double* c) {
       return CalcLogNormalDistributionByStDev2Perc(k, t.Dev(k), P1, x1, P2, x2, a, b, c); }, kDev | kSecond, 1e-7},
};

void ExpectSame(const Truth& got, const Truth& want, double tol, const std::string& what) {
  const double scale = std::exp(want.mu);  // the distance of the median from the location
  EXPECT_NEAR(got.location, want.location, tol * (scale + std::fabs(want.location))) << what;
  EXPECT_NEAR(got.mu, want.mu, tol * (1 + std::fabs(want.mu))) << what;
  EXPECT_NEAR(got.sigma, want.sigma, tol * want.sigma) << what;
}

double Quantile(const Truth& t, double P) {
  return stoka_ran_lognormal_cdf_inv((100 - P) / 100, t.location, t.mu, t.sigma);
}

// Known parameters -> values at whole percents -> each entry point and kind
// -> the fitted distribution puts the values at their percents and keeps
// what was fixed (and is the one the values came from where that is unique).
TEST(LogNormalFit, EveryEntryPointAndKindRoundTrips) {
  Quiet quiet;
  for (const EntryRow& e : kEntries)
    for (int kind = 0; kind <= 2; ++kind)
      for (const Truth& t : kTruths)
        for (const auto& P : kPairs) {
          const double x1 = t.At(P[0]), x2 = t.At(P[1]);
          const std::string what = std::string(e.name) + " kind " + std::to_string(kind) +
                                   " loc " + std::to_string(t.location) + " P " +
                                   std::to_string(P[0]) + "," + std::to_string(P[1]);
          double o1 = kUntouched, o2 = kUntouched, o3 = kUntouched;
          ASSERT_EQ(e.call(kind, t, P[0], x1, P[1], x2, &o1, &o2, &o3), 1) << what;
          const Truth got = FromKind(kind, o1, o2, o3);
          const double tol = e.tolerance, spread = std::fabs(x2 - x1);
          EXPECT_NEAR(Quantile(got, P[0]), x1, tol * (spread + std::fabs(x1))) << what;
          if (e.given & kSecond) EXPECT_NEAR(Quantile(got, P[1]), x2, tol * (spread + std::fabs(x2))) << what;
          if (e.given & kLocation) EXPECT_EQ(o1, t.location) << what;
          if (e.given & kMean) EXPECT_NEAR(got.Mean(kind), t.Mean(kind), tol * (std::fabs(t.Mean(kind)) + t.Dev(0))) << what;
          if (e.given & kDev) EXPECT_NEAR(got.Dev(kind), t.Dev(kind), tol * t.Dev(kind)) << what;
          if (e.given & kUnique) ExpectSame(got, t, tol, what);
        }
}

TEST(LogNormalFit, ThreePercentsRoundTrip) {
  Quiet quiet;
  struct Triple {
    double P[3];
    double tolerance;  // 10/50/90 takes the five-decimal closed form; others the simplex
  };
  const Triple triples[] = {{{90, 50, 10}, 1e-5}, {{10, 90, 50}, 1e-5}, {{95, 60, 20}, 2e-4}, {{2, 45, 80}, 2e-4}};
  for (const Triple& tr : triples)
    for (int kind = 0; kind <= 2; ++kind)
      for (const Truth& t : kTruths) {
        double x[3];
        for (int i = 0; i < 3; ++i) x[i] = t.At(tr.P[i]);
        double o1, o2, o3;
        const std::string what = "kind " + std::to_string(kind) + " loc " + std::to_string(t.location) +
                                 " P " + std::to_string(tr.P[0]);
        ASSERT_EQ(CalcLogNormalDistributionBy3Perc(kind, tr.P[0], x[0], tr.P[1], x[1], tr.P[2], x[2], &o1, &o2, &o3), 1)
            << what;
        const Truth got = FromKind(kind, o1, o2, o3);
        ExpectSame(got, t, tr.tolerance, what);
        const double spread = std::fabs(x[2] - x[0]);
        for (int i = 0; i < 3; ++i)
          EXPECT_NEAR(stoka_ran_lognormal_cdf_inv((100 - tr.P[i]) / 100, got.location, got.mu, got.sigma), x[i],
                      tr.tolerance * spread)
              << what << " point " << i;
      }
}

// Ar <-> Log <-> Geo conversions invert each other.
TEST(LogNormalFit, ParameterisationsInvertEachOther) {
  const double rows[][3] = {{0, 0, 1}, {5, -3.7, 0.02}, {-1e3, 2.25, 1.9}, {7.5e5, 11.0, 0.6}};
  for (const auto& r : rows) {
    const double loc = r[0], mu = r[1], sigma = r[2];
    double mean, sd, gm, gsd, m, s;
    ASSERT_EQ(ConvertParamsLogNormalLogToAr(loc, mu, sigma, &mean, &sd), 1);
    ASSERT_EQ(ConvertParamsLogNormalArToLog(loc, mean, sd, &m, &s), 1);
    EXPECT_NEAR(m, mu, 1e-12 * (1 + std::fabs(mu)));
    EXPECT_NEAR(s, sigma, 1e-12 * sigma);
    ASSERT_EQ(ConvertParamsLogNormalLogToGeo(loc, mu, sigma, &gm, &gsd), 1);
    ASSERT_EQ(ConvertParamsLogNormalGeoToLog(loc, gm, gsd, &m, &s), 1);
    EXPECT_NEAR(m, mu, 1e-14 * (1 + std::fabs(mu)));
    EXPECT_NEAR(s, sigma, 1e-14);
    double gm2, gsd2, mean2, sd2;
    ASSERT_EQ(ConvertParamsLogNormalArToGeo(loc, mean, sd, &gm2, &gsd2), 1);
    EXPECT_NEAR(gm2, gm, 1e-12 * gm);
    EXPECT_NEAR(gsd2, gsd, 1e-12 * gsd);
    ASSERT_EQ(ConvertParamsLogNormalGeoToAr(loc, gm, gsd, &mean2, &sd2), 1);
    EXPECT_NEAR(mean2, mean, 1e-13 * std::fabs(mean) + 1e-300);
    EXPECT_NEAR(sd2, sd, 1e-13 * sd);
    RevertParamsLogNormal(mean, sd, loc, &m, &s);
    EXPECT_NEAR(m, mu, 1e-12 * (1 + std::fabs(mu)));
    EXPECT_NEAR(s, sigma, 1e-12 * sigma);
  }
  // mean e^0.5 and sd sqrt((e - 1) e) at mu 0, sigma 1 (closed forms by hand).
  double mean, sd, mu, sigma;
  ConvertParamsLogNormalLogToAr(0, 0, 1, &mean, &sd);
  EXPECT_NEAR(mean, 1.6487212707001282, 1e-15);
  EXPECT_NEAR(sd, 2.1611974158950877, 1e-15);
  ConvertParamsLogNormalGeoToLog(5, 1, kE, &mu, &sigma);
  EXPECT_NEAR(mu, 0, 1e-16);
  EXPECT_NEAR(sigma, 1, 1e-16);
  EXPECT_EQ(PenaltyFuncLogNormalAr(3, 0, 3), 0.0);
  EXPECT_EQ(PenaltyFuncLogNormalAr(3, -0.1, 2), 1.7976931348623157e308);
  EXPECT_EQ(PenaltyFuncLogNormalAr(3, 1, 3.01), 1.7976931348623157e308);
}

struct NoResult {
  const char* what;
  std::function<int(double*, double*, double*)> call;
  int rc;
};

// Calls that must report nothing found and leave every output as it was.
const NoResult kNoResults[] = {
    // Zero denominators and logarithms of zero in the conversions.
    {"Ar to Log, mean at the location", [](double* a, double* b, double*) { return ConvertParamsLogNormalArToLog(2, 2, 1, a, b); }, 0},
    {"Ar to Geo, mean at the location", [](double* a, double* b, double*) { return ConvertParamsLogNormalArToGeo(2, 2, 1, a, b); }, 0},
    {"Geo to Log, gm 0", [](double* a, double* b, double*) { return ConvertParamsLogNormalGeoToLog(0, 0, 2, a, b); }, 0},
    {"Geo to Ar, gsd 0", [](double* a, double* b, double*) { return ConvertParamsLogNormalGeoToAr(0, 1, 0, a, b); }, 0},
    // Unknown kinds: -1 where the check meets them, 0 elsewhere.
    {"LocMeanPerc check, kind 3", [](double*, double*, double*) { return CheckParamsLogNormalLocMeanPerc(3, 0, 1, 10, 5); }, -1},
    {"LocMeanPerc fit, kind 7", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByLocMeanPerc(7, 0, 1, 10, 5, a, b, c); }, -1},
    {"LocMeanPerc fit, kind 3 at P 50", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByLocMeanPerc(3, 0, 1, 50, 5, a, b, c); }, 0},
    {"LocMeanSigma check, kind 3", [](double*, double*, double*) { return CheckParamsLogNormalLocMeanSigma(3, 0, 1, 1); }, -1},
    {"Mean2Perc, kind 3", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByMean2Perc(3, 1, 90, 1, 10, 5, a, b, c); }, 0},
    {"3Perc, kind -1", [](double* a, double* b, double* c) { return CalcLogNormalDistributionBy3Perc(-1, 90, 1, 50, 2, 10, 5, a, b, c); }, 0},
    {"LocSigmaPerc, kind 4", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByLocStDevPerc(4, 0, 1, 10, 5, a, b, c); }, 0},
    // Percents sharing one table entry (cumulative 89.8 and 89.6 both read as 90).
    {"Loc2Perc sharing an entry", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByLoc2Perc(1, 0, 10.2, 5, 10.4, 4, a, b, c); }, 0},
    {"StDev2Perc sharing an entry", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByStDev2Perc(2, 1.5, 10.2, 5, 10.4, 4, a, b, c); }, 0},
    {"Mean2Perc sharing an entry", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByMean2Perc(0, 9, 10.2, 5, 10.4, 4, a, b, c); }, 0},
    {"LocMeanPerc at the median's entry", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByLocMeanPerc(1, 0, 0, 49.8, 1.5, a, b, c); }, 0},
    // Kind 0 from a mean: a value above the mean at cumulative 10 % fits no
    // lognormal (the larger root of the quadratic is negative).
    {"LocMeanPerc kind 0, wrong side", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByLocMeanPerc(0, 0, 1, 90, 1.2, a, b, c); }, 0},
    // ... and a value far above the mean at 90 % has no root at all.
    {"LocMeanPerc kind 0, no root", [](double* a, double* b, double* c) { return CalcLogNormalDistributionByLocMeanPerc(0, 0, 1, 10, 1e6, a, b, c); }, 0},
    // Fixed percents.
    {"params, one percent twice", [](double* a, double* b, double*) { return stoka_ran_lognormal_params(25, 1, 25, 2, a, b); }, 0},
    {"params, a value of 0", [](double* a, double* b, double*) { return stoka_ran_lognormal_params(10, 0, 90, 2, a, b); }, 0},
    {"params, a negative value", [](double* a, double* b, double*) { return stoka_ran_lognormal_params(10, -1, 90, 2, a, b); }, 0},
    {"percentile, unknown percent", [](double* a, double* b, double*) { return stoka_ran_lognormal_percentile(10, 11, 1, 0, a, b); }, 0},
    {"three points at 50 only", [](double* a, double* b, double* c) { return stoka_ran_lognormal_by_three_percentile(50, 1, 50, 2, 50, 3, a, b, c); }, 0},
    {"three points, middle 25", [](double* a, double* b, double* c) { return stoka_ran_lognormal_by_three_percentile(10, 1, 25, 2, 90, 4, a, b, c); }, 0},
    {"three points, 5 and 90", [](double* a, double* b, double* c) { return stoka_ran_lognormal_by_three_percentile(5, 1, 50, 2, 90, 4, a, b, c); }, 0},
    {"three points, equally spaced", [](double* a, double* b, double* c) { return stoka_ran_lognormal_by_three_percentile(10, 1, 50, 2, 90, 3, a, b, c); }, 0},
    // Values that fall as the percents rise: sigma would be negative.
    {"three points, falling", [](double* a, double* b, double* c) { return stoka_ran_lognormal_by_three_percentile(10, 13.6, 50, 11, 90, 10.28, a, b, c); }, 0},
    // A middle value above both others: A / B < 0.
    {"three points, peaked", [](double* a, double* b, double* c) { return stoka_ran_lognormal_by_three_percentile(10, 1, 50, 5, 90, 2, a, b, c); }, 0},
    // Outer values within 0.0004: no middle value can serve; the search ends.
    {"selection, outer values close", [](double* a, double* b, double* c) { return stoka_ran_lognormal_by_three_percentile_with_selection(10, 1, 50, 1.00015, 90, 1.0003, a, b, c); }, 0},
    {"selection, equal outer values", [](double* a, double* b, double* c) { return stoka_ran_lognormal_by_three_percentile_with_selection(10, 4, 50, 4, 90, 4, a, b, c); }, 0},
    {"selection, NaN", [](double* a, double* b, double* c) { return stoka_ran_lognormal_by_three_percentile_with_selection(10, NAN, 50, 1, 90, 3, a, b, c); }, 0},
};

TEST(LogNormalFit, NothingFoundWritesNothing) {
  Quiet quiet;
  for (const NoResult& n : kNoResults) {
    double a = kUntouched, b = kUntouched, c = kUntouched;
    EXPECT_EQ(n.call(&a, &b, &c), n.rc) << n.what;
    EXPECT_EQ(a, kUntouched) << n.what;
    EXPECT_EQ(b, kUntouched) << n.what;
    EXPECT_EQ(c, kUntouched) << n.what;
  }
}

TEST(LogNormalFit, UnknownKindThrowsOnlyInTheObjectInterface) {
  EXPECT_THROW(CheckParamsLogNormalLocMeanPerc_(3, 0, 1, 10, 5), int);
  double a, b, c;
  EXPECT_THROW(CalcLogNormalDistributionByLocMeanPerc_(3, 0, 1, 10, 5, &a, &b, &c), int);
}

// The kind-0 fit from a location, a mean and one value writes the fitted
// distribution's arithmetic mean and standard deviation. With z the value's
// score, sigma and 2 z - sigma meet the same facts; the larger is taken.
TEST(LogNormalFit, LocMeanPercKindZeroWritesMeanAndSd) {
  const Truth t{3, 0.4, 0.9};
  const double mean = t.Mean(0);
  struct Row {
    double P, sigma;
  };
  // Below the median the root is unique; above it, 2 z(90) - 0.9 > 0.9 wins.
  const Row rows[] = {{90, 0.9}, {10, 2 * kZ90 - 0.9}};
  for (const Row& r : rows) {
    const Truth want{3, std::log(mean - 3) - r.sigma * r.sigma / 2, r.sigma};
    const double x = t.At(r.P);
    double o1 = kUntouched, o2 = kUntouched, o3 = kUntouched;
    ASSERT_EQ(CalcLogNormalDistributionByLocMeanPerc(0, 3, mean, r.P, x, &o1, &o2, &o3), 1);
    EXPECT_EQ(o1, 3);
    EXPECT_NEAR(o2, mean, 1e-12 * mean);
    EXPECT_NEAR(o3, want.Dev(0), 1e-12 * want.Dev(0));
    ASSERT_EQ(CalcLogNormalDistributionByLocMeanPerc__(3, mean, r.P, x, &o1, &o2, &o3), 1);
    EXPECT_NEAR(o3, want.Dev(0), 1e-12 * want.Dev(0));
    EXPECT_NEAR(Quantile(FromKind(0, o1, o2, o3), r.P), x, 1e-12 * x);
  }
}

TEST(LogNormalFit, ClosedFormCasesByHand) {
  double o1, o2, o3;
  // Kind 1, location 0, mu 0, value e^z(90) at P 10: sigma 1.
  ASSERT_EQ(CalcLogNormalDistributionByLocMeanPerc(1, 0, 0, 10, std::exp(kZ90), &o1, &o2, &o3), 1);
  EXPECT_NEAR(o3, 1, 1e-15);
  const double lo = 10 + std::exp(-kZ90), hi = 10 + std::exp(kZ90);
  ASSERT_EQ(CalcLogNormalDistributionByLoc2Perc(1, 10, 90, lo, 10, hi, &o1, &o2, &o3), 1);
  EXPECT_NEAR(o2, 0, 1e-14);
  EXPECT_NEAR(o3, 1, 1e-14);
  ASSERT_EQ(CalcLogNormalDistributionByLoc2Perc(2, 10, 90, lo, 10, hi, &o1, &o2, &o3), 1);
  EXPECT_NEAR(o2, 1, 1e-14);
  EXPECT_NEAR(o3, kE, 1e-14);
  ASSERT_EQ(CalcLogNormalDistributionByStDev2Perc(1, 1, 90, lo, 10, hi, &o1, &o2, &o3), 1);
  EXPECT_NEAR(o1, 10, 1e-12);
  EXPECT_NEAR(o2, 0, 1e-12);
  // The mean-sigma-percent fits print the location they find.
  Capture out;
  ASSERT_EQ(CalcLogNormalDistributionByMeanStDevPerc(1, 0, 1, 90, lo, &o1, &o2, &o3), 1);
  EXPECT_NEAR(o1, 10, 1e-12);
  EXPECT_EQ(out.All(), "\n\nLoc = 10.000000\n\n");
}

TEST(LogNormalFit, FixedPercents) {
  // Location 10, mu 0, sigma 1 at the five-decimal scores of 10, 50, 90.
  const double x1 = 10 + std::exp(-1.28155), x2 = 11, x3 = 10 + std::exp(1.28155);
  double s, m, l;
  ASSERT_EQ(stoka_ran_lognormal_by_three_percentile(10, x1, 50, x2, 90, x3, &s, &m, &l), 1);
  EXPECT_NEAR(s, 1, 1e-12);
  EXPECT_NEAR(m, 0, 1e-12);
  EXPECT_NEAR(l, 10, 1e-12);
  ASSERT_EQ(stoka_ran_lognormal_by_three_percentile(90, x3, 50, x2, 10, x1, &s, &m, &l), 1);
  EXPECT_NEAR(s, 1, 1e-12);
  // Equally spaced values: the selecting fit moves the middle value to
  // halfway minus 0.0002 and succeeds.
  double s2, m2, l2;
  ASSERT_EQ(stoka_ran_lognormal_by_three_percentile_with_selection(10, 1, 50, 2, 90, 3, &s, &m, &l), 1);
  ASSERT_EQ(stoka_ran_lognormal_by_three_percentile(10, 1, 50, 2 - 0.0002, 90, 3, &s2, &m2, &l2), 1);
  EXPECT_EQ(s, s2);
  EXPECT_EQ(l, l2);
  // A usable middle value is kept.
  ASSERT_EQ(stoka_ran_lognormal_by_three_percentile_with_selection(10, x1, 50, x2, 90, x3, &s, &m, &l), 1);
  EXPECT_NEAR(l, 10, 1e-12);
  // params reads cumulative percents, percentile given ones: the pair inverts.
  ASSERT_EQ(stoka_ran_lognormal_params(10, 2.5, 90, 7.25, &s, &m), 1);
  double y1, y2;
  ASSERT_EQ(stoka_ran_lognormal_percentile(90, 10, s, m, &y1, &y2), 1);
  EXPECT_NEAR(y1, 2.5, 1e-13);
  EXPECT_NEAR(y2, 7.25, 1e-13);
}

struct CheckRow {
  const char* what;
  int got, want;
};

TEST(LogNormalFit, Checks) {
  const CheckRow rows[] = {
      {"kind 0 mean at location", CheckParamsLogNormalLocMeanPerc(0, 2, 2, 10, 5), 0},
      {"kind 2 gm 0", CheckParamsLogNormalLocMeanPerc(2, 0, 0, 10, 5), 0},
      {"kind 1 no test on the mean", CheckParamsLogNormalLocMeanPerc(1, 0, -40, 10, 5), 1},
      {"value at the location", CheckParamsLogNormalLocMeanPerc(1, 5, 0, 10, 5), 0},
      {"value below the median at 90", CheckParamsLogNormalLocMeanPerc(1, 0, 0, 10, 0.9), 0},
      {"P 50", CheckParamsLogNormalLocMeanPerc(0, 0, 1, 50, 3), 0},
      {"sigma kind 2 gsd 0", CheckParamsLogNormalLocSigmaPerc(2, 0, 0, 10, 1), 0},
      {"sigma kind 3", CheckParamsLogNormalLocSigmaPerc(3, 0, 1, 10, 1), 0},
      {"loc2 kind 3", CheckParamsLogNormalLoc2Perc(3, 0, 90, 1, 10, 2), 0},
      {"loc2 value at location", CheckParamsLogNormalLoc2Perc(1, 1, 90, 1, 10, 2), 0},
      {"loc2 valid", CheckParamsLogNormalLoc2Perc(0, 0.5, 90, 1, 10, 2), 1},
      {"mean-sigma, value not tested", CheckParamsLogNormalMeanSigmaPerc(1, -3, 1, 10, -1e9), 1},
      {"mean2 equal percents", CheckParamsLogNormalMean2Perc(9, 0, 30, 1, 30, 2), 0},
      {"mean2 kind not tested", CheckParamsLogNormalMean2Perc(9, 0, 30, 2, 60, 1), 1},
      {"sigma2 sigma 0", CheckParamsLogNormalSigma2Perc(0, 0, 30, 2, 60, 1), 0},
      {"3perc valid", CheckParamsLogNormal3Perc(5, 90, 1, 50, 2, 10, 5), 1},
      {"3perc middle out of order", CheckParamsLogNormal3Perc(0, 90, 1, 50, 6, 10, 5), 0},
      {"3perc percent 0.5", CheckParamsLogNormal3Perc(0, 99.5, 1, 50, 2, 10, 5), 0},
  };
  for (const CheckRow& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
}

}  // namespace
