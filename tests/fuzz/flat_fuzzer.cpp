// libFuzzer harness over the flat interface: every function of the lists with
// arguments decoded from the fuzzer's bytes (hostile doubles, small counts,
// buffers), in sequences that create, use and destroy distribution, method
// and correlation-manager handles, also carelessly: destroyed through copies,
// used after, passed as another kind. STOKA_FUZZ_BEFORE_INIT set in the
// environment: stoka_init is never called.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>
#include <vector>

#include "stoka/stoka.h"
#include "support/args.hpp"

namespace {

// The handles a sequence holds. They are released in the order the host
// contract asks (a method leaves every manager before it is destroyed, and a
// distribution outlives its methods), unless Destroy goes careless.
struct Method {
  AbstractGenerationMethod* handle;
  IDistribution* over;
};

struct Handles {
  std::vector<IDistribution*> distributions;
  std::vector<Method> methods;
  std::vector<CorrelationManager*> managers;
  std::vector<RankCorrelation*> ranks;  // of at most 6 quantities: 6 x 40 values fit an array
  std::vector<void*> dead;              // addresses of destroyed objects

  void* AnyAddress(uint8_t pick) {  // of any kind, live or not
    std::vector<void*> all(dead);
    all.insert(all.end(), distributions.begin(), distributions.end()), all.insert(all.end(), managers.begin(), managers.end());
    for (auto& m : methods) all.push_back(m.handle);
    return all.empty() ? nullptr : all[pick % all.size()];
  }

  void DestroyMethod(size_t i) {
    for (auto* m : managers) RemoveDistribution(m, reinterpret_cast<stoka_id>(methods[i].handle));
    DestroyLatinCubeMethod(&methods[i].handle);
    methods.erase(methods.begin() + static_cast<long>(i));
  }
  void DestroyDistribution(size_t i) {
    for (size_t k = methods.size(); k-- > 0;)
      if (methods[k].over == distributions[i]) DestroyMethod(k);
    DestroyBetaDistribution(&distributions[i]);
    distributions.erase(distributions.begin() + static_cast<long>(i));
  }
  void DestroyManager(size_t i) {
    DestroyCorrelationManager(&managers[i]);
    managers.erase(managers.begin() + static_cast<long>(i));
  }
  void ReleaseAll() {
    while (!managers.empty()) DestroyManager(0);
    for (auto*& r : ranks) DestroyRankCorrelation(&r);
    ranks.clear();
    for (auto& m : methods) DestroyLatinCubeMethod(&m.handle);  // loose ones too
    while (!distributions.empty()) DestroyDistribution(distributions.size() - 1);
    dead.clear();
  }
  // Takes over what a call created, up to 8 distributions and methods, 2
  // managers and 2 rank engines; the arena releases the rest.
  void Keep(args::Arena& arena, IDistribution* over) {
    for (auto& [d, m, c, r] : arena.out) {
      if (d && distributions.size() < 8) distributions.push_back(std::exchange(d, nullptr));
      if (m && methods.size() < 8) methods.push_back({std::exchange(m, nullptr), over});
      if (c && managers.size() < 2) managers.push_back(std::exchange(c, nullptr));
      if (r && ranks.size() < 2 && std::isnan(GetRankCorrelation(r, 6, 6))) ranks.push_back(std::exchange(r, nullptr));
    }
  }
};

// The fuzzer's bytes decoded into arguments (support/args.hpp): hostile and
// ordinary doubles, counts within the buffers, and handles among those held,
// now and then NULL, never dangling.
struct Input {
  const uint8_t* data;
  size_t size, pos;
  Handles& h;
  IDistribution* over = nullptr;  // the distribution a new method is made over
  bool empty() const { return pos >= size; }
  uint8_t Byte() { return pos < size ? data[pos++] : 0; }
  uint64_t Bits(int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | Byte();
    return v;
  }
  // NaN, infinities, denormals, huge, equal, percent codes, raw bits.
  double Real(int = 0) {
    static const double kTable[] = {
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308, 1e308, -1e308,
        1.7976931348623157e308, 1e-6, 1e-4, 0.5, 1.0, 2.0, 3.0, 10.0, 25.0, 50.0,
        75.0, 90.0, 99.0, 100.0, -2.0, -3.0, 0.3, 0.30011, 1e5, 0.999, 0.001, 2.385,
        -1.0, 7.25, 1e-300, 32767.0, 32768.0};
    constexpr size_t kCount = sizeof kTable / sizeof kTable[0];
    const uint8_t selector = Byte();
    if (selector < 160) return kTable[selector % kCount];
    if (selector < 224) return (static_cast<double>(Byte()) - 100.0) / (1 + Byte() % 16);
    const uint64_t bits = Bits(8);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  size_t Pick(size_t n) { return n == 0 ? 0 : Byte() % n; }
  int Int(int) { return static_cast<int>(Byte() % 44) - 3; }
  unsigned Unsigned(int) { return Byte() % 41; }
  bool Flag(int) { return Byte() % 2; }
  stoka_uniform_fn Uniform(int);
  template <class V>
  V Any(const std::vector<V>& v) {
    return v.empty() || Byte() % 8 == 0 ? V{} : v[Pick(v.size())];
  }
  template <class T>
  T Handle(int) {  // now and then any address held, destroyed or of another kind
    if constexpr (std::is_class_v<std::remove_pointer_t<T>> || std::is_same_v<T, stoka_id>)
      if (Byte() % 16 == 0) return (T)(h.AnyAddress(Byte()));
    if constexpr (std::is_same_v<T, IDistribution*>) return over = Any(h.distributions);
    else if constexpr (std::is_same_v<T, CorrelationManager*>) return Any(h.managers);
    else if constexpr (std::is_same_v<T, RankCorrelation*>) return Any(h.ranks);
    else if constexpr (std::is_same_v<T, AbstractGenerationMethod*>) return Any(h.methods).handle;
    else if constexpr (std::is_same_v<T, stoka_id>) return reinterpret_cast<stoka_id>(Any(h.methods).handle);
    else return T{};  // output callbacks and their user data: NULL
  }
};

// The uniform source handed to random functions: values from the fuzzer.
Input* uniform_input = nullptr;
double FuzzUniform() { return uniform_input ? uniform_input->Real() : 0.5; }
stoka_uniform_fn Input::Uniform(int) { return FuzzUniform; }

// Arrays for pointer arguments: the first 64 of each filled from the fuzzer
// (hostile now and then), the rest room for outputs.
struct Arena : args::Arena {
  explicit Arena(Input& in) {
    for (int i = 0; i < args::kArrays; ++i) {
      const bool hostile = in.Byte() % 4 == 0;
      for (int k = 0; k < 64; ++k) {
        doubles[i][k] = hostile ? in.Real() : 1.0 + 0.37 * ((k * 7 + i) % 29);
        unsigneds[i][k] = 1 + (k + i) % 5;
        ints[i][k] = k % 3;
      }
    }
  }
};

bool before_init = false;  // a decoded stoka_init is skipped: GSL's handler stays aborting

template <class R, class... A>
void Call(Input& in, R (*f)(A...)) {
  if (before_init && reinterpret_cast<void*>(f) == reinterpret_cast<void*>(&stoka_init)) return;
  Arena arena(in);
  in.over = nullptr;
  const auto result = args::Call(f, in, arena);
  if constexpr (std::is_same_v<R, double*> || std::is_same_v<R, int*>) std::free(result);
  in.h.Keep(arena, in.over);
  stoka_silence_output();  // the call may have set another sink
}

using Caller = void (*)(Input&);
#define FUZZ_CALL(ret, name, ...) [](Input& in) { Call(in, &::name); },
#define FUZZ_SKIP(...)

// Every twin of every list, then every function of the flat interface alone,
// in list order.
const Caller kTwins[] = {
    STOKA_FLAT_CORE(FUZZ_CALL, FUZZ_SKIP) STOKA_FLAT_CALC(FUZZ_CALL, FUZZ_SKIP)
    STOKA_FLAT_DISCRETE(FUZZ_CALL, FUZZ_SKIP) STOKA_FLAT_SAMPLING(FUZZ_CALL, FUZZ_SKIP)
    STOKA_FLAT_CORRELATION(FUZZ_CALL, FUZZ_SKIP) STOKA_FLAT_FIT(FUZZ_CALL, FUZZ_SKIP)
    STOKA_FLAT_FIT_NORMAL(FUZZ_CALL, FUZZ_SKIP) STOKA_FLAT_STATS(FUZZ_CALL, FUZZ_SKIP)};
const Caller kFlats[] = {
    STOKA_FLAT_CORE(FUZZ_SKIP, FUZZ_CALL) STOKA_FLAT_CALC(FUZZ_SKIP, FUZZ_CALL)
    STOKA_FLAT_DISCRETE(FUZZ_SKIP, FUZZ_CALL) STOKA_FLAT_SAMPLING(FUZZ_SKIP, FUZZ_CALL)
    STOKA_FLAT_CORRELATION(FUZZ_SKIP, FUZZ_CALL) STOKA_FLAT_RANK(FUZZ_SKIP, FUZZ_CALL)};

// Discrete sets from NULL arrays and over wide integer ranges, which decoded
// arguments never give.
void CreateDiscrete(Input& in) {
  Arena arena(in);
  IDistribution** d = &std::get<IDistribution*>(arena.out[0]);
  const unsigned n = in.Byte() % 41;
  const double* values = in.Byte() % 8 ? arena.doubles[0] : nullptr;
  const unsigned* weights = in.Byte() % 8 ? arena.unsigneds[0] : nullptr;
  switch (in.Byte() % 3) {
    case 0: CreateDiscreteUniformDistribution((in.Byte() % 44 - 3) * 1000, (in.Byte() % 44 - 3) * 1000, d); break;
    case 1: CreateDiscreteDistribution(values, n, d); break;
    default: CreateDiscreteDistributionWeighted(values, weights, n, d); break;
  }
  in.h.Keep(arena, nullptr);
}

// Destroys a held handle: a distribution with its methods, a method, or a
// manager; or any address held through a copy by any destroyer, the lists
// keeping it (a distribution under its methods, a method under managers).
void Destroy(Input& in) {
  Handles& h = in.h;
  switch (in.Byte() % 4) {
    case 0: if (!h.distributions.empty()) h.DestroyDistribution(in.Pick(h.distributions.size())); break;
    case 1: if (!h.methods.empty()) h.DestroyMethod(in.Pick(h.methods.size())); break;
    case 2: if (!h.managers.empty()) h.DestroyManager(in.Pick(h.managers.size())); break;
    default: {
      void *copy = h.AnyAddress(in.Byte()), *const address = copy;
      switch (in.Byte() % 4) {
        case 0: DestroyPertDistribution(reinterpret_cast<IDistribution**>(&copy)); break;
        case 1: DestroyLatinCubeMethod(reinterpret_cast<AbstractGenerationMethod**>(&copy)); break;
        case 2: DestroyCorrelationManager(reinterpret_cast<CorrelationManager**>(&copy)); break;
        default: DestroyRankCorrelation(reinterpret_cast<RankCorrelation**>(&copy)); break;
      }
      if (copy == nullptr && address != nullptr && h.dead.size() < 16) h.dead.push_back(address);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = [] {
    before_init = std::getenv("STOKA_FUZZ_BEFORE_INIT") != nullptr;
    if (!before_init) stoka_init();
    stoka_silence_output();
    return true;
  }();
  (void)started;
  Handles h;
  Input in{data, size, 0, h};
  uniform_input = &in;
  for (int step = 0; step < 64 && !in.empty(); ++step) {
    const uint8_t op = in.Byte();
    if (op < 128)
      kTwins[in.Bits(2) % std::size(kTwins)](in);
    else if (op < 232)
      kFlats[in.Byte() % std::size(kFlats)](in);
    else if (op < 242)
      CreateDiscrete(in);
    else
      Destroy(in);
  }
  h.ReleaseAll();
  uniform_input = nullptr;
  return 0;
}
