/* One distribution of each family: its name, bounds, median and a few draws.
   The exponential family has free functions only. */
#include <math.h>
#include <stdio.h>

#include "stoka/stoka.h"
#include "tour.h"

#define DRAWS 4

/* Draws through the flat interface: the GSL families from the seeded stream,
   the others with the same uniform source handed to their random functions. */
typedef double (*draw_fn)(void);

static double draw_uniform(void) { return UniformRandom(2.385, 7.91, stoka_ran_uniform); }
static double draw_triangular(void) {
  return TriangularRandom(1.25, 7.9, 2.385, stoka_ran_uniform);
}
static double draw_logtriangular(void) {
  return LogTriangularRandom(1.5, 12.4, 3.7, stoka_ran_uniform);
}
static double draw_normal(void) { return stoka_ran_gaussian(3.27, 1.85); }
static double draw_lognormal(void) { return stoka_ran_lognormal(2.15, 0.731, 0.442); }
static double draw_beta(void) { return stoka_ran_beta(1.5, 7.75, 2.35, 4.1); }
static double draw_pert(void) { return stoka_ran_pert(1.2, 9.7, 3.05); }
static double draw_bernoulli(void) { return BernoulliRandom(0.3183, stoka_ran_uniform); }

/* A discrete handle draws one of its values, each with its share of weight. */
static IDistribution* discrete_handle = NULL;
static double draw_discrete(void) {
  unsigned count = 0;
  const double* values = GenericDiscreteGetValues(discrete_handle, &count);
  unsigned i;
  if (count == 0) return 0.0;
  i = (unsigned)(stoka_ran_uniform() * count);
  return values[i < count ? i : count - 1];
}

static void show_line(const char* label, const char* name, double min, double max,
                      double median) {
  char bounds[64];
  snprintf(bounds, sizeof bounds, "[%g, %g]", min, max);
  printf("%-34s %-16s %-13s median %-8.6g draws", label, name, bounds, median);
}

static void show(const char* label, IDistribution* h, draw_fn draw) {
  int i;
  show_line(label, GetDistributionName(h), GetMinValue(h), GetMaxValue(h),
            GetInverseCDFValue(h, 0.5));
  discrete_handle = h;
  for (i = 0; i < DRAWS; ++i) printf(" %.4f", draw());
  printf("\n");
}

int tour_families(void) {
  static const double values[] = {2.385, -1.7, 9.25, 0.137};
  static const unsigned weights[] = {8, 1, 2, 4};
  IDistribution* h[11] = {NULL};
  int ok = 1, i;

  printf("\n== One distribution of each family\n");
  stoka_ran_seed(20260607u);
  ok &= CreateUniformDistribution(2.385, 7.91, &h[0]);
  ok &= CreateTriangularDistribution(2.385, 1.25, 7.9, &h[1]);
  ok &= CreateLogTriangularDistribution(3.7, 1.5, 12.4, &h[2]);
  ok &= CreateNormalDistribution(3.27, 1.85, &h[3]);
  ok &= CreateLogNormalDistribution(0.731, 0.442, 2.15, &h[4]);
  ok &= CreateBetaDistribution(2.35, 4.1, 1.5, 9.25, &h[5]);
  ok &= CreatePertDistribution(3.05, 1.2, 9.7, &h[6]);
  ok &= CreateDiscreteDistributionWeighted(values, weights, 4, &h[7]);
  ok &= CreateDiscreteUniformDistribution(-2, 5, &h[8]);
  ok &= CreateBernoulliDistribution(0.3183, &h[9]);
  ok &= CreateConstantDistribution(4.2, &h[10]);
  if (!ok) {
    fprintf(stderr, "a creator refused its parameters\n");
    for (i = 0; i < 11; ++i) DestroyConstantDistribution(&h[i]);
    return 1;
  }

  show("uniform on [2.385, 7.91]", h[0], draw_uniform);
  show("triangular (1.25, 2.385, 7.9)", h[1], draw_triangular);
  show("log-triangular (1.5, 3.7, 12.4)", h[2], draw_logtriangular);
  show("normal (3.27, 1.85)", h[3], draw_normal);
  show("lognormal (0.731, 0.442) from 2.15", h[4], draw_lognormal);
  show("beta (2.35, 4.1) on [1.5, 9.25]", h[5], draw_beta);
  show("pert (1.2, 3.05, 9.7)", h[6], draw_pert);
  show("weighted values", h[7], draw_discrete);
  show("discrete uniform -2..5", h[8], draw_discrete);
  show("bernoulli 0.3183", h[9], draw_bernoulli);
  show("constant 4.2", h[10], draw_discrete);
  show_line("exponential (mean 2.6) from 1.75", "(free functions)", 1.75, HUGE_VAL,
            stoka_ran_exponential_cdf_inv(0.5, 1.75, 2.6));
  for (i = 0; i < DRAWS; ++i) printf(" %.4f", stoka_ran_exponential(1.75, 2.6));
  printf("\n");

  printf("weighted values: P(2.385) = %g, P(X <= 2.385) = %g\n", GetPDFValue(h[7], 2.385),
         GetCDFValue(h[7], 2.385));
  printf("beta density at its median: %g (integrates to 1 over [1.5, 9.25])\n",
         GetPDFValue(h[5], GetInverseCDFValue(h[5], 0.5)));

  DestroyUniformDistribution(&h[0]);
  DestroyTriangularDistribution(&h[1]);
  DestroyLogTriangularDistribution(&h[2]);
  DestroyNormalDistribution(&h[3]);
  DestroyLogNormalDistribution(&h[4]);
  DestroyBetaDistribution(&h[5]);
  DestroyPertDistribution(&h[6]);
  DestroyDiscreteDistribution(&h[7]);
  DestroyDiscreteUniformDistribution(&h[8]);
  DestroyBernoulliDistribution(&h[9]);
  DestroyConstantDistribution(&h[10]);
  return 0;
}
