// GSL's process-wide error handler in tests: install one for a scope, and the
// handler that stoka_init leaves behind (errors come back as values). The
// object interface relies on that; a test that calls it directly holds
//   const GslHandler quiet(IgnoreGslError);
#ifndef STOKA_TESTS_GSL_HANDLER_HPP
#define STOKA_TESTS_GSL_HANDLER_HPP

#include <gsl/gsl_errno.h>

inline void IgnoreGslError(const char*, const char*, int, int) {}

// Installs handler (NULL: GSL's default, which aborts) and puts back the one
// it found.
class GslHandler {
 public:
  explicit GslHandler(gsl_error_handler_t* handler) : found_(gsl_set_error_handler(handler)) {}
  ~GslHandler() { gsl_set_error_handler(found_); }
  GslHandler(const GslHandler&) = delete;
  GslHandler& operator=(const GslHandler&) = delete;

 private:
  gsl_error_handler_t* found_;
};

// The handler in force, left in place.
inline gsl_error_handler_t* CurrentGslHandler() {
  gsl_error_handler_t* current = gsl_set_error_handler(nullptr);
  gsl_set_error_handler(current);
  return current;
}

#endif
