// The LogNormal fits without a closed form. Each solves one unknown (sigma or
// the location) of x = location + e^(mu + z sigma), z the table score of a
// cumulative fraction, and derives the rest. Five are Newton searches with
// the exact derivative; three values are fitted by a one-dimensional simplex
// over the location. All run on the library's drivers.
#include <gsl/gsl_errno.h>

#include <cmath>

#include "core/output.hpp"
#include "fit/normal_internal.hpp"
#include "stoka/continuous.hpp"
#include "stoka/fit_normal.hpp"

using namespace stoka::fitn;

namespace {
// Positions in the parameter block.
enum Slot { kX1 = 0, kX2 = 1, kX3 = 2, kQ1 = 3, kQ2 = 4, kQ3 = 5, kLocation = 6, kSd = 7,
            kMean = 8, kMu = 10, kBlockSize = 11 };

struct Block {
  double v[kBlockSize];
  Block() { FillArrayByVal(v, 0.0, kBlockSize); }
  double& operator[](Slot s) { return v[s]; }
};
static_assert(sizeof(Block) == kBlockSize * sizeof(double), "the parameter block");

const double* Fields(void* block) { return static_cast<const double*>(block); }

double Score(double q) { return erf_mult_sqrt(q); }

// The given percent that a cumulative fraction came from, for the checks.
double GivenPercent(double q) { return InvertPercentile(100.0 * q); }

// Two fractions sharing one table entry leave sigma undetermined.
bool SameScore(double q1, double q2) { return Score(q1) == Score(q2); }

// Writes (a, b, location), or zeros with kCantFind when a value is not finite.
int PublishOrZeros(double a, double b, double location, double* a_out, double* b_out,
                   double* location_out) {
  if (PublishFinite({{a_out, a}, {b_out, b}, {location_out, location}})) return kFind;
  WriteZeros(a_out, b_out, location_out);
  return kCantFind;
}

// The arithmetic result of a log-scale fit with sigma > 0.
int PublishAr(double location, double mu, double sigma, double* mean_out, double* sd_out,
              double* location_out) {
  if (!(sigma > 0.0)) {
    WriteZeros(mean_out, sd_out, location_out);
    return kCantFind;
  }
  return PublishOrZeros(ArMean(location, mu, sigma), ArSd(mu, sigma), location, mean_out, sd_out,
                        location_out);
}

template <double (*F)(double, void*), double (*DF)(double, void*)>
void Combined(double u, void* block, double* f, double* df) {
  *f = F(u, block);
  *df = DF(u, block);
}
}  // namespace

// ------------------------------------------------------ formula functions

void calc_params_for_loc_stdev_perc_minimization(double x, double q, double location, double sd,
                                                 double* A, double* B, double* C) {
  *A = std::log(x - location);
  *B = Score(q);
  *C = sd * sd;
}

double st_dev_sqr_by_mu_sigma(double mu, double sigma) {
  return ExpMinusOne(sigma * sigma) * std::exp(2.0 * mu + sigma * sigma);
}

double sigma_by_2perc_location(double location, double x1, double q1, double x2, double q2) {
  const double sigma = std::log((x2 - location) / (x1 - location)) / (Score(q2) - Score(q1));
  stoka_print("sigma_by_2perc_location, sigma = %.3f \n", sigma);
  return sigma;
}

double sigma_by_2perc_location_derivate(double location, double x1, double q1, double x2,
                                        double q2) {
  return ((x2 - x1) / (Score(q2) - Score(q1))) / ((x1 - location) * (x2 - location));
}

double mean_by_perc_sigma_location(double location, double sigma, double x, double q) {
  return location + std::exp(sigma * 0.5 * sigma + std::log(x - location) - Score(q) * sigma);
}

double mu_by_perc_location_sigma(double location, double sigma, double x, double q) {
  return std::log(x - location) - Score(q) * sigma;
}

double mu_by_mean_location_sigma(double location, double sigma, double mean) {
  return std::log(mean - location) - sigma * 0.5 * sigma;
}

// x1 - x2 = e^mu (e^(z1 sigma) - e^(z2 sigma)).
double func_for_mu_2perc(double sigma, double mu, double x1, double q1, double x2, double q2) {
  return std::exp(Score(q1) * sigma) - std::exp(Score(q2) * sigma) - (x1 - x2) / std::exp(mu);
}
double func_for_mu_2perc_derivate(double sigma, double mu, double x1, double q1, double x2,
                                  double q2) {
  const double z1 = Score(q1), z2 = Score(q2);
  return z1 * std::exp(z1 * sigma) - z2 * std::exp(z2 * sigma);
}

// x = mean - M + M e^(z sigma - sigma^2 / 2), M = sd / sqrt(e^(sigma^2) - 1) the
// distance of the mean from the location, multiplied out.
double func_for_st_dev_mean_perc(double sigma, double sd, double mean, double x, double q) {
  return sd * std::exp(Score(q) * sigma - sigma * 0.5 * sigma) - sd +
         std::sqrt(ExpMinusOne(sigma * sigma)) * (mean - x);
}
double func_for_st_dev_mean_perc_derivate(double sigma, double sd, double mean, double x,
                                          double q) {
  const double z = Score(q);
  return std::exp(z * sigma - sigma * 0.5 * sigma) * (z - sigma) * sd +
         (mean - x) * sigma * std::exp(sigma * sigma) / std::sqrt(ExpMinusOne(sigma * sigma));
}

// sd^2 minus the variance of the lognormal through both points at this location.
double func_for_st_dev_2perc(double location, double sd, double x1, double q1, double x2,
                             double q2) {
  const double s = sigma_by_2perc_location(location, x1, q1, x2, q2);
  const double mu = std::log(x1 - location) - Score(q1) * s;
  return sd * sd - st_dev_sqr_by_mu_sigma(mu, s);
}
double func_for_st_dev_2perc_derivate(double location, double sd, double x1, double q1,
                                      double x2, double q2) {
  const double z1 = Score(q1);
  const double s = sigma_by_2perc_location(location, x1, q1, x2, q2);
  const double ds = sigma_by_2perc_location_derivate(location, x1, q1, x2, q2);
  const double mu = std::log(x1 - location) - z1 * s;
  const double T = 2.0 * s * ds, es2 = std::exp(s * s), es2m1 = ExpMinusOne(s * s);
  // d mu / d location = -1 / (x1 - location) - z1 ds.
  return (es2m1 * (2.0 / (x1 - location) + 2.0 * z1 * ds - T) - T * es2) *
         std::exp(s * s + 2.0 * mu);
}

// The mean of the lognormal through both points at this location, minus the mean.
double func_for_mean_2perc(double location, double mean, double x1, double q1, double x2,
                           double q2) {
  const double s = sigma_by_2perc_location(location, x1, q1, x2, q2);
  stoka_print(
      "func_for_mean_2perc, location = %.3f p1_rank = %.3f p1_val = %.3f p2_rank = %.3f "
      "p2_val = %.3f sigma = %.3f \n",
      location, q1, x1, q2, x2, s);
  return mean_by_perc_sigma_location(location, s, x1, q1) - mean;
}
double func_for_mean_2perc_derivate(double location, double mean, double x1, double q1,
                                    double x2, double q2) {
  const double z1 = Score(q1);
  const double s = sigma_by_2perc_location(location, x1, q1, x2, q2);
  const double ds = sigma_by_2perc_location_derivate(location, x1, q1, x2, q2);
  const double E = std::exp(s * 0.5 * s + std::log(x1 - location) - z1 * s);
  return (-1.0 / (x1 - location) - z1 * ds + s * ds) * E + 1.0;
}

// ------------------------------------------------------------- callbacks

void lognormal_by_st_dev_2perc_copyparams(void* block, double* sd, double* x1, double* q1,
                                          double* x2, double* q2) {
  const double* b = Fields(block);
  *sd = b[kSd], *x1 = b[kX1], *q1 = b[kQ1], *x2 = b[kX2], *q2 = b[kQ2];
}

void lognormal_by_st_dev_mean_perc_copyparams(void* block, double* sd, double* mean, double* x,
                                              double* q) {
  const double* b = Fields(block);
  *sd = b[kSd], *mean = b[kMean], *x = b[kX1], *q = b[kQ1];
}

namespace {
// Domains of the location searches: below the lower value (and the mean).
bool MeanDomain(double u, void* block) {
  const double* b = Fields(block);
  return u < b[kMean] && u < b[kX1];
}
bool StDevDomain(double u, void* block) {
  const double* b = Fields(block);
  return u < b[kX1] && !IsDoubleZeroVal(b[kX1] - u);
}

// Distance of a trial location from the lowest value.
double ReachX1(double u, void* block) { return Fields(block)[kX1] - u; }

// Above its domain a location search's callbacks answer kPenalty for f and f'
// alike, so each plain Newton step there moves the location down by one: from
// further above the domain's end than the iterations left, it cannot come
// back (the plain search from -x1 with x1 far below zero walks to its limit).
bool Adrift(double u, int left, double end) { return u - left > end + 1.0; }
bool MeanAdrift(double u, int left, void* block) {
  const double* b = Fields(block);
  return !MeanDomain(u, block) && Adrift(u, left, std::fmin(b[kMean], b[kX1]));
}
bool StDevAdrift(double u, int left, void* block) {
  return !StDevDomain(u, block) && Adrift(u, left, Fields(block)[kX1]);
}

// A Newton search (gsl_root_fdfsolver_newton) with the relative delta test
// 1e-9. Progress: kQuiet nothing, kConverged "Converged:" on success, kTable
// the method, a header and a line per iteration as well; the rest goes to
// the debug log.
//
// A search with a domain (inside != nullptr) starts inside it. Its callbacks
// answer kPenalty outside, so a plain Newton step that leaves the domain
// would crawl back one unit per iteration; the driver takes such a step back
// by halves instead. Such a search also measures its steps against the
// distance from the domain's end (reach), not against the unknown's own
// size: a location close to the lowest value must be found to a fraction of
// that distance, or sigma comes out wrong.
enum class Progress { kQuiet, kConverged, kTable };
struct NewtonCase {
  const char* name;
  double (*f)(double, void*);
  double (*df)(double, void*);
  void (*fdf)(double, void*, double*, double*);
  int limit;
  Progress progress;
  bool (*inside)(double u, void* block);
  double (*reach)(double u, void* block);
  bool (*adrift)(double u, int left, void* block);  // of the plain search
};
constexpr double kDeltaTolerance = 1e-9;

// kFind with the root in *root when the delta test succeeds before the limit
// and before any step breaks down; *last_step, when given, receives the size
// of the step that passed the test.
int RunNewton(const NewtonCase& search, double* block, double u0, double* root,
              double* last_step = nullptr) {
  gsl_function_fdf function{search.f, search.df, search.fdf, block};
  stoka::RootRun run;
  run.fdf = &function;
  run.start = u0;
  run.epsrel = kDeltaTolerance;
  run.limit = search.limit;
  run.inside = search.inside;
  run.reach = search.reach;
  run.adrift = search.adrift;
  const bool table = search.progress == Progress::kTable;
  run.trace.started = [&](const char* method) {
    debug_log("%s \n", search.name);
    if (table) {
      stoka_print("using %s method\n", method);
      stoka_print("%-5s %10s %10s \n", "iter", "root", "function");
    } else {
      debug_log("using %s method\n", method);
      debug_log("%-5s %10s %10s \n", "iter", "root", "function");
    }
  };
  run.trace.step = [&](const stoka::RootStep& at) {
    if (last_step) *last_step = std::fabs(at.root - at.previous);
    if (at.status == GSL_SUCCESS && search.progress != Progress::kQuiet)
      stoka_print("Converged:\n");
    if (table) {
      stoka_print("%5d %.3f %.3f \n", at.iteration, at.root, search.f(at.root, block));
    } else {
      debug_log("%5d %.3f %.3f \n", at.iteration, at.root, at.previous);
    }
  };
  const stoka::RootEnd end = stoka::RunRoot(run);
  if (end.end != stoka::End::kConverged) return kCantFind;
  *root = end.root;
  return kFind;
}

// A location search runs Newton's method plainly first, from -x1 with the
// relative delta test, as the other searches do. Its root is taken when it
// lies inside the domain and its last step was within 1e-9 of the root's
// distance from the lowest value. Otherwise (a step broke down, the limit
// passed, the steps settled outside the domain, where the callbacks answer
// kPenalty and nothing is a root, or a root far from zero passed a test
// relative to itself while still coarse against its distance from the lowest
// value) the guarded search takes over: from a start too far below, plain
// Newton can run down the flat tail of its function and never come back, and
// close to the lowest value the function is steep enough to overflow. The
// guarded search starts at -x1 and then again below the domain's end by the
// spread of the values times each of these factors, until one converges.
constexpr double kRestartFactors[] = {1.0, 100.0, 0.01, 10.0, 1e4, 1e-4, 1e-6};
int SolveLocation(const NewtonCase& search, Block& block, double end, double* location) {
  const double* b = block.v;
  const double start = b[kX1] - 2.0 * b[kX1];
  NewtonCase plain = search;  // "Converged:" only for a root taken
  plain.inside = nullptr, plain.reach = nullptr, plain.progress = Progress::kQuiet;
  double step;
  if (RunNewton(plain, block.v, start, location, &step) == kFind &&
      search.inside(*location, block.v) &&
      step <= kDeltaTolerance * search.reach(*location, block.v)) {
    if (search.progress != Progress::kQuiet) stoka_print("Converged:\n");
    return kFind;
  }
  constexpr int kRestarts = sizeof kRestartFactors / sizeof kRestartFactors[0];
  double starts[1 + kRestarts] = {start};
  for (int i = 0; i < kRestarts; ++i) starts[i + 1] = end - (b[kX2] - b[kX1]) * kRestartFactors[i];
  for (double u0 : starts)
    if (search.inside(u0, block.v) && RunNewton(search, block.v, u0, location) == kFind)
      return kFind;
  return kCantFind;
}
}  // namespace

double lognormal_by_loc_stdev_perc(double u, void* block) {
  const double* b = Fields(block);
  double A, B, C;
  calc_params_for_loc_stdev_perc_minimization(b[kX1], b[kQ1], b[kLocation], b[kSd], &A, &B, &C);
  return ExpMinusOne(u * u) * std::exp(u * u + 2.0 * A - 2.0 * B * u) - C;
}
double lognormal_deriv__by_loc_stdev_perc(double u, void* block) {
  const double* b = Fields(block);
  double A, B, C;
  calc_params_for_loc_stdev_perc_minimization(b[kX1], b[kQ1], b[kLocation], b[kSd], &A, &B, &C);
  return (4.0 * u - 2.0 * B) * std::exp(2.0 * u * u + 2.0 * A - 2.0 * B * u) -
         (2.0 * u - 2.0 * B) * std::exp(u * u + 2.0 * A - 2.0 * B * u);
}
void lognormal_fdf_by_loc_stdev_perc(double u, void* block, double* f, double* df) {
  Combined<lognormal_by_loc_stdev_perc, lognormal_deriv__by_loc_stdev_perc>(u, block, f, df);
}

double lognormal_by_mu_2perc(double u, void* block) {
  const double* b = Fields(block);
  return func_for_mu_2perc(u, b[kMu], b[kX1], b[kQ1], b[kX2], b[kQ2]);
}
double lognormal_deriv_by_mu_2perc(double u, void* block) {
  const double* b = Fields(block);
  return func_for_mu_2perc_derivate(u, b[kMu], b[kX1], b[kQ1], b[kX2], b[kQ2]);
}
void lognormal_fdf_by_mu_2perc(double u, void* block, double* f, double* df) {
  const double* b = Fields(block);
  stoka_print("lognormal_fdf_by_mu_2perc \n");
  stoka_print("p1_rank = %.3f p1_val = %.3f p2_rank = %.3f p2_val = %.3f\n", b[kQ1], b[kX1],
              b[kQ2], b[kX2]);
  Combined<lognormal_by_mu_2perc, lognormal_deriv_by_mu_2perc>(u, block, f, df);
}

double lognormal_by_mean_2perc(double u, void* block) {
  const double* b = Fields(block);
  if (!MeanDomain(u, block)) return kPenalty;
  return func_for_mean_2perc(u, b[kMean], b[kX1], b[kQ1], b[kX2], b[kQ2]);
}
double lognormal_deriv_by_mean_2perc(double u, void* block) {
  const double* b = Fields(block);
  if (!MeanDomain(u, block)) return kPenalty;
  return func_for_mean_2perc_derivate(u, b[kMean], b[kX1], b[kQ1], b[kX2], b[kQ2]);
}
void lognormal_fdf_by_mean_2perc(double u, void* block, double* f, double* df) {
  stoka_print("lognormal_fdf_by_mean_2perc, location = %.3f \n", u);
  Combined<lognormal_by_mean_2perc, lognormal_deriv_by_mean_2perc>(u, block, f, df);
}

double lognormal_by_st_dev_2perc(double u, void* block) {
  const double* b = Fields(block);
  if (!StDevDomain(u, block)) return kPenalty;
  return func_for_st_dev_2perc(u, b[kSd], b[kX1], b[kQ1], b[kX2], b[kQ2]);
}
double lognormal_deriv_by_st_dev_2perc(double u, void* block) {
  const double* b = Fields(block);
  if (!StDevDomain(u, block)) return kPenalty;
  return func_for_st_dev_2perc_derivate(u, b[kSd], b[kX1], b[kQ1], b[kX2], b[kQ2]);
}
void lognormal_fdf_by_st_dev_2perc(double u, void* block, double* f, double* df) {
  Combined<lognormal_by_st_dev_2perc, lognormal_deriv_by_st_dev_2perc>(u, block, f, df);
}

double lognormal_by_st_dev_mean_perc(double u, void* block) {
  const double* b = Fields(block);
  return func_for_st_dev_mean_perc(u, b[kSd], b[kMean], b[kX1], b[kQ1]);
}
double lognormal_deriv_by_st_dev_mean_perc(double u, void* block) {
  const double* b = Fields(block);
  return func_for_st_dev_mean_perc_derivate(u, b[kSd], b[kMean], b[kX1], b[kQ1]);
}
void lognormal_fdf_by_st_dev_mean_perc(double u, void* block, double* f, double* df) {
  Combined<lognormal_by_st_dev_mean_perc, lognormal_deriv_by_st_dev_mean_perc>(u, block, f, df);
}

// ---------------------------------------------------------- Newton searches

namespace {
const NewtonCase kLocStDevPerc{"CalcLogNormalDistributionByLocStDevPerc",
                               lognormal_by_loc_stdev_perc, lognormal_deriv__by_loc_stdev_perc,
                               lognormal_fdf_by_loc_stdev_perc, 1000, Progress::kConverged,
                               nullptr, nullptr, nullptr};
const NewtonCase kMu2perc{"CalcLogNormalDistributionByMu2perc", lognormal_by_mu_2perc,
                          lognormal_deriv_by_mu_2perc, lognormal_fdf_by_mu_2perc, 1000,
                          Progress::kTable, nullptr, nullptr, nullptr};
const NewtonCase kMean2perc{"CalcLogNormalDistributionByMean2perc", lognormal_by_mean_2perc,
                            lognormal_deriv_by_mean_2perc, lognormal_fdf_by_mean_2perc, 100000,
                            Progress::kQuiet, MeanDomain, ReachX1, MeanAdrift};
const NewtonCase kStDev2perc{"CalcLogNormalDistributionByStDev2perc", lognormal_by_st_dev_2perc,
                             lognormal_deriv_by_st_dev_2perc, lognormal_fdf_by_st_dev_2perc, 10000,
                             Progress::kConverged, StDevDomain, ReachX1, StDevAdrift};
const NewtonCase kStDevMeanPerc{"CalcLogNormalDistributionByStDevMeanPerc",
                                lognormal_by_st_dev_mean_perc, lognormal_deriv_by_st_dev_mean_perc,
                                lognormal_fdf_by_st_dev_mean_perc, 10000, Progress::kQuiet,
                                nullptr, nullptr, nullptr};

// Runs one search; on failure writes zeros to the three outputs.
bool Solve(const NewtonCase& search, Block& block, double u0, double* root, double* a, double* b,
           double* c) {
  if (RunNewton(search, block.v, u0, root) == kFind) return true;
  WriteZeros(a, b, c);
  return false;
}
}  // namespace

int CalcLogNormalDistributionByLocStDevPercAR(double location, double sd, double x, double q,
                                              double* mean_out, double* sd_out,
                                              double* location_out) {
  const int code = CheckParamsLogNormalLocSigmaPerc_(0, location, sd, GivenPercent(q), x);
  if (code != kFind) return code;
  Block block;
  block[kX1] = x, block[kQ1] = q, block[kLocation] = location, block[kSd] = sd;
  double sigma;
  if (!Solve(kLocStDevPerc, block, 5.0, &sigma, mean_out, sd_out, location_out)) return kCantFind;
  const double mu = std::log(x - location) - Score(q) * sigma;
  return PublishAr(location, mu, sigma, mean_out, sd_out, location_out);
}

int CalcLogNormalDistributionByMu2percLOG(double mu, double x1, double q1, double x2, double q2,
                                          double* mu_out, double* sigma_out,
                                          double* location_out) {
  const int code = CheckParamsLogNormalMean2Perc_(1, mu, GivenPercent(q1), x1, GivenPercent(q2), x2);
  if (code != kFind) return code;
  if (SameScore(q1, q2)) return kCantFind;
  Block block;
  block[kX1] = x1, block[kX2] = x2, block[kQ1] = q1, block[kQ2] = q2, block[kMu] = mu;
  double sigma;
  if (!Solve(kMu2perc, block, 5.0, &sigma, mu_out, sigma_out, location_out)) return kCantFind;
  if (!(sigma > 0.0)) {
    WriteZeros(mu_out, sigma_out, location_out);
    return kCantFind;
  }
  return PublishOrZeros(mu, sigma, x1 - std::exp(mu + Score(q1) * sigma), mu_out, sigma_out,
                        location_out);
}

int CalcLogNormalDistributionByMean2percAR(double mean, double x1, double q1, double x2, double q2,
                                           double* mean_out, double* sd_out,
                                           double* location_out) {
  const int code = CheckParamsLogNormalMean2Perc_(0, mean, GivenPercent(q1), x1, GivenPercent(q2), x2);
  if (code != kFind) return code;
  if (SameScore(q1, q2)) return kCantFind;
  Block block;
  block[kX1] = x1, block[kX2] = x2, block[kQ1] = q1, block[kQ2] = q2, block[kMean] = mean;
  double location;
  if (!SolveLocation(kMean2perc, block, std::fmin(x1, mean), &location)) {
    WriteZeros(mean_out, sd_out, location_out);
    return kCantFind;
  }
  const double sigma = sigma_by_2perc_location(location, x1, q1, x2, q2);
  const double mu = mu_by_mean_location_sigma(location, sigma, mean);
  return PublishAr(location, mu, sigma, mean_out, sd_out, location_out);
}

int CalcLogNormalDistributionByStDev2percAR(double sd, double x1, double q1, double x2, double q2,
                                            double* mean_out, double* sd_out,
                                            double* location_out) {
  const int code = CheckParamsLogNormalSigma2Perc_(0, sd, GivenPercent(q1), x1, GivenPercent(q2), x2);
  if (code != kFind) return code;
  if (SameScore(q1, q2)) return kCantFind;
  Block block;
  block[kX1] = x1, block[kX2] = x2, block[kQ1] = q1, block[kQ2] = q2, block[kSd] = sd;
  double location;
  if (!SolveLocation(kStDev2perc, block, x1, &location)) {
    WriteZeros(mean_out, sd_out, location_out);
    return kCantFind;
  }
  const double sigma = sigma_by_2perc_location(location, x1, q1, x2, q2);
  const double mu = mu_by_perc_location_sigma(location, sigma, x1, q1);
  return PublishAr(location, mu, sigma, mean_out, sd_out, location_out);
}

int CalcLogNormalDistributionByStDevMeanPercAR(double sd, double mean, double x, double q,
                                               double* mean_out, double* sd_out,
                                               double* location_out) {
  if (!CheckSigma_(sd) || !CheckPercentile_(100.0 * q)) return kCantFind;
  Block block;
  block[kX1] = x, block[kQ1] = q, block[kSd] = sd, block[kMean] = mean;
  double sigma;
  if (!Solve(kStDevMeanPerc, block, 2.0, &sigma, mean_out, sd_out, location_out)) return kCantFind;
  // sigma = 0 solves the equation for any input; it is no distribution.
  if (!(sigma > 0.0)) {
    WriteZeros(mean_out, sd_out, location_out);
    return kCantFind;
  }
  const double location = mean - sd / std::sqrt(ExpMinusOne(sigma * sigma));
  return PublishOrZeros(mean, sd, location, mean_out, sd_out, location_out);
}

// ------------------------------------------------------- three percentiles

// The location L fits the lowest and the highest point exactly; the distance
// of the middle quantile from the middle value is left to minimize.
double lognormal_min_by_3perc(const gsl_vector* x, void* block) {
  const double* b = Fields(block);
  const double L = gsl_vector_get(x, 0);
  if (!(L < b[kX1])) return kPenalty;
  double location, mean, sd;
  if (ConvertParamsLogNormalLoc2Perc__(L, b[kQ1], b[kX1], b[kQ3], b[kX3], &location, &mean, &sd) !=
      kFind)
    return kPenalty;
  double mu, sigma;
  RevertParamsLogNormal(mean, sd, L, &mu, &sigma);
  const double distance = std::sqrt(std::fabs(stoka_ran_lognormal_cdf_inv_(b[kQ2], L, mu, sigma) - b[kX2]));
  return std::isfinite(distance) ? distance : kPenalty;
}

namespace {
// The location simplex's size tolerance and iteration cap.
constexpr double kLocationTolerance = 1e-6;
constexpr int kLocationLimit = 1000;

void TraceLocation(const stoka::SimplexStep& at) {
  if (at.status == GSL_SUCCESS) stoka_print("converged to minimum at\n");
  stoka_print("%5d location = %.3f f() = %7.3f size = %.3f\n", at.iteration,
              gsl_vector_get(gsl_multimin_fminimizer_x(at.minimizer), 0),
              gsl_multimin_fminimizer_minimum(at.minimizer), at.size);
}

int Check3(double x1, double x2, double x3, double q1, double q2, double q3) {
  return CheckParamsLogNormal3Perc_(0, GivenPercent(q1), x1, GivenPercent(q2), x2, GivenPercent(q3),
                                    x3);
}
}  // namespace

int CalcLogNormalDistributionBy3PercWithStepAR(double x1, double x2, double x3, double q1,
                                               double q2, double q3, double* mean_out,
                                               double* sd_out, double* location_out, double step) {
  const int code = Check3(x1, x2, x3, q1, q2, q3);
  if (code != kFind) return code;
  debug_log("CalcLogNormalDistributionBy3Perc \n");
  Block block;
  block[kX1] = x1, block[kX2] = x2, block[kX3] = x3, block[kQ1] = q1, block[kQ2] = q2,
  block[kQ3] = q3;
  // A tenth below the lowest value; from a lowest value of 0 that would be the
  // value itself, where no location is admissible and the simplex sees no
  // slope: start one step below instead.
  const double start = x1 != 0.0 ? x1 - std::fabs(x1) * 0.1 : -step;
  gsl_multimin_function function{lognormal_min_by_3perc, 1, block.v};
  stoka::SimplexRule rule;
  rule.tolerance = kLocationTolerance;
  rule.limit = kLocationLimit;
  stoka::Simplex simplex(1);
  // A run that ends badly restarts, with a tenth of the outer values' span as
  // a step too; it has landed when the middle value is met within the
  // location tolerance's share of that span.
  const double scaled = (x3 - x1) * 0.1;
  stoka::SimplexMend mend;
  mend.enough = std::sqrt(kLocationTolerance * std::fabs(x3 - x1));
  // The run's size test is in the values' units: on values of order 10^-2 a
  // simplex of 10^-6 can hold the location a few percent of their span off.
  mend.tolerance = kLocationTolerance * kLocationTolerance * std::fabs(x3 - x1);
  double location, mean, sd;
  // A run that settles where every location is inadmissible found nothing.
  if (simplex.Run(&function, &start, &step, rule, TraceLocation, &scaled, mend).end !=
          stoka::End::kConverged ||
      !(simplex.value() < kPenalty) ||
      ConvertParamsLogNormalLoc2Perc__(gsl_vector_get(simplex.x(), 0), q1, x1, q3, x3, &location,
                                       &mean, &sd) != kFind) {
    WriteZeros(mean_out, sd_out, location_out);
    return kCantFind;
  }
  return PublishOrZeros(mean, sd, location, mean_out, sd_out, location_out);
}

int CalcLogNormalDistributionBy3PercAR(double x1, double x2, double x3, double q1, double q2,
                                       double q3, double* mean_out, double* sd_out,
                                       double* location_out) {
  const int code = Check3(x1, x2, x3, q1, q2, q3);
  if (code != kFind) return code;
  static const double kSteps[] = {100.0, 1.0, 0.1, 5000.0, 10000.0, 20000.0, 100000.0};
  int result = kCantFind;
  for (double step : kSteps) {
    result = CalcLogNormalDistributionBy3PercWithStepAR(x1, x2, x3, q1, q2, q3, mean_out, sd_out,
                                                        location_out, step);
    if (result == kFind) break;
  }
  return result;
}
