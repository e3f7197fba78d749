// Generation methods as a host sees them through the flat interface, and the
// stand-alone Latin hypercube design functions.

#include <map>

#include "stoka/sampling.hpp"
#include "support/rows.hpp"

namespace {

// A method (count 0: Monte Carlo) over a distribution, both released at the
// end of scope, and n of its draws as (value, position).
struct Method {
  IDistribution* d = nullptr;
  AbstractGenerationMethod* h = nullptr;
  Method(int (*make)(IDistribution**), double min, double max, int count) {
    make(&d);
    count > 0 ? CreateLatinCubeMethod(&h, d, min, max, count) : CreateMonteCarloMethod(&h, d, min, max);
  }
  ~Method() {
    DestroyMonteCarloMethod(&h);
    DestroyUniformDistribution(&d);
  }
  std::vector<std::pair<double, double>> Draw(int n) {
    std::vector<std::pair<double, double>> out(n);
    for (auto& x : out) GetRandomValueFromMethod(h, &x.first, &x.second);
    return out;
  }
};
int Triangular(IDistribution** h) { return CreateTriangularDistribution(1.0, 0.0, 4.0, h); }
int Normal(IDistribution** h) { return CreateNormalDistribution(-3.5, 2.25, h); }
int LogNormal(IDistribution** h) { return CreateLogNormalDistribution(0.4, 1.3, 2.0, h); }
int Costs(IDistribution** h) { const double v[] = {0, 100, 250}; const unsigned w[] = {70, 20, 10}; return CreateDiscreteDistributionWeighted(v, w, 3, h); }
int Dice(IDistribution** h) { return CreateDiscreteUniformDistribution(1, 6, h); }
int Risk(IDistribution** h) { return CreateBernoulliDistribution(0.3, h); }
int Beta(IDistribution** h) { return CreateBetaDistribution(2.385, 0.75, -1.5, 4.0, h); }
int Pert(IDistribution** h) { return CreatePertDistribution(3.2, 1.25, 11.5, h); }
int LogTriangular(IDistribution** h) { return CreateLogTriangularDistribution(3.2, 1.25, 11.5, h); }

// Monte Carlo returns the absolute probability and keeps the runtime
// generator's sequence, value for value, also once its quantiles come from a
// table and after a new window (Latin hypercube draws are held against a
// reference in latin_reference_test.cpp). stoka_seed_all seeds both sources.
TEST(GenerationMethods, MonteCarloKeepsTheRuntimeSequence) {
  for (auto make : {Triangular, Normal, LogNormal, Beta, Pert, LogTriangular}) {
    Method mc(make, 0.1, 0.85, 0);
    for (auto [lo, hi] : {std::pair{0.1, 0.85}, {0.0, 1.0}}) {
      mc.h->SetBounds(lo, hi);
      stoka_seed_all(31u);
      const auto draws = mc.Draw(12000);
      const double gsl = stoka_ran_uniform();
      stoka_ran_seed(31u);
      ASSERT_EQ(stoka_ran_uniform(), gsl);
      std::srand(31u);
      for (auto [value, p] : draws) {
        double q = kNaN, want = kNaN;
        while (!std::isfinite(want)) want = GetInverseCDFValue(mc.d, q = lo + (hi - lo) * KessaRandom());
        ASSERT_TRUE(p == q && value == want) << p;
      }
    }
  }
  for (auto make : {Beta, Pert, Normal, Costs}) {  // Latin hypercube: the plain quantile at each position
    Method lhs(make, 0.05, 0.9, 700);
    for (auto [value, p] : lhs.Draw(1500)) ASSERT_EQ(value, static_cast<LatinCubeMethod*>(lhs.h)->Plot().ValueByCDF(p)) << p;
  }
}

// The array calls give what one-value calls in a row give, bit for bit: the
// draws (in two calls, the second without positions) and the runtime state
// after them, and the queries over the values drawn and the edges. Refusals
// write nothing and answer 0.
TEST(GenerationMethods, ArrayCallsRepeatOneValueCalls) {
  using Query = double (*)(IDistribution*, double);
  using Queries = int (*)(IDistribution*, int, const double*, double*);
  const std::pair<Query, Queries> queries[] = {{GetCDFValue, GetCDFValues}, {GetPDFValue, GetPDFValues},
                                               {GetInverseCDFValue, GetInverseCDFValues}, {GetSFValue, GetSFValues}};
  for (auto make : {Triangular, Normal, LogNormal, Beta, Pert, LogTriangular, Costs, Dice, Risk})
    for (int count : {0, 97, 40000}) {
      Method one(make, 0.05, 0.95, count), many(make, 0.05, 0.95, count);
      const int n = count ? 5000 : 70000;  // Monte Carlo: a run long enough for its table of outcomes
      std::srand(count + 7u);
      const auto want = one.Draw(n);
      const int next = std::rand();
      std::srand(count + 7u);
      std::vector<double> x(n, -7), p(1234, -7), out(n + 8, -7);
      ASSERT_EQ(GetRandomValuesFromMethod(many.h, 1234, x.data(), p.data()), 1234);
      ASSERT_EQ(GetRandomValuesFromMethod(many.h, n - 1234, x.data() + 1234, nullptr), n - 1234);
      ASSERT_EQ(std::rand(), next);
      for (int i = 0; i < n; ++i)
        ASSERT_TRUE(rows::Same(x[i], want[i].first) && (i >= 1234 || rows::Same(p[i], want[i].second))) << i;
      x.insert(x.end(), {-kInf, kInf, kNaN, 0.0, 1.0, 1e-300, -1.0, 0.5});
      for (auto [query, array] : queries) {
        ASSERT_EQ(array(many.d, n + 8, x.data(), out.data()), n + 8);
        for (int i = 0; i < n + 8; ++i) ASSERT_TRUE(rows::Same(out[i], query(many.d, x[i]))) << i;
        rows::Check({ROW(array(nullptr, 1, x.data(), p.data()), 0), ROW(array(many.d, 0, x.data(), p.data()), 0),
                     ROW(array(many.d, 1, nullptr, p.data()), 0), ROW(array(many.d, 1, x.data(), nullptr), 0)});
      }
      std::srand(1u);
      const int first = std::rand();
      std::srand(1u);
      rows::Check({ROW(GetRandomValuesFromMethod(nullptr, 1, x.data(), p.data()), 0),
                   ROW(GetRandomValuesFromMethod(many.h, -1, x.data(), p.data()), 0),
                   ROW(GetRandomValuesFromMethod(many.h, 1, nullptr, p.data()), 0), ROW(std::rand(), first),
                   ROW(p[0], want[0].second)});
    }
}

// Array draws step glibc's state of every type (initstate with 8 to 256
// bytes) as rand() would, in runs with and without the table of outcomes, and
// leave rand() where the one-value draws leave it.
TEST(GenerationMethods, ArrayDrawsFollowEveryStateType) {
  Method one(Normal, 0.0, 1.0, 0), many(Normal, 0.0, 1.0, 0);
  alignas(8) char state[256];
  char* host = nullptr;
  for (std::size_t bytes : {8, 32, 64, 128, 256})
    for (int n : {300, 70000}) {
      char* before = initstate(17u + n, state, bytes);
      host = host ? host : before;
      const auto want = one.Draw(n);
      const int next = std::rand();
      initstate(17u + n, state, bytes);
      std::vector<double> x(n), p(n);
      ASSERT_EQ(GetRandomValuesFromMethod(many.h, n, x.data(), p.data()), n);
      ASSERT_EQ(std::rand(), next) << bytes;
      for (int i = 0; i < n; ++i) ASSERT_TRUE(x[i] == want[i].first && p[i] == want[i].second) << bytes << " " << i;
    }
  setstate(host);
}

// Draws are always finite: 2 * 10^5 draws meet KessaRandom's exact 0 and 1 (1
// in 16384) a dozen times. A window without finite values gives NaN, at once.
TEST(GenerationMethods, UnboundedFamiliesDrawOnlyFiniteValues) {
  for (auto make : {Normal, LogNormal})
    for (int count : {0, 1000, 1}) {
      Method m(make, 0.0, 1.0, count);
      std::srand(99u);
      const auto draws = m.Draw(200000);
      EXPECT_TRUE(std::all_of(draws.begin(), draws.end(), [](auto d) { return std::isfinite(d.first); })) << count;
    }
  Method mc(Normal, 1.0, 1.0, 0), lhs(Normal, 0.0, 1.0, 10);
  MethodSetBounds(lhs.h, 40.0, 50.0);  // both beyond the support's float reach: (1, 1)
  EXPECT_TRUE(std::isnan(mc.Draw(1)[0].first) && std::isnan(lhs.Draw(1)[0].first));
}

// A discrete window draws each value in proportion to its probability, its
// lowest included: within 2 per Latin hypercube cycle (the strata straddling an
// atom's edge; 991 strata: window set again by values), within 6 sigma for
// Monte Carlo. Continuous Latin hypercube draws keep their recorded sum.
TEST(GenerationMethods, DiscreteWindowsDrawEveryValueInProportion) {
  const std::tuple<int (*)(IDistribution**), double, double> rows[] = {{Costs, 0, 1}, {Costs, 0, 0.9}, {Costs, 0.7 + 1e-9, 1}, {Dice, 0, 1}, {Dice, 1 / 6.0 + 1e-9, 5 / 6.0}, {Risk, 0, 1}};
  for (auto [make, lo, hi] : rows)
    for (int n : {997, 991, 0, -1}) {  // -1: Monte Carlo, window set again by values
      Method m(make, lo, hi, n);
      const double a = GetInverseCDFValue(m.d, lo), b = GetInverseCDFValue(m.d, hi), all[] = {0, 1, 2, 3, 4, 5, 6, 100, 250};
      if (n == 991 || n < 0) MethodSetBounds(m.h, a, b);
      const int draws = n > 0 ? n : 20000;
      std::map<double, double> seen, q;
      for (auto [value, p] : m.Draw(draws)) ++seen[value];
      double w = 0;
      for (double v : all) w += q[v] = (v >= a && v <= b) * GetPDFValue(m.d, v);
      for (double v : all) EXPECT_LE(std::fabs(seen[v] - q[v] / w * draws), n > 0 ? 2 : 6 * std::sqrt(q[v] / w * draws)) << v << " " << lo << " " << n;
      EXPECT_EQ(seen.size(), 9u);
    }
  for (int n : {0, 600}) {  // a window between atoms draws the values inside it, and reports them
    Method m(Dice, 0, 1, n);
    MethodSetBounds(m.h, 1.5, 4.5);
    std::map<double, int> seen;
    for (auto [value, p] : m.Draw(600)) ++seen[value];
    double lo = 0, hi = 0;
    MethodGetBounds(m.h, &lo, &hi);
    EXPECT_TRUE(seen.size() == 3 && seen.begin()->first == 2 && lo == 2 && hi == 4) << n;
  }
  double sum = 0;
  for (auto make : {Triangular, Normal, LogNormal}) {
    Method m(make, 0.137, 0.862, 97);
    std::srand(77u);
    for (auto [value, p] : m.Draw(500)) sum += value * 3 + p;
    MethodSetBounds(m.h, GetInverseCDFValue(m.d, 0.2), GetInverseCDFValue(m.d, 0.7));
    for (auto [value, p] : m.Draw(300)) sum += value * 3 + p;
  }
  EXPECT_EQ(sum, 0x1.483aa647eb90cp+12);
}

// MethodSetBounds takes values and converts them to probabilities; a window
// that does not increase changes nothing, one beyond the support is the whole
// support, and infinite bounds read as its ends. A new window starts a new
// Latin hypercube cycle.
TEST(GenerationMethods, SetBoundsConvertsValuesToProbabilities) {
  const double rows[][4] = {{1.0, 3.0, 1.0, 3.0}, {0.5, 2.75, 0.5, 2.75}, {-8.0, 11.0, 0.0, 4.0},
                            {5.0, 5.0, 0.0, 4.0}, {3.0, 1.0, 0.0, 4.0}, {-INFINITY, INFINITY, 0.0, 4.0}};
  for (int count : {20, 0})
    for (const auto& r : rows) {
      Method m(Triangular, 0.0, 1.0, count);
      MethodSetBounds(m.h, r[0], r[1]);
      double lo = -1, hi = -1;
      MethodGetBounds(m.h, &lo, &hi);
      EXPECT_TRUE(std::fabs(lo - r[2]) < 1e-12 && std::fabs(hi - r[3]) < 1e-12) << r[0] << " " << count;
      std::srand(3u);
      for (auto [value, position] : m.Draw(60)) EXPECT_TRUE(value >= r[2] - 1e-12 && value <= r[3] + 1e-12);
    }
  Method t(Triangular, 0.3, 0.6, 9);
  auto* m = static_cast<LatinCubeMethod*>(t.h);
  std::srand(8u);
  t.Draw(4);
  EXPECT_EQ(m->FreeCount(), 5u);
  m->SetBounds(0.25, 0.5);
  EXPECT_EQ(m->FreeCount(), 9u);
  EXPECT_TRUE(m->GetMin() == 0.25 && m->GetMax() == 0.5 && m->Plot().cdf_range_ == 0.25);
  m->SetBounds(-INFINITY, INFINITY);
  double lo = -1, hi = -1;
  MethodGetBounds(m, &lo, &hi);
  EXPECT_TRUE(lo == 0.0 && hi == 4.0);
}

// A refused creation writes a null handle; null handles give NaN outputs and
// change nothing; destroying writes null.
TEST(GenerationMethods, RefusalsAndNullHandles) {
  Method t(Triangular, 0.0, 1.0, 5), mc(Triangular, 0.0, 1.0, 0), n(Normal, 0.0, 1.0, 0);
  const std::tuple<IDistribution*, double, double, int> rows[] = {
      {t.d, 0.0, 1.0, 0}, {t.d, 0.0, 1.0, -5}, {nullptr, 0.0, 1.0, 10}, {t.d, 0.5, 0.5, 10},
      {t.d, 0.7, 0.3, 10}, {t.d, NAN, 1.0, 10}, {t.d, 1.0, 1.0, 10},
      {n.d, -0.5, 0.5, 10},  // NaN quantile below 0
  };
  for (auto [d, min, max, count] : rows) {
    AbstractGenerationMethod* h = t.h;
    CreateLatinCubeMethod(&h, d, min, max, count);
    EXPECT_EQ(h, nullptr) << min << " " << max << " " << count;
  }
  AbstractGenerationMethod* h = t.h;
  CreateMonteCarloMethod(&h, nullptr, 0.0, 1.0);
  EXPECT_EQ(h, nullptr);
  CreateLatinCubeMethod(nullptr, t.d, 0.0, 1.0, 3);  // no place to write: nothing
  CreateMonteCarloMethod(nullptr, t.d, 0.0, 1.0);
  double value = 1, p = 1, lo = 1, hi = 1;
  GetRandomValueFromMethod(nullptr, &value, &p);
  MethodGetBounds(nullptr, &lo, &hi);
  EXPECT_TRUE(std::isnan(value) && std::isnan(p) && std::isnan(lo) && std::isnan(hi));
  MethodSetBounds(nullptr, 0.0, 1.0);
  GetRandomValueFromMethod(mc.h, nullptr, nullptr);  // outputs may be NULL
  using Place = AbstractGenerationMethod**;
  for (Place h : {&t.h, &t.h, Place{}}) DestroyLatinCubeMethod(h);
  for (Place h : {&mc.h, Place{}}) DestroyMonteCarloMethod(h);
  EXPECT_TRUE(t.h == nullptr && mc.h == nullptr);
  std::list<int> l{4, 8, 15, 16, 23};
  int out = -1;
  EXPECT_TRUE(GetListElementByPosition(2, l, &out) == 1 && out == 15);
  EXPECT_TRUE(GetListElementByPosition(5, l, &out) == 0 && out == 0);
  for (unsigned at : {0u, 2u, 3u}) DeleteListElement(l, at);  // 3 is the end: nothing
  EXPECT_EQ(l, (std::list<int>{8, 15, 23}));
}

// The design functions: one point per stratum in each dimension (the strata
// are permutations), integers of a range; counts below one give null.
TEST(LatinDesign, StrataIntegersAndRefusals) {
  stoka_ran_seed(424242u);
  for (auto [dims, points] : {std::pair{1, 1}, {3, 10}, {2, 97}, {5, 1000}}) {
    double* x = latin_random_new(dims, points);
    for (int i = 0; i < dims; ++i) {
      std::vector<int> hits(points, 0);
      for (int j = 0; j < points; ++j) ++hits.at(static_cast<int>(x[i + j * dims] * points));
      EXPECT_EQ(std::count(hits.begin(), hits.end(), 1), points) << dims << "x" << points;
    }
    std::free(x);
  }
  EXPECT_TRUE(i4_uniform_ab(7, 7) == 7 && i4_uniform_ab(9, 2) == 2);  // raised to a, then lowered to b
  i4_uniform_ab(-2147483647, 2147483647);  // full int range: defined, no overflow
  EXPECT_TRUE(latin_random_new(0, 5) == nullptr && latin_random_new(3, -1) == nullptr &&
              r8mat_uniform_01_new(-2, 4) == nullptr && perm_uniform_new(0) == nullptr && perm_uniform_new(-9) == nullptr);
}

}  // namespace
