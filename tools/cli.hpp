// The stoka program: shared types of its commands.
#ifndef STOKA_TOOLS_CLI_HPP
#define STOKA_TOOLS_CLI_HPP

#include <cstdint>
#include <limits>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "stoka/stoka.h"

namespace cli {

// Bad input, said in words: where (file and line or field) and why.
class InputError : public std::runtime_error {
 public:
  InputError(const std::string& where, const std::string& reason)
      : std::runtime_error(where.empty() ? reason : where + ": " + reason) {}
};

// A value judged at a percentile, in the program's convention: below is the
// chance that the quantity lies below value (P10 = 10).
struct Judged {
  double below;
  double value;
};

// The library reads a percent as the chance of exceeding the value.
inline double LibraryPercent(double below) { return 100.0 - below; }

// What a quantity is: a family with parameters, or judged values to fit.
struct QuantitySpec {
  std::string name;
  std::string family;
  std::map<std::string, double> params;  // min, mode, max, mean, sd, ...
  std::vector<Judged> judged;
  std::vector<double> values;  // discrete
  std::vector<unsigned> weights;
  std::string where;  // for messages
  // A risk event: the quantity occurs with this chance and then costs its
  // distribution (1: always).
  double occurs = 1.0;
  // Truncation: the distribution kept within [low, high].
  double low = -std::numeric_limits<double>::infinity();
  double high = std::numeric_limits<double>::infinity();
  bool in_total = true;  // false for a quantity that is not a cost (a count, a rate)
};

// A judged value beside the fitted distribution's value at its percentile.
struct FitPoint {
  double below, judged, fitted;
};

// A distribution made from a spec, with the parameters that define it.
class Quantity {
 public:
  Quantity() = default;
  Quantity(const Quantity&) = delete;
  Quantity& operator=(const Quantity&) = delete;
  Quantity(Quantity&& other) noexcept { *this = std::move(other); }
  Quantity& operator=(Quantity&& other) noexcept {
    std::swap(handle, other.handle);
    name = std::move(other.name);
    family = std::move(other.family);
    params = std::move(other.params);
    judged = std::move(other.judged);
    fit_case = std::move(other.fit_case);
    miss = std::move(other.miss);
    fit_points = std::move(other.fit_points);
    return *this;
  }
  ~Quantity() { DestroyConstantDistribution(&handle); }

  IDistribution* handle = nullptr;
  std::string name;
  std::string family;
  std::vector<std::pair<std::string, double>> params;
  std::vector<Judged> judged;
  std::string fit_case;  // the library's fitting entry point, when fitted
  // When the fitted distribution misses a judged value by more than 0.1 % of
  // the judged values' span: which value, and by how much, in words.
  std::string miss;
  std::vector<FitPoint> fit_points;  // of a fit: every judged value and the fit's value there
};

// Families: creation from parameters, and fits from judged values.
Quantity MakeQuantity(const QuantitySpec& spec);
std::vector<std::string> FamilyNames();
std::string FitCasesHelp();

// Sample statistics through the library.
struct Summary {
  double mean, sd, min, p5, p50, p95, max;
};

// Files: the whole text of a file.
std::string ReadFile(const std::string& path);

// A quantity's sample where it is stored (the correlation manager's, or the
// run's own matrix), seen without a copy.
class Sample {
 public:
  Sample(const double* data, size_t size) : data_(data), size_(size) {}
  // A vector's elements, for as long as the vector is left as it is.
  Sample(const std::vector<double>& v) : data_(v.data()), size_(v.size()) {}  // NOLINT
  const double* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const double* begin() const { return data_; }
  const double* end() const { return data_ + size_; }
  double operator[](size_t i) const { return data_[i]; }
  double back() const { return data_[size_ - 1]; }
  // A copy, for code that sorts or keeps it.
  operator std::vector<double>() const { return {begin(), end()}; }

 private:
  const double* data_;
  size_t size_;
};

// Output of a run (the pictures are in charts.hpp).
Summary Summarise(Sample sample);
// A sample's finite values counted in equal bins from the least to the largest.
struct Bins {
  double low = 0, width = 1;
  std::vector<int64_t> counts;
};
Bins Count(Sample sample, int bins);
// The bins as the rows of a terminal histogram, the fullest bar `width` long.
std::string Histogram(const Bins& bins, int width);

}  // namespace cli

#endif
