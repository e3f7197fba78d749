// GSL's error handler around the calls into the library.
#include "core/guard.hpp"

#include <gsl/gsl_errno.h>

#include <mutex>

namespace stoka {
namespace {
std::mutex scope_lock;
int open_scopes = 0;                          // scopes entered and not yet left
gsl_error_handler_t* host_handler = nullptr;  // the handler to put back
}  // namespace

GslErrorScope::GslErrorScope() noexcept {
  std::lock_guard<std::mutex> hold(scope_lock);
  if (open_scopes++ == 0) host_handler = gsl_set_error_handler_off();
}

GslErrorScope::~GslErrorScope() {
  std::lock_guard<std::mutex> hold(scope_lock);
  if (--open_scopes == 0) gsl_set_error_handler(host_handler);
}

void KeepGslErrorsOff() noexcept {
  std::lock_guard<std::mutex> hold(scope_lock);
  gsl_set_error_handler_off();
  // Inside a scope the last one out restores what it saved: make that "off"
  // (the handler just installed) instead of the host's.
  if (open_scopes > 0) host_handler = gsl_set_error_handler_off();
}

}  // namespace stoka
