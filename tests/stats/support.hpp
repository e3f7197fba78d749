// Helpers of the statistics tests: seeded samples, bit comparison, and a
// capture of the output sink.
#ifndef STOKA_TESTS_STATS_SUPPORT_HPP
#define STOKA_TESTS_STATS_SUPPORT_HPP

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "stoka/stoka.h"

namespace stats_test {

inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// n values uniform on [lo, hi), from a fixed seed.
inline std::vector<double> Uniform(unsigned seed, int n, double lo, double hi) {
  std::mt19937_64 g(seed);
  std::uniform_real_distribution<double> u(lo, hi);
  std::vector<double> v(n);
  for (double& x : v) x = u(g);
  return v;
}

// n values drawn from few distinct values (many duplicates).
inline std::vector<double> FewDistinct(unsigned seed, int n, int distinct) {
  std::mt19937_64 g(seed);
  std::uniform_int_distribution<int> u(0, distinct - 1);
  std::vector<double> v(n);
  for (double& x : v) x = 1.375 * u(g) - 2.5;
  return v;
}

// Collects the progress lines for the lifetime of the object.
class Capture {
 public:
  Capture() { stoka_set_output_callback(&Capture::Take, this); }
  ~Capture() { stoka_default_output(); }
  const std::vector<std::string>& lines() const { return lines_; }
  std::string joined() const {
    std::string s;
    for (const auto& l : lines_) s += l;
    return s;
  }

 private:
  static void Take(const char* line, void* self) {
    static_cast<Capture*>(self)->lines_.emplace_back(line);
  }
  std::vector<std::string> lines_;
};

// Silences the output sink for the lifetime of the object.
struct Silence {
  Silence() { stoka_silence_output(); }
  ~Silence() { stoka_default_output(); }
};

}  // namespace stats_test

#endif
