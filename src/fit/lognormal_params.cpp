// The LogNormal checks and parameterisations: the arithmetic (mean and
// standard deviation, location included), log-scale (mu, sigma) and
// geometric (e^mu, e^sigma) forms and the conversions between them, and the
// fits of a location to cumulative fractions. Both the fits from percentiles
// and the solvers build on these; nothing here calls either.
#include <cmath>
#include <limits>

#include "fit/normal_internal.hpp"
#include "stoka/fit_normal.hpp"

namespace stoka::fitn {

int PublishKind(int kind, double location, double mu, double sigma, double* o1, double* o2,
                double* o3) {
  if (!(sigma > 0.0)) return kCantFind;
  switch (kind) {
    case 0:
      return PublishFinite({{o1, location}, {o2, ArMean(location, mu, sigma)}, {o3, ArSd(mu, sigma)}});
    case 1:
      return PublishFinite({{o1, location}, {o2, mu}, {o3, sigma}});
    case 2:
      return PublishFinite({{o1, location}, {o2, std::exp(mu)}, {o3, std::exp(sigma)}});
    default:
      return kCantFind;
  }
}

}  // namespace stoka::fitn

using namespace stoka::fitn;

// ------------------------------------------------ parameterisations

int ConvertParamsLogNormalArToLog_(double location, double mean, double sd, double* mu,
                                   double* sigma) {
  const double r = sd / (mean - location);
  const double v = LogOfOnePlus(r * r);
  return PublishFinite({{mu, std::log(mean - location) - 0.5 * v}, {sigma, std::sqrt(v)}});
}

int ConvertParamsLogNormalLogToAr_(double location, double mu, double sigma, double* mean,
                                   double* sd) {
  return PublishFinite({{mean, ArMean(location, mu, sigma)}, {sd, ArSd(mu, sigma)}});
}

int ConvertParamsLogNormalGeoToLog_(double location, double gm, double gsd, double* mu,
                                    double* sigma) {
  return PublishFinite({{mu, std::log(gm)}, {sigma, std::log(gsd)}});
}

int ConvertParamsLogNormalLogToGeo_(double location, double mu, double sigma, double* gm,
                                    double* gsd) {
  return PublishFinite({{gm, std::exp(mu)}, {gsd, std::exp(sigma)}});
}

int ConvertParamsLogNormalArToGeo_(double location, double mean, double sd, double* gm,
                                   double* gsd) {
  double mu, sigma;
  if (!ConvertParamsLogNormalArToLog_(location, mean, sd, &mu, &sigma)) return kCantFind;
  return ConvertParamsLogNormalLogToGeo_(location, mu, sigma, gm, gsd);
}

int ConvertParamsLogNormalGeoToAr_(double location, double gm, double gsd, double* mean,
                                   double* sd) {
  double mu, sigma;
  if (!ConvertParamsLogNormalGeoToLog_(location, gm, gsd, &mu, &sigma)) return kCantFind;
  return ConvertParamsLogNormalLogToAr_(location, mu, sigma, mean, sd);
}

void RevertParamsLogNormal(double mean, double sd, double location, double* mu, double* sigma) {
  const double d = mean - location;
  const double v = LogOfOnePlus(sd * sd / (d * d));
  *mu = std::log(d) - 0.5 * v;
  *sigma = std::sqrt(v);
}

double PenaltyFuncLogNormalAr(double mean, double sd, double location) {
  return location <= mean && sd >= 0 ? 0.0 : std::numeric_limits<double>::max();
}

// ------------------------------------------------------------ checks

namespace {
// The fixed deviation: sigma > 0 for kinds 0 and 1, a geometric deviation > 0
// for kind 2; any other kind fails.
int CheckKindSigma(int kind, double sigma) {
  if (kind == 0 || kind == 1) return CheckSigma_(sigma);
  if (kind == 2) return CheckSigmaGeo_(sigma);
  return 0;
}

int CheckTwoPercents(double P1, double x1, double P2, double x2) {
  const double c1 = InvertPercentile(P1), c2 = InvertPercentile(P2);
  return CheckPercentile_(c1) && CheckPercentile_(c2) && CheckPercentilesConformity_(c1, x1, c2, x2) &&
         CheckPercentilesEquality_(c1, c2);
}
}  // namespace

int CheckParamsLogNormalLocMeanPerc_(int kind, double location, double mean, double P, double x) {
  if (kind == 0 && !(mean > location)) return 0;
  if (kind == 2 && !(mean > 0)) return 0;
  const double c = InvertPercentile(P);
  if (!CheckPercentile_(c) || !CompareWithLocation_(location, x)) return 0;
  return CheckLognormLocationMeanPerc_(kind, location, mean, c, x);
}

int CheckParamsLogNormalLocSigmaPerc_(int kind, double location, double sigma, double P, double x) {
  return CheckKindSigma(kind, sigma) && CheckPercentile_(InvertPercentile(P)) &&
         CompareWithLocation_(location, x);
}

int CheckParamsLogNormalLoc2Perc_(int kind, double location, double P1, double x1, double P2,
                                  double x2) {
  if (kind < 0 || kind > 2) return 0;
  const double c1 = InvertPercentile(P1), c2 = InvertPercentile(P2);
  return CheckPercentile_(c1) && CheckPercentile_(c2) && CheckPercentilesConformity_(c1, x1, c2, x2) &&
         CompareWithLocation_(location, x1) && CompareWithLocation_(location, x2);
}

int CheckParamsLogNormalMeanSigmaPerc_(int kind, double mean, double sigma, double P, double x) {
  return CheckKindSigma(kind, sigma) && CheckPercentile_(InvertPercentile(P));
}

int CheckParamsLogNormalMean2Perc_(int kind, double mean, double P1, double x1, double P2,
                                   double x2) {
  return CheckTwoPercents(P1, x1, P2, x2);
}

int CheckParamsLogNormalSigma2Perc_(int kind, double sigma, double P1, double x1, double P2,
                                    double x2) {
  return CheckKindSigma(kind, sigma) && CheckTwoPercents(P1, x1, P2, x2);
}

int CheckParamsLogNormal3Perc_(int kind, double P1, double x1, double P2, double x2, double P3,
                               double x3) {
  const double c1 = InvertPercentile(P1), c2 = InvertPercentile(P2), c3 = InvertPercentile(P3);
  return CheckPercentile_(c1) && CheckPercentile_(c2) && CheckPercentile_(c3) &&
         CheckPercentilesConformity_(c1, x1, c2, x2) && CheckPercentilesConformity_(c1, x1, c3, x3) &&
         CheckPercentilesConformity_(c3, x3, c2, x2) && CheckPercentilesEquality_(c1, c2) &&
         CheckPercentilesEquality_(c1, c3) && CheckPercentilesEquality_(c3, c2);
}

// ------------------------------------------------ cumulative-fraction forms

int ConvertParamsLogNormalLocSigmaPerc__(double location, double sigma, double f, double x,
                                         double* o1, double* mu, double* o3) {
  const double c = PercentileMultiply100(f);
  const double m = std::log(x - location) - erf_invPerc(c) * (sigma * kSqrt2);
  return PublishFinite({{o1, location}, {mu, m}, {o3, sigma}});
}

int ConvertParamsLogNormalLoc2Perc__(double location, double f1, double x1, double f2, double x2,
                                     double* o1, double* mean, double* sd) {
  const double e1 = erf_invPerc(PercentileMultiply100(f1));
  const double e2 = erf_invPerc(PercentileMultiply100(f2));
  if (e1 == e2) return kCantFind;  // both fractions share one table entry
  const double sigma =
      (std::log(x1 - location) - std::log(x2 - location)) / ((e1 - e2) * kSqrt2);
  double loc, mu, s;
  const int r = ConvertParamsLogNormalLocSigmaPerc__(location, sigma, f1, x1, &loc, &mu, &s);
  if (r != kFind) return r;
  double m, d;
  if (!ConvertParamsLogNormalLogToAr_(location, mu, sigma, &m, &d)) return kCantFind;
  *o1 = location, *mean = m, *sd = d;
  return kFind;
}
