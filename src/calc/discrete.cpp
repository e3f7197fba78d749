// Generic discrete: a weighted set of values, an empirical law. With n
// elements (each value repeated as often as its weight, ascending):
//   P(X = v) = weight(v) / n,  F(x) = #{elements <= x} / n,
//   F^-1(p) = element ceil(p n) - 1 (zero-based) for 0 < p < 1.
// Discrete uniform and constant are sets filled at construction. The set
// keeps runs of equal values with cumulative counts (the discrete uniform its
// range), so element i is found by binary search instead of being stored.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <utility>

#include "core/constants.hpp"
#include "stoka/discrete.hpp"

namespace {
using stoka::kNaN;

void CheckValue(double value) {
  if (std::isnan(value)) throw std::invalid_argument("NaN value in a discrete set");
}
void CheckTotal(std::uint64_t total) {
  if (total > GenericDiscreteGenerator::kMaxElements)
    throw std::length_error("discrete set larger than kMaxElements");
}
bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
}  // namespace

GenericDiscreteGenerator::GenericDiscreteGenerator(const double* values, unsigned n) {
  construct(values, nullptr, n);
}

GenericDiscreteGenerator::GenericDiscreteGenerator(const double* values, const unsigned* weights,
                                                   unsigned n) {
  construct(values, weights, n);
}

void GenericDiscreteGenerator::construct(const double* values, const unsigned* weights,
                                         unsigned n) {
  if (n > 0 && values == nullptr) throw std::invalid_argument("values == nullptr");
  // The count first: no element of the host's arrays is read beyond the limit.
  CheckTotal(n);
  auto weight = [weights](unsigned i) { return weights ? weights[i] : 1u; };
  // Everything is checked before anything is allocated.
  std::uint64_t total = 0;
  for (unsigned i = 0; i < n; ++i) {
    CheckValue(values[i]);
    total += weight(i);
  }
  CheckTotal(total);
  if (n > 0 && total == 0) throw std::invalid_argument("every weight of a discrete set is 0");

  // Inserting each value at its lower bound puts a later copy of an equal
  // value (0.0 after -0.0) in front of the earlier one: equal values sort by
  // falling position, which gives the same runs in n log n.
  struct Entry {
    double value;
    std::uint32_t weight, position;
  };
  std::vector<Entry> order(n);
  for (unsigned i = 0; i < n; ++i) order[i] = {values[i], weight(i), i};
  std::sort(order.begin(), order.end(), [](const Entry& a, const Entry& b) {
    return a.value < b.value || (!(b.value < a.value) && a.position > b.position);
  });
  std::size_t count = 0;
  for (std::size_t i = 0; i < order.size(); ++i)
    count += i == 0 || !SameBits(order[i - 1].value, order[i].value);
  std::vector<double> runs;
  std::vector<std::uint32_t> ends;
  runs.reserve(count);
  ends.reserve(count);
  std::uint32_t end = 0;
  for (const Entry& e : order) {
    end += e.weight;
    if (!runs.empty() && SameBits(runs.back(), e.value)) {
      ends.back() = end;
    } else {
      runs.push_back(e.value);
      ends.push_back(end);
    }
  }

  values_ = std::move(runs);
  ends_ = std::move(ends);
  range_ = false;
  total_ = end;
  SetSingles();
  Discard();
}

void GenericDiscreteGenerator::SetSingles() {
  singles_ = true;
  for (std::size_t j = 0; j < ends_.size() && singles_; ++j) singles_ = ends_[j] == j + 1;
}

void GenericDiscreteGenerator::SetIntegerRange(std::int64_t first, std::uint32_t count) {
  values_ = {};
  ends_ = {};
  range_ = true;
  first_ = first;
  total_ = count;
  Discard();
}

void GenericDiscreteGenerator::RangeToRuns() {
  if (!range_) return;
  std::vector<double> runs(total_);
  std::vector<std::uint32_t> ends(total_);
  for (std::uint32_t i = 0; i < total_; ++i) {
    runs[i] = Element(i);
    ends[i] = i + 1;
  }
  values_ = std::move(runs);
  ends_ = std::move(ends);
  range_ = false;
  singles_ = true;
}

void GenericDiscreteGenerator::Discard() const {
  const std::lock_guard<std::mutex> lock(written_lock_);
  written_ = {};
  is_written_ = false;
}

void GenericDiscreteGenerator::AddValue(double value, unsigned weight) {
  CheckValue(value);
  CheckTotal(std::uint64_t{total_} + weight);
  RangeToRuns();
  // In front of the equal values: merged into the first of them when its bits
  // are the same, a run of its own otherwise.
  const std::size_t j = std::lower_bound(values_.begin(), values_.end(), value) - values_.begin();
  if (j == values_.size() || !SameBits(values_[j], value)) {
    ends_.reserve(ends_.size() + 1);  // so that the second insert cannot fail
    values_.insert(values_.begin() + j, value);
    ends_.insert(ends_.begin() + j, Before(j));
  }
  for (std::size_t k = j; k < ends_.size(); ++k) ends_[k] += weight;
  total_ += weight;
  SetSingles();
  Discard();
}

void GenericDiscreteGenerator::AddValue(double value) { AddValue(value, 1u); }

double GenericDiscreteGenerator::Element(std::uint32_t i) const {
  if (range_) return static_cast<double>(first_ + i);
  if (singles_) return values_[i];
  // The run whose end first exceeds i (empty runs end where their neighbour does).
  return values_[std::upper_bound(ends_.begin(), ends_.end(), i) - ends_.begin()];
}

std::uint32_t GenericDiscreteGenerator::CountAtOrBelow(double x) const {
  if (range_) {
    if (total_ == 0 || x < static_cast<double>(first_)) return 0;
    if (x >= static_cast<double>(first_ + total_ - 1)) return total_;
    return static_cast<std::uint32_t>(std::floor(x) - static_cast<double>(first_)) + 1;
  }
  return Before(std::upper_bound(values_.begin(), values_.end(), x) - values_.begin());
}

std::uint32_t GenericDiscreteGenerator::WeightOf(double x) const {
  if (range_)
    return x >= static_cast<double>(first_) && x < static_cast<double>(first_ + total_) &&
           std::floor(x) == x;
  const auto [lo, hi] = std::equal_range(values_.begin(), values_.end(), x);
  return Before(hi - values_.begin()) - Before(lo - values_.begin());
}

double GenericDiscreteGenerator::GetMin() const { return total_ == 0 ? kNaN : Element(0); }
double GenericDiscreteGenerator::GetMax() const {
  return total_ == 0 ? kNaN : Element(total_ - 1);
}

std::vector<double> GenericDiscreteGenerator::GetSortedData() const {
  std::vector<double> data(total_);
  if (range_) {
    for (std::uint32_t i = 0; i < total_; ++i) data[i] = Element(i);
  } else {
    for (std::size_t j = 0; j < values_.size(); ++j)
      std::fill(data.begin() + Before(j), data.begin() + ends_[j], values_[j]);
  }
  return data;
}

const double* GenericDiscreteGenerator::GetSortedDataC(unsigned* count) const {
  if (count) *count = 0;
  if (total_ == 0) return nullptr;
  const std::lock_guard<std::mutex> lock(written_lock_);
  if (!is_written_) {
    written_ = GetSortedData();
    is_written_ = true;
  }
  if (count) *count = total_;
  return written_.data();
}

std::map<double, std::uint32_t> GenericDiscreteGenerator::GetData() const {
  std::map<double, std::uint32_t> weights;
  if (range_) {
    for (std::uint32_t i = 0; i < total_; ++i) weights.emplace_hint(weights.end(), Element(i), 1u);
    return weights;
  }
  // The key of equal values is the one added first, which stands last.
  for (std::size_t j = values_.size(); j-- > 0;)
    weights[values_[j]] += ends_[j] - Before(j);
  return weights;
}

std::string GenericDiscreteGenerator::Name() const { return "GenericDiscrete"; }

double GenericDiscreteGenerator::GenerateRandomValue() {
  if (total_ == 0) return kNaN;
  // Above 32768 elements KessaRandomInt combines draws, so every element is reachable.
  return Element(static_cast<std::uint32_t>(KessaRandomInt(static_cast<int>(total_))));
}

bool GenericDiscreteDistribution::SetValues(unsigned n, const double* values) {
  return SetWeightedValues(n, values, nullptr);
}

bool GenericDiscreteDistribution::SetWeightedValues(unsigned n, const double* values,
                                                    const unsigned* weights) {
  // A Bernoulli distribution answers from its p: its data are not the host's to replace.
  if (dynamic_cast<BernoulliDistribution*>(this) != nullptr) return false;
  // The new set is complete before the old one goes.
  auto* replacement = new GenericDiscreteGenerator(values, weights, n);
  delete generator_;
  generator_ = replacement;
  return true;
}

// An empty set has no support: every query is NaN.
double GenericDiscreteDistribution::ValueByCDF(double p) const {
  const auto& g = generator();
  if (g.Size() == 0) {
    debug_log("requested inverse CDF of empty set. Returned NaN");
    return kNaN;
  }
  if (std::isnan(p)) return kNaN;
  if (p <= 0) return g.GetMin();
  if (p >= 1) return g.GetMax();
  const double n = static_cast<double>(g.Size());
  const double rank = std::min(std::max(std::ceil(p * n), 1.0), n);
  return g.Element(static_cast<std::uint32_t>(rank) - 1);
}

double GenericDiscreteDistribution::XMin() const { return generator().GetMin(); }
double GenericDiscreteDistribution::XMax() const { return generator().GetMax(); }

double GenericDiscreteDistribution::CdfValueImpl(double x) const {
  const auto& g = generator();
  if (g.Size() == 0 || std::isnan(x)) return kNaN;
  return static_cast<double>(g.CountAtOrBelow(x)) / static_cast<double>(g.Size());
}

double GenericDiscreteDistribution::PdfValueImpl(double x) const {
  const auto& g = generator();
  if (g.Size() == 0) {
    debug_log("requested PDF of empty set. Returned NaN");
    return kNaN;
  }
  if (std::isnan(x)) return kNaN;
  return static_cast<double>(g.WeightOf(x)) / static_cast<double>(g.GetTotalWeight());
}

DiscreteUniformGenerator::DiscreteUniformGenerator(int min, int max) {
  if (min > max) {
    debug_log("Wrong DiscreteUniformGenerator parameters: min > max");
    throw std::exception();
  }
  const std::int64_t n = std::int64_t{max} - min + 1;
  if (static_cast<std::uint64_t>(n) > kMaxElements)
    throw std::length_error("DiscreteUniformGenerator range larger than kMaxElements");
  SetIntegerRange(min, static_cast<std::uint32_t>(n));
}
DiscreteUniformGenerator::~DiscreteUniformGenerator() = default;
DiscreteUniformDistribution::~DiscreteUniformDistribution() = default;

ConstantGenerator::ConstantGenerator(double value) {
  const unsigned one = 1;
  construct(&value, &one, 1);
}
std::string ConstantGenerator::Name() const { return "Const"; }
double ConstantGenerator::GenerateRandomValue() { return GetMin(); }
ConstantDistribution::~ConstantDistribution() = default;

double GetConstantDistribution_(double value) { return value; }
double ConstantPDFValue_(double) { return 0.0; }
double ConstantCDFValue_(double) { return 0.0; }
