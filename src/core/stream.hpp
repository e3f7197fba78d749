// The process-wide GSL stream as the library's own draws reach it.
#ifndef STOKA_SRC_CORE_STREAM_HPP
#define STOKA_SRC_CORE_STREAM_HPP

#include <gsl/gsl_rng.h>

// The stream, created on first use when the host has not called stoka_init.
gsl_rng* stoka_rng();

#endif
