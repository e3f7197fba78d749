// The one guard at the C boundary: no exception leaves a flat function, and no
// GSL error aborts the host.
#ifndef STOKA_SRC_CORE_GUARD_HPP
#define STOKA_SRC_CORE_GUARD_HPP

#include "core/constants.hpp"
#include "core/registry.hpp"

namespace stoka {

// GSL reports an error through one process-wide handler, which aborts unless it
// is switched off. For the length of a call into the library it is off, so GSL's
// errors come back as values; on the way out the host's handler is back. Scopes
// nest, and overlap on several threads: the first one in saves the host's
// handler and switches it off, the last one out puts it back.
class GslErrorScope {
 public:
  GslErrorScope() noexcept;
  ~GslErrorScope();
  GslErrorScope(const GslErrorScope&) = delete;
  GslErrorScope& operator=(const GslErrorScope&) = delete;
};

// Switches GSL's handler off for the rest of the process, also when called
// inside a scope (the scope then leaves it off): what stoka_init promises.
void KeepGslErrorsOff() noexcept;

struct VoidResult {};

// Runs body with GSL's handler off; any exception turns into the function's
// documented failure value.
template <class R, class F>
R guard(R failure, F&& body) noexcept {
  const GslErrorScope quiet;
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

template <class F>
void guard(VoidResult, F&& body) noexcept {
  const GslErrorScope quiet;
  try {
    body();
  } catch (...) {
  }
}

// The guard over a host's handle: body(object) when the handle is a live,
// usable object of the kind its type names (registry.hpp); the failure value
// otherwise, as for NULL, without reading anything behind the handle.
template <class R, class T, class F>
R guard(R failure, T* handle, F&& body) noexcept {
  T* object = Checked(handle);
  if (object == nullptr) return failure;
  return guard(failure, [&]() -> R { return body(*object); });
}

template <class T, class F>
void guard(VoidResult, T* handle, F&& body) noexcept {
  if (T* object = Checked(handle)) guard(VoidResult{}, [&] { body(*object); });
}

// Destroys the object behind a host's handle variable under the guard and sets
// the variable to NULL. A NULL place, and a handle that is not a live object of
// the kind (destroyed already, through a copy; another kind), are left alone.
template <class T>
void Destroy(T** handle) noexcept {
  if (handle == nullptr || !IsLive(*handle, HandleKind<T>::kKind)) return;
  guard(VoidResult{}, [&] { delete *handle; });
  *handle = nullptr;
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
