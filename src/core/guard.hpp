// The one guard at the C boundary: no exception leaves a flat function.
#ifndef STOKA_SRC_CORE_GUARD_HPP
#define STOKA_SRC_CORE_GUARD_HPP

#include "core/constants.hpp"

namespace stoka {

struct VoidResult {};

// Runs body; any exception turns into the function's documented failure value.
template <class R, class F>
R guard(R failure, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

template <class F>
void guard(VoidResult, F&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace stoka

#define STOKA_VOID (::stoka::VoidResult{})
#define STOKA_NAN (::stoka::kNaN)

// Generates the flat twins of one list: each forwards to name##_ under the guard.
#define STOKA_DEFINE_TWIN(ret, name, params, args, fail) \
  extern "C" STOKA_API ret name params {                 \
    return ::stoka::guard(fail, [&]() -> ret { return ::name##_ args; }); \
  }
#define STOKA_IGNORE_FLAT(ret, name, params)

#endif
