// Statistics, files and terminal histograms of the stoka program.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli.hpp"

namespace cli {

Summary Summarise(Sample sample) {
  const double* d = sample.data();
  const int n = static_cast<int>(sample.size());
  return {stoka_stats_mean(d, n),
          stoka_stats_sd(d, n),
          stoka_stats_min(d, n),
          stoka_stats_percentile(d, n, 5.0, false),
          stoka_stats_median(d, n),
          stoka_stats_percentile(d, n, 95.0, false),
          stoka_stats_max(d, n)};
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError(path, std::string("cannot be read: ") + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Bins Count(Sample sample, int bins) {
  Bins b{0, 1, std::vector<int64_t>(bins, 0)};
  // Values that are not finite (a failed quantile gives NaN) have no bin.
  double lo = HUGE_VAL, hi = -HUGE_VAL;
  for (double x : sample)
    if (std::isfinite(x)) lo = std::min(lo, x), hi = std::max(hi, x);
  if (lo > hi) return b;
  b.low = lo;
  b.width = (hi - lo) / bins;
  for (double x : sample) {
    if (!std::isfinite(x)) continue;
    const double at = b.width > 0 ? (x - b.low) / b.width : 0.0;
    b.counts[static_cast<int>(std::clamp(at, 0.0, bins - 1.0))]++;
  }
  return b;
}

std::string Histogram(const Bins& b, int width) {
  const int64_t most = std::max<int64_t>(1, *std::max_element(b.counts.begin(), b.counts.end()));
  std::ostringstream out;
  for (size_t k = 0; k < b.counts.size(); ++k) {
    char label[64];
    std::snprintf(label, sizeof label, "  %10.4g .. %-10.4g |", b.low + k * b.width,
                  b.low + (k + 1) * b.width);
    const int bar = static_cast<int>(std::lround(static_cast<double>(b.counts[k]) * width / most));
    out << label << std::string(bar, '#') << ' ' << b.counts[k] << '\n';
  }
  return out.str();
}

}  // namespace cli
