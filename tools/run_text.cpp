// The text report of a run: what `stoka run` prints, for a run in one piece
// and for a run merged from blocks.
#include <cmath>
#include <cstdio>
#include <iomanip>

#include "runner.hpp"

namespace cli {
namespace {

std::string Format(const char* format, double v) {
  char text[48];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

void PrintSummaryRow(std::ostream& out, const std::string& name, const Summary& s) {
  out << "  " << std::left << std::setw(18) << name.substr(0, 18) << std::right;
  for (double v : {s.mean, s.sd, s.min, s.p5, s.p50, s.p95, s.max})
    out << std::setw(12) << std::setprecision(6) << v;
  out << '\n';
}

void PrintPercentiles(std::ostream& out, const Outcome& o) {
  out << "\nS-curve of the total (P10: a 10 % chance that the total lies below)\n";
  for (size_t k = 0; k < o.percents.size(); ++k)
    out << "  " << std::left << std::setw(8) << ("P" + Format("%.6g", o.percents[k] == 0 ? 0.0 : o.percents[k])) << std::right
        << std::setw(12) << std::setprecision(6) << o.total_at[k] << '\n';
}

void PrintTornado(std::ostream& out, const Outcome& o) {
  out << "\nSensitivity of the total (tornado): each input's rank correlation with the total\n"
      << (o.blocks ? "(mean over blocks) " : "") << "and its share of the total's variance\n  "
      << std::left << std::setw(18) << "quantity" << std::right << std::setw(8) << "rank" << "  "
      << "-1" << std::string(18, ' ') << '0' << std::string(19, ' ') << '1' << std::setw(10)
      << "variance" << '\n';
  const int half = 20;
  for (const Sensitivity& s : o.sensitivity) {
    const int bar = static_cast<int>(std::lround(std::fabs(s.rank_correlation) * half));
    const bool negative = s.rank_correlation < 0;
    const std::string left = negative ? std::string(half - bar, ' ') + std::string(bar, '#')
                                      : std::string(half, ' ');
    const std::string right = negative ? std::string(half, ' ')
                                       : std::string(bar, '#') + std::string(half - bar, ' ');
    out << "  " << std::left << std::setw(18) << s.name.substr(0, 18) << std::right
        << std::setw(8) << Format("%.3f", s.rank_correlation) << "  " << left << '|' << right
        << std::setw(10) << Format("%.1f", 100 * s.variance_share) << " %\n";
  }
}

}  // namespace

void WriteText(std::ostream& out, const ModelRunner& runner, const Outcome& o) {
  const Model& model = runner.model();
  const std::vector<Quantity>& quantities = runner.quantities();
  out << "Model " << model.file << ": " << quantities.size() << " quantities, " << o.n << " "
      << (model.latin ? "Latin hypercube" : "Monte Carlo") << " samples";
  if (o.blocks) out << " in " << o.blocks->count << (o.blocks->count == 1 ? " block of " : " blocks of ")
        << o.blocks->size;
  out << ", seed " << o.seed << "\n\n";
  runner.Describe(out);
  out << "\nSummary";
  if (o.blocks)
    out << " (moments over every sample; "
        << (o.blocks->percentile_error > 0
                ? "each percentile at most " + Format("%.3g", o.blocks->percentile_error) +
                      " points above the exact one"
                : std::string("exact percentiles"))
        << ')';
  out << "\n  " << std::left << std::setw(18) << "quantity" << std::right;
  for (const char* h2 : {"mean", "sd", "min", "P5", "P50", "P95", "max"}) out << std::setw(12) << h2;
  out << '\n';
  for (size_t q = 0; q < quantities.size(); ++q)
    PrintSummaryRow(out, quantities[q].name, o.summaries[q]);
  PrintSummaryRow(out, "Total", o.total_summary);
  PrintPercentiles(out, o);

  if (!model.correlations.empty()) {
    out << (model.rank ? "\nCorrelations: targets of ranks (Spearman), every pair of a full matrix\n  "
                       : "\nCorrelations: Pearson targets, met by the pairwise method\n  ")
        << std::left << std::setw(36) << "pair" << std::right << std::setw(10) << "target"
        << std::setw(10) << "Pearson" << std::setw(10) << "Spearman"
        << (o.blocks ? "  (Spearman: mean over blocks)" : "") << '\n';
    for (const PairOutcome& p : o.pairs) {
      out << "  " << std::left << std::setw(36) << (p.a + " / " + p.b).substr(0, 36) << std::right
          << std::fixed << std::setprecision(3) << std::setw(10) << p.target << std::setw(10)
          << p.pearson << std::setw(10) << p.spearman;
      // A target beyond what the two marginals allow is missed, and said so.
      if (p.missed) out << "  missed; the bound of the two is " << p.bound;
      out << std::defaultfloat << '\n';
    }
    if (o.repaired > 0)
      out << "  The targets cannot all be met together: they were moved to the nearest matrix\n"
             "  that can, each by at most " << std::setprecision(3) << o.repaired << ".\n";
  }
  PrintTornado(out, o);
  out << "\nHistograms";
  if (o.blocks && o.blocks->slack)
    out << " (from the kept order statistics: each count within " << o.blocks->slack
        << " of the exact one)";
  out << '\n';
  for (size_t q = 0; q < quantities.size(); ++q)
    out << "  " << quantities[q].name << '\n' << Histogram(o.histograms[q], 40);
}

}  // namespace cli
