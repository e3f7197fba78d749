// The output sink: every progress line of the library passes through stoka_print.
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "core/output.hpp"
#include "stoka/core.hpp"
#include "stoka/stoka.h"

namespace {
enum class Mode { kStdout, kCallback, kSilent };
Mode mode = Mode::kStdout;
stoka_output_fn sink = nullptr;
void* sink_user = nullptr;
}  // namespace

void stoka_print(const char* format, ...) {
  if (mode == Mode::kSilent) return;
  va_list args;
  va_start(args, format);
  if (mode == Mode::kStdout) {
    std::vfprintf(stdout, format, args);
    va_end(args);
    return;
  }
  char small[512];
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (needed < 0) {
    va_end(args);
    return;
  }
  if (static_cast<size_t>(needed) < sizeof small) {
    va_end(args);
    sink(small, sink_user);
    return;
  }
  std::vector<char> large(static_cast<size_t>(needed) + 1);
  std::vsnprintf(large.data(), large.size(), format, args);
  va_end(args);
  sink(large.data(), sink_user);
}

extern "C" STOKA_API void stoka_set_output_callback(stoka_output_fn callback, void* user) {
  sink = callback;
  sink_user = user;
  mode = callback ? Mode::kCallback : Mode::kSilent;
}

extern "C" STOKA_API void stoka_silence_output(void) { stoka_set_output_callback(nullptr, nullptr); }

extern "C" STOKA_API void stoka_default_output(void) {
  sink = nullptr;
  sink_user = nullptr;
  mode = Mode::kStdout;
}
