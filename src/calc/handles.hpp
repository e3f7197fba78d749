// Building distribution handles for the flat interface.
#ifndef STOKA_SRC_CALC_HANDLES_HPP
#define STOKA_SRC_CALC_HANDLES_HPP

#include <memory>

#include "core/guard.hpp"
#include "stoka/distribution.hpp"

namespace stoka {

// 1 and a new Dist around a new Gen(args...) in *out when the check passed;
// 0 with *out untouched when it did not, or when anything throws (the generator
// is released on every path).
template <class Dist, class Gen, class... Args>
int CreateDistribution(int check, IDistribution** out, Args... args) noexcept {
  if (check < 1 || out == nullptr) return 0;
  return guard(0, [&] {
    auto generator = std::make_unique<Gen>(args...);
    auto distribution = std::make_unique<Dist>(generator.get());
    generator.release();
    *out = distribution.release();
    return 1;
  });
}

}  // namespace stoka

#endif
