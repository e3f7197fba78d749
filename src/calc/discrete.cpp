// Generic discrete: a weighted set of values, an empirical law. With n
// elements (each value repeated as often as its weight, ascending):
//   P(X = v) = weight(v) / n,  F(x) = #{elements <= x} / n,
//   F^-1(p) = element ceil(p n) - 1 (zero-based) for 0 < p < 1.
// Discrete uniform and constant are sets filled at construction.
#include <algorithm>
#include <cmath>
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
  auto weight = [weights](unsigned i) { return weights ? weights[i] : 1u; };
  // Everything is checked before anything is allocated.
  std::uint64_t total = 0;
  for (unsigned i = 0; i < n; ++i) {
    CheckValue(values[i]);
    total += weight(i);
  }
  CheckTotal(total);

  // Inserting each value at its lower bound puts a later copy of an equal
  // value (0.0 after -0.0) in front of the earlier one: a stable sort of the
  // values taken in reverse order gives the same sequence in n log n.
  std::vector<std::pair<double, unsigned>> order;
  order.reserve(n);
  for (unsigned i = n; i-- > 0;) order.emplace_back(values[i], weight(i));
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<double> data;
  data.reserve(static_cast<std::size_t>(total));
  for (const auto& [value, w] : order) data.insert(data.end(), w, value);

  std::map<double, std::uint32_t> accumulated;
  for (unsigned i = 0; i < n; ++i) accumulated[values[i]] += weight(i);

  sorted_data_ = std::move(data);
  weights_ = std::move(accumulated);
  total_weight_ = static_cast<double>(total);
}

void GenericDiscreteGenerator::AddValue(double value, unsigned weight) {
  CheckValue(value);
  CheckTotal(sorted_data_.size() + std::uint64_t{weight});
  sorted_data_.insert(std::lower_bound(sorted_data_.begin(), sorted_data_.end(), value), weight,
                      value);
  weights_[value] += weight;
  total_weight_ += weight;
}

void GenericDiscreteGenerator::AddValue(double value) { AddValue(value, 1u); }

double GenericDiscreteGenerator::GetMin() const {
  return sorted_data_.empty() ? kNaN : sorted_data_.front();
}
double GenericDiscreteGenerator::GetMax() const {
  return sorted_data_.empty() ? kNaN : sorted_data_.back();
}

const double* GenericDiscreteGenerator::GetSortedDataC(unsigned* count) const {
  if (count) *count = static_cast<unsigned>(sorted_data_.size());
  return sorted_data_.empty() ? nullptr : sorted_data_.data();
}

std::string GenericDiscreteGenerator::Name() const { return "GenericDiscrete"; }

double GenericDiscreteGenerator::GenerateRandomValue() {
  if (sorted_data_.empty()) return kNaN;
  // Above 32768 elements KessaRandomInt combines draws, so every element is reachable.
  return sorted_data_[KessaRandomInt(static_cast<int>(sorted_data_.size()))];
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
  const auto& data = generator().SortedData();
  if (data.empty()) {
    debug_log("requested inverse CDF of empty set. Returned NaN");
    return kNaN;
  }
  if (std::isnan(p)) return kNaN;
  if (p <= 0) return data.front();
  if (p >= 1) return data.back();
  const double n = static_cast<double>(data.size());
  const double rank = std::min(std::max(std::ceil(p * n), 1.0), n);
  return data[static_cast<std::size_t>(rank) - 1];
}

double GenericDiscreteDistribution::XMin() const { return generator().GetMin(); }
double GenericDiscreteDistribution::XMax() const { return generator().GetMax(); }

double GenericDiscreteDistribution::CdfValueImpl(double x) const {
  const auto& data = generator().SortedData();
  if (data.empty() || std::isnan(x)) return kNaN;
  const auto at_or_below = std::upper_bound(data.begin(), data.end(), x) - data.begin();
  return static_cast<double>(at_or_below) / static_cast<double>(data.size());
}

double GenericDiscreteDistribution::PdfValueImpl(double x) const {
  const auto& g = generator();
  if (g.SortedData().empty()) {
    debug_log("requested PDF of empty set. Returned NaN");
    return kNaN;
  }
  if (std::isnan(x)) return kNaN;
  const auto& weights = g.Weights();
  const auto found = weights.find(x);
  if (found == weights.end()) return 0.0;
  return static_cast<double>(found->second) / static_cast<double>(g.GetTotalWeight());
}

DiscreteUniformGenerator::DiscreteUniformGenerator(int min, int max) {
  if (min > max) {
    debug_log("Wrong DiscreteUniformGenerator parameters: min > max");
    throw std::exception();
  }
  const std::int64_t n = std::int64_t{max} - min + 1;
  if (static_cast<std::uint64_t>(n) > kMaxElements)
    throw std::length_error("DiscreteUniformGenerator range larger than kMaxElements");
  std::vector<double> values(static_cast<std::size_t>(n));
  for (std::int64_t i = 0; i < n; ++i) values[i] = static_cast<double>(min + i);
  construct(values.data(), nullptr, static_cast<unsigned>(n));
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
