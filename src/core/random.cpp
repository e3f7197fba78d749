// The process-wide GSL stream with its stack of saved states, and the runtime
// generator behind KessaRandom.
#include <gsl/gsl_rng.h>

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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
  stoka::RuntimeCalls calls;
  return stoka::RandomInt(calls, n);
}

namespace stoka {
namespace {
#if defined(__GLIBC__) && RAND_MAX == 2147483647
// glibc's generator types (random(3)): the degree and separation of each.
constexpr int kTypes = 5;
constexpr int kDegree[kTypes] = {0, 7, 15, 31, 63};
constexpr int kSeparation[kTypes] = {0, 3, 1, 3, 1};

// A state of type 0 that glibc draws from while its own is set aside.
std::int32_t spare[2] = {0, 1};

// Sets glibc's state aside: its buffer (word -1 holds 5 * rear + type), or null.
char* SetAside() { return setstate(reinterpret_cast<char*>(spare)); }

// Where a set-aside state stands; false for a type this stepping does not know.
bool Read(char* buffer, int* type, int* rear) {
  const std::int32_t word = reinterpret_cast<std::int32_t*>(buffer)[0];
  if (word < 0) return false;
  *type = word % kTypes;
  *rear = word / kTypes;
  return *type == 0 || *rear < kDegree[*type];
}

// Takes over the set-aside state without a check.
void Take(char* buffer, std::int32_t** state, int* type, int* degree, int* front, int* rear) {
  *state = reinterpret_cast<std::int32_t*>(buffer) + 1;
  *degree = kDegree[*type];
  *front = *degree == 0 ? 0 : (*rear + kSeparation[*type]) % *degree;
}

// The stepping of a set-aside state of this type and rear, run on a copy,
// against rand() itself; glibc's state is put back as it was.
bool SteppingMatchesRand(char* buffer, int type, int rear) {
  constexpr int kDraws = 200;  // more than three turns of the largest state
  const int words = (type == 0 ? 1 : kDegree[type]) + 1;  // word -1 and the state
  std::int32_t saved[64 + 1], copy[64 + 1];
  std::memcpy(saved, buffer, sizeof(std::int32_t) * words);
  std::memcpy(copy, buffer, sizeof(std::int32_t) * words);
  int expected[kDraws];
  {
    RuntimeRun run(reinterpret_cast<char*>(copy), type, rear);
    for (int& e : expected) e = run.Next15();
  }
  setstate(buffer);
  bool same = true;
  for (int e : expected) same = (rand15() == e) && same;
  // Back to the state before the check: words, position and glibc's pointers.
  if (SetAside() == buffer) std::memcpy(buffer, saved, sizeof(std::int32_t) * words);
  return same;
}

// Per type: 0 not checked yet, 1 the stepping gives what rand() gives, 2 not.
std::atomic<int> verdicts[kTypes];
#endif
}  // namespace

#if defined(__GLIBC__) && RAND_MAX == 2147483647
RuntimeRun::RuntimeRun() {
  buffer_ = SetAside();
  if (buffer_ == nullptr) return;
  // Each type of state is checked the first time a run meets it (the host may
  // switch types with initstate and setstate).
  bool known = Read(buffer_, &type_, &rear_);
  if (known && verdicts[type_].load() == 0)
    verdicts[type_].store(SteppingMatchesRand(buffer_, type_, rear_) ? 1 : 2);
  known = known && verdicts[type_].load() == 1;
  if (!known) {
    setstate(buffer_);
    buffer_ = nullptr;
    return;
  }
  Take(buffer_, &state_, &type_, &degree_, &front_, &rear_);
}

RuntimeRun::RuntimeRun(char* buffer, int type, int rear) : buffer_(nullptr), type_(type), rear_(rear) {
  Take(buffer, &state_, &type_, &degree_, &front_, &rear_);
}

RuntimeRun::~RuntimeRun() {
  if (buffer_ == nullptr) return;
  reinterpret_cast<std::int32_t*>(buffer_)[0] = degree_ == 0 ? type_ : kTypes * rear_ + type_;
  setstate(buffer_);
}
#else
RuntimeRun::RuntimeRun() = default;
RuntimeRun::RuntimeRun(char*, int, int) {}
RuntimeRun::~RuntimeRun() = default;
#endif

}  // namespace stoka

void debug_log(const char*, ...) {}
void init_logging() {}
void destroy_logging() {}
