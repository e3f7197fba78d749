// The correlation manager as a host drives it through the flat interface.

#include "stoka/correlation.hpp"
#include "support/rows.hpp"

namespace {

int Tri(IDistribution** h) { return CreateTriangularDistribution(1.2, -0.5, 4.75, h); }
int Nor(IDistribution** h) { return CreateNormalDistribution(2.385, 0.61, h); }
int Bet(IDistribution** h) { return CreateBetaDistribution(2.0, 3.0, 0.0, 10.0, h); }
int Uni(IDistribution** h) { return CreateUniformDistribution(-3.3, 8.1, h); }
int Ln5(IDistribution** h) { return CreateLogNormalDistribution(0.2, 0.5, 1.0, h); }
int Ln10(IDistribution** h) { return CreateLogNormalDistribution(0.2, 1.0, 1.0, h); }
using Ids = std::vector<stoka_id>;

// A manager over Latin hypercube methods of new distributions, released in the
// right order (manager first, then methods, then distributions).
struct Model {
  CorrelationManager* m = nullptr;
  std::vector<IDistribution*> dists;
  std::vector<AbstractGenerationMethod*> methods;
  explicit Model(unsigned count = 1000) {
    CreateCorrelationManager(&m);
    if (count != 1000) SetDataCount(m, count);
  }
  ~Model() {
    DestroyCorrelationManager(&m);
    for (auto& h : methods) DestroyLatinCubeMethod(&h);
    for (auto& d : dists) DestroyNormalDistribution(&d);
  }
  stoka_id Add(int (*make)(IDistribution**), double min = 0.0, double max = 1.0) {
    make(&dists.emplace_back());
    CreateLatinCubeMethod(&methods.emplace_back(), dists.back(), min, max, 500);
    return reinterpret_cast<stoka_id>(methods.back());
  }
  std::vector<double> Sample(stoka_id id) const {
    unsigned n = 0;
    const double* p = GetDistributedData(m, id, &n);
    return p ? std::vector<double>(p, p + n) : std::vector<double>();
  }
  Ids Listed() const {
    unsigned n = 0;
    const stoka_id* p = GetAllDistributions(m, &n);
    return p ? Ids(p, p + n) : Ids();
  }
};

void Seed(unsigned s) {
  std::srand(s);
  stoka_ran_seed(s);
}

// Setters refuse what is out of range and keep what they had; coefficients
// are refused with 2 (a self-correlation other than 1, |c| > 1, NaN,
// infinity), identifier 0 with 6; stored coefficients read both ways; the
// list of members follows the registration order, as of the last rebuild.
TEST(CorrelationManager, SettersCoefficientsRegistrationAndNull) {
  Model x;
  CorrelationManager* m = x.m;
  EXPECT_EQ(x.Listed(), Ids{});  // nothing built yet
  const stoka_id a = x.Add(Tri), b = x.Add(Nor), c = x.Add(Bet), d = x.Add(Uni);
  rows::Check({
      ROW(GetDataCount(m), 1000), ROW(GetCorrelationTolerance(&m), 0.03), ROW(GetCorrelationMaxSteps(m), 10),
      ROW(SetDataCount(m, 0), 5), ROW(SetDataCount(m, 2385), 0), ROW(SetCorrelationMaxSteps(m, 0), 4),
      ROW(SetCorrelationMaxSteps(m, 7), 0), ROW(SetCorrelationTolerance(m, -0.01), 3),
      ROW(SetCorrelationTolerance(m, 5e-7), 3), ROW(SetCorrelationTolerance(m, kNaN), 3),
      ROW(SetCorrelationTolerance(m, 0.0125), 0), ROW(GetDataCount(m), 2385), ROW(GetCorrelationMaxSteps(m), 7),
      ROW(GetCorrelationTolerance(&m), 0.0125), ROW(SetCorrelation(m, a, a, 1.0, 1), 0),
      ROW(SetCorrelation(m, a, a, 0.5, 1), 2), ROW(SetCorrelation(m, a, b, 1.0000001, 1), 2),
      ROW(SetCorrelation(m, a, b, kNaN, 1), 2), ROW(SetCorrelation(m, a, 0, 0.5, 1), 6),
      ROW(SetCorrelation(m, 0, b, 0.5, 1), 6), ROW(SetCorrelation(m, a, b, -1.0, 1), 0),
      ROW(SetCorrelation(m, b, a, 0.4375, 1), 0), ROW(GetCorrelation(m, a, b), 0.4375),
      ROW(GetCorrelation(m, b, a), 0.4375), ROW(GetCorrelation(m, a, a), 1), ROW(GetCorrelation(m, a, 12345), 0),
      ROW(AddDistribution(m, c), 0), ROW(AddDistribution(m, a), 7), ROW(AddDistribution(m, 0), 6),
      ROW(SetCorrelation(m, c, d, 0.5, 0), 0)});  // without a rebuild the list does not show d yet
  EXPECT_EQ(x.Listed(), (Ids{a, b, c}));
  EXPECT_EQ(RebuildDistributions(m), 0);
  EXPECT_EQ(x.Listed(), (Ids{a, b, c, d}));
  rows::Check({ROW(RemoveDistribution(m, 999), 0), ROW(RemoveCorrelation(m, 999, a), 6),
               ROW(RemoveCorrelation(m, a, 999), 6), ROW(RemoveCorrelation(m, a, c), 0),
               ROW(RemoveCorrelation(m, b, a), 0), ROW(GetCorrelation(m, a, b), 0),
               ROW((SetCorrelation(m, a, b, 0.5, 1), ClearCorrelations(m), GetCorrelation(m, a, b)), 0),
               ROW(GetCorrelation(m, d, c), 0)});
  EXPECT_EQ(x.Listed(), (Ids{a, b, c, d}));  // clearing keeps the registrations
  // A null manager gives -1, 0 or NaN (the walk over the flat lists meets
  // every function with one); null places are refused too.
  CorrelationManager* none = nullptr;
  unsigned n = 9;
  rows::Check({ROW(SetDataCount(none, 10), -1), ROW(GetCorrelationTolerance(&none), kNaN),
               ROW(GetCorrelationTolerance(nullptr), kNaN), ROW(GetDistributedData(none, 1, &n) == nullptr && n == 0, 1),
               ROW(CreateCorrelationManager(nullptr), 0), ROW(CountMissedCorrelations(m, 0), -1)});
  DestroyCorrelationManager(nullptr);
}

// A cycle is refused with 1 and leaves the samples untouched; a coefficient
// below 1e-6 is no edge, so the triangle is then a chain. Over a forest with a
// lone member every coefficient is reached within the tolerance; a root's
// sample is its method's draws, and a derived member ignores its method's
// window (here the lowest tenth) and spans its distribution. Two managers
// alike, over methods whose addresses run in another order than their
// registration, give equal samples for equal seeds, bit for bit.
TEST(CorrelationManager, CyclesChainsForestsAndSeeds) {
  Model x(800);
  const stoka_id a = x.Add(Tri), b = x.Add(Nor), c = x.Add(Bet);
  SetCorrelation(x.m, a, b, 0.6, 1);
  SetCorrelation(x.m, b, c, -0.5, 1);
  SetCorrelation(x.m, c, a, 0.3, 1);
  const double kept[] = {1.25, 2.5};
  SetDistributedData(x.m, a, kept, 2);
  EXPECT_TRUE(RebuildDistributions(x.m) == 1 && RecalculateManager(x.m) == 1);
  EXPECT_EQ(x.Sample(a), (std::vector<double>{1.25, 2.5}));
  SetCorrelation(x.m, c, a, 5e-7, 1);
  EXPECT_EQ(RebuildDistributions(x.m), 0);
  ASSERT_EQ(RecalculateManager(x.m), 0);
  EXPECT_EQ(x.Sample(c).size(), 800u);
  int (*families[])(IDistribution**) = {Uni, Nor, Bet, Uni, Nor, Tri, Bet, Tri, Uni};
  const struct {
    int a, b;
    double c;
  } edges[] = {{0, 1, 0.8}, {0, 2, -0.45}, {2, 3, 0.35}, {4, 5, 0.65}, {5, 6, -0.7}, {0, 7, 0.7}};
  Model f[2] = {Model(3000), Model(3000)}, twin;
  Ids id[2] = {Ids(9), Ids(9)};
  for (int k = 0; k < 9; ++k) {
    id[0][k] = f[0].Add(families[k], 0.0, k == 7 ? 0.1 : 1.0);
    id[1][8 - k] = f[1].Add(families[8 - k], 0.0, k == 1 ? 0.1 : 1.0);
  }
  for (int i : {0, 1}) {
    for (const auto& e : edges) SetCorrelation(f[i].m, id[i][e.a], id[i][e.b], e.c, 1);
    AddDistribution(f[i].m, id[i][8]);
    Seed(31337u);
    ASSERT_EQ(RecalculateManager(f[i].m), 0);
  }
  auto* root_method = reinterpret_cast<AbstractGenerationMethod*>(twin.Add(Uni));
  Seed(31337u);
  std::vector<double> own(3000);
  for (double& v : own) GetRandomValueFromMethod(root_method, &v, nullptr);
  EXPECT_EQ(f[0].Sample(id[0][0]), own);
  for (int k = 0; k < 9; ++k)
    EXPECT_TRUE(f[0].Sample(id[0][k]).size() == 3000 && f[0].Sample(id[0][k]) == f[1].Sample(id[1][k])) << k;
  for (const auto& e : edges) {
    double r = kNaN;
    EXPECT_EQ(CalculateCorrelation(f[0].m, id[0][e.a], id[0][e.b], &r), 0);
    EXPECT_NEAR(r, e.c, 0.03) << e.a << "-" << e.b;
  }
  const auto derived = f[0].Sample(id[0][7]);
  EXPECT_GT(*std::max_element(derived.begin(), derived.end()), 3 * GetInverseCDFValue(f[0].dists[7], 0.1));
  static_assert(sizeof(stoka_id) >= sizeof(void*), "an identifier holds a handle");
  if (sizeof(void*) > 4) EXPECT_GT(id[0][0], stoka_id{0xffffffffu});  // heap addresses above 2^32 kept whole
}

// With one value a derived sample stays empty, and recalculation says so (8),
// naming the member to the output sink.
// A replacement takes the old member's place and coefficients and empties
// every sample; a removed member's sample outlives it until the next
// recalculation, which empties it. A data count the machine cannot hold is
// refused (7) by recalculation and replacement, which keep the samples.
TEST(CorrelationManager, SmallSamplesReplacementAndRemoval) {
  Model x(1);
  const stoka_id a = x.Add(Tri), b = x.Add(Nor), c = x.Add(Bet), d = x.Add(Uni), e = x.Add(Uni);
  double r = 0;
  EXPECT_EQ(CalculateCorrelation(x.m, a, b, &r), 6);  // not registered yet
  SetCorrelation(x.m, a, b, 0.5, 1);
  EXPECT_EQ(CalculateCorrelation(x.m, a, b, &r), 8);  // no sample yet
  std::string said;
  stoka_set_output_callback([](const char* line, void* to) { *static_cast<std::string*>(to) += line; }, &said);
  ASSERT_EQ(RecalculateManager(x.m), 8);
  stoka_default_output();
  EXPECT_TRUE(x.Sample(a).size() == 1 && x.Sample(b).empty() && CalculateCorrelation(x.m, a, b, &r) == 8 &&
              said.find(std::to_string(b)) != std::string::npos);
  SetDataCount(x.m, 40);
  SetCorrelation(x.m, b, c, -0.25, 1);
  ASSERT_EQ(RecalculateManager(x.m), 0);
  rows::Check({ROW(ReplaceDistribution(x.m, a, c), 6), ROW(ReplaceDistribution(x.m, a, 0), 6),
               ROW(ReplaceDistribution(x.m, a, a), 0), ROW(ReplaceDistribution(x.m, e, d), 0),
               ROW(GetCorrelation(x.m, a, b), 0.5), ROW(x.Sample(a).size(), 40),
               ROW(ReplaceDistribution(x.m, b, d), 0), ROW(GetCorrelation(x.m, a, d), 0.5),
               ROW(GetCorrelation(x.m, c, d), -0.25), ROW(GetCorrelation(x.m, a, b), 0), ROW(x.Sample(a).size(), 0)});
  EXPECT_EQ(x.Listed(), (Ids{a, d, c}));
  AddDistribution(x.m, e);  // no partners: the new one is still registered
  const stoka_id f = x.Add(Nor);
  EXPECT_EQ(ReplaceDistribution(x.m, e, f), 0);
  EXPECT_EQ(x.Listed(), (Ids{a, d, c, f}));
  ASSERT_EQ(RecalculateManager(x.m), 0);
  const auto old = x.Sample(d);
  EXPECT_EQ(RemoveDistribution(x.m, d), 0);
  EXPECT_EQ(x.Listed(), (Ids{a, c, f}));
  EXPECT_EQ(x.Sample(d), old);
  EXPECT_EQ(CalculateCorrelation(x.m, a, d, &r), 6);  // samples exist, d unregistered
  ASSERT_EQ(RecalculateManager(x.m), 0);
  unsigned n = 7;
  EXPECT_TRUE(GetDistributedData(x.m, d, &n) != nullptr && n == 0);  // the entry stays, emptied
  EXPECT_TRUE(GetDistributedData(x.m, 424242, &n) == nullptr && SetDistributedData(x.m, a, nullptr, 3) == -1);
  // One call fills a sample as a loop of draws and SetDistributedData would.
  const stoka_id g = x.Add(Bet), h = x.Add(Bet);
  std::vector<double> loop(1300);
  Seed(5u);
  for (double& v : loop) GetRandomValueFromMethod(reinterpret_cast<AbstractGenerationMethod*>(g), &v, nullptr);
  const int next = std::rand();
  Seed(5u);
  AddDistribution(x.m, h);
  SetDataCount(x.m, 1300);
  rows::Check({ROW(FillDistributedData(x.m, h, 1300), 0), ROW(x.Sample(h) == loop, 1), ROW(std::rand(), next),
               ROW(FillDistributedData(x.m, h, 0), 5), ROW(FillDistributedData(x.m, h, 1301), 5), ROW(FillDistributedData(x.m, g, 9), 6),
               ROW(FillDistributedData(nullptr, h, 9), -1), ROW(x.Sample(h).size(), 1300), ROW(x.Sample(g).size(), 0)});
  const auto kept = (SetDataCount(x.m, 40), RecalculateManager(x.m), x.Sample(a));
  for (int i = 0; i < 44; ++i) SetDistributedData(x.m, x.Add(Nor), &kInf, 1);  // 48 samples of 2^32 doubles: over 1 TB
  EXPECT_TRUE(SetDataCount(x.m, 0xffffffffu) == 0 && RecalculateManager(x.m) == 7 &&
              ReplaceDistribution(x.m, a, x.Add(Tri)) == 7 && x.Sample(a) == kept && kept.size() == 40);
}

// Attempts keep a share |c| and reach about c * rho_max. Normal against
// LogNormal(sigma s) allows rho_max = s / sqrt(e^(s^2) - 1): 0.943 for s = 0.5,
// where +-0.9 lands near +-0.85 after every attempt and the manager searches
// on until it is met; 0.763 for s = 1, where +-0.9 is reported missed and ends
// at its bound. A pair the attempts meet is theirs bit for bit. Normal against
// Normal under a tolerance of 2e-4 overshoots (-0.55, 0.15) and falls short.
TEST(CorrelationManager, MissedTargetsSearchedAndReported) {
  const struct { int (*child)(IDistribution**); double target, bound; int met, by_attempts; double tolerance = 0.03; }
      rows[] = {{Ln5, 0.9, 0.943, 1, 0}, {Ln5, -0.9, -0.943, 1, 0}, {Ln10, 0.9, 0.763, 0, 0},
                {Ln10, -0.9, -0.763, 0, 0}, {Ln5, 0.6, 0.943, 1, 1}, {Nor, 0.35, 1, 1, 1, 2e-4},
                {Nor, -0.55, -1, 1, 0, 2e-4}, {Nor, 0.7, 1, 1, 0, 2e-4}, {Nor, 0.15, 1, 1, 0, 2e-4}};
  for (const auto& row : rows) {
    Model x(20000);
    const stoka_id a = x.Add(Nor), b = x.Add(row.child);
    double r = kNaN, bound = kNaN;
    int met = -1;
    unsigned missed = 7;
    EXPECT_TRUE(SetCorrelation(x.m, a, b, row.target, 1) == 0 && SetCorrelationTolerance(x.m, row.tolerance) == 0 &&
                GetCorrelationOutcome(x.m, a, b, &r, &met, &bound) == 8 && CountMissedCorrelations(x.m, &missed) == 0 &&
                missed == 1 && met == -1);  // no sample yet
    Seed(2385u);
    ASSERT_EQ(RecalculateManager(x.m), 0);
    std::vector<double> own(20000);
    Seed(2385u);
    for (double& v : own) GetRandomValueFromMethod(x.methods[0], &v, nullptr);
    const auto alone = MakeCorrelated(own, x.dists[0], x.dists[1], row.target, row.tolerance, 10);
    ASSERT_TRUE(GetCorrelationOutcome(x.m, a, b, &r, &met, &bound) == 0 &&
                GetCorrelationOutcome(x.m, a, b, nullptr, nullptr, nullptr) == 0);
    EXPECT_TRUE(met == row.met && CountMissedCorrelations(x.m, &missed) == 0 && missed == 1u - met);
    EXPECT_NEAR(bound, row.bound, 0.02);
    EXPECT_NEAR(r, row.met ? row.target : bound, row.met ? row.tolerance : 1e-12) << row.target;
    EXPECT_EQ(x.Sample(b) == alone, row.by_attempts == 1);
    EXPECT_EQ(std::fabs(Correlation(alone, own) - row.target) <= row.tolerance, row.by_attempts == 1);
  }
}

// The cycle answer, kept through a long random sequence of edits, against
// that of a new manager given only the coefficients that stand.
TEST(CorrelationManager, CycleAnswerFollowsEveryEdit) {
  Model x;
  Ids id;
  for (int i = 0; i < 7; ++i) id.push_back(x.Add(Tri));
  std::srand(2385u);
  for (int step = 0; step < 3000; ++step) {
    const stoka_id a = id[std::rand() % 7], b = id[std::rand() % 7];
    const int what = std::rand() % 10;
    if (what == 0) RemoveDistribution(x.m, a);
    if (what == 1) RemoveCorrelation(x.m, a, b);
    if (what == 2 && step % 500 == 2) ClearCorrelations(x.m);
    if (what == 3) ReplaceDistribution(x.m, a, b);
    if (what > 3) SetCorrelation(x.m, a, b, std::vector<double>{0.35, -0.6, 5e-7, 0.0}[std::rand() % 4], 1);
    Model fresh;
    for (stoka_id u : x.Listed())
      for (stoka_id v : id)
        if (u < v) SetCorrelation(fresh.m, u, v, GetCorrelation(x.m, u, v), 0);
    ASSERT_EQ(RebuildDistributions(x.m), RebuildDistributions(fresh.m)) << "step " << step;
  }
}

}  // namespace
