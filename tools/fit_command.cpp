// `stoka fit`: judged values and fixed parameters in, the fitted distribution out.
#include "fit_command.hpp"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "cli.hpp"
#include "fit_cases.hpp"
#include "model.hpp"

namespace cli {
namespace {

// The mean as the integral of the quantile over (0, 1), by the midpoint rule:
// it needs nothing of the family but its quantile.
double MeanByQuantile(IDistribution* d) {
  const int steps = 20000;
  double sum = 0;
  // Each term divided first: values near the largest double do not overflow.
  for (int i = 0; i < steps; ++i) sum += GetInverseCDFValue(d, (i + 0.5) / steps) / steps;
  return sum;
}

}  // namespace

int FitCommand(const std::string& family, const std::vector<std::string>& given, bool strict,
               std::ostream& out) {
  QuantitySpec spec;
  spec.name = family;
  spec.family = family;
  spec.where = "stoka fit";
  for (const auto& item : given) {
    const auto eq = item.find('=');
    const std::string where = "argument \"" + item + "\"";
    if (eq == std::string::npos || eq == 0 || eq + 1 == item.size())
      throw InputError(where, "write KEY=VALUE, e.g. P10=4.2 or min=1");
    const std::string key = item.substr(0, eq), text = item.substr(eq + 1);
    std::istringstream number(text);
    double value;
    number >> value;
    if (number.fail() || !(number >> std::ws).eof() || !std::isfinite(value))
      throw InputError(where, "\"" + text + "\" is not a finite number");
    if (key[0] == 'P' || key[0] == 'p') {
      spec.judged.push_back({ParsePercentName(key, where), value});
    } else {
      if (spec.params.count(key)) throw InputError(where, key + " is given twice");
      spec.params[key] = value;
    }
  }
  if (spec.judged.empty())
    throw InputError("stoka fit", "give at least one judged value, e.g. P10=4.2");
  std::sort(spec.judged.begin(), spec.judged.end(),
            [](const Judged& a, const Judged& b) { return a.below < b.below; });
  CheckJudged(spec.judged, "stoka fit");

  Quantity q = FitQuantity(spec);
  if (strict && !q.miss.empty()) throw InputError("stoka fit", q.miss);
  const double mean = MeanByQuantile(q.handle);
  for (double below : {5.0, 50.0, 95.0})
    if (!std::isfinite(mean) || !std::isfinite(GetInverseCDFValue(q.handle, below / 100.0)))
      throw InputError("stoka fit", "the fitted " + q.family + " distribution has no finite " +
                                        (std::isfinite(mean) ? "P" + std::to_string(int(below))
                                                             : std::string("mean")) +
                                        ": the judged values are too large for it");
  out << "Fitted " << q.family << " to " << JudgedNames(q.judged) << "\n  parameters:";
  for (const auto& [name, value] : q.params) out << "  " << name << " = " << std::setprecision(8) << value;
  out << "\n\n  " << std::setw(8) << "given" << std::setw(16) << "judged value" << std::setw(16)
      << "fitted value" << std::setw(14) << "difference" << '\n';
  for (const auto& j : q.judged) {
    const double fitted = GetInverseCDFValue(q.handle, j.below / 100.0);
    std::ostringstream label;
    label << 'P' << j.below;
    out << "  " << std::setw(8) << label.str() << std::setw(16) << std::setprecision(8) << j.value
        << std::setw(16) << fitted << std::setw(14) << std::setprecision(3) << fitted - j.value
        << '\n';
  }
  out << "\n  mean " << std::setprecision(8) << mean;
  for (double below : {5.0, 50.0, 95.0})
    out << "   P" << below << " " << GetInverseCDFValue(q.handle, below / 100.0);
  out << '\n';
  if (!q.miss.empty()) out << "\n  note: " << q.miss << '\n';
  return 0;
}

}  // namespace cli
