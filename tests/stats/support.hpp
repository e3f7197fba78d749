// Helpers of the statistics tests: seeded samples, bit comparison, and a
// capture of the output sink.
#ifndef STOKA_TESTS_STATS_SUPPORT_HPP
#define STOKA_TESTS_STATS_SUPPORT_HPP

#include <gsl/gsl_vector.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "stoka/stats.hpp"
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

constexpr double kReferenceDegenerate = 999999.0;

// The statistic as it reads on paper: copy the sample into a vector, find its
// ends, count every value into its right-closed interval, sum k - 1 terms.
inline double ReferencePearson(const gsl_vector* x, const std::vector<double>& data,
                               stoka_cdf_fn cdf) {
  const size_t n = data.size();
  if (n <= 1) return kReferenceDegenerate;
  gsl_vector* sample = gsl_vector_alloc(n);
  for (size_t i = 0; i < n; ++i) gsl_vector_set(sample, i, data[i]);
  const double lo = gsl_vector_min(sample), hi = gsl_vector_max(sample);
  const int k = static_cast<int>(std::round(1.8 * std::log(double(n)) * std::log10(double(n))));
  const double range = hi - lo, width = range / k;
  if (k <= 1 || std::fabs(range) < 1e-6) {
    gsl_vector_free(sample);
    return kReferenceDegenerate;
  }
  std::vector<double> count(k, 0.0);
  for (size_t i = 0; i < n; ++i) {
    const double t = (gsl_vector_get(sample, i) - lo) / width;
    const double f = std::floor(t);
    const int j = static_cast<int>((t == f && t != 0) ? f - 1 : f);
    if (j >= 0 && j < k) count[j] += 1;
  }
  gsl_vector_free(sample);
  double prev = cdf(x, lo), chi = 0;
  for (int i = 1; i < k; ++i) {
    const double c = cdf(x, lo + double(i) * width);
    const double p = c - prev;
    const double d = p - count[i - 1] / n;
    chi += (std::fabs(p) < 1e-6 || std::isnan(p)) ? kReferenceDegenerate : d * d / p;
    prev = c;
  }
  return chi;
}

inline double ReferencePearson(const std::vector<double>& params, const std::vector<double>& data,
                               stoka_cdf_fn cdf) {
  gsl_vector_const_view x = gsl_vector_const_view_array(params.data(), params.size());
  return ReferencePearson(&x.vector, data, cdf);
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
