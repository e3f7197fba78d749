// libFuzzer harness over the flat interface: every function of the lists with
// decoded arguments, and sequences of create / query / draw / destroy on
// distribution, method and correlation-manager handles.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_input.hpp"
#include "stoka/stoka.h"

namespace {

using Caller = void (*)(fuzz::Input&);

#define FUZZ_TWIN(ret, name, params, args, fail) [](fuzz::Input& in) { fuzz::Call(in, &::name); },
#define FUZZ_SKIP(ret, name, params)

// Every twin of every list, in list order.
const Caller kTwins[] = {
    STOKA_FLAT_CORE(FUZZ_TWIN, FUZZ_SKIP)
    STOKA_FLAT_CALC(FUZZ_TWIN, FUZZ_SKIP)
    STOKA_FLAT_DISCRETE(FUZZ_TWIN, FUZZ_SKIP)
    STOKA_FLAT_SAMPLING(FUZZ_TWIN, FUZZ_SKIP)
    STOKA_FLAT_CORRELATION(FUZZ_TWIN, FUZZ_SKIP)
    STOKA_FLAT_FIT(FUZZ_TWIN, FUZZ_SKIP)
    STOKA_FLAT_FIT_NORMAL(FUZZ_TWIN, FUZZ_SKIP)
    STOKA_FLAT_STATS(FUZZ_TWIN, FUZZ_SKIP)
    nullptr};
constexpr size_t kTwinCount = sizeof kTwins / sizeof kTwins[0] - 1;

// The handles a sequence holds. They are released in the order the host
// contract asks: a method leaves every manager before it is destroyed, and a
// distribution outlives its methods.
struct Method {
  AbstractGenerationMethod* handle;
  IDistribution* over;
};

struct Handles {
  std::vector<IDistribution*> distributions;
  std::vector<Method> methods;
  std::vector<CorrelationManager*> managers;

  IDistribution* Any(fuzz::Input& in) {
    if (distributions.empty() || in.Byte() % 8 == 0) return nullptr;
    return distributions[in.Pick(distributions.size())];
  }
  AbstractGenerationMethod* AnyMethod(fuzz::Input& in) {
    if (methods.empty() || in.Byte() % 8 == 0) return nullptr;
    return methods[in.Pick(methods.size())].handle;
  }
  // A method's identifier, or now and then 0 (never a dangling one).
  stoka_id AnyId(fuzz::Input& in) { return reinterpret_cast<stoka_id>(AnyMethod(in)); }
  CorrelationManager* AnyManager(fuzz::Input& in) {
    if (managers.empty() || in.Byte() % 8 == 0) return nullptr;
    return managers[in.Pick(managers.size())];
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
  void ReleaseAll() {
    for (auto*& m : managers) DestroyCorrelationManager(&m);
    managers.clear();
    while (!distributions.empty()) DestroyDistribution(distributions.size() - 1);
  }
};

void CreateDistribution(fuzz::Input& in, Handles& h) {
  if (h.distributions.size() >= 8) return;
  IDistribution* d = nullptr;
  const double a = in.Real(), b = in.Real(), c = in.Real(), e = in.Real();
  int made = 0;
  switch (in.Byte() % 7) {
    case 0: made = CreateUniformDistribution(a, b, &d); break;
    case 1: made = CreateNormalDistribution(a, b, &d); break;
    case 2: made = CreateLogNormalDistribution(a, b, c, &d); break;
    case 3: made = CreateTriangularDistribution(a, b, c, &d); break;
    case 4: made = CreateLogTriangularDistribution(a, b, c, &d); break;
    case 5: made = CreatePertDistribution(a, b, c, &d); break;
    default: made = CreateBetaDistribution(a, b, c, e, &d); break;
  }
  if (made) h.distributions.push_back(d);
}

void QueryDistribution(fuzz::Input& in, Handles& h) {
  IDistribution* d = h.Any(in);
  const double x = in.Real();
  switch (in.Byte() % 7) {
    case 0: GetCDFValue(d, x); break;
    case 1: GetPDFValue(d, x); break;
    case 2: GetInverseCDFValue(d, x); break;
    case 3: GetSFValue(d, x); break;
    case 4: GetMinValue(d); break;
    case 5: GetMaxValue(d); break;
    default: GetDistributionName(d); break;
  }
}

void DestroyDistribution(fuzz::Input& in, Handles& h) {
  if (h.distributions.empty()) return;
  h.DestroyDistribution(in.Pick(h.distributions.size()));
}

void UseMethod(fuzz::Input& in, Handles& h) {
  double a = 0, b = 0;
  switch (in.Byte() % 6) {
    case 0:
    case 1: {
      IDistribution* d = h.Any(in);
      if (h.methods.size() >= 8 || d == nullptr) return;
      AbstractGenerationMethod* m = nullptr;
      if (in.Byte() % 2)
        CreateLatinCubeMethod(&m, d, in.Real(), in.Real(), in.SmallInt());
      else
        CreateMonteCarloMethod(&m, d, in.Real(), in.Real());
      if (m) h.methods.push_back({m, d});
      break;
    }
    case 2: GetRandomValueFromMethod(h.AnyMethod(in), &a, &b); break;
    case 3: MethodSetBounds(h.AnyMethod(in), in.Real(), in.Real()); break;
    case 4: MethodGetBounds(h.AnyMethod(in), &a, &b); break;
    default:
      if (!h.methods.empty()) h.DestroyMethod(in.Pick(h.methods.size()));
      break;
  }
}

void UseManager(fuzz::Input& in, Handles& h) {
  unsigned count = 0;
  double out = 0;
  fuzz::Arena arena(in);
  switch (in.Byte() % 16) {
    case 0: {
      CorrelationManager* m = nullptr;
      if (h.managers.size() < 2 && CreateCorrelationManager(&m)) h.managers.push_back(m);
      break;
    }
    case 1:
      if (!h.managers.empty()) {
        const size_t i = in.Pick(h.managers.size());
        DestroyCorrelationManager(&h.managers[i]);
        h.managers.erase(h.managers.begin() + static_cast<long>(i));
      }
      break;
    case 2: SetDataCount(h.AnyManager(in), in.SmallUnsigned()); break;
    case 3: AddDistribution(h.AnyManager(in), h.AnyId(in)); break;
    case 4: RemoveDistribution(h.AnyManager(in), h.AnyId(in)); break;
    case 5: {
      CorrelationManager* m = h.AnyManager(in);
      const stoka_id old_id = h.AnyId(in), new_id = h.AnyId(in);
      ReplaceDistribution(m, old_id, new_id);
      break;
    }
    case 6: {
      CorrelationManager* m = h.AnyManager(in);
      const stoka_id a = h.AnyId(in), b = h.AnyId(in);
      SetCorrelation(m, a, b, in.Real(), in.Byte() % 2);
      break;
    }
    case 7: {
      CorrelationManager* m = h.AnyManager(in);
      const stoka_id a = h.AnyId(in), b = h.AnyId(in);
      RemoveCorrelation(m, a, b);
      GetCorrelation(m, a, b);
      CalculateCorrelation(m, a, b, &out);
      break;
    }
    case 8: RecalculateManager(h.AnyManager(in)); break;
    case 9: GetDistributedData(h.AnyManager(in), h.AnyId(in), &count); break;
    case 10: GetAllDistributions(h.AnyManager(in), &count); break;
    case 11: SetCorrelationTolerance(h.AnyManager(in), in.Real()); break;
    case 12: SetCorrelationMaxSteps(h.AnyManager(in), in.SmallUnsigned()); break;
    case 13: {
      CorrelationManager* m = h.AnyManager(in);
      const stoka_id id = h.AnyId(in);
      SetDistributedData(m, id, arena.doubles[0].data(), in.SmallUnsigned());
      break;
    }
    case 14: RebuildDistributions(h.AnyManager(in)); break;
    default: {
      CorrelationManager* m = h.AnyManager(in);
      ClearCorrelations(m);
      GetCorrelationTolerance(&m);
      GetDataCount(m);
      GetCorrelationMaxSteps(m);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = [] {
    stoka_init();
    stoka_silence_output();
    return true;
  }();
  (void)started;
  fuzz::Input in(data, size);
  fuzz::uniform_input = &in;
  Handles h;
  for (int step = 0; step < 64 && !in.empty(); ++step) {
    const uint8_t op = in.Byte();
    if (op < 128) {
      kTwins[in.Bits(2) % kTwinCount](in);
    } else if (op < 150) {
      CreateDistribution(in, h);
    } else if (op < 180) {
      QueryDistribution(in, h);
    } else if (op < 190) {
      DestroyDistribution(in, h);
    } else if (op < 215) {
      UseMethod(in, h);
    } else {
      UseManager(in, h);
    }
  }
  h.ReleaseAll();
  fuzz::uniform_input = nullptr;
  return 0;
}
