// Beta(alpha, beta) on [min, max]: the standard beta law of
// z = (x - min)/(max - min). The density is divided by max - min, so that it
// integrates to 1 over [min, max]. Draws come from the GSL stream.
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_randist.h>

#include <cfloat>
#include <cmath>

#include "calc/prepared_law.hpp"
#include "core/constants.hpp"
#include "core/stream.hpp"
#include "stoka/continuous.hpp"

namespace {
using stoka::kNaN;

// GSL's beta inverse and beta variate loop without end on shapes that are not
// positive normal numbers (zero, negative, infinite, NaN, denormal) and the
// inverse also on a NaN probability: those give NaN instead.
bool UsableShapes(double alpha, double beta) {
  return std::isfinite(alpha) && std::isfinite(beta) && alpha >= DBL_MIN && beta >= DBL_MIN;
}
double BetaVariate(double alpha, double beta) {
  return UsableShapes(alpha, beta) ? gsl_ran_beta(stoka_rng(), alpha, beta) : kNaN;
}

// GSL's inverse first bisects until its cumulative function comes near p, and
// never stops where that function is NaN, which it also is for large shapes
// (from about 1e6, e.g. alpha = beta = 1e6). Up to kGslShapeLimit (checked on
// a dense grid of shapes and probabilities) GSL's algorithm answers (BetaShape,
// the same numbers with ln B worked out once); above, a bisection with a fixed
// number of steps does.
constexpr double kGslShapeLimit = 1e5;
constexpr int kBisections = 100;

double BisectBetaQuantile(double p, double alpha, double beta) {
  if (p < 0 || p > 1) return kNaN;
  if (p == 0 || p == 1) return p;
  double lo = 0.0, hi = 1.0;
  for (int i = 0; i < kBisections; ++i) {
    const double mid = 0.5 * (lo + hi);
    const double c = gsl_cdf_beta_P(mid, alpha, beta);
    if (std::isnan(c)) return kNaN;
    (c < p ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}
}  // namespace

bool stoka::BetaShapeServes(double alpha, double beta) {
  return UsableShapes(alpha, beta) && alpha <= kGslShapeLimit && beta <= kGslShapeLimit;
}

double stoka_ran_beta_(double min, double scale, double alpha, double beta) {
  return min + scale * BetaVariate(alpha, beta);
}
double stoka_ran_beta_pdf_(double x, double min, double scale, double alpha, double beta) {
  return gsl_ran_beta_pdf((x - min) / scale, alpha, beta) / scale;
}
double stoka_ran_beta_cdf_(double x, double min, double scale, double alpha, double beta) {
  return gsl_cdf_beta_P((x - min) / scale, alpha, beta);
}
double stoka_ran_beta_cdf_inv_(double p, double alpha, double beta, double min, double max) {
  if (std::isnan(p) || !UsableShapes(alpha, beta)) return kNaN;
  const double z = stoka::BetaShapeServes(alpha, beta)
                       ? stoka::BetaShape::QuantileOnce(p, alpha, beta)
                       : BisectBetaQuantile(p, alpha, beta);
  return min + (max - min) * z;
}

int CheckParamsBetaMinMaxAlphaBeta_(double min, double max, double alpha, double beta) {
  return CheckMinMax_(min, max) && CheckBothBetaParams_(alpha, beta);
}

std::string BetaRandomGenerator::Name() const { return "Beta"; }
double BetaRandomGenerator::GenerateRandomValue() {
  return min_ + (max_ - min_) * BetaVariate(alpha_, beta_);
}

double BetaDistribution::ValueByCDF(double p) const {
  const auto& g = generator();
  return stoka_ran_beta_cdf_inv_(p, g.Alpha(), g.Beta(), g.Min(), g.Max());
}
double BetaDistribution::XMin() const { return generator().Min(); }
double BetaDistribution::XMax() const { return generator().Max(); }
double BetaDistribution::CdfValueImpl(double x) const {
  const auto& g = generator();
  return stoka_ran_beta_cdf_(x, g.Min(), g.Max() - g.Min(), g.Alpha(), g.Beta());
}
double BetaDistribution::PdfValueImpl(double x) const {
  const auto& g = generator();
  return stoka_ran_beta_pdf_(x, g.Min(), g.Max() - g.Min(), g.Alpha(), g.Beta());
}
