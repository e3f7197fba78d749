// Fitting from judged values: every fitting row of the library's lists is a
// case. A case is told by its family, the fixed parameters it takes and the
// number of its judged values, as its row states them, so every case the
// library fits is reachable and none is typed twice.
#include "fit_cases.hpp"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <set>
#include <sstream>
#include <type_traits>
#include <utility>

#include "fit/rows.hpp"
#include "model.hpp"

namespace cli {
namespace {

using stoka::fit::Arg;
using stoka::fit::Field;
using stoka::fit::Row;

// The arguments of one call: the row's roles filled from the quantity.
struct Slots {
  const Row* row;
  int kind;
  const std::vector<Judged>* judged;
  double tolerance;
  double fixed[stoka::fit::kFieldCount] = {};
  double out[stoka::fit::kFieldCount] = {};

  template <class T>
  T Get(int i) {
    const Arg a = row->arg[i];
    if constexpr (std::is_same_v<T, int>) {
      return a.what == Arg::kIter ? iter_count : kind;
    } else if constexpr (std::is_same_v<T, double*>) {
      return &out[a.index];
    } else {
      switch (a.what) {
        case Arg::kTolerance: return tolerance;
        case Arg::kValue: return (*judged)[a.index].value;
        case Arg::kPercent: return LibraryPercent((*judged)[a.index].below);
        default: return fixed[a.index];
      }
    }
  }
};

template <class... A, size_t... I>
int InvokeWith(int (*f)(A...), Slots& s, std::index_sequence<I...>) {
  return f(s.template Get<A>(int(I))...);
}
template <class... A>
int Invoke(int (*f)(A...), Slots& s) {
  return InvokeWith(f, s, std::index_sequence_for<A...>{});
}

struct Case {
  const char* name;
  Row row;
  int (*invoke)(Slots&);
};

// The rows with a flat function (checks and fits; the ConvertParams forms
// have none).
#define CLI_FIT_ROW(TWIN, family, kind, words, ret, name, params, args, fail) \
  STOKA_FIT_FLAT_##kind(Case{#name, STOKA_FIT_ROW(family, kind, words),       \
                             [](Slots& s) { return Invoke(&::name, s); }},)

std::vector<Case> Cases() {
  const Case rows[] = {STOKA_FIT_ROWS(CLI_FIT_ROW, STOKA_FIT_SKIP_TWIN)
                           STOKA_FIT_NORMAL(CLI_FIT_ROW, STOKA_FIT_SKIP_TWIN)};
  std::vector<Case> cases;
  for (const Case& c : rows)
    if (c.row.kind == stoka::fit::Kind::kFit) cases.push_back(c);
  return cases;
}

// A parameter in the program's words.
std::string Spoken(const std::string& family, Field f) {
  static const char* const kWords[] = {"mode", "min", "max", "alpha", "beta", "mean", "sd",
                                       "location"};
  if (family == "lognormal" && f == stoka::fit::kMean) return "centre";
  if (family == "lognormal" && f == stoka::fit::kSigma) return "spread";
  return kWords[f];
}

// The fixed parameters of a case in the program's words.
std::set<std::string> Fixed(const Case& c) {
  std::set<std::string> fixed;
  for (int f = 0; f < stoka::fit::kFieldCount; ++f)
    if (c.row.fixed & stoka::fit::Bit(Field(f))) fixed.insert(Spoken(c.row.family, Field(f)));
  return fixed;
}

// How a lognormal's centre and spread are given: arithmetic mean and sd (kind
// 0), mu and sigma of the logarithm (kind 1), geometric mean and sd (kind 2).
struct LogNormalKind {
  int kind;
  const char* centre;
  const char* spread;
};
const LogNormalKind kKinds[] = {{0, "mean", "sd"}, {1, "mu", "sigma"}, {2, "gm", "gsd"}};

std::string Describe(const Case& c) {
  std::string s;
  for (const auto& f : Fixed(c)) s += f + " ";
  return s + std::to_string(c.row.points) + (c.row.points == 1 ? " value" : " values");
}

// The spread of the judged values, with the fixed bounds and mode: the scale
// that a fit's tolerance and its misses are measured against.
double Span(const QuantitySpec& spec, const std::map<std::string, double>& fixed) {
  std::vector<double> v;
  for (const auto& j : spec.judged) v.push_back(j.value);
  for (const char* key : {"min", "mode", "max"})
    if (fixed.count(key)) v.push_back(fixed.at(key));
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  if (*hi > *lo) return *hi - *lo;
  return *lo != 0 ? std::fabs(*lo) : 1.0;
}

// The tolerance a fit is given: this share of the span.
constexpr double kRelativeTolerance = 1e-9;
// A judged value missed by more than this share of the span is reported.
constexpr double kReportedMiss = 1e-3;

const char* Noun(const std::string& family) {
  if (family == "triangular") return "triangle";
  if (family == "logtriangular") return "log-triangular distribution";
  if (family == "pert") return "PERT distribution";
  return family == "beta" ? "beta distribution" : family == "normal" ? "normal distribution"
                                                                     : "lognormal distribution";
}

std::string Label(double library_percent) {
  std::ostringstream s;
  s << 'P' << 100.0 - library_percent;
  return s.str();
}

// The library's record of the fit just made: each judged value with its percent
// (exceedance) beside the fitted distribution's value there.
struct Point {
  double percent, judged, fitted;
};
std::vector<Point> FitRecord() {
  std::vector<Point> points(std::max(0, stoka_fit_miss_count()));
  for (int i = 0; i < static_cast<int>(points.size()); ++i)
    stoka_fit_miss(i, &points[i].percent, &points[i].judged, &points[i].fitted);
  return points;
}

// How far the fit misses each judged value, as a sentence naming the worst miss
// when it exceeds kReportedMiss of the span.
std::string MissSentence(const QuantitySpec& spec, const std::map<std::string, double>& fixed,
                         double span, const std::vector<Point>& points) {
  auto worst = std::max_element(points.begin(), points.end(), [](const Point& a, const Point& b) {
    return std::fabs(a.fitted - a.judged) < std::fabs(b.fitted - b.judged);
  });
  if (worst == points.end() || !(std::fabs(worst->fitted - worst->judged) > kReportedMiss * span))
    return "";
  std::ostringstream s;
  s << std::setprecision(8) << "no " << Noun(spec.family);
  std::string with;
  for (const auto& [key, value] : fixed) {
    std::ostringstream item;
    item << std::setprecision(8) << key << ' ' << value;
    with += (with.empty() ? " with " : " and ") + item.str();
  }
  s << with << " puts " << Label(worst->percent) << " at " << worst->judged;
  std::string others;
  for (const auto& p : points) {
    if (&p == &*worst) continue;
    std::ostringstream item;
    item << std::setprecision(8) << Label(p.percent) << " at " << p.judged;
    others += (others.empty() ? " with " : " and ") + item.str();
  }
  // Enough decimals to show a thousandth of the span.
  const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(span * 1e-3))), 0, 12);
  s << others << "; the closest puts it at " << std::fixed << std::setprecision(decimals)
    << worst->fitted;
  return s.str();
}

}  // namespace

std::string FitCasesHelp() {
  std::map<std::string, std::vector<std::string>> by_family;
  for (const auto& c : Cases()) by_family[c.row.family].push_back(Describe(c));
  std::string help = "Fitting cases (fixed parameters, then judged values):\n";
  for (const auto& [family, list] : by_family) {
    help += "  " + family + ":";
    for (const auto& d : list) help += " [" + d + "]";
    help += "\n";
  }
  help += "  lognormal centre/spread: mean sd (arithmetic), mu sigma (of the logarithm), or gm gsd\n"
          "  (geometric); location shifts the distribution.";
  return help;
}

Quantity FitQuantity(const QuantitySpec& spec) {
  // The fixed parameters in the library's vocabulary, and the lognormal kind.
  std::map<std::string, double> fixed = spec.params;
  int kind = 1;
  if (spec.family == "lognormal") {
    for (const auto& k : kKinds) {
      const bool centre = fixed.count(k.centre), spread = fixed.count(k.spread);
      if (!centre && !spread) continue;
      kind = k.kind;
      if (centre) fixed["centre"] = fixed[k.centre], fixed.erase(k.centre);
      if (spread) fixed["spread"] = fixed[k.spread], fixed.erase(k.spread);
      break;
    }
  }
  std::set<std::string> given;
  for (const auto& [name, value] : fixed) given.insert(name);
  const int count = static_cast<int>(spec.judged.size());

  std::vector<Case> candidates;
  for (auto& c : Cases())
    if (c.row.family == spec.family) candidates.push_back(c);
  if (candidates.empty())
    throw InputError(spec.where, "cannot fit the family \"" + spec.family +
                                     "\" (fitted families: triangular, logtriangular, pert, "
                                     "beta, normal, lognormal)");
  std::set<std::string> takes;
  for (const auto& c : candidates)
    for (const auto& f : Fixed(c)) takes.insert(f);
  for (const auto& [key, value] : fixed) {
    if (takes.count(key)) continue;
    std::string list;
    for (const auto& t : takes) list += (list.empty() ? "" : ", ") + t;
    if (spec.family == "lognormal") list = "location, and mean and sd, mu and sigma, or gm and gsd";
    throw InputError(spec.where, "\"" + key + "\" is not a parameter of a " + spec.family +
                                     " fit (it takes judged values and " + list + ")");
  }
  // Judged values lie strictly inside fixed bounds.
  for (const auto& [key, value] : spec.params) {
    const bool low = key == "min" || key == "location", high = key == "max";
    const Judged& j = high ? spec.judged.back() : spec.judged.front();
    if ((low && !(j.value > value)) || (high && !(j.value < value))) {
      std::ostringstream s;
      s << 'P' << j.below << " = " << j.value << " is not " << (low ? "above " : "below ") << key
        << " = " << value << ": every judged value lies " << (low ? "above " : "below ") << key;
      throw InputError(spec.where, s.str());
    }
  }
  const Case* chosen = nullptr;
  for (const auto& c : candidates)
    if (Fixed(c) == given && c.row.points == count) chosen = &c;
  if (!chosen) {
    std::string list;
    for (const auto& c : candidates) list += "\n    " + Describe(c);
    std::string have;
    for (const auto& g : given) have += g + " ";
    throw InputError(spec.where, "no " + spec.family + " fit takes " + have + std::to_string(count) +
                                     " judged value" + (count == 1 ? "" : "s") +
                                     "; the cases are:" + list);
  }

  // Arguments by role: values in ascending order with their percents in the
  // library's exceedance sense; the outputs by field.
  const double span = Span(spec, spec.params);
  Slots slots{&chosen->row, kind, &spec.judged, kRelativeTolerance * span};
  for (int f = 0; f < stoka::fit::kFieldCount; ++f)
    if (chosen->row.fixed & stoka::fit::Bit(Field(f)))
      slots.fixed[f] = fixed.at(Spoken(spec.family, Field(f)));
  const int result = chosen->invoke(slots);
  if (result != 1)
    throw InputError(spec.where, result == 0 ? "no " + spec.family +
                                                   " distribution passes through " +
                                                   JudgedNames(spec.judged) +
                                                   " (check that they suit the family and the "
                                                   "fixed parameters)"
                                             : "the library refused these values (code " +
                                                   std::to_string(result) + ")");

  const std::vector<Point> record = FitRecord();
  const std::string miss = MissSentence(spec, spec.params, span, record);
  auto out = [&](Field f) { return slots.out[f]; };
  using namespace stoka::fit;
  QuantitySpec made;
  made.name = spec.name;
  made.family = spec.family;
  made.where = spec.where;
  if (spec.family == "beta") {
    made.params = {{"alpha", out(kAlpha)}, {"beta", out(kBeta)}, {"min", out(kMin)},
                   {"max", out(kMax)}};
  } else if (spec.family == "normal") {
    made.params = {{"mean", out(kMean)}, {"sd", out(kSigma)}};
  } else if (spec.family == "lognormal") {
    double mu = out(kMean), sigma = out(kSigma);
    const double location = out(kLocation);
    if (kind == 0 && !ConvertParamsLogNormalArToLog(location, out(kMean), out(kSigma), &mu, &sigma))
      throw InputError(spec.where, "the fitted lognormal cannot be expressed by mu and sigma");
    if (kind == 2 && !ConvertParamsLogNormalGeoToLog(location, out(kMean), out(kSigma), &mu, &sigma))
      throw InputError(spec.where, "the fitted lognormal cannot be expressed by mu and sigma");
    made.params = {{"mu", mu}, {"sigma", sigma}, {"location", location}};
  } else {
    made.params = {{"min", out(kMin)}, {"mode", out(kMl)}, {"max", out(kMax)}};
  }
  // Values too large for doubles give a fit with infinite tails or moments.
  for (const auto& [name, value] : made.params)
    if (!std::isfinite(value))
      throw InputError(spec.where, "the fitted " + spec.family + " distribution has " + name +
                                       " beyond the range of numbers: the judged values are too "
                                       "large for it");
  Quantity q = MakeQuantity(made);
  for (double p : {0.001, 0.999})
    if (!std::isfinite(GetInverseCDFValue(q.handle, p)))
      throw InputError(spec.where, "the fitted " + spec.family + " distribution reaches beyond " +
                                       "the range of numbers (its P" + (p < 0.5 ? "0.1" : "99.9") +
                                       " is infinite): the judged values are too large for it");
  q.judged = spec.judged;
  q.fit_case = chosen->name;
  q.miss = miss;
  for (const auto& p : record) q.fit_points.push_back({100.0 - p.percent, p.judged, p.fitted});
  return q;
}

}  // namespace cli
