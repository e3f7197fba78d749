// Generation methods as a host sees them through the flat interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <vector>

#include "stoka/sampling.hpp"
#include "stoka/stoka.h"

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();

// A distribution handle released at the end of scope.
struct Dist {
  IDistribution* h = nullptr;
  ~Dist() { DestroyUniformDistribution(&h); }
};
// A method handle released at the end of scope.
struct Method {
  AbstractGenerationMethod* h = nullptr;
  ~Method() { DestroyLatinCubeMethod(&h); }
};

Dist Triangular() {  // mode 1 on [0, 4]: mean 5/3
  Dist d;
  CreateTriangularDistribution(1.0, 0.0, 4.0, &d.h);
  return d;
}

struct Draw {
  double value, p;
};
std::vector<Draw> DrawN(AbstractGenerationMethod* m, int n) {
  std::vector<Draw> out(n);
  for (auto& d : out) GetRandomValueFromMethod(m, &d.value, &d.p);
  return out;
}

double Mean(const std::vector<Draw>& draws) {
  double s = 0;
  for (const auto& d : draws) s += d.value;
  return s / draws.size();
}
}  // namespace

TEST(LatinHypercube, EveryCycleUsesEveryStratumOnce) {
  // Sorted positions of one cycle: the k-th lies in stratum k, ends included.
  Dist u;
  ASSERT_EQ(CreateUniformDistribution(2.385, 9.61, &u.h), 1);
  for (int count : {1, 3, 4, 7, 1000}) {
    Method m;
    CreateLatinCubeMethod(&m.h, u.h, 0.0, 1.0, count);
    ASSERT_NE(m.h, nullptr);
    std::srand(77u + count);
    for (int cycle = 0; cycle < 3; ++cycle) {
      std::vector<double> p;
      for (const Draw& d : DrawN(m.h, count)) {
        p.push_back(d.p);
        EXPECT_NEAR(d.value, 2.385 + (9.61 - 2.385) * d.p, 1e-12);
      }
      std::sort(p.begin(), p.end());
      for (int k = 0; k < count; ++k) {
        EXPECT_GE(p[k], k * (1.0 / count)) << "count " << count << " cycle " << cycle;
        EXPECT_LE(p[k], (k + 1) * (1.0 / count)) << "count " << count << " cycle " << cycle;
      }
    }
  }
}

TEST(LatinHypercube, StrataEndsAreProductsWithTheReciprocal) {
  Dist u;
  CreateUniformDistribution(0.0, 1.0, &u.h);
  LatinCubeMethod four(u.h, 0.0, 1.0, 4);
  const double ends4[] = {0.0, 0.25, 0.5, 0.75, 1.0};
  for (unsigned k = 0; k < 4; ++k) {
    EXPECT_EQ(four.Segment(k).first, ends4[k]);
    EXPECT_EQ(four.Segment(k).second, ends4[k + 1]);
  }
  LatinCubeMethod three(u.h, 0.0, 1.0, 3);
  const double w = 1.0 / 3;
  EXPECT_EQ(three.Segment(0).first, 0.0);
  for (unsigned k = 0; k < 3; ++k) EXPECT_EQ(three.Segment(k).second, (k + 1) * w);
  EXPECT_EQ(three.Segment(1).first, three.Segment(0).second);
  EXPECT_EQ(three.Segment(2).first, 2 * w);
}

TEST(GenerationMethods, WindowsAndReturnedPositions) {
  // On a uniform [0, 10] the value is 10 x the absolute probability. Latin
  // hypercube returns the unit position in the window, Monte Carlo the absolute
  // probability.
  Dist u;
  CreateUniformDistribution(0.0, 10.0, &u.h);
  struct Row {
    bool latin;
    double min, max;
  } rows[] = {{true, 0.2, 0.6}, {false, 0.2, 0.6}, {true, 0.0, 1.0}, {false, 0.731, 0.94}};
  for (const Row& r : rows) {
    Method m;
    if (r.latin)
      CreateLatinCubeMethod(&m.h, u.h, r.min, r.max, 50);
    else
      CreateMonteCarloMethod(&m.h, u.h, r.min, r.max);
    ASSERT_NE(m.h, nullptr);
    std::srand(5u);
    for (const Draw& d : DrawN(m.h, 400)) {
      const double absolute = r.latin ? r.min + (r.max - r.min) * d.p : d.p;
      EXPECT_NEAR(d.value, 10.0 * absolute, 1e-12);
      EXPECT_GE(d.value, 10.0 * r.min - 1e-12);
      EXPECT_LE(d.value, 10.0 * r.max + 1e-12);
      if (r.latin) EXPECT_TRUE(d.p >= 0.0 && d.p <= 1.0);
    }
  }
}

TEST(GenerationMethods, MonteCarloKeepsTheRuntimeSequenceOnBoundedFamilies) {
  Dist t = Triangular();
  Method m;
  CreateMonteCarloMethod(&m.h, t.h, 0.1, 0.85);
  std::srand(31u);
  std::vector<double> u(5000);
  for (double& x : u) x = 0.1 + (0.85 - 0.1) * KessaRandom();
  std::srand(31u);
  const auto draws = DrawN(m.h, 5000);
  for (size_t i = 0; i < u.size(); ++i) {
    ASSERT_EQ(draws[i].p, u[i]) << i;
    ASSERT_EQ(draws[i].value, GetInverseCDFValue(t.h, u[i])) << i;
  }
}

TEST(GenerationMethods, LatinHypercubeMeansMatchClosedForms) {
  // A full cycle of 10^4 strata pins the mean far closer than independent draws.
  struct Row {
    const char* name;
    int (*make)(IDistribution**);
    double mean, sd;
  } rows[] = {
      {"Triangular(0,1,4)", [](IDistribution** h) { return CreateTriangularDistribution(1, 0, 4, h); },
       5.0 / 3.0, std::sqrt((0 + 1 + 16 - 0 - 0 - 4) / 18.0)},
      {"Normal(2.385,1.75)", [](IDistribution** h) { return CreateNormalDistribution(2.385, 1.75, h); },
       2.385, 1.75},
      // Beta(2,3) on [0,10]: mean 10*2/5, sd 10*sqrt(2*3/(25*6)).
      {"Beta(2,3) on [0,10]",
       [](IDistribution** h) { return CreateBetaDistribution(2, 3, 0, 10, h); }, 4.0,
       10 * std::sqrt(6.0 / 150.0)},
  };
  for (const Row& r : rows) {
    Dist d;
    ASSERT_EQ(r.make(&d.h), 1) << r.name;
    Method m;
    CreateLatinCubeMethod(&m.h, d.h, 0.0, 1.0, 10000);
    std::srand(2024u);
    const auto draws = DrawN(m.h, 10000);
    double ss = 0;
    const double mean = Mean(draws);
    for (const auto& x : draws) ss += (x.value - mean) * (x.value - mean);
    EXPECT_NEAR(mean, r.mean, 2e-3 * r.sd) << r.name;
    EXPECT_NEAR(std::sqrt(ss / (draws.size() - 1)), r.sd, 3e-3 * r.sd) << r.name;
  }
}

TEST(GenerationMethods, UnboundedFamiliesDrawOnlyFiniteValues) {
  // 2 * 10^5 draws meet KessaRandom's exact 0 and 1 (1 in 16384) a dozen times.
  Dist normal, lognormal;
  CreateNormalDistribution(-3.5, 2.25, &normal.h);
  CreateLogNormalDistribution(0.4, 1.3, 2.0, &lognormal.h);
  for (IDistribution* d : {normal.h, lognormal.h}) {
    Method mc, lhs, single;
    CreateMonteCarloMethod(&mc.h, d, 0.0, 1.0);
    CreateLatinCubeMethod(&lhs.h, d, 0.0, 1.0, 1000);
    CreateLatinCubeMethod(&single.h, d, 0.0, 1.0, 1);
    std::srand(99u);
    for (AbstractGenerationMethod* m : {mc.h, lhs.h, single.h}) {
      int infinite = 0;
      for (const Draw& x : DrawN(m, 200000)) infinite += !std::isfinite(x.value);
      EXPECT_EQ(infinite, 0);
    }
  }
}

TEST(GenerationMethods, WindowWithoutFiniteValuesGivesNaNWithoutHanging) {
  // Both probability bounds at 1 on a normal: every quantile is +inf.
  Dist normal;
  CreateNormalDistribution(0.0, 1.0, &normal.h);
  Method mc, lhs;
  CreateMonteCarloMethod(&mc.h, normal.h, 1.0, 1.0);
  CreateLatinCubeMethod(&lhs.h, normal.h, 0.0, 1.0, 10);
  MethodSetBounds(lhs.h, 40.0, 50.0);  // both beyond the support's float reach: (1, 1)
  for (AbstractGenerationMethod* m : {mc.h, lhs.h}) {
    double value = 0, p = -7;
    GetRandomValueFromMethod(m, &value, &p);
    EXPECT_TRUE(std::isnan(value));
  }
}

TEST(GenerationMethods, SetBoundsConvertsValuesToProbabilities) {
  Dist t = Triangular();
  struct Row {
    double set_min, set_max;       // values given to MethodSetBounds
    double want_min, want_max;     // values read back by MethodGetBounds
  } rows[] = {
      {1.0, 3.0, 1.0, 3.0},       // inside the support: quantile(cdf(x)) = x
      {0.5, 2.75, 0.5, 2.75},
      {-8.0, 11.0, 0.0, 4.0},     // beyond the support on both sides: window (0, 1)
      {5.0, 5.0, 0.0, 4.0},       // not increasing: nothing changes
      {3.0, 1.0, 0.0, 4.0},
  };
  for (bool latin : {true, false}) {
    for (const Row& r : rows) {
      Method m;
      if (latin)
        CreateLatinCubeMethod(&m.h, t.h, 0.0, 1.0, 20);
      else
        CreateMonteCarloMethod(&m.h, t.h, 0.0, 1.0);
      MethodSetBounds(m.h, r.set_min, r.set_max);
      double lo = -1, hi = -1;
      MethodGetBounds(m.h, &lo, &hi);
      EXPECT_NEAR(lo, r.want_min, 1e-12) << r.set_min << " " << latin;
      EXPECT_NEAR(hi, r.want_max, 1e-12) << r.set_max << " " << latin;
      std::srand(3u);
      for (const Draw& d : DrawN(m.h, 60)) {
        EXPECT_GE(d.value, r.want_min - 1e-12);
        EXPECT_LE(d.value, r.want_max + 1e-12);
      }
    }
  }
}

TEST(LatinHypercube, SetBoundsStartsANewCycle) {
  Dist t = Triangular();
  LatinCubeMethod m(t.h, 0.0, 1.0, 9);
  std::srand(8u);
  for (int i = 0; i < 4; ++i) m.RandomValue();
  EXPECT_EQ(m.FreeCount(), 5u);
  m.SetBounds(0.25, 0.5);
  EXPECT_EQ(m.FreeCount(), 9u);
  EXPECT_EQ(m.GetMin(), 0.25);
  EXPECT_EQ(m.GetMax(), 0.5);
  EXPECT_EQ(m.Plot().cdf_min_, 0.25);
  EXPECT_EQ(m.Plot().cdf_range_, 0.25);
}

TEST(GenerationMethods, InfiniteBoundsReadAsTheWholeSupport) {
  Dist t = Triangular();
  MonteCarloMethod m(t.h, 0.3, 0.6);
  m.SetBounds(-kInf, kInf);
  double lo = 0, hi = 0;
  MethodGetBounds(&m, &lo, &hi);
  EXPECT_EQ(lo, 0.0);
  EXPECT_EQ(hi, 4.0);
}

TEST(GenerationMethods, RefusedCreationWritesNull) {
  Dist t = Triangular();
  Dist normal;
  CreateNormalDistribution(1.5, 0.5, &normal.h);
  AbstractGenerationMethod* const dummy = reinterpret_cast<AbstractGenerationMethod*>(&t);
  struct Row {
    IDistribution* d;
    double min, max;
    int count;
  } rows[] = {
      {t.h, 0.0, 1.0, 0},      {t.h, 0.0, 1.0, -5},      {nullptr, 0.0, 1.0, 10},
      {t.h, 0.5, 0.5, 10},     {t.h, 0.7, 0.3, 10},      {t.h, NAN, 1.0, 10},
      {t.h, 1.0, 1.0, 10},     {normal.h, -0.5, 0.5, 10},  // NaN quantile below 0
  };
  for (const Row& r : rows) {
    AbstractGenerationMethod* h = dummy;
    CreateLatinCubeMethod(&h, r.d, r.min, r.max, r.count);
    EXPECT_EQ(h, nullptr) << r.min << " " << r.max << " " << r.count;
  }
  AbstractGenerationMethod* h = dummy;
  CreateMonteCarloMethod(&h, nullptr, 0.0, 1.0);
  EXPECT_EQ(h, nullptr);
  CreateLatinCubeMethod(nullptr, t.h, 0.0, 1.0, 3);  // no place to write: nothing
  CreateMonteCarloMethod(nullptr, t.h, 0.0, 1.0);
}

TEST(GenerationMethods, NullHandlesAreHarmless) {
  double value = 1, p = 1, lo = 1, hi = 1;
  GetRandomValueFromMethod(nullptr, &value, &p);
  EXPECT_TRUE(std::isnan(value) && std::isnan(p));
  MethodGetBounds(nullptr, &lo, &hi);
  EXPECT_TRUE(std::isnan(lo) && std::isnan(hi));
  MethodSetBounds(nullptr, 0.0, 1.0);
  AbstractGenerationMethod* h = nullptr;
  DestroyLatinCubeMethod(&h);
  DestroyMonteCarloMethod(&h);
  DestroyLatinCubeMethod(nullptr);
  DestroyMonteCarloMethod(nullptr);
  EXPECT_EQ(h, nullptr);
  Dist t = Triangular();
  Method m;
  CreateMonteCarloMethod(&m.h, t.h, 0.0, 1.0);
  GetRandomValueFromMethod(m.h, nullptr, nullptr);  // outputs may be NULL
}

TEST(GenerationMethods, DestroyLeavesTheHandleNull) {
  Dist t = Triangular();
  AbstractGenerationMethod* lhs = nullptr;
  AbstractGenerationMethod* mc = nullptr;
  CreateLatinCubeMethod(&lhs, t.h, 0.0, 1.0, 5);
  CreateMonteCarloMethod(&mc, t.h, 0.0, 1.0);
  ASSERT_NE(lhs, nullptr);
  ASSERT_NE(mc, nullptr);
  DestroyLatinCubeMethod(&lhs);
  DestroyMonteCarloMethod(&mc);
  EXPECT_EQ(lhs, nullptr);
  EXPECT_EQ(mc, nullptr);
}

TEST(IndexList, PositionsCountFromTheFront) {
  std::list<int> l{4, 8, 15, 16, 23};
  int out = -1;
  EXPECT_EQ(GetListElementByPosition(2, l, &out), 1);
  EXPECT_EQ(out, 15);
  EXPECT_EQ(GetListElementByPosition(5, l, &out), 0);
  EXPECT_EQ(out, 0);
  DeleteListElement(l, 0);
  DeleteListElement(l, 2);
  DeleteListElement(l, 3);  // the end: nothing
  EXPECT_EQ(l, (std::list<int>{8, 15, 23}));
}
