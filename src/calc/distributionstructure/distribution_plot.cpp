// A window of values over a distribution, as the Latin hypercube sampler sees it.
#include <cmath>
#include <stdexcept>

#include "stoka/discrete.hpp"
#include "stoka/distribution.hpp"

namespace {
// Where a window whose lowest value is x starts on the probability scale. A
// discrete family has an atom at x that F(x) already includes: the window
// starts at the left limit F(x-), the CDF just below x, so x is drawn with its
// whole probability. Continuous families have no atoms and keep F(x).
double WindowStart(const IDistribution& d, double x) {
  if (dynamic_cast<const GenericDiscreteDistribution*>(&d) == nullptr) return d.CdfValue(x);
  return d.CdfValue(std::nextafter(x, -INFINITY));
}
}  // namespace

DistributionPlot::DistributionPlot(IDistribution* distribution, double min, double max)
    : distribution(distribution), min_(0.0), max_(0.0), cdf_min_(0.0), cdf_range_(0.0) {
  // Refused by an exception rather than an assertion: a host's bad window must
  // never terminate the host's process.
  if (distribution == nullptr) throw std::invalid_argument("distribution != nullptr");
  if (!(max > min)) throw std::invalid_argument("min_ < max_");
  SetBounds(min, max);
}

void DistributionPlot::SetBounds(double min, double max) {
  min_ = min;
  max_ = max;
  cdf_min_ = WindowStart(*distribution, min);
  cdf_range_ = distribution->CdfValue(max) - cdf_min_;
}

void DistributionPlot::SetCDFBounds(double pmin, double pmax) {
  min_ = distribution->ValueByCDF(pmin);
  max_ = distribution->ValueByCDF(pmax);
  cdf_min_ = pmin;
  // A discrete window opens at the bottom of its lowest value's atom, as above.
  if (dynamic_cast<const GenericDiscreteDistribution*>(distribution) != nullptr)
    cdf_min_ = std::fmin(pmin, WindowStart(*distribution, min_));
  cdf_range_ = pmax - cdf_min_;
}

double DistributionPlot::ValueByCDF(double p) const {
  return distribution->ValueByCDF(p * cdf_range_ + cdf_min_);
}

double DistributionPlot::PdfValue(double x) const { return distribution->PdfValue(x); }

double DistributionPlot::CdfValue(double x) const {
  if (x < min_) return 0.0;
  if (x > max_) return 1.0;
  const double c = (distribution->CdfValue(x) - cdf_min_) / cdf_range_;
  if (c < 0) return 0.0;
  if (c > 1) return 1.0;
  return c;
}

bool DistributionPlot::ValueByCDFOnPlot(double* p, double* value) const {
  if (!(*p < 0)) {
    *value = ValueByCDF(*p);
    return min_ <= *value && *value <= max_;
  }
  for (int draw = 0; draw < kMaxPlotDraws; ++draw) {
    const double u = KessaRandom();
    *p = u;
    *value = ValueByCDF(u);
    if (min_ <= *value && *value <= max_) return true;
  }
  return false;
}
