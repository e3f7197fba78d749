// Reading model files: JSON through nlohmann::json, checked field by field.
#include "model.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "core/constants.hpp"

namespace cli {
namespace {

using nlohmann::json;

std::string Place(const std::string& file, const std::string& field) {
  return field.empty() ? file : file + ": " + field;
}

// Line and column of a byte offset, for messages about malformed files.
std::string LineOf(const std::string& text, size_t byte) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i < byte && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

double Number(const json& value, const std::string& where) {
  if (!value.is_number()) throw InputError(where, "must be a number");
  const double x = value.get<double>();
  if (!std::isfinite(x)) throw InputError(where, "must be a finite number");
  return x;
}

QuantitySpec ParseQuantity(const json& q, const std::string& file, size_t index) {
  QuantitySpec spec;
  std::string field = "quantities[" + std::to_string(index) + "]";
  if (!q.is_object()) throw InputError(Place(file, field), "must be an object");
  if (!q.contains("name") || !q["name"].is_string() || q["name"].get<std::string>().empty())
    throw InputError(Place(file, field + ".name"), "every quantity needs a name (a text)");
  spec.name = q["name"].get<std::string>();
  field += " (\"" + spec.name + "\")";
  spec.where = Place(file, field);
  if (!q.contains("family") || !q["family"].is_string())
    throw InputError(Place(file, field + ".family"), "missing: name the family, e.g. \"pert\"");
  spec.family = q["family"].get<std::string>();
  std::transform(spec.family.begin(), spec.family.end(), spec.family.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  for (auto it = q.begin(); it != q.end(); ++it) {
    const std::string key = it.key();
    const std::string where = Place(file, field + "." + key);
    if (key == "name" || key == "family") continue;
    if (key == "judged") {
      if (!it->is_object() || it->empty())
        throw InputError(where, "must be an object of judged values such as {\"P10\": 4.2}");
      for (auto j = it->begin(); j != it->end(); ++j) {
        const std::string at = where + "." + j.key();
        spec.judged.push_back({ParsePercentName(j.key(), at), Number(*j, at)});
      }
      std::sort(spec.judged.begin(), spec.judged.end(),
                [](const Judged& a, const Judged& b) { return a.below < b.below; });
      CheckJudged(spec.judged, where);
    } else if (key == "occurs") {
      spec.occurs = Number(*it, where);
      if (!(spec.occurs >= 0 && spec.occurs <= 1))
        throw InputError(where, "the chance that a risk event occurs lies from 0 to 1");
    } else if (key == "low" || key == "high") {
      (key == "low" ? spec.low : spec.high) = Number(*it, where);
    } else if (key == "total") {
      if (!it->is_boolean()) throw InputError(where, "must be true or false");
      spec.in_total = it->get<bool>();
    } else if (key == "values") {
      if (!it->is_array()) throw InputError(where, "must be a list of numbers");
      for (size_t i = 0; i < it->size(); ++i)
        spec.values.push_back(Number((*it)[i], where + "[" + std::to_string(i) + "]"));
    } else if (key == "weights") {
      if (!it->is_array()) throw InputError(where, "must be a list of whole numbers");
      for (size_t i = 0; i < it->size(); ++i) {
        const json& w = (*it)[i];
        if (!w.is_number_unsigned() || w.get<uint64_t>() > 1000000000u)
          throw InputError(where + "[" + std::to_string(i) + "]",
                           "must be a whole number from 0 to 10^9");
        spec.weights.push_back(w.get<unsigned>());
      }
    } else {
      spec.params[key] = Number(*it, where);
    }
  }
  if (!(spec.low < spec.high))
    throw InputError(spec.where, "\"low\" must lie below \"high\"");
  return spec;
}

// Follows the parser through a file as a field path ("quantities[0].max"): a
// key given twice is refused there, and a number beyond the range of doubles
// is named by it. (A first pass of its own: the parser's callback would make
// reading a long list quadratic.)
class FieldFollower : public nlohmann::json_sax<json> {
 public:
  explicit FieldFollower(const std::string& file) : file_(file) {}
  bool null() override { return Value(); }
  bool boolean(bool) override { return Value(); }
  bool number_integer(number_integer_t) override { return Value(); }
  bool number_unsigned(number_unsigned_t) override { return Value(); }
  bool number_float(number_float_t, const string_t&) override { return Value(); }
  bool string(string_t&) override { return Value(); }
  bool binary(binary_t&) override { return Value(); }
  bool start_object(std::size_t) override { return Open(true); }
  bool start_array(std::size_t) override { return Open(false); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }
  bool key(string_t& name) override {
    levels_.back().key = name;
    if (!levels_.back().keys.insert(name).second)
      throw InputError(Place(file_, Field()), "is given twice (a key may appear once)");
    return true;
  }
  bool parse_error(std::size_t, const std::string& token,
                   const nlohmann::detail::exception& e) override {
    if (e.id == 406)
      throw InputError(Place(file_, Field()),
                       token + " is beyond the range of numbers (about 1.8e308)");
    throw static_cast<const json::parse_error&>(e);
  }

 private:
  struct Level {
    bool object;
    std::string key;
    size_t index;
    std::set<std::string> keys;
  };
  bool Open(bool object) {
    levels_.push_back({object, "", 0, {}});
    return true;
  }
  bool Close() {
    levels_.pop_back();
    return Value();
  }
  bool Value() {
    if (!levels_.empty() && !levels_.back().object) ++levels_.back().index;
    return true;
  }
  std::string Field() const {
    std::string path;
    for (const auto& l : levels_)
      path += l.object ? (path.empty() ? "" : ".") + l.key : "[" + std::to_string(l.index) + "]";
    return path;
  }
  const std::string& file_;
  std::vector<Level> levels_;
};

}  // namespace

double ParsePercentName(const std::string& name, const std::string& where) {
  // Digits with at most one decimal point: P10, P2.5 (not P1e1 nor P+10).
  double below = stoka::kNaN;
  const size_t digits = name.find_first_not_of("0123456789", 1);
  const bool plain = digits > 1 && (digits == std::string::npos ||
                                    (name[digits] == '.' && digits + 1 < name.size() &&
                                     name.find_first_not_of("0123456789", digits + 1) ==
                                         std::string::npos));
  if (plain && (name[0] == 'P' || name[0] == 'p')) below = std::strtod(name.c_str() + 1, nullptr);
  if (std::isnan(below))
    throw InputError(where, "\"" + name + "\" is not a percentile: write P10 for the value with a "
                            "10 % chance of lying below");
  return below;
}

std::string JudgedNames(const std::vector<Judged>& judged) {
  std::ostringstream names;
  for (size_t i = 0; i < judged.size(); ++i) names << (i ? ", P" : "P") << judged[i].below;
  return names.str();
}

void CheckJudged(const std::vector<Judged>& judged, const std::string& where) {
  for (size_t i = 0; i < judged.size(); ++i) {
    const auto& j = judged[i];
    if (!(j.below >= 1 && j.below <= 99))
      throw InputError(where, "P" + std::to_string(j.below).substr(0, 5) +
                                  ": percentiles must lie from P1 to P99");
    if (i > 0 && judged[i - 1].below == j.below)
      throw InputError(where, "the same percentile is given twice");
    if (i > 0 && !(j.value > judged[i - 1].value)) {
      std::ostringstream s;
      s << "P" << j.below << " = " << j.value << " is not above P" << judged[i - 1].below << " = "
        << judged[i - 1].value << ": values must rise with their percentiles";
      throw InputError(where, s.str());
    }
  }
}

Model ParseModel(const std::string& text, const std::string& file) {
  Model model;
  model.file = file;
  json root;
  try {
    FieldFollower follower(file);
    json::sax_parse(text, &follower);
    root = json::parse(text);
  } catch (const json::parse_error& e) {
    std::string reason = e.what();
    const auto at = reason.find("parse error");
    if (at != std::string::npos) reason = reason.substr(at);
    throw InputError(file + ": " + LineOf(text, e.byte > 0 ? e.byte - 1 : 0),
                     "not valid JSON (" + reason + ")");
  }
  if (!root.is_object()) throw InputError(file, "a model is a JSON object");
  for (auto it = root.begin(); it != root.end(); ++it) {
    static const std::set<std::string> known = {"samples", "method", "seed", "quantities",
                                                "correlations", "correlation_method", "description",
                                                "title"};
    if (!known.count(it.key()))
      throw InputError(Place(file, it.key()),
                       "unknown field (a model has samples, method, seed, quantities, "
                       "correlations, correlation_method, title and description)");
  }
  for (auto [key, text] : {std::pair{"title", &model.title}, {"description", &model.description}})
    if (root.contains(key)) {
      if (!root[key].is_string()) throw InputError(Place(file, key), "must be a text");
      *text = root[key].get<std::string>();
    }
  if (root.contains("correlation_method")) {
    const json& m = root["correlation_method"];
    const std::string method = m.is_string() ? m.get<std::string>() : "";
    if (method != "rank" && method != "pairwise")
      throw InputError(Place(file, "correlation_method"), "must be \"pairwise\" or \"rank\"");
    model.rank = method == "rank";
  }
  if (root.contains("samples")) {
    const json& s = root["samples"];
    if (!s.is_number_unsigned() || s.get<uint64_t>() < 2 || s.get<uint64_t>() > 100000000u)
      throw InputError(Place(file, "samples"), "must be a whole number from 2 to 10^8");
    model.samples = s.get<unsigned>();
  }
  if (root.contains("method")) {
    const json& m = root["method"];
    const std::string method = m.is_string() ? m.get<std::string>() : "";
    if (method == "latin" || method == "latin-hypercube")
      model.latin = true;
    else if (method == "montecarlo" || method == "monte-carlo")
      model.latin = false;
    else
      throw InputError(Place(file, "method"), "must be \"latin\" or \"montecarlo\"");
  }
  if (root.contains("seed")) {
    const json& s = root["seed"];
    if (!s.is_number_unsigned() || s.get<uint64_t>() > 4294967295u)
      throw InputError(Place(file, "seed"), "must be a whole number from 0 to 4294967295");
    model.seed = s.get<uint32_t>();
  }
  if (!root.contains("quantities") || !root["quantities"].is_array() ||
      root["quantities"].empty())
    throw InputError(Place(file, "quantities"), "missing: a model needs a list of quantities");
  std::set<std::string> names;
  for (size_t i = 0; i < root["quantities"].size(); ++i) {
    QuantitySpec spec = ParseQuantity(root["quantities"][i], file, i);
    if (!names.insert(spec.name).second)
      throw InputError(spec.where, "the name \"" + spec.name + "\" is used twice");
    model.quantities.push_back(std::move(spec));
  }
  if (root.contains("correlations")) {
    const json& list = root["correlations"];
    if (!list.is_array()) throw InputError(Place(file, "correlations"), "must be a list");
    for (size_t i = 0; i < list.size(); ++i) {
      const std::string field = "correlations[" + std::to_string(i) + "]";
      const json& c = list[i];
      if (!c.is_object() || !c.contains("between") || !c["between"].is_array() ||
          c["between"].size() != 2 || !c["between"][0].is_string() || !c["between"][1].is_string())
        throw InputError(Place(file, field + ".between"),
                         "must name two quantities, e.g. [\"Design\", \"Build\"]");
      for (auto key = c.begin(); key != c.end(); ++key)
        if (key.key() != "between" && key.key() != "coefficient")
          throw InputError(Place(file, field + "." + key.key()),
                           "unknown key (a correlation has between and coefficient)");
      CorrelationSpec spec;
      spec.where = Place(file, field);
      spec.a = c["between"][0].get<std::string>();
      spec.b = c["between"][1].get<std::string>();
      for (const auto* n : {&spec.a, &spec.b})
        if (!names.count(*n))
          throw InputError(Place(file, field + ".between"), "no quantity is named \"" + *n + "\"");
      if (spec.a == spec.b)
        throw InputError(Place(file, field + ".between"), "a quantity cannot be correlated with itself");
      if (!c.contains("coefficient"))
        throw InputError(Place(file, field + ".coefficient"), "missing");
      spec.coefficient = Number(c["coefficient"], Place(file, field + ".coefficient"));
      if (!(std::fabs(spec.coefficient) <= 1))
        throw InputError(Place(file, field + ".coefficient"),
                         "a correlation coefficient lies from -1 to 1");
      model.correlations.push_back(spec);
    }
  }
  return model;
}

}  // namespace cli
