// libstoka object interface: fitting the Normal and the shifted LogNormal
// families from values given at percentiles, and the root searches and the
// simplex behind the LogNormal fits that have no closed form.
//
// Percent arguments P are given percents (exceedance sense, in percent): the
// pair (P, x) says that the quantity exceeds x with probability P / 100, so x
// sits at the cumulative percent c = InvertPercentile(P) = 100 - P. Standard
// scores come from the erfinv table at whole cumulative percents. Functions
// whose names end in two underscores take cumulative fractions instead.
//
// Result codes: 1 found, 0 invalid arguments or nothing found, -1 an unknown
// lognormal kind where a function says so. A function whose check fails
// writes nothing.
//
// Where a formula would divide by zero or yield an infinite or NaN parameter,
// the function reports 0 and writes nothing instead of reporting success:
// - two percents whose standard scores share one table entry (for example
//   given percents 10.2 and 10.4, or 49.7 against the median's score 0), in
//   ConvertParamsNormalMeanPerc_, ConvertParamsNormal2Perc_,
//   ConvertParamsLogNormalLocMeanPerc_ (kinds 1, 2), ConvertParamsLogNormalLoc2Perc_,
//   ConvertParamsLogNormalLoc2Perc__, ConvertParamsLogNormalSigma2Perc_ (kinds 1, 2)
//   and the two-percent solvers;
// - equal fixed percents in stoka_ran_gaussian_params_ and stoka_ran_lognormal_params_;
// - a zero denominator or a logarithm of zero in the parameterisation
//   conversions (a mean equal to the location, a geometric mean or
//   deviation of 0) and in the fixed-percent fits (a value of 0);
// - generally, any result that would not be a finite number.
// A fitted lognormal is reported only with sigma > 0: the kind-0 fit from a
// mean and one percent whose value lies on the wrong side for its percent,
// and a three-point closed form over values that fall as the percents rise,
// report 0.
#ifndef STOKA_FIT_NORMAL_HPP
#define STOKA_FIT_NORMAL_HPP

#include <gsl/gsl_vector.h>

#include "stoka/core.hpp"

// ---------------------------------------------------------------- Normal

STOKA_API int CheckParamsNormalMeanPerc_(double mean, double P, double x);
STOKA_API int CheckParamsNormalSigmaPerc_(double sigma, double P, double x);
STOKA_API int CheckParamsNormal2Perc_(double P1, double x1, double P2, double x2);

// Entry points: the check, then the conversion; outputs (mean, sigma). The
// Normal fitters also take kPercentileMin / kPercentileMax for a percent:
// the minimum and maximum lie 6 sigma from the mean.
STOKA_API int CalcGaussianDistributionByMeanPerc_(double mean, double x, double P,
                                                  double* mean_out, double* sigma_out);
STOKA_API int CalcGaussianDistributionByStDevPerc_(double sigma, double x, double P,
                                                   double* mean_out, double* sigma_out);
STOKA_API int CalcGaussianDistributionBy2Perc_(double x1, double x2, double P1, double P2,
                                               double* mean_out, double* sigma_out);
// The conversions alone (no check): 1, or 0 as stated at the top.
STOKA_API int ConvertParamsNormalMeanPerc_(double mean, double P, double x, double* mean_out,
                                           double* sigma_out);
STOKA_API int ConvertParamsNormalSigmaPerc_(double sigma, double P, double x, double* mean_out,
                                            double* sigma_out);
STOKA_API int ConvertParamsNormal2Perc_(double P1, double x1, double P2, double x2,
                                        double* mean_out, double* sigma_out);

// The simplex twin of CalcGaussianDistributionBy2Perc_: minimizes the distance
// of the exact normal quantiles from the values (the codes stand for -6 and
// +6 sigma). Prints its progress; 1 converged, 0 not (outputs 0.0), or the
// check's code. Its objective, with the block (x1, x2, P1, P2):
STOKA_API int CalcGaussianDistributionBy2Perc__(double x1, double x2, double P1, double P2,
                                                double* mean_out, double* sigma_out);
STOKA_API double gaussian_min(const gsl_vector* x, void* block);

// Two of the cumulative percents 1, 5, 10, 25, 50, 75, 90, 95, 99 (no
// inversion); outputs (sigma, mean). 0 for another percent or equal percents.
STOKA_API int stoka_ran_gaussian_params_(int c1, double x1, int c2, double x2,
                                         double* sigma_out, double* mean_out);

// mean - 6 sigma and mean + 6 sigma.
STOKA_API double NormalCalcMin_(double mean, double sigma);
STOKA_API double NormalCalcMax_(double mean, double sigma);

// ------------------------------------------------------------- LogNormal
//
// X = location + e^Y, Y normal with mean mu and deviation sigma. The kind
// selects the parameterisation of the fixed parameter and of the outputs:
// 0 arithmetic mean (location included) and standard deviation, 1 mu and
// sigma, 2 geometric mean e^mu and geometric deviation e^sigma. Outputs are
// (location, mean-like, deviation-like) in the kind's parameterisation.

// Parameterisation conversions; the location matters to the arithmetic ones.
STOKA_API int ConvertParamsLogNormalArToLog_(double location, double mean, double sd, double* mu,
                                             double* sigma);
STOKA_API int ConvertParamsLogNormalLogToAr_(double location, double mu, double sigma,
                                             double* mean, double* sd);
STOKA_API int ConvertParamsLogNormalGeoToLog_(double location, double gm, double gsd, double* mu,
                                              double* sigma);
STOKA_API int ConvertParamsLogNormalLogToGeo_(double location, double mu, double sigma,
                                              double* gm, double* gsd);
STOKA_API int ConvertParamsLogNormalArToGeo_(double location, double mean, double sd,
                                             double* gm, double* gsd);
STOKA_API int ConvertParamsLogNormalGeoToAr_(double location, double gm, double gsd,
                                             double* mean, double* sd);
// Arithmetic to log scale with the arguments in another order.
STOKA_API void RevertParamsLogNormal(double mean, double sd, double location, double* mu,
                                     double* sigma);
// 0 when location <= mean and sd >= 0, else the largest finite double.
STOKA_API double PenaltyFuncLogNormalAr(double mean, double sd, double location);

// Checks. CheckParamsLogNormalLocMeanPerc_ throws the kind (an int) for an
// unknown kind unless an earlier test fails or c = 50; the others return 0.
STOKA_API int CheckParamsLogNormalLocMeanPerc_(int kind, double location, double mean, double P,
                                               double x);
STOKA_API int CheckParamsLogNormalLocSigmaPerc_(int kind, double location, double sigma, double P,
                                                double x);
STOKA_API int CheckParamsLogNormalLoc2Perc_(int kind, double location, double P1, double x1,
                                            double P2, double x2);
STOKA_API int CheckParamsLogNormalMeanSigmaPerc_(int kind, double mean, double sigma, double P,
                                                 double x);
STOKA_API int CheckParamsLogNormalMean2Perc_(int kind, double mean, double P1, double x1,
                                             double P2, double x2);
STOKA_API int CheckParamsLogNormalSigma2Perc_(int kind, double sigma, double P1, double x1,
                                              double P2, double x2);
STOKA_API int CheckParamsLogNormal3Perc_(int kind, double P1, double x1, double P2, double x2,
                                         double P3, double x3);

// Entry points: the check (its code returned unchanged when not 1, nothing
// written), then the conversion. Those that run a solver write 0.0 to all
// three outputs when it finds nothing. An unknown kind that the check lets
// through gives 0 with nothing written.
STOKA_API int CalcLogNormalDistributionByLocMeanPerc_(int kind, double location, double mean,
                                                      double P, double x, double* o1, double* o2,
                                                      double* o3);
STOKA_API int CalcLogNormalDistributionByLocMeanPerc__(double location, double mean, double P,
                                                       double x, double* o1, double* o2,
                                                       double* o3);
STOKA_API int CalcLogNormalDistributionByLocStDevPerc_(int kind, double location, double sigma,
                                                       double P, double x, double* o1, double* o2,
                                                       double* o3);
STOKA_API int CalcLogNormalDistributionByLoc2Perc_(int kind, double location, double P1,
                                                   double x1, double P2, double x2, double* o1,
                                                   double* o2, double* o3);
STOKA_API int CalcLogNormalDistributionByMeanStDevPerc_(int kind, double mean, double sigma,
                                                        double P, double x, double* o1,
                                                        double* o2, double* o3);
STOKA_API int CalcLogNormalDistributionByMean2Perc_(int kind, double mean, double P1, double x1,
                                                    double P2, double x2, double* o1, double* o2,
                                                    double* o3);
STOKA_API int CalcLogNormalDistributionByStDev2Perc_(int kind, double sigma, double P1,
                                                     double x1, double P2, double x2, double* o1,
                                                     double* o2, double* o3);
STOKA_API int CalcLogNormalDistributionBy3Perc_(int kind, double P1, double x1, double P2,
                                                double x2, double P3, double x3, double* o1,
                                                double* o2, double* o3);

// The conversions alone, same arguments, no check.
STOKA_API int ConvertParamsLogNormalLocMeanPerc_(int kind, double location, double mean,
                                                 double P, double x, double* o1, double* o2,
                                                 double* o3);
STOKA_API int ConvertParamsLogNormalLocSigmaPerc_(int kind, double location, double sigma,
                                                  double P, double x, double* o1, double* o2,
                                                  double* o3);
STOKA_API int ConvertParamsLogNormalLoc2Perc_(int kind, double location, double P1, double x1,
                                              double P2, double x2, double* o1, double* o2,
                                              double* o3);
STOKA_API int ConvertParamsLogNormalMeanSigmaPerc_(int kind, double mean, double sigma, double P,
                                                   double x, double* o1, double* o2, double* o3);
STOKA_API int ConvertParamsLogNormalMean2Perc_(int kind, double mean, double P1, double x1,
                                               double P2, double x2, double* o1, double* o2,
                                               double* o3);
STOKA_API int ConvertParamsLogNormalSigma2Perc_(int kind, double sigma, double P1, double x1,
                                                double P2, double x2, double* o1, double* o2,
                                                double* o3);
STOKA_API int ConvertParamsLogNormal3Perc_(int kind, double P1, double x1, double P2, double x2,
                                           double P3, double x3, double* o1, double* o2,
                                           double* o3);

// Cumulative fractions f instead of given percents. Outputs (location, mu,
// sigma) and (location, arithmetic mean, standard deviation).
STOKA_API int ConvertParamsLogNormalLocSigmaPerc__(double location, double sigma, double f,
                                                   double x, double* o1, double* mu, double* o3);
STOKA_API int ConvertParamsLogNormalLoc2Perc__(double location, double f1, double x1, double f2,
                                               double x2, double* o1, double* mean, double* sd);

// Fixed cumulative percents 1, 5, 10, 25, 50, 75, 90, 95, 99 (p_gauss).
// From two values: outputs (sigma, mu); 0 for an unknown or repeated
// percent or a negative value.
STOKA_API int stoka_ran_lognormal_params_(int p1, double x1, int p2, double x2, double* sigma,
                                          double* mu);
// Values at two percents read in the exceedance sense: x = e^(mu - sigma z).
STOKA_API int stoka_ran_lognormal_percentile_(int p1, int p2, double sigma, double mu, double* x1,
                                              double* x2);
// Three values at percents symmetric about 50 (the middle one 50): outputs
// (sigma, mu, location) in closed form; 0 when no lognormal with sigma > 0
// passes through them.
STOKA_API int stoka_ran_lognormal_by_three_percentile_(int p1, double x1, int p2, double x2, int p3,
                                                       double x3, double* sigma, double* mu,
                                                       double* location);
// The same after moving an unusable middle value just below halfway; 0 at
// once when the outer values lie within 0.0004 of each other (no middle
// value can serve), and after a bounded number of tries.
STOKA_API int stoka_ran_lognormal_by_three_percentile_with_selection_(
    int p1, double x1, int p2, double x2, int p3, double x3, double* sigma, double* mu,
    double* location);

// ------------------------------------------------------ LogNormal solvers
//
// Cumulative fractions q; two-point routines take x1 at the lower fraction.
// Each re-checks its arguments (returning the check's code, nothing written),
// solves for one unknown, derives the rest and writes three outputs; 0 with
// all outputs 0.0 when nothing is found. Newton's method (GSL) with the exact
// derivative; a breakdown of a Newton step (zero derivative, non-finite
// value) ends the search without success, and a root is accepted only inside
// its domain (sigma > 0, location below the values) with finite results.
// The two location searches (Mean2perc, StDev2perc) run plain Newton from -x1
// first and keep its root when it lies inside the domain with a last step
// within 1e-9 of its distance from the lowest value. Otherwise a guarded
// search takes a step that leaves the domain back by halves, measures
// convergence against that distance, and when its run from -x1 fails starts
// again from points below the lowest value (by the spread of the values times
// 1, 100, 0.01, 10, 1e4, 1e-4, 1e-6). A plain run that steps out of the
// domain walks back one unit per step (the callbacks' penalty over its own
// slope) and may spend its whole limit doing so.
// Outputs in order: (mean, sd, location) in the arithmetic parameterisation,
// except (mu, sigma, location) from the Mu2perc routine.
STOKA_API int CalcLogNormalDistributionByLocStDevPercAR(double location, double sd, double x,
                                                        double q, double* mean_out,
                                                        double* sd_out, double* location_out);
STOKA_API int CalcLogNormalDistributionByMu2percLOG(double mu, double x1, double q1, double x2,
                                                    double q2, double* mu_out, double* sigma_out,
                                                    double* location_out);
STOKA_API int CalcLogNormalDistributionByMean2percAR(double mean, double x1, double q1, double x2,
                                                     double q2, double* mean_out, double* sd_out,
                                                     double* location_out);
STOKA_API int CalcLogNormalDistributionByStDev2percAR(double sd, double x1, double q1, double x2,
                                                      double q2, double* mean_out, double* sd_out,
                                                      double* location_out);
STOKA_API int CalcLogNormalDistributionByStDevMeanPercAR(double sd, double mean, double x,
                                                         double q, double* mean_out,
                                                         double* sd_out, double* location_out);
// Three points: a one-dimensional simplex over the location, retried with the
// step sizes 100, 1, 0.1, 5000, 10000, 20000, 100000. A run that settles
// where no location is admissible counts as failed.
STOKA_API int CalcLogNormalDistributionBy3PercAR(double x1, double x2, double x3, double q1,
                                                 double q2, double q3, double* mean_out,
                                                 double* sd_out, double* location_out);
STOKA_API int CalcLogNormalDistributionBy3PercWithStepAR(double x1, double x2, double x3,
                                                         double q1, double q2, double q3,
                                                         double* mean_out, double* sd_out,
                                                         double* location_out, double step);

// The solvers' parameter block: 11 doubles. 0 x1, 1 x2, 2 x3, 3 q1, 4 q2,
// 5 q3, 6 location, 7 standard deviation, 8 arithmetic mean, 10 mu.
STOKA_API void lognormal_by_st_dev_2perc_copyparams(void* block, double* sd, double* x1,
                                                    double* q1, double* x2, double* q2);
STOKA_API void lognormal_by_st_dev_mean_perc_copyparams(void* block, double* sd, double* mean,
                                                        double* x, double* q);

// Function, derivative and combined callbacks of the Newton searches. Outside
// a search's domain all three give 999999.0.
STOKA_API double lognormal_by_loc_stdev_perc(double sigma, void* block);
STOKA_API double lognormal_deriv__by_loc_stdev_perc(double sigma, void* block);
STOKA_API void lognormal_fdf_by_loc_stdev_perc(double sigma, void* block, double* f, double* df);
STOKA_API double lognormal_by_mu_2perc(double sigma, void* block);
STOKA_API double lognormal_deriv_by_mu_2perc(double sigma, void* block);
STOKA_API void lognormal_fdf_by_mu_2perc(double sigma, void* block, double* f, double* df);
STOKA_API double lognormal_by_mean_2perc(double location, void* block);
STOKA_API double lognormal_deriv_by_mean_2perc(double location, void* block);
STOKA_API void lognormal_fdf_by_mean_2perc(double location, void* block, double* f, double* df);
STOKA_API double lognormal_by_st_dev_2perc(double location, void* block);
STOKA_API double lognormal_deriv_by_st_dev_2perc(double location, void* block);
STOKA_API void lognormal_fdf_by_st_dev_2perc(double location, void* block, double* f, double* df);
STOKA_API double lognormal_by_st_dev_mean_perc(double sigma, void* block);
STOKA_API double lognormal_deriv_by_st_dev_mean_perc(double sigma, void* block);
STOKA_API void lognormal_fdf_by_st_dev_mean_perc(double sigma, void* block, double* f,
                                                 double* df);
// The three-point objective over the location x[0].
STOKA_API double lognormal_min_by_3perc(const gsl_vector* x, void* block);

// Formula functions; z(q) is the table standard score of the fraction q.
// A = log(x - location), B = z(q), C = sd^2.
STOKA_API void calc_params_for_loc_stdev_perc_minimization(double x, double q, double location,
                                                           double sd, double* A, double* B,
                                                           double* C);
// (e^(sigma^2) - 1) e^(2 mu + sigma^2), the variance.
STOKA_API double st_dev_sqr_by_mu_sigma(double mu, double sigma);
// log((x2 - location) / (x1 - location)) / (z(q2) - z(q1)), and its
// derivative with respect to the location.
STOKA_API double sigma_by_2perc_location(double location, double x1, double q1, double x2,
                                         double q2);
STOKA_API double sigma_by_2perc_location_derivate(double location, double x1, double q1,
                                                  double x2, double q2);
// location + e^(sigma^2 / 2 + log(x - location) - z(q) sigma): the mean.
STOKA_API double mean_by_perc_sigma_location(double location, double sigma, double x, double q);
STOKA_API double mu_by_perc_location_sigma(double location, double sigma, double x, double q);
STOKA_API double mu_by_mean_location_sigma(double location, double sigma, double mean);
// The searched functions and their derivatives, the block's fields spelled out.
STOKA_API double func_for_mu_2perc(double sigma, double mu, double x1, double q1, double x2,
                                   double q2);
STOKA_API double func_for_mu_2perc_derivate(double sigma, double mu, double x1, double q1,
                                            double x2, double q2);
STOKA_API double func_for_st_dev_mean_perc(double sigma, double sd, double mean, double x,
                                           double q);
STOKA_API double func_for_st_dev_mean_perc_derivate(double sigma, double sd, double mean,
                                                    double x, double q);
STOKA_API double func_for_st_dev_2perc(double location, double sd, double x1, double q1,
                                       double x2, double q2);
STOKA_API double func_for_st_dev_2perc_derivate(double location, double sd, double x1, double q1,
                                                double x2, double q2);
STOKA_API double func_for_mean_2perc(double location, double mean, double x1, double q1,
                                     double x2, double q2);
STOKA_API double func_for_mean_2perc_derivate(double location, double mean, double x1, double q1,
                                              double x2, double q2);

#endif
