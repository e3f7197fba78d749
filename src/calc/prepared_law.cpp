#include "calc/prepared_law.hpp"

#include <typeindex>

#include "calc/quantile_runs.hpp"
#include "stoka/continuous.hpp"
#include "stoka/discrete.hpp"

namespace stoka {
namespace {
// Exactly these classes (a class derived from one of them is not one of them).
const std::type_index kTabledFamilies[] = {
    typeid(LogTriangularDistribution), typeid(NormalDistribution), typeid(LogNormalDistribution),
    typeid(BetaDistribution), typeid(PertDistribution)};
const std::type_index kOwnFamilies[] = {
    typeid(UniformDistribution), typeid(TriangularDistribution), typeid(LogTriangularDistribution),
    typeid(NormalDistribution), typeid(LogNormalDistribution), typeid(BetaDistribution),
    typeid(PertDistribution), typeid(GenericDiscreteDistribution),
    typeid(DiscreteUniformDistribution), typeid(BernoulliDistribution),
    typeid(ConstantDistribution)};
}  // namespace

PreparedLaw::PreparedLaw(const IDistribution& distribution) : distribution_(&distribution) {
  const std::type_index type(typeid(distribution));
  for (const std::type_index& tabled : kTabledFamilies) tabled_ = tabled_ || type == tabled;
  for (const std::type_index& own : kOwnFamilies) pure_ = pure_ || type == own;
  double alpha = 0.0, beta = 0.0;
  if (type == typeid(BetaDistribution)) {
    const auto& g = static_cast<const BetaDistribution&>(distribution).generator();
    alpha = g.Alpha();
    beta = g.Beta();
    min_ = g.Min();
    max_ = g.Max();
  } else if (type == typeid(PertDistribution)) {
    const auto& g = static_cast<const PertDistribution&>(distribution).generator();
    CalcAlphaBetaForPert(g.Min(), g.Max(), g.MostLikely(), &alpha, &beta);
    min_ = g.Min();
    max_ = g.Max();
  }
  if (BetaShapeServes(alpha, beta)) shape_.emplace(alpha, beta);
  if (type == typeid(NormalDistribution)) run_ = Run::kNormal;
  if (type == typeid(TriangularDistribution)) run_ = Run::kTriangular;
}

void PreparedLaw::Quantiles(int n, const double* p, double* x) const {
  if (run_ == Run::kNormal) {
    const auto& g = static_cast<const NormalDistribution*>(distribution_)->generator();
    return NormalQuantiles(n, p, g.Sigma(), g.Mean(), x);
  }
  if (run_ == Run::kTriangular) {
    const auto& g = static_cast<const TriangularDistribution*>(distribution_)->generator();
    return TriangularQuantiles(n, p, g.Min(), g.Max(), g.MostLikely(), x);
  }
  for (int i = 0; i < n; ++i) x[i] = Quantile(p[i]);
}

}  // namespace stoka
