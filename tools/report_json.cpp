// The report of a run as JSON: what the text report says, for other programs.
// A number that is not finite (the correlation of a constant) is null.
#include <cmath>
#include <nlohmann/json.hpp>

#include "outcome.hpp"

namespace cli {
namespace {

using nlohmann::ordered_json;

ordered_json Number(double x) { return std::isfinite(x) ? ordered_json(x) : ordered_json(nullptr); }

ordered_json Stats(const Summary& s) {
  return {{"mean", Number(s.mean)}, {"sd", Number(s.sd)}, {"min", Number(s.min)},
          {"P5", Number(s.p5)},     {"P50", Number(s.p50)}, {"P95", Number(s.p95)},
          {"max", Number(s.max)}};
}

}  // namespace

void WriteJson(std::ostream& out, const Outcome& o) {
  const Model& m = *o.model;
  ordered_json report = {{"model", m.file},
                         {"title", m.title},
                         {"description", m.description},
                         {"samples", o.n},
                         {"method", m.latin ? "latin" : "montecarlo"},
                         {"seed", o.seed},
                         {"correlation_method", m.rank ? "rank" : "pairwise"},
                         {"percentile_convention", "P10: a 10 % chance of lying below"},
                         // every order statistic, or those each block kept
                         {"percentile_method", o.blocks ? "kept_order_statistics" : "interpolated"}};
  if (o.blocks)
    report["blocks"] = {{"block_size", o.blocks->size},
                        {"count", o.blocks->count},
                        {"block_seed", "upper 32 bits of SplitMix64((seed << 32) | block index)"},
                        {"percentile_error", o.blocks->percentile_error},
                        {"histogram_slack", o.blocks->slack},
                        {"rank_correlations", "mean over blocks, weighted by block size"}};
  ordered_json& quantities = report["quantities"] = ordered_json::array();
  for (size_t q = 0; q < o.quantities->size(); ++q) {
    const Quantity& quantity = (*o.quantities)[q];
    const QuantitySpec& spec = m.quantities[q];
    ordered_json item = {{"name", quantity.name}, {"family", quantity.family}};
    ordered_json& parameters = item["parameters"] = ordered_json::object();
    for (const auto& [name, value] : quantity.params) parameters[name] = Number(value);
    if (!quantity.fit_points.empty()) {
      ordered_json& fitted = item["judged"] = ordered_json::array();
      for (const auto& p : quantity.fit_points)
        fitted.push_back({{"percentile", p.below}, {"judged", p.judged}, {"fitted", Number(p.fitted)}});
      if (!quantity.miss.empty()) item["note"] = quantity.miss;
    }
    item["occurs"] = spec.occurs;
    if (std::isfinite(spec.low)) item["low"] = spec.low;
    if (std::isfinite(spec.high)) item["high"] = spec.high;
    item["in_total"] = spec.in_total;
    item["summary"] = Stats(o.summaries[q]);
    quantities.push_back(std::move(item));
  }
  ordered_json total = {{"summary", Stats(o.total_summary)}};
  ordered_json& percentiles = total["percentiles"] = ordered_json::array();
  for (size_t k = 0; k < o.percents.size(); ++k)
    percentiles.push_back({{"percentile", o.percents[k]}, {"value", Number(o.total_at[k])}});
  report["total"] = std::move(total);
  ordered_json& pairs = report["correlations"] = ordered_json::array();
  for (const PairOutcome& p : o.pairs) {
    ordered_json item = {{"between", {p.a, p.b}},
                         {"target", p.target},
                         {"target_kind", m.rank ? "spearman" : "pearson"},
                         {"pearson", Number(p.pearson)},
                         {"spearman", Number(p.spearman)}};
    if (!m.rank && !o.blocks) item["missed"] = p.missed;  // a merged run has no single draw to judge
    if (p.missed) item["bound"] = Number(p.bound);
    pairs.push_back(std::move(item));
  }
  if (m.rank) report["matrix_repaired_by"] = o.repaired;
  ordered_json& sensitivity = report["sensitivity"] = ordered_json::array();
  for (const Sensitivity& s : o.sensitivity)
    sensitivity.push_back({{"name", s.name},
                           {"rank_correlation", Number(s.rank_correlation)},
                           {"variance_share", Number(s.variance_share)}});
  out << report.dump(2, ' ', false, ordered_json::error_handler_t::replace) << '\n';
}

}  // namespace cli
