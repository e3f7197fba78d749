// Descriptive statistics of a sample: thin layers over GSL's statistics, plus
// percentiles and the median by selection, and the frequency table of runs.
#include <gsl/gsl_sort.h>
#include <gsl/gsl_statistics_double.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "core/constants.hpp"
#include "core/output.hpp"
#include "stoka/stats.hpp"

namespace {

using stoka::kNaN;

// n values (or two, where the statistic needs a spread) are there to be read.
bool Has(const double* data, int n, int needed) { return data != nullptr && n >= needed; }

// ---------------------------------------------------------------------------
// Order statistics without a full sort.
//
// A scratch copy of the sample; selection on it yields bit for bit the order
// statistics that sorting yields, except where the order is not one of values:
// a NaN has no place in it, and -0.0 and +0.0 compare equal but differ in their
// bits. Such samples take the sort.
class Scratch {
 public:
  Scratch(const double* data, int n) : n_(static_cast<size_t>(n)), v_(new double[n_]) {
    bool nan = false, negative_zero = false, positive_zero = false;
    for (size_t i = 0; i < n_; ++i) {
      const double x = data[i];
      v_[i] = x;
      if (x == 0.0) {
        if (std::signbit(x))
          negative_zero = true;
        else
          positive_zero = true;
      } else if (x != x) {
        nan = true;
      }
    }
    sort_ = nan || (negative_zero && positive_zero);
    if (sort_) gsl_sort(v_.get(), 1, n_);
  }
  size_t size() const { return n_; }
  const double* sorted() const { return sort_ ? v_.get() : nullptr; }

  // The order statistics at ranks r and r + 1 (r + 1 < n).
  void Pair(size_t r, double* a, double* b) {
    if (sort_) {
      *a = v_[r];
      *b = v_[r + 1];
      return;
    }
    double* begin = v_.get();
    std::nth_element(begin, begin + r, begin + n_);
    *a = begin[r];
    *b = *std::min_element(begin + r + 1, begin + n_);
  }
  double At(size_t r) {
    if (!sort_) std::nth_element(v_.get(), v_.get() + r, v_.get() + n_);
    return v_[r];
  }

 private:
  size_t n_;
  std::unique_ptr<double[]> v_;
  bool sort_ = false;
};

}  // namespace

double stoka_stats_mean_(const double* data, int n) {
  return Has(data, n, 1) ? gsl_stats_mean(data, 1, n) : kNaN;
}
double stoka_stats_variance_(const double* data, int n) {
  return Has(data, n, 2) ? gsl_stats_variance(data, 1, n) : kNaN;
}
double stoka_stats_sd_(const double* data, int n) {
  return Has(data, n, 2) ? gsl_stats_sd(data, 1, n) : kNaN;
}
double stoka_stats_skew_(const double* data, int n) {
  return Has(data, n, 2) ? gsl_stats_skew(data, 1, n) : kNaN;
}
double stoka_stats_kurtosis_(const double* data, int n) {
  return Has(data, n, 2) ? gsl_stats_kurtosis(data, 1, n) : kNaN;
}
double stoka_stats_max_(const double* data, int n) {
  return Has(data, n, 1) ? gsl_stats_max(data, 1, n) : kNaN;
}
double stoka_stats_min_(const double* data, int n) {
  return Has(data, n, 1) ? gsl_stats_min(data, 1, n) : kNaN;
}
double stoka_stats_correlation_(const double* data1, const double* data2, int n) {
  return Has(data1, n, 2) && data2 ? gsl_stats_correlation(data1, 1, data2, 1, n) : kNaN;
}
double stoka_stats_autocorrelation_(const double* data, int n) {
  return Has(data, n, 2) ? gsl_stats_lag1_autocorrelation(data, 1, n) : kNaN;
}

// Linear interpolation between the order statistics around f (n - 1), with
// GSL's arithmetic for the index and the weights, so that the result is the
// one gsl_stats_quantile_from_sorted_data gives on the sorted sample.
double stoka_stats_percentile_(const double* data, int n, double p, bool upper) {
  if (!(p >= 0 && p <= 100) || !Has(data, n, 1)) return 0.0;
  const double f = upper ? (100 - p) / 100 : p / 100;
  Scratch s(data, n);
  if (s.sorted()) return gsl_stats_quantile_from_sorted_data(s.sorted(), 1, s.size(), f);
  const double index = f * (s.size() - 1);
  const size_t lhs = static_cast<int>(index);
  const double delta = index - lhs;
  if (lhs == s.size() - 1) return s.At(lhs);
  double a, b;
  s.Pair(lhs, &a, &b);
  return (1 - delta) * a + delta * b;
}

double stoka_stats_median_(const double* data, int n) {
  if (!Has(data, n, 1)) return kNaN;
  Scratch s(data, n);
  if (s.sorted()) return gsl_stats_median_from_sorted_data(s.sorted(), 1, s.size());
  const size_t lhs = (s.size() - 1) / 2, rhs = s.size() / 2;
  if (lhs == rhs) return s.At(lhs);
  double a, b;
  s.Pair(lhs, &a, &b);
  return (a + b) / 2.0;
}

// ---------------------------------------------------------------------------
// Frequency table. The first element opens the first run, so that there are
// never more runs than elements (a NaN, equal to nothing, opens a run of its
// own).
int table_of_prob_for_sorted_data(const double* data, int n, double* values, double* probs,
                                  int* count) {
  if (!Has(data, n, 1)) {
    if (count) *count = 0;
    return 0;
  }
  double run = data[0];
  int length = 1, index = 0;
  for (int i = 1; i < n; ++i) {
    if (IsDoubleZeroVal(run - data[i])) {
      ++length;
      continue;
    }
    values[index] = run;
    probs[index] = static_cast<double>(length) / n;
    ++index;
    run = data[i];
    length = 1;
  }
  values[index] = run;
  probs[index] = static_cast<double>(length) / n;
  *count = index + 1;
  return 0;
}

namespace {
// The frequency table of a sorted copy of the sample.
struct Table {
  std::vector<double> values, probs;
  int count = 0;
  Table(const double* data, int n) : values(n), probs(n) {
    std::vector<double> sorted(data, data + n);
    gsl_sort(sorted.data(), 1, sorted.size());
    table_of_prob_for_sorted_data(sorted.data(), n, values.data(), probs.data(), &count);
  }
};
}  // namespace

double expected_value(const double* data, int n) {
  if (!Has(data, n, 1)) return kNaN;
  const Table t(data, n);
  double sum = 0.0;
  for (int i = 0; i < t.count; ++i) {
    stoka_print("i = %d, val = %f, p_val = %f \n", i, t.values[i], t.probs[i]);
    sum += t.values[i] * t.probs[i];
  }
  return sum;
}

double mean_frequency_value(const double* data, int n) {
  if (!Has(data, n, 1)) return kNaN;
  const Table t(data, n);
  double sum = 0.0;
  for (int i = 0; i < t.count; ++i) sum += t.probs[i];
  return sum / t.count;
}
