// libFuzzer harness over the flat interface: every function of the lists with
// decoded arguments, and sequences of create / query / draw / destroy on
// distribution handles.
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

// The handles a sequence holds; whatever is left is released at the end, in
// the order the host contract asks (distributions last).
struct Handles {
  std::vector<IDistribution*> distributions;

  IDistribution* Any(fuzz::Input& in) {
    if (distributions.empty() || in.Byte() % 8 == 0) return nullptr;
    return distributions[in.Pick(distributions.size())];
  }
  void ReleaseAll() {
    for (auto*& d : distributions) DestroyUniformDistribution(&d);
    distributions.clear();
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
  const size_t i = in.Pick(h.distributions.size());
  DestroyBetaDistribution(&h.distributions[i]);
  h.distributions.erase(h.distributions.begin() + static_cast<long>(i));
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
    } else if (op < 160) {
      CreateDistribution(in, h);
    } else if (op < 224) {
      QueryDistribution(in, h);
    } else {
      DestroyDistribution(in, h);
    }
  }
  h.ReleaseAll();
  fuzz::uniform_input = nullptr;
  return 0;
}
