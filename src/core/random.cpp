// The process-wide GSL stream with its stack of saved states, and the runtime
// generator behind KessaRandom.
#include <gsl/gsl_rng.h>

#include <cstdarg>
#include <cstdint>
#include <cstdlib>

#include "core/constants.hpp"
#include "core/stream.hpp"
#include "core/guard.hpp"
#include "stoka/core.hpp"

using stoka::kStackSlots;

extern "C" {
STOKA_API gsl_rng* r_global = nullptr;
STOKA_API gsl_rng* r_stack[kStackSlots] = {};
STOKA_API int r_stack_count = 0;
}

namespace {
// One draw of 0..32767. glibc's rand() spans 0..2^31-1, so take its high 15
// bits: the range and the divisor 32767.0 stay what every caller expects.
int rand15() {
#if RAND_MAX == 32767
  return std::rand();
#else
  static_assert(RAND_MAX == 2147483647, "rand() has an unexpected range");
  return std::rand() >> 16;
#endif
}

// A fresh stream of the type that GSL's environment settings chose; a stream
// already there is replaced.
void NewStream() {
  if (r_global) gsl_rng_free(r_global);
  r_global = gsl_rng_alloc(gsl_rng_default);
}
}  // namespace

void stoka_init_() {
  gsl_rng_env_setup();
  // GSL's errors are values for the rest of the process. Only the explicit init
  // does this: a stream opened on first use leaves the host's handler alone.
  stoka::KeepGslErrorsOff();
  NewStream();
}

void stoka_done_() {
  while (r_stack_count > 0) {
    --r_stack_count;
    gsl_rng_free(r_stack[r_stack_count]);
    r_stack[r_stack_count] = nullptr;
  }
  if (r_global) gsl_rng_free(r_global);
  r_global = nullptr;
}

gsl_rng* stoka_rng() {
  if (!r_global) {
    gsl_rng_env_setup();
    NewStream();
  }
  return r_global;
}

void stoka_ran_poke_state_() {
  if (r_stack_count >= kStackSlots) return;  // full: the save is refused
  gsl_rng* copy = gsl_rng_clone(stoka_rng());
  if (!copy) return;
  r_stack[r_stack_count++] = copy;
}

void stoka_ran_peek_state_() {
  if (r_stack_count <= 0) return;
  --r_stack_count;
  gsl_rng* saved = r_stack[r_stack_count];
  gsl_rng_memcpy(stoka_rng(), saved);
  gsl_rng_free(saved);
  r_stack[r_stack_count] = nullptr;
}

void stoka_ran_seed_(uint32_t seed) { gsl_rng_set(stoka_rng(), seed); }

void stoka_seed_all_(uint32_t seed) {
  stoka_ran_seed_(seed);
  std::srand(seed);
}

double stoka_ran_uniform_() { return gsl_rng_uniform(stoka_rng()); }

int KessaRandom15() { return rand15(); }

double KessaRandom() { return rand15() / 32767.0; }

int KessaRandomInt(int n) {
  if (n <= 0) return 0;
  if (n <= 32768) return rand15() % n;
  // 45 random bits: every position is reachable, the bias of the remainder is
  // below n / 2^45.
  const std::uint64_t high = static_cast<std::uint64_t>(rand15());
  const std::uint64_t mid = static_cast<std::uint64_t>(rand15());
  const std::uint64_t low = static_cast<std::uint64_t>(rand15());
  return static_cast<int>(((high << 30) | (mid << 15) | low) % static_cast<std::uint64_t>(n));
}

void debug_log(const char*, ...) {}
void init_logging() {}
void destroy_logging() {}
