// The process-wide GSL stream as the library's own draws reach it.
#ifndef STOKA_SRC_CORE_STREAM_HPP
#define STOKA_SRC_CORE_STREAM_HPP

#include <gsl/gsl_rng.h>

// The stream, created on first use when the host has not called stoka_init.
gsl_rng* stoka_rng();

// One raw draw of the runtime generator, 0..kKessaMax: KessaRandom() is this
// draw over kKessaMax (as a double). Its 32768 outcomes let a caller keep what
// it computes from KessaRandom in a table by outcome.
constexpr int kKessaMax = 32767;
int KessaRandom15();

#endif
