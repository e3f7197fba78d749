// Helpers of the Normal and LogNormal fitting tests: an output capture and the
// sentinel that shows an output left untouched.
#ifndef STOKA_TESTS_FIT_NORMAL_TESTING_HPP
#define STOKA_TESTS_FIT_NORMAL_TESTING_HPP

#include <string>
#include <vector>

#include "stoka/stoka.h"

namespace fitn_test {

// A value no fit produces: an output still holding it was not written.
constexpr double kUntouched = -7.25e13;

// Collects the progress lines for the lifetime of the object.
struct Capture {
  std::vector<std::string> lines;
  Capture() { stoka_set_output_callback(&Capture::Take, this); }
  ~Capture() { stoka_default_output(); }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  static void Take(const char* line, void* self) {
    static_cast<Capture*>(self)->lines.emplace_back(line);
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& l : lines) n += l.compare(0, prefix.size(), prefix) == 0;
    return n;
  }
  std::string All() const {
    std::string s;
    for (const auto& l : lines) s += l;
    return s;
  }
};

// Silences the progress lines for the lifetime of the object.
struct Quiet {
  Quiet() { stoka_silence_output(); }
  ~Quiet() { stoka_default_output(); }
};

}  // namespace fitn_test

#endif
