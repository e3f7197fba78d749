// The correlation manager as a host drives it through the flat interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "stoka/stoka.h"

namespace {

// Distributions and Latin hypercube methods of a small model, released in the
// right order (manager first, then methods, then distributions).
class Model {
 public:
  explicit Model(int strata = 500) : strata_(strata) {}
  ~Model() {
    DestroyCorrelationManager(&manager);
    for (auto& m : methods_) DestroyLatinCubeMethod(&m);
    for (auto& d : dists_) DestroyNormalDistribution(&d);
  }
  // A method over a new distribution; its identifier.
  stoka_id Add(int (*make)(IDistribution**), double min = 0.0, double max = 1.0) {
    IDistribution* d = nullptr;
    EXPECT_EQ(make(&d), 1);
    dists_.push_back(d);
    AbstractGenerationMethod* m = nullptr;
    CreateLatinCubeMethod(&m, d, min, max, strata_);
    EXPECT_NE(m, nullptr);
    methods_.push_back(m);
    return reinterpret_cast<stoka_id>(m);
  }
  IDistribution* Distribution(size_t i) const { return dists_[i]; }
  CorrelationManager* manager = nullptr;

 private:
  int strata_;
  std::vector<IDistribution*> dists_;
  std::vector<AbstractGenerationMethod*> methods_;
};

int Tri(IDistribution** h) { return CreateTriangularDistribution(1.2, -0.5, 4.75, h); }
int Nor(IDistribution** h) { return CreateNormalDistribution(2.385, 0.61, h); }
int Bet(IDistribution** h) { return CreateBetaDistribution(2.0, 3.0, 0.0, 10.0, h); }
int Uni(IDistribution** h) { return CreateUniformDistribution(-3.3, 8.1, h); }

std::vector<double> SampleOf(CorrelationManager* m, stoka_id id) {
  unsigned n = 0;
  const double* p = GetDistributedData(m, id, &n);
  return p ? std::vector<double>(p, p + n) : std::vector<double>();
}

std::vector<stoka_id> Listed(CorrelationManager* m) {
  unsigned n = 0;
  const stoka_id* p = GetAllDistributions(m, &n);
  return p ? std::vector<stoka_id>(p, p + n) : std::vector<stoka_id>();
}

void Seed(unsigned s) {
  std::srand(s);
  stoka_ran_seed(s);
}
}  // namespace

TEST(CorrelationManager, DefaultsAndSetters) {
  CorrelationManager* m = nullptr;
  ASSERT_EQ(CreateCorrelationManager(&m), 1);
  EXPECT_EQ(GetDataCount(m), 1000u);
  EXPECT_EQ(GetCorrelationTolerance(&m), 0.03);
  EXPECT_EQ(GetCorrelationMaxSteps(m), 10u);
  const struct {
    int (*set)(CorrelationManager*, double);
    double value;
    int code;
  } rows[] = {
      {[](CorrelationManager* h, double v) { return SetDataCount(h, unsigned(v)); }, 0, 5},
      {[](CorrelationManager* h, double v) { return SetDataCount(h, unsigned(v)); }, 2385, 0},
      {[](CorrelationManager* h, double v) { return SetCorrelationMaxSteps(h, unsigned(v)); }, 0, 4},
      {[](CorrelationManager* h, double v) { return SetCorrelationMaxSteps(h, unsigned(v)); }, 7, 0},
      {SetCorrelationTolerance, -0.01, 3},
      {SetCorrelationTolerance, 0.0, 3},
      {SetCorrelationTolerance, 5e-7, 3},
      {SetCorrelationTolerance, NAN, 3},
      {SetCorrelationTolerance, 0.0125, 0},
  };
  for (const auto& r : rows) EXPECT_EQ(r.set(m, r.value), r.code) << r.value;
  // Refused setters left the accepted values.
  EXPECT_EQ(GetDataCount(m), 2385u);
  EXPECT_EQ(GetCorrelationMaxSteps(m), 7u);
  EXPECT_EQ(GetCorrelationTolerance(&m), 0.0125);
  DestroyCorrelationManager(&m);
  EXPECT_EQ(m, nullptr);
  DestroyCorrelationManager(&m);
  DestroyCorrelationManager(nullptr);
}

TEST(CorrelationManager, CoefficientCodes) {
  Model x;
  ASSERT_EQ(CreateCorrelationManager(&x.manager), 1);
  const stoka_id a = x.Add(Tri), b = x.Add(Nor);
  const struct {
    stoka_id a, b;
    double c;
    int code;
  } rows[] = {
      {a, a, 1.0, 0},  {a, a, 0.5, 2},       {a, b, 1.0000001, 2}, {a, b, -1.5, 2},
      {a, b, NAN, 2},  {a, b, INFINITY, 2},  {a, 0, 0.5, 6},       {0, b, 0.5, 6},
      {a, b, -1.0, 0}, {b, a, 0.4375, 0},
  };
  for (const auto& r : rows) EXPECT_EQ(SetCorrelation(x.manager, r.a, r.b, r.c, 1), r.code) << r.c;
  EXPECT_EQ(GetCorrelation(x.manager, a, b), 0.4375);  // stored both ways
  EXPECT_EQ(GetCorrelation(x.manager, b, a), 0.4375);
  EXPECT_EQ(GetCorrelation(x.manager, a, a), 1.0);
  EXPECT_EQ(GetCorrelation(x.manager, a, 12345), 0.0);
  // The refused self-correlations stored nothing; a and b were registered by
  // the coefficient, in that order.
  EXPECT_EQ(Listed(x.manager), (std::vector<stoka_id>{a, b}));
}

TEST(CorrelationManager, RegistrationCodes) {
  Model x;
  CreateCorrelationManager(&x.manager);
  EXPECT_EQ(Listed(x.manager), std::vector<stoka_id>{});  // nothing built yet
  const stoka_id a = x.Add(Tri), b = x.Add(Nor), c = x.Add(Bet);
  EXPECT_EQ(AddDistribution(x.manager, c), 0);
  EXPECT_EQ(AddDistribution(x.manager, a), 0);
  EXPECT_EQ(AddDistribution(x.manager, a), 7);
  EXPECT_EQ(AddDistribution(x.manager, 0), 6);
  EXPECT_EQ(Listed(x.manager), (std::vector<stoka_id>{c, a}));
  // Without a rebuild the list does not yet show b.
  EXPECT_EQ(SetCorrelation(x.manager, a, b, 0.5, 0), 0);
  EXPECT_EQ(Listed(x.manager), (std::vector<stoka_id>{c, a}));
  EXPECT_EQ(RebuildDistributions(x.manager), 0);
  EXPECT_EQ(Listed(x.manager), (std::vector<stoka_id>{c, a, b}));
  EXPECT_EQ(RemoveDistribution(x.manager, 999), 0);  // unregistered: nothing
  EXPECT_EQ(Listed(x.manager), (std::vector<stoka_id>{c, a, b}));
  EXPECT_EQ(RemoveCorrelation(x.manager, 999, a), 6);
  EXPECT_EQ(RemoveCorrelation(x.manager, a, 999), 6);
  EXPECT_EQ(RemoveCorrelation(x.manager, a, c), 0);  // no such coefficient: fine
  EXPECT_EQ(RemoveCorrelation(x.manager, b, a), 0);
  EXPECT_EQ(GetCorrelation(x.manager, a, b), 0.0);
}

TEST(CorrelationManager, CyclesAreRefusedAndChainsRecalculated) {
  Model x;
  CreateCorrelationManager(&x.manager);
  SetDataCount(x.manager, 800);
  const stoka_id a = x.Add(Tri), b = x.Add(Nor), c = x.Add(Bet);
  SetCorrelation(x.manager, a, b, 0.6, 1);
  SetCorrelation(x.manager, b, c, -0.5, 1);
  SetCorrelation(x.manager, c, a, 0.3, 1);
  const double kept[] = {1.25, 2.5};
  SetDistributedData(x.manager, a, kept, 2);
  EXPECT_EQ(RebuildDistributions(x.manager), 1);
  EXPECT_EQ(RecalculateManager(x.manager), 1);
  EXPECT_EQ(SampleOf(x.manager, a), (std::vector<double>{1.25, 2.5}));  // untouched

  // A coefficient below 1e-6 is no edge: the triangle is a chain c - b - a... as
  // is the same triangle without the coefficient.
  for (bool remove : {false, true}) {
    if (remove)
      RemoveCorrelation(x.manager, c, a);
    else
      SetCorrelation(x.manager, c, a, 5e-7, 1);
    EXPECT_EQ(RebuildDistributions(x.manager), 0);
    Seed(9u);
    ASSERT_EQ(RecalculateManager(x.manager), 0);
    for (stoka_id id : {a, b, c}) EXPECT_EQ(SampleOf(x.manager, id).size(), 800u);
    double r = 0;
    ASSERT_EQ(CalculateCorrelation(x.manager, a, b, &r), 0);
    EXPECT_NEAR(r, 0.6, 0.03);
    ASSERT_EQ(CalculateCorrelation(x.manager, b, c, &r), 0);
    EXPECT_NEAR(r, -0.5, 0.03);
  }
}

TEST(CorrelationManager, OnlyRootsAreDrawnByTheirMethods) {
  // The root's sample is exactly its method's draws; a derived member ignores
  // its method's window (here the lowest tenth) and spans its distribution.
  Model x, twin;
  CreateCorrelationManager(&x.manager);
  SetDataCount(x.manager, 600);
  const stoka_id root = x.Add(Uni), child = x.Add(Tri, 0.0, 0.1);
  const stoka_id twin_root = twin.Add(Uni);
  SetCorrelation(x.manager, root, child, 0.7, 1);
  Seed(123u);
  ASSERT_EQ(RecalculateManager(x.manager), 0);
  Seed(123u);
  std::vector<double> own(600);
  for (double& v : own) GetRandomValueFromMethod(reinterpret_cast<AbstractGenerationMethod*>(twin_root), &v, nullptr);
  EXPECT_EQ(SampleOf(x.manager, root), own);
  const auto derived = SampleOf(x.manager, child);
  ASSERT_EQ(derived.size(), 600u);
  const double tenth = GetInverseCDFValue(x.Distribution(1), 0.1);
  EXPECT_GT(*std::max_element(derived.begin(), derived.end()), 3 * tenth);
}

TEST(CorrelationManager, ForestsAndLoneMembers) {
  // Two trees and a member without partners: every sample is filled, every
  // coefficient reached within the tolerance.
  Model x;
  CreateCorrelationManager(&x.manager);
  SetDataCount(x.manager, 3000);
  std::vector<stoka_id> id;
  int (*families[])(IDistribution**) = {Tri, Nor, Bet, Uni, Nor, Tri, Bet};
  for (auto f : families) id.push_back(x.Add(f));
  const struct {
    int a, b;
    double c;
  } edges[] = {{0, 1, 0.8}, {0, 2, -0.45}, {2, 3, 0.35}, {4, 5, 0.65}, {5, 6, -0.7}};
  for (const auto& e : edges) SetCorrelation(x.manager, id[e.a], id[e.b], e.c, 1);
  AddDistribution(x.manager, x.Add(Uni));
  Seed(31337u);
  ASSERT_EQ(RecalculateManager(x.manager), 0);
  for (stoka_id i : Listed(x.manager)) EXPECT_EQ(SampleOf(x.manager, i).size(), 3000u);
  for (const auto& e : edges) {
    double r = 0;
    ASSERT_EQ(CalculateCorrelation(x.manager, id[e.a], id[e.b], &r), 0);
    EXPECT_NEAR(r, e.c, 0.03) << e.a << "-" << e.b;
  }
}

TEST(CorrelationManager, DataCountOneLeavesDerivedSamplesEmpty) {
  Model x;
  CreateCorrelationManager(&x.manager);
  SetDataCount(x.manager, 1);
  const stoka_id a = x.Add(Tri), b = x.Add(Nor);
  SetCorrelation(x.manager, a, b, 0.5, 1);
  ASSERT_EQ(RecalculateManager(x.manager), 0);
  EXPECT_EQ(SampleOf(x.manager, a).size(), 1u);
  EXPECT_EQ(SampleOf(x.manager, b).size(), 0u);
  double r = 0;
  EXPECT_EQ(CalculateCorrelation(x.manager, a, b, &r), 8);
}

TEST(CorrelationManager, SamplesOutliveRemovalUntilTheNextRecalculation) {
  Model x;
  CreateCorrelationManager(&x.manager);
  SetDataCount(x.manager, 50);
  const stoka_id a = x.Add(Tri), b = x.Add(Nor);
  double r = 0;
  EXPECT_EQ(CalculateCorrelation(x.manager, a, b, &r), 6);  // not registered yet
  SetCorrelation(x.manager, a, b, 0.5, 1);
  EXPECT_EQ(CalculateCorrelation(x.manager, a, b, &r), 8);  // no sample yet
  ASSERT_EQ(RecalculateManager(x.manager), 0);
  const auto old = SampleOf(x.manager, b);
  EXPECT_EQ(RemoveDistribution(x.manager, b), 0);
  EXPECT_EQ(Listed(x.manager), (std::vector<stoka_id>{a}));
  EXPECT_EQ(GetCorrelation(x.manager, a, b), 0.0);
  EXPECT_EQ(SampleOf(x.manager, b), old);
  EXPECT_EQ(CalculateCorrelation(x.manager, a, b, &r), 6);  // samples exist, b unregistered
  ASSERT_EQ(RecalculateManager(x.manager), 0);
  unsigned n = 7;
  EXPECT_NE(GetDistributedData(x.manager, b, &n), nullptr);  // the entry stays, emptied
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(GetDistributedData(x.manager, 424242, &n), nullptr);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(SetDistributedData(x.manager, a, nullptr, 3), -1);
}

TEST(CorrelationManager, ClearCorrelationsKeepsRegistrations) {
  Model x;
  CreateCorrelationManager(&x.manager);
  const stoka_id a = x.Add(Tri), b = x.Add(Nor), c = x.Add(Bet);
  SetCorrelation(x.manager, a, b, 0.5, 1);
  SetCorrelation(x.manager, b, c, 0.25, 1);
  ClearCorrelations(x.manager);
  EXPECT_EQ(Listed(x.manager), (std::vector<stoka_id>{a, b, c}));
  EXPECT_EQ(GetCorrelation(x.manager, a, b), 0.0);
  EXPECT_EQ(GetCorrelation(x.manager, c, b), 0.0);
}

TEST(CorrelationManager, ReplaceDistribution) {
  Model x;
  CreateCorrelationManager(&x.manager);
  SetDataCount(x.manager, 40);
  const stoka_id a = x.Add(Tri), b = x.Add(Nor), c = x.Add(Bet), d = x.Add(Uni), e = x.Add(Uni);
  SetCorrelation(x.manager, a, b, 0.5, 1);
  SetCorrelation(x.manager, b, c, -0.25, 1);
  ASSERT_EQ(RecalculateManager(x.manager), 0);
  EXPECT_EQ(ReplaceDistribution(x.manager, a, c), 6);  // c registered: nothing changes
  EXPECT_EQ(GetCorrelation(x.manager, a, b), 0.5);
  EXPECT_EQ(SampleOf(x.manager, a).size(), 40u);
  EXPECT_EQ(ReplaceDistribution(x.manager, a, 0), 6);
  EXPECT_EQ(ReplaceDistribution(x.manager, a, a), 0);
  EXPECT_EQ(ReplaceDistribution(x.manager, e, d), 0);  // e unregistered: nothing
  EXPECT_EQ(Listed(x.manager), (std::vector<stoka_id>{a, b, c}));

  EXPECT_EQ(ReplaceDistribution(x.manager, b, d), 0);  // d takes b's place
  EXPECT_EQ(Listed(x.manager), (std::vector<stoka_id>{a, d, c}));
  EXPECT_EQ(GetCorrelation(x.manager, a, d), 0.5);
  EXPECT_EQ(GetCorrelation(x.manager, c, d), -0.25);
  EXPECT_EQ(GetCorrelation(x.manager, a, b), 0.0);
  EXPECT_EQ(SampleOf(x.manager, a).size(), 0u);  // every sample emptied

  AddDistribution(x.manager, e);  // no partners: the new one is still registered
  const stoka_id f = x.Add(Nor);
  EXPECT_EQ(ReplaceDistribution(x.manager, e, f), 0);
  EXPECT_EQ(Listed(x.manager), (std::vector<stoka_id>{a, d, c, f}));
}

TEST(CorrelationManager, SameSeedsGiveSameSamples) {
  // Two managers alike, over methods whose addresses run in a different order
  // from their registration: equal seeds, equal samples, bit for bit.
  auto build = [](Model& x, bool reversed) {
    CreateCorrelationManager(&x.manager);
    SetDataCount(x.manager, 700);
    int (*families[])(IDistribution**) = {Tri, Nor, Bet, Uni, Nor, Tri};
    std::vector<stoka_id> id(6);
    for (int k = 0; k < 6; ++k) {
      const int slot = reversed ? 5 - k : k;
      id[slot] = x.Add(families[slot]);
    }
    const struct {
      int a, b;
      double c;
    } edges[] = {{2, 0, 0.7}, {0, 1, 0.4}, {0, 3, -0.6}, {4, 5, 0.85}};
    for (const auto& e : edges) SetCorrelation(x.manager, id[e.a], id[e.b], e.c, 1);
    return id;
  };
  Model one, two;
  const auto ids_one = build(one, false);
  const auto ids_two = build(two, true);
  Seed(2718u);
  ASSERT_EQ(RecalculateManager(one.manager), 0);
  Seed(2718u);
  ASSERT_EQ(RecalculateManager(two.manager), 0);
  for (int k = 0; k < 6; ++k) {
    const auto s1 = SampleOf(one.manager, ids_one[k]);
    EXPECT_EQ(s1.size(), 700u);
    EXPECT_EQ(s1, SampleOf(two.manager, ids_two[k])) << k;
  }
}

TEST(CorrelationManager, IdentifiersHoldWholeHandles) {
  static_assert(sizeof(stoka_id) >= sizeof(void*), "an identifier holds a handle");
  Model x;
  CreateCorrelationManager(&x.manager);
  SetDataCount(x.manager, 30);
  const stoka_id a = x.Add(Tri), b = x.Add(Nor);
  SetCorrelation(x.manager, a, b, 0.9, 1);
  ASSERT_EQ(RecalculateManager(x.manager), 0);  // calls through both handles
  EXPECT_EQ(Listed(x.manager), (std::vector<stoka_id>{a, b}));
  if (sizeof(void*) > 4) {
    // Heap addresses of a 64-bit process lie above 2^32: the list keeps them whole.
    EXPECT_GT(a, stoka_id{0xffffffffu});
  }
}

TEST(CorrelationManager, NullManagerIsRefused) {
  CorrelationManager* none = nullptr;
  double r = 5;
  unsigned n = 9;
  EXPECT_EQ(GetDataCount(none), 0u);
  EXPECT_EQ(SetDataCount(none, 10), -1);
  EXPECT_TRUE(std::isnan(GetCorrelationTolerance(&none)));
  EXPECT_TRUE(std::isnan(GetCorrelationTolerance(nullptr)));
  EXPECT_EQ(SetCorrelationTolerance(none, 0.1), -1);
  EXPECT_EQ(GetCorrelationMaxSteps(none), 0u);
  EXPECT_EQ(SetCorrelationMaxSteps(none, 3), -1);
  EXPECT_EQ(AddDistribution(none, 1), -1);
  EXPECT_EQ(RemoveDistribution(none, 1), 0);
  EXPECT_EQ(ReplaceDistribution(none, 1, 2), -1);
  EXPECT_EQ(SetCorrelation(none, 1, 2, 0.5, 1), -1);
  EXPECT_TRUE(std::isnan(GetCorrelation(none, 1, 2)));
  EXPECT_EQ(RemoveCorrelation(none, 1, 2), -1);
  ClearCorrelations(none);
  EXPECT_EQ(CalculateCorrelation(none, 1, 2, &r), -1);
  EXPECT_EQ(SetDistributedData(none, 1, &r, 1), -1);
  EXPECT_EQ(GetDistributedData(none, 1, &n), nullptr);
  EXPECT_EQ(n, 0u);
  n = 9;
  EXPECT_EQ(GetAllDistributions(none, &n), nullptr);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(RebuildDistributions(none), 0);
  EXPECT_EQ(RecalculateManager(none), -1);
  EXPECT_EQ(CreateCorrelationManager(nullptr), 0);
}
