// Handles a careless host gets wrong: destroyed twice through a copy, used
// after destruction, passed as another kind, registered with the manager while
// not a method, counts beyond the limits. Each gets the failure value of a
// NULL handle, and nothing behind the handle is read (the sanitized build
// would stop at the first read of freed memory).
#include <climits>

#include "support/twin_check.hpp"

namespace {

template <class T>
T* As(const void* p) {
  return reinterpret_cast<T*>(const_cast<void*>(p));
}
stoka_id Id(const void* p) { return reinterpret_cast<stoka_id>(p); }

double Drawn(AbstractGenerationMethod* m) {
  double value = 0, p = 0;
  GetRandomValueFromMethod(m, &value, &p);
  return std::isnan(p) ? value : -1.0;  // both NaN, or -1
}

TEST(Handles, MisuseGetsTheFailureValue) {
  IDistribution *d = nullptr, *normal = nullptr, *set = nullptr;
  AbstractGenerationMethod *mc = nullptr, *lhs = nullptr;
  CorrelationManager* m = nullptr;
  RankCorrelation* r = nullptr;
  const double few[4] = {2.385, 1.5, 7.25, 1.5};
  unsigned n = 7;
  ASSERT_TRUE(CreateNormalDistribution(10, 2, &normal) && CreateBetaDistribution(2.35, 4.1, 1.5, 9.25, &d) &&
              CreateDiscreteDistribution(few, 4, &set) && CreateCorrelationManager(&m) &&
              CreateRankCorrelation(&r, 3));
  CreateMonteCarloMethod(&mc, d, 0, 1);
  CreateLatinCubeMethod(&lhs, normal, 0, 1, 20);
  ASSERT_TRUE(mc && lhs);
  ASSERT_EQ(SetDataCount(m, 50), 0);
  std::srand(2385);
  ASSERT_TRUE(AddDistribution(m, Id(mc)) == 0 && SetCorrelation(m, Id(mc), Id(lhs), 0.5, 1) == 0 &&
              RecalculateManager(m) == 0);
  const double* before = GetDistributedData(m, Id(lhs), &n);
  const double first = before[0];
  rows::Check({
      // Kinds swapped: a method as a distribution and the other way round, a
      // manager and a distribution, a distribution registered as a method.
      ROW(GetCDFValue(As<IDistribution>(mc), 1.5), -1), ROW(GetMinValue(As<IDistribution>(m)), kInf),
      ROW(GetDistributionName(As<IDistribution>(r)) == nullptr, 1),
      ROW(Drawn(As<AbstractGenerationMethod>(d)), kNaN), ROW(GetDataCount(As<CorrelationManager>(d)), 0),
      ROW(SetDataCount(As<CorrelationManager>(r), 5), -1), ROW(GetRankCorrelation(As<RankCorrelation>(m), 0, 1), kNaN),
      ROW(AddDistribution(m, Id(d)), 6), ROW(SetCorrelation(m, Id(d), Id(mc), 0.5, 1), 6),
      ROW(ReplaceDistribution(m, Id(lhs), Id(m)), 6), ROW(AddDistribution(m, 2385), 6),
      // Counts above the limits, refused before the 4 values are read past.
      ROW(CreateDiscreteDistribution(few, UINT_MAX, &d), 0), ROW(CreateDiscreteDistribution(few, (1u << 26) + 1, &d), 0),
      ROW((GenericDiscreteSetValues(set, UINT_MAX, few), GenericDiscreteCDFValue(1.5, set)), 0.5),
      ROW(SetDistributedData(m, Id(mc), few, 51), 5), ROW(SetDistributedData(m, Id(mc), few, UINT_MAX), 5),
      ROW(SetDistributedData(m, Id(mc), few, 4), 0)});
  // Destroyed as another kind: nothing happens.
  IDistribution* copy = d;
  DestroyCorrelationManager(As<CorrelationManager*>(&copy));
  DestroyLatinCubeMethod(As<AbstractGenerationMethod*>(&copy));
  EXPECT_EQ(copy, d);
  EXPECT_EQ(GetCDFValue(d, 1.5), 0.0);
  // The distributions go first, under their methods: the methods answer
  // failure values, even when a new distribution takes the old memory, and
  // the manager refuses to draw, keeping its samples.
  IDistribution* dead = d;
  DestroyBetaDistribution(&d);
  DestroyNormalDistribution(&normal);
  ASSERT_TRUE(CreateUniformDistribution(1700, 1800, &normal));
  double low = 0, high = 0;
  MethodGetBounds(lhs, &low, &high);
  MethodSetBounds(mc, 2, 3);
  rows::Check({ROW(Drawn(lhs), kNaN), ROW(Drawn(mc), kNaN), ROW(low, kNaN), ROW(high, kNaN),
               ROW(GetCDFValue(dead, 1.5), -1), ROW(GetPDFValue(dead, 1.5), -1), ROW(GetInverseCDFValue(dead, 0.5), kInf),
               ROW(GetMaxValue(dead), -kInf), ROW(GenericDiscreteValueByCDF(0.5, dead), kNaN),
               ROW(GenericDiscreteGetValues(dead, &n) == nullptr && n == 0, 1), ROW(RecalculateManager(m), 6),
               ROW(GetDistributedData(m, Id(lhs), &n)[0], first), ROW(AddDistribution(m, Id(lhs)), 6)});
  AbstractGenerationMethod* methods[] = {mc, lhs};
  DestroyMonteCarloMethod(&mc);
  DestroyLatinCubeMethod(&lhs);
  EXPECT_EQ(RecalculateManager(m), 6);  // also with the methods gone
  for (AbstractGenerationMethod* gone : methods) RemoveDistribution(m, Id(gone));
  EXPECT_EQ(RecalculateManager(m), 0);
  // Destroyed twice through a copy, once through each kind.
  CorrelationManager* manager_copy = m;
  RankCorrelation* rank_copy = r;
  IDistribution* set_copy = set;
  DestroyCorrelationManager(&m);
  DestroyRankCorrelation(&r);
  DestroyDiscreteDistribution(&set);
  DestroyCorrelationManager(&manager_copy);
  DestroyRankCorrelation(&rank_copy);
  DestroyDiscreteDistribution(&set_copy);
  DestroyLatinCubeMethod(&methods[0]);
  rows::Check({ROW(GetDataCount(manager_copy), 0), ROW(RecalculateManager(manager_copy), -1),
               ROW(SetRankRepair(rank_copy, 1), -1), ROW(GenericDiscretePDFValue(1.5, set_copy), kNaN)});
  DestroyUniformDistribution(&normal);
}

// Every flat function that takes a handle or an identifier, from the lists:
// handed destroyed objects, objects of another kind or methods cut loose from
// their distribution, it answers and writes what it does for NULL (and 0 for
// identifiers), on the same plausible numbers.
struct Objects {
  IDistribution *live_d = nullptr, *over = nullptr, *dead_d = nullptr;
  AbstractGenerationMethod *live_m = nullptr, *loose_m = nullptr, *dead_m = nullptr;
  CorrelationManager *live_c[2] = {}, *dead_c = nullptr;
  RankCorrelation* dead_r = nullptr;
  // Live objects first, so that none takes the memory of a destroyed one.
  Objects() {
    CreateTriangularDistribution(2.385, 1.5, 9.25, &live_d);
    CreateMonteCarloMethod(&live_m, live_d, 0, 1);
    for (auto*& c : live_c) CreateCorrelationManager(&c), SetDataCount(c, 5);
    CreateNormalDistribution(2.385, 1.5, &over);
    CreateLatinCubeMethod(&loose_m, over, 0, 1, 7);
    DestroyNormalDistribution(&over);
    CreateNormalDistribution(2.385, 1.5, &dead_d);
    CreateMonteCarloMethod(&dead_m, dead_d, 0, 1);
    CreateCorrelationManager(&dead_c);
    CreateRankCorrelation(&dead_r, 3);
    const void* dead[] = {dead_d, dead_m, dead_c, dead_r};
    DestroyMonteCarloMethod(&dead_m);
    DestroyNormalDistribution(&dead_d);
    DestroyCorrelationManager(&dead_c);
    DestroyRankCorrelation(&dead_r);
    dead_d = As<IDistribution>(dead[0]), dead_m = As<AbstractGenerationMethod>(dead[1]);
    dead_c = As<CorrelationManager>(dead[2]), dead_r = As<RankCorrelation>(dead[3]);
  }
  ~Objects() {
    for (auto*& c : live_c) DestroyCorrelationManager(&c);
    DestroyMonteCarloMethod(&live_m);
    DestroyLatinCubeMethod(&loose_m);
    DestroyTriangularDistribution(&live_d);
  }
};

// The handles of one way of misuse; the baseline gets NULL and 0 in their
// places, and its own live manager where the misuse keeps one.
struct Misuse : twin::Round {
  const Objects& o;
  int way;
  bool baseline;
  template <class T>
  T Bad(const void* p) const {
    return baseline ? nullptr : As<std::remove_pointer_t<T>>(p);
  }
  template <class T>
  T Handle(int) const {
    if constexpr (std::is_same_v<T, IDistribution*>) {
      return Bad<T>(way % 2 ? static_cast<const void*>(o.live_m) : o.dead_d);
    } else if constexpr (std::is_same_v<T, AbstractGenerationMethod*>) {
      return Bad<T>(way == 0 ? static_cast<const void*>(o.dead_m) : way == 1 ? static_cast<const void*>(o.live_d) : o.loose_m);
    } else if constexpr (std::is_same_v<T, RankCorrelation*>) {
      return Bad<T>(way % 2 ? static_cast<const void*>(o.live_c[0]) : o.dead_r);
    } else if constexpr (std::is_same_v<T, CorrelationManager*>) {
      return way >= 2 ? o.live_c[baseline] : Bad<T>(way == 0 ? static_cast<const void*>(o.dead_c) : o.live_d);
    } else if constexpr (std::is_same_v<T, stoka_id>) {
      const void* ids[] = {o.dead_m, o.live_d, o.loose_m, o.dead_m};
      return baseline ? 0 : Id(ids[way]);
    } else {
      return T{};  // output callbacks and their user data: NULL
    }
  }
};

template <class T>
constexpr bool kHandle = std::is_same_v<T, IDistribution*> || std::is_same_v<T, AbstractGenerationMethod*> ||
                         std::is_same_v<T, CorrelationManager*> || std::is_same_v<T, RankCorrelation*> ||
                         std::is_same_v<T, stoka_id>;

template <class R, class... A>
void Misused(const char* name, R (*f)(A...)) {
  if constexpr ((kHandle<A> || ...)) {
    for (int way = 0; way < 4; ++way) {
      const Objects o;
      twin::Arena arenas[2] = {twin::Arena(0), twin::Arena(0)};
      Misuse misuse{{0}, o, way, false}, baseline{{0}, o, way, true};
      const auto got = args::Call(f, misuse, arenas[0]);
      const auto expected = args::Call(f, baseline, arenas[1]);
      EXPECT_TRUE(twin::Same(got, expected)) << name << ", misuse " << way;
      EXPECT_TRUE(twin::Same(arenas[0], arenas[1])) << name << " outputs, misuse " << way;
    }
  }
}

#define STOKA_CHECK_MISUSE(ret, name, params) Misused(#name, &::name);
#define STOKA_SKIP_TWINS(...)

TEST(Handles, EveryListRefusesWhatIsNotALiveHandle) {
  stoka_silence_output();
  STOKA_FLAT_CORE(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_CALC(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_DISCRETE(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_SAMPLING(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_CORRELATION(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_RANK(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_FIT(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_FIT_NORMAL(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  STOKA_FLAT_STATS(STOKA_SKIP_TWINS, STOKA_CHECK_MISUSE)
  stoka_default_output();
}

}  // namespace
