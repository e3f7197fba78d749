// Fits of a family to sample data: reference fits of seeded samples, accuracy
// on samples drawn from known laws, the objectives' lines, the shared sample
// buffer, bad arguments and the closed-form Uniform fit.
#include <gsl/gsl_vector.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "stats/support.hpp"
#include "stoka/continuous.hpp"
#include "stoka/fit.hpp"
#include "stoka/fit_normal.hpp"
#include "stoka/stats.hpp"

using stats_test::ReferencePearson;
using stats_test::SameBits;

namespace {

using Params = std::vector<double>;

// n values drawn by inverting the family's CDF at seeded uniforms.
std::vector<double> Draw(unsigned seed, int n, const std::function<double(double)>& quantile) {
  std::mt19937_64 g(seed);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<double> v(n);
  for (double& x : v) x = quantile(u(g));
  return v;
}

struct Fitted {
  int found;
  Params x;
  double f;
};

// One family as the tests see it: the flat fit, its objective and CDF, the
// law its samples come from, a start point, and the fit of a seeded sample of
// 300 values from that start (parameters, then the statistic) as the
// straightforward search gives it, the sample copied and counted at every
// evaluation of the objective.
struct Family {
  const char* name;
  int dim;
  stoka_cdf_fn cdf;
  Fitted (*fit)(const Params& start, const std::vector<double>& data);
  double (*objective)(const gsl_vector*, void*);
  Params truth, start;
  std::function<double(double)> quantile;  // of the law with the true parameters
  Params reference;
};

template <class F>
Fitted Three(F fit, const Params& s, const std::vector<double>& d) {
  Fitted r{0, Params(3, -7.0), -7.0};
  r.found = static_cast<int>(fit(s[0], s[1], s[2], static_cast<int>(d.size()), d.data(), &r.x[0],
                                 &r.x[1], &r.x[2], &r.f));
  return r;
}

// LogNormal truth as (mean, sd, location) of mu = 0.4, sigma = 0.35, location 2.
const double kMu = 0.4, kSigma = 0.35, kLoc = 2.0;
const double kLnMean = kLoc + std::exp(kMu + kSigma * kSigma / 2);
const double kLnSd = std::sqrt((std::exp(kSigma * kSigma) - 1) * std::exp(2 * kMu + kSigma * kSigma));

const Family kFamilies[] = {
    {"beta", 4, beta_cdf,
     [](const Params& s, const std::vector<double>& d) {
       Fitted r{0, Params(4, -7.0), -7.0};
       r.found = static_cast<int>(stoka_ran_beta_by_xi(s[0], s[1], s[2], s[3], int(d.size()),
                                                       d.data(), &r.x[0], &r.x[1], &r.x[2],
                                                       &r.x[3], &r.f));
       return r;
     },
     beta_xi_min, {2.385, 4.1, 1.5, 9.75}, {1.6, 2.9, 1.0, 10.6},
     [](double u) { return stoka_ran_beta_cdf_inv_(u, 2.385, 4.1, 1.5, 9.75); },
     {0x1.3fe91005247d5p+1, 0x1.78ec339857ccbp+1, 0x1.590a55d3dcb07p+0, 0x1.179403ab47094p+3,
      0x1.320b12a726526p-4}},
    {"lognormal", 3, lognormal_cdf_arf,
     [](const Params& s, const std::vector<double>& d) {
       return Three(stoka_ran_lognormal_by_xi, s, d);
     },
     lognormal_xi_min, {kLnMean, kLnSd, kLoc}, {3.0, 1.0, 1.5},
     [](double u) { return stoka_ran_lognormal_cdf_inv_(u, kLoc, kMu, kSigma); },
     {0x1.d5f8b7cad79ap+1, 0x1.2ea3d0303d17cp-1, 0x1.932b0bb0899dcp+0, 0x1.4658f97001e54p-5}},
    {"logtriangular", 3, logtriangular_cdf,
     [](const Params& s, const std::vector<double>& d) {
       return Three(stoka_ran_logtriangular_by_xi, s, d);
     },
     logtriangular_xi_min, {3.2, 1.25, 11.5}, {4.0, 1.0, 12.5},
     [](double u) { return stoka_ran_logtriangular_cdf_inv(u, 3.2, 1.25, 11.5); },
     {0x1.ca7f01ea86a21p+1, 0x1.5651adbf13afdp+0, 0x1.88e22f9a55f56p+3, 0x1.a327d18b12184p-4}},
    {"pert", 3, pert_cdf,
     [](const Params& s, const std::vector<double>& d) { return Three(stoka_ran_pert_by_xi, s, d); },
     pert_xi_min, {4.4, 1.7, 12.3}, {5.0, 1.0, 13.0},
     [](double u) { return stoka_ran_pert_cdf_inv_(u, 1.7, 12.3, 4.4); },
     {0x1.40e9fffa51525p+2, 0x1.75ff7d301e177p+0, 0x1.755ada0a68c54p+3, 0x1.44d7aa30ae8e5p-4}},
    {"triangular", 3, triangular_cdf,
     [](const Params& s, const std::vector<double>& d) {
       return Three(stoka_ran_triangular_by_xi, s, d);
     },
     triangular_xi_min, {3.7, 1.2, 8.9}, {4.0, 1.0, 9.5},
     [](double u) { return stoka_ran_triangular_cdf_inv(u, 3.7, 1.2, 8.9); },
     {0x1.0f9bdba747c82p+2, 0x1.359fa05711985p+0, 0x1.25f8d54fa50c5p+3, 0x1.6ad80c3b7ae3p-4}},
};

// Publishes a sample by hand, as a host may, for calls of the objectives.
struct Published {
  std::vector<double> copy;
  explicit Published(const std::vector<double>& d) : copy(d) {
    global_params = copy.data();
    global_params_size = static_cast<int>(copy.size());
  }
  ~Published() {
    global_params = nullptr;
    global_params_size = 0;
  }
};

double Objective(const Family& fam, const Params& x) {
  gsl_vector_const_view v = gsl_vector_const_view_array(x.data(), x.size());
  return fam.objective(&v.vector, nullptr);
}

}  // namespace

// Counting the sample once per fit, and the shared driver, change no bit of
// the search: each fit takes the same path to the same point and statistic.
// The statistic at the point reached is also what the objective gives there.
TEST(ByXi, ReferenceFits) {
  stats_test::Silence quiet;
  for (const auto& fam : kFamilies) {
    const auto sample = Draw(400u, 300, fam.quantile);
    const Fitted got = fam.fit(fam.start, sample);
    EXPECT_EQ(got.found, 1) << fam.name;
    for (int i = 0; i < fam.dim; ++i)
      EXPECT_TRUE(SameBits(got.x[i], fam.reference[i])) << fam.name << " x" << i;
    EXPECT_TRUE(SameBits(got.f, fam.reference[fam.dim])) << fam.name;
    const Published p(sample);
    EXPECT_TRUE(SameBits(Objective(fam, got.x), got.f)) << fam.name;
    EXPECT_EQ(global_params_size, 300);
  }
  EXPECT_EQ(global_params, nullptr);
}

// Fits on 10^4 values drawn from the law recover its parameters. The bounds
// are about three times the errors seen with these seeds.
TEST(ByXi, RecoversTheLawOfLargeSamples) {
  stats_test::Silence quiet;
  const double tolerance[] = {0.15, 0.05, 0.05, 0.05, 0.05};  // relative, per family
  int row = 0;
  for (const auto& fam : kFamilies) {
    const auto sample = Draw(7u, 10000, fam.quantile);
    const Fitted got = fam.fit(fam.start, sample);
    EXPECT_LT(got.f, 0.01) << fam.name;
    for (int i = 0; i < fam.dim; ++i)
      EXPECT_NEAR(got.x[i], fam.truth[i], tolerance[row] * std::fabs(fam.truth[i]))
          << fam.name << " x" << i;
    ++row;
  }
}

// Each evaluation writes its lines to the output sink (two for LogTriangular),
// and an infeasible point costs its penalty alone.
TEST(ByXi, ObjectiveLinesAndPenalties) {
  struct Case {
    const Family* family;
    Params x;
    double value;
    std::vector<std::string> lines;
  } cases[] = {
      {&kFamilies[4], {5, 6, 4}, 2999997.0,
       {"triangular_xi_min \n", "gsl_vector_free\n", "penal = 2999997.000\n, target = 0.000"}},
      {&kFamilies[0], {0.1, 0.2, 5, 5}, 2999997.0,
       {"beta_xi_min \n", "gsl_vector_free\n", "penal = 2999997.000\n, target = 0.000"}},
      // min > ml, then the Beta of the Pert (alpha = beta = 3) has min > max
      {&kFamilies[3], {2, 3, 1}, 1999998.0,
       {"pert_xi_min \n", "gsl_vector_free\n", "penal = 1999998.000\n, target = 0.000"}},
      {&kFamilies[2], {0.5, 1, 4}, 999999.0, {"logtriangular_xi_min \n", "gsl_vector_free\n"}},
  };
  for (const auto& c : cases) {
    stats_test::Capture out;
    EXPECT_EQ(Objective(*c.family, c.x), c.value) << c.family->name;
    EXPECT_EQ(out.lines(), c.lines) << c.family->name;
  }
  // The LogNormal penalty is the largest double; a zero deviation is not penalised.
  stats_test::Capture out;
  EXPECT_EQ(Objective(kFamilies[1], {3.0, -0.5, 1.0}), DBL_MAX);
  EXPECT_EQ(out.lines().size(), 3u);
  EXPECT_EQ(Objective(kFamilies[1], {3.0, 0.0, 1.0}), 999999.0);  // no sample published
}

// A feasible point: the penalty is 0 and the statistic is that of the sample.
TEST(ByXi, ObjectiveOfAPublishedSample) {
  stats_test::Silence quiet;
  for (const auto& fam : kFamilies) {
    const auto sample = Draw(21u, 777, fam.quantile);
    const Published p(sample);
    gsl_vector_const_view v = gsl_vector_const_view_array(fam.truth.data(), fam.dim);
    EXPECT_TRUE(SameBits(Objective(fam, fam.truth), ReferencePearson(&v.vector, sample, fam.cdf)))
        << fam.name;
  }
}

TEST(ByXi, InfeasibleStartMovesAway) {
  stats_test::Silence quiet;
  const auto& tri = kFamilies[4];
  const auto sample = Draw(5u, 2000, tri.quantile);
  // The mode above the maximum breaks one condition.
  ASSERT_EQ(Objective(tri, {9.6, 1.0, 9.0}), 999999.0);
  const Fitted got = tri.fit({9.6, 1.0, 9.0}, sample);
  // It leaves the penalty behind (whether the simplex then settles within the
  // iteration limit on this ridge is another matter).
  EXPECT_LT(got.f, 999999.0);
  EXPECT_EQ(PenaltyFuncTriangular(got.x[0], got.x[1], got.x[2]), 0.0);
}

// The sample is published, as a copy, only while the fit runs.
namespace {
struct Watch {
  const std::vector<double>* sample;
  int lines = 0, mismatches = 0;
};
void WatchBuffer(const char*, void* user) {
  auto* w = static_cast<Watch*>(user);
  ++w->lines;
  const auto& s = *w->sample;
  if (global_params == nullptr || global_params == s.data() ||
      global_params_size != static_cast<int>(s.size()) ||
      !std::equal(s.begin(), s.end(), global_params))
    ++w->mismatches;
}
}  // namespace

TEST(ByXi, SampleBufferLivesForTheFitOnly) {
  const auto& fam = kFamilies[0];
  const auto sample = Draw(3u, 500, fam.quantile);
  Watch w{&sample};
  stoka_set_output_callback(WatchBuffer, &w);
  fam.fit(fam.start, sample);
  stoka_default_output();
  EXPECT_GT(w.lines, 30);
  EXPECT_EQ(w.lines % 3, 0);  // three lines per evaluation
  EXPECT_EQ(w.mismatches, 0);
  EXPECT_EQ(global_params, nullptr);
  EXPECT_EQ(global_params_size, 0);
}

// A fit started from an output callback of another fit leaves the outer fit
// its sample: the outer result is the one of an undisturbed run.
namespace {
struct Nested {
  bool started = false;
  Fitted inner;
};
void StartInnerFit(const char*, void* user) {
  auto* nest = static_cast<Nested*>(user);
  if (nest->started) return;
  nest->started = true;
  const auto inner = Draw(8u, 400, kFamilies[4].quantile);
  nest->inner = kFamilies[4].fit(kFamilies[4].start, inner);
}
}  // namespace

TEST(ByXi, FitInsideAFit) {
  const auto& fam = kFamilies[3];
  const auto sample = Draw(4u, 600, fam.quantile);
  Fitted plain;
  {
    stats_test::Silence quiet;
    plain = fam.fit(fam.start, sample);
  }
  Nested nest;
  stoka_set_output_callback(StartInnerFit, &nest);
  const Fitted outer = fam.fit(fam.start, sample);
  stoka_default_output();
  ASSERT_TRUE(nest.started);
  EXPECT_EQ(nest.inner.found, 1);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(SameBits(outer.x[i], plain.x[i]));
  EXPECT_TRUE(SameBits(outer.f, plain.f));
  EXPECT_EQ(global_params, nullptr);
}

// Nothing to fit: 0, no output written, no line printed, nothing published.
TEST(ByXi, BadArgumentsWriteNothing) {
  const std::vector<double> d = {2.5, 3.75, 4.0, 7.25};
  for (const auto& fam : kFamilies) {
    stats_test::Capture out;
    const Fitted r = fam.fit(fam.start, {});
    EXPECT_EQ(r.found, 0) << fam.name;
    for (double v : r.x) EXPECT_EQ(v, -7.0) << fam.name;
    EXPECT_EQ(r.f, -7.0) << fam.name;
    EXPECT_TRUE(out.lines().empty()) << fam.name;
  }
  double a = -7, b = -7, c = -7, e = -7, f = -7;
  struct Case {
    const char* name;
    double result;
  } cases[] = {
      {"n -1", stoka_ran_triangular_by_xi(4, 1, 9, -1, d.data(), &a, &b, &c, &f)},
      {"null data", stoka_ran_pert_by_xi(4, 1, 9, 4, nullptr, &a, &b, &c, &f)},
      {"null output", stoka_ran_logtriangular_by_xi(4, 1, 9, 4, d.data(), &a, nullptr, &c, &f)},
      {"null f", stoka_ran_lognormal_by_xi(4, 1, 1, 4, d.data(), &a, &b, &c, nullptr)},
      {"null beta output", stoka_ran_beta_by_xi(2, 2, 1, 9, 4, d.data(), &a, &b, &c, nullptr, &f)},
  };
  for (const auto& k : cases) EXPECT_EQ(k.result, 0.0) << k.name;
  for (double v : {a, b, c, e, f}) EXPECT_EQ(v, -7.0);
  EXPECT_EQ(global_params, nullptr);
}

// Candidate 1 is [e - k/2, e + k/2] (mean e, k distinct values), candidate 2
// the sample's range. Statistics worked by hand in the comments.
TEST(UniformByXi, ChoosesTheSmallerStatistic) {
  stats_test::Silence quiet;
  struct Case {
    std::vector<double> data;
    double a, b, f;
  } cases[] = {
      // k = 2 intervals over [1, 4], counts 2, 2: [1, 4] gives p = 1/2 and 0;
      // [0.5, 4.5] gives (0.375 - 0.5)^2 / 0.375.
      {{1, 2, 3, 4}, 1, 4, 0.0},
      {{4, 3, 2, 1}, 1, 4, 0.0},
      // e = 2.9, 4 distinct: [0.9, 4.9]; counts 5, 0, 2, 3 over (1, 6] in 4
      // intervals of 1.25; p = 0.3125: 0.1125 + 0.3125 + 0.0405 = 0.4655 beats
      // [1, 6] with p = 0.25: 0.25 + 0.25 + 0.01 = 0.51.
      {{1, 1, 1, 4, 1, 6, 1, 5, 5, 4}, 2 * 2.9 - 4.9, 4.9, 0.4655},
      // Three values: both statistics are 999999, the tie goes to the range.
      {{2.5, 7.25, 3.0}, 2.5, 7.25, 999999.0},
      {{2.385}, 2.385, 2.385, 999999.0},
  };
  for (const auto& c : cases) {
    double a = 0, b = 0, f = 0;
    EXPECT_EQ(CalcUniformByXi(static_cast<int>(c.data.size()), c.data.data(), &a, &b, &f), 1);
    EXPECT_NEAR(a, c.a, 1e-12);
    EXPECT_NEAR(b, c.b, 1e-12);
    EXPECT_NEAR(f, c.f, 1e-12);
  }
}

TEST(UniformByXi, NothingToFit) {
  const double d[] = {1, 2, 3, 4};
  double a = -7, b = -7, f = -7;
  stats_test::Capture out;
  EXPECT_EQ(CalcUniformByXi(-1, d, &a, &b, &f), 0);
  EXPECT_EQ(CalcUniformByXi(0, d, &a, &b, &f), 0);
  EXPECT_EQ(CalcUniformByXi(4, nullptr, &a, &b, &f), 0);
  EXPECT_EQ(CalcUniformByXi(4, d, &a, nullptr, &f), 0);
  EXPECT_EQ(a, -7);
  EXPECT_EQ(b, -7);
  EXPECT_EQ(f, -7);
  EXPECT_TRUE(out.lines().empty());
  // With a sample the frequency table goes to the sink: one line per value.
  EXPECT_EQ(CalcUniformByXi(4, d, &a, &b, &f), 1);
  EXPECT_EQ(out.lines().size(), 4u);
}

// GSL's error handler may be the aborting default (no stoka_init): domain
// errors of the Beta CDF still come back as values.
TEST(ByXi, NoAbortOnGslDomainErrors) {
  gsl_error_handler_t* before = gsl_set_error_handler(nullptr);
  const std::vector<double> d = stats_test::Uniform(2u, 50, 1.0, 9.0);
  EXPECT_FALSE(std::isnan(stoka_ran_pearson_beta(-1.5, 2.0, 0, 10, 50, d.data())));
  gsl_set_error_handler(nullptr);
  stats_test::Silence quiet;
  double a, b, c, e, f;
  stoka_ran_beta_by_xi(-1.5, 2.0, 0, 10, 50, d.data(), &a, &b, &c, &e, &f);
  EXPECT_TRUE(std::isfinite(f));
  gsl_set_error_handler(before);
}
