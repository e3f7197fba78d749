// libstoka object interface: the continuous families. Uniform, Triangular and
// LogTriangular are computed in closed form; Normal, LogNormal, Beta, Pert and
// Exponential come from GSL and draw from the GSL stream.
#ifndef STOKA_CONTINUOUS_HPP
#define STOKA_CONTINUOUS_HPP

#include "stoka/distribution.hpp"


// Uniform on [min, max].
STOKA_API double UniformPDFValue_(double min, double max, double x);
STOKA_API double UniformCDFValue_(double min, double max, double x);
STOKA_API double UniformValueByCDF_(double min, double max, double p);
STOKA_API double UniformRandom_(double min, double max, stoka_uniform_fn fn);
STOKA_API int CheckParamsUniform_(double min, double max);

// Triangular with mode ml on [min, max]: the set used by the classes.
STOKA_API double TriangularPDFValue_(double min, double max, double ml, double x);
STOKA_API double TriangularCDFValue_(double min, double max, double ml, double x);
STOKA_API double TriangularValueByCDF_(double min, double max, double ml, double p);
STOKA_API double TriangularRandom_(double min, double max, double ml, stoka_uniform_fn fn);
// The set used by the fitters (other argument order, tighter snap bands).
STOKA_API double stoka_ran_triangular_cdf(double x, double ml, double min, double max);
STOKA_API double stoka_ran_triangular_cdf_inv(double p, double ml, double min, double max);

// LogTriangular: ln X triangular on [ln min, ln max] with mode ln ml.
STOKA_API double LogTriangularPDFValue_(double min, double max, double ml, double x);
STOKA_API double LogTriangularCDFValue_(double min, double max, double ml, double x);
STOKA_API double LogTriangularValueByCDF_(double min, double max, double ml, double p);
STOKA_API double LogTriangularRandom_(double min, double max, double ml, stoka_uniform_fn fn);
STOKA_API double stoka_ran_logtriangular_cdf(double x, double ml, double min, double max);
STOKA_API double stoka_ran_logtriangular_cdf_inv(double p, double ml, double min, double max);

// Normal, shifted LogNormal, Beta on [min, min + scale], Pert, shifted Exponential.
STOKA_API double stoka_ran_gaussian_(double mean, double sigma);
STOKA_API double stoka_ran_gaussian_pdf_(double x, double mean, double sigma);
STOKA_API double stoka_ran_gaussian_cdf_(double x, double mean, double sigma);
STOKA_API double stoka_ran_gaussian_cdf_inv_(double p, double mean, double sigma);
STOKA_API double stoka_ran_lognormal_(double location, double mu, double sigma);
STOKA_API double stoka_ran_lognormal_pdf_(double x, double location, double mu, double sigma);
STOKA_API double stoka_ran_lognormal_cdf_(double x, double location, double mu, double sigma);
STOKA_API double stoka_ran_lognormal_cdf_inv_(double p, double location, double mu, double sigma);
STOKA_API double stoka_ran_beta_(double min, double scale, double alpha, double beta);
// A proper density on [min, min + scale]: the standard beta density / scale.
STOKA_API double stoka_ran_beta_pdf_(double x, double min, double scale, double alpha, double beta);
STOKA_API double stoka_ran_beta_cdf_(double x, double min, double scale, double alpha, double beta);
// Note the order: shape parameters first, then the interval's ends.
STOKA_API double stoka_ran_beta_cdf_inv_(double p, double alpha, double beta, double min,
                                         double max);
STOKA_API double stoka_ran_pert_(double min, double max, double ml);
STOKA_API double stoka_ran_pert_pdf_(double x, double min, double max, double ml);
STOKA_API double stoka_ran_pert_cdf_(double x, double min, double max, double ml);
STOKA_API double stoka_ran_pert_cdf_inv_(double p, double min, double max, double ml);
STOKA_API double stoka_ran_exponential_(double shift, double mu);
STOKA_API double stoka_ran_exponential_pdf_(double x, double shift, double mu);
STOKA_API double stoka_ran_exponential_cdf_(double x, double shift, double mu);
STOKA_API double stoka_ran_exponential_cdf_inv_(double p, double shift, double mu);

// Pert shape parameters (weight 4 on the mode), in two algebraic forms.
STOKA_API void CalcAlphaBetaForPert(double min, double max, double ml, double* alpha,
                                    double* beta);
STOKA_API void CalcBetaParamsByPert(double min, double max, double ml, double* alpha,
                                    double* beta);

// Checks of complete parameter sets, used by the creators.
STOKA_API int CheckParamsNormalMeanSigma_(double mean, double sigma);
// kind 0 (arithmetic), 1 (log scale), 2 (geometric); -1 for any other kind.
STOKA_API int CheckParamsLogNormalLocMeanSigma_(int kind, double location, double mean,
                                                double sigma);
STOKA_API int CheckParamsTriangularMinMLMax_(double min, double ml, double max);
STOKA_API int CheckParamsPertMinMLMax_(double min, double ml, double max);
STOKA_API int CheckParamsBetaMinMaxAlphaBeta_(double min, double max, double alpha, double beta);

// Generators and distributions. Each distribution answers the five queries
// from its generator's parameters.
#define STOKA_DISTRIBUTION_QUERIES                  \
  double ValueByCDF(double p) const override;       \
  double XMin() const override;                     \
  double XMax() const override;                     \
  double CdfValueImpl(double x) const override;     \
  double PdfValueImpl(double x) const override;

class STOKA_API UniformRandomGenerator : public IRandomGenerator {
 public:
  UniformRandomGenerator(double min, double max) : min_(min), max_(max) {}
  std::string Name() const override;
  double GenerateRandomValue() override;
  double A() const { return min_; }
  double B() const { return max_; }

 private:
  double min_, max_;
};

class STOKA_API UniformDistribution : public OwningDistribution<UniformRandomGenerator> {
 public:
  using OwningDistribution::OwningDistribution;
  STOKA_DISTRIBUTION_QUERIES
};

class STOKA_API TriangularRandomGenerator : public IRandomGenerator {
 public:
  TriangularRandomGenerator(double min, double max, double ml) : min_(min), max_(max), ml_(ml) {}
  std::string Name() const override;
  double GenerateRandomValue() override;
  double Min() const { return min_; }
  double Max() const { return max_; }
  double MostLikely() const { return ml_; }

 private:
  double min_, max_, ml_;
};

class STOKA_API TriangularDistribution : public OwningDistribution<TriangularRandomGenerator> {
 public:
  using OwningDistribution::OwningDistribution;
  STOKA_DISTRIBUTION_QUERIES
};

class STOKA_API LogTriangularRandomGenerator : public IRandomGenerator {
 public:
  LogTriangularRandomGenerator(double min, double max, double ml)
      : min_(min), max_(max), ml_(ml) {}
  std::string Name() const override;
  double GenerateRandomValue() override;
  double Min() const { return min_; }
  double Max() const { return max_; }
  double MostLikely() const { return ml_; }

 private:
  double min_, max_, ml_;
};

class STOKA_API LogTriangularDistribution
    : public OwningDistribution<LogTriangularRandomGenerator> {
 public:
  using OwningDistribution::OwningDistribution;
  STOKA_DISTRIBUTION_QUERIES
};

class STOKA_API NormalRandomGenerator : public IRandomGenerator {
 public:
  NormalRandomGenerator(double mean, double sigma) : mean_(mean), sigma_(sigma) {}
  std::string Name() const override;
  double GenerateRandomValue() override;
  double Mean() const { return mean_; }
  double Sigma() const { return sigma_; }

 private:
  double mean_, sigma_;
};

class STOKA_API NormalDistribution : public OwningDistribution<NormalRandomGenerator> {
 public:
  using OwningDistribution::OwningDistribution;
  STOKA_DISTRIBUTION_QUERIES
};

class STOKA_API LogNormalRandomGenerator : public IRandomGenerator {
 public:
  LogNormalRandomGenerator(double mu, double sigma, double location)
      : mu_(mu), sigma_(sigma), location_(location) {}
  std::string Name() const override;
  double GenerateRandomValue() override;
  double Mu() const { return mu_; }
  double Sigma() const { return sigma_; }
  double Location() const { return location_; }

 private:
  double mu_, sigma_, location_;
};

class STOKA_API LogNormalDistribution : public OwningDistribution<LogNormalRandomGenerator> {
 public:
  using OwningDistribution::OwningDistribution;
  STOKA_DISTRIBUTION_QUERIES
};

class STOKA_API BetaRandomGenerator : public IRandomGenerator {
 public:
  BetaRandomGenerator(double alpha, double beta, double min, double max)
      : alpha_(alpha), beta_(beta), min_(min), max_(max) {}
  std::string Name() const override;
  double GenerateRandomValue() override;
  double Alpha() const { return alpha_; }
  double Beta() const { return beta_; }
  double Min() const { return min_; }
  double Max() const { return max_; }

 private:
  double alpha_, beta_, min_, max_;
};

class STOKA_API BetaDistribution : public OwningDistribution<BetaRandomGenerator> {
 public:
  using OwningDistribution::OwningDistribution;
  STOKA_DISTRIBUTION_QUERIES
};

class STOKA_API PertRandomGenerator : public IRandomGenerator {
 public:
  PertRandomGenerator(double ml, double min, double max) : ml_(ml), min_(min), max_(max) {}
  std::string Name() const override;
  double GenerateRandomValue() override;
  double MostLikely() const { return ml_; }
  double Min() const { return min_; }
  double Max() const { return max_; }

 private:
  double ml_, min_, max_;
};

class STOKA_API PertDistribution : public OwningDistribution<PertRandomGenerator> {
 public:
  using OwningDistribution::OwningDistribution;
  STOKA_DISTRIBUTION_QUERIES
};

#endif
