// Fitting from judged values: every fitting entry point of the library's flat
// lists is a case. The case is chosen by the names of its parameters (the
// fixed ones given, and how many judged values), read from the lists
// themselves, so every case the library fits is reachable and none is typed
// twice.
#include "fit_cases.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <sstream>
#include <tuple>

namespace cli {
namespace {

// One argument slot of a call: a number, a whole number, or an output.
struct Slot {
  double number = 0;
  int whole = 0;
  double* out = nullptr;
};

template <class T>
struct FromSlot;
template <>
struct FromSlot<double> {
  static double Get(const Slot& s) { return s.number; }
};
template <>
struct FromSlot<int> {
  static int Get(const Slot& s) { return s.whole; }
};
template <>
struct FromSlot<double*> {
  static double* Get(const Slot& s) { return s.out; }
};

using Invoker = std::function<int(const std::vector<Slot>&)>;

template <class... A, size_t... I>
int InvokeWith(int (*f)(A...), const std::vector<Slot>& slots, std::index_sequence<I...>) {
  return f(FromSlot<A>::Get(slots[I])...);
}
// Only fitters (which return an int result code) can be cases.
template <class R, class... A>
Invoker MakeInvoker(R (*)(A...)) {
  return nullptr;
}
template <class... A>
Invoker MakeInvoker(int (*f)(A...)) {
  return [f](const std::vector<Slot>& slots) {
    return InvokeWith(f, slots, std::index_sequence_for<A...>{});
  };
}

struct Entry {
  const char* name;
  const char* params;
  Invoker invoke;
};

#define CLI_FIT_ENTRY(ret, name, params, args, fail) Entry{#name, #params, MakeInvoker(&::name)},
#define CLI_FIT_SKIP(ret, name, params)

const std::vector<Entry>& Entries() {
  static const std::vector<Entry> entries = {
      STOKA_FLAT_FIT(CLI_FIT_ENTRY, CLI_FIT_SKIP) STOKA_FLAT_FIT_NORMAL(CLI_FIT_ENTRY, CLI_FIT_SKIP)};
  return entries;
}

struct Param {
  std::string name;
  bool pointer;
  bool whole;
};

std::vector<Param> ParseParams(const std::string& text) {
  std::vector<Param> params;
  std::string inside = text.substr(1, text.size() - 2), item;
  std::istringstream in(inside);
  while (std::getline(in, item, ',')) {
    const bool pointer = item.find('*') != std::string::npos;
    const bool whole = item.find("int ") != std::string::npos;
    std::string name = item.substr(item.find_last_of(" *") + 1);
    params.push_back({name, pointer, whole});
  }
  return params;
}

// The family of a fitting entry point, from its name; empty for other entries.
std::string FamilyOf(const std::string& name) {
  static const std::pair<const char*, const char*> kPrefixes[] = {
      {"CalcLogTriangularDistributionBy", "logtriangular"},
      {"CalcTriangularDistributionBy", "triangular"},
      {"CalcPertDistributionBy", "pert"},
      {"CalcBetaDistributionBy", "beta"},
      {"CalcGaussianDistributionBy", "normal"},
      {"CalcLogNormalDistributionBy", "lognormal"}};
  for (const auto& [prefix, family] : kPrefixes)
    if (name.rfind(prefix, 0) == 0) return family;
  return "";
}

bool IsValue(const std::string& n) { return n == "x" || (n.size() == 2 && n[0] == 'x'); }
bool IsPercent(const std::string& n) {
  return n == "p" || n == "P" || (n.size() == 2 && (n[0] == 'p' || n[0] == 'P') && isdigit(n[1]));
}

// A case: the entry, the fixed parameters it takes (in the program's words),
// and how many judged values.
struct Case {
  const Entry* entry;
  std::string family;
  std::vector<Param> params;
  std::set<std::string> fixed;
  int judged;
};

// The library's parameter names in the program's words.
std::string Spoken(const std::string& family, const std::string& name) {
  if (name == "ml") return "mode";
  if (name == "sigma") return family == "normal" ? "sd" : "spread";
  if (name == "mean" && family == "lognormal") return "centre";
  return name;
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const auto& e : Entries()) {
    const std::string family = FamilyOf(e.name);
    if (family.empty() || !e.invoke) continue;
    Case c{&e, family, ParseParams(e.params), {}, 0};
    for (const auto& p : c.params) {
      if (p.pointer || p.name == "max_iter" || p.name == "tolerance" || p.name == "kind" ||
          IsPercent(p.name))
        continue;
      if (IsValue(p.name))
        ++c.judged;
      else
        c.fixed.insert(Spoken(family, p.name));
    }
    cases.push_back(std::move(c));
  }
  return cases;
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
  for (const auto& f : c.fixed) s += f + " ";
  return s + std::to_string(c.judged) + (c.judged == 1 ? " value" : " values");
}

}  // namespace

std::string FitCasesHelp() {
  std::map<std::string, std::vector<std::string>> by_family;
  for (const auto& c : Cases()) by_family[c.family].push_back(Describe(c));
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
    if (c.family == spec.family) candidates.push_back(c);
  if (candidates.empty())
    throw InputError(spec.where, "cannot fit the family \"" + spec.family +
                                     "\" (fitted families: triangular, logtriangular, pert, "
                                     "beta, normal, lognormal)");
  const Case* chosen = nullptr;
  for (const auto& c : candidates)
    if (c.fixed == given && c.judged == count) chosen = &c;
  if (!chosen) {
    std::string list;
    for (const auto& c : candidates) list += "\n    " + Describe(c);
    std::string have;
    for (const auto& g : given) have += g + " ";
    throw InputError(spec.where, "no " + spec.family + " fit takes " + have + std::to_string(count) +
                                     " judged value" + (count == 1 ? "" : "s") +
                                     "; the cases are:" + list);
  }

  // Arguments by name: values in ascending order with their percents in the
  // library's exceedance sense; outputs into a map by name.
  std::vector<Slot> slots(chosen->params.size());
  std::map<std::string, double> outputs;
  for (const auto& p : chosen->params)
    if (p.pointer) outputs[p.name] = 0.0;
  for (size_t i = 0; i < chosen->params.size(); ++i) {
    const Param& p = chosen->params[i];
    Slot& s = slots[i];
    if (p.pointer) {
      s.out = &outputs[p.name];
    } else if (p.name == "max_iter") {
      s.whole = iter_count;
    } else if (p.name == "tolerance") {
      s.number = eps;
    } else if (p.name == "kind") {
      s.whole = kind;
    } else if (IsValue(p.name) || IsPercent(p.name)) {
      const size_t k = p.name.size() == 2 ? static_cast<size_t>(p.name[1] - '1') : 0;
      s.number = IsValue(p.name) ? spec.judged[k].value : LibraryPercent(spec.judged[k].below);
    } else {
      s.number = fixed.at(Spoken(spec.family, p.name));
    }
  }
  const int result = chosen->entry->invoke(slots);
  if (result != 1)
    throw InputError(spec.where, std::string(chosen->entry->name) +
                                     (result == 0 ? " found no " + spec.family +
                                                        " distribution through these values "
                                                        "(check that they suit the family and "
                                                        "the fixed parameters)"
                                                  : " refused the arguments (code " +
                                                        std::to_string(result) + ")"));

  auto out = [&](const char* name) {
    for (const auto& [key, value] : outputs)
      if (key == std::string(name) + "_out" || key == name) return value;
    return static_cast<double>(NAN);
  };
  QuantitySpec made;
  made.name = spec.name;
  made.family = spec.family;
  made.where = spec.where;
  if (spec.family == "beta") {
    made.params = {{"alpha", out("alpha")}, {"beta", out("beta")}, {"min", out("min")},
                   {"max", out("max")}};
  } else if (spec.family == "normal") {
    made.params = {{"mean", out("mean")}, {"sd", out("sigma")}};
  } else if (spec.family == "lognormal") {
    double mu = out("o2"), sigma = out("o3");
    const double location = out("o1");
    if (kind == 0 && !ConvertParamsLogNormalArToLog(location, out("o2"), out("o3"), &mu, &sigma))
      throw InputError(spec.where, "the fitted lognormal cannot be expressed by mu and sigma");
    if (kind == 2 && !ConvertParamsLogNormalGeoToLog(location, out("o2"), out("o3"), &mu, &sigma))
      throw InputError(spec.where, "the fitted lognormal cannot be expressed by mu and sigma");
    made.params = {{"mu", mu}, {"sigma", sigma}, {"location", location}};
  } else {
    made.params = {{"min", out("min")}, {"mode", out("ml")}, {"max", out("max")}};
  }
  Quantity q = MakeQuantity(made);
  q.judged = spec.judged;
  q.fit_case = chosen->entry->name;
  return q;
}

}  // namespace cli
