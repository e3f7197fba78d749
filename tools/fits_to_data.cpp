// Fits to sample data for `stoka stats`: every family the library fits by
// minimizing the Pearson statistic, ranked by the statistic reached.
#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "stats_command.hpp"

namespace cli {
namespace {

struct FitRow {
  std::string family;
  std::string parameters;
  double statistic;
  bool converged;
};

std::string Params(std::initializer_list<std::pair<const char*, double>> list) {
  std::ostringstream s;
  s << std::setprecision(6);
  for (const auto& [name, value] : list) s << name << "=" << value << " ";
  return s.str();
}

}  // namespace

void FitsToData(const std::vector<double>& values, std::ostream& out) {
  const double* d = values.data();
  const int n = static_cast<int>(values.size());
  const double lo = stoka_stats_min(d, n), hi = stoka_stats_max(d, n);
  const double mean = stoka_stats_mean(d, n), sd = stoka_stats_sd(d, n);
  const double pad = (hi - lo) * 0.01;
  // Starting points from the sample: bounds just outside its range, the mode
  // from the mean of a triangle (3 mean - min - max) or a Pert (6 mean - min -
  // max) / 4, kept inside the bounds.
  const double min0 = lo - pad, max0 = hi + pad;
  const double tri_mode = std::clamp(3 * mean - min0 - max0, min0, max0);
  const double pert_mode = std::clamp((6 * mean - min0 - max0) / 4, min0, max0);
  std::vector<FitRow> rows;
  double a, b, c, e, f;
  if (CalcUniformByXi(n, d, &a, &b, &f))
    rows.push_back({"uniform", Params({{"min", a}, {"max", b}}), f, true});
  double ok = stoka_ran_triangular_by_xi(tri_mode, min0, max0, n, d, &a, &b, &c, &f);
  rows.push_back({"triangular", Params({{"mode", a}, {"min", b}, {"max", c}}), f, ok == 1.0});
  ok = stoka_ran_pert_by_xi(pert_mode, min0, max0, n, d, &a, &b, &c, &f);
  rows.push_back({"pert", Params({{"mode", a}, {"min", b}, {"max", c}}), f, ok == 1.0});
  ok = stoka_ran_beta_by_xi(2.0, 2.0, min0, max0, n, d, &a, &b, &c, &e, &f);
  rows.push_back({"beta", Params({{"alpha", a}, {"beta", b}, {"min", c}, {"max", e}}), f, ok == 1.0});
  ok = stoka_ran_lognormal_by_xi(mean, sd, lo - sd, n, d, &a, &b, &c, &f);
  rows.push_back({"lognormal", Params({{"mean", a}, {"sd", b}, {"location", c}}), f, ok == 1.0});
  if (lo > 0) {
    ok = stoka_ran_logtriangular_by_xi(std::max(tri_mode, lo * 0.999), lo * 0.99, hi * 1.01, n, d,
                                       &a, &b, &c, &f);
    rows.push_back({"logtriangular", Params({{"mode", a}, {"min", b}, {"max", c}}), f, ok == 1.0});
  }
  std::stable_sort(rows.begin(), rows.end(), [](const FitRow& x, const FitRow& y) {
    const bool xf = std::isfinite(x.statistic), yf = std::isfinite(y.statistic);
    if (xf != yf) return xf;
    return x.statistic < y.statistic;
  });
  out << "\nFamilies fitted by minimizing Pearson's chi-square statistic (best first)\n";
  out << "  " << std::left << std::setw(15) << "family" << std::setw(14) << "statistic"
      << "parameters\n";
  for (const auto& r : rows) {
    std::ostringstream stat;
    stat << std::setprecision(5) << r.statistic << (r.converged ? "" : " *");
    out << "  " << std::setw(15) << r.family << std::setw(14) << stat.str() << r.parameters << '\n';
  }
  out << std::right << "  (* the search stopped without converging)\n";
}

}  // namespace cli
