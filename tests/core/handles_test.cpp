// Handles a careless host gets wrong get what NULL gets, and nothing behind
// them is read (the sanitized build stops at any read of freed memory).
#include <climits>

#include "support/twin_check.hpp"

namespace {

template <class T>
T* As(const void* p) { return static_cast<T*>(const_cast<void*>(p)); }
stoka_id Id(const void* p) { return reinterpret_cast<stoka_id>(p); }

// Live objects, then destroyed ones (none takes a destroyed one's memory).
struct Objects {
  IDistribution *d = nullptr, *dead_d = nullptr, *gone = nullptr;
  AbstractGenerationMethod *m = nullptr, *loose = nullptr, *dead_m = nullptr;
  CorrelationManager *c[2] = {}, *dead_c = nullptr;
  RankCorrelation* dead_r = nullptr;
  Objects() {
    CreateTriangularDistribution(2.385, 1.5, 9.25, &d), CreateMonteCarloMethod(&m, d, 0, 1), CreateCorrelationManager(&c[0]), CreateCorrelationManager(&c[1]);
    CreateNormalDistribution(2.385, 1.5, &gone), CreateLatinCubeMethod(&loose, gone, 0, 1, 7), DestroyNormalDistribution(&gone);
    CreateNormalDistribution(2.385, 1.5, &dead_d), CreateMonteCarloMethod(&dead_m, dead_d, 0, 1), CreateCorrelationManager(&dead_c), CreateRankCorrelation(&dead_r, 3);
    const void* dead[] = {dead_d, dead_m, dead_c, dead_r};
    DestroyMonteCarloMethod(&dead_m), DestroyNormalDistribution(&dead_d), DestroyCorrelationManager(&dead_c), DestroyRankCorrelation(&dead_r);
    dead_d = As<IDistribution>(dead[0]), dead_m = As<AbstractGenerationMethod>(dead[1]), dead_c = As<CorrelationManager>(dead[2]), dead_r = As<RankCorrelation>(dead[3]);
  }
  ~Objects() { DestroyCorrelationManager(&c[0]), DestroyCorrelationManager(&c[1]), DestroyMonteCarloMethod(&m), DestroyLatinCubeMethod(&loose), DestroyTriangularDistribution(&d); }
};

// Ways of misuse: destroyed, another kind, then with a live manager: methods
// cut loose, a distribution or a destroyed method as identifiers. The
// baseline has NULL and 0 in their places (and its own live manager).
struct Misuse : twin::Round {
  const Objects& o;
  int way;
  bool baseline;
  template <class T>
  T Handle(int) const {
    const void* bad[][5] = {{o.dead_d, o.dead_m, o.dead_c, o.dead_r, o.dead_m}, {o.m, o.d, o.d, o.c[0], o.d},
                            {o.dead_d, o.loose, 0, o.dead_r, o.loose}, {o.m, o.dead_m, 0, o.d, o.d}, {o.m, o.d, 0, o.d, o.dead_m}};
    const auto pick = [&](int k) { return baseline ? nullptr : bad[way][k]; };
    if constexpr (std::is_same_v<T, IDistribution*>) return As<IDistribution>(pick(0));
    else if constexpr (std::is_same_v<T, AbstractGenerationMethod*>) return As<AbstractGenerationMethod>(pick(1));
    else if constexpr (std::is_same_v<T, CorrelationManager*>) return way >= 2 ? o.c[baseline] : As<CorrelationManager>(pick(2));
    else if constexpr (std::is_same_v<T, RankCorrelation*>) return As<RankCorrelation>(pick(3));
    else if constexpr (std::is_same_v<T, stoka_id>) return Id(pick(4));
    else return T{};
  }
};

template <class T>
constexpr bool kHandle = std::is_same_v<T, IDistribution*> || std::is_same_v<T, AbstractGenerationMethod*> ||
                         std::is_same_v<T, CorrelationManager*> || std::is_same_v<T, RankCorrelation*> || std::is_same_v<T, stoka_id>;
template <class R, class... A>
void Misused(const char* name, R (*f)(A...)) {
  for (int way = 0; (kHandle<A> || ...) && way < 5; ++way) {
    const Objects o;
    twin::Arena arenas[2] = {twin::Arena(0), twin::Arena(0)};
    Misuse misuse{{0}, o, way, false}, baseline{{0}, o, way, true};
    const auto got = args::Call(f, misuse, arenas[0]);
    EXPECT_TRUE(twin::Same(got, args::Call(f, baseline, arenas[1])) && twin::Same(arenas[0], arenas[1])) << name << " " << way;
  }
}
#define STOKA_CHECK_MISUSE(ret, name, params) Misused(#name, &::name);
#define STOKA_SKIP_TWINS(...)

// Every function of the lists that takes a handle or an identifier.
TEST(Handles, EveryListTreatsMisuseAsNull) {
  STOKA_FLAT_CALC(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_DISCRETE(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_SAMPLING(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_CORRELATION(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_RANK(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
}

// A manager whose methods lose their distributions (one's memory taken by a
// new one), then the methods; destroyers through copies; counts past arrays.
TEST(Handles, LifetimesAndCounts) {
  const double few[4] = {2.385, 1.5, 7.25, 1.5};
  IDistribution *d = nullptr, *normal = nullptr, *set = nullptr;
  AbstractGenerationMethod *mc = nullptr, *lhs = nullptr;
  CorrelationManager* m = nullptr;
  CreateBetaDistribution(2.35, 4.1, 1.5, 9.25, &d), CreateNormalDistribution(10, 2, &normal), CreateDiscreteDistribution(few, 4, &set);
  CreateCorrelationManager(&m), SetDataCount(m, 50), CreateMonteCarloMethod(&mc, d, 0, 1), CreateLatinCubeMethod(&lhs, normal, 0, 1, 20);
  ASSERT_TRUE(AddDistribution(m, Id(mc)) == 0 && SetCorrelation(m, Id(mc), Id(lhs), 0.5, 1) == 0 && RecalculateManager(m) == 0);
  unsigned n = 0;
  double first = GetDistributedData(m, Id(lhs), &n)[0], value = 0, p = 0;
  IDistribution* copy = d;
  DestroyCorrelationManager(As<CorrelationManager*>(&copy)), DestroyLatinCubeMethod(As<AbstractGenerationMethod*>(&copy));
  rows::Check({ROW(copy == d && GetCDFValue(d, 1.5) == 0, 1), ROW(CreateDiscreteDistribution(few, UINT_MAX, &d), 0),
               ROW(CreateDiscreteDistribution(few, (1u << 26) + 1, &d), 0), ROW((GenericDiscreteSetValues(set, UINT_MAX, few), GenericDiscreteCDFValue(1.5, set)), 0.5),
               ROW(SetDistributedData(m, Id(mc), few, 51), 5), ROW(SetDistributedData(m, Id(mc), few, UINT_MAX), 5)});
  DestroyBetaDistribution(&d), DestroyNormalDistribution(&normal), CreateUniformDistribution(1700, 1800, &normal);
  GetRandomValueFromMethod(lhs, &value, &p);
  rows::Check({ROW(value, kNaN), ROW(p, kNaN), ROW(GetRandomValuesFromMethod(lhs, 1, &value, &p), 0), ROW(FillDistributedData(m, Id(lhs), 5), 6),
               ROW(RecalculateManager(m), 6), ROW(GetDistributedData(m, Id(lhs), &n)[0], first)});
  AbstractGenerationMethod* methods[] = {mc, lhs};
  CorrelationManager* manager = m;
  DestroyMonteCarloMethod(&mc), DestroyLatinCubeMethod(&lhs), DestroyLatinCubeMethod(&methods[0]);
  EXPECT_EQ(RecalculateManager(m), 6);
  for (AbstractGenerationMethod* gone : methods) RemoveDistribution(m, Id(gone));
  EXPECT_EQ(RecalculateManager(m), 0);
  DestroyCorrelationManager(&m), DestroyCorrelationManager(&manager), DestroyDiscreteDistribution(&set), DestroyUniformDistribution(&normal);
  EXPECT_TRUE(manager != nullptr && methods[0] != nullptr);  // a destroyed handle's variable is left alone
}

}  // namespace
