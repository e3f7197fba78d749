// Fits of a family to sample data: bit identity with a straightforward fit
// written here (the sample copied and counted on every evaluation), accuracy
// on samples drawn from known laws, the objectives' lines, the shared sample
// buffer, bad arguments and the closed-form Uniform fit.
#include <gsl/gsl_multimin.h>
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

// One family as the tests see it: the flat fit, the parts of a straightforward
// objective, the law its samples come from and a start point.
struct Family {
  const char* name;
  int dim;
  double step;
  stoka_cdf_fn cdf;
  double (*penalty)(const gsl_vector* x);
  Fitted (*fit)(const Params& start, const std::vector<double>& data);
  double (*objective)(const gsl_vector*, void*);
  Params truth, start;
  std::function<double(double)> quantile;  // of the law with the true parameters
};

double G(const gsl_vector* x, size_t i) { return gsl_vector_get(x, i); }

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
    {"beta", 4, 1.0, beta_cdf,
     [](const gsl_vector* x) { return PenaltyFuncBeta(G(x, 0), G(x, 1), G(x, 2), G(x, 3)); },
     [](const Params& s, const std::vector<double>& d) {
       Fitted r{0, Params(4, -7.0), -7.0};
       r.found = static_cast<int>(stoka_ran_beta_by_xi(s[0], s[1], s[2], s[3], int(d.size()),
                                                       d.data(), &r.x[0], &r.x[1], &r.x[2],
                                                       &r.x[3], &r.f));
       return r;
     },
     beta_xi_min, {2.385, 4.1, 1.5, 9.75}, {1.6, 2.9, 1.0, 10.6},
     [](double u) { return stoka_ran_beta_cdf_inv_(u, 2.385, 4.1, 1.5, 9.75); }},
    {"lognormal", 3, 100.0, lognormal_cdf_arf,
     [](const gsl_vector* x) { return PenaltyFuncLogNormalAr(G(x, 0), G(x, 1), G(x, 2)); },
     [](const Params& s, const std::vector<double>& d) {
       return Three(stoka_ran_lognormal_by_xi, s, d);
     },
     lognormal_xi_min, {kLnMean, kLnSd, kLoc}, {3.0, 1.0, 1.5},
     [](double u) { return stoka_ran_lognormal_cdf_inv_(u, kLoc, kMu, kSigma); }},
    {"logtriangular", 3, 1.0, logtriangular_cdf,
     [](const gsl_vector* x) { return PenaltyFuncLogTriangular(G(x, 0), G(x, 1), G(x, 2)); },
     [](const Params& s, const std::vector<double>& d) {
       return Three(stoka_ran_logtriangular_by_xi, s, d);
     },
     logtriangular_xi_min, {3.2, 1.25, 11.5}, {4.0, 1.0, 12.5},
     [](double u) { return stoka_ran_logtriangular_cdf_inv(u, 3.2, 1.25, 11.5); }},
    {"pert", 3, 1.0, pert_cdf,
     [](const gsl_vector* x) { return PenaltyFuncPert(G(x, 0), G(x, 1), G(x, 2)); },
     [](const Params& s, const std::vector<double>& d) { return Three(stoka_ran_pert_by_xi, s, d); },
     pert_xi_min, {4.4, 1.7, 12.3}, {5.0, 1.0, 13.0},
     [](double u) { return stoka_ran_pert_cdf_inv_(u, 1.7, 12.3, 4.4); }},
    {"triangular", 3, 1.0, triangular_cdf,
     [](const gsl_vector* x) { return PenaltyFuncTriangular(G(x, 0), G(x, 1), G(x, 2)); },
     [](const Params& s, const std::vector<double>& d) {
       return Three(stoka_ran_triangular_by_xi, s, d);
     },
     triangular_xi_min, {3.7, 1.2, 8.9}, {4.0, 1.0, 9.5},
     [](double u) { return stoka_ran_triangular_cdf_inv(u, 3.7, 1.2, 8.9); }},
};

// ---------------------------------------------------------------------------
// The straightforward fit: the simplex loop as written, with an objective that
// copies the sample into a vector and counts it on every evaluation.
struct Reference {
  const Family* family;
  const std::vector<double>* sample;
};

double ReferenceObjective(const gsl_vector* x, void* params) {
  const auto* r = static_cast<const Reference*>(params);
  const double penalty = r->family->penalty(x);
  const double target = penalty == 0.0 ? ReferencePearson(x, *r->sample, r->family->cdf) : 0.0;
  return target + penalty;
}

Fitted ReferenceFit(const Family& fam, const Params& start, const std::vector<double>& sample) {
  Reference ref{&fam, &sample};
  gsl_vector* x = gsl_vector_alloc(fam.dim);
  gsl_vector* step = gsl_vector_alloc(fam.dim);
  for (int i = 0; i < fam.dim; ++i) gsl_vector_set(x, i, start[i]);
  gsl_vector_set_all(step, fam.step);
  gsl_multimin_fminimizer* s = gsl_multimin_fminimizer_alloc(gsl_multimin_fminimizer_nmsimplex2,
                                                              fam.dim);
  gsl_multimin_function fn = {ReferenceObjective, size_t(fam.dim), &ref};
  gsl_multimin_fminimizer_set(s, &fn, x, step);
  bool converged = false;
  double f = 0;
  for (int iter = 1;; ++iter) {
    if (gsl_multimin_fminimizer_iterate(s) != GSL_SUCCESS) break;
    const int status = gsl_multimin_test_size(gsl_multimin_fminimizer_size(s), 0.001);
    f = gsl_multimin_fminimizer_minimum(s);
    if (status == GSL_SUCCESS) converged = true;
    if (status != GSL_CONTINUE || iter >= 1000 || std::fabs(f) < 1e-6) break;
  }
  Fitted r{converged || std::fabs(f) < 1e-6, Params(fam.dim), f};
  for (int i = 0; i < fam.dim; ++i) r.x[i] = gsl_vector_get(gsl_multimin_fminimizer_x(s), i);
  gsl_multimin_fminimizer_free(s);
  gsl_vector_free(step);
  gsl_vector_free(x);
  return r;
}

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

// Counting once per fit changes no bit of the search: the library's fit and
// the straightforward one take the same path to the same point and statistic.
// The statistic at the point reached is also what the objective gives there.
TEST(ByXi, IdenticalToStraightforwardFit) {
  stats_test::Silence quiet;
  for (const auto& fam : kFamilies)
    for (int n : {300, 1000}) {
      const auto sample = Draw(100u + n, n, fam.quantile);
      const Fitted got = fam.fit(fam.start, sample);
      const Fitted expected = ReferenceFit(fam, fam.start, sample);
      EXPECT_EQ(got.found, expected.found) << fam.name << " n " << n;
      for (int i = 0; i < fam.dim; ++i)
        EXPECT_TRUE(SameBits(got.x[i], expected.x[i])) << fam.name << " n " << n << " x" << i;
      EXPECT_TRUE(SameBits(got.f, expected.f)) << fam.name << " n " << n;
      const Published p(sample);
      EXPECT_TRUE(SameBits(Objective(fam, got.x), got.f)) << fam.name << " n " << n;
      EXPECT_EQ(global_params_size, n);
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
